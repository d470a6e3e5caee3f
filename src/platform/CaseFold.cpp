#include "platform/CaseFold.h"

namespace sw {
namespace {

bool InRange(char32_t c, char32_t first, char32_t last) { return c >= first && c <= last; }

// In ranges where capitals and small letters alternate, capital first.
char32_t SmallOfPair(char32_t c, bool capitalsEven) { return (c % 2 == 0) == capitalsEven ? c + 1 : c; }

}  // namespace

char32_t FoldCodePoint(char32_t c) {
    if (c < 0x80) return c >= U'A' && c <= U'Z' ? c + 32 : c;
    if (c < 0x100) return InRange(c, 0xC0, 0xDE) && c != 0xD7 ? c + 32 : c;
    if (c < 0x180) {
        // Latin Extended-A. U+0130 (İ) and U+0131 (ı) are no pair: each
        // goes with an ASCII "i"; U+0138, U+0149 and U+017F have no capital.
        if (InRange(c, 0x100, 0x12F) || InRange(c, 0x132, 0x137) || InRange(c, 0x14A, 0x177))
            return SmallOfPair(c, true);
        if (InRange(c, 0x139, 0x148) || InRange(c, 0x179, 0x17E)) return SmallOfPair(c, false);
        if (c == 0x178) return 0xFF;
        return c;
    }
    if (c < 0x370) return c;
    if (c < 0x400) {
        if (InRange(c, 0x391, 0x3AB) && c != 0x3A2) return c + 32;
        if (c == 0x386) return 0x3AC;
        if (InRange(c, 0x388, 0x38A)) return c + 37;
        if (c == 0x38C) return 0x3CC;
        if (InRange(c, 0x38E, 0x38F)) return c + 63;
        if (c == 0x3C2) return 0x3C3;  // final sigma: its capital is Σ
        return c;
    }
    if (c < 0x530) {
        if (InRange(c, 0x410, 0x42F)) return c + 32;
        if (InRange(c, 0x400, 0x40F)) return c + 80;
        if (InRange(c, 0x460, 0x481) || InRange(c, 0x48A, 0x4BF) || InRange(c, 0x4D0, 0x52F))
            return SmallOfPair(c, true);
        if (InRange(c, 0x4C1, 0x4CE)) return SmallOfPair(c, false);
        if (c == 0x4C0) return 0x4CF;
        return c;
    }
    if (InRange(c, 0x531, 0x556)) return c + 48;
    if (InRange(c, 0x1E00, 0x1E95) || InRange(c, 0x1EA0, 0x1EFF)) return SmallOfPair(c, true);
    if (InRange(c, 0x2160, 0x216F)) return c + 16;
    if (InRange(c, 0x24B6, 0x24CF)) return c + 26;
    if (InRange(c, 0xFF21, 0xFF3A)) return c + 32;
    return c;
}

std::uint32_t NextCodePointOrByte(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    const std::size_t length = (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    std::uint32_t cp = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    bool whole = length != 0 && at + length <= text.size();
    for (std::size_t i = 1; whole && i < length; ++i) {
        whole = (byte(at + i) & 0xC0) == 0x80;
        cp = cp << 6 | (byte(at + i) & 0x3F);
    }
    // An overlong form is broken too: it would fold to a shorter text.
    const std::uint32_t shortest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (!whole || cp < shortest) {
        ++at;
        return kBrokenByte | lead;
    }
    at += length;
    return cp;
}

std::string FoldCase(std::string_view utf8) {
    std::string out(utf8);
    FoldInPlace(out);
    return out;
}

void FoldInPlace(std::string& out) {
    for (std::size_t at = 0; at < out.size();) {
        // Most names are ASCII: a byte below 0x80 is a whole character.
        const auto byte = static_cast<unsigned char>(out[at]);
        if (byte < 0x80) {
            if (byte >= 'A' && byte <= 'Z') out[at] = static_cast<char>(byte + 32);
            ++at;
            continue;
        }
        const std::size_t start = at;
        const std::uint32_t cp = NextCodePointOrByte(out, at);
        if (cp & kBrokenByte) continue;
        const char32_t folded = FoldCodePoint(cp);
        if (folded == cp) continue;
        // Of the same length as the character it replaces: its bits are
        // written into that character's bytes.
        std::uint32_t bits = folded;
        for (std::size_t i = at - 1; i > start; --i, bits >>= 6) out[i] = static_cast<char>(0x80 | (bits & 0x3F));
        const std::size_t length = at - start;
        const unsigned leadMask = length == 2 ? 0x1Fu : length == 3 ? 0x0Fu : 0x07u;
        out[start] = static_cast<char>((static_cast<unsigned char>(out[start]) & ~leadMask) | (bits & leadMask));
    }
}

}  // namespace sw
