#include "changes/ChangesRestorer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>

#include "changes/ChangeTexts.h"
#include "platform/CaseFold.h"

namespace sw {
namespace {

const std::string kStart = "Start";
const std::string kObjectName = "ObjectName";
const std::string kMachine = "HKEY_LOCAL_MACHINE\\";
const std::string kNoCall = "Für diesen Wert hat die Dienstverwaltung keinen Aufruf; wirksam nach dem nächsten Neustart.";
const std::string kNotTaken =
    "Die Dienstverwaltung hat den Wert nicht übernommen; in der Registrierung gesetzt, wirksam nach dem nächsten "
    "Neustart.";
constexpr std::uint32_t kDisabled = 4;
// The values a service manager that keeps its own copy may write into the
// key when told a change.
const std::array<std::string, 14> kManagerCopy = {
    "Type",        "Start", "ErrorControl", "ImagePath",       "DisplayName",   "ObjectName",     "Group",
    "Description", "Tag",   "DependOnService", "DependOnGroup", "FailureActions", "FailureCommand", "DelayedAutostart"};
// The service-type bits of a driver or a service the manager can register.
constexpr std::uint32_t kServiceTypeBits = 0x1 | 0x2 | 0x10 | 0x20;

bool SameName(const std::string& a, const std::string& b) { return FoldCase(a) == FoldCase(b); }

// Whether a row (a selected one, an outcome) is the one of that entry and
// change.
template <typename Row>
bool SameRow(const Row& row, const std::string& key, const Change& change) {
    return row.change.SameAs(change) && SameName(row.key, key);
}

void Skip(RestorePlan& plan, const ChangeRow& row, const std::string& reason) {
    plan.skipped.push_back({row.entry, row.key, row.change, reason});
}

std::string ErrorText(ServiceManager& services, std::uint32_t error) {
    const std::string message = services.SystemMessage(error);
    return "Fehler " + std::to_string(error) + (message.empty() ? "" : ": " + message);
}


const ExportValue* FindValue(const ExportKey& key, const std::string& name) {
    for (const ExportValue& value : key.values)
        if (SameName(value.name, name)) return &value;
    return nullptr;
}

const ExportKey* FindKey(const std::vector<ExportKey>& subtree, const std::string& relative) {
    for (const ExportKey& key : subtree)
        if (SameName(key.path, relative)) return &key;
    return nullptr;
}

std::string JoinPath(const std::string& path, const std::string& subkey) {
    return subkey.empty() ? path : path + "\\" + subkey;
}

// The values a row puts back: the start type and its delay go together.
std::vector<const ComparedValue*> ValuesOfRow(const Change& change) {
    const ComparedValue* compared = change.value;
    if (change.IsEntry() || compared == nullptr) return {};
    if (compared->field == ManagerField::Start || compared->field == ManagerField::DelayedAutoStart)
        return {&ComparedByField(ManagerField::Start), &ComparedByField(ManagerField::DelayedAutoStart)};
    return {compared};
}

bool IsBootOrSystem(const std::optional<StoredValue>& value) {
    if (!value) return false;
    const auto number = StoredNumber(*value);
    return number && *number <= 1;
}

// The manager's field a write is told through: one of the entry's own
// values that gets a value of the type the manager's call takes; None for
// any other (a removal, a value in a subkey, a value without a call).
ManagerField FieldTold(const PlannedWrite& write) {
    if (!write.subkey.empty() || write.action != RestoreAction::SetValue) return ManagerField::None;
    const ComparedValue* compared = ComparedByLabel(write.name);
    if (compared == nullptr) return ManagerField::None;
    const StoredValue& target = write.target;
    const auto number = StoredNumber(target);
    const auto text = StoredText(target);
    switch (compared->field) {
        case ManagerField::Start: return number && *number <= kDisabled ? compared->field : ManagerField::None;
        case ManagerField::Type:
        case ManagerField::DelayedAutoStart: return number ? compared->field : ManagerField::None;
        case ManagerField::Account:
            return text && AccountNeedsNoPassword(*text) ? compared->field : ManagerField::None;
        case ManagerField::ImagePath:
        case ManagerField::Group:
        case ManagerField::DisplayName:
        case ManagerField::FailureCommand: return text ? compared->field : ManagerField::None;
        case ManagerField::None: break;
    }
    return ManagerField::None;
}

// Whether the manager's configuration holds the target in its field.
bool Holds(const ServiceConfig& config, ManagerField field, const StoredValue& target) {
    switch (field) {
        case ManagerField::Start: return StoredNumber(target) == config.start;
        case ManagerField::Type: return StoredNumber(target) == config.type;
        case ManagerField::DelayedAutoStart: return (StoredNumber(target).value_or(0) != 0) == config.delayedAutoStart;
        case ManagerField::ImagePath: return StoredText(target) == config.imagePath;
        case ManagerField::Group: return StoredText(target) == config.group;
        case ManagerField::DisplayName: return StoredText(target) == config.displayName;
        case ManagerField::Account: return SameName(StoredText(target).value_or(""), config.account);
        case ManagerField::FailureCommand: return StoredText(target).value_or("") == config.failureCommand;
        case ManagerField::None: break;
    }
    return false;
}

// Adds the target to the change where the field is one ChangeConfig sets;
// false for the fields with calls of their own.
bool AddToChange(ServiceConfigChange& change, ManagerField field, const StoredValue& target) {
    switch (field) {
        case ManagerField::Start: change.start = StoredNumber(target); return true;
        case ManagerField::Type: change.type = StoredNumber(target); return true;
        case ManagerField::ImagePath: change.imagePath = StoredText(target); return true;
        case ManagerField::Group: change.group = StoredText(target); return true;
        case ManagerField::DisplayName: change.displayName = StoredText(target); return true;
        case ManagerField::Account: change.account = StoredText(target); return true;
        default: return false;
    }
}

// One value of a key as stored now, or nothing when it is not there; error
// is set when it cannot be read.
std::optional<StoredValue> ReadCurrent(Registry& registry, const std::string& path, const std::string& name,
                                       long& error) {
    StoredValue value;
    error = registry.ReadStored(kHkeyLocalMachine, path, name, value);
    if (error == kErrorSuccess) return value;
    if (error == kErrorFileNotFound) error = kErrorSuccess;
    return std::nullopt;
}

// What the plan needs of the registry now, read before it is made: which
// of the selected entries are there, and the values their rows put back.
// The plan itself reads nothing.
struct RegistryNow {
    struct Read {
        std::optional<StoredValue> value;
        std::string failure;  // why it could not be read (the system's message); empty when it was
    };
    std::vector<std::string> entries;  // folded key names of the selected entries that are there
    std::map<std::string, Read> values;  // by Place()

    static std::string Place(const std::string& key, std::string_view subkey, std::string_view name) {
        return FoldCase(key + "\\" + std::string(subkey) + "\\" + std::string(name));
    }
    bool Has(const std::string& key) const {
        return std::find(entries.begin(), entries.end(), FoldCase(key)) != entries.end();
    }
    const Read& At(const std::string& key, std::string_view subkey, std::string_view name) const {
        static const Read kNone{};
        const auto it = values.find(Place(key, subkey, name));
        return it == values.end() ? kNone : it->second;
    }
};

// The places a row's plan looks at now: "Start" of an added entry, the
// values a changed one puts back.
std::vector<std::pair<std::string_view, std::string_view>> PlacesOfRow(const ChangeRow& row) {
    if (row.change.kind == ChangeKind::EntryAdded) return {{"", "Start"}};
    std::vector<std::pair<std::string_view, std::string_view>> places;
    for (const ComparedValue* compared : ValuesOfRow(row.change)) places.emplace_back(compared->subkey, compared->name);
    return places;
}

RegistryNow ReadForPlan(Registry& registry, ServiceManager& services, const std::vector<ChangeRow>& selected) {
    RegistryNow now;
    for (const ChangeRow& row : selected) {
        const std::string path = ServiceKeyPath(row.key);
        if (!now.Has(row.key) && registry.KeyExists(kHkeyLocalMachine, path)) now.entries.push_back(FoldCase(row.key));
        for (const auto& [subkey, name] : PlacesOfRow(row)) {
            const std::string place = RegistryNow::Place(row.key, subkey, name);
            if (now.values.count(place) != 0) continue;
            long error = 0;
            RegistryNow::Read read;
            read.value = ReadCurrent(registry, JoinPath(path, std::string(subkey)), std::string(name), error);
            if (error != kErrorSuccess) read.failure = ErrorText(services, static_cast<std::uint32_t>(error));
            now.values.emplace(place, std::move(read));
        }
    }
    return now;
}

void PlanAddedEntry(const RegistryNow& now, const ChangeRow& row, RestorePlan& plan);
void PlanRemovedEntry(const EarlierEntry* then, const RegistryNow& now, const ChangeRow& row, RestorePlan& plan);
void PlanValues(const EarlierEntry& then, const RegistryNow& now, const ChangeRow& row,
                const std::vector<ChangeRow>& selected, RestorePlan& plan);

std::string NotHeld(const RestorePlan& plan) { return "Der " + plan.name.source + " enthält den Eintrag nicht."; }

void PlanRow(const EarlierState& earlier, const RegistryNow& now, const ChangeRow& row,
             const std::vector<ChangeRow>& selected, RestorePlan& plan) {
    if (!CanRestore(row)) {
        if (row.change.value != nullptr && row.change.value->field == ManagerField::Account)
            Skip(plan, row,
                 "Das Konto \"" + BeforeText(row) +
                     "\" braucht ein Kennwort, das das Programm nicht kennt. Stellen Sie es in der Diensteverwaltung "
                     "mit seinem Kennwort ein, oder wählen Sie ein Konto ohne Kennwort: LocalSystem, "
                     "NT AUTHORITY\\LocalService, NT AUTHORITY\\NetworkService oder ein Konto \"NT SERVICE\\…\".");
        else
            Skip(plan, row, "Diese Änderung kann nicht zurückgesetzt werden.");
        return;
    }
    if (row.change.kind == ChangeKind::EntryAdded) return PlanAddedEntry(now, row, plan);
    const EarlierEntry* then = earlier.Find(row.key);
    if (row.change.kind == ChangeKind::EntryRemoved) return PlanRemovedEntry(then, now, row, plan);
    if (then == nullptr) return Skip(plan, row, NotHeld(plan));
    if (!now.Has(row.key)) return Skip(plan, row, "Der Eintrag ist nicht mehr vorhanden.");
    PlanValues(*then, now, row, selected, plan);
}

// A removed entry comes back whole, as the earlier state holds it; one
// known only by some of its values cannot be made again.
void PlanRemovedEntry(const EarlierEntry* then, const RegistryNow& now, const ChangeRow& row, RestorePlan& plan) {
    if (then == nullptr || then->subtree.empty()) return Skip(plan, row, NotHeld(plan));
    if (!then->whole)
        return Skip(plan, row, "Der " + plan.name.source + " kennt nur einige Werte des Eintrags; er kann nicht angelegt werden.");
    if (now.Has(row.key)) return Skip(plan, row, "Der Eintrag ist inzwischen wieder vorhanden.");
    PlannedWrite write{row.entry, row.key};
    write.change = row.change;
    write.action = RestoreAction::CreateEntry;
    write.subtree = then->subtree;
    if (const ExportValue* start = FindValue(write.subtree.front(), kStart))
        if (IsBootOrSystem(start->stored)) plan.touchesBootOrSystemStart = true;
    plan.writes.push_back(std::move(write));
}

// An added entry is not deleted: its start type becomes "Deaktiviert".
void PlanAddedEntry(const RegistryNow& now, const ChangeRow& row, RestorePlan& plan) {
    if (!now.Has(row.key)) return Skip(plan, row, "Der Eintrag ist nicht mehr vorhanden.");
    const RegistryNow::Read& read = now.At(row.key, "", kStart);
    if (!read.failure.empty()) return Skip(plan, row, "\"Start\" kann nicht gelesen werden (" + read.failure + ").");
    const std::optional<StoredValue>& start = read.value;
    if (start && start->type == kRegDword && StoredNumber(*start) == kDisabled)
        return Skip(plan, row, "Der Eintrag ist schon deaktiviert.");
    PlannedWrite write{row.entry, row.key, row.change};
    write.current = start;
    write.name = kStart;
    write.target = StoredValue{kRegDword, std::string("\x04\0\0\0", 4)};
    if (IsBootOrSystem(start)) plan.touchesBootOrSystemStart = true;
    plan.writes.push_back(std::move(write));
}

// A changed value gets what the earlier state holds (its partner too, for
// the start type); only what differs now is written. Where the state knows
// only some values, one it does not name is left as it is now.
void PlanValues(const EarlierEntry& then, const RegistryNow& now, const ChangeRow& row,
                const std::vector<ChangeRow>& selected, RestorePlan& plan) {
    const std::vector<ExportKey>& subtree = then.subtree;
    std::string unreadable;
    for (const ComparedValue* compared : ValuesOfRow(row.change)) {
        const std::string valuePath(compared->label), subkey(compared->subkey), name(compared->name);
        // A value another selected row already puts back is not planned twice.
        const bool planned = std::any_of(plan.writes.begin(), plan.writes.end(), [&](const PlannedWrite& w) {
            return w.action != RestoreAction::CreateEntry && SameName(w.key, row.key) && SameName(w.subkey, subkey) &&
                   SameName(w.name, name);
        });
        if (planned) continue;
        const ExportKey* exportedKey = FindKey(subtree, subkey);
        const ExportValue* exported = exportedKey ? FindValue(*exportedKey, name) : nullptr;
        if (exported == nullptr && !then.whole) continue;
        const RegistryNow::Read& read = now.At(row.key, subkey, name);
        if (!read.failure.empty()) {
            unreadable = "\"" + valuePath + "\" kann nicht gelesen werden (" + read.failure + ").";
            continue;
        }
        const std::optional<StoredValue>& current = read.value;
        std::optional<StoredValue> target;
        if (exported && !exported->removed) target = exported->stored;
        if (current == target) continue;
        if (compared->field == ManagerField::Account && target && StoredText(*target) && !AccountNeedsNoPassword(*StoredText(*target))) {
            unreadable = "Das Konto \"" + *StoredText(*target) + "\" braucht ein Kennwort, das das Programm nicht kennt.";
            continue;
        }
        PlannedWrite write{row.entry, row.key};
        write.current = current;
        // The partner of "Start" and "DelayedAutostart" is reported on its
        // own row where that is selected too.
        const Change partner{ChangeKind::ValueChanged, compared};
        const bool partnerSelected =
            compared != row.change.value && std::any_of(selected.begin(), selected.end(), [&](const ChangeRow& r) {
                return SameRow(r, row.key, partner);
            });
        write.change = partnerSelected ? partner : row.change;
        write.action = target ? RestoreAction::SetValue : RestoreAction::RemoveValue;
        write.subkey = subkey;
        write.name = name;
        if (target) write.target = *target;
        if (compared->field == ManagerField::Start && (IsBootOrSystem(current) || IsBootOrSystem(target)))
            plan.touchesBootOrSystemStart = true;
        plan.writes.push_back(std::move(write));
    }
    const bool hasWrites = std::any_of(plan.writes.begin(), plan.writes.end(), [&](const PlannedWrite& w) {
        return SameName(w.key, row.key) && w.change.SameAs(row.change);
    });
    if (!hasWrites)
        Skip(plan, row, !unreadable.empty() ? unreadable : "Der Wert ist schon wieder wie im " + plan.name.source + ".");
}

}  // namespace

void ChangesRestorer::Worsen(WriteOutcome& outcome, RestoreOutcomeKind kind, const std::string& reason) {
    if (static_cast<int>(kind) > static_cast<int>(outcome.kind)) outcome.kind = kind;
    if (!reason.empty() && outcome.reason.find(reason) == std::string::npos)
        outcome.reason += (outcome.reason.empty() ? "" : " ") + reason;
}

bool AccountNeedsNoPassword(const std::string& account) {
    const std::string folded = FoldCase(account);
    if (folded.empty() || folded == "localsystem" || folded == ".\\localsystem") return true;
    if (folded == "nt authority\\localservice" || folded == "nt authority\\networkservice") return true;
    return folded.rfind("nt service\\", 0) == 0 && folded.size() > 11;
}

bool CanRestore(const ChangeRow& row) {
    if (row.change.IsEntry()) return true;
    if (row.change.value == nullptr) return false;
    // An account that needs a password cannot be put back without it; one
    // that was not there, or not a text, leaves the manager's default.
    if (row.change.value->field != ManagerField::Account) return true;
    switch (row.before.kind) {
        case FoundValue::Kind::Absent:
        case FoundValue::Kind::Other: return true;
        case FoundValue::Kind::Text: return AccountNeedsNoPassword(row.before.text);
        case FoundValue::Kind::Number: break;
    }
    return false;
}

// The manager's calls: one change of the configuration for the fields it
// sets, then the delayed start and the failure command. What the manager
// already holds is not told again (some services refuse a write even of the
// value they hold); a refusal of the one change is every field's.
void ChangesRestorer::CallManager(const std::string& keyName, const ServiceConfig& config, std::vector<Told>& told) {
    ServiceConfigChange change;
    for (Told& t : told)
        if (!Holds(config, t.field, t.carried.write.target)) AddToChange(change, t.field, t.carried.write.target);
    const std::uint32_t error = change.Empty() ? 0 : services_.ChangeConfig(keyName, change);
    for (Told& t : told)
        if (t.field != ManagerField::DelayedAutoStart && t.field != ManagerField::FailureCommand) t.error = error;
    for (const ManagerField field : {ManagerField::DelayedAutoStart, ManagerField::FailureCommand})
        for (Told& t : told) {
            if (t.field != field || Holds(config, field, t.carried.write.target)) continue;
            const StoredValue& target = t.carried.write.target;
            t.error = field == ManagerField::DelayedAutoStart
                          ? services_.SetDelayedAutoStart(keyName, StoredNumber(target).value_or(0) != 0)
                          : services_.SetFailureCommand(keyName, StoredText(target).value_or(""));
        }
}

std::optional<StoredValue> ChangesRestorer::Current(const std::string& path, const std::string& name, long& error) {
    return ReadCurrent(registry_, path, name, error);
}

const EarlierEntry* EarlierState::Find(const std::string& keyName) const {
    const auto it = entries.find(FoldCase(keyName));
    return it == entries.end() ? nullptr : &it->second;
}

EarlierState PreviousRunState(Files& files, Program& program, const std::vector<ChangeRow>& selected) {
    EarlierState state;
    const std::string exportPath = PreviousExportPath(program);
    std::string bytes;
    if (!files.Read(exportPath, bytes)) {
        state.failure = files.Exists(exportPath) ? "Der Export vom letzten Start kann nicht geöffnet werden: " + exportPath
                                                 : "Kein Export vom letzten Start gefunden: " + exportPath;
        return state;
    }
    std::vector<std::string> keys;
    for (const ChangeRow& row : selected) keys.push_back(row.key);
    const RegExport previous = ReadEntrySubtrees(bytes, keys);
    if (!previous.Ok()) {
        state.failure = "Der Export vom letzten Start ist nicht lesbar (" + exportPath + "): " + previous.error;
        return state;
    }
    if (!HoldsServicesKey(previous)) {
        state.failure = "Der Export vom letzten Start enthält den Schlüssel der Dienste nicht: " + exportPath;
        return state;
    }
    for (const std::string& key : keys)
        if (auto subtree = EntrySubtree(previous, key)) state.entries[FoldCase(key)] = EarlierEntry{std::move(*subtree)};
    return state;
}

RestorePlan ChangesRestorer::Plan(const std::vector<ChangeRow>& selected, const EarlierState& earlier) {
    RestorePlan plan;
    plan.name = earlier.name;
    if (!earlier.failure.empty()) {
        plan.failure = earlier.failure;
        return plan;
    }
    const RegistryNow now = ReadForPlan(registry_, services_, selected);
    for (std::size_t i = 0; i < selected.size(); ++i) {
        const ChangeRow& row = selected[i];
        // A row selected twice is planned once.
        const bool again = std::any_of(selected.begin(), selected.begin() + static_cast<std::ptrdiff_t>(i),
                                       [&](const ChangeRow& r) { return SameRow(r, row.key, row.change); });
        if (!again) PlanRow(earlier, now, row, selected, plan);
    }
    return plan;
}

std::string ChangesRestorer::UndoFilePath() {
    const Date today = clock_.Today();
    const auto seconds = static_cast<int>(clock_.SecondsSinceMidnight());
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d-%02d%02d%02d", today.year, today.month, today.day,
                  seconds / 3600 % 24, seconds / 60 % 60, seconds % 60);
    const std::string stem = program_.Folder() + "\\" + program_.BaseName() + "-Rückgängig-" + stamp;
    // A second restore within the same second keeps the first one's file.
    std::string path = stem + ".reg";
    for (int n = 2; files_.Exists(path) && n < 100; ++n) path = stem + "-" + std::to_string(n) + ".reg";
    return path;
}

RestoreResult ChangesRestorer::CarryOut(const RestorePlan& plan) {
    RestoreResult result;
    for (const NotRestored& row : plan.skipped)
        result.rows.push_back({row.entry, row.key, row.change, RestoreOutcomeKind::NotRestored, row.reason});
    if (!plan.failure.empty() || plan.writes.empty()) {
        result.failure = plan.failure.empty() ? "Es gibt nichts zurückzusetzen; es wurde nichts geändert."
                                              : plan.failure;
        return result;
    }
    std::vector<Carried> carried;
    carried.reserve(plan.writes.size());
    for (const PlannedWrite& write : plan.writes) carried.push_back(Carried{write});
    const std::string undo = UndoFileBytes(carried);
    result.undoFile = UndoFilePath();
    if (!files_.WriteWhole(result.undoFile, undo)) {
        result.failure = "Die Datei zum Rückgängigmachen konnte nicht geschrieben werden: " + result.undoFile +
                         "\nEs wurde nichts geändert.";
        for (const PlannedWrite& write : plan.writes)
            if (std::none_of(result.rows.begin(), result.rows.end(),
                             [&](const RestoreOutcome& r) { return SameRow(r, write.key, write.change); }))
                result.rows.push_back({write.entry, write.key, write.change, RestoreOutcomeKind::NotRestored,
                                       "Es wurde nichts geändert."});
        return result;
    }

    // The writes, entry by entry in the order of the plan.
    std::vector<std::string> entries;
    for (const PlannedWrite& write : plan.writes)
        if (std::none_of(entries.begin(), entries.end(), [&](const std::string& k) { return SameName(k, write.key); }))
            entries.push_back(write.key);
    for (const std::string& entry : entries) {
        std::vector<Carried*> values;
        for (Carried& c : carried) {
            if (!c.due || !SameName(c.write.key, entry)) continue;
            if (c.write.action == RestoreAction::CreateEntry) c.outcome = CreateEntry(c.write);
            else values.push_back(&c);
        }
        if (!values.empty()) RestoreValues(entry, values);
    }

    // One result line per restored row: the worst of its writes.
    const auto skipped = static_cast<std::ptrdiff_t>(plan.skipped.size());
    for (const Carried& c : carried) {
        auto row = std::find_if(result.rows.begin() + skipped, result.rows.end(),
                                [&](const RestoreOutcome& r) { return SameRow(r, c.write.key, c.write.change); });
        if (row == result.rows.end()) {
            std::string reason = c.write.change.kind == ChangeKind::EntryAdded ? "Der Eintrag wurde nicht gelöscht, sondern deaktiviert." : "";
            result.rows.push_back({c.write.entry, c.write.key, c.write.change, RestoreOutcomeKind::Restored, reason});
            row = result.rows.end() - 1;
        }
        WriteOutcome merged{row->kind, row->reason};
        Worsen(merged, c.outcome.kind, c.outcome.reason);
        row->kind = merged.kind;
        row->reason = merged.reason;
    }
    return result;
}

std::string ChangesRestorer::UndoFileBytes(std::vector<Carried>& carried) {
    std::vector<ExportKey> undo;
    const auto section = [&undo](const std::string& path) -> ExportKey& {
        for (ExportKey& key : undo)
            if (!key.removed && SameName(key.path, path)) return key;
        undo.push_back(ExportKey{path, {}});
        return undo.back();
    };
    for (Carried& c : carried) {
        const PlannedWrite& write = c.write;
        const std::string path = ServiceKeyPath(write.key);
        if (write.action == RestoreAction::CreateEntry) {
            if (registry_.KeyExists(kHkeyLocalMachine, path)) {
                c.due = false;
                Worsen(c.outcome, RestoreOutcomeKind::NotRestored, "Der Eintrag ist inzwischen wieder vorhanden.");
                continue;
            }
            undo.push_back(ExportKey{kMachine + path, {}, true});
            continue;
        }
        long error = 0;
        const std::string valuePath = JoinPath(path, write.subkey);
        const auto now = Current(valuePath, write.name, error);
        if (error != kErrorSuccess) {
            c.due = false;
            Worsen(c.outcome, RestoreOutcomeKind::NotRestored,
                   "Der Wert kann nicht gelesen werden (" + ErrorText(services_, static_cast<std::uint32_t>(error)) + ").");
            continue;
        }
        ExportKey& key = section(kMachine + valuePath);
        if (std::any_of(key.values.begin(), key.values.end(), [&](const ExportValue& v) { return SameName(v.name, write.name); }))
            continue;
        key.values.push_back(now ? ExportValue{write.name, *now} : ExportValue{write.name, {}, true});
    }
    return WriteRegFile(undo);
}

// The values of one entry: told to the service manager first, where it has
// a call for them and knows the entry, then written into the registry in
// their exported types (a manager that writes its whole copy into the key
// would overwrite what was written before it), and read back.
void ChangesRestorer::RestoreValues(const std::string& keyName, const std::vector<Carried*>& writes) {
    const std::string path = ServiceKeyPath(keyName);
    // An entry removed since the plan is not created from its values.
    if (!registry_.KeyExists(kHkeyLocalMachine, path)) {
        for (Carried* c : writes) Worsen(c->outcome, RestoreOutcomeKind::NotRestored, "Der Eintrag ist nicht mehr vorhanden.");
        return;
    }
    TellManager(keyName, writes);
    // The registry: each value read again just before its write, written
    // only where it differs, and read back.
    for (Carried* c : writes) {
        std::optional<StoredValue> target;
        if (c->write.action == RestoreAction::SetValue) target = c->write.target;
        const std::string failed = WriteValue(JoinPath(path, c->write.subkey), c->write.name, target);
        if (!failed.empty()) Worsen(c->outcome, RestoreOutcomeKind::NotRestored, failed);
    }
}

void ChangesRestorer::TellManager(const std::string& keyName, const std::vector<Carried*>& writes) {
    ServiceConfig config;
    const std::uint32_t queried = services_.QueryConfig(keyName, config);
    std::vector<Told> told;
    for (Carried* c : writes) {
        const ManagerField field = FieldTold(c->write);
        if (field != ManagerField::None) told.push_back(Told{*c, field});
        else Worsen(c->outcome, RestoreOutcomeKind::AfterNextRestart, kNoCall);
    }
    if (queried != 0) {
        const std::string unknown =
            queried == kErrorServiceDoesNotExist
                ? "Die Dienstverwaltung kennt den Eintrag nicht; wirksam nach dem nächsten Neustart."
                : "Die Dienstverwaltung gibt keine Auskunft (" + ErrorText(services_, queried) +
                      "); wirksam nach dem nächsten Neustart.";
        for (Told& t : told) Worsen(t.carried.outcome, RestoreOutcomeKind::AfterNextRestart, unknown);
        return;
    }
    const std::string path = ServiceKeyPath(keyName);
    // A manager that writes its whole copy into the key (Wine's) would also
    // change values no selected row is about: they are kept as they are now
    // and put back after its calls.
    std::vector<std::pair<std::string, std::optional<StoredValue>>> kept;
    for (const std::string& name : kManagerCopy) {
        if (std::any_of(writes.begin(), writes.end(),
                        [&](const Carried* c) { return c->write.subkey.empty() && SameName(c->write.name, name); }))
            continue;
        long readError = 0;
        auto value = Current(path, name, readError);
        if (readError == kErrorSuccess) kept.emplace_back(name, std::move(value));
    }
    CallManager(keyName, config, told);
    for (const auto& [name, value] : kept) {
        const std::string failed = WriteValue(path, name, value);
        if (!failed.empty())
            for (Carried* c : writes)
                Worsen(c->outcome, RestoreOutcomeKind::NotRestored,
                       "Die Dienstverwaltung hat \"" + name + "\" geändert, und es ließ sich nicht zurückschreiben: " +
                           failed);
    }
    // Read back what the manager holds now.
    ServiceConfig now;
    const bool reread = services_.QueryConfig(keyName, now) == 0;
    for (Told& t : told) {
        if (t.error != 0)
            Worsen(t.carried.outcome, RestoreOutcomeKind::AfterNextRestart,
                   "Die Dienstverwaltung hat abgelehnt (" + ErrorText(services_, t.error) +
                       "); in der Registrierung gesetzt, wirksam nach dem nächsten Neustart.");
        else if (!reread || !Holds(now, t.field, t.carried.write.target))
            Worsen(t.carried.outcome, RestoreOutcomeKind::AfterNextRestart, kNotTaken);
    }
}

// Writes one value (removes it where target is nothing) unless it already
// holds that, and reads it back; the reason when it does not hold it after.
std::string ChangesRestorer::WriteValue(const std::string& keyPath, const std::string& name,
                                        const std::optional<StoredValue>& target) {
    long error = 0;
    if (Current(keyPath, name, error) == target && error == kErrorSuccess) return {};
    if (target) {
        if (!registry_.KeyExists(kHkeyLocalMachine, keyPath)) error = registry_.CreateKey(kHkeyLocalMachine, keyPath);
        if (error == kErrorSuccess) error = registry_.WriteStored(kHkeyLocalMachine, keyPath, name, *target);
    } else {
        error = registry_.DeleteStoredValue(kHkeyLocalMachine, keyPath, name);
    }
    if (error != kErrorSuccess)
        return "Die Registrierung verweigert das Schreiben (" + ErrorText(services_, static_cast<std::uint32_t>(error)) + ").";
    if (Current(keyPath, name, error) != target || error != kErrorSuccess)
        return "Nach dem Schreiben hält die Registrierung einen anderen Wert.";
    return {};
}

// A removed entry: registered anew with the service manager where it was a
// service or a driver (or, where the manager still knows it, told its
// configuration), then every key and value of the export written.
void ChangesRestorer::RegisterEntry(const PlannedWrite& write, WriteOutcome& outcome) {
    const ExportKey& own = write.subtree.front();
    const auto number = [&](const std::string& name) -> std::optional<std::uint32_t> {
        const ExportValue* v = FindValue(own, name);
        return v ? StoredNumber(v->stored) : std::nullopt;
    };
    const auto text = [&](const std::string& name) -> std::string {
        const ExportValue* v = FindValue(own, name);
        return v ? StoredText(v->stored).value_or("") : std::string();
    };
    const auto type = number("Type");
    const std::string account = text(kObjectName);
    if (!type || (*type & kServiceTypeBits) == 0) {
        Worsen(outcome, RestoreOutcomeKind::AfterNextRestart,
               "Kein Dienst und kein Treiber: nur in der Registrierung angelegt, wirksam nach dem nächsten Neustart.");
    } else if (!AccountNeedsNoPassword(account)) {
        Worsen(outcome, RestoreOutcomeKind::AfterNextRestart,
               "Das Konto \"" + account + "\" braucht ein Kennwort: nur in der Registrierung angelegt, wirksam nach dem "
               "nächsten Neustart.");
    } else {
        NewService service{write.key, text("DisplayName"), *type, number(kStart).value_or(3),
                           number("ErrorControl").value_or(1), text("ImagePath"), text("Group"), account};
        if (service.displayName.empty()) service.displayName = write.key;
        std::uint32_t error = services_.Create(service);
        if (error == kErrorServiceExists) {
            // Removed from the registry only: the manager still has it.
            ServiceConfigChange change;
            change.type = service.type;
            change.start = service.start;
            change.imagePath = service.imagePath;
            change.group = service.group;
            change.displayName = service.displayName;
            if (!account.empty()) change.account = account;
            error = services_.ChangeConfig(write.key, change);
        }
        if (error != 0)
            Worsen(outcome, RestoreOutcomeKind::AfterNextRestart,
                   "Die Dienstverwaltung hat abgelehnt (" + ErrorText(services_, error) +
                       "); nur in der Registrierung angelegt, wirksam nach dem nächsten Neustart.");
    }
}

ChangesRestorer::WriteOutcome ChangesRestorer::CreateEntry(const PlannedWrite& write) {
    WriteOutcome outcome;
    RegisterEntry(write, outcome);
    const std::string path = ServiceKeyPath(write.key);
    const ExportKey& own = write.subtree.front();
    // After the manager, which writes its own copy into the new key: every
    // key and value as exported, and nothing the export did not have among
    // the values the manager writes.
    for (const ExportKey& key : write.subtree) {
        const std::string keyPath = JoinPath(path, key.path);
        if (const long error = registry_.CreateKey(kHkeyLocalMachine, keyPath); error != kErrorSuccess) {
            Worsen(outcome, RestoreOutcomeKind::NotRestored,
                   "Die Registrierung verweigert das Anlegen von \"" + keyPath + "\" (" +
                       ErrorText(services_, static_cast<std::uint32_t>(error)) + ").");
            return outcome;
        }
        for (const ExportValue& value : key.values) {
            const std::string failed = WriteValue(keyPath, value.name, value.stored);
            if (!failed.empty()) Worsen(outcome, RestoreOutcomeKind::NotRestored, value.name + ": " + failed);
        }
    }
    for (const char* name : {"Type", "Start", "ErrorControl", "ImagePath", "DisplayName", "ObjectName", "Group",
                             "Description", "DependOnService", "DependOnGroup", "Tag"}) {
        if (FindValue(own, name)) continue;
        const std::string failed = WriteValue(path, name, std::nullopt);
        if (!failed.empty()) Worsen(outcome, RestoreOutcomeKind::NotRestored, std::string(name) + ": " + failed);
    }
    return outcome;
}

}  // namespace sw
