#include "win32/Win32EditControls.h"

#include "win32/WideText.h"

namespace sw {

std::string Win32TextBox::Text() const { return WindowText(hwnd_); }

void Win32TextBox::SetText(const std::string& text) { SetWindowTextW(hwnd_, Wide(text).c_str()); }

void Win32TextBox::PlaceCaretAtEnd() {
    const int length = GetWindowTextLengthW(hwnd_);
    SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(length), static_cast<LPARAM>(length));
    SendMessageW(hwnd_, EM_SCROLLCARET, 0, 0);
}

void Win32TextBox::SetHeight(int twipsHeight) {
    RECT rect;
    GetWindowRect(hwnd_, &rect);
    SetWindowPos(hwnd_, nullptr, 0, 0, rect.right - rect.left, twips.ToPx(twipsHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // What the box uncovers when it shrinks belongs to the parent.
    InvalidateRect(GetParent(hwnd_), nullptr, TRUE);
}

int Win32ComboBox::ListIndex() const {
    const LRESULT index = SendMessageW(hwnd_, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void Win32ComboBox::SetListIndex(int index) { SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

void Win32ComboBox::AddItem(const std::string& item) {
    SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
}

void Win32PictureBox::SetVisible(bool visible) {
    // A field that goes out of sight hands its focus on to the next control.
    HWND focus = GetFocus();
    for (HWND field : held_)
        if (!visible && field == focus) ::SetFocus(GetNextDlgTabItem(GetParent(field), field, FALSE));
    Win32Control<PictureBox>::SetVisible(visible);
    for (HWND field : held_) ShowWindow(field, visible ? SW_SHOWNA : SW_HIDE);
}

}  // namespace sw
