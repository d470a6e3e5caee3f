// "&Drucken": the visible list with key names and current start types on the
// default printer, under a dated title.
#include "catalogue/Lines.h"
#include "mainwindow/ListWalk.h"
#include "printing/PrintFailure.h"

namespace sw {
namespace {

constexpr float kTextColumn = 1000;
constexpr float kKeyColumn = 5500;
constexpr float kStartColumn = 9000;
constexpr float kRuleEnd = 11000;

inline const std::string kListTitle = "Dienst- und Treiberliste - Ausdruck vom ";
inline const std::string kPrintTitle = " Drucken";
inline const std::string kListNotPrinted = "Die Liste konnte nicht gedruckt werden.    ";

}  // namespace

void Root::bDrucken_Click() {
    const int remembered = BeginListWalk(*this);
    std::unique_ptr<Printer> printer = OpenDefaultPrinter(s);
    bool printed = false;
    if (printer) {
        Printer& p = *printer;
        p.PrintLine(" ");
        p.SetCurrentX(kTextColumn);
        p.SetBold(true);
        p.PrintLine(kListTitle + DottedDate(s.clock.Today()));
        p.SetBold(false);
        p.PrintLine(" ");
        p.SetCurrentX(kTextColumn);
        p.PrintKeep("Dienstnamen");
        p.SetCurrentX(kKeyColumn);
        p.PrintKeep("Systemnamen");
        p.SetCurrentX(kStartColumn);
        p.PrintLine("Starttypen");
        const float y = p.CurrentY();
        p.Line(kTextColumn, y, kRuleEnd, y, 0);
        p.PrintLine(" ");

        // The lines are read as they stand, without selecting each one: one
        // registry read per entry. In the driver view the key name is the
        // line's second field, so the list prints the same columns there.
        const bool driverView = DriverView();
        const int count = c.LObjekte.ListCount();
        for (int i = 0; i < count; ++i) {
            const LineFields fields = SplitLine(c.LObjekte.List(i));
            const std::string& display = fields.first;
            const std::string& keyName = driverView ? fields.second : fields.third;
            const StartValue read = ReadStart(s.registry, keyName);
            if (!read.read) continue;
            std::optional<std::uint32_t> start;
            if (read.number) start = static_cast<std::uint32_t>(*read.number);
            p.SetCurrentX(kTextColumn);
            p.PrintKeep(display);
            p.SetCurrentX(kKeyColumn);
            p.PrintKeep(keyName);
            p.SetCurrentX(kStartColumn);
            p.PrintLine(start == 2u && DelayedAutostart(keyName) ? kDelayedAutomaticLabel : PrintedStartLabel(start));
        }
        printed = p.EndDoc();
    }
    EndListWalk(*this, remembered);
    if (!printed)
        s.messages.Show(kListNotPrinted + "\n" + PrintFailureReason(printer.get()), kPrintTitle, kMbIconExclamation);
}

}  // namespace sw
