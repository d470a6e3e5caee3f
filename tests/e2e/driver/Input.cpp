// Input as a user makes it: keys and mouse clicks.
//
// Two ways in, chosen per command with "via":
//   "input" (default) — SendInput: real keyboard and mouse events that go
//     through the system's input queue to the foreground window, with the
//     key state (Shift, Alt) that the program's IsDialogMessage looks at.
//   "post" — WM_KEYDOWN/WM_SYSKEYDOWN/WM_KEYUP posted to the focused control
//     (and mouse messages to the target), for when the program's window is
//     not in the foreground. The program's own TranslateMessage makes the
//     WM_CHAR/WM_SYSCHAR; Shift is not seen by GetKeyState this way.
//
// Every input command ends with a settle: the program has taken all the
// messages that the input produced before the command answers (see Settle).
#include <cstdlib>
#include <cwctype>
#include <vector>

#include "Driver.h"

namespace e2e {
namespace {

struct Key {
    bool shift = false, ctrl = false, alt = false;
    WORD vk = 0;
};

WORD NamedKey(const std::wstring& name) {
    static const struct {
        const wchar_t* name;
        WORD vk;
    } names[] = {
        {L"tab", VK_TAB},        {L"esc", VK_ESCAPE},     {L"escape", VK_ESCAPE}, {L"enter", VK_RETURN},
        {L"return", VK_RETURN},  {L"space", VK_SPACE},    {L"up", VK_UP},         {L"down", VK_DOWN},
        {L"left", VK_LEFT},      {L"right", VK_RIGHT},    {L"pageup", VK_PRIOR},  {L"pgup", VK_PRIOR},
        {L"pagedown", VK_NEXT},  {L"pgdn", VK_NEXT},      {L"home", VK_HOME},     {L"end", VK_END},
        {L"backspace", VK_BACK}, {L"delete", VK_DELETE},  {L"del", VK_DELETE},    {L"insert", VK_INSERT},
        {L"f1", VK_F1},          {L"f2", VK_F2},          {L"f3", VK_F3},         {L"f4", VK_F4},
        {L"f5", VK_F5},          {L"f10", VK_F10},
    };
    for (const auto& n : names)
        if (name == n.name) return n.vk;
    return 0;
}

std::wstring Lower(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

// "Tab", "Shift+Tab", "Alt+E", "Ctrl+Home", "a", "Down", "vk:0x41".
Key ParseKey(const std::wstring& keys) {
    Key key;
    std::wstring rest = keys;
    for (;;) {
        const auto plus = rest.find(L'+');
        if (plus == std::wstring::npos || plus == 0 || plus + 1 >= rest.size()) break;
        const std::wstring mod = Lower(rest.substr(0, plus));
        if (mod == L"shift") key.shift = true;
        else if (mod == L"ctrl" || mod == L"control") key.ctrl = true;
        else if (mod == L"alt") key.alt = true;
        else Fail(L"unknown modifier in " + keys);
        rest = rest.substr(plus + 1);
    }
    const std::wstring lower = Lower(rest);
    if (lower.rfind(L"vk:", 0) == 0) {
        key.vk = static_cast<WORD>(std::stoul(lower.substr(3), nullptr, 0));
    } else if (WORD vk = NamedKey(lower)) {
        key.vk = vk;
    } else if (rest.size() == 1) {
        const SHORT scan = VkKeyScanW(rest[0]);
        if (scan == -1) Fail(L"no key types " + rest);
        key.vk = LOBYTE(scan);
        if (HIBYTE(scan) & 1) key.shift = true;
    } else {
        Fail(L"unknown key " + keys);
    }
    return key;
}

bool Extended(WORD vk) {
    switch (vk) {
        case VK_UP: case VK_DOWN: case VK_LEFT: case VK_RIGHT: case VK_PRIOR: case VK_NEXT:
        case VK_HOME: case VK_END: case VK_INSERT: case VK_DELETE: return true;
        default: return false;
    }
}

INPUT KeyInput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (Extended(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    return in;
}

HWND ProgramTop() {
    HWND top = ProgramWindow();
    if (top == nullptr) Fail(L"the program has no window");
    return top;
}

DWORD ProgramThread() { return GetWindowThreadProcessId(ProgramTop(), nullptr); }

// The program has taken every message that the input before produced: each
// GetMessage of the program's thread answers pending sent messages before it
// hands out the next posted or input message, so once n sent WM_NULLs in a
// row came back, n queued messages ahead of them have been dispatched.
void Settle(int messages) {
    HWND top = ProgramWindow();
    if (top == nullptr) return;  // the program has ended
    for (int i = 0; i < messages + 2; ++i) {
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutW(top, WM_NULL, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &ignored)) {
            if (!IsWindow(top)) return;  // the program has closed the window
            Fail(L"the program does not answer");
        }
        Sleep(1);
    }
}

// The program's window must be in the foreground for SendInput to reach it.
void EnsureForeground() {
    HWND top = ProgramTop();
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(ProgramThread(), &info);
    HWND fg = GetForegroundWindow();
    DWORD fgPid = 0;
    if (fg) GetWindowThreadProcessId(fg, &fgPid);
    if (fg != nullptr && fgPid == Program().pid) return;
    SetForegroundWindow(info.hwndActive ? info.hwndActive : top);
    for (int i = 0; i < 50; ++i) {
        fg = GetForegroundWindow();
        fgPid = 0;
        if (fg) GetWindowThreadProcessId(fg, &fgPid);
        if (fg != nullptr && fgPid == Program().pid) return;
        Sleep(10);
    }
    Fail(L"the program's window is not in the foreground");
}

HWND FocusedControl() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(ProgramThread(), &info)) Fail(L"GetGUIThreadInfo failed");
    if (info.hwndFocus != nullptr) return info.hwndFocus;
    if (info.hwndActive != nullptr) return info.hwndActive;
    return ProgramTop();
}

void SendKeysByInput(const std::vector<Key>& keys) {
    EnsureForeground();
    for (const Key& k : keys) {
        std::vector<INPUT> in;
        if (k.ctrl) in.push_back(KeyInput(VK_CONTROL, false));
        if (k.alt) in.push_back(KeyInput(VK_MENU, false));
        if (k.shift) in.push_back(KeyInput(VK_SHIFT, false));
        in.push_back(KeyInput(k.vk, false));
        in.push_back(KeyInput(k.vk, true));
        if (k.shift) in.push_back(KeyInput(VK_SHIFT, true));
        if (k.alt) in.push_back(KeyInput(VK_MENU, true));
        if (k.ctrl) in.push_back(KeyInput(VK_CONTROL, true));
        if (SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)) != in.size())
            Fail(L"SendInput failed");
        // One key at a time: a key that moves the focus or opens a box
        // decides where the next one goes.
        Settle(static_cast<int>(in.size()) + 2);
    }
}

void PostKeys(const std::vector<Key>& keys) {
    for (const Key& k : keys) {
        HWND target = FocusedControl();
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(k.vk, MAPVK_VK_TO_VSC)) << 16;
        const LPARAM extended = Extended(k.vk) ? (1 << 24) : 0;
        const LPARAM context = k.alt ? (1 << 29) : 0;
        const UINT down = k.alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
        const UINT up = k.alt ? WM_SYSKEYUP : WM_KEYUP;
        PostMessageW(target, down, k.vk, 1 | scan | extended | context);
        PostMessageW(target, up, k.vk, static_cast<LPARAM>(1 | scan | extended | context | (1u << 30) | (1u << 31)));
        Settle(4);
    }
}

bool ViaPost(const Json& a) { return a.Get("via").String(L"input") == L"post"; }

POINT CenterOnScreen(HWND hwnd, const RECT& client) {
    POINT p{(client.left + client.right) / 2, (client.top + client.bottom) / 2};
    ClientToScreen(hwnd, &p);
    return p;
}

// Where and when the last mouse click went: two clicks at nearly the same
// spot within the double-click time would make a double click.
POINT g_lastClick{-10000, -10000};
DWORD g_lastClickTime = 0;

void AwaitDoubleClickTime(POINT p) {
    const DWORD since = GetTickCount() - g_lastClickTime;
    const DWORD limit = GetDoubleClickTime() + 50;
    if (std::abs(p.x - g_lastClick.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
        std::abs(p.y - g_lastClick.y) <= GetSystemMetrics(SM_CYDOUBLECLK) && since < limit)
        Sleep(limit - since);
}

INPUT MouseInput(POINT p, DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = static_cast<LONG>((p.x * 65536LL + w / 2) / w);
    in.mi.dy = static_cast<LONG>((p.y * 65536LL + h / 2) / h);
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return in;
}

void MouseClicks(HWND hwnd, const RECT& clientRect, int clicks) {
    EnsureForeground();
    const POINT p = CenterOnScreen(hwnd, clientRect);
    // What lies under the point is what the click hits; say so when that is
    // not the control meant.
    HWND hit = WindowFromPoint(p);
    if (hit != hwnd && GetAncestor(hit, GA_ROOT) != GetAncestor(hwnd, GA_ROOT))
        Fail(L"another window covers the control");
    AwaitDoubleClickTime(p);
    // Moving the pointer makes the X server report motion, which Wine turns
    // into mouse moves a little later; a late one arriving while the button
    // is down would drag a list's selection. So: move first, let those
    // reports come in, then press and release where the pointer already is.
    INPUT move = MouseInput(p, 0);
    if (SendInput(1, &move, sizeof(INPUT)) != 1) Fail(L"SendInput failed");
    Sleep(100);
    Settle(2);
    for (int i = 0; i < clicks; ++i) {
        INPUT in[2] = {MouseInput(p, MOUSEEVENTF_LEFTDOWN), MouseInput(p, MOUSEEVENTF_LEFTUP)};
        if (SendInput(2, in, sizeof(INPUT)) != 2) Fail(L"SendInput failed");
    }
    g_lastClick = p;
    g_lastClickTime = GetTickCount();
    Settle(4 * clicks);
}

void PostClicks(HWND hwnd, const RECT& clientRect, int clicks) {
    const LPARAM at = MAKELPARAM((clientRect.left + clientRect.right) / 2, (clientRect.top + clientRect.bottom) / 2);
    PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
    if (clicks == 2) {
        PostMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
    }
    Settle(4 * clicks);
}

// The rectangle of a list line in the list's client area, scrolled into
// view first when it lies outside it (as the user would scroll to it).
RECT ItemRect(HWND list, int index) {
    const LRESULT count = Send(list, LB_GETCOUNT, 0, 0);
    if (index < 0 || index >= count) Fail(L"no line " + std::to_wstring(index));
    RECT client{};
    GetClientRect(list, &client);
    RECT item{};
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (Send(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) == LB_ERR)
            Fail(L"LB_GETITEMRECT failed");
        if (item.top >= client.top && item.bottom <= client.bottom) return item;
        Send(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    }
    // A line taller than the list: click its visible part.
    item.bottom = item.top + 1 < client.bottom ? client.bottom : item.bottom;
    return item;
}

void RequireUsable(HWND hwnd, const Json& a) {
    if (a.Get("force").Bool(false)) return;
    if (!IsWindowVisible(hwnd)) Fail(L"the control is not visible");
    if (!IsWindowEnabled(hwnd)) Fail(L"the control is disabled");
}

}  // namespace

// {"cmd":"keys","keys":["Tab","Shift+Tab","Alt+E","Esc"],"via":"input"}
Json CmdKeys(const Json& a) {
    std::vector<Key> keys;
    const Json& list = a.Get("keys");
    if (list.kind() == Json::Kind::String) keys.push_back(ParseKey(list.String()));
    for (const Json& k : list.Items()) keys.push_back(ParseKey(k.String()));
    if (ViaPost(a)) PostKeys(keys);
    else SendKeysByInput(keys);
    Json r;
    r["sent"] = static_cast<unsigned long>(keys.size());
    return r;
}

// {"cmd":"click","window":"root","id":104}: clicks a button. By default a
// posted BM_CLICK (the driver never waits on what the click opens);
// "via":"input" clicks with the mouse at the button's centre. A hidden or
// disabled control is refused unless "force" is true.
Json CmdClick(const Json& a) {
    HWND hwnd = FindControl(a);
    RequireUsable(hwnd, a);
    const std::wstring via = a.Get("via").String(L"post");
    RECT client{};
    GetClientRect(hwnd, &client);
    if (via == L"input") MouseClicks(hwnd, client, 1);
    else if (via == L"mouse_post") PostClicks(hwnd, client, 1);
    else {
        PostMessageW(hwnd, BM_CLICK, 0, 0);
        // "settle": false returns at once, for a click whose handler may
        // keep the program from answering for a while.
        if (a.Get("settle").Bool(true)) Settle(3);
    }
    return Json::Object();
}

// {"cmd":"select","window":"root","id":100,"index":3,"via":"post"|"input"|"keys"}:
// selects a list line as a user does: a click on the line (by default the
// button messages posted to the list at the line, which never meet a moving
// pointer; "input" clicks with the real mouse), or arrow keys from the
// current selection.
Json CmdSelect(const Json& a) {
    HWND list = FindControl(a);
    RequireUsable(list, a);
    const int index = static_cast<int>(a.Get("index").Int());
    const std::wstring via = a.Get("via").String(L"post");
    if (via == L"keys") {
        const LRESULT count = Send(list, LB_GETCOUNT, 0, 0);
        if (index < 0 || index >= count) Fail(L"no line " + std::to_wstring(index));
        LRESULT current = Send(list, LB_GETCURSEL, 0, 0);
        std::vector<Key> keys;
        if (current < 0) {
            keys.push_back(ParseKey(L"Home"));
            current = 0;
        }
        const wchar_t* step = index > current ? L"Down" : L"Up";
        for (LRESULT i = current; i != index; i += index > current ? 1 : -1) keys.push_back(ParseKey(step));
        SendKeysByInput(keys);
    } else {
        const RECT item = ItemRect(list, index);
        if (via == L"post") PostClicks(list, item, 1);
        else MouseClicks(list, item, 1);
        Json r;
        r["selected"] = static_cast<long long>(Send(list, LB_GETCURSEL, 0, 0));
        r["item_top"] = item.top;
        r["item_bottom"] = item.bottom;
        POINT cursor{};
        GetCursorPos(&cursor);
        ScreenToClient(list, &cursor);
        r["cursor_x"] = cursor.x;
        r["cursor_y"] = cursor.y;
        return r;
    }
    Json r;
    r["selected"] = static_cast<long long>(Send(list, LB_GETCURSEL, 0, 0));
    return r;
}

// {"cmd":"dblclick","window":"root","id":100,"index":3}: double-clicks a
// line; without "index", the middle of the control (a label, say).
Json CmdDoubleClick(const Json& a) {
    HWND list = FindControl(a);
    RequireUsable(list, a);
    RECT item{};
    if (a.Has("index")) item = ItemRect(list, static_cast<int>(a.Get("index").Int()));
    else GetClientRect(list, &item);
    if (a.Get("via").String(L"post") == L"post") PostClicks(list, item, 2);
    else MouseClicks(list, item, 2);
    return Json::Object();
}

// {"cmd":"sync"}: waits until the program has taken its pending messages.
Json CmdSync(const Json& a) {
    Settle(static_cast<int>(a.Get("messages").Int(4)));
    return Json::Object();
}

}  // namespace e2e
