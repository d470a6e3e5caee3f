// The event log through advapi32: RegisterEventSourceW, ReportEventW and
// DeregisterEventSource. The message table is the program's own resource
// (resources/Messages.mc).
#pragma once

#include "platform/EventLog.h"

namespace sw {

class Win32EventLog final : public EventLog {
public:
    // The running program (GetModuleFileNameW).
    std::string MessageFile() override;
    // One registration of the source for all the events, given back at the
    // end; each event with category 0, no user and no binary data.
    std::uint32_t Report(const std::string& source, const std::vector<Event>& events) override;
    std::string SystemMessage(std::uint32_t error) override;
};

}  // namespace sw
