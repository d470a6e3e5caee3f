// An entry's start type as the window names it now, read fresh from the
// registry: the status under the list and the rows of the printed list.
#pragma once

#include <string>
#include <vector>

#include "registry/Registry.h"

namespace sw {

// True when Windows delays the entry's automatic start: a non-zero number
// in its "DelayedAutostart". Callers ask only for a "Start" of 2.
bool DelayedAutostart(Registry& registry, const std::string& keyName);

// The status's name of the entry's start type: "Automatisch", "Manuell",
// "Deaktiviert", "Automatisch (verzögert)", or "Unbekannt" for anything else.
std::string StatusStartLabel(Registry& registry, const std::string& keyName);

// One line of the list with its start type as the printout names it.
struct ListedStart {
    std::string display;
    std::string keyName;
    std::string label;
};

// The lines' entries in list order, each "Start" read once; a line whose
// "Start" cannot be read at all is left out. The key name is the third
// field in the service view, the second in the driver view.
std::vector<ListedStart> CurrentStartTypes(Registry& registry, const std::vector<std::string>& lines, bool driverView);

}  // namespace sw
