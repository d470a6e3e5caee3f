// Starting and stopping the selected entry's service through the batch file
// of servicecontrol/.
#include "mainwindow/Root.h"
#include "servicecontrol/NetBatch.h"

namespace sw {

void Root::bStarten_Click() { RunNetCommand("start"); }

void Root::bAnhalten_Click() { RunNetCommand("stop"); }

void Root::RunNetCommand(const std::string& command) {
    // The key kept with the selected line, never a field of its text: a
    // group named like another entry (the network drivers' "NDIS"), or a TAB
    // in a display name that moves the fields, would name that entry
    // instead. The display name is read fresh, not taken from the (perhaps
    // shortened) line.
    const std::string key = c.LObjekte.SelectedKey();
    const NetCommand net = NetCommandFor(s.registry, command, key);
    if (net.batchText.empty())
        s.messages.Show(net.refusal, kProgramTitle, kMbIconExclamation);
    else
        RunBatch(s.files, s.shell, s.registry.Codec(), sideFiles.Path(kBatchFileName), net.batchText);
    c.LObjekte.SetFocus();
}

}  // namespace sw
