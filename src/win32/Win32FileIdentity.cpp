#include "win32/Win32FileIdentity.h"

#include <windows.h>

#include <string>
#include <vector>

#include "win32/KernelHandles.h"
#include "win32/WideText.h"

namespace sw {
namespace {

// The answer of a call that writes a text into a buffer and returns its
// length, or the size it needs when the buffer is too small; empty when the
// call fails.
template <class Call>
std::wstring Grown(Call call) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(n);
    }
}

// "\\?\C:\x" and "\\.\C:\x" as "C:\x", "\\?\UNC\server\x" as "\\server\x".
std::wstring WithoutPrefix(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
    if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0) return path.substr(4);
    return path;
}

}  // namespace

std::optional<FileId> Win32FileIdentity::IdOf(const std::string& path) {
    const std::wstring wide = Wide(path);
    FileHandle file(CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.Get(), &info)) return std::nullopt;
    return FileId{info.dwVolumeSerialNumber,
                  (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::string Win32FileIdentity::LongPath(const std::string& path) {
    // Without its prefix first, so that "." and ".." are resolved as in any
    // other spelling of the path.
    const std::wstring given = WithoutPrefix(Wide(path));
    std::wstring full = Grown([&](wchar_t* buffer, DWORD size) {
        return GetFullPathNameW(given.c_str(), size, buffer, nullptr);
    });
    if (full.empty()) full = given;
    full = WithoutPrefix(full);
    // The deepest folder that is there in its long form, the rest as
    // written. A drive's root or a server's share has no other form.
    std::wstring rest;
    std::wstring there = full;
    for (;;) {
        const std::wstring longForm = Grown([&](wchar_t* buffer, DWORD size) {
            return GetLongPathNameW(there.c_str(), buffer, size);
        });
        if (!longForm.empty()) return Utf8(WithoutPrefix(longForm) + rest);
        const auto slash = there.find_last_of(L'\\');
        if (slash == std::wstring::npos || slash < 3) return Utf8(full);
        rest = there.substr(slash) + rest;
        there.resize(slash);
    }
}

}  // namespace sw
