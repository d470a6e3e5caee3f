// The service manager seam on advapi32's service control calls.
#pragma once

#include "platform/Platform.h"

namespace sw {

// The system's text for an error code (FormatMessageW), without its line
// end; empty when the system has none. Both service seams name their
// refusals with it.
std::string SystemErrorText(std::uint32_t error);

class Win32ServiceManager final : public ServiceManager {
public:
    bool SetStartType(const std::string& keyName, std::uint32_t start) override;
    std::uint32_t QueryConfig(const std::string& keyName, ServiceConfig& config) override;
    std::uint32_t ChangeConfig(const std::string& keyName, const ServiceConfigChange& change) override;
    std::uint32_t SetDelayedAutoStart(const std::string& keyName, bool delayed) override;
    std::uint32_t SetFailureCommand(const std::string& keyName, const std::string& command) override;
    std::uint32_t Create(const NewService& service) override;
    std::string SystemMessage(std::uint32_t error) override;
};

}  // namespace sw
