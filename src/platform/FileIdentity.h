// Which file a path reaches, whatever way it is spelt. "\\?\C:\x", an 8.3
// short name, a path through a link to the folder and another case all
// reach the same file as "C:\x"; a comparison of the texts tells none of
// them apart. Paths are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sw {

// A file's identity on the system: its volume's serial number and its index
// on that volume, the same for every path that reaches it.
struct FileId {
    std::uint32_t volume = 0;
    std::uint64_t index = 0;

    bool operator==(const FileId&) const = default;
};

class FileIdentity {
public:
    virtual ~FileIdentity() = default;
    // The identity of the file or folder at path; nothing when there is
    // none there or it cannot be opened.
    virtual std::optional<FileId> IdOf(const std::string& path) = 0;
    // path made full against the current folder, without a "\\?\" or "\\.\"
    // prefix ("\\?\UNC\" as "\\"), and with the long name of every part
    // that is there; a part that is not there stays as written.
    virtual std::string LongPath(const std::string& path) = 0;
};

}  // namespace sw
