// The editor dialog on USER32: a window made afresh for every opening, with
// standard controls where the layout puts them, shown modally (the program's
// message pump runs until it is unloaded) while the main window is disabled.
// Decodes notifications into calls of the form's handlers; what they do
// lives in editor/.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "editor/Settings.h"
#include "win32/KeyRelay.h"
#include "win32/Win32Controls.h"
#include "win32/Win32EditControls.h"
#include "win32/WindowBase.h"

namespace sw {

class SettingsWindow final : public SettingsDialog, public WindowBase {
public:
    explicit SettingsWindow(HWND owner);
    ~SettingsWindow() override;

    // Creates the window and its controls in their design state, hidden.
    bool Create();

    SettingsControls& Controls() override { return controls_; }
    void ShowModal(Settings& form) override;
    void Unload() override;

private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(int id, int code);
    void CreateControls();
    void Centre();
    LRESULT ColorStatic(UINT msg, HDC dc, HWND control);
    // Gives the owner back its input and its focus; idempotent.
    void ReleaseOwner();

    HWND owner_;
    HWND ownerFocus_ = nullptr;  // the owner's focused control before the show
    bool open_ = false;
    bool ownerDisabled_ = false;
    Settings* form_ = nullptr;
    Twips twips_;
    FontOwner font_;
    FontOwner boldFont_;

    Win32Label rCaption_;
    Win32TextBox rDescription_;
    Win32ComboBox lStartType_;
    Win32Button bReady_, bAbbrechen_;
    Win32PictureBox picture1_, pImage_;
    Win32TextBox rRegName_, rImage_;
    SettingsControls controls_;
    // Enter reaches the key handlers of the description and the start type;
    // the multi-line description leaves Tab and Esc to the dialog.
    KeyRelay descriptionKeys_, startTypeKeys_;
};

// Loads a new SettingsWindow over the window that `owner` names at the time.
class Win32SettingsFactory final : public SettingsFactory {
public:
    explicit Win32SettingsFactory(std::function<HWND()> owner) : owner_(std::move(owner)) {}
    std::unique_ptr<SettingsDialog> Load() override;

private:
    std::function<HWND()> owner_;
};

}  // namespace sw
