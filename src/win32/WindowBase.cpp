#include "win32/WindowBase.h"

#include <algorithm>
#include <utility>

#include "win32/WideText.h"

namespace sw {

WindowBase::~WindowBase() {
    if (hwnd_ == nullptr) return;
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(std::exchange(hwnd_, nullptr));
}

void WindowBase::Destroy() {
    // WM_NCDESTROY clears hwnd_.
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool WindowBase::CreateFrame(const WindowTemplate& shape, Placement placement) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &WindowBase::Procedure;
    wc.hInstance = instance;
    if (shape.programIcon) {
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
        wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    }
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = shape.className;
    RegisterClassExW(&wc);

    RECT frame{0, 0, shape.clientWidth, shape.clientHeight};
    AdjustWindowRectEx(&frame, shape.style, FALSE, shape.exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    int x = 0;
    int y = 0;
    if (placement == Placement::ScreenCentre) {
        x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    } else if (placement == Placement::WorkAreaCentre) {
        RECT work{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        x = work.left + std::max<int>(0, ((work.right - work.left) - width) / 2);
        y = work.top + std::max<int>(0, ((work.bottom - work.top) - height) / 2);
    }
    CreateWindowExW(shape.exStyle, shape.className, Wide(shape.title).c_str(), shape.style, x, y, width, height,
                    shape.owner, nullptr, instance, this);
    return hwnd_ != nullptr;
}

void WindowBase::KeepFocusOnDeactivate(WPARAM activateWParam) {
    if (LOWORD(activateWParam) != WA_INACTIVE) return;
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(hwnd_, focus)) keptFocus_ = focus;
}

void WindowBase::LimitTrackSize(LPARAM minMaxInfo, int clientWidth, int clientHeight, DWORD style, DWORD exStyle) {
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    reinterpret_cast<MINMAXINFO*>(minMaxInfo)->ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
}

LRESULT CALLBACK WindowBase::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WindowBase* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    // Before WM_NCCREATE (WM_GETMINMAXINFO comes first) and after the
    // object let go, the window is the default procedure's alone.
    if (self == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
    const LRESULT result = self->HandleMessage(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->keptFocus_ = nullptr;
    }
    return result;
}

}  // namespace sw
