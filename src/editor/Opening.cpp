// Opening the editor for the selected service line: every value is read
// fresh from the registry, the dialog is loaded afresh, filled and shown.
#include "catalogue/Lines.h"
#include "editor/Settings.h"
#include "mainwindow/Root.h"

namespace sw {
namespace {

// A text value as a read delivers it; " " when it cannot be read. A value
// of a type that delivers nothing (a multi-string) comes out empty, which
// keeps the editor from showing such a description for editing.
std::string TextOrBlankIfUnread(const std::optional<ValueHolder>& value) { return value ? AsText(*value) : " "; }

// The item of LStartType that a "Start" value selects; -1 for none.
int ItemOfStart(std::int32_t start) {
    switch (start) {
        case 2: return 0;
        case 3: return 1;
        case 4: return 2;
        default: return -1;
    }
}

}  // namespace

void OpenSettings(Root& root) {
    RootServices& s = root.s;
    s.ui.SetPointer(kPointerHourglass);
    const std::string keyName = KeyNameOf(root.c.LObjekte.Text(), false);
    const std::string path = ServiceKeyPath(keyName);
    // One open of the entry's key for the four values.
    const auto values =
        s.registry.ReadShownValues(kHkeyLocalMachine, path, {"Description", "DisplayName", "Start", "ImagePath"});
    const std::string description = CutAtNul(TextOrBlankIfUnread(values[0]));
    const std::string display = CutAtNul(TextOrBlankIfUnread(values[1]));
    int item = -1;
    if (const auto number = StartFrom(values[2]).number) item = ItemOfStart(*number);
    const std::string image = CutAtNul(TextOrBlankIfUnread(values[3]));
    s.ui.SetPointer(kPointerDefault);

    // An existing description that comes out empty cannot be shown for
    // editing; the dialog is not even loaded.
    if (description.empty()) {
        s.messages.Show(kIncompleteReadMessage, kIncompleteReadTitle, kMbIconCritical);
        return;
    }
    if (s.settings == nullptr) return;
    const std::unique_ptr<SettingsDialog> dialog = s.settings->Load();
    if (!dialog) return;
    SettingsControls& c = dialog->Controls();
    if (item >= 0) c.LStartType.SetListIndex(item);
    c.RCaption.SetCaption(display);
    c.RRegName.SetText(keyName);
    c.RDescription.SetText(description);
    c.RImage.SetText(image);
    c.RDescription.PlaceCaretAtEnd();
    Settings form(*dialog, root);
    dialog->ShowModal(form);
}

}  // namespace sw
