// The registry calls the program needs, in the shape of their wide
// (UTF-16) advapi32 forms. Two implementations stand behind it: advapi32
// itself (win32/Win32Registry.cpp) and an in-memory tree (MemoryRegistry.h)
// for tests and benchmarks. Paths and names are NUL-terminated UTF-16; text
// data are UTF-16 bytes (little-endian), as the registry stores them. The
// wide calls are used because the ANSI ones convert names with best fit (a
// fullwidth reverse solidus becomes a path separator and reaches another
// key), lose every character the code page lacks, and limit paths to 255
// characters. Converting program text (UTF-8) is the caller's job
// (registry/Registry.h).
#pragma once

#include <cstdint>

namespace sw {

// A key handle. The predefined roots keep their Windows numbers.
using RegKey = std::uint64_t;

inline constexpr RegKey kHkeyCurrentUser = 0x80000001u;
inline constexpr RegKey kHkeyLocalMachine = 0x80000002u;

inline constexpr std::uint32_t kKeyRead = 0x20019u;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003Fu;

inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;
inline constexpr long kErrorCallNotImplemented = 120;

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    // RegOpenKeyExW(root, path, 0, access, &key).
    virtual long OpenKey(RegKey root, const char16_t* path, std::uint32_t access, RegKey* key) = 0;

    // RegEnumKeyExW(key, index, name, nameLength, nullptr, className,
    // classLength, &lastWrite). Lengths are in UTF-16 units, in and out.
    virtual long EnumKey(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength,
                         char16_t* className, std::uint32_t* classLength) = 0;

    // RegQueryValueExW(key, name, nullptr, type, data, size). data may be
    // null to ask for the type and size only; a buffer too short fails with
    // ERROR_MORE_DATA and sets size to what the value needs.
    virtual long QueryValue(RegKey key, const char16_t* name, std::uint32_t* type, unsigned char* data,
                            std::uint32_t* size) = 0;

    // RegSetValueExW(key, name, 0, type, data, size).
    virtual long SetValue(RegKey key, const char16_t* name, std::uint32_t type, const unsigned char* data,
                          std::uint32_t size) = 0;

    // RegCloseKey(key).
    virtual void CloseKey(RegKey key) = 0;

    // RegCreateKeyExW(root, path, 0, nullptr, 0, access, nullptr, &key,
    // nullptr): opens the key, creating it and every missing key above it.
    virtual long CreateKey(RegKey root, const char16_t* path, std::uint32_t access, RegKey* key) = 0;

    // RegDeleteValueW(key, name); ERROR_FILE_NOT_FOUND when there is none.
    virtual long DeleteValue(RegKey key, const char16_t* name) = 0;

    // RegLoadMUIStringW(key, name, buffer, bufferBytes, neededBytes, 0,
    // nullptr): the value's indirect text ("@file,-id", "%SystemRoot%" and
    // the like expanded) resolved from that file's string table into buffer,
    // NUL-terminated. The call exists from Windows Vista on; where it does not
    // (Windows XP, a registry without string tables) the answer is
    // ERROR_CALL_NOT_IMPLEMENTED.
    virtual long LoadMuiString(RegKey key, const char16_t* name, char16_t* buffer, std::uint32_t bufferBytes,
                               std::uint32_t* neededBytes) {
        (void)key, (void)name, (void)buffer, (void)bufferBytes, (void)neededBytes;
        return kErrorCallNotImplemented;
    }
};

}  // namespace sw
