// Starting and stopping the selected entry's service: a batch file beside
// the executable runs "net start" or "net stop" in a hidden window. Nothing
// waits for it and nothing in the window changes.
#include "catalogue/Lines.h"
#include "mainwindow/Root.h"
#include "servicecontrol/NetBatch.h"

namespace sw {

void Root::bStarten_Click() { RunNetCommand("start"); }

void Root::bAnhalten_Click() { RunNetCommand("stop"); }

void Root::RunNetCommand(const std::string& command) {
    // The display name is read fresh, not taken from the (perhaps shortened)
    // line, under the key name of the line as the active view lays it out.
    // No other field is ever taken for a key name: in the driver view the
    // third field is the group, and a group named like another entry (the
    // network drivers' "NDIS") would name that entry instead.
    const std::string key = KeyNameOf(c.LObjekte.Text(), DriverView());
    const auto value = s.registry.Read(kHkeyLocalMachine, ServiceKeyPath(key), "DisplayName");
    // An indirect display name ("@file,-id") is no name "net" knows: the
    // key name, which it takes as well, stands in for it.
    std::string name = value ? CutAtNul(AsText(*value)) : " ";
    if (IsIndirect(value)) name = key;

    const auto refuse = [&](const std::string& why) {
        s.messages.Show("Der Name dieses Dienstes " + why + " an den Befehl \"net " + command +
                            "\" übergeben werden.\nEs wurde nichts ausgeführt.",
                        " Tavrine Startwart", kMbIconExclamation);
        c.LObjekte.SetFocus();
    };
    // The name goes into a file that the command interpreter runs with the
    // user's rights. A name it would act on gives way to the name of the key
    // it was read from, which "net" takes as well; when that cannot pass
    // either, nothing is written or run.
    if (!PassableInQuotes(name)) {
        if (!PassableInQuotes(key))
            return refuse("ist zu lang oder enthält Anführungszeichen oder Steuerzeichen und kann nicht sicher");
        name = key;
    }
    // The interpreter reads a batch file in the console's OEM code page,
    // while the file is written in the ANSI code page: a character above
    // ASCII ("ä" is byte E4 in ANSI, another letter in OEM; "\u0416" has no
    // byte at all and would be written as "?") would reach "net" changed,
    // naming no service or another one. The key name serves instead when it
    // is plain ASCII; when neither is, nothing is written or run.
    if (!IsAscii(name)) {
        if (!IsAscii(key) || !PassableInQuotes(key))
            return refuse("enthält Zeichen, die in der Stapeldatei nicht unverändert bleiben, und kann nicht");
        name = key;
    }

    // A batch of an earlier click that still runs would read on in the
    // rewritten file from where it stopped: it is ended before the file
    // changes. A file that could not be written is not run, so an earlier
    // click's file never runs in its place.
    s.shell.EndBatch();
    const std::string batch = SideFile("Merotan.bat");
    if (s.files.Write(batch, s.registry.Codec().ToAnsi(NetBatchText(command, DoublePercents(name)))))
        s.shell.StartBatch(batch, ShowStyle::Hidden);
    c.LObjekte.SetFocus();
}

}  // namespace sw
