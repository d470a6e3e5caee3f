#include "snapshots/StartTypeCheck.h"

#include <cstdint>
#include <functional>
#include <string_view>

#include "catalogue/Lines.h"
#include "snapshots/Snapshot.h"

namespace sw {
namespace {

inline const std::string kReportNotPrinted = "Die veränderten Starttypen konnten nicht gedruckt werden.    ";

// The visible lines by the key name kept with each: for every key its first
// line, with a link to the next line of the same key (a list may show one
// entry twice), so that each snapshot line costs one
// look-up instead of a walk over the whole list. The table is one flat
// array (open addressing) of hashes and line numbers: a look-up touches
// little memory however long the list is, where a node-based standard map
// costs about a third more time at 30,000 lines (bench/startcheck_bench.cpp).
class ListIndex {
public:
    explicit ListIndex(const std::vector<ListItem>& items) : items_(items) {
        keys_.reserve(items.size());
        for (const ListItem& item : items) keys_.push_back(item.key);
        next_.assign(keys_.size(), kNone);
        std::size_t capacity = 16;
        while (capacity < keys_.size() * 2) capacity *= 2;
        slots_.assign(capacity, Slot{0, kNone});
        // From the back, so that each key's chain runs in list order.
        for (std::size_t i = keys_.size(); i-- > 0;) {
            Slot& slot = slots_[SlotOf(keys_[i])];
            if (slot.line != kNone) next_[i] = slot.line;
            slot = Slot{Hash(keys_[i]), static_cast<std::uint32_t>(i)};
        }
    }

    // Calls visit(line index) for every line whose key is keyName, in list order.
    template <class Visit>
    void ForEach(std::string_view keyName, Visit visit) const {
        for (std::uint32_t i = slots_[SlotOf(keyName)].line; i != kNone; i = next_[i]) visit(std::size_t{i});
    }

    std::string DisplayText(std::size_t line) const { return SplitLine(items_[line].line).first; }

private:
    // A list box's index is a 32-bit int, so 32 bits hold every line number.
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    struct Slot {
        std::uint32_t hash;
        std::uint32_t line;  // the key's first line; kNone for an empty slot
    };
    static std::uint32_t Hash(std::string_view key) {
        return static_cast<std::uint32_t>(std::hash<std::string_view>{}(key));
    }

    // The slot that holds key, or the empty slot where it belongs. The table
    // is never more than half full, so there always is one.
    std::size_t SlotOf(std::string_view key) const {
        const std::uint32_t hash = Hash(key);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const Slot& slot = slots_[at];
            if (slot.line == kNone || (slot.hash == hash && keys_[slot.line] == key)) return at;
        }
    }

    const std::vector<ListItem>& items_;
    std::vector<std::string_view> keys_;  // into items_
    std::vector<std::uint32_t> next_;
    std::vector<Slot> slots_;
};

}  // namespace

std::optional<std::string> ReadSnapshotText(Files& files, const AnsiCodec& codec, const std::string& path) {
    std::string bytes;
    if (!files.Read(path, bytes)) return std::nullopt;
    return SnapshotTextOfFile(codec, bytes);
}

std::string StartTypeReport(Registry& registry, const std::vector<ListItem>& items, const std::string& snapshot) {
    const ListIndex index(items);
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
