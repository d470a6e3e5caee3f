// The side files beside the executable: the rotation of the previous run's
// snapshot and export at start-up, and this run's snapshot and export.
//
// Every file is named after the executable (a renamed program keeps its own
// record), except the batch file, whose name is fixed. A file is only ever
// replaced by one written whole: new files are written under a temporary
// name and moved into place, and a file that was cut short (a full disk, an
// ended program) is never copied over the previous run's.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/AnsiCodec.h"
#include "platform/Platform.h"

namespace sw {

// The batch file of the start and stop buttons; its name never changes.
inline const std::string kBatchFileName = "Merotan.bat";
// The check's report, written only when it cannot be printed.
inline const std::string kReportFileName = "Merotan-Unterschiede.txt";

// What became of this run's export.
enum class ExportOutcome {
    NotStarted,     // the rotation could not keep the previous one, so none was started
    StartFailed,    // the registry editor could not be started
    Running,        // it has not ended yet
    Replaced,       // it ended whole and is the current export now
    Failed,         // it ended without a whole export, which was removed
};

class SideFiles {
public:
    // program gives the folder, the base name and the Windows folder each
    // time a name is needed.
    SideFiles(Files& files, Shell& shell, Program& program) : files_(files), shell_(shell), program_(program) {}

    // A file in the program folder.
    std::string Path(const std::string& name) const { return program_.Folder() + "\\" + name; }
    // A side file of this run: the executable's base name and an extension
    // (".dat", ".tmd", ".reg", ".tmr").
    std::string OwnPath(const std::string& extension) const { return Path(program_.BaseName() + extension); }
    // The side files (snapshots, exports and their temporary names, the
    // history of changes) and the batch file, by their full paths.
    std::vector<std::string> OwnFiles() const;

    // Where a run says what went wrong with its records after the start's
    // own messages: the export that ended cut short, the history that could
    // not be continued. Nothing is told without it (the close tells nothing).
    void TellProblemsTo(std::function<void(const std::string&)> tell) { tell_ = std::move(tell); }
    // What went wrong with the history in this run, one line a problem;
    // empty when every pair was recorded.
    const std::string& HistoryProblems() const { return historyProblems_; }

    // At start-up, as the run without a window does it: RotateSnapshot,
    // RotateExport, then the batch file is removed. A step that fails is
    // skipped; only the history's problems are told.
    void Rotate();
    // Copies a whole snapshot over the previous run's.
    void RotateSnapshot();
    // An export of an earlier run that has ended whole but whose end that
    // run never saw is recorded in the history and becomes the current
    // export; then a whole export is copied over the previous run's, and any
    // other export left behind is removed. The window does this once it is
    // shown, before its own export starts: the recording compares two
    // exports, which must not delay the first paint.
    void RotateExport();
    // Writes this run's snapshot (the lines of SnapshotLines) whole. False
    // when it was not written; SnapshotNotWrittenText says why.
    bool WriteSnapshot(const AnsiCodec& codec, const std::string& snapshotLines);
    std::string SnapshotNotWrittenText() const;
    // Starts the registry editor's export of the Services key, unless the
    // rotation could not keep the last whole export.
    void StartExport();
    // The record of this run that the start without a window leaves: the
    // snapshot, then the export (the window's start writes the snapshot and
    // starts the export once it is shown). False when the snapshot was
    // not written (SnapshotNotWrittenText); the export is started all the
    // same, as the two are separate records.
    bool RecordThisRun(const AnsiCodec& codec, const std::string& snapshotLines);
    // The registry editor's export has ended: a whole export is recorded in
    // the history against the previous run's and then replaces the last
    // one; anything else is removed, and that is told.
    void ExportEnded(std::optional<std::uint32_t> exitCode);
    // At shut-down, and before the changes window compares: an export that
    // has ended but whose end was not seen yet is put in place (or removed)
    // now; one that still runs is not waited for.
    void TakeEndedExport();
    // Waits up to maxSeconds for the export without handling any window
    // message (the run without a window has none) and says how it ended.
    ExportOutcome WaitForExport(double maxSeconds);
    // Why this run's export is not in place, for an outcome other than
    // Replaced; one line.
    std::string ExportNotDoneText(ExportOutcome outcome, double waitedSeconds) const;
    // What became of this run's export so far.
    ExportOutcome Outcome() const { return export_; }
    // Removes the batch file, when there is one.
    void DeleteBatch();

private:
    // The left-over export of an earlier run, when it has ended whole.
    void TakeLeftOverExport();
    // Records the pair from the previous run's export (".tmr") to this one's.
    void RecordAgainstPrevious(const std::string& later, std::optional<LocalTime> to);
    // Records the pair of two exports' bytes; false (and
    // the problem told) when it is not in the history.
    bool RecordPair(const std::string& earlier, std::optional<LocalTime> from, const std::string& later,
                    std::optional<LocalTime> to);
    // A problem of the history, told with what stands before it.
    void Tell(const std::string& problem, const std::string& before = "");

    Files& files_;
    Shell& shell_;
    Program& program_;
    // Whether this run may replace the current snapshot and export: not
    // when the rotation could not keep a whole one as the previous run's
    // copy, which would then be the only record left.
    bool snapshotKept_ = true;
    bool exportKept_ = true;
    ExportOutcome export_ = ExportOutcome::NotStarted;
    // When the previous run's export was written, learned from ".reg" before
    // the rotation copied it over ".tmr" (the copy gets a time of its own).
    std::optional<LocalTime> previousExportTime_;
    std::function<void(const std::string&)> tell_;
    std::string historyProblems_;
};

}  // namespace sw
