// Whether a side file was written to its end. A file cut short (a full disk,
// a program ended while it wrote) must never replace a whole one, so the
// rotation and the export's finish look at the end of what they would keep.
#pragma once

#include <string_view>

#include "regexport/WholeExport.h"  // IsWholeExport, which the history checks as well

namespace sw {

// A snapshot ends in an empty line: CR LF after its last line and one more
// CR LF, or only CR LF when the list was empty.
inline bool IsWholeSnapshot(std::string_view bytes) {
    return bytes == "\r\n" || (bytes.size() >= 4 && bytes.substr(bytes.size() - 4) == "\r\n\r\n");
}

}  // namespace sw
