// An entry's start type as the window names it now, read fresh from the
// registry: the status under the list and the rows of the printed list.
#pragma once

#include <string>
#include <vector>

#include "registry/Registry.h"
#include "ui/ListItem.h"

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
    std::string keyName;  // as the line shows it
    std::string label;
};

// The lines' entries in list order, each "Start" read once from the key kept
// with its line; a line whose "Start" cannot be read at all is left out. The
// display text is the line's first field; the key name is printed as the
// line shows it: the third field in the service view, the second in the
// driver view.
std::vector<ListedStart> CurrentStartTypes(Registry& registry, const std::vector<ListItem>& items, bool driverView);

}  // namespace sw
