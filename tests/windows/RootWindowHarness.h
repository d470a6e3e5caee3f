// The real main window (USER32 controls, the program's message loop) over
// fakes of the other seams and an in-memory registry, plus real keyboard and
// mouse input through SendInput. Shared by the Windows-side window tests.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "unit/Fakes.h"
#include "win32/ControlIds.h"
#include "win32/MessageLoop.h"
#include "win32/RootWindow.h"
#include "win32/Win32Platform.h"

namespace sw::test {

// Handles what arrives in the queue for about ms milliseconds, the way the
// program's message loop does.
inline void Pump(int ms = 60) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchWithDialogKeys(msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

inline INPUT KeyInput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

// One key stroke, optionally with Alt or Shift held, as the user types it.
inline void Press(WORD vk, WORD modifier = 0) {
    std::vector<INPUT> in;
    if (modifier != 0) in.push_back(KeyInput(modifier, false));
    in.push_back(KeyInput(vk, false));
    in.push_back(KeyInput(vk, true));
    if (modifier != 0) in.push_back(KeyInput(modifier, true));
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    Pump();
}

// A left click in the middle of a list line.
inline void ClickLine(HWND list, int index) {
    RECT item{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ClientToScreen(list, &at);
    // Every event carries the position, so none can land where the pointer was.
    INPUT in[3]{};
    for (auto& event : in) {
        event.type = INPUT_MOUSE;
        event.mi.dx = MulDiv(at.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
        event.mi.dy = MulDiv(at.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
        event.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    }
    in[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    in[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    SendInput(3, in, sizeof(INPUT));
    // Longer than the double-click time, so two clicks stay two clicks.
    Pump(GetDoubleClickTime() + 50);
}

// Records what the window and the entry list are told. Commands of the
// buttons whose handlers belong to other subsystems, the cancel command and
// the list's double click are recorded and kept from the window, so a test
// sees that they arrive without running the printer or ending the program.
class Spy {
public:
    Spy(HWND root, HWND list) : root_(root), list_(list) {
        SetWindowSubclass(root_, RootProc, 1, reinterpret_cast<DWORD_PTR>(this));
        SetWindowSubclass(list_, ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    ~Spy() {
        RemoveWindowSubclass(list_, ListProc, 1);
        RemoveWindowSubclass(root_, RootProc, 1);
    }
    Spy(const Spy&) = delete;
    Spy& operator=(const Spy&) = delete;

    std::map<int, int> commands;  // control id -> count of BN_CLICKED (or IDCANCEL/IDOK)
    int doubleClicks = 0;
    std::vector<WPARAM> listChars;  // WM_CHAR reaching the entry list's key handler

    int Count(int id) const {
        const auto it = commands.find(id);
        return it == commands.end() ? 0 : it->second;
    }
    int Total() const {
        int n = 0;
        for (const auto& [id, count] : commands) n += count;
        return n;
    }
    void Reset() {
        commands.clear();
        doubleClicks = 0;
        listChars.clear();
    }

private:
    static LRESULT CALLBACK RootProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
        auto* spy = reinterpret_cast<Spy*>(self);
        if (msg == WM_COMMAND) {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            if (id == IDC_ROOT_LOBJEKTE && code == LBN_DBLCLK) {
                ++spy->doubleClicks;
                return 0;
            }
            if (id != IDC_ROOT_LOBJEKTE && id != IDC_ROOT_BERWEITERT && code == BN_CLICKED) {
                ++spy->commands[id];
                return 0;
            }
            if (id == IDC_ROOT_BERWEITERT && code == BN_CLICKED) ++spy->commands[id];
        }
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
        // Enter is noted and kept from the key handler, whose opening of an
        // entry is not what these tests are about.
        if (msg == WM_CHAR) {
            reinterpret_cast<Spy*>(self)->listChars.push_back(wParam);
            if (wParam == VK_RETURN) return 0;
        }
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    }

    HWND root_;
    HWND list_;
};

// A program fake whose end is a test failure: nothing in these tests may
// end the program.
class NeverEndingProgram final : public Program {
public:
    VersionRecord Version() override { return {6, 1, 7601, 2}; }
    std::string Folder() override { return "C:\\Tools"; }
    std::string BaseName() override { return "Merotan"; }
    std::string WindowsFolder() override { return "C:\\Windows"; }
    bool ClaimFolder(HeldFolder) override { return true; }
    [[noreturn]] void EndNow() override {
        std::fputs("EndNow reached in a window test\n", stderr);
        ExitProcess(3);
    }
};

// The main window created and shown, with its list's click handler counted.
class RootWindowHarness {
public:
    MemoryRegistry memory;
    Cp1252Codec codec;
    Registry registry{memory, codec};
    FakeFiles files;
    FakeShell shell;
    FakeClock clock;
    FakeMessageBoxes messages;
    Win32UserInterface ui;
    NeverEndingProgram program;
    RootServices services{registry, files, shell, clock, messages, ui, program};
    RootWindow window{services};
    int clicks = 0;  // runs of LObjekte_Click

    bool Open() {
        if (!window.Create()) return false;
        auto run = window.EntryList().onClick;
        window.EntryList().onClick = [this, run] {
            ++clicks;
            run();
        };
        window.Show();
        SetForegroundWindow(window.Hwnd());
        Pump();
        return true;
    }

    Root& root() { return window.Form(); }
    HWND Item(int id) const { return GetDlgItem(window.Hwnd(), id); }
    HWND List() const { return Item(IDC_ROOT_LOBJEKTE); }
    int Selected() const { return static_cast<int>(SendMessageW(List(), LB_GETCURSEL, 0, 0)); }
    std::string Caption() { return root().c.bStartCaption.Caption(); }

    void Service(const std::string& key, const std::string& display, const std::string& description, int start) {
        const std::string path = ServiceKeyPath(key);
        memory.SetString(kHkeyLocalMachine, path, "ObjectName", "LocalSystem");
        memory.SetString(kHkeyLocalMachine, path, "DisplayName", display);
        memory.SetString(kHkeyLocalMachine, path, "Description", description);
        memory.SetDword(kHkeyLocalMachine, path, "Start", static_cast<std::uint32_t>(start));
    }
    void Driver(const std::string& key, const std::string& display, const std::string& group, int start) {
        const std::string path = ServiceKeyPath(key);
        memory.SetString(kHkeyLocalMachine, path, "DisplayName", display);
        if (!group.empty()) memory.SetString(kHkeyLocalMachine, path, "Group", group);
        memory.SetDword(kHkeyLocalMachine, path, "Start", static_cast<std::uint32_t>(start));
    }
};

}  // namespace sw::test
