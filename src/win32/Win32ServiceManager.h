// The service manager seam on advapi32's service control calls.
#pragma once

#include "platform/Platform.h"

namespace sw {

class Win32ServiceManager final : public ServiceManager {
public:
    bool SetStartType(const std::string& keyName, std::uint32_t start) override;
};

}  // namespace sw
