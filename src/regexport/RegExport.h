// Reading the registry editor's export files ("Windows Registry Editor
// Version 5.00", UTF-16LE with a byte-order mark) into plain data. No window
// and no registry access: the bytes of a file in, keys with their values out,
// or one line saying in German why the file cannot be read.
//
// What is read: "[key]" sections, "name"= and "@"= (default value) lines with
// "text", dword:, hex: and hex(n): data, hex data continued over lines that
// end in "\", and the escapes \\ and \" in names and texts. Comment lines
// are skipped, and so are deletions ("[-key]" and "name"=-) unless the
// selection keeps them. WriteRegFile writes the same format.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/StoredValue.h"

namespace sw {

struct ExportValue {
    std::string name;      // UTF-8; "" is the key's default value
    StoredValue stored{};  // type as the file gives it, bytes as the registry keeps
                           // them (texts in UTF-16LE with their terminating NUL)
    bool removed = false;  // "name"=-: the value is to be deleted

    bool operator==(const ExportValue&) const = default;
};

struct ExportKey {
    std::string path;                // UTF-8, as the registry editor reads the
                                     // brackets: one backslash between names
    std::vector<ExportValue> values; // in file order
    bool removed = false;            // "[-path]": the key is to be deleted, with its subkeys

    bool operator==(const ExportKey&) const = default;
};

struct RegExport {
    std::vector<ExportKey> keys;  // in file order
    std::string error;            // empty when the whole file was read

    bool Ok() const { return error.empty(); }
};

// The part of a file a read keeps. The whole file is read and checked all
// the same, so a file that cannot be read is reported as such whichever part
// of it is kept; what is not kept costs no memory.
class ExportSelection {
public:
    virtual ~ExportSelection() = default;
    // A key, by its path as the registry editor reads it (ExportKey::path).
    virtual bool KeepsKey(std::u16string_view path) const = 0;
    // A value of a kept key, by its name with escapes undone ("" for the
    // default value).
    virtual bool KeepsValue(std::u16string_view name) const = 0;
    // Whether "[-key]" sections and "name"=- lines are kept (as keys and
    // values marked removed) rather than skipped; exports hold none.
    virtual bool KeepsDeletions() const { return false; }
};

// Reads a whole export file, keeping every key and value or those selected.
// Work grows linearly with the file's size, memory with what is kept.
RegExport ReadRegExport(std::string_view fileBytes);
RegExport ReadRegExport(std::string_view fileBytes, const ExportSelection& keep);
// Every key and value, deletions included: a file to be imported, such as
// the restore's undo file.
RegExport ReadRegFile(std::string_view fileBytes);

// The bytes of a file in the registry editor's format: UTF-16LE with a
// byte-order mark, the header "Windows Registry Editor Version 5.00", CR LF
// line ends, a blank line after the header and after every section. A key is
// "[path]", or "[-path]" when removed (its values are not written); a value
// is "name"= ("@" for the default value) followed by "-" when removed, a
// quoted text (\\ and \" escaped) for a REG_SZ that ends in its one NUL and
// holds no other and no line end, dword: for a four-byte REG_DWORD, and hex:
// (REG_BINARY) or hex(n): otherwise, its bytes wrapped as the registry
// editor wraps them (at most 80 characters a line, continued after ",\" on
// a line that begins with two blanks).
std::string WriteRegFile(const std::vector<ExportKey>& keys);

}  // namespace sw
