// The start-type editor: a modal dialog that shows one service and changes
// its start type and description. The form's handlers are written once here
// against the control seams; the window behind them comes from a
// SettingsFactory (win32/SettingsWindow.* on Windows, a fake in the tests).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ui/Controls.h"

namespace sw {

class Root;
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

// The form's event handlers. The key name of the open entry is the text of
// RRegName and its display name the caption of RCaption: the form keeps
// nothing else.
class Settings {
public:
    Settings(SettingsDialog& dialog, Root& root);

    void bReady_Click();
    void bAbbrechen_Click();
    void LStartType_KeyPress(std::int16_t& keyAscii);
    void RDescription_KeyPress(std::int16_t& keyAscii);
    void RRegName_GotFocus();
    void RCaption_DblClick();

private:
    SettingsDialog& dialog_;
    SettingsControls& c;
    Root& root_;
    bool inOk_ = false;
};

// Opens the editor for the selected line of the main list (service view):
// reads the entry fresh from the registry, fills a newly loaded dialog and
// shows it modally. Returns after the dialog has closed.
void OpenSettings(Root& root);

// The messages of the opening.
inline const std::string kIncompleteReadMessage = "Konnte aus der Registrierung nicht vollständig lesen.     ";
inline const std::string kIncompleteReadTitle = " Zugriffsberechtigung";

}  // namespace sw
