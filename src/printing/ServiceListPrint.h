// The printed list ("&Drucken"): the visible list's entries with key names
// and current start types under a dated title.
#pragma once

#include <vector>

#include "catalogue/StartTypes.h"
#include "platform/Platform.h"
#include "printing/Printer.h"

namespace sw {

// Lays the rows out on printer in their order and ends the document; false
// when the printer failed (its Error says why).
bool PrintServiceList(Printer& printer, const Date& today, const std::vector<ListedStart>& rows);

}  // namespace sw
