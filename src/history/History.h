// The history of every change found below the Services key: for each pair of
// adjacent runs, the differences between the earlier run's export and the
// later one's, kept beside the program in one file that only ever grows
// (<base>-Verlauf.dat). Computed from the two exports alone, with no registry
// reads; read back into plain data for the window "Verlauf der Änderungen"
// and for a restore to the state of an earlier run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "changes/ServiceChanges.h"
#include "platform/Platform.h"
#include "regexport/RegExport.h"
#include "registry/StoredValue.h"

namespace sw {

// One change found between two adjacent runs.
struct HistoryRecord {
    std::string entry;  // display name as the changes window shows it (the key name when there is none)
    std::string key;    // key name
    Change change;      // kind, and the compared value's row for a value change
    // The value on each side as stored (type and bytes); none where it was
    // not there. For an entry added or removed: its "ImagePath" on the side
    // that has it.
    std::optional<StoredValue> before;
    std::optional<StoredValue> after;
    // EntryRemoved: the entry's keys as the earlier export held them, paths
    // relative to the entry's key ("" for the key itself), every value in its
    // exported type.
    std::vector<ExportKey> removedSubtree;
    // An entry added or removed whose "Type" carries the per-user instance
    // bit but which is no instance of a template on its side.
    bool notAnInstance = false;

    bool operator==(const HistoryRecord&) const = default;
};

// One pair of adjacent runs, recorded once whether it found changes or not.
struct HistoryPair {
    LocalTime from;  // when the earlier run's export was written
    LocalTime to;    // when the later run's export was written
    std::size_t instancesLeftOut = 0;  // per-user instances added or removed, not recorded
    // The CRC-32 of each export's bytes (ExportChecksum). With the times they
    // tell one run's export from another's, so that a pair found twice (a
    // run killed after recording, whose export the next start finds again)
    // is recorded once.
    std::uint32_t fromChecksum = 0;
    std::uint32_t toChecksum = 0;
    std::vector<HistoryRecord> records;

    bool operator==(const HistoryPair&) const = default;
};

struct History {
    std::vector<HistoryPair> pairs;  // oldest first
    // Empty when every pair was read; otherwise one German line saying what
    // could not be read (a pair cut short at the end by a full disk or a
    // killed run is left out and said here; the pairs before it are read).
    std::string damage;
};

// The history file's name: program folder, base name, "-Verlauf.dat".
std::string HistoryPath(Program& program);

// Reads a history file's bytes. A pair cut short, or bytes that are no
// pair, end the read there: the pairs before them are all kept.
History ReadHistory(std::string_view fileBytes);

// The differences between two whole exports of the Services key as one
// pair; nothing (and why, in German, in *why) when either is not one.
std::optional<HistoryPair> DifferencesBetween(std::string_view earlierExport, std::string_view laterExport,
                                              const LocalTime& from, const LocalTime& to, std::string* why);

// The bytes one pair adds to the history file.
std::string PairBytes(const HistoryPair& pair);

// The CRC-32 (IEEE 802.3, as zip has it) of bytes: of an export for
// HistoryPair, and of each pair's body in the file.
std::uint32_t ExportChecksum(std::string_view bytes);

}  // namespace sw
