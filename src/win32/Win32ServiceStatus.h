// The service state seam on advapi32's service control calls.
#pragma once

#include "platform/ServiceStatus.h"

namespace sw {

class Win32ServiceStatus final : public ServiceStatusQuery {
public:
    std::optional<ServiceStatus> Status(const std::string& keyName) override;
    // Asks EnumDependentServicesW; where that names none (Wine 8 never
    // names any), reads every active service's dependencies instead.
    std::vector<std::string> ActiveDependents(const std::string& keyName) override;
    std::string ErrorText(std::uint32_t code) override;
};

}  // namespace sw
