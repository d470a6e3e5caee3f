// The differences between two exports as one pair of the history: the
// comparison of the changes window (CompareServices, with its per-user
// instance rule) over the two exports, each row then given its values as the
// exports store them, and a removed entry its whole subtree.
#include <unordered_map>

#include "history/History.h"
#include "history/HistoryFormat.h"
#include "platform/CaseFold.h"
#include "regexport/WholeExport.h"

namespace sw {
namespace {

const std::string kServicesPrefix = FoldCase("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\");

// The compared values of an export as stored, found by entry and value. A
// key that stands in several sections gives the value of its last one, as
// ServicesInExport reads it.
class StoredValues {
public:
    explicit StoredValues(const RegExport& file) {
        for (const ExportKey& key : file.keys) {
            if (key.removed || key.path.size() <= kServicesPrefix.size()) continue;
            std::string folded = FoldCase(key.path);
            if (folded.compare(0, kServicesPrefix.size(), kServicesPrefix) != 0) continue;
            byPath_[folded.substr(kServicesPrefix.size())].push_back(&key);
        }
    }
    std::optional<StoredValue> Find(const std::string& keyName, const ComparedValue& compared) const {
        std::string path = FoldCase(keyName);
        if (!compared.subkey.empty()) path += "\\" + FoldCase(std::string(compared.subkey));
        const auto it = byPath_.find(path);
        if (it == byPath_.end()) return std::nullopt;
        const std::string name = FoldCase(std::string(compared.name));
        std::optional<StoredValue> found;
        for (const ExportKey* key : it->second)
            for (const ExportValue& value : key->values)
                if (!value.removed && FoldCase(value.name) == name) found = value.stored;
        return found;
    }

private:
    std::unordered_map<std::string, std::vector<const ExportKey*>> byPath_;
};

const ComparedValue& ImagePath() { return ComparedByField(ManagerField::ImagePath); }

// An export's entries, or why there are none: not whole, not readable, or
// without the Services key.
std::optional<std::vector<ServiceValues>> EntriesOf(std::string_view bytes, const RegExport& file,
                                                    const std::string& which, std::string* why) {
    std::string reason;
    std::optional<std::vector<ServiceValues>> entries;
    if (!IsWholeExport(bytes)) reason = which + " ist nicht vollständig geschrieben.";
    else if (!file.Ok()) reason = which + " kann nicht gelesen werden: " + file.error;
    else if (!(entries = ServicesInExport(file))) reason = which + " enthält den Schlüssel der Dienste nicht.";
    if (!reason.empty() && why) *why = reason;
    return entries;
}

std::vector<HistoryRecord> RecordsOf(const std::vector<ChangeRow>& rows, std::string_view earlierExport,
                                     const RegExport& earlier, const RegExport& later) {
    const StoredValues before(earlier), after(later);
    std::vector<std::string> removed;
    for (const ChangeRow& row : rows)
        if (row.change.kind == ChangeKind::EntryRemoved) removed.push_back(row.key);
    // Only the removed entries' subtrees are kept, so the earlier export is
    // read a second time only when an entry went.
    const RegExport subtrees = removed.empty() ? RegExport{} : ReadEntrySubtrees(earlierExport, removed);

    std::vector<HistoryRecord> records;
    records.reserve(rows.size());
    for (const ChangeRow& row : rows) {
        HistoryRecord record;
        record.entry = row.entry;
        record.key = row.key;
        record.change = row.change;
        record.notAnInstance = row.notAnInstance;
        const ComparedValue& value = row.change.value ? *row.change.value : ImagePath();
        if (row.change.kind != ChangeKind::EntryAdded) record.before = before.Find(row.key, value);
        if (row.change.kind != ChangeKind::EntryRemoved) record.after = after.Find(row.key, value);
        if (row.change.kind == ChangeKind::EntryRemoved)
            record.removedSubtree = EntrySubtree(subtrees, row.key).value_or(std::vector<ExportKey>{});
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace

std::string HistoryPath(Program& program) { return program.Folder() + "\\" + program.BaseName() + "-Verlauf.dat"; }

std::optional<HistoryPair> DifferencesBetween(std::string_view earlierExport, std::string_view laterExport,
                                              const LocalTime& from, const LocalTime& to, std::string* why) {
    return DifferencesOfRuns(earlierExport, laterExport,
                             PairRuns{from, to, ExportChecksum(earlierExport), ExportChecksum(laterExport)}, why);
}

std::optional<HistoryPair> DifferencesOfRuns(std::string_view earlierExport, std::string_view laterExport,
                                             const PairRuns& runs, std::string* why) {
    const RegExport earlier = ReadServicesExport(earlierExport);
    const auto before = EntriesOf(earlierExport, earlier, "Der frühere Export der Dienste", why);
    if (!before) return std::nullopt;
    const RegExport later = ReadServicesExport(laterExport);
    const auto after = EntriesOf(laterExport, later, "Der Export der Dienste dieses Laufs", why);
    if (!after) return std::nullopt;

    HistoryPair pair;
    pair.from = runs.from;
    pair.to = runs.to;
    pair.fromChecksum = runs.fromChecksum;
    pair.toChecksum = runs.toChecksum;
    const std::vector<ChangeRow> rows = CompareServices(*before, *after, &pair.instancesLeftOut);
    if (!rows.empty()) pair.records = RecordsOf(rows, earlierExport, earlier, later);
    return pair;
}

}  // namespace sw
