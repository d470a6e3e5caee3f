// The check without a window, for the Task Scheduler: the start's work on
// the side files (rotation, snapshot, export, waited for), the changes
// since the previous run's export as the changes window's CSV, and an exit
// code that says what came of it. Nothing is ever shown.
#pragma once

#include <string>
#include <vector>

#include "changes/ServiceChanges.h"
#include "platform/FileIdentity.h"
#include "platform/Platform.h"
#include "registry/Registry.h"

namespace sw {

inline constexpr int kCheckNothingChanged = 0;
inline constexpr int kCheckChangesFound = 1;
inline constexpr int kCheckFailed = 2;

// How long the check waits for the registry editor's export: thousands of
// entries take seconds, a machine under load much longer.
inline constexpr double kCheckExportWait = 120.0;

struct UnattendedServices {
    Registry& registry;
    Files& files;
    Shell& shell;
    Program& program;
    Clock& clock;
    // Tells whether the file asked for is one of the program's own records.
    FileIdentity& identity;
};

// <folder>\<base>-Änderungen.csv, where the rows go when no file is given.
std::string DefaultCheckFile(Program& program);
// <folder>\<base>-Fehler.txt, where the reason for exit code 2 goes when it
// cannot go into the file, or must not.
std::string CheckErrorFile(Program& program);

// What a run came to, for the events that report it (unattended/CheckEvents.h).
struct CheckOutcome {
    // Given: a reason of the run's own that the error line carries after
    // the check's, and that goes into CheckErrorFile when the check succeeds
    // (why the events may lack their texts). Empty: none.
    std::string addToReason;

    int exitCode = kCheckFailed;
    // Exit code 2: why, as the error line says it (also when the folder was
    // held and no line could be written).
    std::string reason;
    // What the run wrote into CheckErrorFile; empty when it wrote nothing there.
    std::string besideProgram;
    bool folderHeld = false;
    // Exit codes 0 and 1: the rows as the CSV lists them, and the two
    // exports compared.
    std::vector<ChangeRow> rows;
    std::string previousExport;
    std::string thisExport;
};

// Runs the check and returns its exit code. file: where the rows go, a full
// path, or empty for DefaultCheckFile. Exit code 2 leaves one line saying
// why, in the file when that is safe and can be written, else in
// CheckErrorFile. When another run holds the program folder, nothing but
// CheckErrorFile is written; so it is when file reaches one of the side
// files or the batch file, however it is spelt (OwnRecordAt). outcome, when
// given, is filled in.
int RunUnattendedCheck(UnattendedServices& services, const std::string& file, CheckOutcome* outcome = nullptr);

// One line into CheckErrorFile (UTF-8 with a byte-order mark), replacing
// what it held.
bool WriteBesideProgram(Files& files, Program& program, const std::string& line);

// A command line that asks for nothing the program does: the reason goes
// into CheckErrorFile, no side file is touched, and the exit code is 2.
int RefuseInvocation(Files& files, Program& program, const std::string& reason);

}  // namespace sw
