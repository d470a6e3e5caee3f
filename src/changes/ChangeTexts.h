// The texts of a change as they are shown: the window's cells, the CSV and
// the print (and through the CSV the event log's lines). A change is typed
// (changes/ServiceChanges.h); its texts are made here and nowhere read back.
#pragma once

#include <string>

#include "changes/ComparedValues.h"
#include "changes/ServiceChanges.h"

namespace sw {

inline const std::string kEntryAdded = "Eintrag hinzugefügt";
inline const std::string kEntryRemoved = "Eintrag entfernt";
inline const std::string kValueAbsent = "(nicht vorhanden)";
inline const std::string kValueOtherType = "(anderer Werttyp)";

// A value as the list shows it: start types by their labels, other numbers
// as "0x00000010 (16)", texts as stored.
std::string ShownValue(const ComparedValue& compared, const FoundValue& value);

// What a row names in its column "Änderung": the value's label, or that the
// entry was added or removed.
std::string ChangeText(const Change& change);

// A row's columns "Vorher" and "Jetzt": the value on each side; for an
// entry added or removed its "ImagePath" on the side that has it, and
// nothing on the other.
std::string BeforeText(const ChangeRow& row);
std::string NowText(const ChangeRow& row);

}  // namespace sw
