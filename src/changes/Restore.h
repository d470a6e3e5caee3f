// Putting back what changed since the last start: from the rows the user
// selected in the changes window, the previous run's export and the registry
// now, a plan of every write (shown as a preview), and then the writes
// themselves, through the service manager first and the registry after,
// with an undo file written before the first of them. Plain code over the
// registry, the service manager and the file seams; the window only shows
// the plan and the result and asks.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "changes/ServiceChanges.h"

namespace sw {

// What a planned write does.
enum class RestoreAction {
    SetValue,     // the value gets the exported type and bytes
    RemoveValue,  // the export did not have the value
    CreateEntry,  // the removed entry is created again with its whole subtree
};

// One write that the restore will make. The preview lists it as
// "Eintrag – Wert: jetzt → vorher" (changes/RestoreTexts.h makes the texts).
struct PlannedWrite {
    std::string entry;  // as the changes row shows it
    std::string key;    // key name
    Change change{};    // the row it restores
    RestoreAction action = RestoreAction::SetValue;
    std::string subkey{};  // "" or "Parameters": where the value lies below the entry's key
    std::string name{};    // the value's own name ("ServiceDll")
    StoredValue target{};  // SetValue: what it gets, as the export holds it
    std::optional<StoredValue> current{};  // the value as stored when planned; none where it was not there
    std::vector<ExportKey> subtree{};      // CreateEntry: the entry's keys, paths relative to it
};

// A selected row that will not be restored, and why (German, for the user).
struct NotRestored {
    std::string entry;
    std::string key;
    Change change;
    std::string reason;
};

// How the texts name what a restore goes back to: the state as a noun
// ("Export vom letzten Start": "Der … enthält den Eintrag nicht", "wie im …")
// and its time ("vom letzten Start": "auf den Stand …").
struct EarlierName {
    std::string source = "Export vom letzten Start";
    std::string when = "vom letzten Start";
};

struct RestorePlan {
    EarlierName name{};  // what it goes back to
    std::vector<PlannedWrite> writes;
    std::vector<NotRestored> skipped;
    // A boot or system start type (0 or 1) on either side of a "Start"
    // write: the preview warns and makes "&Abbrechen" its default button.
    bool touchesBootOrSystemStart = false;
    // Why no plan could be made at all (the previous export cannot be read,
    // say); empty otherwise.
    std::string failure;
};

enum class RestoreOutcomeKind {
    Restored,             // the service manager and the registry hold it now
    AfterNextRestart,     // in the registry only: "wirksam nach dem nächsten Neustart"
    NotRestored,          // refused or skipped; reason says why
};

struct RestoreOutcome {
    std::string entry;
    std::string key;
    Change change;
    RestoreOutcomeKind kind = RestoreOutcomeKind::NotRestored;
    std::string reason;  // German, with the system's message where one is given
};

struct RestoreResult {
    // Empty when the undo file was written; otherwise why not and where it
    // was tried, and nothing was changed.
    std::string failure;
    std::string undoFile;  // full path of the undo file
    std::vector<RestoreOutcome> rows;
};

// One entry as it was at the time a restore goes back to.
struct EarlierEntry {
    // Its keys then, paths relative to the entry's key ("" first).
    std::vector<ExportKey> subtree;
    // True when subtree holds the entry whole, so that a value it lacks was
    // not there; false when it holds only the values known to have changed
    // since (one marked removed was not there, one it lacks is as now).
    bool whole = true;
};

// What the selected entries were like then: the previous run's export
// (ChangesRestorer's PreviousRunState), or the state of an earlier run that
// the history gives (history/StateAtRun.h). An entry it does not hold was
// not there.
struct EarlierState {
    EarlierName name{};
    std::string failure;  // why it could not be read; empty when it was
    std::map<std::string, EarlierEntry> entries;  // by folded key name (platform/CaseFold.h)

    const EarlierEntry* Find(const std::string& keyName) const;
};

// Whether a row of the changes window is one a restore can act on (the
// button "&Zurücksetzen…" is enabled while the selection holds one).
bool CanRestore(const ChangeRow& row);

// An account the service manager runs a service under without a password:
// LocalSystem, NT AUTHORITY\LocalService, NT AUTHORITY\NetworkService and
// the "NT SERVICE\..." accounts (case ignored); so is none at all.
bool AccountNeedsNoPassword(const std::string& account);

// What the changes window and the history window ask of a restore. The implementation over the
// registry, the service manager and the files is ChangesRestorer.
class Restorer {
public:
    virtual ~Restorer() = default;
    // The plan for the selected rows, back to the earlier state: reads the
    // registry, writes nothing.
    virtual RestorePlan Plan(const std::vector<ChangeRow>& selected, const EarlierState& earlier) = 0;
    // Writes the undo file, then carries out the plan's writes.
    virtual RestoreResult CarryOut(const RestorePlan& plan) = 0;
};

}  // namespace sw
