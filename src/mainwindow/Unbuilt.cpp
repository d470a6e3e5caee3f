// Handlers whose behaviour is not built yet. Each moves to its own file when
// it is built; this file goes away with the last of them.
#include "mainwindow/Root.h"

namespace sw {

void Root::bChecker_Click() {}
void Root::bDrucken_Click() {}

}  // namespace sw
