#include "mainwindow/Info.h"

#include "mainwindow/Root.h"

namespace sw {

std::string InfoText(const BuildFacts& build, const std::string& folder, const std::string& baseName) {
    std::string text = "Tavrine™ Startwart XP\nVersion " + build.version;
    if (!build.date.empty()) text += " vom " + build.date;
    text += " (" + std::to_string(build.bits) + "-Bit)\n\n";
    text += "Programmordner:\n" + folder + "\n\n";
    text += "Dateien im Programmordner:\n";
    text += baseName + ".dat  –  Starttypen dieses Starts\n";
    text += baseName + ".tmd  –  Starttypen des vorigen Starts\n";
    text += baseName + ".reg  –  Sicherung der Dienste, dieser Start\n";
    text += baseName + ".tmr  –  Sicherung der Dienste, voriger Start\n";
    text += baseName + "-Verlauf.dat  –  jede gefundene Änderung, von Start zu Start\n";
    text += baseName + "-Rückgängig-JJJJ-MM-TT-hhmmss.reg  –  Stand vor einem Zurücksetzen\n";
    text += kReportFileName + "  –  Überprüfung, wenn kein Druck möglich war\n";
    text += kBatchFileName + "  –  Starten und Anhalten von Diensten";
    return text;
}

void Root::ShowInfo(const BuildFacts& build) {
    s.messages.Show(InfoText(build, s.program.Folder(), s.program.BaseName()), kProgramTitle,
                    kMbOk | kMbIconInformation);
}

}  // namespace sw
