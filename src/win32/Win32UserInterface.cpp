#include "win32/Win32Platform.h"

#include <windows.h>
#include <commctrl.h>

#include "win32/MessageLoop.h"
#include "win32/WideText.h"

namespace sw {

int Win32MessageBoxes::Show(const std::string& text, const std::string& title, int flags) {
    HWND owner = GetActiveWindow();
    UINT style = static_cast<UINT>(flags);
    if (owner == nullptr) style |= MB_TASKMODAL;
    const int answer = MessageBoxW(owner, Wide(text).c_str(), Wide(title).c_str(), style);
    if (answer == IDYES) return kAnswerYes;
    if (answer == IDNO) return kAnswerNo;
    return answer == IDCANCEL ? kAnswerCancel : kAnswerOk;
}

namespace {
int g_pointer = kPointerDefault;
}

void Win32UserInterface::InitCommonControls() { ::InitCommonControls(); }

bool Win32UserInterface::ApplyPointer() {
    LPCWSTR shape = nullptr;
    if (g_pointer == kPointerHourglass) shape = IDC_WAIT;
    else if (g_pointer == kPointerArrowHourglass) shape = IDC_APPSTARTING;
    if (shape == nullptr) return false;
    SetCursor(LoadCursorW(nullptr, shape));
    return true;
}

void Win32UserInterface::SetPointer(int pointer) {
    g_pointer = pointer;
    if (!ApplyPointer()) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

void Win32UserInterface::DoEvents() { PumpWaiting(); }

void Win32UserInterface::Idle(double maxSeconds) {
    const DWORD ms = maxSeconds <= 0 ? 0 : static_cast<DWORD>(maxSeconds * 1000.0);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    DoEvents();
}

}  // namespace sw
