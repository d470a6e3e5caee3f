// What the system's service manager says about a service's run: its state,
// the services that run on top of it, and the system's text for an error
// code. Kept apart from ServiceManager, which changes configuration.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sw {

// The manager's states, with its numbers.
inline constexpr std::uint32_t kServiceStopped = 1;
inline constexpr std::uint32_t kServiceStartPending = 2;
inline constexpr std::uint32_t kServiceStopPending = 3;
inline constexpr std::uint32_t kServiceRunning = 4;
// The exit code that says "see the service's own code".
inline constexpr std::uint32_t kServiceSpecificError = 1066;

struct ServiceStatus {
    std::uint32_t state = 0;
    std::uint32_t exitCode = 0;         // the system error the service ended with, 0 for none
    std::uint32_t serviceExitCode = 0;  // the service's own code, when exitCode is kServiceSpecificError
};

class ServiceStatusQuery {
public:
    virtual ~ServiceStatusQuery() = default;
    // The state of the service with this key name; nothing when the manager
    // does not know it or cannot be asked.
    virtual std::optional<ServiceStatus> Status(const std::string& keyName) = 0;
    // The key names of the services that depend on this one directly and do
    // not stand stopped.
    virtual std::vector<std::string> ActiveDependents(const std::string& keyName) = 0;
    // The system's text for an error code, without a trailing line end;
    // empty when it has none.
    virtual std::string ErrorText(std::uint32_t code) = 0;
};

}  // namespace sw
