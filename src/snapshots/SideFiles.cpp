#include "snapshots/SideFiles.h"

#include "history/History.h"
#include "history/HistoryFile.h"
#include "snapshots/Snapshot.h"
#include "snapshots/WholeFiles.h"

namespace sw {
namespace {

const std::string kSnapshotNotWritten =
    "Die Sicherung der Starttypen konnte bei diesem Programmstart nicht gespeichert werden.    \n";
const std::string kPreviousNotKept =
    "Die Sicherung vom letzten Vorgang konnte nicht aufbewahrt werden und bleibt deshalb unverändert in\n";
const std::string kWriteFailed = "Die Datei konnte nicht geschrieben werden (Datenträger voll oder schreibgeschützt?):\n";
const std::string kNextCheckOlder =
    "Die nächste Überprüfung der Starttypen vergleicht daher mit einer älteren Sicherung.";

// The registry editor's export is written here and moved to ".reg" once it
// has ended whole.
const std::string kExportPart = ".reg.part";

const std::string kNotRecorded =
    "Der Verlauf der Änderungen wurde bei diesem Programmstart nicht fortgeschrieben, weil kein vollständiger "
    "Export der Dienste vorliegt.";

// Copies a whole current file over the previous one. True when nothing
// needed keeping (no current file, or one cut short, which is no record) or
// the copy was made (then *copied is set); false when a whole record could
// not be kept, so that this run does not replace it.
template <class Whole>
bool KeepPrevious(Files& files, const std::string& current, const std::string& previous, Whole whole,
                  bool* copied = nullptr) {
    if (!files.Exists(current)) return true;
    std::string bytes;
    if (!files.Read(current, bytes)) return false;
    if (!whole(bytes)) return true;
    const bool written = files.WriteWhole(previous, bytes);
    if (copied) *copied = written;
    return written;
}

}  // namespace

std::vector<std::string> SideFiles::OwnFiles() const {
    std::vector<std::string> paths;
    for (const char* extension : {".dat", ".tmd", ".reg", ".tmr", ".reg.part", ".dat.part"})
        paths.push_back(OwnPath(extension));
    paths.push_back(HistoryPath(program_));
    paths.push_back(Path(kBatchFileName));
    return paths;
}

void SideFiles::Tell(const std::string& problem, const std::string& before) {
    historyProblems_ += (historyProblems_.empty() ? "" : "\n") + problem;
    if (tell_) tell_(before.empty() ? problem : before + "\n" + problem);
}

bool SideFiles::RecordPair(const std::string& earlier, std::optional<LocalTime> from, const std::string& later,
                           std::optional<LocalTime> to) {
    const std::string problem =
        sw::RecordPair(files_, HistoryPath(program_), earlier, later, from, to.value_or(LocalTime{}));
    if (!problem.empty()) Tell(problem);
    return problem.empty();
}

void SideFiles::Rotate() {
    RotateSnapshot();
    RotateExport();
    DeleteBatch();
}

void SideFiles::RotateSnapshot() {
    snapshotKept_ = KeepPrevious(files_, OwnPath(".dat"), OwnPath(".tmd"), IsWholeSnapshot);
}

void SideFiles::RotateExport() {
    TakeLeftOverExport();
    const std::string current = OwnPath(".reg");
    const std::optional<LocalTime> written = files_.LastWritten(current);
    bool copied = false;
    exportKept_ = KeepPrevious(files_, current, OwnPath(".tmr"), IsWholeExport, &copied);
    previousExportTime_ = copied ? written : std::nullopt;
    // Any other export of an earlier run whose end was never seen is not
    // trusted: cut short, or still being written.
    if (files_.Exists(OwnPath(kExportPart))) files_.Delete(OwnPath(kExportPart));
}

// The window of an earlier run was closed before its export ended. The
// export is taken only when no registry editor holds it open any more (one
// that outlives a quick restart may still be writing it, and a section's
// end looks like a file's) and it ends as a whole export does. That run
// never replaced ".reg", so ".reg" is the export it was compared with: the
// pair is recorded, and the export becomes the current one, so that this
// run's pair joins it and no run is left out. When the pair cannot be
// recorded the export is dropped as before: this run's pair then spans
// both steps and loses no change.
void SideFiles::TakeLeftOverExport() {
    const std::string part = OwnPath(kExportPart);
    const std::string current = OwnPath(".reg");
    std::string later;
    if (!files_.Exists(part) || !files_.ReadUnshared(part, later) || !IsWholeExport(later)) return;
    std::string earlier;
    const bool hasEarlier = files_.Exists(current) && files_.Read(current, earlier) && IsWholeExport(earlier);
    if (hasEarlier && !RecordPair(earlier, files_.LastWritten(current), later, files_.LastWritten(part))) return;
    files_.Move(part, current);
}

bool SideFiles::WriteSnapshot(const AnsiCodec& codec, const std::string& snapshotLines) {
    return snapshotKept_ && files_.WriteWhole(OwnPath(".dat"), SnapshotFileBytes(codec, snapshotLines));
}

std::string SideFiles::SnapshotNotWrittenText() const {
    return kSnapshotNotWritten + (snapshotKept_ ? kWriteFailed : kPreviousNotKept) + OwnPath(".dat") + "\n" +
           kNextCheckOlder;
}

bool SideFiles::RecordThisRun(const AnsiCodec& codec, const std::string& snapshotLines) {
    const bool written = WriteSnapshot(codec, snapshotLines);
    StartExport();
    return written;
}

void SideFiles::StartExport() {
    // The last whole export is the only way back when its previous copy
    // could not be kept; nothing may replace it then.
    if (!exportKept_) return;
    const std::string commandLine = "\"" + program_.WindowsFolder() + "\\regedit.exe\" /e \"" + OwnPath(kExportPart) +
                                    "\" \"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\"";
    const bool started = shell_.StartWatched(commandLine, ShowStyle::MinimizedFocus,
                                             [this](std::optional<std::uint32_t> exitCode) { ExportEnded(exitCode); });
    export_ = started ? ExportOutcome::Running : ExportOutcome::StartFailed;
    if (!started) Tell(kNotRecorded, ExportNotDoneText(export_, 0));
}

void SideFiles::ExportEnded(std::optional<std::uint32_t> exitCode) {
    const std::string part = OwnPath(kExportPart);
    std::string bytes;
    const bool whole = exitCode == 0u && files_.Read(part, bytes) && IsWholeExport(bytes);
    if (whole) {
        // Recorded before it moves: a run killed in between leaves the
        // export behind, and the next start finds its pair recorded already.
        RecordAgainstPrevious(bytes, files_.LastWritten(part));
        if (files_.Move(part, OwnPath(".reg"))) {
            export_ = ExportOutcome::Replaced;
            return;
        }
    }
    export_ = ExportOutcome::Failed;
    files_.Delete(part);
    const std::string text = ExportNotDoneText(ExportOutcome::Failed, 0);
    if (!whole) Tell(kNotRecorded, text);
    else if (tell_) tell_(text);
}

void SideFiles::RecordAgainstPrevious(const std::string& later, std::optional<LocalTime> to) {
    const std::string previous = OwnPath(".tmr");
    if (!files_.Exists(previous)) return;  // the first run in this folder: no pair yet
    std::string earlier;
    if (files_.Read(previous, earlier)) RecordPair(earlier, previousExportTime_, later, to);
    else Tell("Der Verlauf der Änderungen wurde nicht fortgeschrieben: der Export vom letzten Programmstart kann "
              "nicht gelesen werden: " + previous);
}

void SideFiles::TakeEndedExport() { shell_.FinishWatched(0); }

ExportOutcome SideFiles::WaitForExport(double maxSeconds) {
    if (export_ == ExportOutcome::Running) shell_.FinishWatched(maxSeconds);
    return export_;
}

std::string SideFiles::ExportNotDoneText(ExportOutcome outcome, double waitedSeconds) const {
    switch (outcome) {
        case ExportOutcome::NotStarted:
            return "Der Export der Dienste wurde nicht erneuert, weil der vom letzten Vorgang nicht aufbewahrt "
                   "werden konnte: " + OwnPath(".reg");
        case ExportOutcome::StartFailed:
            return "Der Registrierungs-Editor für den Export der Dienste konnte nicht gestartet werden: " +
                   program_.WindowsFolder() + "\\regedit.exe";
        case ExportOutcome::Running:
            return "Der Export der Dienste war nach " + std::to_string(static_cast<long>(waitedSeconds)) +
                   " Sekunden nicht fertig: " + OwnPath(kExportPart);
        case ExportOutcome::Failed:
            return "Der Export der Dienste ist nicht vollständig geschrieben worden: " + OwnPath(".reg");
        case ExportOutcome::Replaced:
            break;
    }
    return {};
}

void SideFiles::DeleteBatch() {
    const std::string batch = Path(kBatchFileName);
    if (files_.Exists(batch)) files_.Delete(batch);
}

}  // namespace sw
