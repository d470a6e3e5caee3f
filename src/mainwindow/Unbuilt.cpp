// Handlers whose behaviour is not built yet. Each moves to its own file when
// it is built; this file goes away with the last of them.
#include "mainwindow/Root.h"

namespace sw {

void Root::LObjekte_DblClick() {}
void Root::LObjekte_KeyPress(std::int16_t&) {}
void Root::bBearbeiten_Click() {}
void Root::Sleep(double) {}
void Root::bChecker_Click() {}
void Root::bDrucken_Click() {}

}  // namespace sw
