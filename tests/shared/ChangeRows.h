// Rows of the changes window as tests write them: the change by the text its
// column shows, the values before and now as texts.
#pragma once

#include <string>

#include "changes/ChangeTexts.h"
#include "changes/ServiceChanges.h"

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

}  // namespace sw::test
