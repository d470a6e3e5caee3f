// The system's event log, as the check without a window reports into it:
// one source in the Application log, whose texts are the message table of
// the running program. The Win32 implementation is win32/Win32EventLog.*;
// the tests use a recording fake (tests/unit/Fakes.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sw {

// The event types, with the platform's numbers.
enum class EventType : std::uint16_t { Error = 1, Warning = 2, Information = 4 };

// One event: its id in the message table, its type and the texts the
// message's inserts %1, %2, ... stand for (UTF-8).
struct Event {
    std::uint32_t id = 0;
    EventType type = EventType::Information;
    std::vector<std::string> inserts;

    bool operator==(const Event&) const = default;
};

class EventLog {
public:
    virtual ~EventLog() = default;
    // The full path of the file that holds the message table: the running
    // program itself.
    virtual std::string MessageFile() = 0;
    // Writes the events, in order, under the source of that name. Returns
    // 0 when every event was written, else the system's error code of the
    // first that was not (the rest are not tried).
    virtual std::uint32_t Report(const std::string& source, const std::vector<Event>& events) = 0;
    // The system's text for an error code, without its line end; empty
    // where the system has none.
    virtual std::string SystemMessage(std::uint32_t error) = 0;
};

}  // namespace sw
