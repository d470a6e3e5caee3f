// Switching between the service view and the driver view.
#include "mainwindow/Root.h"

namespace sw {

inline const std::string kDriverWarning =
    "Erweiterte Treiber-Dienste für vorhandene oder virtuelle Hardware-Geräte.   \n"
    "Veränderungen am Startvorgang können möglicherweise verhindern \n"
    "das Hardwarekomponenten (Mäuse etc.) nicht mehr funktionieren.";
inline const std::string kServiceWarning =
    "Standardmäßige Dienste für Aufgaben oder Prozeduren der Programme.   \n"
    "Veränderungen am Startvorgang können möglicherweise verhindern \n"
    "das Anwendungen oder Windows Komponenten funktionieren.";

void Root::bErweitert_Click() {
    const bool driver = c.bErweitert.Value() == 1;
    // A disabled check box means the value was set by program: no warning.
    if (c.bErweitert.Enabled())
        s.messages.Show(driver ? kDriverWarning : kServiceWarning, kProgramTitle, kMbIconExclamation);
    if (driver) {
        c.bBearbeiten.SetEnabled(false);
        c.Label_3.SetVisible(true);
        c.Label_2.SetLeft(4615);
        c.Label_2.SetCaption("Gerätename");
        GetServices(kHkeyLocalMachine, kServicesPath);
    } else {
        c.bBearbeiten.SetEnabled(true);
        c.Label_3.SetVisible(false);
        c.Label_2.SetLeft(3915);
        c.Label_2.SetCaption("Beschreibung (nährere Erklärungen)");
        ReadProfile();
    }
    c.LObjekte.SetFocus();
    s.ui.DoEvents();
}

}  // namespace sw
