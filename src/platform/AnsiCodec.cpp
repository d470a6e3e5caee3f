#include "platform/AnsiCodec.h"

#include <cstdint>

#include "platform/Utf16.h"

namespace sw {
namespace {

// Code points of bytes 0x80..0x9F in Windows-1252; 0 marks an unassigned byte,
// which maps to the same code point (as the system's conversion does).
constexpr std::uint16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

namespace {

// The byte of a code point in Windows-1252; nothing where it has none.
std::optional<char> Cp1252Byte(std::uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int k = 0; k < 32; ++k) {
        const std::uint32_t table = kHigh[k] != 0 ? kHigh[k] : 0x80u + k;
        if (table == cp) return static_cast<char>(0x80 + k);
    }
    return std::nullopt;
}

}  // namespace

std::string Cp1252Codec::ToAnsi(std::string_view utf8) const {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) out += Cp1252Byte(NextCodePoint(utf8, i)).value_or('?');
    return out;
}

std::optional<std::string> Cp1252Codec::ToAnsiExactly(std::string_view utf8) const {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        // A malformed byte decodes as U+FFFD, which has no byte here either.
        const auto byte = Cp1252Byte(NextCodePoint(utf8, i));
        if (!byte) return std::nullopt;
        out += *byte;
    }
    return out;
}

std::string Cp1252Codec::FromAnsi(std::string_view ansi) const {
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 8);
    for (char c : ansi) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b < 0xA0) {
            AppendUtf8(out, kHigh[b - 0x80] != 0 ? kHigh[b - 0x80] : b);
        } else {
            AppendUtf8(out, b);
        }
    }
    return out;
}

}  // namespace sw
