// The program under test as a process: finding it, starting it, waiting for
// its end; and what the screen looks like to it.
#include "Driver.h"

#include <tlhelp32.h>

namespace e2e {
namespace {

void Adopt(DWORD pid, HANDLE process) {
    Target& t = Program();
    if (t.process != nullptr) CloseHandle(t.process);
    t.pid = pid;
    t.process = process;
}

// The newest process whose image name matches, or 0.
DWORD FindProcess(const std::wstring& exe) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, exe.c_str()) == 0 && entry.th32ProcessID != GetCurrentProcessId())
            found = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return found;
}

}  // namespace

// {"cmd":"attach","exe":"Merotan.exe","timeout":10000}: adopts the running
// process of that image name as the program under test.
Json CmdAttach(const Json& a) {
    const std::wstring exe = a.Get("exe").String(L"Merotan.exe");
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(a.Get("timeout").Int(10000));
    for (;;) {
        if (DWORD pid = FindProcess(exe)) {
            HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
            if (process == nullptr) Fail(L"cannot open the process");
            Adopt(pid, process);
            Json r;
            r["pid"] = static_cast<unsigned long>(pid);
            return r;
        }
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0) Fail(L"no process " + exe);
        Sleep(20);
    }
}

// {"cmd":"launch","command_line":"C:\\app\\Merotan.exe","dir":"C:\\app"}:
// starts the program as a child of the driver.
Json CmdLaunch(const Json& a) {
    std::wstring line = a.Get("command_line").String();
    const std::wstring dir = a.Get("dir").String(L"");
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.empty() ? nullptr : dir.c_str(),
                        &startup, &info))
        Fail(L"CreateProcess failed: " + std::to_wstring(GetLastError()));
    CloseHandle(info.hThread);
    Adopt(info.dwProcessId, info.hProcess);
    Json r;
    r["pid"] = static_cast<unsigned long>(info.dwProcessId);
    return r;
}

// {"cmd":"wait_exit","timeout":10000} -> {"exited": bool, "code": n}
Json CmdWaitExit(const Json& a) {
    Target& t = Program();
    if (t.process == nullptr) Fail(L"no program attached");
    const DWORD wait = WaitForSingleObject(t.process, static_cast<DWORD>(a.Get("timeout").Int(10000)));
    Json r;
    r["exited"] = wait == WAIT_OBJECT_0;
    if (wait == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(t.process, &code);
        r["code"] = static_cast<unsigned long>(code);
    }
    return r;
}

// {"cmd":"screen"} -> the screen's DPI and size, and the foreground window.
Json CmdScreen(const Json&) {
    HDC dc = GetDC(nullptr);
    Json r;
    r["dpi_x"] = GetDeviceCaps(dc, LOGPIXELSX);
    r["dpi_y"] = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    r["width"] = GetSystemMetrics(SM_CXSCREEN);
    r["height"] = GetSystemMetrics(SM_CYSCREEN);
    HWND fg = GetForegroundWindow();
    r["foreground_class"] = fg ? ClassOf(fg) : std::wstring();
    r["foreground_title"] = fg ? TextOf(fg) : std::wstring();
    r["acp"] = static_cast<unsigned long>(GetACP());
    return r;
}

}  // namespace e2e
