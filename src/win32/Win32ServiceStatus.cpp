#include "win32/Win32ServiceStatus.h"

#include <windows.h>

#include "win32/WideText.h"

namespace sw {
namespace {

// Owns a service control handle.
class ServiceHandle {
public:
    explicit ServiceHandle(SC_HANDLE handle) : handle_(handle) {}
    ~ServiceHandle() {
        if (handle_ != nullptr) CloseServiceHandle(handle_);
    }
    ServiceHandle(ServiceHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
    ServiceHandle& operator=(ServiceHandle&&) = delete;
    SC_HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    SC_HANDLE handle_;
};

ServiceHandle OpenManager(DWORD access) { return ServiceHandle(OpenSCManagerW(nullptr, nullptr, access)); }

// The manager's answer to a call that fills a buffer it sizes: the call is
// made again with the size it asked for.
template <class Call>
bool Fill(std::vector<unsigned char>& buffer, Call call) {
    DWORD needed = 0;
    for (int round = 0; round < 4; ++round) {
        if (call(buffer.data(), static_cast<DWORD>(buffer.size()), &needed)) return true;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER && GetLastError() != ERROR_MORE_DATA) return false;
        buffer.resize(needed > buffer.size() ? needed : buffer.size() * 2);
    }
    return false;
}

// Whether keyName stands among a service's dependencies (a list of names
// each ending in NUL; a group's name begins with "+").
bool DependsOn(const wchar_t* list, const std::wstring& keyName) {
    if (list == nullptr) return false;
    for (const wchar_t* name = list; *name != L'\0'; name += lstrlenW(name) + 1)
        if (lstrcmpiW(name, keyName.c_str()) == 0) return true;
    return false;
}

// The active services whose configured dependencies name keyName.
std::vector<std::string> ScanDependents(SC_HANDLE manager, const std::wstring& keyName) {
    std::vector<unsigned char> listing(64 * 1024);
    DWORD count = 0;
    DWORD resume = 0;
    std::vector<std::string> found;
    for (;;) {
        DWORD needed = 0;
        const BOOL done = EnumServicesStatusExW(manager, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_ACTIVE,
                                                listing.data(), static_cast<DWORD>(listing.size()), &needed, &count,
                                                &resume, nullptr);
        if (!done && GetLastError() != ERROR_MORE_DATA) return found;
        const auto* services = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(listing.data());
        for (DWORD i = 0; i < count; ++i) {
            const ServiceHandle service(OpenServiceW(manager, services[i].lpServiceName, SERVICE_QUERY_CONFIG));
            if (!service) continue;
            std::vector<unsigned char> config(8192);
            if (!Fill(config, [&](unsigned char* data, DWORD size, DWORD* needs) {
                    return QueryServiceConfigW(service.Get(), reinterpret_cast<QUERY_SERVICE_CONFIGW*>(data), size,
                                               needs) != FALSE;
                }))
                continue;
            if (DependsOn(reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(config.data())->lpDependencies, keyName))
                found.push_back(Utf8(services[i].lpServiceName));
        }
        if (done) return found;
        if (needed > listing.size()) listing.resize(needed);
    }
}

}  // namespace

std::optional<ServiceStatus> Win32ServiceStatus::Status(const std::string& keyName) {
    const ServiceHandle manager = OpenManager(SC_MANAGER_CONNECT);
    if (!manager) return std::nullopt;
    const ServiceHandle service(OpenServiceW(manager.Get(), Wide(keyName).c_str(), SERVICE_QUERY_STATUS));
    if (!service) return std::nullopt;
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                              &needed))
        return std::nullopt;
    return ServiceStatus{status.dwCurrentState, status.dwWin32ExitCode, status.dwServiceSpecificExitCode};
}

std::vector<std::string> Win32ServiceStatus::ActiveDependents(const std::string& keyName) {
    const ServiceHandle manager = OpenManager(SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE);
    if (!manager) return {};
    const std::wstring key = Wide(keyName);
    std::vector<std::string> dependents;
    const ServiceHandle service(OpenServiceW(manager.Get(), key.c_str(), SERVICE_ENUMERATE_DEPENDENTS));
    if (!service) return {};
    std::vector<unsigned char> buffer(4096);
    DWORD count = 0;
    if (Fill(buffer, [&](unsigned char* data, DWORD size, DWORD* needs) {
            return EnumDependentServicesW(service.Get(), SERVICE_ACTIVE, reinterpret_cast<ENUM_SERVICE_STATUSW*>(data),
                                          size, needs, &count) != FALSE;
        })) {
        const auto* found = reinterpret_cast<const ENUM_SERVICE_STATUSW*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) dependents.push_back(Utf8(found[i].lpServiceName));
    }
    if (dependents.empty()) dependents = ScanDependents(manager.Get(), key);
    return dependents;
}

std::string Win32ServiceStatus::ErrorText(std::uint32_t code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    if (n == 0 || text == nullptr) return {};
    std::wstring message(text, n);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
        message.pop_back();
    return Utf8(message);
}

}  // namespace sw
