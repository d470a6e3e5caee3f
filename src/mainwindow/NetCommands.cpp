// Starting and stopping the selected entry's service through the batch file
// of servicecontrol/.
#include "catalogue/Lines.h"
#include "mainwindow/Root.h"
#include "servicecontrol/NetBatch.h"

namespace sw {

void Root::bStarten_Click() { RunNetCommand("start"); }

void Root::bAnhalten_Click() { RunNetCommand("stop"); }

void Root::RunNetCommand(const std::string& command) {
    // The key name of the line as the active view lays it out. No other
    // field is ever taken for a key name: in the driver view the third field
    // is the group, and a group named like another entry (the network
    // drivers' "NDIS") would name that entry instead. The display name is
    // read fresh, not taken from the (perhaps shortened) line.
    const std::string key = KeyNameOf(c.LObjekte.Text(), DriverView());
    const NetCommand net = NetCommandFor(s.registry, command, key);
    if (net.batchText.empty())
        s.messages.Show(net.refusal, kProgramTitle, kMbIconExclamation);
    else
        RunBatch(s.files, s.shell, s.registry.Codec(), sideFiles.Path(kBatchFileName), net.batchText);
    c.LObjekte.SetFocus();
}

}  // namespace sw
