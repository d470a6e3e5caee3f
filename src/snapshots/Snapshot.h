// The snapshot of start types kept beside the program: one line
// "key name|start" per service, CR LF after each, and one more CR LF at the
// end of the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/EntryLists.h"
#include "platform/AnsiCodec.h"

namespace sw {

// "key|start" and CR LF. The start type is the DWORD's decimal text (so a
// value that does not fit one digit, or 16 bits, is written whole); an
// entry whose "Start" cannot be read as a number gets an empty field, which
// readers take as "unknown" rather than as a start type. A key name that
// holds CR or LF would end the line early and let its rest read as another
// entry's line, so those two are written as "\r" and "\n" (and a backslash
// as "\\"): a registry key name can never hold a backslash, the path
// separator, so no real name collides with an escape, and every line of a
// name without CR or LF is written as it always was.
std::string SnapshotLine(const std::string& keyName, std::optional<std::int32_t> start);

// The lines of every service of a list build, in its order.
std::string SnapshotLines(const std::vector<ServiceStart>& starts);

// The file's text: the lines and one closing CR LF.
inline std::string SnapshotFileText(const std::string& lines) { return lines + "\r\n"; }

// The file's bytes. In the ANSI code page when every character has an exact
// byte there, so that the usual file is what it always was; otherwise the
// whole text in UTF-8 after a byte order mark, so that no key name is
// written as a look-alike of another ("AccKyr\u0416" as "AccKyr?"). An ANSI
// text that would itself begin with the mark's bytes is written in UTF-8 as
// well, so a reader never mistakes one form for the other.
std::string SnapshotFileBytes(const AnsiCodec& codec, const std::string& lines);

// Any text file of the program's own in the same two forms: ANSI when every
// character fits exactly, else UTF-8 after a byte order mark.
std::string AnsiOrUtf8Bytes(const AnsiCodec& codec, const std::string& text);

// A snapshot file's text from its bytes, in either form.
std::string SnapshotTextOfFile(const AnsiCodec& codec, const std::string& bytes);

// One line read back: the key name and the stored start type (nothing when
// the line carries the empty "unknown" field).
struct SnapshotEntry {
    std::string keyName;
    std::optional<std::uint32_t> start;
    bool operator==(const SnapshotEntry&) const = default;
};

// Reads one line without its line end. A key name may itself hold "|", so
// the start type is what follows the line's last "|": empty, or decimal
// digits that fit a DWORD. Anything else (no "|", a field with other
// characters) is no line this program writes and gives nothing. The key
// name's "\r", "\n" and "\\" are undone; a backslash before any other
// character stays as it is.
std::optional<SnapshotEntry> ParseSnapshotLine(const std::string& line);

// Reads a whole file's text and calls visit(entry) for each line in order.
// CR ends a line, LF is dropped, empty lines are skipped, and text after the
// last line end is left out (a file cut short may have lost the end of that
// line).
template <class Visit>
void ForEachSnapshotEntry(const std::string& text, Visit visit) {
    std::string line;
    std::size_t at = 0;
    for (;;) {
        const std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) break;
        line.append(text, at, end - at);
        if (text[end] == '\r') {
            if (!line.empty())
                if (auto entry = ParseSnapshotLine(line)) visit(*entry);
            line.clear();
        }
        at = end + 1;
    }
}

}  // namespace sw
