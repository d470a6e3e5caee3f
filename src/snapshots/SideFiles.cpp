// The side files beside the executable: the rotation of the previous run's
// snapshot and export at start-up, and this run's snapshot and export.
#include "mainwindow/Root.h"
#include "snapshots/Snapshot.h"

namespace sw {

void Root::RotateSideFiles() {
    // The rotation looks for the delivered name whatever this executable is
    // called; each step that fails is skipped.
    if (FileExists(SideFile("Merotan.dat"))) s.files.Copy(SideFile("Merotan.dat"), SideFile("Merotan.tmd"));
    if (FileExists(SideFile("Merotan.reg"))) s.files.Copy(SideFile("Merotan.reg"), SideFile("Merotan.tmr"));
    if (FileExists(SideFile("Merotan.bat"))) s.files.Delete(SideFile("Merotan.bat"));
}

void Root::WriteSnapshot(const std::string& snapshotText) {
    s.files.Write(SideFile(s.program.BaseName() + ".dat"),
                  SnapshotFileBytes(s.registry.Codec(), snapshotText));
    s.ui.DoEvents();
    ExportServicesKey();
    s.ui.DoEvents();
}

void Root::ExportServicesKey() {
    const std::string commandLine = "Regedit.exe /e \"" + s.program.Folder() + "\\" + s.program.BaseName() +
                                    ".reg\" \"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\"";
    s.shell.Start(commandLine, ShowStyle::MinimizedFocus);
}

}  // namespace sw
