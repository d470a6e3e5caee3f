// A registry value as stored: its type and its bytes, whichever way it was
// had. The registry's raw reads and writes, the export reader and writer and
// the restore all hold values in this one form; what a value says (a text,
// a number) is read from it where it is needed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sw {

struct StoredValue {
    std::uint32_t type = 0;  // REG_NONE, REG_SZ, REG_DWORD, ...
    std::string data;        // the bytes; texts in UTF-16LE, with their NUL where stored with one

    bool operator==(const StoredValue&) const = default;
};

// The text of a REG_SZ or REG_EXPAND_SZ value in UTF-8, up to its first NUL
// (whole when it holds none); nothing for other types or an odd byte count.
std::optional<std::string> StoredText(const StoredValue& value);

// The number of a REG_DWORD value, or of a REG_BINARY value of at most four
// bytes (little-endian), as the program's registry reads give them.
std::optional<std::uint32_t> StoredNumber(const StoredValue& value);

}  // namespace sw
