// Matching names and texts without regard to case, the one way the program
// does it: key and value names as the registry matches them (Windows and
// Wine take "Dienst", "DIENST" and "dienst" for one key), the changes
// window's sorting, and the editor's search of a description.
//
// A character folds to its small letter where it is the capital of a pair in
// the Latin (Basic, Latin-1, Extended-A, Extended Additional, fullwidth),
// Greek, Cyrillic or Armenian alphabets, or a Roman numeral or circled
// letter; everything else stands for itself. The registry compares through
// its upper-case table, which these pairs agree with; "ß" and "ss" stay two
// names, and so do dotted "İ" and "I", as on Windows. Folding keeps every
// character's length in UTF-8 and in UTF-16, so a position in a folded text
// is the same position in the text it came from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sw {

// The folded form of one code point (or UTF-16 unit; surrogates stay).
char32_t FoldCodePoint(char32_t c);

inline char16_t FoldUnit(char16_t unit) {
    if (unit < 0x80) return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 32) : unit;
    return static_cast<char16_t>(FoldCodePoint(unit));
}

// Decodes one UTF-8 character at text[at] and moves past it. A byte that
// starts no well-formed character (cut, overlong, a stray continuation)
// comes back as kBrokenByte | byte and moves one byte on, so that it stands
// for itself and for no other.
inline constexpr std::uint32_t kBrokenByte = 0x80000000u;
std::uint32_t NextCodePointOrByte(std::string_view text, std::size_t& at);

// UTF-8 text folded; the bytes of a broken character are kept as they are.
std::string FoldCase(std::string_view utf8);
// The same, in place, for a buffer that is reused.
void FoldInPlace(std::string& utf8);

}  // namespace sw
