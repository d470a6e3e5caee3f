// The window "Änderungen seit dem letzten Start" on USER32: a resizable
// window owned by the main window, with a status line, a report list view
// whose headers sort and whose rows can be selected several at a time
// (Ctrl+A: all), and the buttons "&Zurücksetzen…", "&Drucken" and
// "&Speichern…". What it shows and does lives in changes/ChangesView; this
// only decodes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "changes/ChangesView.h"
#include "mainwindow/Root.h"
#include "win32/RestoreWindow.h"
#include "win32/Win32Controls.h"
#include "win32/WindowBase.h"

namespace sw {

// GetSaveFileNameW over the window that `owner` names at the time: UTF-8
// text (*.txt) or CSV (*.csv), by the filter the user picks or a name that
// ends in ".csv".
class Win32SaveDialog final : public SaveDialog {
public:
    explicit Win32SaveDialog(const WindowBase& owner) : owner_(owner) {}
    std::optional<SaveChoice> Ask(const std::string& suggestedName) override;

private:
    const WindowBase& owner_;
};

class ChangesWindow final : public WindowBase {
public:
    // watch (none: the window never compares on its own) tells it of
    // changes below the Services key while it is open.
    ChangesWindow(HWND owner, RootServices& services, ServicesWatch* watch);
    ~ChangesWindow() override;

    // Shows the window with a fresh comparison; when it is open already, it
    // compares afresh and comes to the front.
    void Open();

private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool Create();
    void CreateControls();
    void Layout();
    // Shows the view's status and rows with these rows selected; with
    // keepScroll the list stays where the user scrolled it.
    void Refill(const std::vector<std::size_t>& selected = {}, bool keepScroll = false);
    // The registry changed while the window is open: compares afresh,
    // keeping sort and selection, without taking the focus from anyone.
    bool RegistryChanged();
    void ShowSortArrow();
    LRESULT OnNotify(const NMHDR& header, LPARAM lParam);
    std::vector<std::size_t> Selected() const;
    void Select(const std::vector<std::size_t>& rows);
    // The restore button follows the selection; a change of it is answered
    // once the list's notifications of it have passed.
    void SelectionChanged();
    void UpdateRestoreButton();
    void Restore();

    HWND owner_;
    HWND status_ = nullptr;
    HWND list_ = nullptr;
    HWND print_ = nullptr;
    HWND save_ = nullptr;
    HWND restore_ = nullptr;
    bool restoreUpdatePosted_ = false;
    UserInterface& ui_;
    Win32SaveDialog saveDialog_;
    Win32RestoreDialogs restoreDialogs_;
    ServicesWatch* watch_;
    ChangesServices services_;
    ChangesView view_;
    Twips twips_;
    FontOwner font_;
    std::wstring cell_;  // the text handed to the list view last
};

}  // namespace sw
