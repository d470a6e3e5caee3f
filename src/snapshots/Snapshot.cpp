#include "snapshots/Snapshot.h"

namespace sw {

std::string SnapshotLine(const std::string& keyName, std::optional<std::int32_t> start) {
    std::string line = keyName + "|";
    if (start) line += std::to_string(static_cast<std::uint32_t>(*start));
    return line + "\r\n";
}

}  // namespace sw
