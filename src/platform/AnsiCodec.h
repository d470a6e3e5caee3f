// Program text is UTF-8. The side files (the snapshot, the batch file, the
// check's report) are written in the system's ANSI code page; this converts
// at that boundary.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sw {

class AnsiCodec {
public:
    virtual ~AnsiCodec() = default;
    // Embedded NUL characters pass through unchanged in both directions.
    virtual std::string ToAnsi(std::string_view utf8) const = 0;
    virtual std::string FromAnsi(std::string_view ansi) const = 0;
    // The text in the ANSI code page only when every character has a byte
    // of its own there; nothing when one would become a look-alike (best
    // fit, "\uFF3C" to "\\") or the default character "?".
    virtual std::optional<std::string> ToAnsiExactly(std::string_view utf8) const = 0;
};

// Windows-1252, the ANSI code page of Western European Windows. Portable;
// used by the native build and the tests. Characters that code page lacks
// become '?', as the system's own conversion does.
class Cp1252Codec final : public AnsiCodec {
public:
    std::string ToAnsi(std::string_view utf8) const override;
    std::string FromAnsi(std::string_view ansi) const override;
    std::optional<std::string> ToAnsiExactly(std::string_view utf8) const override;
};

}  // namespace sw
