#include "snapshots/Snapshot.h"

#include <string_view>

namespace sw {

namespace {

// The key name as a snapshot line holds it: CR, LF and backslash escaped.
void AppendKeyName(std::string& line, const std::string& keyName) {
    if (keyName.find_first_of("\r\n\\") == std::string::npos) {
        line += keyName;
        return;
    }
    for (char c : keyName) {
        switch (c) {
            case '\r': line += "\\r"; break;
            case '\n': line += "\\n"; break;
            case '\\': line += "\\\\"; break;
            default: line += c;
        }
    }
}

// The key name a line holds, its escapes undone.
std::string KeyNameOfLine(std::string_view held) {
    if (held.find('\\') == std::string_view::npos) return std::string(held);
    std::string name;
    name.reserve(held.size());
    for (std::size_t i = 0; i < held.size(); ++i) {
        const char next = i + 1 < held.size() ? held[i + 1] : '\0';
        if (held[i] == '\\' && (next == 'r' || next == 'n' || next == '\\')) {
            name += next == 'r' ? '\r' : next == 'n' ? '\n' : '\\';
            ++i;
        } else {
            name += held[i];
        }
    }
    return name;
}

}  // namespace

std::string SnapshotLine(const std::string& keyName, std::optional<std::int32_t> start) {
    std::string line;
    AppendKeyName(line, keyName);
    line += "|";
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
    SnapshotEntry entry{KeyNameOfLine(std::string_view(line).substr(0, bar)), std::nullopt};
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
