#include "win32/Win32ServiceStatus.h"

#include <windows.h>

#include "win32/KernelHandles.h"
#include "win32/WideText.h"
#include "win32/Win32ServiceManager.h"

namespace sw {
namespace {


ServiceHandle OpenManager(DWORD access) { return ServiceHandle(OpenSCManagerW(nullptr, nullptr, access)); }

// Owns an open registry key.
class KeyHandle {
public:
    KeyHandle() = default;
    ~KeyHandle() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

const wchar_t kServicesKey[] = L"System\\CurrentControlSet\\Services";

// Whether the entry's "DependOnService" (names each ending in NUL) names
// keyName, without regard to case.
bool DependsOn(HKEY services, const wchar_t* entry, const std::wstring& keyName) {
    KeyHandle key;
    if (RegOpenKeyExW(services, entry, 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.Get(), L"DependOnService", nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ || bytes == 0)
        return false;
    // Two NULs more than asked for, so that a list stored without its end
    // still ends.
    std::vector<wchar_t> list(bytes / sizeof(wchar_t) + 2, L'\0');
    if (RegQueryValueExW(key.Get(), L"DependOnService", nullptr, &type, reinterpret_cast<BYTE*>(list.data()),
                         &bytes) != ERROR_SUCCESS)
        return false;
    for (const wchar_t* name = list.data(); *name != L'\0'; name += lstrlenW(name) + 1)
        if (lstrcmpiW(name, keyName.c_str()) == 0) return true;
    return false;
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
    // The entries' own "DependOnService", which the manager reads its
    // dependencies from: EnumDependentServicesW names none under Wine, and
    // enumerating the manager's services there did not return.
    KeyHandle services;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kServicesKey, 0, KEY_ENUMERATE_SUB_KEYS, services.Out()) != ERROR_SUCCESS)
        return {};
    const std::wstring key = Wide(keyName);
    std::vector<std::string> dependents;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        const LONG result = RegEnumKeyExW(services.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA) continue;  // longer than any service name
        if (result != ERROR_SUCCESS) break;
        if (!DependsOn(services.Get(), name, key)) continue;
        const std::string dependent = Utf8(std::wstring(name, length));
        const auto status = Status(dependent);
        if (status && status->state != kServiceStopped) dependents.push_back(dependent);
    }
    return dependents;
}

std::string Win32ServiceStatus::ErrorText(std::uint32_t code) { return SystemErrorText(code); }

}  // namespace sw
