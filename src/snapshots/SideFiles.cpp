// The side files beside the executable: the rotation of the previous run's
// snapshot and export at start-up, and this run's snapshot and export.
//
// Every file is named after the executable (a renamed program keeps its own
// record), except the batch file, whose name is fixed. A file is only ever
// replaced by one written whole: new files are written under a temporary
// name and moved into place, and a file that was cut short (a full disk, an
// ended program) is never copied over the previous run's.
#include "mainwindow/Root.h"
#include "snapshots/Snapshot.h"
#include "snapshots/WholeFiles.h"

namespace sw {
namespace {

const std::string kSideFileTitle = " Tavrine Startwart";
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

// How long the end of the program waits for an export that still runs.
constexpr double kExportShutdownWait = 20.0;

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

void Root::RotateSideFiles() {
    sideFiles.snapshotKept = KeepPrevious(s.files, OwnSideFile(".dat"), OwnSideFile(".tmd"), IsWholeSnapshot);
    sideFiles.exportKept = KeepPrevious(s.files, OwnSideFile(".reg"), OwnSideFile(".tmr"), IsWholeExport);
    // An export of an earlier run whose end was never seen is not trusted.
    if (FileExists(OwnSideFile(kExportPart))) s.files.Delete(OwnSideFile(kExportPart));
    if (FileExists(SideFile("Merotan.bat"))) s.files.Delete(SideFile("Merotan.bat"));
}

void Root::WriteSnapshot(const std::string& snapshotText) {
    const std::string path = OwnSideFile(".dat");
    const bool written = sideFiles.snapshotKept &&
                         s.files.WriteWhole(path, SnapshotFileBytes(s.registry.Codec(), snapshotText));
    s.ui.DoEvents();
    ExportServicesKey();
    s.ui.DoEvents();
    // Once per run (the snapshot is written once): without this run's
    // snapshot the next check would compare with an older one unawares.
    if (!written) {
        const std::string why = sideFiles.snapshotKept ? kWriteFailed : kPreviousNotKept;
        s.messages.Show(kSnapshotNotWritten + why + path + "\n" + kNextCheckOlder, kSideFileTitle,
                        kMbIconExclamation);
    }
}

void Root::ExportServicesKey() {
    // The last whole export is the only way back when its previous copy
    // could not be kept; nothing may replace it then.
    if (!sideFiles.exportKept) return;
    const std::string commandLine = "\"" + s.program.WindowsFolder() + "\\regedit.exe\" /e \"" +
                                    OwnSideFile(kExportPart) +
                                    "\" \"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\"";
    s.shell.StartWatched(commandLine, ShowStyle::MinimizedFocus,
                         [this](std::optional<std::uint32_t> exitCode) { ExportEnded(exitCode); });
}

void Root::ExportEnded(std::optional<std::uint32_t> exitCode) {
    const std::string part = OwnSideFile(kExportPart);
    std::string bytes;
    if (exitCode == 0u && s.files.Read(part, bytes) && IsWholeExport(bytes) && s.files.Move(part, OwnSideFile(".reg")))
        return;
    s.files.Delete(part);
}

void Root::FinishExport() { s.shell.FinishWatched(kExportShutdownWait); }

}  // namespace sw
