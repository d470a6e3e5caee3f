// How the program comes up and goes away.
#include "mainwindow/Root.h"

namespace sw {

void Root::Form_Initialize() { s.ui.InitCommonControls(); }

std::string Root::GetWinVersion() {
    const VersionRecord v = s.program.Version();
    switch (v.platform) {
        case 0: return "Windows 16bit mit 32bit-Erweiterung";
        case 1:
            switch (v.minor) {
                case 0: return "95";
                case 10: return "98";
                case 90: return "Me";
                default: return "Unknown";
            }
        case 2:
            if (v.major == 4) return "Nt";
            if (v.major >= 5) return "XP";
            return "";
        default: return "Unknown";
    }
}

void Root::Form_Load() {
    if (GetWinVersion() != "XP") {
        s.messages.Show(kStartupMessage, kStartupTitle, kMbIconCritical);
        s.program.EndNow();
    }
    // A second start in a folder where the program already runs would rotate
    // that run's side files under it: the running window comes to the front
    // instead, and this start ends before it touches anything.
    if (!s.program.ClaimFolder()) s.program.EndNow();
    sideFiles.Rotate();
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

void Root::Form_QueryUnload() {
    sideFiles.DeleteBatch();
    sideFiles.FinishExport();
    s.ui.DoEvents();
}

void Root::bAbbrechen_Click() {
    Form_QueryUnload();
    s.program.EndNow();
}

}  // namespace sw
