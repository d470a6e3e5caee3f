// The values the changes window compares for every entry, in one table: its
// name and subkey, how it is shown and what the notes look for in it, and
// the service manager's field that sets it. The comparison, the notes, the
// restore's plan and writes all go by this table; a value compared more is
// one more line in it.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace sw {

// How a value is shown in a row.
enum class ValueForm {
    StartType,  // a number by its start type's label ("Manuell")
    Number,     // a number as "0x00000010 (16)"
    Text,       // a text as stored
};

// What the notes (changes/ChangeNotes.h) look for in a value.
enum class ValueRisk {
    None,
    ServiceProgram,  // the command line the service runs (a driver's file)
    Command,         // a command line run on failure
    Dll,             // a DLL the service host loads
    Account,         // the account the service runs under
};

// The service manager's field that sets a value; None where it has no call
// for it and the registry's value takes effect after the next restart.
enum class ManagerField { None, Start, DelayedAutoStart, Type, ImagePath, Account, FailureCommand, DisplayName, Group };

struct ComparedValue {
    std::string_view name;    // the value's own name
    std::string_view subkey;  // "" for the entry's key, or the subkey it lies in
    std::string_view label;   // as the rows name it: "Parameters\ServiceDll"
    ValueForm form;
    ValueRisk risk;
    ManagerField field;
};

// In the order their rows are listed. A service DLL may stand in the
// entry's "Parameters" subkey or in the entry's key itself; each place is
// compared on its own, and its row names the place.
inline constexpr std::array<ComparedValue, 10> kComparedValues = {{
    {"Start", "", "Start", ValueForm::StartType, ValueRisk::None, ManagerField::Start},
    {"DelayedAutostart", "", "DelayedAutostart", ValueForm::Number, ValueRisk::None, ManagerField::DelayedAutoStart},
    {"Type", "", "Type", ValueForm::Number, ValueRisk::None, ManagerField::Type},
    {"ImagePath", "", "ImagePath", ValueForm::Text, ValueRisk::ServiceProgram, ManagerField::ImagePath},
    {"ObjectName", "", "ObjectName", ValueForm::Text, ValueRisk::Account, ManagerField::Account},
    {"FailureCommand", "", "FailureCommand", ValueForm::Text, ValueRisk::Command, ManagerField::FailureCommand},
    {"DisplayName", "", "DisplayName", ValueForm::Text, ValueRisk::None, ManagerField::DisplayName},
    {"Group", "", "Group", ValueForm::Text, ValueRisk::None, ManagerField::Group},
    {"ServiceDll", "Parameters", "Parameters\\ServiceDll", ValueForm::Text, ValueRisk::Dll, ManagerField::None},
    {"ServiceDll", "", "ServiceDll", ValueForm::Text, ValueRisk::Dll, ManagerField::None},
}};

// The position of a value in the table (and in ServiceValues::values).
constexpr std::size_t IndexOf(const ComparedValue& value) {
    return static_cast<std::size_t>(&value - kComparedValues.data());
}

// The value the manager's field sets; the table has one for each field but
// None.
constexpr const ComparedValue& ComparedByField(ManagerField field) {
    for (const ComparedValue& value : kComparedValues)
        if (value.field == field) return value;
    return kComparedValues.front();  // never reached for a field in the table
}
constexpr std::size_t IndexOf(ManagerField field) { return IndexOf(ComparedByField(field)); }

// Every field but None sets exactly one value, and labels name one value.
constexpr bool TableIsSound() {
    for (int f = static_cast<int>(ManagerField::Start); f <= static_cast<int>(ManagerField::Group); ++f) {
        int count = 0;
        for (const ComparedValue& value : kComparedValues) count += value.field == static_cast<ManagerField>(f);
        if (count != 1) return false;
    }
    for (const ComparedValue& a : kComparedValues)
        for (const ComparedValue& b : kComparedValues)
            if (&a != &b && a.label == b.label) return false;
    return true;
}
static_assert(TableIsSound(), "one value per manager field, one value per label");

// The value a row names by its label; nothing for a label not in the table.
constexpr const ComparedValue* ComparedByLabel(std::string_view label) {
    for (const ComparedValue& value : kComparedValues)
        if (value.label == label) return &value;
    return nullptr;
}

}  // namespace sw
