// When a file was last written, for the texts that name a record's time.
#include "win32/Win32Platform.h"
#include "win32/WideText.h"

namespace sw {

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
