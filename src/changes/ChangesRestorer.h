// The restore over the real seams: reads the previous run's export
// (<folder>\<base>.tmr) with the whole subtrees of the selected entries,
// plans every write against the registry now, writes the undo file and then
// carries the writes out through the service manager and the registry.
#pragma once

#include <optional>

#include "changes/Restore.h"
#include "platform/Platform.h"
#include "registry/Registry.h"

namespace sw {

class ChangesRestorer final : public Restorer {
public:
    ChangesRestorer(Registry& registry, ServiceManager& services, Files& files, Program& program, Clock& clock)
        : registry_(registry), services_(services), files_(files), program_(program), clock_(clock) {}

    RestorePlan Plan(const std::vector<ChangeRow>& selected) override;
    RestoreResult CarryOut(const RestorePlan& plan) override;

    // The previous export: program folder, base name, ".tmr".
    std::string PreviousExportPath() const;

private:
    // What became of one write, and why.
    struct WriteOutcome {
        RestoreOutcomeKind kind = RestoreOutcomeKind::Restored;
        std::string reason;
    };
    // Keeps the worse kind and adds the reason.
    static void Worsen(WriteOutcome& outcome, RestoreOutcomeKind kind, const std::string& reason);

    // One value of a key as stored now, or nothing when it is not there;
    // error is set when it cannot be read.
    std::optional<StoredValue> Current(const std::string& path, const std::string& name, long& error);
    // <folder>\<base>-Rückgängig-JJJJ-MM-TT-hhmmss.reg, with a number added
    // where a restore of the same second left one.
    std::string UndoFilePath();
    void RestoreValues(const std::string& keyName, const std::vector<const PlannedWrite*>& writes,
                       const std::vector<WriteOutcome*>& outcomes);
    std::string WriteValue(const std::string& keyPath, const std::string& name,
                           const std::optional<StoredValue>& target);
    WriteOutcome CreateEntry(const PlannedWrite& write);

    Registry& registry_;
    ServiceManager& services_;
    Files& files_;
    Program& program_;
    Clock& clock_;
};

}  // namespace sw
