#include "changes/RestoreTexts.h"

#include <set>

#include "changes/ChangeTexts.h"

namespace sw {
namespace {

inline const std::string kBootWarning =
    "Achtung: Ein Starttyp \"Boot\" oder \"System\" ist beteiligt. Ein falscher Wert kann verhindern, dass "
    "Windows startet.";

// A value on one line of the text, whole: a line break inside it is shown
// as a sign instead of breaking the list, an empty text as two quotes.
std::string Shown(const std::string& text) {
    if (text.empty()) return "\"\"";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\xE2\x86\xB5";  // ↵
        } else {
            out += text[i];
        }
    }
    return out;
}

// The entry as its row shows it, with the key name where that differs: two
// entries may carry the same display name.
std::string Entry(const std::string& entry, const std::string& key) {
    return entry == key || key.empty() ? Shown(entry) : Shown(entry) + " (" + Shown(key) + ")";
}

void AddSkipped(std::string& out, const std::vector<NotRestored>& skipped) {
    for (const NotRestored& row : skipped)
        out += "  " + Entry(row.entry, row.key) + " \xE2\x80\x93 " + ChangeText(row.change) + ": " + row.reason + "\n";
}

inline const std::string kAfterRestart = "wirksam nach dem nächsten Neustart";

std::string OutcomeText(const RestoreOutcome& row) {
    const bool added = row.change.kind == ChangeKind::EntryAdded;
    // An added entry's reason only says again that it was disabled.
    const std::string done = added ? "deaktiviert, nicht gelöscht" : "zurückgesetzt";
    const std::string reason = added ? std::string() : row.reason;
    switch (row.kind) {
        case RestoreOutcomeKind::Restored:
            return reason.empty() ? done : done + " (" + reason + ")";
        case RestoreOutcomeKind::AfterNextRestart:
            // A reason that names the restart already is said once.
            if (row.reason.find(kAfterRestart) != std::string::npos) return done + ": " + row.reason;
            return done + ", " + kAfterRestart + (row.reason.empty() ? "" : " (" + row.reason + ")");
        case RestoreOutcomeKind::NotRestored:
        default:
            return "nicht zurückgesetzt" + (row.reason.empty() ? std::string() : ": " + row.reason);
    }
}

// A stored value as the preview shows it; one of a type the comparison
// does not read by its type and size.
std::string ShownStored(const ComparedValue* compared, const std::optional<StoredValue>& value) {
    const FoundValue found = value ? FoundOf(*value) : FoundValue{};
    if (found.kind == FoundValue::Kind::Other)
        return "(Typ " + std::to_string(value->type) + ", " + std::to_string(value->data.size()) + " Bytes)";
    return ShownValue(compared != nullptr ? *compared : ComparedByField(ManagerField::ImagePath), found);
}

// A value that is not in the table by its place: "Sub\\Name".
std::string JoinedName(const PlannedWrite& write) {
    return write.subkey.empty() ? write.name : write.subkey + "\\" + write.name;
}

// The table's row of a value by its place below the entry's key.
const ComparedValue* ComparedAt(const std::string& subkey, const std::string& name) {
    for (const ComparedValue& compared : kComparedValues)
        if (compared.subkey == subkey && compared.name == name) return &compared;
    return nullptr;
}

}  // namespace

WriteTexts TextsOf(const PlannedWrite& write, const EarlierName& name) {
    if (write.action == RestoreAction::CreateEntry) {
        std::size_t values = 0;
        for (const ExportKey& key : write.subtree) values += key.values.size();
        return {"(ganzer Eintrag)", kValueAbsent,
                "neu angelegt wie im " + name.source + ": " + std::to_string(values) + " Werte in " +
                    std::to_string(write.subtree.size()) + " Schlüsseln"};
    }
    const ComparedValue* compared = ComparedAt(write.subkey, write.name);
    WriteTexts texts{compared != nullptr ? std::string(compared->label) : JoinedName(write),
                     ShownStored(compared, write.current), kValueAbsent};
    if (write.change.kind == ChangeKind::EntryAdded) texts.before = "Deaktiviert (der Eintrag wird nicht gelöscht)";
    else if (write.action == RestoreAction::SetValue) texts.before = ShownStored(compared, write.target);
    return texts;
}

std::string RestorePreviewText(const RestorePlan& plan, const std::vector<ChangeRow>& selected,
                               const std::string& programFolder) {
    std::string out;
    if (plan.touchesBootOrSystemStart) out += kBootWarning + "\n\n";
    out += "Diese Werte werden auf den Stand " + plan.name.when +
           " zurückgesetzt (Eintrag \xE2\x80\x93 Wert: jetzt \xE2\x86\x92 vorher):\n";
    std::set<std::string> written;
    for (const PlannedWrite& write : plan.writes) {
        const WriteTexts texts = TextsOf(write, plan.name);
        out += "  " + Entry(write.entry, write.key) + " \xE2\x80\x93 " + texts.value + ": " + Shown(texts.now) +
               " \xE2\x86\x92 " + Shown(texts.before) + "\n";
        written.insert(write.key);
    }
    std::string added;
    for (const ChangeRow& row : selected)
        if (row.change.kind == ChangeKind::EntryAdded && written.count(row.key) != 0) added += "  " + Entry(row.entry, row.key) + "\n";
    if (!added.empty())
        out += "\nHinzugefügte Einträge werden nicht gelöscht, sondern auf \"Deaktiviert\" gesetzt, so dass sie "
               "nicht mehr starten:\n" +
               added;
    if (!plan.skipped.empty()) {
        out += "\nNicht zurückgesetzt werden:\n";
        AddSkipped(out, plan.skipped);
    }
    out += "\nVor der ersten Änderung wird der jetzige Stand dieser Werte in eine Rückgängig-Datei im Programmordner "
           "geschrieben (" +
           programFolder + "); ihr Import in den Registrierungs-Editor stellt ihn wieder her.";
    return out;
}

std::string NothingToRestoreText(const RestorePlan& plan) {
    if (!plan.failure.empty()) return "Es kann nichts zurückgesetzt werden:\n" + plan.failure;
    if (plan.skipped.empty())
        return "Es gibt nichts zu schreiben: Die gewählten Werte haben schon den Stand " + plan.name.when + ".";
    std::string out = "Keine der gewählten Zeilen kann zurückgesetzt werden:\n";
    AddSkipped(out, plan.skipped);
    out.pop_back();
    return out;
}

std::string RestoreResultText(const RestoreResult& result) {
    if (!result.failure.empty()) return "Es wurde nichts geändert.\n" + result.failure;
    std::size_t restored = 0, later = 0, refused = 0;
    for (const RestoreOutcome& row : result.rows) {
        if (row.kind == RestoreOutcomeKind::Restored) ++restored;
        else if (row.kind == RestoreOutcomeKind::AfterNextRestart) ++later;
        else ++refused;
    }
    std::string out = "Zurückgesetzt: " + std::to_string(restored + later);
    if (later > 0) out += ", davon " + std::to_string(later) + " wirksam nach dem nächsten Neustart";
    out += ". Nicht zurückgesetzt: " + std::to_string(refused) + ".\n\n";
    out += "Rückgängig-Datei: " + result.undoFile +
           "\nIhr Import in den Registrierungs-Editor (Doppelklick) stellt den Stand vor dem Zurücksetzen wieder "
           "her.\n\n";
    for (const RestoreOutcome& row : result.rows)
        out += "  " + Entry(row.entry, row.key) + " \xE2\x80\x93 " + ChangeText(row.change) + ": " + OutcomeText(row) + "\n";
    out.pop_back();
    return out;
}

}  // namespace sw
