// The registry calls on advapi32's ANSI functions.
#pragma once

#include "registry/RegistryApi.h"

namespace sw {

class Win32Registry final : public RegistryApi {
public:
    long OpenKey(RegKey root, const char* path, std::uint32_t access, RegKey* key) override;
    long EnumKey(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLength, char* className,
                 std::uint32_t* classLength) override;
    long QueryValue(RegKey key, const char* name, std::uint32_t* type, unsigned char* data,
                    std::uint32_t* size) override;
    long SetValue(RegKey key, const char* name, std::uint32_t type, const unsigned char* data,
                  std::uint32_t size) override;
    void CloseKey(RegKey key) override;
};

}  // namespace sw
