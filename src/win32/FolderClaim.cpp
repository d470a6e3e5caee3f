#include "win32/Win32Platform.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "win32/ControlIds.h"
#include "win32/KernelHandles.h"
#include "win32/ProgramFolders.h"

namespace sw {

namespace {

// The program folder as one number: its long form, upper case (the file
// system ignores case), hashed (FNV-1a), so that a mutex name stays short
// and free of the separators that mutex names may not hold.
std::uint64_t FolderKey() {
    std::wstring folder = FolderOf(ModulePath());
    std::vector<wchar_t> longForm(folder.size() + MAX_PATH);
    const DWORD n = GetLongPathNameW(folder.c_str(), longForm.data(), static_cast<DWORD>(longForm.size()));
    if (n > 0 && n < longForm.size()) folder.assign(longForm.data(), n);
    if (!folder.empty()) CharUpperBuffW(folder.data(), static_cast<DWORD>(folder.size()));
    std::uint64_t hash = 14695981039346656037ull;
    for (wchar_t ch : folder) {
        hash ^= static_cast<std::uint16_t>(ch);
        hash *= 1099511628211ull;
    }
    return hash;
}

const wchar_t kFolderMark[] = L"Tavrine.Startwart.Folder";

// The window property that carries the folder's key (as much of it as a
// pointer holds; never 0, which GetPropW gives for "none").
HANDLE FolderMark(std::uint64_t key) {
    const auto mark = static_cast<std::uintptr_t>(key);
    return reinterpret_cast<HANDLE>(mark == 0 ? 1 : mark);
}

// The running window of the folder: marked with its key, and another
// process's. This start's own window, made and marked before the claim and
// never shown, carries the same mark and is the newest in the z-order, so
// it would be found first.
struct WindowSearch {
    HANDLE mark;
    DWORD self = GetCurrentProcessId();
    HWND found = nullptr;
};

BOOL CALLBACK FindMarkedWindow(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    wchar_t name[64];
    if (GetClassNameW(window, name, 64) == 0 || lstrcmpW(name, SW_ROOT_CLASS) != 0) return TRUE;
    if (GetPropW(window, kFolderMark) != search.mark) return TRUE;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.self) return TRUE;
    search.found = window;
    return FALSE;
}

// Held from the claim until the process ends.
KernelHandle g_folderClaim;

}  // namespace

bool Win32Program::ClaimFolder(HeldFolder whenHeld) {
    const std::uint64_t key = FolderKey();
    wchar_t name[64];
    wsprintfW(name, L"Global\\Tavrine.Startwart.%08lX%08lX", static_cast<unsigned long>(key >> 32),
              static_cast<unsigned long>(key & 0xFFFFFFFFu));
    KernelHandle claim(CreateMutexW(nullptr, FALSE, name));
    const DWORD error = GetLastError();
    // Another user's run denies access to its mutex: the folder is held all
    // the same. Where no mutex can be made at all, the program runs as it
    // would without one.
    if (claim && error != ERROR_ALREADY_EXISTS) {
        g_folderClaim = std::move(claim);
        return true;
    }
    if (!claim && error != ERROR_ACCESS_DENIED) return true;
    if (whenHeld == HeldFolder::LeaveAlone) return false;
    WindowSearch search{FolderMark(key)};
    EnumWindows(FindMarkedWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) {
        // This start has the right to the foreground from the user; it
        // passes it on to the running window's process as well.
        DWORD owner = 0;
        GetWindowThreadProcessId(search.found, &owner);
        AllowSetForegroundWindow(owner);
        if (IsIconic(search.found)) ShowWindow(search.found, SW_RESTORE);
        SetForegroundWindow(search.found);
    }
    return false;
}

void Win32Program::MarkWindow(HWND window) { SetPropW(window, kFolderMark, FolderMark(FolderKey())); }

}  // namespace sw
