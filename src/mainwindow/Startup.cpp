// How the program comes up and goes away.
#include "mainwindow/Root.h"

#include <utility>

namespace sw {

void Root::Form_Initialize() { s.ui.InitCommonControls(); }

std::string Root::GetWinVersion() { return WindowsVersionLabel(s.program.Version()); }

void Root::Form_Load() {
    if (GetWinVersion() != "XP") {
        s.messages.Show(kStartupMessage, kStartupTitle, kMbIconCritical);
        s.program.EndNow();
    }
    // A second start in a folder where the program already runs would rotate
    // that run's side files under it: the running window comes to the front
    // instead, and this start ends before it touches anything. A run without
    // a window (the unattended check) has none to show; the start then ends
    // quietly all the same.
    if (!s.program.ClaimFolder(HeldFolder::ShowRunningWindow)) s.program.EndNow();
    // The records' problems are told as the snapshot's are, once each: an
    // export that ended cut short, a history that could not be continued.
    sideFiles.TellProblemsTo(
        [this](const std::string& text) { s.messages.Show(text, kProgramTitle, kMbIconExclamation); });
    // The snapshot's rotation before the first build writes this run's; the
    // export's waits until the window is shown (Form_Shown).
    sideFiles.RotateSnapshot();
    sideFiles.DeleteBatch();
    const bool listed = GetProfile(kHkeyLocalMachine, kServicesPath);
    s.ui.DoEvents();
    if (!listed) {
        s.messages.Show(kStartupMessage, kStartupTitle, kMbIconCritical);
        s.program.EndNow();
    }
    ReadProfile();
    s.ui.DoEvents();
    if (c.LObjekte.ListCount() > 0) c.LObjekte.SetListIndex(0);
}

void Root::Form_Shown() {
    // Armed before the export begins, so that a change made while it runs
    // counts against it.
    // Asked when the changes window compares: an export that has ended
    // but whose end the watch's timer has not seen yet is put in place then.
    servicesWatch.Start(s.registryWatch, [this] {
        sideFiles.TakeEndedExport();
        return sideFiles.Outcome() == ExportOutcome::Replaced;
    });
    if (!std::exchange(exportDue_, false)) return;
    sideFiles.RotateExport();
    sideFiles.StartExport();
}

// Closing ends the program at once, whatever is still pending. There is no
// yield here: a batch that ended meanwhile would show its message over a
// window that is going, and a message box opened then kept the program
// alive until someone answered it, so the records' problems are no longer
// told. No child is waited for either: an export that has already ended is
// recorded and put in place; one that still runs is left to the next start,
// which records and keeps it once it has ended whole, and removes it
// otherwise.
void Root::Form_QueryUnload() {
    sideFiles.TellProblemsTo(nullptr);
    sideFiles.DeleteBatch();
    sideFiles.TakeEndedExport();
}

void Root::bAbbrechen_Click() {
    Form_QueryUnload();
    s.program.EndNow();
}

}  // namespace sw
