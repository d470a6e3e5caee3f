// The line formats of the entry list and how a line is split.
//   service line: display text TAB description TAB key name
//   driver line:  display text TAB key name TAB group
// Every field is shown with its TABs, CRs and LFs as blanks, so whatever a
// registry text holds, a line has its three fields where they belong. The
// entry a line stands for is the key name kept beside it in the list
// (ui/ListItem.h), never the key name field read back from the text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sw {

inline const std::string kTab = "\t";

struct LineFields {
    std::string first;   // before the first TAB (the whole line without TAB)
    std::string second;  // between the first and second TAB
    std::string third;   // after the second TAB
};

// Splits at the first TAB and then at the first TAB of the rest. A line
// without TAB is whole in second and third; with one TAB, the part after it
// is both second and third field.
LineFields SplitLine(const std::string& line);

// The key name field of a line: the third field in the service view, the
// second in the driver view. What it shows, not what an action reaches.
std::string KeyNameOf(const std::string& line, bool driverView);

// A text as a line shows it: each TAB, CR and LF a blank. A text without
// them stays as it is.
std::string ShownInLine(std::string text);

std::string ServiceLine(const std::string& displayName, const std::string& description,
                        const std::string& keyName);
std::string DriverLine(const std::string& displayName, const std::string& keyName,
                       const std::string& group);

// Display texts of 40 characters or more are shortened: to 37 characters and
// "..." when the service list is built, to 38 and "..." in the driver list
// and in a line that the editor rebuilds.
std::string ShortServiceDisplay(const std::string& displayName);
std::string ShortDriverDisplay(const std::string& displayName);

// "Automatisch", "Manuell", "Deaktiviert" for 2, 3, 4; "" for anything else.
std::string StartTypeLabel(int start);
// The label of an automatic start ("Start" 2) that Windows delays until the
// system has settled ("DelayedAutostart" 1 beside it), in the status and in
// the printed list. The editor offers no fourth choice: it sets "Start" only.
inline const std::string kDelayedAutomaticLabel = "Automatisch (verzögert)";

// The start type as the printed list and the check's report name it: the
// three labels above, "Boot (0)" and "System (1)" for the drivers' start
// types, "Unbekannt (n)" for any other number and "Unbekannt" when there is
// no number (a value that cannot be read, or a snapshot's empty field).
std::string PrintedStartLabel(std::optional<std::uint32_t> start);

}  // namespace sw
