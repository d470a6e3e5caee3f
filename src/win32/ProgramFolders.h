// Where the program and the system lie: the module's own path, the system
// folder and the Windows folder, as the system gives them.
#pragma once

#include <string>

namespace sw {

// The full path of the running program; "" where the system gives none.
std::wstring ModulePath();
// The folder part of a path ("" for a bare name).
std::wstring FolderOf(const std::wstring& path);
// The system folder ("C:\Windows\system32"); "" where it cannot be had.
std::wstring SystemFolder();
// The system's own Windows folder, also where a terminal server gives each
// user a private one; "" where it cannot be had.
std::wstring SystemWindowsFolder();

}  // namespace sw
