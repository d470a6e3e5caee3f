// The restore over the real seams: plans every write from the earlier state
// it is given against the registry now, writes the undo file and then
// carries the writes out through the service manager and the registry.
#pragma once

#include <optional>

#include "changes/Restore.h"
#include "platform/Platform.h"
#include "registry/Registry.h"

namespace sw {

// The changes window's earlier state: the previous run's export
// (<folder>\<base>.tmr) with the whole subtrees of the selected rows'
// entries, or why it cannot be read.
EarlierState PreviousRunState(Files& files, Program& program, const std::vector<ChangeRow>& selected);

class ChangesRestorer final : public Restorer {
public:
    ChangesRestorer(Registry& registry, ServiceManager& services, Files& files, Program& program, Clock& clock)
        : registry_(registry), services_(services), files_(files), program_(program), clock_(clock) {}

    RestorePlan Plan(const std::vector<ChangeRow>& selected, const EarlierState& earlier) override;
    RestoreResult CarryOut(const RestorePlan& plan) override;

private:
    // What became of one write, and why.
    struct WriteOutcome {
        RestoreOutcomeKind kind = RestoreOutcomeKind::Restored;
        std::string reason;
    };
    // Keeps the worse kind and adds the reason.
    static void Worsen(WriteOutcome& outcome, RestoreOutcomeKind kind, const std::string& reason);
    // A planned write as it is carried out: whether it is still due after
    // the undo file's reads, and what became of it.
    struct Carried {
        const PlannedWrite& write;
        bool due = true;
        WriteOutcome outcome{};
    };
    // A write the service manager is told, its field and the manager's
    // answer.
    struct Told {
        Carried& carried;
        ManagerField field;
        std::uint32_t error = 0;
    };

    // One value of a key as stored now, or nothing when it is not there;
    // error is set when it cannot be read.
    std::optional<StoredValue> Current(const std::string& path, const std::string& name, long& error);

    // The undo file: what every due write's value holds now. A write whose
    // value cannot be read is no longer due.
    std::string UndoFileBytes(std::vector<Carried>& carried);
    // <folder>\<base>-Rückgängig-JJJJ-MM-TT-hhmmss.reg, with a number added
    // where a restore of the same second left one.
    std::string UndoFilePath();
    void RestoreValues(const std::string& keyName, const std::vector<Carried*>& writes);
    // Tells the manager what it has calls for, keeps what its own copy
    // would change otherwise and reads back what it holds.
    void TellManager(const std::string& keyName, const std::vector<Carried*>& writes);
    void CallManager(const std::string& keyName, const ServiceConfig& config, std::vector<Told>& told);
    std::string WriteValue(const std::string& keyPath, const std::string& name,
                           const std::optional<StoredValue>& target);
    WriteOutcome CreateEntry(const PlannedWrite& write);
    // Registers a removed service or driver anew (or tells the manager that
    // still knows it its configuration).
    void RegisterEntry(const PlannedWrite& write, WriteOutcome& outcome);

    Registry& registry_;
    ServiceManager& services_;
    Files& files_;
    Program& program_;
    Clock& clock_;
};

}  // namespace sw
