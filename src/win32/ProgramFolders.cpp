#include "win32/ProgramFolders.h"

#include <windows.h>

#include "win32/GrowingBuffer.h"

namespace sw {

std::wstring ModulePath() {
    // A path that does not fit comes back cut to the buffer's size; 0 is
    // taken as the empty path.
    return *GrowingRead(MAX_PATH, [](wchar_t* buffer, DWORD size) {
        return std::optional<std::size_t>(GetModuleFileNameW(nullptr, buffer, size));
    });
}

std::wstring FolderOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring SystemFolder() {
    return GrowingRead(MAX_PATH, [](wchar_t* buffer, DWORD size) {
               return FailedAtZero(GetSystemDirectoryW(buffer, size));
           }).value_or(std::wstring());
}

std::wstring SystemWindowsFolder() {
    return GrowingRead(MAX_PATH, [](wchar_t* buffer, DWORD size) {
               return FailedAtZero(GetSystemWindowsDirectoryW(buffer, size));
           }).value_or(std::wstring());
}

}  // namespace sw
