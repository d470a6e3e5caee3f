// Opening the editor: the entry read fresh from the registry, and a newly
// loaded dialog filled with it and shown.
#include "editor/Settings.h"

namespace sw {
namespace {

// A text value as a read delivers it; " " when it cannot be read.
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

OpenedEntry ReadOpenedEntry(Registry& registry, const std::string& keyName) {
    const auto values = registry.ReadShownValues(kHkeyLocalMachine, ServiceKeyPath(keyName),
                                                 {"Description", "DisplayName", "Start", "ImagePath"});
    OpenedEntry entry;
    entry.keyName = keyName;
    entry.description = CutAtNul(TextOrBlankIfUnread(values[0]));
    entry.display = CutAtNul(TextOrBlankIfUnread(values[1]));
    if (const auto number = StartFrom(values[2]).number) entry.startItem = ItemOfStart(*number);
    entry.image = CutAtNul(TextOrBlankIfUnread(values[3]));
    return entry;
}

void ShowSettings(SettingsFactory& factory, const OpenedEntry& entry, EditorServices& services) {
    const std::unique_ptr<SettingsDialog> dialog = factory.Load();
    if (!dialog) return;
    SettingsControls& c = dialog->Controls();
    if (entry.startItem >= 0) c.LStartType.SetListIndex(entry.startItem);
    c.RCaption.SetCaption(entry.display);
    c.RRegName.SetText(entry.keyName);
    c.RDescription.SetText(entry.description);
    c.RImage.SetText(entry.image);
    c.RDescription.PlaceCaretAtEnd();
    Settings form(*dialog, services, entry.keyName);
    dialog->ShowModal(form);
}

}  // namespace sw
