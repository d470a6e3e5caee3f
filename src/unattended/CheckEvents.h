// The check without a window reports into the Application log, so that a
// fleet's event forwarding sees what the check found on every machine: the
// source's registration before the run, and which events a run writes.
//
// The ids are fixed; collectors filter on them. Their texts are the message
// table resources/Messages.mc, whose inserts these events fill.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/EventLog.h"
#include "registry/Registry.h"
#include "unattended/UnattendedCheck.h"

namespace sw {

inline const std::string kEventSource = "Tavrine Startwart";
// Below HKEY_LOCAL_MACHINE.
inline const std::string kEventSourceKey = kServicesPath + "\\EventLog\\Application\\" + kEventSource;
inline constexpr std::uint32_t kEventTypesSupported = 7;  // error, warning, information

// Information: nothing changed. Inserts: the previous export's time and
// path, this run's export's time and path.
inline constexpr std::uint32_t kEventNothingChanged = 100;
// Warning: changes found. Inserts: the count, how many carry a note, this
// part's number, the number of parts, the CSV's title line and rows.
inline constexpr std::uint32_t kEventChangesFound = 101;
// Error: the check failed. Insert: the reason, as the error line says it.
inline constexpr std::uint32_t kEventCheckFailed = 102;
// Warning: changes carry a note that a collector should alert on. Inserts:
// their count, those notes' names, part, parts, the title line and their rows.
inline constexpr std::uint32_t kEventAlertingNotes = 103;

// No event's text grows past this many characters (UTF-16 units); the
// changes are split over several events where they would.
inline constexpr std::size_t kEventTextLimit = 31000;
// Of these, what the message's own words take at most; the Windows-side
// tests hold the message table to it. The inserts share the rest.
inline constexpr std::size_t kEventWordsReserve = 1000;

// The notes of event 103.
const std::vector<std::string>& AlertingNotes();

// Registers the source for this program unless it is registered so
// already: the key, "EventMessageFile" naming the program, "TypesSupported"
// 7. Empty when the source is in place, else why not, in one line.
std::string RegisterEventSource(Registry& registry, EventLog& log);

// The events of a finished run, in the order they are written.
std::vector<Event> CheckEvents(const CheckOutcome& outcome, Files& files);

// The lines as the texts of events: each part begins with the title line
// and holds whole lines as far as `room` (UTF-16 units) allows; a line too
// long for a part of its own is cut between two characters and goes on in
// the next.
std::vector<std::string> LineParts(const std::string& title, const std::vector<std::string>& lines, std::size_t room);

// The check as RunUnattendedCheck runs it, and with a log, the source's
// registration before it and the run's events after it. A registration or
// an event that fails changes neither the CSV nor the exit code: why goes
// into the error line.
int RunReportedCheck(UnattendedServices& services, EventLog* log, const std::string& file);

}  // namespace sw
