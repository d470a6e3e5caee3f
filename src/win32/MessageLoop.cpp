#include "win32/MessageLoop.h"

namespace sw {

void DispatchWithDialogKeys(MSG& msg) {
    HWND top = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (top != nullptr && IsDialogMessageW(top, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool PumpWaiting() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        DispatchWithDialogKeys(msg);
    }
    return true;
}

std::optional<int> PumpWhile(const std::function<bool()>& keepGoing) {
    MSG msg;
    while (keepGoing()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got < 0) return std::nullopt;
        DispatchWithDialogKeys(msg);
    }
    return std::nullopt;
}

int RunMessageLoop() { return PumpWhile([] { return true; }).value_or(0); }

}  // namespace sw
