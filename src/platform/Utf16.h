// UTF-8 program text to and from the UTF-16 of the wide registry calls, and
// the code point steps both conversions (and the ANSI codec) are built on.
//
// Registry names are UTF-16 units that need not form valid pairs: a key name
// may hold a lone surrogate. Such a unit is carried through UTF-8 as the
// three-byte form of its number (as WTF-8 does), so every name read from the
// registry converts back to exactly the units it came from, and reaches its
// own key, never another one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sw {

// Decodes one code point at text[at] and moves at past it. A malformed byte
// decodes as U+FFFD and moves one byte on, so any byte string converts.
std::uint32_t NextCodePoint(std::string_view text, std::size_t& at);
void AppendUtf8(std::string& out, std::uint32_t codePoint);

// Embedded NULs pass in both directions.
std::u16string ToUtf16(std::string_view utf8);
std::string FromUtf16(std::u16string_view utf16);
// UTF-16 little-endian bytes as the registry stores texts, converted without
// a copy of the units; an odd last byte is a unit of its own.
std::string FromUtf16Le(std::string_view bytes);

}  // namespace sw
