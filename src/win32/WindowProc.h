// The window procedure of a class that owns a window: the object's pointer
// arrives with WM_NCCREATE (the lpParam of CreateWindowEx), is kept in the
// window's user data, and every message goes to the object's HandleMessage,
// which only decodes. Window must befriend this template.
#pragma once

#include <windows.h>

namespace sw {

template <class Window>
LRESULT CALLBACK WindowProcFor(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    return self ? self->HandleMessage(msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace sw
