#include "win32/KeyRelay.h"

#include <utility>

namespace sw {
namespace {

bool IsEnterDown(LPARAM pending) {
    const MSG* msg = reinterpret_cast<const MSG*>(pending);
    return msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN;
}

}  // namespace

KeyRelay::~KeyRelay() { Detach(); }

void KeyRelay::Attach(HWND control, Handler handler, DialogKeys dialogKeys) {
    Detach();
    handler_ = std::move(handler);
    dialogKeys_ = dialogKeys;
    if (control == nullptr) return;
    // The control's own procedure slot and user data, not the common
    // controls' subclass chain: that finds its data through a window
    // property on every message, which under Wine is a round trip to the
    // server, and the entry list gets thousands of messages per build.
    SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&KeyRelay::Procedure)));
    if (previous_ == nullptr) {
        SetWindowLongPtrW(control, GWLP_USERDATA, 0);
        return;
    }
    control_ = control;
}

void KeyRelay::Detach() {
    if (control_ == nullptr) return;
    // Put back only where nobody took the slot since; otherwise the
    // procedure stays and, without its relay, hands every message on.
    if (GetWindowLongPtrW(control_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&KeyRelay::Procedure))
        SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    SetWindowLongPtrW(control_, GWLP_USERDATA, 0);
    control_ = nullptr;
}

LRESULT CALLBACK KeyRelay::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<KeyRelay*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    // Left in place by a relay that could not take itself out: the class's
    // own procedure, which the relay had taken the slot from.
    if (self == nullptr)
        return CallWindowProcW(reinterpret_cast<WNDPROC>(GetClassLongPtrW(hwnd, GCLP_WNDPROC)), hwnd, msg, wParam,
                               lParam);
    const WNDPROC previous = self->previous_;
    switch (msg) {
        case WM_GETDLGCODE: {
            LRESULT code = CallWindowProcW(previous, hwnd, msg, wParam, lParam);
            if (self->dialogKeys_ == DialogKeys::ToDialog) code &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
            if (IsEnterDown(lParam)) code |= DLGC_WANTMESSAGE;
            return code;
        }
        case WM_CHAR:
            if (self->handler_) {
                auto key = static_cast<std::int16_t>(wParam);
                self->handler_(key);
                if (key == 0) return 0;
                wParam = static_cast<WPARAM>(static_cast<std::uint16_t>(key));
            }
            break;
        case WM_NCDESTROY:
            self->Detach();
            break;
        default: break;
    }
    return CallWindowProcW(previous, hwnd, msg, wParam, lParam);
}

}  // namespace sw
