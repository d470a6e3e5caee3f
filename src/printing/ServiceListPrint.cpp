#include "printing/ServiceListPrint.h"

#include "printing/Heading.h"

namespace sw {
namespace {

constexpr float kTextColumn = 1000;
constexpr float kKeyColumn = 5500;
constexpr float kStartColumn = 9000;

}  // namespace

bool PrintServiceList(Printer& p, const Date& today, const std::vector<ListedStart>& rows) {
    PrintHeading(p, "Dienst- und Treiberliste", today, {},
                 {{kTextColumn, "Dienstnamen"}, {kKeyColumn, "Systemnamen"}, {kStartColumn, "Starttypen"}});
    for (const ListedStart& row : rows) {
        p.SetCurrentX(kTextColumn);
        p.PrintKeep(row.display);
        p.SetCurrentX(kKeyColumn);
        p.PrintKeep(row.keyName);
        p.SetCurrentX(kStartColumn);
        p.PrintLine(row.label);
    }
    return p.EndDoc();
}

}  // namespace sw
