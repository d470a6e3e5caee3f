// Opening the selected entry: the editor in the service view, the registry
// editor at the entry's key in the driver view.
#include "editor/Settings.h"
#include "mainwindow/Root.h"

namespace sw {
namespace {

const std::string kRegeditSettingsPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
const std::string kMachineServicesPrefix = "HKEY_LOCAL_MACHINE\\" + kServicesPath + "\\";

// The longest single wait of Sleep between two looks at the clock, so that
// a wait never outlasts its end by much, whatever the clock does.
constexpr double kLongestIdle = 0.05;

}  // namespace

void Root::LObjekte_DblClick() {
    if (!DriverView()) {
        OpenEditor();
        return;
    }
    s.ui.SetPointer(kPointerHourglass);
    // The key kept with the line: a TAB in its display name must not make
    // the group, or part of the name, the key the registry editor opens at.
    const std::string keyName = c.LObjekte.SelectedKey();
    // The registry editor opens at "LastKey" when it starts. Its settings key
    // is only opened: when it does not exist yet, nothing is written.
    s.registry.WriteValue(kHkeyCurrentUser, kRegeditSettingsPath, "LastKey",
                          ValueHolder(kMachineServicesPrefix + keyName));
    Sleep(1);
    s.ui.DoEvents();
    // By its full path: a "regedit.exe" beside the program or in the current
    // folder must never run in its place.
    s.shell.Start("\"" + s.program.WindowsFolder() + "\\regedit.exe\"", ShowStyle::MaximizedFocus);
    s.ui.DoEvents();
    s.ui.SetPointer(kPointerDefault);
}

void Root::OpenEditor() {
    s.ui.SetPointer(kPointerHourglass);
    const OpenedEntry entry = ReadOpenedEntry(s.registry, c.LObjekte.SelectedKey());
    s.ui.SetPointer(kPointerDefault);
    // An existing description that comes out empty cannot be shown for
    // editing; the dialog is not even loaded.
    if (entry.description.empty()) {
        s.messages.Show(kIncompleteReadMessage, kIncompleteReadTitle, kMbIconCritical);
        return;
    }
    if (s.settings == nullptr) return;
    EditorServices editor{s.registry, s.ui, s.serviceManager, [this](const ListItem& item) {
                              ListBox& list = c.LObjekte;
                              const int remembered = list.ListIndex();
                              list.RemoveItem(remembered);
                              list.AddItem(item.line, item.key);
                              // Selecting shows the start type now stored, whatever
                              // line now stands at that place of the sorted list.
                              list.SetListIndex(remembered);
                          }};
    ShowSettings(*s.settings, entry, editor);
}

void Root::LObjekte_KeyPress(std::int16_t& keyAscii) {
    if (keyAscii != 13) return;
    // Swallowed, so the list does nothing more with it.
    keyAscii = 0;
    LObjekte_DblClick();
}

void Root::bBearbeiten_Click() { LObjekte_DblClick(); }

// Waits until the clock of seconds since midnight has moved on by Sekunden,
// handling window messages meanwhile. The clock starts again at 0 at
// midnight; the start then moves back by a day, so the wait still ends.
void Root::Sleep(double Sekunden) {
    double started = s.clock.SecondsSinceMidnight();
    for (;;) {
        const double elapsed = s.clock.SecondsSinceMidnight() - started;
        if (elapsed >= Sekunden) return;
        // Sleeps until a message arrives or a short while has passed, rather
        // than spinning; before midnight is noticed, elapsed may be far off.
        double wait = Sekunden - elapsed;
        if (wait > kLongestIdle || wait < 0) wait = kLongestIdle;
        s.ui.Idle(wait);
        if (static_cast<float>(started) > static_cast<float>(s.clock.SecondsSinceMidnight())) started -= 86400;
    }
}

}  // namespace sw
