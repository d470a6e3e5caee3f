#include "changes/ServicesWatch.h"

#include <utility>

#include "registry/Registry.h"

namespace sw {

void ServicesWatch::Start(std::function<bool()> exportWhole) {
    if (started_ || watch_ == nullptr) return;
    started_ = true;
    exportWhole_ = std::move(exportWhole);
    changedSinceExport_ = !watch_->Start(kHkeyLocalMachine, kServicesPath);
}

void ServicesWatch::Ask() {
    // Before Start nothing is watched, so nothing is known.
    if (!started_ || watch_->Changed()) {
        changedSinceExport_ = true;
        pending_ = true;
    }
}

bool ServicesWatch::BeginComparison() {
    if (watch_ == nullptr) return false;
    Ask();
    pending_ = false;
    burstLooks_ = 0;
    return started_ && !changedSinceExport_ && exportWhole_ && exportWhole_();
}

void ServicesWatch::Listen(std::function<bool()> onSettled) {
    if (watch_ == nullptr) return;
    onSettled_ = std::move(onSettled);
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
