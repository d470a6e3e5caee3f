#include "snapshots/SideFiles.h"

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

// Copies a whole current file over the previous one. True when nothing
// needed keeping (no current file, or one cut short, which is no record) or
// the copy was made; false when a whole record could not be kept, so that
// this run does not replace it.
template <class Whole>
bool KeepPrevious(Files& files, const std::string& current, const std::string& previous, Whole whole) {
    if (!files.Exists(current)) return true;
    std::string bytes;
    if (!files.Read(current, bytes)) return false;
    if (!whole(bytes)) return true;
    return files.WriteWhole(previous, bytes);
}

}  // namespace

std::vector<std::string> SideFiles::OwnFiles() const {
    std::vector<std::string> paths;
    for (const char* extension : {".dat", ".tmd", ".reg", ".tmr", ".reg.part", ".dat.part"})
        paths.push_back(OwnPath(extension));
    paths.push_back(Path(kBatchFileName));
    return paths;
}

void SideFiles::Rotate() {
    snapshotKept_ = KeepPrevious(files_, OwnPath(".dat"), OwnPath(".tmd"), IsWholeSnapshot);
    exportKept_ = KeepPrevious(files_, OwnPath(".reg"), OwnPath(".tmr"), IsWholeExport);
    // An export of an earlier run whose end was never seen is not trusted.
    if (files_.Exists(OwnPath(kExportPart))) files_.Delete(OwnPath(kExportPart));
    DeleteBatch();
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
}

void SideFiles::ExportEnded(std::optional<std::uint32_t> exitCode) {
    const std::string part = OwnPath(kExportPart);
    std::string bytes;
    if (exitCode == 0u && files_.Read(part, bytes) && IsWholeExport(bytes) && files_.Move(part, OwnPath(".reg"))) {
        export_ = ExportOutcome::Replaced;
        return;
    }
    export_ = ExportOutcome::Failed;
    files_.Delete(part);
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
