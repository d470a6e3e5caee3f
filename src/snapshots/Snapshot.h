// The snapshot of start types kept beside the program: one line
// "key name|start" per service, CR LF after each, and one more CR LF at the
// end of the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sw {

// "key|start" and CR LF. The start type is the DWORD's decimal text (so a
// value that does not fit one digit, or 16 bits, is written whole); an
// entry whose "Start" cannot be read as a number gets an empty field, which
// readers take as "unknown" rather than as a start type.
std::string SnapshotLine(const std::string& keyName, std::optional<std::int32_t> start);

// The file's text: the lines and one closing CR LF.
inline std::string SnapshotFileText(const std::string& lines) { return lines + "\r\n"; }

}  // namespace sw
