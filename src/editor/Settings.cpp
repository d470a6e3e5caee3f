// The editor dialog's handlers: Ok writes the description and the start type
// and replaces the entry's line in the main list; everything else only moves
// the focus, changes the layout or closes the dialog.
#include "editor/Settings.h"

#include <utility>

#include "catalogue/Lines.h"
#include "editor/TextSearch.h"
#include "platform/Utf8.h"

namespace sw {
namespace {

constexpr std::int16_t kEnter = 13;

// The "Start" value an item of LStartType stands for; 0 for no item.
std::int32_t StartOfItem(int index) { return index >= 0 && index <= 2 ? index + 2 : 0; }

// True when the description box still holds the one-blank placeholder of a
// "Description" that exists but cannot be read as a text (a binary value of
// more than four bytes, say). Writing the box then would replace data the
// user never saw by a blank he never typed. A missing value is not meant:
// for it the blank is stored.
bool PlaceholderOfUnreadableValue(Registry& registry, const std::string& path, const std::string& text) {
    if (text != " ") return false;
    const auto value = registry.Read(kHkeyLocalMachine, path, "Description");
    if (value && !std::holds_alternative<std::monostate>(*value)) return false;
    return registry.ValueExists(kHkeyLocalMachine, path, "Description");
}

// True when "Description" is stored as an indirect text ("@file,-id") and
// the box still holds the text it resolves to: the user changed nothing, and
// writing the resolved text would replace the reference (and with it every
// other language's text) by one language's copy.
bool UnchangedIndirectText(Registry& registry, const std::string& path, const std::string& text) {
    const auto stored = registry.Read(kHkeyLocalMachine, path, "Description");
    if (!IsIndirect(stored)) return false;
    const auto shown = registry.ReadShown(kHkeyLocalMachine, path, "Description");
    return shown && CutAtNul(AsText(*shown)) == text;
}

}  // namespace

Settings::Settings(SettingsDialog& dialog, EditorServices& services, std::string keyName)
    : dialog_(dialog), c(dialog.Controls()), services_(services), keyName_(std::move(keyName)) {}

void Settings::bReady_Click() {
    // A second Ok while the first one yields would write and replace the
    // line twice; the first one finishes the job.
    if (inOk_) return;
    inOk_ = true;
    Registry& registry = services_.registry;
    UserInterface& ui = services_.ui;

    const std::string& keyName = keyName_;
    const std::string path = ServiceKeyPath(keyName);
    // The entry check: the display name shown must still be part of the
    // entry's display name, resolved as the dialog showed it. A failed read
    // gives the empty text, which contains nothing.
    const auto current = registry.ReadShown(kHkeyLocalMachine, path, "DisplayName");
    const std::string caption = c.RCaption.Caption();
    if (ContainsIgnoringCase(current ? AsText(*current) : std::string(), caption)) {
        // The service manager is told the chosen start type, so that it takes
        // effect now and not at the next boot; where it refuses or does not
        // know the entry, the registry writes below stand alone. It is told
        // before them: a manager that writes its whole copy of the service
        // back into the key (Wine's does) would otherwise undo the new
        // description.
        const std::int32_t start = StartOfItem(c.LStartType.ListIndex());
        if (start != 0 && services_.serviceManager != nullptr)
            services_.serviceManager->SetStartType(keyName, static_cast<std::uint32_t>(start));

        const std::string description = c.RDescription.Text();
        // Keeps REG_EXPAND_SZ, so that a description holding "%SystemRoot%"
        // is still expanded by its other readers after an Ok.
        if (!PlaceholderOfUnreadableValue(registry, path, description) &&
            !UnchangedIndirectText(registry, path, description))
            registry.WriteTextKeepingType(kHkeyLocalMachine, path, "Description", description);
        ui.DoEvents();

        // Written even when it equals the stored value; nothing without a choice.
        if (start != 0) registry.WriteValue(kHkeyLocalMachine, path, "Start", ValueHolder(start));
        ui.DoEvents();

        // The rebuilt line keeps 38 characters of a long display name, one
        // more than the list build keeps.
        const std::string display = Shorten(caption, 40, 38);
        services_.replaceSelectedLine(ListItem{ServiceLine(display, description, keyName), keyName});
        ui.DoEvents();
    }
    dialog_.Unload();
    inOk_ = false;
}

void Settings::bAbbrechen_Click() { dialog_.Unload(); }

void Settings::LStartType_KeyPress(std::int16_t& keyAscii) {
    if (keyAscii != kEnter) return;
    c.bReady.SetFocus();
    keyAscii = 0;
}

void Settings::RDescription_KeyPress(std::int16_t& keyAscii) {
    if (keyAscii != kEnter) return;
    c.LStartType.SetFocus();
    keyAscii = 0;
}

void Settings::RRegName_GotFocus() { c.bReady.SetFocus(); }

void Settings::RCaption_DblClick() {
    if (c.PImage.Visible()) {
        c.RDescription.SetHeight(kDescriptionHeightTall);
        c.PImage.SetVisible(false);
    } else {
        c.RDescription.SetHeight(kDescriptionHeight);
        c.PImage.SetVisible(true);
    }
}

}  // namespace sw
