#include "win32/Win32ServiceManager.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "win32/KernelHandles.h"
#include "win32/WideText.h"

namespace sw {
namespace {


// The error of the last failed call, never 0 (a call may fail without
// setting one).
std::uint32_t LastError() {
    const DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? static_cast<std::uint32_t>(ERROR_GEN_FAILURE) : error;
}

// Opens the service with this key name (the manager knows an entry by it);
// error is set when it cannot.
ServiceHandle OpenByKeyName(const std::string& keyName, DWORD access, std::uint32_t& error) {
    const ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        error = LastError();
        return ServiceHandle(nullptr);
    }
    ServiceHandle service(OpenServiceW(manager.Get(), Wide(keyName).c_str(), access));
    error = service ? 0 : LastError();
    return service;
}

// QueryServiceConfig2W's answer for one level, in a buffer of the size it asks for.
std::optional<std::vector<BYTE>> QueryConfig2(SC_HANDLE service, DWORD level) {
    DWORD needed = 0;
    if (!QueryServiceConfig2W(service, level, nullptr, 0, &needed) && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return std::nullopt;
    std::vector<BYTE> buffer(needed == 0 ? 1 : needed);
    if (!QueryServiceConfig2W(service, level, buffer.data(), static_cast<DWORD>(buffer.size()), &needed))
        return std::nullopt;
    return buffer;
}

std::string Utf8OrEmpty(const wchar_t* text) { return text == nullptr ? std::string() : Utf8(text); }

}  // namespace

bool Win32ServiceManager::SetStartType(const std::string& keyName, std::uint32_t start) {
    if (start < SERVICE_AUTO_START || start > SERVICE_DISABLED) return false;
    ServiceConfigChange change;
    change.start = start;
    return ChangeConfig(keyName, change) == 0;
}

std::uint32_t Win32ServiceManager::QueryConfig(const std::string& keyName, ServiceConfig& config) {
    std::uint32_t error = 0;
    const ServiceHandle service = OpenByKeyName(keyName, SERVICE_QUERY_CONFIG, error);
    if (!service) return error;
    DWORD needed = 0;
    QueryServiceConfigW(service.Get(), nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed == 0 ? sizeof(QUERY_SERVICE_CONFIGW) : needed);
    auto* query = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (!QueryServiceConfigW(service.Get(), query, static_cast<DWORD>(buffer.size()), &needed)) return LastError();
    config = ServiceConfig{};
    config.type = query->dwServiceType;
    config.start = query->dwStartType;
    config.errorControl = query->dwErrorControl;
    config.imagePath = Utf8OrEmpty(query->lpBinaryPathName);
    config.group = Utf8OrEmpty(query->lpLoadOrderGroup);
    config.account = Utf8OrEmpty(query->lpServiceStartName);
    config.displayName = Utf8OrEmpty(query->lpDisplayName);
    // Managers before Vista, and Wine's, answer these two levels with an
    // error: the defaults stand.
    if (const auto delayed = QueryConfig2(service.Get(), SERVICE_CONFIG_DELAYED_AUTO_START_INFO))
        config.delayedAutoStart =
            reinterpret_cast<const SERVICE_DELAYED_AUTO_START_INFO*>(delayed->data())->fDelayedAutostart != FALSE;
    if (const auto actions = QueryConfig2(service.Get(), SERVICE_CONFIG_FAILURE_ACTIONS))
        config.failureCommand =
            Utf8OrEmpty(reinterpret_cast<const SERVICE_FAILURE_ACTIONSW*>(actions->data())->lpCommand);
    return 0;
}

std::uint32_t Win32ServiceManager::ChangeConfig(const std::string& keyName, const ServiceConfigChange& change) {
    std::uint32_t error = 0;
    const ServiceHandle service = OpenByKeyName(keyName, SERVICE_CHANGE_CONFIG, error);
    if (!service) return error;
    // Null and SERVICE_NO_CHANGE leave a field as the manager holds it.
    std::wstring imagePath, group, account, displayName;
    const auto text = [](const std::optional<std::string>& given, std::wstring& wide) -> const wchar_t* {
        if (!given) return nullptr;
        wide = Wide(*given);
        return wide.c_str();
    };
    const wchar_t* image = text(change.imagePath, imagePath);
    const wchar_t* groupName = text(change.group, group);
    const wchar_t* accountName = text(change.account, account);
    const wchar_t* display = text(change.displayName, displayName);
    if (!ChangeServiceConfigW(service.Get(), change.type.value_or(SERVICE_NO_CHANGE),
                              change.start.value_or(SERVICE_NO_CHANGE), SERVICE_NO_CHANGE, image, groupName, nullptr,
                              nullptr, accountName, nullptr, display))
        return LastError();
    return 0;
}

std::uint32_t Win32ServiceManager::SetDelayedAutoStart(const std::string& keyName, bool delayed) {
    std::uint32_t error = 0;
    const ServiceHandle service = OpenByKeyName(keyName, SERVICE_CHANGE_CONFIG, error);
    if (!service) return error;
    SERVICE_DELAYED_AUTO_START_INFO info{delayed ? TRUE : FALSE};
    if (!ChangeServiceConfig2W(service.Get(), SERVICE_CONFIG_DELAYED_AUTO_START_INFO, &info)) return LastError();
    return 0;
}

std::uint32_t Win32ServiceManager::SetFailureCommand(const std::string& keyName, const std::string& command) {
    std::uint32_t error = 0;
    // Failure actions that restart the service can only be written with the
    // right to start it, even when they are written back unchanged.
    const ServiceHandle service = OpenByKeyName(keyName, SERVICE_CHANGE_CONFIG | SERVICE_QUERY_CONFIG | SERVICE_START, error);
    if (!service) return error;
    const auto current = QueryConfig2(service.Get(), SERVICE_CONFIG_FAILURE_ACTIONS);
    if (!current) return LastError();
    SERVICE_FAILURE_ACTIONSW actions = *reinterpret_cast<const SERVICE_FAILURE_ACTIONSW*>(current->data());
    std::wstring wide = Wide(command);
    actions.lpCommand = wide.data();
    // A null reboot message is left as it is; the reset period and the
    // actions go back as read.
    actions.lpRebootMsg = nullptr;
    if (!ChangeServiceConfig2W(service.Get(), SERVICE_CONFIG_FAILURE_ACTIONS, &actions)) return LastError();
    return 0;
}

std::uint32_t Win32ServiceManager::Create(const NewService& service) {
    const ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    if (!manager) return LastError();
    const std::wstring group = Wide(service.group);
    const std::wstring account = Wide(service.account);
    const ServiceHandle created(CreateServiceW(
        manager.Get(), Wide(service.keyName).c_str(), Wide(service.displayName).c_str(), SERVICE_QUERY_CONFIG,
        service.type, service.start, service.errorControl, Wide(service.imagePath).c_str(),
        group.empty() ? nullptr : group.c_str(), nullptr, nullptr, account.empty() ? nullptr : account.c_str(),
        nullptr));
    return created ? 0 : LastError();
}

std::string SystemErrorText(std::uint32_t error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0 || text == nullptr) return {};
    std::wstring message(text, length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
        message.pop_back();
    return Utf8(message);
}

std::string Win32ServiceManager::SystemMessage(std::uint32_t error) { return SystemErrorText(error); }

}  // namespace sw
