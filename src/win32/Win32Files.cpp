#include "win32/Win32Platform.h"

#include <windows.h>

#include "win32/GrowingBuffer.h"
#include "win32/KernelHandles.h"
#include "win32/WideText.h"

namespace sw {

bool Win32Files::Exists(const std::string& path) {
    WIN32_FIND_DATAW found;
    return static_cast<bool>(FindHandle(FindFirstFileW(Wide(path).c_str(), &found)));
}

bool Win32Files::Copy(const std::string& from, const std::string& to) {
    return CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE) != 0;
}

bool Win32Files::Delete(const std::string& path) { return DeleteFileW(Wide(path).c_str()) != 0; }

namespace {

// Creates or truncates the file, writes bytes and, with flush, has them on
// the disk before it is closed. A short write (a full disk) is a failure.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes, bool flush) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        return false;
    if (flush && !FlushFileBuffers(file.Get())) return false;
    return CloseHandle(file.Release()) != 0;
}

}  // namespace

bool Win32Files::Write(const std::string& path, const std::string& bytes) {
    return WriteFileBytes(Wide(path), bytes, false);
}

bool Win32Files::WriteWhole(const std::string& path, const std::string& bytes) {
    const std::wstring target = Wide(path);
    const std::wstring part = target + L".part";
    if (WriteFileBytes(part, bytes, true) &&
        MoveFileExW(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(part.c_str());
    return false;
}

bool Win32Files::Move(const std::string& from, const std::string& to) {
    const std::wstring source = Wide(from);
    {
        // Written by another program: its data reaches the disk before the
        // name does.
        FileHandle file(CreateFileW(source.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !FlushFileBuffers(file.Get())) return false;
    }
    return MoveFileExW(source.c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

namespace {

bool ReadAll(HANDLE file, std::string& bytes) {
    std::string content;
    char buffer[65536];
    DWORD got = 0;
    for (;;) {
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) return false;
        if (got == 0) break;
        content.append(buffer, got);
    }
    bytes = std::move(content);
    return true;
}

bool CutAt(HANDLE file, std::size_t at) {
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(at);
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

}  // namespace

bool Win32Files::Read(const std::string& path, std::string& bytes) {
    FileHandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && ReadAll(file.Get(), bytes);
}

bool Win32Files::ReadUnshared(const std::string& path, std::string& bytes) {
    FileHandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    return file && ReadAll(file.Get(), bytes);
}

bool Win32Files::Append(const std::string& path, std::size_t keep, const std::string& bytes) {
    // No one else writes while the record grows; readers may look.
    FileHandle file(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size) || static_cast<unsigned long long>(size.QuadPart) < keep)
        return false;
    if (!CutAt(file.Get(), keep)) return false;
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size() || !FlushFileBuffers(file.Get())) {
        // A full disk: what was written of the pair goes again, so that the
        // file ends with a whole pair; where even that fails, the next
        // append cuts it.
        if (CutAt(file.Get(), keep)) FlushFileBuffers(file.Get());
        return false;
    }
    return CloseHandle(file.Release()) != 0;
}

std::string Win32Files::ExpandEnvironment(const std::string& text) {
    const std::wstring wide = Wide(text);
    // The size the call answers counts the closing NUL; 0 is a failure,
    // which leaves the text as it was.
    const auto expanded = GrowingRead(wide.size() + 64, [&](wchar_t* buffer, DWORD size) -> std::optional<std::size_t> {
        const DWORD n = ExpandEnvironmentStringsW(wide.c_str(), buffer, size);
        if (n == 0) return std::nullopt;
        return n <= size ? n - 1 : n;
    });
    return expanded ? Utf8(*expanded) : text;
}

// When a file was last written, for the texts that name a record's time.
std::optional<LocalTime> Win32Files::LastWritten(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    // Through the time zone's rules for that day, so that a file of the
    // summer reads as its summer time in winter (FileTimeToLocalFileTime
    // would take today's offset).
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    if (!FileTimeToSystemTime(&data.ftLastWriteTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return std::nullopt;
    return LocalTime{Date{local.wYear, local.wMonth, local.wDay}, local.wHour, local.wMinute, local.wSecond};
}

}  // namespace sw
