// What changed below the Services key between the previous run's registry
// export and the registry now: entries added and removed, and for entries in
// both the values that decide what a service runs and how it starts. Plain
// code over data; the registry is read through Registry in one function.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "changes/ComparedValues.h"
#include "platform/Platform.h"
#include "regexport/RegExport.h"
#include "registry/Registry.h"

namespace sw {

// One value of an entry as found: not there, a number, a text (as stored, up
// to its first NUL), or there but of a type that is neither.
struct FoundValue {
    enum class Kind { Absent, Number, Text, Other };
    Kind kind = Kind::Absent;
    std::uint32_t number = 0;
    std::string text;

    bool operator==(const FoundValue&) const = default;
};

// A value found as stored (an exported one, or one the registry holds).
FoundValue FoundOf(const StoredValue& value);

struct ServiceValues {
    std::string keyName;
    std::array<FoundValue, kComparedValues.size()> values;  // by the table's rows
    // An indirect display name ("@file,-id") read now, resolved; empty for
    // any other, and for entries from an export. The comparison keeps using
    // the stored text.
    std::string resolvedDisplayName;
    // The key name folded (platform/CaseFold.h) once, for matching entries
    // of the export with those of the registry.
    std::string folded;

    bool operator==(const ServiceValues&) const = default;
};

// What a row is about: an entry added or removed, or one compared value
// that changed, came or went.
enum class ChangeKind { EntryAdded, EntryRemoved, ValueChanged, ValueAdded, ValueRemoved };

struct Change {
    ChangeKind kind = ChangeKind::ValueChanged;
    const ComparedValue* value = nullptr;  // the table's row; none for an entry added or removed

    bool IsEntry() const { return kind == ChangeKind::EntryAdded || kind == ChangeKind::EntryRemoved; }
    // The same row of an entry: the same entry change, or the same value
    // however it changed.
    bool SameAs(const Change& other) const {
        return IsEntry() || other.IsEntry() ? kind == other.kind : value == other.value;
    }
    bool operator==(const Change&) const = default;
};

// One row of the list: the entry, what changed, the value before and now as
// the comparison read them. For an entry added or removed, before and now
// hold its "ImagePath" on the side that has the entry. The texts shown are
// made from it in changes/ChangeTexts.h.
struct ChangeRow {
    std::string entry;   // display name (the key name when there is none)
    std::string key;     // key name
    Change change;
    FoundValue before;
    FoundValue now;
    std::string note{};  // why the row matters (changes/ChangeNotes.h), notes joined with "; "
    // An entry added or removed whose "Type" carries the per-user instance
    // bit but which is no instance of a template on its side.
    bool notAnInstance = false;
};

// A display name as the list shows it: the resolved text where the entry's
// indirect name could be resolved now, the stored text otherwise.
std::string DisplayNameForShow(const std::string& text, const std::string& resolved);

// The previous run's export, which the comparison and the restore read:
// program folder, base name, ".tmr".
std::string PreviousExportPath(Program& program);
// This run's export, once it has ended whole: program folder, base name,
// ".reg".
std::string ThisRunsExportPath(Program& program);

// An export read for the comparison: of all its keys and values (every one
// read and checked) only the Services key, its entries and their
// "Parameters" subkeys are kept, with the compared values.
RegExport ReadServicesExport(std::string_view fileBytes);

// An export read for a restore: the Services key and the whole subtrees of
// the entries named (every key below them, every value in its exported
// type); everything else is read and checked, not kept.
RegExport ReadEntrySubtrees(std::string_view fileBytes, const std::vector<std::string>& keyNames);

// True when the export holds the Services key itself.
bool HoldsServicesKey(const RegExport& file);

// The keys of one entry in an export, with paths relative to the entry's key
// ("" for the key itself, "Parameters", "Parameters\\Sub", ...), in file
// order; nothing when the export does not hold the entry.
std::optional<std::vector<ExportKey>> EntrySubtree(const RegExport& file, const std::string& keyName);

// The entries below HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services in
// an export, with their compared values; nothing when the export does not
// hold that key.
std::optional<std::vector<ServiceValues>> ServicesInExport(const RegExport& file);

// One entry's compared values, read now through the registry operations:
// one open of the entry's key for its own values (an indirect display name
// resolved through it) and one of its "Parameters" subkey, which reads only
// where the entry has one. A value that cannot be read as a text or a number
// counts as absent here; RecheckAbsent tells the absent ones from those of
// another type.
ServiceValues ReadServiceNow(Registry& registry, const std::string& keyName);

// Every entry of the Services key now; nothing when the key cannot be listed.
std::optional<std::vector<ServiceValues>> ServicesNow(Registry& registry);

// For the values that were there before and read as absent now: asks the
// registry whether they are there after all, of a type the reads do not
// deliver (a long binary, say). Only the few values that differ are asked
// about, so the comparison stays at one read per compared value.
void RecheckAbsent(Registry& registry, const std::vector<ServiceValues>& before, std::vector<ServiceValues>& now);

// The rows of a comparison whose now side was read from an export rather
// than the registry get their entries' names as the registry read would have
// given them: an indirect display name resolved now through the registry
// (ServiceValues::resolvedDisplayName), read for the rows' entries only.
// Rows of removed entries keep the stored text, as they do either way.
void ResolveShownNames(Registry& registry, std::vector<ServiceValues>& now, std::vector<ChangeRow>& rows);

// Whether entry, which carries the instance bit, is an instance of
// templateEntry as the system makes one: the template has the per-user
// service bit, and the entry's "ImagePath" and service DLL in either place
// are the template's. An instance that names no service DLL in a place runs
// the template's; one that names another there, or names one where the
// template names none, runs something else.
bool IsInstanceOf(const ServiceValues& entry, const ServiceValues& templateEntry);

// The rows, entries in case-insensitive key-name order; key names match
// without regard to case, as the registry's do.
// The system creates and removes instances of per-user services at every
// logon: keys named after a template entry, "_" and a suffix, whose "Type"
// carries the per-user instance bit (0x80), running the template's program.
// Such an instance added or removed is no row; their number goes to
// instancesLeftOut when given. The name and the bit alone do not hide an
// entry: its template must be there on the same side, with the per-user
// service bit (0x40), and the entry must run what the template runs
// (IsInstanceOf). Any other entry with the instance bit is a row marked
// notAnInstance. An instance on both sides is compared as any entry.
std::vector<ChangeRow> CompareServices(const std::vector<ServiceValues>& before,
                                       const std::vector<ServiceValues>& now,
                                       std::size_t* instancesLeftOut = nullptr);

}  // namespace sw
