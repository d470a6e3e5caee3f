#include "changes/ChangesRestorer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>

#include "platform/CaseFold.h"

namespace sw {
namespace {

const std::string kStart = "Start";
const std::string kDelayed = "DelayedAutostart";
const std::string kObjectName = "ObjectName";
const std::string kFailureCommand = "FailureCommand";
const std::string kParameters = "Parameters";
const std::string kMachine = "HKEY_LOCAL_MACHINE\\";
const std::string kWholeEntry = "(ganzer Eintrag)";
const std::string kDisabledNotDeleted = "Deaktiviert (der Eintrag wird nicht gelöscht)";
constexpr std::uint32_t kDisabled = 4;
// The values a service manager that keeps its own copy may write into the
// key when told a change.
const std::array<std::string, 14> kManagerCopy = {
    "Type",        "Start", "ErrorControl", "ImagePath",       "DisplayName",   "ObjectName",     "Group",
    "Description", "Tag",   "DependOnService", "DependOnGroup", "FailureActions", "FailureCommand", "DelayedAutostart"};
// The service-type bits of a driver or a service the manager can register.
constexpr std::uint32_t kServiceTypeBits = 0x1 | 0x2 | 0x10 | 0x20;

bool SameName(const std::string& a, const std::string& b) { return FoldCase(a) == FoldCase(b); }

std::string ErrorText(ServiceManager& services, std::uint32_t error) {
    const std::string message = services.SystemMessage(error);
    return "Fehler " + std::to_string(error) + (message.empty() ? "" : ": " + message);
}

// A stored value as the comparison sees it, for the texts of the preview.
FoundValue Found(const std::optional<StoredValue>& value) {
    FoundValue found;
    if (!value) return found;
    ExportValue as{"", value->type, value->data};
    if (auto text = ExportText(as)) {
        found.kind = FoundValue::Kind::Text;
        found.text = std::move(*text);
    } else if (auto number = ExportNumber(as)) {
        found.kind = FoundValue::Kind::Number;
        found.number = *number;
    } else {
        found.kind = FoundValue::Kind::Other;
    }
    return found;
}

std::string Shown(const std::string& valuePath, const std::optional<StoredValue>& value) {
    const auto at = std::find(kComparedValues.begin(), kComparedValues.end(), valuePath);
    const std::size_t index = at == kComparedValues.end() ? kComparedValues.size() : at - kComparedValues.begin();
    const FoundValue found = Found(value);
    if (found.kind == FoundValue::Kind::Other)
        return "(Typ " + std::to_string(value->type) + ", " + std::to_string(value->data.size()) + " Bytes)";
    return ShownValue(index, found);
}

std::optional<std::uint32_t> Number(const StoredValue& value) {
    return ExportNumber(ExportValue{"", value.type, value.data});
}
std::optional<std::string> Text(const StoredValue& value) { return ExportText(ExportValue{"", value.type, value.data}); }

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

// The values a row puts back: "Start" and "DelayedAutostart" go together.
std::vector<std::string> ValuesOfRow(const std::string& change) {
    if (change == kStart || change == kDelayed) return {kStart, kDelayed};
    return {change};
}

bool IsBootOrSystem(const std::optional<StoredValue>& value) {
    if (!value) return false;
    const auto number = Number(*value);
    return number && *number <= 1;
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
    if (row.change == kEntryAdded || row.change == kEntryRemoved) return true;
    if (std::find(kComparedValues.begin(), kComparedValues.end(), row.change) == kComparedValues.end()) return false;
    // An account that needs a password cannot be put back without it.
    return row.change != kObjectName || row.before == kValueAbsent || row.before == kValueOtherType ||
           AccountNeedsNoPassword(row.before);
}

std::string ChangesRestorer::PreviousExportPath() const {
    return program_.Folder() + "\\" + program_.BaseName() + ".tmr";
}

std::optional<StoredValue> ChangesRestorer::Current(const std::string& path, const std::string& name, long& error) {
    StoredValue value;
    error = registry_.ReadStored(kHkeyLocalMachine, path, name, value);
    if (error == kErrorSuccess) return value;
    if (error == kErrorFileNotFound) error = kErrorSuccess;
    return std::nullopt;
}

RestorePlan ChangesRestorer::Plan(const std::vector<ChangeRow>& selected) {
    RestorePlan plan;
    const std::string exportPath = PreviousExportPath();
    std::string bytes;
    if (!files_.Read(exportPath, bytes)) {
        plan.failure = files_.Exists(exportPath) ? "Der Export vom letzten Start kann nicht geöffnet werden: " + exportPath
                                                 : "Kein Export vom letzten Start gefunden: " + exportPath;
        return plan;
    }
    std::vector<std::string> keys;
    for (const ChangeRow& row : selected) keys.push_back(row.key);
    const RegExport previous = ReadEntrySubtrees(bytes, keys);
    if (!previous.Ok()) {
        plan.failure = "Der Export vom letzten Start ist nicht lesbar (" + exportPath + "): " + previous.error;
        return plan;
    }
    if (!HoldsServicesKey(previous)) {
        plan.failure = "Der Export vom letzten Start enthält den Schlüssel der Dienste nicht: " + exportPath;
        return plan;
    }

    std::vector<std::pair<std::string, std::string>> selectedIds;  // folded key, change
    for (const ChangeRow& row : selected) selectedIds.emplace_back(FoldCase(row.key), row.change);
    const auto isSelected = [&](const std::string& key, const std::string& change) {
        return std::find(selectedIds.begin(), selectedIds.end(), std::make_pair(FoldCase(key), change)) !=
               selectedIds.end();
    };
    std::vector<std::pair<std::string, std::string>> seen;
    for (const ChangeRow& row : selected) {
        const auto id = std::make_pair(FoldCase(row.key), row.change);
        if (std::find(seen.begin(), seen.end(), id) != seen.end()) continue;
        seen.push_back(id);
        const auto skip = [&](const std::string& reason) {
            plan.skipped.push_back({row.entry, row.key, row.change, reason});
        };
        if (!CanRestore(row)) {
            if (row.change == kObjectName)
                skip("Das Konto \"" + row.before +
                     "\" braucht ein Kennwort, das das Programm nicht kennt. Stellen Sie es in der Diensteverwaltung "
                     "mit seinem Kennwort ein, oder wählen Sie ein Konto ohne Kennwort: LocalSystem, "
                     "NT AUTHORITY\\LocalService, NT AUTHORITY\\NetworkService oder ein Konto \"NT SERVICE\\…\".");
            else
                skip("Diese Änderung kann nicht zurückgesetzt werden.");
            continue;
        }
        const std::string path = ServiceKeyPath(row.key);
        const auto subtree = EntrySubtree(previous, row.key);
        if (row.change == kEntryRemoved) {
            if (!subtree) {
                skip("Der Export vom letzten Start enthält den Eintrag nicht.");
                continue;
            }
            if (registry_.KeyExists(kHkeyLocalMachine, path)) {
                skip("Der Eintrag ist inzwischen wieder vorhanden.");
                continue;
            }
            std::size_t values = 0;
            for (const ExportKey& key : *subtree) values += key.values.size();
            PlannedWrite write{row.entry, row.key, kWholeEntry, kValueAbsent,
                               "neu angelegt wie im Export vom letzten Start: " + std::to_string(values) +
                                   " Werte in " + std::to_string(subtree->size()) + " Schlüsseln"};
            write.change = row.change;
            write.action = RestoreAction::CreateEntry;
            write.subtree = *subtree;
            if (const ExportValue* start = FindValue(subtree->front(), kStart))
                if (IsBootOrSystem(StoredValue{start->type, start->data})) plan.touchesBootOrSystemStart = true;
            plan.writes.push_back(std::move(write));
            continue;
        }
        if (row.change == kEntryAdded) {
            long error = 0;
            const auto start = Current(path, kStart, error);
            if (!registry_.KeyExists(kHkeyLocalMachine, path)) {
                skip("Der Eintrag ist nicht mehr vorhanden.");
                continue;
            }
            if (error != kErrorSuccess) {
                skip("\"Start\" kann nicht gelesen werden (" + ErrorText(services_, static_cast<std::uint32_t>(error)) + ").");
                continue;
            }
            if (start && start->type == kRegDword && Number(*start) == kDisabled) {
                skip("Der Eintrag ist schon deaktiviert.");
                continue;
            }
            PlannedWrite write{row.entry, row.key, kStart, Shown(kStart, start), kDisabledNotDeleted};
            write.change = row.change;
            write.name = kStart;
            write.type = kRegDword;
            write.data = std::string("\x04\0\0\0", 4);
            if (IsBootOrSystem(start)) plan.touchesBootOrSystemStart = true;
            plan.writes.push_back(std::move(write));
            continue;
        }
        if (!subtree) {
            skip("Der Export vom letzten Start enthält den Eintrag nicht.");
            continue;
        }
        if (!registry_.KeyExists(kHkeyLocalMachine, path)) {
            skip("Der Eintrag ist nicht mehr vorhanden.");
            continue;
        }
        std::string unreadable;
        for (const std::string& valuePath : ValuesOfRow(row.change)) {
            const std::size_t slash = valuePath.find('\\');
            const std::string subkey = slash == std::string::npos ? std::string() : valuePath.substr(0, slash);
            const std::string name = slash == std::string::npos ? valuePath : valuePath.substr(slash + 1);
            // A value another selected row already puts back is not planned twice.
            const bool planned = std::any_of(plan.writes.begin(), plan.writes.end(), [&](const PlannedWrite& w) {
                return w.action != RestoreAction::CreateEntry && SameName(w.key, row.key) && SameName(w.subkey, subkey) &&
                       SameName(w.name, name);
            });
            if (planned) continue;
            const ExportKey* exportedKey = FindKey(*subtree, subkey);
            const ExportValue* exported = exportedKey ? FindValue(*exportedKey, name) : nullptr;
            long error = 0;
            const auto now = Current(JoinPath(path, subkey), name, error);
            if (error != kErrorSuccess) {
                unreadable = "\"" + valuePath + "\" kann nicht gelesen werden (" +
                             ErrorText(services_, static_cast<std::uint32_t>(error)) + ").";
                continue;
            }
            std::optional<StoredValue> target;
            if (exported) target = StoredValue{exported->type, exported->data};
            if (now == target) continue;  // only what differs now is written
            if (name == kObjectName && target && Text(*target) && !AccountNeedsNoPassword(*Text(*target))) {
                unreadable = "Das Konto \"" + *Text(*target) + "\" braucht ein Kennwort, das das Programm nicht kennt.";
                continue;
            }
            PlannedWrite write{row.entry, row.key, valuePath, Shown(valuePath, now),
                               target ? Shown(valuePath, target) : kValueAbsent};
            // The partner of "Start" and "DelayedAutostart" is reported on
            // its own row where that is selected too.
            write.change = valuePath != row.change && isSelected(row.key, valuePath) ? valuePath : row.change;
            write.action = target ? RestoreAction::SetValue : RestoreAction::RemoveValue;
            write.subkey = subkey;
            write.name = name;
            if (target) {
                write.type = target->type;
                write.data = target->data;
            }
            if (name == kStart && (IsBootOrSystem(now) || IsBootOrSystem(target))) plan.touchesBootOrSystemStart = true;
            plan.writes.push_back(std::move(write));
        }
        const bool hasWrites = std::any_of(plan.writes.begin(), plan.writes.end(), [&](const PlannedWrite& w) {
            return SameName(w.key, row.key) && w.change == row.change;
        });
        if (!hasWrites)
            skip(!unreadable.empty() ? unreadable : "Der Wert ist schon wieder wie im Export vom letzten Start.");
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

    // The undo file: what every value about to be written holds now, before
    // anything is written. A value that cannot be read now is not written.
    std::vector<WriteOutcome> outcomes(plan.writes.size());
    std::vector<bool> due(plan.writes.size(), true);
    std::vector<ExportKey> undo;
    const auto section = [&undo](const std::string& path) -> ExportKey& {
        for (ExportKey& key : undo)
            if (!key.removed && SameName(key.path, path)) return key;
        undo.push_back(ExportKey{path, {}});
        return undo.back();
    };
    for (std::size_t i = 0; i < plan.writes.size(); ++i) {
        const PlannedWrite& write = plan.writes[i];
        const std::string path = ServiceKeyPath(write.key);
        if (write.action == RestoreAction::CreateEntry) {
            if (registry_.KeyExists(kHkeyLocalMachine, path)) {
                due[i] = false;
                Worsen(outcomes[i], RestoreOutcomeKind::NotRestored, "Der Eintrag ist inzwischen wieder vorhanden.");
                continue;
            }
            undo.push_back(ExportKey{kMachine + path, {}, true});
            continue;
        }
        long error = 0;
        const std::string valuePath = JoinPath(path, write.subkey);
        const auto now = Current(valuePath, write.name, error);
        if (error != kErrorSuccess) {
            due[i] = false;
            Worsen(outcomes[i], RestoreOutcomeKind::NotRestored,
                   "Der Wert kann nicht gelesen werden (" + ErrorText(services_, static_cast<std::uint32_t>(error)) + ").");
            continue;
        }
        ExportKey& key = section(kMachine + valuePath);
        if (std::any_of(key.values.begin(), key.values.end(), [&](const ExportValue& v) { return SameName(v.name, write.name); }))
            continue;
        key.values.push_back(now ? ExportValue{write.name, now->type, now->data} : ExportValue{write.name, 0, {}, true});
    }
    result.undoFile = UndoFilePath();
    if (!files_.WriteWhole(result.undoFile, WriteRegFile(undo))) {
        result.failure = "Die Datei zum Rückgängigmachen konnte nicht geschrieben werden: " + result.undoFile +
                         "\nEs wurde nichts geändert.";
        for (const PlannedWrite& write : plan.writes)
            if (std::none_of(result.rows.begin(), result.rows.end(), [&](const RestoreOutcome& r) {
                    return SameName(r.key, write.key) && r.change == write.change;
                }))
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
        std::vector<std::size_t> writes;
        for (std::size_t i = 0; i < plan.writes.size(); ++i)
            if (due[i] && SameName(plan.writes[i].key, entry)) writes.push_back(i);
        for (const std::size_t i : writes)
            if (plan.writes[i].action == RestoreAction::CreateEntry) outcomes[i] = CreateEntry(plan.writes[i]);
        std::vector<const PlannedWrite*> values;
        std::vector<WriteOutcome*> valueOutcomes;
        for (const std::size_t i : writes)
            if (plan.writes[i].action != RestoreAction::CreateEntry) {
                values.push_back(&plan.writes[i]);
                valueOutcomes.push_back(&outcomes[i]);
            }
        if (!values.empty()) RestoreValues(entry, values, valueOutcomes);
    }

    // One result line per restored row: the worst of its writes.
    for (std::size_t i = 0; i < plan.writes.size(); ++i) {
        const PlannedWrite& write = plan.writes[i];
        auto row = std::find_if(result.rows.begin() + static_cast<std::ptrdiff_t>(plan.skipped.size()), result.rows.end(),
                                [&](const RestoreOutcome& r) { return SameName(r.key, write.key) && r.change == write.change; });
        if (row == result.rows.end()) {
            std::string reason = write.change == kEntryAdded ? "Der Eintrag wurde nicht gelöscht, sondern deaktiviert." : "";
            result.rows.push_back({write.entry, write.key, write.change, RestoreOutcomeKind::Restored, reason});
            row = result.rows.end() - 1;
        }
        WriteOutcome merged{row->kind, row->reason};
        Worsen(merged, outcomes[i].kind, outcomes[i].reason);
        row->kind = merged.kind;
        row->reason = merged.reason;
    }
    return result;
}

// The values of one entry: told to the service manager first, where it has
// a call for them and knows the entry, then written into the registry in
// their exported types (a manager that writes its whole copy into the key
// would overwrite what was written before it), and read back.
void ChangesRestorer::RestoreValues(const std::string& keyName, const std::vector<const PlannedWrite*>& writes,
                                    const std::vector<WriteOutcome*>& outcomes) {
    const std::string path = ServiceKeyPath(keyName);
    // An entry removed since the plan is not created from its values.
    if (!registry_.KeyExists(kHkeyLocalMachine, path)) {
        for (WriteOutcome* outcome : outcomes)
            Worsen(*outcome, RestoreOutcomeKind::NotRestored, "Der Eintrag ist nicht mehr vorhanden.");
        return;
    }
    ServiceConfig config;
    const std::uint32_t queried = services_.QueryConfig(keyName, config);
    const bool known = queried == 0;
    const std::string unknown =
        queried == kErrorServiceDoesNotExist
            ? "Die Dienstverwaltung kennt den Eintrag nicht; wirksam nach dem nächsten Neustart."
            : "Die Dienstverwaltung gibt keine Auskunft (" + ErrorText(services_, queried) +
                  "); wirksam nach dem nächsten Neustart.";
    const std::string noCall = "Für diesen Wert hat die Dienstverwaltung keinen Aufruf; wirksam nach dem nächsten Neustart.";
    const auto refused = [this](std::uint32_t error) {
        return "Die Dienstverwaltung hat abgelehnt (" + ErrorText(services_, error) +
               "); in der Registrierung gesetzt, wirksam nach dem nächsten Neustart.";
    };
    const std::string notTaken =
        "Die Dienstverwaltung hat den Wert nicht übernommen; in der Registrierung gesetzt, wirksam nach dem nächsten "
        "Neustart.";

    // Which writes the manager's calls cover, and the change they make.
    ServiceConfigChange change;
    std::vector<std::size_t> changed;  // indices into writes told through ChangeConfig
    std::optional<std::size_t> delayed, failure;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const PlannedWrite& w = *writes[i];
        const StoredValue target{w.type, w.data};
        const bool own = w.subkey.empty() && w.action == RestoreAction::SetValue;
        std::optional<std::uint32_t> number;
        std::optional<std::string> text;
        if (own) number = Number(target);
        if (own && (w.type == kRegSz || w.type == kRegExpandSz)) text = Text(target);
        bool covered = true;
        if (w.name == kStart && number && *number <= kDisabled) change.start = *number;
        else if (w.name == "Type" && number) change.type = *number;
        else if (w.name == "ImagePath" && text) change.imagePath = *text;
        else if (w.name == "Group" && text) change.group = *text;
        else if (w.name == "DisplayName" && text) change.displayName = *text;
        else if (w.name == kObjectName && text && AccountNeedsNoPassword(*text)) change.account = *text;
        else if (w.name == kDelayed && number) { delayed = i; covered = false; }
        else if (w.name == kFailureCommand && text) { failure = i; covered = false; }
        else covered = false;
        if (covered) changed.push_back(i);
        if (!covered && i != delayed && i != failure) Worsen(*outcomes[i], RestoreOutcomeKind::AfterNextRestart, noCall);
    }
    if (!known) {
        for (const std::size_t i : changed) Worsen(*outcomes[i], RestoreOutcomeKind::AfterNextRestart, unknown);
        for (const auto i : {delayed, failure})
            if (i) Worsen(*outcomes[*i], RestoreOutcomeKind::AfterNextRestart, unknown);
    } else {
        // What the manager already holds is not told again: some services
        // refuse a write even of the value they hold.
        if (change.start == config.start) change.start.reset();
        if (change.type == config.type) change.type.reset();
        if (change.imagePath == config.imagePath) change.imagePath.reset();
        if (change.group == config.group) change.group.reset();
        if (change.displayName == config.displayName) change.displayName.reset();
        if (change.account && SameName(*change.account, config.account)) change.account.reset();
        // A manager that writes its whole copy into the key (Wine's) would
        // also change values no selected row is about: they are kept as
        // they are now and put back after its calls.
        std::vector<std::pair<std::string, std::optional<StoredValue>>> kept;
        for (const std::string& name : kManagerCopy) {
            if (std::any_of(writes.begin(), writes.end(),
                            [&](const PlannedWrite* w) { return w->subkey.empty() && SameName(w->name, name); }))
                continue;
            long readError = 0;
            auto value = Current(path, name, readError);
            if (readError == kErrorSuccess) kept.emplace_back(name, std::move(value));
        }
        std::uint32_t error = change.Empty() ? 0 : services_.ChangeConfig(keyName, change);
        std::uint32_t delayedError = 0, failureError = 0;
        if (delayed) {
            const bool on = Number(StoredValue{writes[*delayed]->type, writes[*delayed]->data}).value_or(0) != 0;
            if (on != config.delayedAutoStart) delayedError = services_.SetDelayedAutoStart(keyName, on);
        }
        if (failure) {
            const std::string command = Text(StoredValue{writes[*failure]->type, writes[*failure]->data}).value_or("");
            if (command != config.failureCommand) failureError = services_.SetFailureCommand(keyName, command);
        }
        for (const auto& [name, value] : kept) {
            const std::string failed = WriteValue(path, name, value);
            if (!failed.empty())
                for (WriteOutcome* outcome : outcomes)
                    Worsen(*outcome, RestoreOutcomeKind::NotRestored,
                           "Die Dienstverwaltung hat \"" + name + "\" geändert, und es ließ sich nicht zurückschreiben: " +
                               failed);
        }
        // Read back what the manager holds now.
        ServiceConfig now;
        const bool reread = services_.QueryConfig(keyName, now) == 0;
        for (const std::size_t i : changed) {
            const PlannedWrite& w = *writes[i];
            const StoredValue target{w.type, w.data};
            bool holds = reread;
            if (reread) {
                if (w.name == kStart) holds = Number(target) == now.start;
                else if (w.name == "Type") holds = Number(target) == now.type;
                else if (w.name == "ImagePath") holds = Text(target) == now.imagePath;
                else if (w.name == "Group") holds = Text(target) == now.group;
                else if (w.name == "DisplayName") holds = Text(target) == now.displayName;
                else if (w.name == kObjectName) holds = SameName(Text(target).value_or(""), now.account);
            }
            if (error != 0) Worsen(*outcomes[i], RestoreOutcomeKind::AfterNextRestart, refused(error));
            else if (!holds) Worsen(*outcomes[i], RestoreOutcomeKind::AfterNextRestart, notTaken);
        }
        if (delayed) {
            const bool on = Number(StoredValue{writes[*delayed]->type, writes[*delayed]->data}).value_or(0) != 0;
            if (delayedError != 0) Worsen(*outcomes[*delayed], RestoreOutcomeKind::AfterNextRestart, refused(delayedError));
            else if (!reread || now.delayedAutoStart != on)
                Worsen(*outcomes[*delayed], RestoreOutcomeKind::AfterNextRestart, notTaken);
        }
        if (failure) {
            const std::string command = Text(StoredValue{writes[*failure]->type, writes[*failure]->data}).value_or("");
            if (failureError != 0) Worsen(*outcomes[*failure], RestoreOutcomeKind::AfterNextRestart, refused(failureError));
            else if (!reread || now.failureCommand != command)
                Worsen(*outcomes[*failure], RestoreOutcomeKind::AfterNextRestart, notTaken);
        }
    }

    // The registry: each value read again just before its write, written
    // only where it differs, and read back.
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const PlannedWrite& w = *writes[i];
        const std::string keyPath = JoinPath(path, w.subkey);
        std::optional<StoredValue> target;
        if (w.action == RestoreAction::SetValue) target = StoredValue{w.type, w.data};
        const std::string failed = WriteValue(keyPath, w.name, target);
        if (!failed.empty()) Worsen(*outcomes[i], RestoreOutcomeKind::NotRestored, failed);
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
ChangesRestorer::WriteOutcome ChangesRestorer::CreateEntry(const PlannedWrite& write) {
    WriteOutcome outcome;
    const std::string path = ServiceKeyPath(write.key);
    const ExportKey& own = write.subtree.front();
    const auto number = [&](const std::string& name) -> std::optional<std::uint32_t> {
        const ExportValue* v = FindValue(own, name);
        return v ? ExportNumber(*v) : std::nullopt;
    };
    const auto text = [&](const std::string& name) -> std::string {
        const ExportValue* v = FindValue(own, name);
        return v ? ExportText(*v).value_or("") : std::string();
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
            const std::string failed = WriteValue(keyPath, value.name, StoredValue{value.type, value.data});
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
