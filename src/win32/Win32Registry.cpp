#include "win32/Win32Registry.h"

#include <windows.h>

namespace sw {

HKEY ToHkey(RegKey key) {
    if (key == kHkeyLocalMachine) return HKEY_LOCAL_MACHINE;
    if (key == kHkeyCurrentUser) return HKEY_CURRENT_USER;
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(key));
}

namespace {

// wchar_t is a UTF-16 unit on Windows.
static_assert(sizeof(wchar_t) == sizeof(char16_t));
const wchar_t* W(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* W(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

// RegLoadMUIStringW is looked up when first needed rather than imported:
// advapi32 has it from Windows Vista on, and an import of it would keep the
// program from loading on Windows XP.
using LoadMuiStringFunction = LONG(WINAPI*)(HKEY, LPCWSTR, LPWSTR, DWORD, LPDWORD, DWORD, LPCWSTR);
LoadMuiStringFunction LoadMuiStringOfSystem() {
    static const LoadMuiStringFunction function = [] {
        const HMODULE advapi = GetModuleHandleW(L"advapi32.dll");
        if (advapi == nullptr) return LoadMuiStringFunction{};
        return reinterpret_cast<LoadMuiStringFunction>(
            reinterpret_cast<void*>(GetProcAddress(advapi, "RegLoadMUIStringW")));
    }();
    return function;
}

}  // namespace

long Win32Registry::OpenKey(RegKey root, const char16_t* path, std::uint32_t access, RegKey* key) {
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExW(ToHkey(root), W(path), 0, access, &opened);
    if (result == ERROR_SUCCESS) *key = static_cast<RegKey>(reinterpret_cast<ULONG_PTR>(opened));
    return result;
}

long Win32Registry::EnumKey(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength,
                            char16_t* className, std::uint32_t* classLength) {
    DWORD nameChars = *nameLength;
    DWORD classChars = classLength ? *classLength : 0;
    FILETIME lastWrite{};
    const LONG result = RegEnumKeyExW(ToHkey(key), index, W(name), &nameChars, nullptr, className ? W(className) : nullptr,
                                      classLength ? &classChars : nullptr, &lastWrite);
    *nameLength = nameChars;
    if (classLength) *classLength = classChars;
    return result;
}

long Win32Registry::QueryValue(RegKey key, const char16_t* name, std::uint32_t* type, unsigned char* data,
                               std::uint32_t* size) {
    DWORD valueType = 0;
    DWORD bytes = size ? *size : 0;
    const LONG result = RegQueryValueExW(ToHkey(key), W(name), nullptr, &valueType, data, size ? &bytes : nullptr);
    if (type) *type = valueType;
    if (size) *size = bytes;
    return result;
}

long Win32Registry::SetValue(RegKey key, const char16_t* name, std::uint32_t type, const unsigned char* data,
                             std::uint32_t size) {
    return RegSetValueExW(ToHkey(key), W(name), 0, type, data, size);
}

void Win32Registry::CloseKey(RegKey key) { RegCloseKey(ToHkey(key)); }

long Win32Registry::CreateKey(RegKey root, const char16_t* path, std::uint32_t access, RegKey* key) {
    HKEY created = nullptr;
    const LONG result =
        RegCreateKeyExW(ToHkey(root), W(path), 0, nullptr, 0, access, nullptr, &created, nullptr);
    if (result == ERROR_SUCCESS) *key = static_cast<RegKey>(reinterpret_cast<ULONG_PTR>(created));
    return result;
}

long Win32Registry::DeleteValue(RegKey key, const char16_t* name) { return RegDeleteValueW(ToHkey(key), W(name)); }

long Win32Registry::LoadMuiString(RegKey key, const char16_t* name, char16_t* buffer, std::uint32_t bufferBytes,
                                  std::uint32_t* neededBytes) {
    const LoadMuiStringFunction load = LoadMuiStringOfSystem();
    if (load == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    DWORD needed = 0;
    const LONG result = load(ToHkey(key), W(name), W(buffer), bufferBytes, &needed, 0, nullptr);
    if (neededBytes != nullptr) *neededBytes = needed;
    return result;
}

}  // namespace sw
