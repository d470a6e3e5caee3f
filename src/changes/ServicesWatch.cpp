#include "changes/ServicesWatch.h"

#include <utility>

#include "registry/Registry.h"

namespace sw {

void ServicesWatch::Start(RegistryWatch* watch, std::function<bool()> exportWhole) {
    if (started_ || watch == nullptr) return;
    watch_ = watch;
    started_ = true;
    exportWhole_ = std::move(exportWhole);
    changedSinceExport_ = !watch_->Start(kHkeyLocalMachine, kServicesPath);
    // A window opened before the watch began looks from now on.
    if (onSettled_) watch_->LookEvery([this] { Look(); });
}

bool ServicesWatch::BeginComparison() {
    if (!started_) return false;
    if (watch_->Changed()) changedSinceExport_ = true;
    pending_ = false;
    burstLooks_ = 0;
    return !changedSinceExport_ && exportWhole_ && exportWhole_();
}

void ServicesWatch::Listen(std::function<bool()> onSettled) {
    onSettled_ = std::move(onSettled);
    if (watch_ == nullptr) return;
    if (!onSettled_) {
        watch_->LookEvery({});
        return;
    }
    watch_->LookEvery([this] { Look(); });
}

void ServicesWatch::Look() {
    if (!started_) return;
    if (watch_->Changed()) {
        changedSinceExport_ = true;
        pending_ = true;
        // The burst may go on: wait for a quiet look, within bounds.
        if (++burstLooks_ < kLongestBurst) return;
    } else if (!pending_) {
        return;
    }
    // A copy: the window may stop listening from inside its comparison.
    const std::function<bool()> settled = onSettled_;
    if (!settled) return;
    pending_ = false;
    burstLooks_ = 0;
    // Not now: passed on at the next look, unless a comparison begins
    // meanwhile and covers the changes.
    if (!settled()) pending_ = true;
}

}  // namespace sw
