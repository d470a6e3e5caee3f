#include "win32/KeyRelay.h"

#include <commctrl.h>

#include <utility>

namespace sw {
namespace {

constexpr UINT_PTR kSubclassId = 1;

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
    if (control != nullptr && SetWindowSubclass(control, Procedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        control_ = control;
}

void KeyRelay::Detach() {
    if (control_ == nullptr) return;
    RemoveWindowSubclass(control_, Procedure, kSubclassId);
    control_ = nullptr;
}

LRESULT CALLBACK KeyRelay::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR selfPtr) {
    auto* self = reinterpret_cast<KeyRelay*>(selfPtr);
    switch (msg) {
        case WM_GETDLGCODE: {
            LRESULT code = DefSubclassProc(hwnd, msg, wParam, lParam);
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
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace sw
