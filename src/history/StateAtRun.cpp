#include "history/StateAtRun.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unordered_map>

#include "platform/CaseFold.h"

namespace sw {
namespace {

// What the history says of one entry after the run, record by record.
struct EntryThen {
    std::string entry;  // the display name of its latest record
    std::string key;
    bool recorded = false;      // a record after the run is about it
    bool existed = false;       // it was there at the run
    bool removedSince = false;  // a removal was recorded after the run: subtree is then the entry whole
    std::vector<ExportKey> subtree{};
    // Each compared value's "before" in the oldest record about it; up to a
    // removal, as what follows one is about an entry made again.
    std::vector<std::pair<const ComparedValue*, std::optional<StoredValue>>> known{};
    std::optional<StoredValue> imagePath{};  // of an entry added or removed, on the side that has it
};

void Follow(EntryThen& e, const HistoryRecord& record) {
    e.entry = record.entry;
    if (!e.recorded) {
        e.recorded = true;
        e.existed = record.change.kind != ChangeKind::EntryAdded;
        if (!e.existed) e.imagePath = record.after;
    }
    if (!e.existed || e.removedSince) return;
    if (record.change.kind == ChangeKind::EntryRemoved) {
        e.removedSince = true;
        e.subtree = record.removedSubtree;
        e.imagePath = record.before;
        return;
    }
    const ComparedValue* compared = record.change.value;
    if (compared == nullptr || record.change.IsEntry()) return;
    if (std::none_of(e.known.begin(), e.known.end(), [&](const auto& k) { return k.first == compared; }))
        e.known.emplace_back(compared, record.before);
}

FoundValue Found(const std::optional<StoredValue>& value) { return value ? FoundOf(*value) : FoundValue{}; }

ExportKey& KeyAt(std::vector<ExportKey>& subtree, const std::string& path) {
    const std::string folded = FoldCase(path);
    for (ExportKey& key : subtree)
        if (FoldCase(key.path) == folded) return key;
    // The entry's own key stands first, as a restore of a removed entry
    // expects.
    subtree.insert(path.empty() ? subtree.begin() : subtree.end(), ExportKey{path, {}});
    return path.empty() ? subtree.front() : subtree.back();
}

// Sets a value of a key, or takes it away (whole) or marks it as not there
// (known values only).
void Put(ExportKey& key, const std::string& name, const std::optional<StoredValue>& value, bool whole) {
    const std::string folded = FoldCase(name);
    std::erase_if(key.values, [&](const ExportValue& v) { return FoldCase(v.name) == folded; });
    if (value) key.values.push_back(ExportValue{name, *value});
    else if (!whole) key.values.push_back(ExportValue{name, {}, true});
}

const ExportValue* ValueIn(const std::vector<ExportKey>& subtree, const ComparedValue& compared) {
    const std::string path = FoldCase(compared.subkey), name = FoldCase(compared.name);
    for (const ExportKey& key : subtree)
        if (FoldCase(key.path) == path)
            for (const ExportValue& value : key.values)
                if (FoldCase(value.name) == name) return &value;
    return nullptr;
}

ChangeRow EntryRow(const EntryThen& e, ChangeKind kind) {
    ChangeRow row{e.entry, e.key, Change{kind}, {}, {}};
    (kind == ChangeKind::EntryRemoved ? row.before : row.now) = Found(e.imagePath);
    return row;
}

// The rows and the earlier entry of one entry the history knows a change of.
void Add(const EntryThen& e, bool existsNow, RestoreToRun& out) {
    if (!e.existed) {
        // Not there then: one there now is disabled; one gone again needs nothing.
        if (existsNow) out.rows.push_back(EntryRow(e, ChangeKind::EntryAdded));
        return;
    }
    EarlierEntry then;
    then.whole = e.removedSince;
    then.subtree = e.subtree;
    KeyAt(then.subtree, "");
    for (const auto& [compared, value] : e.known)
        Put(KeyAt(then.subtree, std::string(compared->subkey)), std::string(compared->name), value, then.whole);
    if (!existsNow) {
        out.rows.push_back(EntryRow(e, ChangeKind::EntryRemoved));
    } else if (then.whole) {
        // Removed and made again since: every compared value goes back.
        for (const ComparedValue& compared : kComparedValues) {
            const ExportValue* value = ValueIn(then.subtree, compared);
            out.rows.push_back({e.entry, e.key, Change{ChangeKind::ValueChanged, &compared},
                                value ? FoundOf(value->stored) : FoundValue{}, FoundValue{}});
        }
    } else {
        for (const auto& [compared, value] : e.known)
            out.rows.push_back({e.entry, e.key, Change{ChangeKind::ValueChanged, compared}, Found(value), FoundValue{}});
    }
    out.earlier.entries[FoldCase(e.key)] = std::move(then);
}

}  // namespace

std::string RunTimeText(const LocalTime& time) {
    char text[40];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", time.date.day, time.date.month, time.date.year,
                  time.hour, time.minute, time.second);
    return text;
}

std::vector<LocalTime> RunsOf(const History& history) {
    std::vector<LocalTime> runs;
    for (const HistoryPair& pair : history.pairs) runs.push_back(pair.from);
    if (!history.pairs.empty()) runs.push_back(history.pairs.back().to);
    return runs;
}

RestoreToRun StateAtRun(const History& history, std::size_t run, const std::vector<std::string>& keys,
                        const std::function<bool(const std::string&)>& existsNow) {
    RestoreToRun out;
    const std::vector<LocalTime> runs = RunsOf(history);
    const std::string when = run < runs.size() ? RunTimeText(runs[run]) : std::string("?");
    out.earlier.name = {"Stand vom " + when, "vom " + when};
    std::vector<EntryThen> entries;
    std::unordered_map<std::string, std::size_t> byKey;  // folded key name: index in entries
    for (const std::string& key : keys)
        if (byKey.emplace(FoldCase(key), entries.size()).second) entries.push_back(EntryThen{key, key});
    for (std::size_t p = run; p < history.pairs.size(); ++p)
        for (const HistoryRecord& record : history.pairs[p].records)
            if (const auto it = byKey.find(FoldCase(record.key)); it != byKey.end()) Follow(entries[it->second], record);
    for (const EntryThen& e : entries)
        if (e.recorded) Add(e, existsNow(e.key), out);
    return out;
}

}  // namespace sw
