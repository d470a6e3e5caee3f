// The base of the program's top-level windows: it registers the window
// class, creates the window with the object's `this` in the creation data,
// keeps that pointer from WM_NCCREATE on and hands every message to the
// object's HandleMessage, which only decodes. WM_NCDESTROY, the last
// message, still reaches the object with its real handle (so that the
// default procedure gets the window it is about); the object lets go of the
// handle afterwards.
#pragma once

#include <windows.h>

#include <string>

namespace sw {

// What a window's class and first frame are made of.
struct WindowTemplate {
    const wchar_t* className;
    bool programIcon;  // the program's icon in the title bar and task bar
    DWORD style;
    DWORD exStyle;
    std::string title;  // UTF-8
    HWND owner;
    int clientWidth, clientHeight;  // pixels
};

// Where a new window stands: in the middle of the screen, in the middle of
// the work area (the screen without the task bar; never off its top-left
// corner), or at its top-left corner for a window that places itself.
enum class Placement { ScreenCentre, WorkAreaCentre, Origin };

class WindowBase {
public:
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    // Null before Create and once the window has been destroyed.
    HWND Hwnd() const { return hwnd_; }

protected:
    WindowBase() = default;
    // A window still there is destroyed without reaching HandleMessage: the
    // derived object is gone by now. Derived windows call Destroy in their
    // own destructors so that their handlers see the end.
    virtual ~WindowBase();

    // Registers the class (the first time; later registrations fail
    // harmlessly) and creates the window, its frame sized to the client area
    // that shape asks for. False when no window could be made.
    bool CreateFrame(const WindowTemplate& shape, Placement placement);
    void Destroy();
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam) { return DefWindowProcW(hwnd_, msg, wParam, lParam); }

    // As a dialog does, a window remembers which of its controls had the
    // focus when it was left (WM_ACTIVATE with WA_INACTIVE; pass its wParam)
    // and gives it back when activated again; each window decides when and
    // what stands in for a control that can no longer take the focus.
    void KeepFocusOnDeactivate(WPARAM activateWParam);
    HWND KeptFocus() const { return keptFocus_; }

    // Answers WM_GETMINMAXINFO of a resizable window: its frame never gets
    // smaller than one around a client area of this many pixels.
    static void LimitTrackSize(LPARAM minMaxInfo, int clientWidth, int clientHeight, DWORD style, DWORD exStyle);

private:
    // Messages from WM_NCCREATE to WM_NCDESTROY; what the window does not
    // handle goes to Default.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    HWND keptFocus_ = nullptr;
};

}  // namespace sw
