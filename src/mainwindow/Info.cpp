#include "mainwindow/Info.h"

#include "mainwindow/Root.h"

namespace sw {

std::string InfoText(const BuildFacts& build, const std::string& folder, const std::string& baseName) {
    std::string text = "Tavrine™ Startwart XP\nVersion " + build.version;
    if (!build.date.empty()) text += " vom " + build.date;
    text += " (" + std::to_string(build.bits) + "-Bit)\n\n";
    text += "Programmordner:\n" + folder + "\n\n";
    text += "Dateien im Programmordner:\n";
    text += baseName + ".dat  –  Starttypen dieses Programmstarts\n";
    text += baseName + ".tmd  –  Starttypen des vorigen Programmstarts\n";
    text += baseName + ".reg  –  Sicherung des Services-Schlüssels dieses Programmstarts\n";
    text += baseName + ".tmr  –  Sicherung des Services-Schlüssels des vorigen Programmstarts\n";
    text += baseName + "-Rückgängig-JJJJ-MM-TT-hhmmss.reg  –  je Zurücksetzen: der Stand davor\n";
    text += kReportFileName + "  –  Ergebnis der Überprüfung, wenn es nicht gedruckt werden konnte\n";
    text += kBatchFileName + "  –  Starten und Anhalten von Diensten (nur während des Laufs)";
    return text;
}

void Root::ShowInfo(const BuildFacts& build) {
    s.messages.Show(InfoText(build, s.program.Folder(), s.program.BaseName()), kProgramTitle,
                    kMbOk | kMbIconInformation);
}

}  // namespace sw
