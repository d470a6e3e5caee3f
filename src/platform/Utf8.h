// Counting and cutting UTF-8 text by characters, as the window's texts are
// measured (one character per code point).
#pragma once

#include <cstddef>
#include <string>

namespace sw {

inline std::size_t Utf8Length(const std::string& text) {
    std::size_t count = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++count;
    return count;
}

// The first n characters of text.
inline std::string Utf8Left(const std::string& text, std::size_t n) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (count == n) return text.substr(0, i);
            ++count;
        }
    }
    return text;
}

// Shortens text of `limit` characters or more to its first `keep` characters
// followed by "...".
inline std::string Shorten(const std::string& text, std::size_t limit, std::size_t keep) {
    return Utf8Length(text) >= limit ? Utf8Left(text, keep) + "..." : text;
}

}  // namespace sw
