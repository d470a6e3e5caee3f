// The start type of the selected entry, read fresh on every selection.
#include "catalogue/Lines.h"
#include "catalogue/StartTypes.h"
#include "mainwindow/Root.h"

namespace sw {

void Root::LObjekte_Click() {
    const std::string keyName = KeyNameOf(c.LObjekte.Text(), DriverView());
    c.bStartCaption.SetCaption("Startvorgang: " + StatusStartLabel(s.registry, keyName));
}

}  // namespace sw
