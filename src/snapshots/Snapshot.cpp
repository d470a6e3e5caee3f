#include "snapshots/Snapshot.h"

namespace sw {

std::string SnapshotLine(const std::string& keyName, std::optional<std::int32_t> start) {
    std::string line = keyName + "|";
    if (start) line += std::to_string(static_cast<std::uint32_t>(*start));
    return line + "\r\n";
}

std::string SnapshotLines(const std::vector<ServiceStart>& starts) {
    std::string lines;
    for (const ServiceStart& service : starts) lines += SnapshotLine(service.keyName, service.start);
    return lines;
}

namespace {

const std::string kUtf8Mark = "\xEF\xBB\xBF";

}  // namespace

std::string SnapshotFileBytes(const AnsiCodec& codec, const std::string& lines) {
    return AnsiOrUtf8Bytes(codec, SnapshotFileText(lines));
}

std::string AnsiOrUtf8Bytes(const AnsiCodec& codec, const std::string& text) {
    if (auto ansi = codec.ToAnsiExactly(text); ansi && !ansi->starts_with(kUtf8Mark)) return *std::move(ansi);
    return kUtf8Mark + text;
}

std::string SnapshotTextOfFile(const AnsiCodec& codec, const std::string& bytes) {
    if (bytes.starts_with(kUtf8Mark)) return bytes.substr(kUtf8Mark.size());
    return codec.FromAnsi(bytes);
}

std::optional<SnapshotEntry> ParseSnapshotLine(const std::string& line) {
    const auto bar = line.rfind('|');
    if (bar == std::string::npos) return std::nullopt;
    SnapshotEntry entry{line.substr(0, bar), std::nullopt};
    const std::string field = line.substr(bar + 1);
    if (field.empty()) return entry;
    if (field.size() > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : field) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFull) return std::nullopt;
    entry.start = static_cast<std::uint32_t>(value);
    return entry;
}

}  // namespace sw
