// The window "Verlauf der Änderungen" on USER32: a resizable window owned by
// the main window, with a status line, a filter box, a report list view
// whose headers sort and whose rows can be selected several at a time
// (Ctrl+A: all), and the buttons "&Stand wiederherstellen…", "&Drucken" and
// "&Speichern…". What it shows and does lives in history/HistoryView; this
// only decodes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "history/HistoryView.h"
#include "mainwindow/Root.h"
#include "win32/ChangesWindow.h"
#include "win32/RestoreWindow.h"
#include "win32/Win32Controls.h"
#include "win32/WindowBase.h"

namespace sw {

// The runs to go back to, in a list in the restore's window, over the window
// that `owner` names at the time.
class Win32RunChooser final : public RunChooser {
public:
    explicit Win32RunChooser(const WindowBase& owner) : owner_(owner) {}
    std::optional<std::size_t> Choose(const std::vector<std::string>& runs, std::size_t preselected) override;

private:
    const WindowBase& owner_;
};

class HistoryWindow final : public WindowBase {
public:
    HistoryWindow(HWND owner, RootServices& services);
    ~HistoryWindow() override;

    // Shows the window with the history read afresh; when it is open
    // already, it reads afresh and comes to the front.
    void Open();

private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool Create();
    void CreateControls();
    void Layout();
    // The list after a new read or filter: its count, no selection, the
    // status line and the buttons.
    void Refill();
    void Filter();
    LRESULT OnNotify(const NMHDR& header, LPARAM lParam);
    void SelectionChanged();
    void UpdateRestoreButton();
    void Restore();

    HWND owner_;
    HWND status_ = nullptr;
    HWND filterLabel_ = nullptr;
    HWND filter_ = nullptr;
    HWND list_ = nullptr;
    HWND restore_ = nullptr;
    HWND print_ = nullptr;
    HWND save_ = nullptr;
    bool restoreUpdatePosted_ = false;
    UserInterface& ui_;
    Win32SaveDialog saveDialog_;
    Win32RestoreDialogs restoreDialogs_;
    Win32RunChooser chooser_;
    ChangesServices services_;
    HistoryView view_;
    Twips twips_;
    FontOwner font_;
    std::wstring cell_;  // the text handed to the list view last
};

}  // namespace sw
