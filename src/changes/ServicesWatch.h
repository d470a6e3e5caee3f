// The Services key watched while the program runs, for the changes window:
// whether this run's export still shows the registry as it is (it ended
// whole and nothing below the key changed since it began), and one call to
// the open window for each burst of changes (a restore or an import writes
// hundreds of values within moments; the window compares afresh once).
#pragma once

#include <functional>

#include "registry/RegistryWatch.h"

namespace sw {

class ServicesWatch {
public:
    // Starts watching the Services key through watch. Called before this
    // run's export begins, so that a change made while it runs counts
    // against it; exportWhole tells, when asked, whether that export has
    // ended whole and lies in its place. A second call changes nothing.
    // Without a watch (none given, or one that cannot start) every change is
    // assumed: the comparison reads the registry, as it always could.
    void Start(RegistryWatch* watch, std::function<bool()> exportWhole);

    // A comparison begins: true when this run's export can stand for the
    // registry now (whole, and nothing changed since it began, asked at
    // this moment). Changes not yet passed on count as seen from here, as
    // the comparison that begins covers them.
    bool BeginComparison();

    // The open window's fresh comparison, called once the changes of a
    // burst have settled: a look that finds nothing new after one that found
    // a change, or at the latest kLongestBurst looks into a burst that goes
    // on. It answers false when it cannot compare now (a restore of its own
    // is under way); the changes are then passed on at the next look. An
    // empty function stops the looking.
    void Listen(std::function<bool()> onSettled);

    // At most this many looks (kRegistryLookMs apart) from a burst's first
    // change to its comparison.
    static constexpr int kLongestBurst = 8;

private:
    void Look();

    RegistryWatch* watch_ = nullptr;
    bool started_ = false;
    std::function<bool()> exportWhole_;
    // Anything changed since the export began (or the watch could not start).
    bool changedSinceExport_ = true;
    // Changes seen and not yet passed on, and the looks since the first.
    bool pending_ = false;
    int burstLooks_ = 0;
    std::function<bool()> onSettled_;
};

}  // namespace sw
