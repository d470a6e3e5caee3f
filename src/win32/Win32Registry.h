// The registry calls on advapi32's wide functions.
#pragma once

#include <windows.h>

#include "registry/RegistryApi.h"

namespace sw {

// The handle a RegKey stands for: the predefined roots keep their Windows
// numbers, which Windows sign-extends into handles; other keys are the
// handles themselves.
HKEY ToHkey(RegKey key);

class Win32Registry final : public RegistryApi {
public:
    long OpenKey(RegKey root, const char16_t* path, std::uint32_t access, RegKey* key) override;
    long EnumKey(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength, char16_t* className,
                 std::uint32_t* classLength) override;
    long QueryValue(RegKey key, const char16_t* name, std::uint32_t* type, unsigned char* data,
                    std::uint32_t* size) override;
    long SetValue(RegKey key, const char16_t* name, std::uint32_t type, const unsigned char* data,
                  std::uint32_t size) override;
    void CloseKey(RegKey key) override;
    long CreateKey(RegKey root, const char16_t* path, std::uint32_t access, RegKey* key) override;
    long DeleteValue(RegKey key, const char16_t* name) override;
    long LoadMuiString(RegKey key, const char16_t* name, char16_t* buffer, std::uint32_t bufferBytes,
                       std::uint32_t* neededBytes) override;
};

}  // namespace sw
