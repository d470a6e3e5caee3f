// Adding a pair of runs to the history file: once per pair, only ever at the
// end, and never over a pair already there.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace sw {

// Records the differences between two exports (their bytes and when each
// was written) at the end of the history file at path. Returns "" when the
// pair is in the history now: added, or there already (the same two runs,
// told by their times and checksums), which is left as it is. Otherwise one
// German line saying why nothing was added.
//
// The file is read first: a tail that holds no whole pair (a run killed or
// a disk that filled up while it appended) is cut off by the append, and
// damage followed by whole pairs leaves the file untouched, so that no pair
// is lost by cutting. When the earlier export's time is not known, the
// newest pair that ended with the same export gives it.
std::string RecordPair(Files& files, const std::string& path, std::string_view earlierExport,
                       std::string_view laterExport, std::optional<LocalTime> from, const LocalTime& to);

}  // namespace sw
