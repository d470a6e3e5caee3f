// Opening the default printer and saying why a print did not come out.
#pragma once

#include <memory>
#include <string>

#include "printing/Printer.h"

namespace sw {

// A new document on the default printer; nothing when the program has no
// printer at all.
inline std::unique_ptr<Printer> OpenDefaultPrinter(PrinterFactory* printers) {
    return printers ? printers->Open() : nullptr;
}

// The reason for the user: the printer's own, or that there is none.
inline std::string PrintFailureReason(const Printer* printer) {
    if (!printer) return kNoDefaultPrinter;
    const std::string error = printer->Error();
    return error.empty() ? std::string("Der Drucker meldet einen Fehler.") : error;
}

}  // namespace sw
