// The restore's preview and its result (and the choice of the run that the
// history window's restore goes back to) on USER32: a resizable window owned
// by the changes window and shown modally (the program's message pump runs
// until it closes) while the windows that own it take no input. Its text
// stands in a read-only multi-line box, so that long values can be read
// whole; the buttons keep to the lower right corner. What it says is made
// in changes/; this only shows it and reports the button.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "changes/ChangesView.h"
#include "win32/KeyRelay.h"
#include "win32/Win32Controls.h"
#include "win32/WindowBase.h"

namespace sw {

class RestoreWindow final : public WindowBase {
public:
    struct Content {
        std::string title;
        std::string text;    // lines joined with "\n"
        std::string accept;  // the accepting button's caption; empty: none
        std::string close;   // the closing button's caption (IDCANCEL, also Esc)
        bool closeIsDefault = false;
        // A choice to make: a list below the text (a double click
        // accepts), with this line selected first.
        std::vector<std::string> choices{};
        std::size_t chosen = 0;
    };

    explicit RestoreWindow(HWND owner) : owner_(owner) {}
    ~RestoreWindow() override;

    // Shows the window until a button, Esc or its close ends it; true when
    // the accepting button ended it. An ending program (WM_QUIT) is left to
    // the main loop and counts as closed.
    bool ShowModal(const Content& content);
    // The line of the choices selected when the accepting button ended it.
    std::size_t Chosen() const { return chosen_; }

private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool Create(const Content& content);
    void Layout();
    void DisableOwners();
    void EnableOwners();
    void End(bool accepted);

    HWND owner_;
    HWND text_ = nullptr;
    HWND accept_ = nullptr;
    HWND close_ = nullptr;
    HWND choices_ = nullptr;
    std::size_t chosen_ = 0;
    HWND owners_[4] = {};  // the owners this window disabled
    int defaultId_ = IDCANCEL;
    bool open_ = false;
    bool accepted_ = false;
    Twips twips_;
    FontOwner font_;
    // The text box leaves Tab and Esc to the dialog keys.
    KeyRelay textKeys_;
};

// The changes window's restore dialogs over the window that `owner` names at
// the time: a preview with "&Zurücksetzen" and "&Abbrechen", and the result.
class Win32RestoreDialogs final : public RestoreDialogs {
public:
    explicit Win32RestoreDialogs(const WindowBase& owner) : owner_(owner) {}
    bool Confirm(const std::string& text, bool cancelIsDefault) override;
    void ShowResult(const std::string& text) override;

private:
    const WindowBase& owner_;
};

}  // namespace sw
