// Processes that the program starts (the registry editor, say): finding
// them by image name, reading their top-level windows, and ending them by
// their id.
#include "Driver.h"

#include <tlhelp32.h>

#include <vector>

namespace e2e {
namespace {

struct WindowsOf {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectOf(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowsOf*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid) search->found.push_back(hwnd);
    return TRUE;
}

}  // namespace

// {"cmd":"find_processes","exe":"regedit.exe"}: every process of that image name
// (every process without "exe"), with its id and its parent's.
Json CmdFindProcesses(const Json& a) {
    const std::wstring exe = a.Get("exe").String(L"");
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) Fail(L"CreateToolhelp32Snapshot failed");
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    Json list = Json::Array();
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (!exe.empty() && lstrcmpiW(entry.szExeFile, exe.c_str()) != 0) continue;
        Json p;
        p["pid"] = static_cast<unsigned long>(entry.th32ProcessID);
        p["parent"] = static_cast<unsigned long>(entry.th32ParentProcessID);
        p["exe"] = std::wstring(entry.szExeFile);
        list.Push(p);
    }
    CloseHandle(snapshot);
    Json r;
    r["processes"] = list;
    return r;
}

// {"cmd":"process_windows","pid":123}: the top-level windows of a process,
// with whether each is shown, maximised or minimised.
Json CmdProcessWindows(const Json& a) {
    WindowsOf search{static_cast<DWORD>(a.Get("pid").Int()), {}};
    EnumWindows(CollectOf, reinterpret_cast<LPARAM>(&search));
    Json list = Json::Array();
    for (HWND hwnd : search.found) {
        Json w;
        w["class"] = ClassOf(hwnd);
        w["text"] = TextOf(hwnd);
        w["visible"] = IsWindowVisible(hwnd) != FALSE;
        w["zoomed"] = IsZoomed(hwnd) != FALSE;
        w["iconic"] = IsIconic(hwnd) != FALSE;
        w["owner"] = static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(GetWindow(hwnd, GW_OWNER)));
        list.Push(w);
    }
    Json r;
    r["windows"] = list;
    return r;
}

// {"cmd":"kill","pid":123}: ends a process by its id and waits for its end.
Json CmdKill(const Json& a) {
    const DWORD pid = static_cast<DWORD>(a.Get("pid").Int());
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) Fail(L"cannot open process " + std::to_wstring(pid));
    const BOOL ended = TerminateProcess(process, 1);
    const DWORD wait = WaitForSingleObject(process, 10000);
    CloseHandle(process);
    if (!ended || wait != WAIT_OBJECT_0) Fail(L"process " + std::to_wstring(pid) + L" did not end");
    return Json::Object();
}

}  // namespace e2e
