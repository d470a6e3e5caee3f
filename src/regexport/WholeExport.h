// Whether an export of the registry editor was written to its end: the
// rotation, the export's finish and the history look at the end of an
// export before they keep it or compare it.
#pragma once

#include <string_view>

namespace sw {

// The registry editor's export: UTF-16LE with its byte-order mark, its
// header line, and an empty line after the last key's values (the editor
// ends every key with one). Its exit code says nothing about a full disk,
// so the end of the file is what tells.
inline bool IsWholeExport(std::string_view bytes) {
    using namespace std::string_view_literals;
    constexpr std::string_view header =
        "\xFF\xFEW\0i\0n\0d\0o\0w\0s\0 \0R\0e\0g\0i\0s\0t\0r\0y\0 \0E\0d\0i\0t\0o\0r\0 \0"
        "V\0e\0r\0s\0i\0o\0n\0 \0\x35\0.\0\x30\0\x30\0\r\0\n\0"sv;
    constexpr std::string_view end = "\r\0\n\0\r\0\n\0"sv;
    return bytes.size() % 2 == 0 && bytes.size() >= header.size() + end.size() &&
           bytes.substr(0, header.size()) == header && bytes.substr(bytes.size() - end.size()) == end;
}

}  // namespace sw
