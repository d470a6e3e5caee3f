// The program's four registry operations. Every one opens the key it needs,
// does one thing and closes the key before it returns; failures come back as
// false or a count of 0, never as a message.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/AnsiCodec.h"
#include "registry/RegistryApi.h"

namespace sw {

// What ReadValue delivers and WriteValue takes: nothing, a text, a 16-bit or
// 32-bit integer, or something WriteValue cannot store (a floating-point
// number stands for every such kind).
using ValueHolder = std::variant<std::monostate, std::string, std::int16_t, std::int32_t, double>;

// The held text, or the decimal text of a held integer; "" for nothing.
std::string AsText(const ValueHolder& value);
// The held integer (16 or 32 bits); nothing for a text or anything else.
std::optional<std::int32_t> AsInteger(const ValueHolder& value);
// The text up to its first NUL; a text without NUL is returned whole.
std::string CutAtNul(const std::string& text);

class Registry {
public:
    Registry(RegistryApi& api, const AnsiCodec& codec) : api_(api), codec_(codec) {}

    // Fills names[0..count-1] with the subkeys of path in registry order and
    // returns their count; 0 when the key cannot be opened with access, has
    // no subkeys, or the enumeration ends with anything but "no more items".
    // names keeps what it held when the key cannot be opened.
    std::int32_t EnumSubKeys(RegKey root, const std::string& path, std::uint32_t access,
                             std::vector<std::string>& names);

    bool KeyExists(RegKey root, const std::string& path);

    // True when the key opens for reading and holds a value of that name,
    // whatever its type and whether or not ReadValue could deliver it.
    bool ValueExists(RegKey root, const std::string& path, const std::string& name);

    // A text value (REG_SZ, REG_EXPAND_SZ) arrives as its stored bytes plus
    // the blank that the read buffer held beyond the reported size; integers
    // (REG_DWORD, REG_BINARY of up to 4 bytes) as std::int32_t. Other types
    // return true and leave value as it was.
    bool ReadValue(RegKey root, const std::string& path, const std::string& name, ValueHolder& value);

    // Integers become REG_DWORD, texts REG_SZ with one NUL; anything else is
    // not written (and counts as success).
    bool WriteValue(RegKey root, const std::string& path, const std::string& name,
                    const ValueHolder& value);

    // Like WriteValue for a text, but keeps REG_EXPAND_SZ when the value is
    // already stored with that type, so a rewritten "%SystemRoot%" stays
    // expandable.
    bool WriteTextKeepingType(RegKey root, const std::string& path, const std::string& name,
                              const std::string& text);

    const AnsiCodec& Codec() const { return codec_; }

private:
    bool WriteText(RegKey root, const std::string& path, const std::string& name,
                   const std::string& text, bool keepExpandType);

    RegistryApi& api_;
    const AnsiCodec& codec_;
};

// Reads a text of an entry below HKEY_LOCAL_MACHINE as delivered (with its
// NUL and trailing blank); " " when the value cannot be read or is of a type
// that delivers nothing (a multi-string, say), so that such an entry is
// still shown rather than taken for one with an empty text.
std::string ReadTextOrBlank(Registry& registry, const std::string& path, const std::string& name);

inline const std::string kServicesPath = "System\\CurrentControlSet\\Services";
inline std::string ServiceKeyPath(const std::string& keyName) {
    return kServicesPath + "\\" + keyName;
}

}  // namespace sw
