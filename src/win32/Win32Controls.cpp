#include "win32/Win32Controls.h"

#include <optional>

#include "win32/WideText.h"

namespace sw {

HWND CreateChild(HWND parent, const ControlTemplate& shape, const Twips& twips, HFONT font) {
    HWND hwnd = CreateWindowExW(shape.exStyle, shape.className, Wide(shape.caption).c_str(), shape.style | WS_CHILD,
                                twips.ToPx(shape.left), twips.ToPx(shape.top), twips.ToPx(shape.width),
                                twips.ToPx(shape.height), parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(shape.id)), GetModuleHandleW(nullptr),
                                nullptr);
    if (hwnd != nullptr && font != nullptr) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return hwnd;
}

FontOwner MakeTahoma(int dpi, int hundredthsOfPoint, int weight) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(hundredthsOfPoint, dpi, 7200);
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpyW(font.lfFaceName, L"Tahoma");
    return FontOwner(CreateFontIndirectW(&font));
}

int AverageCharWidth(HWND control) {
    WindowDc dc(control);
    SelectedObject font(dc.Get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    static const wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    GetTextExtentPoint32W(dc.Get(), kAlphabet, 52, &size);
    return (size.cx / 26 + 1) / 2;
}

Twips ScreenTwips() {
    WindowDc screen(nullptr);
    return Twips{GetDeviceCaps(screen.Get(), LOGPIXELSX)};
}

std::string WindowText(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
    return Utf8(text);
}

void Win32ListBox::Add(const std::wstring& line, const std::string& key) {
    const LRESULT at = SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    if (at == LB_ERR || at == LB_ERRSPACE) return;
    keys_.push_back(key);
    SendMessageW(hwnd_, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(keys_.size() - 1));
}

void Win32ListBox::AddItem(const std::string& line, const std::string& key) {
    Add(Wide(line), key);
    KeepSeenInStep();
}

namespace {

// The places that a sorted list box's insertion one by one gives lines, in
// the order they are added: each line goes where a binary search of those
// before it finds it, compared as the control compares (CompareStringW in
// its locale, ignoring case), here through each line's sort key, which
// orders as that comparison does and is made once per line instead of once
// per comparison. Nothing when two lines compare equal (then only the
// control's own search knows where the later one goes) or a key cannot be
// made.
std::optional<std::vector<std::size_t>> SortedInsertionOrder(const std::vector<std::wstring>& lines, LCID locale) {
    std::vector<std::string> keys(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
        const int n = LCMapStringW(locale, flags, lines[i].c_str(), -1, nullptr, 0);
        if (n <= 0) return std::nullopt;
        keys[i].resize(static_cast<std::size_t>(n));
        if (LCMapStringW(locale, flags, lines[i].c_str(), -1, reinterpret_cast<LPWSTR>(keys[i].data()), n) != n)
            return std::nullopt;
    }
    std::vector<std::size_t> order;
    order.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::size_t low = 0;
        std::size_t high = order.size();
        while (low != high) {
            const std::size_t middle = (low + high) / 2;
            const int sign = keys[order[middle]].compare(keys[i]);
            if (sign == 0) return std::nullopt;
            if (sign > 0) high = middle;
            else low = middle + 1;
        }
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(high), i);
    }
    return order;
}

}  // namespace

void Win32ListBox::AddItems(const std::vector<ListItem>& items) {
    if (items.empty()) return;
    // The same sorted insertion as one by one, without a redraw per line.
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    std::vector<std::wstring> lines;
    lines.reserve(items.size());
    std::size_t bytes = 0;
    for (const auto& item : items) {
        lines.push_back(Wide(item.line));
        bytes += (lines.back().size() + 1) * sizeof(wchar_t);
    }
    SendMessageW(hwnd_, LB_INITSTORAGE, items.size(), bytes);
    keys_.reserve(keys_.size() + items.size());
    // Into an empty sorted list the lines go in their final order at its
    // end: the control's own search would compare each line a dozen times
    // over, which is most of a long list's build.
    const bool sorted = (GetWindowLongW(hwnd_, GWL_STYLE) & LBS_SORT) != 0;
    std::optional<std::vector<std::size_t>> order;
    if (sorted && ListCount() == 0)
        order = SortedInsertionOrder(lines, static_cast<LCID>(SendMessageW(hwnd_, LB_GETLOCALE, 0, 0)));
    if (order) {
        for (const std::size_t i : *order) {
            const LRESULT at = SendMessageW(hwnd_, LB_INSERTSTRING, static_cast<WPARAM>(-1),
                                            reinterpret_cast<LPARAM>(lines[i].c_str()));
            if (at == LB_ERR || at == LB_ERRSPACE) continue;
            keys_.push_back(items[i].key);
            SendMessageW(hwnd_, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(keys_.size() - 1));
        }
    } else {
        for (std::size_t i = 0; i < items.size(); ++i) Add(lines[i], items[i].key);
    }
    KeepSeenInStep();
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32ListBox::RemoveItem(int index) {
    SendMessageW(hwnd_, LB_DELETESTRING, index, 0);
    KeepSeenInStep();
}

void Win32ListBox::Clear() {
    SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
    keys_.clear();
    KeepSeenInStep();
}

int Win32ListBox::ListCount() const {
    const LRESULT n = SendMessageW(hwnd_, LB_GETCOUNT, 0, 0);
    return n == LB_ERR ? 0 : static_cast<int>(n);
}

int Win32ListBox::ListIndex() const {
    const LRESULT i = SendMessageW(hwnd_, LB_GETCURSEL, 0, 0);
    return i == LB_ERR ? -1 : static_cast<int>(i);
}

void Win32ListBox::SetListIndex(int index) {
    SendMessageW(hwnd_, LB_SETCURSEL, index, 0);
    KeepSeenInStep();
    if (onClick) onClick();
}

void Win32ListBox::SelectionReported() {
    if (ListIndex() == seen_) return;
    KeepSeenInStep();
    if (onClick) onClick();
}

std::string Win32ListBox::List(int index) const {
    const LRESULT n = SendMessageW(hwnd_, LB_GETTEXTLEN, index, 0);
    if (n == LB_ERR) return {};
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    const LRESULT got = SendMessageW(hwnd_, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    if (got == LB_ERR) return {};
    text.resize(static_cast<std::size_t>(got));
    return Utf8(text);
}

std::string Win32ListBox::Key(int index) const {
    if (index < 0) return {};
    const LRESULT at = SendMessageW(hwnd_, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    if (at == LB_ERR || at < 0 || static_cast<std::size_t>(at) >= keys_.size()) return {};
    return keys_[static_cast<std::size_t>(at)];
}

std::string Win32ListBox::Text() const {
    const int index = ListIndex();
    return index < 0 ? std::string() : List(index);
}

void Win32ListBox::SetTabStops(int first, int second) {
    INT stops[2] = {first, second};
    SendMessageW(hwnd_, LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(stops));
}

void Win32ListBox::Refresh() {
    InvalidateRect(hwnd_, nullptr, TRUE);
    UpdateWindow(hwnd_);
}

std::string Win32Label::Caption() const { return WindowText(hwnd_); }

void Win32Label::SetCaption(const std::string& caption) {
    SetWindowTextW(hwnd_, Wide(caption).c_str());
    if (autoSize) FitToText();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

namespace {
RECT ParentRect(HWND hwnd) {
    RECT rect;
    GetWindowRect(hwnd, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}
}  // namespace

int Win32Label::Left() const { return twips.ToTwips(ParentRect(hwnd_).left); }

void Win32Label::SetLeft(int twipsLeft) {
    const RECT rect = ParentRect(hwnd_);
    const int left = leftInPixels ? leftInPixels(twipsLeft) : twips.ToPx(twipsLeft);
    SetWindowPos(hwnd_, nullptr, left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The label moves over a painted bar: let the parent repaint behind it.
    InvalidateRect(GetParent(hwnd_), nullptr, TRUE);
}

void Win32Label::FitToText() {
    const std::wstring text = Wide(Caption());
    RECT measured{0, 0, 0, 0};
    {
        WindowDc dc(hwnd_);
        SelectedObject font(dc.Get(), reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
        DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &measured,
                  DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    }
    const RECT rect = ParentRect(hwnd_);
    const int width = measured.right - measured.left;
    const int height = measured.bottom - measured.top;
    const int left = rightAligned ? rect.right - width : rect.left;
    SetWindowPos(hwnd_, nullptr, left, rect.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(GetParent(hwnd_), &rect, TRUE);
}

int Win32CheckBox::Value() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0; }

void Win32CheckBox::SetValue(int value) {
    if (value == Value()) return;
    SendMessageW(hwnd_, BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
    if (onClick) onClick();
}

}  // namespace sw
