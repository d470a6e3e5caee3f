#include "snapshots/StartTypeCheck.h"

#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "catalogue/Lines.h"
#include "snapshots/Snapshot.h"

namespace sw {
namespace {

inline const std::string kReportNotPrinted = "Die veränderten Starttypen konnten nicht gedruckt werden.    ";

// The visible lines by key name: for every key its first line, with a link
// to the next line of the same key, so that each snapshot line costs one
// look-up instead of a walk over the whole list.
class ListIndex {
public:
    explicit ListIndex(const std::vector<std::string>& lines) : lines_(lines), next_(lines.size(), kNone) {
        first_.reserve(lines.size());
        // From the back, so that each key's chain runs in list order.
        for (std::size_t i = lines.size(); i-- > 0;) {
            auto [at, added] = first_.try_emplace(KeyNameIn(lines[i], false), i);
            if (!added) {
                next_[i] = at->second;
                at->second = i;
            }
        }
    }

    // Calls visit(line index) for every line whose key is keyName, in list order.
    template <class Visit>
    void ForEach(const std::string& keyName, Visit visit) const {
        const auto at = first_.find(keyName);
        if (at == first_.end()) return;
        for (std::size_t i = at->second; i != kNone; i = next_[i]) visit(i);
    }

    std::string DisplayText(std::size_t line) const { return SplitLine(lines_[line]).first; }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    const std::vector<std::string>& lines_;
    std::vector<std::size_t> next_;
    std::unordered_map<std::string_view, std::size_t> first_;
};

}  // namespace

std::optional<std::string> ReadSnapshotText(Files& files, const AnsiCodec& codec, const std::string& path) {
    std::string bytes;
    if (!files.Read(path, bytes)) return std::nullopt;
    return SnapshotTextOfFile(codec, bytes);
}

std::string StartTypeReport(Registry& registry, const std::vector<std::string>& lines, const std::string& snapshot) {
    const ListIndex index(lines);
    std::string report;
    ForEachSnapshotEntry(snapshot, [&](const SnapshotEntry& entry) {
        index.ForEach(entry.keyName, [&](std::size_t line) {
            std::optional<std::uint32_t> now;
            if (const auto number = ReadStart(registry, entry.keyName).number) now = static_cast<std::uint32_t>(*number);
            if (now == entry.start) return;
            report += index.DisplayText(line) + ", " + "Starttyp vorher: " + PrintedStartLabel(entry.start) + ", " +
                      "Starttyp jetzt: " + PrintedStartLabel(now) + "\n\r";
        });
    });
    return report;
}

std::string ReportFileText(const std::string& report) {
    std::string text;
    for (std::size_t i = 0; i < report.size(); ++i) {
        if (report[i] == '\n' && i + 1 < report.size() && report[i + 1] == '\r') {
            text += "\r\n";
            ++i;
        } else {
            text += report[i];
        }
    }
    return text;
}

std::string ReportMessageText(const std::string& report) {
    std::string text = ReportFileText(report);
    std::string joined;
    for (char ch : text)
        if (ch != '\r') joined += ch;
    while (!joined.empty() && joined.back() == '\n') joined.pop_back();
    return joined;
}

std::string SaveUnprintedReport(Files& files, const AnsiCodec& codec, const std::string& path,
                                const std::string& report, const std::string& failure) {
    std::string message = kReportNotPrinted + "\n" + failure + "\n";
    if (files.Write(path, AnsiOrUtf8Bytes(codec, ReportFileText(report))))
        return message + "Die Unterschiede wurden in der Datei\n" + path + "\ngespeichert.";
    return message + "Die Unterschiede:\n" + ReportMessageText(report);
}

}  // namespace sw
