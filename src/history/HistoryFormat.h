// The history file's framing, which the appender needs besides ReadHistory:
// where the whole pairs end and which runs each joins, without decoding the
// changes they hold.
//
// The file is a sequence of pairs and nothing else (no file header, so an
// empty file is an empty history). Each pair is one frame:
//   "VRL1"  u32 length of the body  u32 CRC-32 of the body  body
// and every number is little-endian. A frame whose bytes end early or whose
// checksum does not match is no pair: a run killed or a disk that filled up
// while it appended leaves exactly such a tail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace sw {

struct HistoryPair;

// The runs a whole pair joins, as the start of its body gives them.
struct PairRuns {
    LocalTime from;
    LocalTime to;
    std::uint32_t fromChecksum = 0;
    std::uint32_t toChecksum = 0;

    bool operator==(const PairRuns&) const = default;
};

struct FrameScan {
    std::vector<PairRuns> pairs;  // the whole pairs from the file's start, in file order
    std::size_t wholeEnd = 0;     // where the last of them ends
    // Some whole pair begins after the first damage: the damage lies inside
    // the file (not a cut tail), and cutting there would lose that pair.
    bool pairAfterDamage = false;
};

FrameScan ScanFrames(std::string_view fileBytes);

// DifferencesBetween for runs whose exports' checksums are known already
// (the appender has them from looking for the pair), so that two exports of
// many megabytes are not summed twice.
std::optional<HistoryPair> DifferencesOfRuns(std::string_view earlierExport, std::string_view laterExport,
                                             const PairRuns& runs, std::string* why);

}  // namespace sw
