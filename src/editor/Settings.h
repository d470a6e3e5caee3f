// The start-type editor: a modal dialog that shows one service and changes
// its start type and description. The form's handlers are written once here
// against the control seams; the window behind them comes from a
// SettingsFactory (win32/SettingsWindow.* on Windows, a fake in the tests).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "registry/Registry.h"
#include "ui/Controls.h"
#include "ui/ListItem.h"

namespace sw {

class Settings;

// The dialog's controls, in tab order.
struct SettingsControls {
    Label& RCaption;
    TextBox& RDescription;
    ComboBox& LStartType;  // "Automatisch", "Manuell", "Deaktiviert"
    Button& bReady;
    Button& bAbbrechen;
    PictureBox& Picture1;  // holds RRegName
    TextBox& RRegName;
    PictureBox& PImage;    // holds RImage
    TextBox& RImage;
};

// Heights of the description box with and without the image-path row, twips.
inline constexpr int kDescriptionHeight = 1410;
inline constexpr int kDescriptionHeightTall = 1770;

// One loaded instance of the dialog, in its design state: no start type
// chosen, the image-path row visible, the description box 1410 high. It is
// destroyed with this object; nothing of it survives to the next opening.
class SettingsDialog {
public:
    virtual ~SettingsDialog() = default;
    virtual SettingsControls& Controls() = 0;
    // Shows the dialog modally over the main window, which takes no input
    // meanwhile, with the focus in the description box. Events go to form's
    // handlers. Returns once the dialog has been unloaded, by Unload or by
    // any other close of the window (which writes nothing).
    virtual void ShowModal(Settings& form) = 0;
    // Ends the modal show. The controls stay readable until the object goes.
    virtual void Unload() = 0;
};

class SettingsFactory {
public:
    virtual ~SettingsFactory() = default;
    // Loads the dialog afresh, hidden; null when it cannot be made.
    virtual std::unique_ptr<SettingsDialog> Load() = 0;
};

// What the editor needs of the program besides its dialog.
struct EditorServices {
    Registry& registry;
    UserInterface& ui;
    ServiceManager* serviceManager = nullptr;  // none: the registry write alone
    // Puts the edited entry's rebuilt line, with its key, in place of the
    // main list's selected line and selects the line now at that place.
    std::function<void(const ListItem& item)> replaceSelectedLine;
};

// The form's event handlers. The display name of the open entry is the
// caption of RCaption; its key name, which RRegName shows, the form keeps
// as it was opened with: what an edit box gives back of a name with a line
// break or a TAB is not for the form to rely on when it writes.
class Settings {
public:
    Settings(SettingsDialog& dialog, EditorServices& services, std::string keyName);

    void bReady_Click();
    void bAbbrechen_Click();
    void LStartType_KeyPress(std::int16_t& keyAscii);
    void RDescription_KeyPress(std::int16_t& keyAscii);
    void RRegName_GotFocus();
    void RCaption_DblClick();

private:
    SettingsDialog& dialog_;
    SettingsControls& c;
    EditorServices& services_;
    const std::string keyName_;
    bool inOk_ = false;
};

// One service entry as the editor opens it, every value read fresh through
// one open of its key. A text that cannot be read is " "; one of a type
// that delivers nothing (a multi-string) is empty, which keeps the editor
// from showing such a description for editing. Texts end at their NUL.
struct OpenedEntry {
    std::string keyName;
    std::string description;
    std::string display;
    std::string image;
    int startItem = -1;  // the item of LStartType that "Start" selects; -1 for none
};
OpenedEntry ReadOpenedEntry(Registry& registry, const std::string& keyName);

// Loads the dialog afresh, fills it with entry and shows it modally; returns
// after it has closed, or at once when it cannot be loaded.
void ShowSettings(SettingsFactory& factory, const OpenedEntry& entry, EditorServices& services);

// The messages of the opening.
inline const std::string kIncompleteReadMessage = "Konnte aus der Registrierung nicht vollständig lesen.     ";
inline const std::string kIncompleteReadTitle = " Zugriffsberechtigung";

}  // namespace sw
