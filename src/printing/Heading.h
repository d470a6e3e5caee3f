// The top of every printout of the program: a blank line, the bold dated
// title, the lines under it, a blank line, the column heads with a rule
// under them and a blank line. The printed list and the changes window's
// printout share it, so both look alike.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"
#include "printing/Printer.h"

namespace sw {

// Where the rule under the column heads ends, twips.
inline constexpr float kHeadingRuleEnd = 11000;

struct PrintColumn {
    float x;  // twips
    std::string head;
};

// A printout's date, "dd.mm.yyyy".
std::string DottedDate(const Date& date);

// Prints "<title> - Ausdruck vom <date>" in bold at the first column, each
// of notes on a line of its own there, and the heads of columns (at least
// one) with a rule from the first column to kHeadingRuleEnd.
void PrintHeading(Printer& printer, const std::string& title, const Date& today, const std::vector<std::string>& notes,
                  const std::vector<PrintColumn>& columns);

}  // namespace sw
