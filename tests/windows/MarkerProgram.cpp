// A stand-in for a system program, for the end-to-end tests: placed under a
// system program's name ("regedit.exe", "net.exe") where the real program
// must never be looked for, it leaves "<its own path>.ran" holding its
// command line, so a test sees that it ran, and does nothing else. While a
// file "<its own path>.wait" exists it stays running (a minute at most), so
// that a test can hold a program that waits for it.
#include <windows.h>

int wmain() {
    wchar_t path[MAX_PATH + 8] = {};
    wchar_t wait[MAX_PATH + 8] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 2;
    lstrcpyW(wait, path);
    lstrcatW(wait, L".wait");
    lstrcatW(path, L".ran");
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    const wchar_t* line = GetCommandLineW();
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(lstrlenW(line) * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    for (int i = 0; i < 600 && GetFileAttributesW(wait) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
    return 0;
}
