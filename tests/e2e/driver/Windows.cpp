// Reading the program's windows: finding top-level windows and controls,
// list boxes, texts, states, geometry, focus and message boxes.
#include <vector>

#include "Driver.h"
#include "win32/ControlIds.h"

namespace e2e {

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

std::wstring TextOf(HWND hwnd) {
    // GetWindowText of another process's window reads the text that the
    // system keeps for it, without asking the (maybe busy) program.
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(n) + 2, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), n + 2);
    text.resize(got < 0 ? 0 : static_cast<size_t>(got));
    return text;
}

LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        Fail(L"the program did not answer message " + std::to_wstring(msg));
    return static_cast<LRESULT>(result);
}

RECT RectInTopClient(HWND hwnd) {
    RECT rect;
    GetWindowRect(hwnd, &rect);
    HWND top = GetAncestor(hwnd, GA_ROOT);
    MapWindowPoints(HWND_DESKTOP, top, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

namespace {

std::wstring ClassFor(const std::wstring& window) {
    if (window.empty() || window == L"root") return SW_ROOT_CLASS;
    if (window == L"settings") return SW_SETTINGS_CLASS;
    if (window == L"msgbox") return L"#32770";
    return window;
}

struct Search {
    std::wstring className;
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (search->pid != 0 && pid != search->pid) return TRUE;
    if (lstrcmpiW(ClassOf(hwnd).c_str(), search->className.c_str()) == 0) search->found.push_back(hwnd);
    return TRUE;
}

// Top-level windows of a class, of the program's process once it is known.
std::vector<HWND> TopWindows(const std::wstring& className) {
    Search search{className, Program().pid, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RECT ClientRectOf(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return r;
}

Json RectJson(const RECT& r) {
    Json j;
    j["left"] = r.left;
    j["top"] = r.top;
    j["right"] = r.right;
    j["bottom"] = r.bottom;
    return j;
}

// The text an edit or combo box holds now: they keep it themselves, so it
// takes WM_GETTEXT (the system's copy is the text they were created with).
std::wstring LiveText(HWND hwnd) {
    const LRESULT n = Send(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(n < 0 ? 0 : n) + 1, L'\0');
    const LRESULT got = Send(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got < 0 ? 0 : static_cast<size_t>(got));
    return text;
}

Json Describe(HWND hwnd) {
    Json r;
    const std::wstring cls = ClassOf(hwnd);
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    r["hwnd"] = static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(hwnd));
    r["id"] = GetDlgCtrlID(hwnd);
    r["class"] = cls;
    const bool keepsOwnText = lstrcmpiW(cls.c_str(), L"Edit") == 0 || lstrcmpiW(cls.c_str(), L"ComboBox") == 0;
    r["text"] = keepsOwnText ? LiveText(hwnd) : TextOf(hwnd);
    r["visible"] = (style & WS_VISIBLE) != 0;        // its own flag
    r["shown"] = IsWindowVisible(hwnd) != FALSE;    // and its parents'
    r["enabled"] = IsWindowEnabled(hwnd) != FALSE;
    r["style"] = static_cast<unsigned long>(style);
    r["rect"] = RectJson(RectInTopClient(hwnd));
    r["client"] = RectJson(ClientRectOf(hwnd));
    if (lstrcmpiW(cls.c_str(), L"Button") == 0) {
        const LONG kind = style & BS_TYPEMASK;
        if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON ||
            kind == BS_3STATE || kind == BS_AUTO3STATE)
            r["checked"] = static_cast<int>(Send(hwnd, BM_GETCHECK, 0, 0));
    }
    return r;
}

Json ListLines(HWND list, bool combo) {
    const UINT getCount = combo ? CB_GETCOUNT : LB_GETCOUNT;
    const UINT getLen = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
    const UINT getText = combo ? CB_GETLBTEXT : LB_GETTEXT;
    const LRESULT count = Send(list, getCount, 0, 0);
    Json lines = Json::Array();
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT n = Send(list, getLen, static_cast<WPARAM>(i), 0);
        if (n < 0) Fail(L"cannot read line " + std::to_wstring(i));
        std::wstring text(static_cast<size_t>(n) + 1, L'\0');
        const LRESULT got = Send(list, getText, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(got < 0 ? 0 : static_cast<size_t>(got));
        lines.Push(Json(text));
    }
    return lines;
}

}  // namespace

HWND FindTop(const Json& a, bool required) {
    const std::wstring cls = ClassFor(a.Get("window").String(L""));
    const auto windows = TopWindows(cls);
    // A visible window first: a message box of the program, say, over a
    // hidden one.
    for (HWND hwnd : windows)
        if (IsWindowVisible(hwnd)) return hwnd;
    if (!windows.empty()) return windows.front();
    if (required) Fail(L"no window of class " + cls);
    return nullptr;
}

HWND ProgramWindow() {
    Json a;
    if (HWND root = FindTop(a, false)) return root;
    // Another program, or the main window not there yet: any shown window
    // of the program's process.
    Search search{L"", Program().pid, {}};
    struct Local {
        static BOOL CALLBACK Shown(HWND hwnd, LPARAM lParam) {
            auto* s = reinterpret_cast<Search*>(lParam);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid == s->pid && IsWindowVisible(hwnd)) s->found.push_back(hwnd);
            return TRUE;
        }
    };
    if (Program().pid != 0) EnumWindows(Local::Shown, reinterpret_cast<LPARAM>(&search));
    return search.found.empty() ? nullptr : search.found.front();
}

HWND FindControl(const Json& a) {
    HWND top = FindTop(a);
    if (!a.Has("id")) return top;
    const int id = static_cast<int>(a.Get("id").Int());
    HWND control = GetDlgItem(top, id);
    if (control == nullptr) Fail(L"no control " + std::to_wstring(id));
    return control;
}

// {"cmd":"wait_window","window":"root","timeout":10000,"visible":true}
Json CmdWaitWindow(const Json& a) {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(a.Get("timeout").Int(10000));
    const bool mustBeVisible = a.Get("visible").Bool(true);
    for (;;) {
        HWND top = FindTop(a, false);
        if (top != nullptr && (!mustBeVisible || IsWindowVisible(top))) {
            DWORD pid = 0;
            const DWORD tid = GetWindowThreadProcessId(top, &pid);
            if (Program().pid == 0) {
                HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
                Program().pid = pid;
                Program().process = process;
            }
            Json r = Describe(top);
            r["pid"] = static_cast<unsigned long>(pid);
            r["tid"] = static_cast<unsigned long>(tid);
            WINDOWINFO info{};
            info.cbSize = sizeof info;
            GetWindowInfo(top, &info);
            r["window_rect"] = RectJson(info.rcWindow);
            r["client_rect_screen"] = RectJson(info.rcClient);
            return r;
        }
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0) {
            Json r;
            r["ok"] = false;
            r["error"] = L"timeout";
            r["timeout"] = true;
            return r;
        }
        Sleep(5);
    }
}

// {"cmd":"windows"}: every top-level window of the program.
Json CmdWindows(const Json&) {
    Search search{L"", Program().pid, {}};
    struct Local {
        static BOOL CALLBACK All(HWND hwnd, LPARAM lParam) {
            auto* s = reinterpret_cast<Search*>(lParam);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (s->pid == 0 || pid == s->pid) s->found.push_back(hwnd);
            return TRUE;
        }
    };
    EnumWindows(Local::All, reinterpret_cast<LPARAM>(&search));
    Json list = Json::Array();
    for (HWND hwnd : search.found) list.Push(Describe(hwnd));
    Json r;
    r["windows"] = list;
    return r;
}

// {"cmd":"control","window":"root","id":108}: text, visibility, enabled
// state, rectangle in the top-level window's client area, screen DPI.
Json CmdControl(const Json& a) {
    HWND hwnd = FindControl(a);
    Json r = Describe(hwnd);
    HDC dc = GetDC(nullptr);
    r["dpi"] = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return r;
}

// {"cmd":"children","window":"settings"}: every child control with its
// state; list boxes and combo boxes with their lines and selection, edits
// with their selection.
Json CmdChildren(const Json& a) {
    HWND top = FindTop(a);
    std::vector<HWND> children;
    struct Local {
        static BOOL CALLBACK Add(HWND hwnd, LPARAM lParam) {
            reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
            return TRUE;
        }
    };
    EnumChildWindows(top, Local::Add, reinterpret_cast<LPARAM>(&children));
    Json list = Json::Array();
    for (HWND child : children) {
        if (GetParent(child) != top) continue;  // a combo box's own edit and list
        Json c = Describe(child);
        const std::wstring cls = ClassOf(child);
        if (lstrcmpiW(cls.c_str(), L"ListBox") == 0) {
            c["lines"] = ListLines(child, false);
            c["selected"] = static_cast<long long>(Send(child, LB_GETCURSEL, 0, 0));
        } else if (lstrcmpiW(cls.c_str(), L"ComboBox") == 0) {
            c["lines"] = ListLines(child, true);
            c["selected"] = static_cast<long long>(Send(child, CB_GETCURSEL, 0, 0));
            c["dropped"] = Send(child, CB_GETDROPPEDSTATE, 0, 0) != 0;
        } else if (lstrcmpiW(cls.c_str(), L"Edit") == 0) {
            // An edit keeps its text itself: ask it, the system's copy is
            // only the text it was made with.
            const LRESULT length = Send(child, WM_GETTEXTLENGTH, 0, 0);
            std::wstring text(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
            const LRESULT got = Send(child, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
            text.resize(got < 0 ? 0 : static_cast<size_t>(got));
            c["text"] = text;
            DWORD start = 0, end = 0;
            // EM_GETSEL answers in its result as well as through pointers.
            const LRESULT sel = Send(child, EM_GETSEL, 0, 0);
            start = LOWORD(sel);
            end = HIWORD(sel);
            c["sel_start"] = static_cast<unsigned long>(start);
            c["sel_end"] = static_cast<unsigned long>(end);
            c["readonly"] = (GetWindowLongW(child, GWL_STYLE) & ES_READONLY) != 0;
            c["limit"] = static_cast<long long>(Send(child, EM_GETLIMITTEXT, 0, 0));
        }
        list.Push(c);
    }
    Json r = Describe(top);
    r["children"] = list;
    return r;
}

// {"cmd":"list","window":"root","id":100}: lines, count, selected index,
// top index; "lines": false leaves the lines out.
Json CmdList(const Json& a) {
    HWND list = FindControl(a);
    const bool combo = lstrcmpiW(ClassOf(list).c_str(), L"ComboBox") == 0;
    Json r;
    r["count"] = static_cast<long long>(Send(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
    r["selected"] = static_cast<long long>(Send(list, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0));
    if (!combo) r["top"] = static_cast<long long>(Send(list, LB_GETTOPINDEX, 0, 0));
    if (a.Get("lines").Bool(true)) r["lines"] = ListLines(list, combo);
    r["enabled"] = IsWindowEnabled(list) != FALSE;
    r["visible"] = (GetWindowLongW(list, GWL_STYLE) & WS_VISIBLE) != 0;
    return r;
}

// {"cmd":"wait_selected","window":"root","id":100,"timeout":10000}: waits
// until the list has a selected line; polls often, for timing start-up.
Json CmdWaitSelected(const Json& a) {
    const DWORD start = GetTickCount();
    const DWORD timeout = static_cast<DWORD>(a.Get("timeout").Int(10000));
    for (;;) {
        HWND top = FindTop(a, false);
        HWND list = top ? GetDlgItem(top, static_cast<int>(a.Get("id").Int(IDC_ROOT_LOBJEKTE))) : nullptr;
        if (list != nullptr) {
            DWORD_PTR sel = static_cast<DWORD_PTR>(LB_ERR);
            if (SendMessageTimeoutW(list, LB_GETCURSEL, 0, 0, SMTO_NORMAL, 2000, &sel) &&
                static_cast<LRESULT>(sel) >= 0) {
                Json r;
                r["selected"] = static_cast<long long>(static_cast<LRESULT>(sel));
                r["waited_ms"] = static_cast<unsigned long>(GetTickCount() - start);
                return r;
            }
        }
        if (GetTickCount() - start >= timeout) {
            Json r;
            r["ok"] = false;
            r["timeout"] = true;
            r["error"] = L"timeout";
            return r;
        }
        Sleep(2);
    }
}

// {"cmd":"focus"}: the control with the keyboard focus in the program's
// GUI thread (that of its main window unless "window" says otherwise).
Json CmdFocus(const Json& a) {
    HWND top = FindTop(a);
    const DWORD tid = GetWindowThreadProcessId(top, nullptr);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(tid, &info)) Fail(L"GetGUIThreadInfo failed");
    Json r;
    r["has_focus"] = info.hwndFocus != nullptr;
    if (info.hwndFocus != nullptr) {
        r["focus"] = Describe(info.hwndFocus);
        HWND focusTop = GetAncestor(info.hwndFocus, GA_ROOT);
        r["focus_top_class"] = ClassOf(focusTop);
        r["focus_top_text"] = TextOf(focusTop);
    }
    if (info.hwndActive != nullptr) {
        r["active_class"] = ClassOf(info.hwndActive);
        r["active_text"] = TextOf(info.hwndActive);
    }
    r["capture"] = info.hwndCapture != nullptr;
    r["in_menu"] = (info.flags & GUI_INMENUMODE) != 0;
    r["in_move_size"] = (info.flags & GUI_INMOVESIZE) != 0;
    return r;
}

namespace {

// The program's visible message box (dialog class #32770), or null.
HWND FindMessageBox() {
    for (HWND hwnd : TopWindows(L"#32770"))
        if (IsWindowVisible(hwnd)) return hwnd;
    return nullptr;
}

}  // namespace

// {"cmd":"msgbox","timeout":5000}: waits for a message box of the program
// and reads its title, text and buttons. {"present": false} when none came.
Json CmdMessageBox(const Json& a) {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(a.Get("timeout").Int(5000));
    HWND box = nullptr;
    for (;;) {
        box = FindMessageBox();
        if (box != nullptr || static_cast<LONG>(GetTickCount() - deadline) >= 0) break;
        Sleep(20);
    }
    Json r;
    r["present"] = box != nullptr;
    if (box == nullptr) return r;
    r["title"] = TextOf(box);
    DWORD pid = 0;
    GetWindowThreadProcessId(box, &pid);
    r["pid"] = static_cast<unsigned long>(pid);
    std::vector<HWND> children;
    struct Local {
        static BOOL CALLBACK Add(HWND hwnd, LPARAM lParam) {
            reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
            return TRUE;
        }
    };
    EnumChildWindows(box, Local::Add, reinterpret_cast<LPARAM>(&children));
    Json buttons = Json::Array();
    std::wstring text;
    bool icon = false;
    for (HWND child : children) {
        const std::wstring cls = ClassOf(child);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (lstrcmpiW(cls.c_str(), L"Button") == 0) {
            if (!(style & WS_VISIBLE)) continue;
            Json b;
            b["id"] = GetDlgCtrlID(child);
            b["text"] = TextOf(child);
            buttons.Push(b);
        } else if (lstrcmpiW(cls.c_str(), L"Static") == 0) {
            if ((style & SS_TYPEMASK) == SS_ICON) {
                icon = true;
                continue;
            }
            if (!text.empty()) text += L"\n";
            text += TextOf(child);
        }
    }
    r["text"] = text;
    r["buttons"] = buttons;
    r["has_icon"] = icon;
    r["hwnd"] = static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(box));
    return r;
}

// {"cmd":"answer","button":"ok"|"cancel"|id}: presses a button of the
// program's message box, posted so that the driver never waits on it.
Json CmdAnswer(const Json& a) {
    HWND box = FindMessageBox();
    if (box == nullptr) Fail(L"no message box");
    int id = IDOK;
    const Json& which = a.Get("button");
    if (which.kind() == Json::Kind::Number) id = static_cast<int>(which.Int());
    else if (which.String(L"ok") == L"cancel") id = IDCANCEL;
    else if (which.String(L"ok") == L"yes") id = IDYES;
    else if (which.String(L"ok") == L"no") id = IDNO;
    HWND button = GetDlgItem(box, id);
    if (button == nullptr) Fail(L"the message box has no button " + std::to_wstring(id));
    PostMessageW(button, BM_CLICK, 0, 0);
    Json r;
    r["id"] = id;
    return r;
}

// {"cmd":"close"}: posts WM_CLOSE to the top-level window, as its close
// button does.
Json CmdClose(const Json& a) {
    HWND top = FindTop(a);
    PostMessageW(top, WM_CLOSE, 0, 0);
    return Json::Object();
}

// {"cmd":"sort_lines","lines":[...]}: the lines in the order that a sorted
// list box of this system gives them when they are added one by one in the
// given order. The list box lives in the driver and is never shown.
Json CmdSortLines(const Json& a) {
    HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP | LBS_SORT | LBS_HASSTRINGS, 0, 0, 100, 100, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    if (list == nullptr) Fail(L"cannot create a list box");
    for (const Json& line : a.Get("lines").Items())
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.String().c_str()));
    Json lines = Json::Array();
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT n = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<size_t>(n) + 1, L'\0');
        const LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(got < 0 ? 0 : static_cast<size_t>(got));
        lines.Push(Json(text));
    }
    DestroyWindow(list);
    Json r;
    r["lines"] = lines;
    return r;
}

}  // namespace e2e
