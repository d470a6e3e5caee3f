#include "unattended/UnattendedCheck.h"

#include "catalogue/EntryLists.h"
#include "changes/ChangesView.h"
#include "snapshots/SideFiles.h"
#include "snapshots/Snapshot.h"
#include "unattended/OwnRecordGuard.h"

namespace sw {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

// The check shows nothing: the comparison and the CSV text ask no question,
// and one that would be asked is answered as cancelled, unseen.
class NoMessageBoxes final : public MessageBoxes {
public:
    int Show(const std::string&, const std::string&, int) override { return kAnswerCancel; }
};

// A text of several lines as one: each line trimmed, joined by a blank.
std::string OneLine(const std::string& text) {
    std::string out;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        const auto first = line.find_first_not_of(" \r\t");
        if (first != std::string::npos) {
            if (!out.empty()) out += ' ';
            out += line.substr(first, line.find_last_not_of(" \r\t") - first + 1);
        }
        at = end + 1;
    }
    return out;
}

bool WriteReason(Files& files, const std::string& path, const std::string& reason) {
    return files.WriteWhole(path, kBom + OneLine(reason) + "\r\n");
}

// The error line: the check's reason, then the run's own.
std::string ErrorLine(const CheckOutcome& out, const std::string& reason) {
    return OneLine(out.addToReason.empty() ? reason : reason + "; " + out.addToReason);
}

// Exit code 2 with the reason beside the program.
int FailBesideProgram(Files& files, Program& program, CheckOutcome& out, const std::string& reason) {
    out.reason = ErrorLine(out, reason);
    if (WriteBesideProgram(files, program, out.reason)) out.besideProgram = out.reason;
    return kCheckFailed;
}

// Exit code 2: the reason into the file, or beside the program when that
// fails.
int Fail(Files& files, Program& program, CheckOutcome& out, const std::string& file, const std::string& reason) {
    out.reason = ErrorLine(out, reason);
    if (WriteReason(files, file, out.reason)) return kCheckFailed;
    return FailBesideProgram(files, program, out, reason);
}

int Check(UnattendedServices& s, const std::string& given, CheckOutcome& out);

}  // namespace

bool WriteBesideProgram(Files& files, Program& program, const std::string& line) {
    return WriteReason(files, CheckErrorFile(program), line);
}

std::string DefaultCheckFile(Program& program) {
    return program.Folder() + "\\" + program.BaseName() + "-Änderungen.csv";
}

std::string CheckErrorFile(Program& program) { return program.Folder() + "\\" + program.BaseName() + "-Fehler.txt"; }

int RefuseInvocation(Files& files, Program& program, const std::string& reason) {
    CheckOutcome out;
    return FailBesideProgram(files, program, out, reason);
}

int RunUnattendedCheck(UnattendedServices& s, const std::string& given, CheckOutcome* outcome) {
    CheckOutcome local;
    CheckOutcome& out = outcome ? *outcome : local;
    out.exitCode = Check(s, given, out);
    // A reason of the run's own, when the check itself had none to give.
    if (out.exitCode != kCheckFailed && !out.addToReason.empty() &&
        WriteBesideProgram(s.files, s.program, out.addToReason))
        out.besideProgram = OneLine(out.addToReason);
    return out.exitCode;
}

namespace {

int Check(UnattendedServices& s, const std::string& given, CheckOutcome& out) {
    const std::string file = given.empty() ? DefaultCheckFile(s.program) : given;
    SideFiles side(s.files, s.shell, s.program);
    // The program's own records are never the check's output, not even for
    // a reason: this comes before anything is written into the file.
    if (const auto record = OwnRecordAt(s.identity, side.OwnFiles(), file))
        return FailBesideProgram(s.files, s.program, out,
                                 "Die Ausgabedatei wäre eine Datei des Programms selbst: " + file + " (" + *record + ")");
    if (WindowsVersionLabel(s.program.Version()) != "XP") return Fail(s.files, s.program, out, file, kStartupMessage);
    // The run that holds the folder may be writing this very file or the
    // reason beside the program (the same task started twice): this run
    // touches no file at all, and its exit code alone says so.
    if (!s.program.ClaimFolder(HeldFolder::LeaveAlone)) {
        out.folderHeld = true;
        out.reason = ErrorLine(out, "Ein anderer Lauf des Programms arbeitet im Programmordner; die Prüfung hat "
                                    "nichts angefasst: " + s.program.Folder());
        return kCheckFailed;
    }

    // The start's work on the side files, as a start with a window does it.
    side.Rotate();
    const ServiceView view = ListServiceStarts(s.registry, kHkeyLocalMachine, kServicesPath);
    if (!view.keys.listed)
        return Fail(s.files, s.program, out, file,
                    "Die Dienste in der Registrierung können nicht aufgelistet werden: HKEY_LOCAL_MACHINE\\" +
                        kServicesPath);
    const bool snapshotWritten = side.RecordThisRun(s.registry.Codec(), SnapshotLines(view.list.starts));

    // The comparison with the previous run's export, while this run's
    // export is written.
    NoMessageBoxes silent;
    ChangesServices changesServices{s.registry, s.files, s.program, s.clock, silent};
    ChangesView changes(changesServices);
    changes.Load();
    const ExportOutcome exported = side.WaitForExport(kCheckExportWait);
    // The history's problems go with the run's own reasons: they fail no
    // check, whose CSV and exit code stay what the comparison found.
    if (!side.HistoryProblems().empty())
        out.addToReason = OneLine(out.addToReason.empty() ? side.HistoryProblems()
                                                          : out.addToReason + "\n" + side.HistoryProblems());

    if (!snapshotWritten) return Fail(s.files, s.program, out, file, side.SnapshotNotWrittenText());
    if (!changes.Compared()) return Fail(s.files, s.program, out, file, changes.Status());
    if (exported != ExportOutcome::Replaced)
        return Fail(s.files, s.program, out, file, side.ExportNotDoneText(exported, kCheckExportWait));
    if (!s.files.WriteWhole(file, changes.SavedText(SaveFormat::Csv)))
        return FailBesideProgram(s.files, s.program, out, "Die Datei konnte nicht geschrieben werden: " + file);
    out.rows = changes.Rows();
    out.previousExport = changes.PreviousExportPath();
    out.thisExport = side.OwnPath(".reg");
    return changes.Rows().empty() ? kCheckNothingChanged : kCheckChangesFound;
}

}  // namespace

}  // namespace sw
