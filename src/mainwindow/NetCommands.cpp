// Starting and stopping the selected entry's service through the batch file
// of servicecontrol/, and saying what came of it.
#include "mainwindow/Root.h"
#include "servicecontrol/NetBatch.h"
#include "servicecontrol/NetOutcome.h"

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
    const auto refuse = [&](const std::string& text) {
        s.messages.Show(text, kProgramTitle, kMbIconExclamation);
        c.LObjekte.SetFocus();
    };
    if (command == "start") {
        if (const auto disabled = DisabledRefusal(s.registry, key)) return refuse(*disabled);
    }
    // "net stop" would ask in the hidden window whether to stop the running
    // services on top of this one, and wait for an answer forever: the user
    // is asked here, and they stop first, each on its own line.
    std::vector<std::string> keys;
    if (command == "stop" && s.serviceStatus != nullptr && !key.empty()) {
        keys = DependentsDeepestFirst(*s.serviceStatus, key);
        if (!keys.empty() &&
            s.messages.Show(DependentsQuestion(s.registry, key, keys), kProgramTitle, kMbYesNo | kMbIconQuestion) !=
                kAnswerYes) {
            c.LObjekte.SetFocus();
            return;
        }
    }
    keys.push_back(key);
    const NetCommand net = NetCommandFor(s.registry, command, key);
    if (net.batchText.empty()) return refuse(net.refusal);
    std::string text = net.batchText;
    if (keys.size() > 1) {
        text = NetBatchHeader(command);
        for (const std::string& each : keys) {
            const NetCommand line = each == key ? net : NetCommandFor(s.registry, command, each);
            if (line.batchText.empty()) return refuse(line.refusal);
            text += line.netLine;
        }
    }
    BatchEnd onEnd;
    if (s.serviceStatus != nullptr && !key.empty())
        onEnd = [this, command, keys](const std::string& output) {
            if (const auto message = OutcomeMessage(s.registry, *s.serviceStatus, command, keys, output))
                s.messages.Show(*message, kProgramTitle, kMbIconExclamation);
        };
    RunBatch(s.files, s.shell, s.registry.Codec(), sideFiles.Path(kBatchFileName), text, std::move(onEnd));
    c.LObjekte.SetFocus();
}

}  // namespace sw
