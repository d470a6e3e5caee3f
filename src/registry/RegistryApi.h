// The five registry calls the program needs, in the shape of their ANSI
// advapi32 forms. Two implementations stand behind it: advapi32 itself
// (win32/Win32Registry.cpp) and an in-memory tree (MemoryRegistry.h) for
// tests and benchmarks. Names, paths and data are bytes in the ANSI code
// page; converting program text to and from it is the caller's job.
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

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    // RegOpenKeyExA(root, path, 0, access, &key).
    virtual long OpenKey(RegKey root, const char* path, std::uint32_t access, RegKey* key) = 0;

    // RegEnumKeyExA(key, index, name, nameLength, nullptr, className,
    // classLength, &lastWrite). Lengths are in characters, in and out.
    virtual long EnumKey(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                         char* className, std::uint32_t* classLength) = 0;

    // RegQueryValueExA(key, name, nullptr, type, data, size). data may be
    // null to ask for the type and size only.
    virtual long QueryValue(RegKey key, const char* name, std::uint32_t* type, unsigned char* data,
                            std::uint32_t* size) = 0;

    // RegSetValueExA(key, name, 0, type, data, size).
    virtual long SetValue(RegKey key, const char* name, std::uint32_t type, const unsigned char* data,
                          std::uint32_t size) = 0;

    // RegCloseKey(key).
    virtual void CloseKey(RegKey key) = 0;
};

}  // namespace sw
