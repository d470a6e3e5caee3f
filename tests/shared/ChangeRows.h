// Rows of the changes window as tests write them: the change by the text its
// column shows, the values before and now as texts.
#pragma once

#include <string>

#include "changes/ChangeTexts.h"
#include "changes/Restore.h"
#include "changes/ServiceChanges.h"
#include "registry/Registry.h"

namespace sw::test {

// "Eintrag hinzugefügt", "Eintrag entfernt", or a compared value's label.
inline Change ChangeNamed(const std::string& text) {
    if (text == kEntryAdded) return {ChangeKind::EntryAdded};
    if (text == kEntryRemoved) return {ChangeKind::EntryRemoved};
    return {ChangeKind::ValueChanged, ComparedByLabel(text)};
}

// A text read, or none for an empty one.
inline FoundValue TextFound(const std::string& text) {
    return text.empty() ? FoundValue{} : FoundValue{FoundValue::Kind::Text, 0, text};
}

inline ChangeRow RowOf(const std::string& entry, const std::string& key, const std::string& change,
                       const std::string& before = "", const std::string& now = "", const std::string& note = "") {
    return {entry, key, ChangeNamed(change), TextFound(before), TextFound(now), note};
}

// A row as its cells show it: "entry | key | change | before | now".
inline std::string RowText(const ChangeRow& row) {
    return row.entry + " | " + row.key + " | " + ChangeText(row.change) + " | " + BeforeText(row) + " | " +
           NowText(row);
}

inline StoredValue TextStored(const std::string& text) { return {kRegSz, TextData(text)}; }
inline StoredValue NumberStored(std::uint32_t number) {
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i) data[i] = static_cast<char>(number >> (8 * i) & 0xFF);
    return {kRegDword, data};
}

// A planned write of a value in the entry's own key, from what it holds now
// to what it gets (none: the value is removed).
inline PlannedWrite WriteOf(const std::string& entry, const std::string& key, const std::string& name,
                            const std::optional<StoredValue>& now, const std::optional<StoredValue>& target) {
    PlannedWrite write{entry, key, ChangeNamed(name)};
    write.action = target ? RestoreAction::SetValue : RestoreAction::RemoveValue;
    write.name = name;
    write.target = target.value_or(StoredValue{});
    write.current = now;
    return write;
}

}  // namespace sw::test
