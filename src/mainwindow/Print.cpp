// "&Drucken": the visible list with key names and current start types on the
// default printer.
#include "catalogue/StartTypes.h"
#include "mainwindow/ListWalk.h"
#include "printing/PrintFailure.h"
#include "printing/ServiceListPrint.h"

namespace sw {
namespace {

inline const std::string kPrintTitle = " Drucken";
inline const std::string kListNotPrinted = "Die Liste konnte nicht gedruckt werden.    ";

}  // namespace

void Root::bDrucken_Click() {
    const int remembered = BeginListWalk(*this);
    std::unique_ptr<Printer> printer = OpenDefaultPrinter(s.printers);
    bool printed = false;
    // The lines are read as they stand, without selecting each one: one
    // registry read per entry.
    if (printer)
        printed = PrintServiceList(*printer, s.clock.Today(), CurrentStartTypes(s.registry, ListItems(c.LObjekte), DriverView()));
    EndListWalk(*this, remembered);
    if (!printed)
        s.messages.Show(kListNotPrinted + "\n" + PrintFailureReason(printer.get()), kPrintTitle, kMbIconExclamation);
}

}  // namespace sw
