#include "win32/Win32ServiceManager.h"

#include <windows.h>

#include "win32/WideText.h"

namespace sw {
namespace {

// Closes a service control handle when it goes out of scope.
struct ServiceHandle {
    SC_HANDLE handle;
    explicit ServiceHandle(SC_HANDLE h) : handle(h) {}
    ~ServiceHandle() {
        if (handle != nullptr) CloseServiceHandle(handle);
    }
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
};

}  // namespace

bool Win32ServiceManager::SetStartType(const std::string& keyName, std::uint32_t start) {
    if (start < SERVICE_AUTO_START || start > SERVICE_DISABLED) return false;
    const ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (manager.handle == nullptr) return false;
    // The service manager knows an entry by its key name.
    const ServiceHandle service(OpenServiceW(manager.handle, Wide(keyName).c_str(), SERVICE_CHANGE_CONFIG));
    if (service.handle == nullptr) return false;
    // Only the start type; everything else of the configuration stays.
    return ChangeServiceConfigW(service.handle, SERVICE_NO_CHANGE, start, SERVICE_NO_CHANGE, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr) != FALSE;
}

}  // namespace sw
