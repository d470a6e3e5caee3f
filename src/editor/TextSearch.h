// Searching a text for another one without regard to case, as the editor's
// entry check does.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sw {

namespace detail {

// Folds the upper-case letters of Latin-1 and Latin Extended-A (which cover
// the Western and Central European ANSI code pages) to lower case.
inline char32_t FoldCase(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    if (c == 0x178) return 0xFF;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1u;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1u) ? c + 1 : c;
    return c;
}

// Code points of UTF-8 text, case-folded; a malformed byte stands for itself.
inline std::vector<char32_t> FoldedCodePoints(const std::string& text) {
    std::vector<char32_t> out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        if (lead >= 0x80 && lead < 0xC0) extra = 0;
        if (extra != 0 && i + extra >= text.size()) extra = 0;
        char32_t c = extra == 0 ? lead : (lead & (0x3F >> extra));
        for (std::size_t k = 1; k <= extra; ++k) c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        out.push_back(FoldCase(c));
        i += extra + 1;
    }
    return out;
}

}  // namespace detail

// True when needle occurs in haystack, ignoring case. An empty haystack
// contains nothing, not even the empty text; any other text contains it.
inline bool ContainsIgnoringCase(const std::string& haystack, const std::string& needle) {
    if (haystack.empty()) return false;
    if (needle.empty()) return true;
    const auto h = detail::FoldedCodePoints(haystack);
    const auto n = detail::FoldedCodePoints(needle);
    if (n.size() > h.size()) return false;
    for (std::size_t at = 0; at + n.size() <= h.size(); ++at) {
        std::size_t k = 0;
        while (k < n.size() && h[at + k] == n[k]) ++k;
        if (k == n.size()) return true;
    }
    return false;
}

}  // namespace sw
