// Opening the default printer and saying why a print did not come out.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "mainwindow/Root.h"

namespace sw {

// A new document on the default printer; nothing when the program has no
// printer at all.
inline std::unique_ptr<Printer> OpenDefaultPrinter(RootServices& services) {
    return services.printers ? services.printers->Open() : nullptr;
}

// The reason for the user: the printer's own, or that there is none.
inline std::string PrintFailureReason(const Printer* printer) {
    if (!printer) return kNoDefaultPrinter;
    const std::string error = printer->Error();
    return error.empty() ? std::string("Der Drucker meldet einen Fehler.") : error;
}

// A printout's date, "dd.mm.yyyy".
inline std::string DottedDate(const Date& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", date.day, date.month, date.year);
    return text;
}

}  // namespace sw
