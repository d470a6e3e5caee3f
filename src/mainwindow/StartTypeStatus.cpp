// The start type of the selected entry, read fresh on every selection.
#include "catalogue/StartTypes.h"
#include "mainwindow/Root.h"

namespace sw {

void Root::LObjekte_Click() {
    // The key kept with the line, whichever view: no text in the line decides.
    const std::string keyName = c.LObjekte.SelectedKey();
    c.bStartCaption.SetCaption("Startvorgang: " + StatusStartLabel(s.registry, keyName));
}

}  // namespace sw
