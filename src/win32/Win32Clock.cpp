#include "win32/Win32Platform.h"

#include <windows.h>

namespace sw {

double Win32Clock::SecondsSinceMidnight() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

Date Win32Clock::Today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return Date{now.wYear, now.wMonth, now.wDay};
}

}  // namespace sw
