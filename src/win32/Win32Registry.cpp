#include "win32/Win32Registry.h"

#include <windows.h>

namespace sw {
namespace {

// The predefined roots are 32-bit numbers that Windows sign-extends into
// handles; other keys are the handles themselves.
HKEY ToHkey(RegKey key) {
    if (key == kHkeyLocalMachine) return HKEY_LOCAL_MACHINE;
    if (key == kHkeyCurrentUser) return HKEY_CURRENT_USER;
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(key));
}

}  // namespace

long Win32Registry::OpenKey(RegKey root, const char* path, std::uint32_t access, RegKey* key) {
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExA(ToHkey(root), path, 0, access, &opened);
    if (result == ERROR_SUCCESS) *key = static_cast<RegKey>(reinterpret_cast<ULONG_PTR>(opened));
    return result;
}

long Win32Registry::EnumKey(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                            char* className, std::uint32_t* classLength) {
    DWORD nameChars = *nameLength;
    DWORD classChars = classLength ? *classLength : 0;
    FILETIME lastWrite{};
    const LONG result = RegEnumKeyExA(ToHkey(key), index, name, &nameChars, nullptr, className,
                                      classLength ? &classChars : nullptr, &lastWrite);
    *nameLength = nameChars;
    if (classLength) *classLength = classChars;
    return result;
}

long Win32Registry::QueryValue(RegKey key, const char* name, std::uint32_t* type, unsigned char* data,
                               std::uint32_t* size) {
    DWORD valueType = 0;
    DWORD bytes = size ? *size : 0;
    const LONG result = RegQueryValueExA(ToHkey(key), name, nullptr, &valueType, data, size ? &bytes : nullptr);
    if (type) *type = valueType;
    if (size) *size = bytes;
    return result;
}

long Win32Registry::SetValue(RegKey key, const char* name, std::uint32_t type, const unsigned char* data,
                             std::uint32_t size) {
    return RegSetValueExA(ToHkey(key), name, 0, type, data, size);
}

void Win32Registry::CloseKey(RegKey key) { RegCloseKey(ToHkey(key)); }

}  // namespace sw
