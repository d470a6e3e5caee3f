// The main window on USER32: creates the controls where the layout puts them
// and turns their notifications into calls of Root's handlers. Decoding
// only; what a handler does lives in the portable code.
#pragma once

#include <windows.h>

#include <memory>

#include "mainwindow/Root.h"
#include "win32/KeyRelay.h"
#include "win32/Win32Controls.h"
#include "win32/WindowBase.h"

namespace sw {

class ChangesWindow;
class HistoryWindow;

class RootWindow final : public WindowBase {
public:
    explicit RootWindow(RootServices& services, BuildFacts build = {});
    ~RootWindow() override;

    // Creates the window and its controls, still hidden.
    bool Create();
    void Show();
    Root& Form() { return root_; }
    // The entry list's adapter, whose onClick runs LObjekte_Click.
    Win32ListBox& EntryList() { return lObjekte_; }
    const Twips& Scale() const { return twips_; }

private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(int id, int code);
    void CreateControls();
    LRESULT ColorStatic(HDC dc, HWND control);
    void RestoreFocus();
    // Where a column title with this left edge in twips stands, in pixels.
    int TitleLeft(int twipsLeft) const;
    // The system menu's items "Änderungen seit dem letzten Start…",
    // "Verlauf der Änderungen…" and "Info über Tavrine Startwart…".
    void AddSystemMenuItems();
    void OpenChanges();
    void OpenHistory();

    Twips twips_;
    FontOwner font_;
    FontOwner headerFont_;
    BrushOwner highlight_;

    Win32ListBox lObjekte_, lProfile_;
    Win32Button bStarten_, bAnhalten_, bBearbeiten_, bDrucken_, bChecker_, bBackups_, bAbbrechen_;
    Win32CheckBox bErweitert_;
    Win32Label bStartCaption_, label0_, label1_, label2_, label3_;
    RootControls controls_;
    Root root_;
    KeyRelay listKeys_;  // the entry list's keys to LObjekte_KeyPress
    std::unique_ptr<ChangesWindow> changes_;  // made at its first opening
    std::unique_ptr<HistoryWindow> history_;  // made at its first opening
    BuildFacts build_;                        // what the Info box says of this build
};

}  // namespace sw
