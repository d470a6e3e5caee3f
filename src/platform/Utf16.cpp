#include "platform/Utf16.h"

namespace sw {

std::uint32_t NextCodePoint(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    const int extra = b0 < 0x80 ? 0 : (b0 >> 5) == 6 ? 1 : (b0 >> 4) == 14 ? 2 : (b0 >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size()) {
        ++i;
        return 0xFFFD;
    }
    std::uint32_t cp = extra == 0 ? b0 : (b0 & (0x3F >> extra));
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    i += 1 + extra;
    return cp;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::u16string ToUtf16(std::string_view utf8) {
    // Never more units than bytes: written by index, then cut.
    std::u16string out(utf8.size(), u'\0');
    std::size_t n = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) {
            out[n++] = byte;
            ++i;
            continue;
        }
        const std::uint32_t cp = NextCodePoint(utf8, i);
        if (cp < 0x10000) {
            out[n++] = static_cast<char16_t>(cp);  // a lone surrogate's number stays one unit
        } else if (cp <= 0x10FFFF) {
            out[n++] = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out[n++] = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out[n++] = u'\xFFFD';
        }
    }
    out.resize(n);
    return out;
}

namespace {

// UTF-16 units, given by their index, as UTF-8: a valid pair as one code
// point, any other unit (a lone surrogate too) as its own number.
template <class UnitAt>
std::string FromUnits(std::size_t count, UnitAt unitAt) {
    // At most three bytes a unit (four for a pair): written by index, then cut.
    std::string out(count * 3, '\0');
    std::size_t n = 0;
    const auto put = [&out, &n](std::uint32_t cp) {
        if (cp < 0x800) {
            out[n++] = static_cast<char>(0xC0 | (cp >> 6));
        } else {
            if (cp < 0x10000) {
                out[n++] = static_cast<char>(0xE0 | (cp >> 12));
            } else {
                out[n++] = static_cast<char>(0xF0 | (cp >> 18));
                out[n++] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            }
            out[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        }
        out[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    };
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t unit = unitAt(i);
        if (unit < 0x80) {
            out[n++] = static_cast<char>(unit);
            continue;
        }
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < count) {
            const std::uint32_t next = unitAt(i + 1);
            if (next >= 0xDC00 && next < 0xE000) {
                put(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00u));
                ++i;
                continue;
            }
        }
        put(unit);
    }
    out.resize(n);
    return out;
}

}  // namespace

std::string FromUtf16(std::u16string_view utf16) {
    return FromUnits(utf16.size(), [utf16](std::size_t i) { return static_cast<std::uint32_t>(utf16[i]); });
}

std::string FromUtf16Le(std::string_view bytes) {
    return FromUnits((bytes.size() + 1) / 2, [bytes](std::size_t i) {
        const auto low = static_cast<unsigned char>(bytes[2 * i]);
        const std::uint32_t high = 2 * i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[2 * i + 1]) : 0;
        return low | high << 8;
    });
}

}  // namespace sw
