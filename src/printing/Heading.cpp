#include "printing/Heading.h"

#include <cstdio>

namespace sw {

std::string DottedDate(const Date& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", date.day, date.month, date.year);
    return text;
}

void PrintHeading(Printer& p, const std::string& title, const Date& today, const std::vector<std::string>& notes,
                  const std::vector<PrintColumn>& columns) {
    const float left = columns.front().x;
    p.PrintLine(" ");
    p.SetCurrentX(left);
    p.SetBold(true);
    p.PrintLine(title + " - Ausdruck vom " + DottedDate(today));
    p.SetBold(false);
    for (const std::string& note : notes) {
        p.SetCurrentX(left);
        p.PrintLine(note);
    }
    p.PrintLine(" ");
    for (std::size_t i = 0; i < columns.size(); ++i) {
        p.SetCurrentX(columns[i].x);
        if (i + 1 < columns.size()) p.PrintKeep(columns[i].head);
        else p.PrintLine(columns[i].head);
    }
    const float y = p.CurrentY();
    p.Line(left, y, kHeadingRuleEnd, y, 0);
    p.PrintLine(" ");
}

}  // namespace sw
