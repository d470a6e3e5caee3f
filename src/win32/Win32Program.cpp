#include "win32/Win32Platform.h"

#include <windows.h>

#include "win32/ProgramFolders.h"
#include "win32/WideText.h"

namespace sw {

VersionRecord Win32Program::Version() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = 148;
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    GetVersionExA(&info);
    return VersionRecord{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.dwPlatformId};
}

std::string Win32Program::Folder() { return Utf8(FolderOf(ModulePath())); }

std::string Win32Program::BaseName() {
    std::wstring name = ModulePath();
    const auto slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name = name.substr(slash + 1);
    const auto dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name = name.substr(0, dot);
    return Utf8(name);
}

std::string Win32Program::WindowsFolder() { return Utf8(SystemWindowsFolder()); }

void Win32Program::EndNow() { ExitProcess(0); }

}  // namespace sw
