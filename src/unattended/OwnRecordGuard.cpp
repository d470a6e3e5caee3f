#include "unattended/OwnRecordGuard.h"

#include <string_view>

#include "platform/CaseFold.h"

namespace sw {
namespace {

std::size_t LastSeparator(std::string_view path) { return path.find_last_of("\\/"); }

std::string NameOf(const std::string& path) {
    const std::size_t slash = LastSeparator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A drive's root keeps its separator: "C:" alone is the drive's current
// folder.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = LastSeparator(path);
    if (slash == std::string::npos) return {};
    return path.substr(0, slash == 2 && path[1] == ':' ? 3 : slash);
}

// One side of the comparison: a path's identity where it is there, and its
// long form.
struct Spot {
    std::optional<FileId> id;
    std::string longPath;
    std::string foldedName;
    std::string foldedFolder;

    Spot(FileIdentity& identity, const std::string& path)
        : id(identity.IdOf(path)), longPath(identity.LongPath(path)) {
        foldedName = FoldCase(NameOf(longPath));
        foldedFolder = FoldCase(FolderOf(longPath));
    }
};

bool SameFile(FileIdentity& identity, const Spot& target, const Spot& record) {
    if (target.id && record.id) return *target.id == *record.id;
    // One of them is not there (yet): the same name in the same folder.
    if (target.foldedName != record.foldedName) return false;
    if (target.foldedFolder == record.foldedFolder) return true;
    const auto targetFolder = identity.IdOf(FolderOf(target.longPath));
    const auto recordFolder = identity.IdOf(FolderOf(record.longPath));
    return targetFolder && recordFolder && *targetFolder == *recordFolder;
}

}  // namespace

std::optional<std::string> OwnRecordAt(FileIdentity& identity, const std::vector<std::string>& records,
                                       const std::string& target) {
    const Spot written(identity, target);
    for (const std::string& record : records)
        if (SameFile(identity, written, Spot(identity, record))) return record;
    return std::nullopt;
}

}  // namespace sw
