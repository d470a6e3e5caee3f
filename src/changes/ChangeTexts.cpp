#include "changes/ChangeTexts.h"

#include <cstdio>

#include "catalogue/Lines.h"

namespace sw {
namespace {

std::string SideText(const ChangeRow& row, const FoundValue& value) {
    if (row.change.IsEntry())
        return value.kind == FoundValue::Kind::Absent ? std::string()
                                                      : ShownValue(ComparedByField(ManagerField::ImagePath), value);
    return row.change.value != nullptr ? ShownValue(*row.change.value, value) : std::string();
}

}  // namespace

std::string ShownValue(const ComparedValue& compared, const FoundValue& value) {
    switch (value.kind) {
        case FoundValue::Kind::Absent: return kValueAbsent;
        case FoundValue::Kind::Other: return kValueOtherType;
        case FoundValue::Kind::Text: return value.text;
        case FoundValue::Kind::Number: break;
    }
    if (compared.form == ValueForm::StartType) return PrintedStartLabel(value.number);
    char text[32];
    std::snprintf(text, sizeof text, "0x%08x (%u)", static_cast<unsigned>(value.number),
                  static_cast<unsigned>(value.number));
    return text;
}

std::string ChangeText(const Change& change) {
    switch (change.kind) {
        case ChangeKind::EntryAdded: return kEntryAdded;
        case ChangeKind::EntryRemoved: return kEntryRemoved;
        default: return change.value != nullptr ? std::string(change.value->label) : std::string();
    }
}

std::string BeforeText(const ChangeRow& row) { return SideText(row, row.before); }
std::string NowText(const ChangeRow& row) { return SideText(row, row.now); }

}  // namespace sw
