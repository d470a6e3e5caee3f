// The way back to an earlier run from the history alone: which runs it
// knows, and for the entries chosen, what they were like at one of them
// (for each compared value, the "before" of the oldest change about it
// recorded after that run; an entry added since was not there; one removed
// since comes back from the record of its removal) with the rows that the
// restore plans from.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "changes/Restore.h"
#include "history/History.h"

namespace sw {

// A run as the texts name it: "TT.MM.JJJJ hh:mm:ss", when its export was
// written.
std::string RunTimeText(const LocalTime& time);

// The runs the history knows, oldest first: the earlier run of each pair,
// then the later run of the last. The pairs are of adjacent runs, so run i
// is pairs[i].from and the changes after it are those of pairs[i] onwards.
std::vector<LocalTime> RunsOf(const History& history);

struct RestoreToRun {
    // One row per value known to have changed since the run, or the entry
    // added (there now, not then) or removed (there then, not now).
    std::vector<ChangeRow> rows;
    EarlierState earlier;
};

// The entries' state at run `run` (an index of RunsOf) and the rows that
// put them back to it. existsNow tells whether an entry's key is there now:
// an entry that was not there then and is not there now needs nothing, and
// one that was there then is made again only where it is not there now.
RestoreToRun StateAtRun(const History& history, std::size_t run, const std::vector<std::string>& keys,
                        const std::function<bool(const std::string&)>& existsNow);

}  // namespace sw
