// "Checker": the start types of the previous run's snapshot against the
// registry now, for the services in the visible list; the differences are
// printed, or saved beside the program when they cannot be.
#include "mainwindow/ListWalk.h"
#include "printing/PrintFailure.h"
#include "snapshots/StartTypeCheck.h"

namespace sw {
namespace {

inline const std::string kCheckTitle = " Überprüfung durchführen";
inline const std::string kDriverViewNote =
    "Der Starttyp der erweiterten Treiberdateien kann nicht überprüft werden.    \n"
    "Eine kurzzeitige Deaktivierung dieser Einstellung ist daher erforderlich.";
inline const std::string kCheckQuestion =
    "Überprüfen der Starttyp-Einträge mit der Sicherung vom letzten Vorgang.    \n"
    "Die Starttyp-Option legt den Ladevorgang der Dienste u. Treiber fest.\n"
    "Tuning-Programme oder Viren können diese Optionen verändern.\n"
    "Überprüfen Sie bei Problemen die korrekte Konfigurierung.";
inline const std::string kResultTitle = " Starttyp-Einstellungen";
inline const std::string kNoDifferences =
    "Zwischen den alten und neuen Einstellungen konnten keine Unterschiede gefunden werden.    ";
inline const std::string kNoPreviousSnapshot =
    "Es gibt noch keine lesbare Sicherung vom letzten Vorgang, mit der verglichen werden kann.    \n"
    "Die Sicherung der Starttypen wird bei jedem Programmstart angelegt;\n"
    "die Überprüfung ist ab dem nächsten Programmstart möglich.\n"
    "Gesucht wurde: ";

}  // namespace

void Root::bChecker_Click() {
    if (DriverView()) {
        s.messages.Show(kDriverViewNote, kCheckTitle, kMbOk | kMbIconInformation);
        // Disabled while it changes, so the view switch shows no warning.
        c.bErweitert.SetEnabled(false);
        c.bErweitert.SetValue(0);
        c.bErweitert.SetEnabled(true);
        s.ui.DoEvents();
    }
    if (s.messages.Show(kCheckQuestion, kCheckTitle, kMbOkCancel | kMbIconExclamation) == kAnswerCancel) return;

    const int remembered = BeginListWalk(*this);
    const std::string previous = sideFiles.OwnPath(".tmd");
    const auto snapshot = ReadSnapshotText(s.files, s.registry.Codec(), previous);
    std::string report;
    if (snapshot) report = StartTypeReport(s.registry, ListItems(c.LObjekte), *snapshot);
    EndListWalk(*this, remembered);

    if (!snapshot) {
        s.messages.Show(kNoPreviousSnapshot + previous, kCheckTitle, kMbIconInformation);
        return;
    }
    if (report.empty()) {
        s.messages.Show(kNoDifferences, kResultTitle, kMbIconExclamation);
        return;
    }
    std::unique_ptr<Printer> printer = OpenDefaultPrinter(s.printers);
    if (printer) {
        printer->PrintLine(report);
        if (printer->EndDoc()) return;
    }
    s.messages.Show(SaveUnprintedReport(s.files, s.registry.Codec(), sideFiles.Path(kReportFileName), report,
                                        PrintFailureReason(printer.get())),
                    kResultTitle, kMbIconExclamation);
}

}  // namespace sw
