// The start type of the selected entry, read fresh on every selection.
#include "catalogue/Lines.h"
#include "mainwindow/Root.h"

namespace sw {

void Root::LObjekte_Click() {
    const std::string keyName = KeyNameOf(c.LObjekte.Text(), DriverView());
    std::string label;
    if (const auto start = ReadStart(s.registry, keyName).number) label = StartTypeLabel(*start);
    if (label == StartTypeLabel(2) && DelayedAutostart(keyName)) label = kDelayedAutomaticLabel;
    c.bStartCaption.SetCaption("Startvorgang: " + (label.empty() ? std::string("Unbekannt") : label));
}

bool Root::DelayedAutostart(const std::string& keyName) {
    const auto value = s.registry.Read(kHkeyLocalMachine, ServiceKeyPath(keyName), "DelayedAutostart");
    if (!value) return false;
    const auto delayed = AsInteger(*value);
    return delayed && *delayed != 0;
}

}  // namespace sw
