// The service state seam on advapi32's service control calls.
#pragma once

#include "platform/ServiceStatus.h"

namespace sw {

class Win32ServiceStatus final : public ServiceStatusQuery {
public:
    std::optional<ServiceStatus> Status(const std::string& keyName) override;
    // From each entry's "DependOnService" and its state.
    std::vector<std::string> ActiveDependents(const std::string& keyName) override;
    std::string ErrorText(std::uint32_t code) override;
};

}  // namespace sw
