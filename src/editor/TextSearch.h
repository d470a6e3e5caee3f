// Searching a text for another one without regard to case, as the editor's
// entry check does; characters fold as registry names do (platform/CaseFold.h).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/CaseFold.h"

namespace sw {

namespace detail {

// Characters of UTF-8 text, folded; a broken byte stands for itself.
inline std::vector<std::uint32_t> FoldedCodePoints(const std::string& text) {
    std::vector<std::uint32_t> out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::uint32_t c = NextCodePointOrByte(text, i);
        out.push_back((c & kBrokenByte) ? c : FoldCodePoint(c));
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
