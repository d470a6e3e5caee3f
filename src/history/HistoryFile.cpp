#include "history/HistoryFile.h"

#include <algorithm>

#include "history/History.h"
#include "history/HistoryFormat.h"

namespace sw {
namespace {

const std::string kNotContinued = "Der Verlauf der Änderungen wurde nicht fortgeschrieben: ";

// The earlier export's time from the newest pair that ended with it.
LocalTime TimeFromHistory(const FrameScan& scan, std::uint32_t checksum) {
    const auto it = std::find_if(scan.pairs.rbegin(), scan.pairs.rend(),
                                 [&](const PairRuns& runs) { return runs.toChecksum == checksum; });
    return it == scan.pairs.rend() ? LocalTime{} : it->to;
}

}  // namespace

std::string RecordPair(Files& files, const std::string& path, std::string_view earlierExport,
                       std::string_view laterExport, std::optional<LocalTime> from, const LocalTime& to) {
    std::string bytes;
    if (files.Exists(path) && !files.Read(path, bytes)) return kNotContinued + "die Datei kann nicht gelesen werden: " + path;
    const FrameScan scan = ScanFrames(bytes);
    if (scan.pairAfterDamage)
        return kNotContinued + "die Datei ist ab Byte " + std::to_string(scan.wholeEnd) +
               " beschädigt, und dahinter stehen noch lesbare Einträge: " + path;

    PairRuns runs{from.value_or(LocalTime{}), to, ExportChecksum(earlierExport), ExportChecksum(laterExport)};
    if (!from) runs.from = TimeFromHistory(scan, runs.fromChecksum);
    if (std::find(scan.pairs.begin(), scan.pairs.end(), runs) != scan.pairs.end()) return {};

    std::string why;
    const auto pair = DifferencesOfRuns(earlierExport, laterExport, runs, &why);
    if (!pair) return kNotContinued + why;
    if (!files.Append(path, scan.wholeEnd, PairBytes(*pair)))
        return kNotContinued + "die Datei konnte nicht geschrieben werden (Datenträger voll oder schreibgeschützt?): " +
               path;
    return {};
}

}  // namespace sw
