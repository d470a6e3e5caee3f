// The start type of the selected entry, read fresh on every selection.
#include "catalogue/Lines.h"
#include "mainwindow/Root.h"

namespace sw {

void Root::LObjekte_Click() {
    const std::string keyName = KeyNameOf(c.LObjekte.Text(), DriverView());
    std::string label;
    if (const auto start = ReadStart(s.registry, keyName).number) label = StartTypeLabel(*start);
    c.bStartCaption.SetCaption("Startvorgang: " + (label.empty() ? std::string("Unbekannt") : label));
}

}  // namespace sw
