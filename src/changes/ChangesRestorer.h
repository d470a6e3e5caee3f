// The restore over the real seams: reads the previous run's export
// (<folder>\<base>.tmr) with the whole subtrees of the selected entries,
// plans every write against the registry now, writes the undo file and then
// carries the writes out through the service manager and the registry.
#pragma once

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
    Registry& registry_;
    ServiceManager& services_;
    Files& files_;
    Program& program_;
    Clock& clock_;
};

}  // namespace sw
