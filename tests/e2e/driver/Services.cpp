// Services and processes of the prefix: registering a service, reading and
// waiting for its state, and listing the running programs (to see when a
// batch file and what it started have ended).
#include "Driver.h"

#include <tlhelp32.h>

#include <vector>

namespace e2e {
namespace {

// Closes a service-manager handle when it goes out of scope.
struct ScHandle {
    SC_HANDLE h = nullptr;
    explicit ScHandle(SC_HANDLE handle) : h(handle) {}
    ~ScHandle() {
        if (h != nullptr) CloseServiceHandle(h);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
};

const wchar_t* StateName(DWORD state) {
    switch (state) {
        case SERVICE_STOPPED: return L"STOPPED";
        case SERVICE_START_PENDING: return L"START_PENDING";
        case SERVICE_STOP_PENDING: return L"STOP_PENDING";
        case SERVICE_RUNNING: return L"RUNNING";
        case SERVICE_CONTINUE_PENDING: return L"CONTINUE_PENDING";
        case SERVICE_PAUSE_PENDING: return L"PAUSE_PENDING";
        case SERVICE_PAUSED: return L"PAUSED";
        default: return L"UNKNOWN";
    }
}

// The service's state name, or "" when it is not registered.
std::wstring StateOf(const std::wstring& name) {
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (manager.h == nullptr) Fail(L"cannot open the service manager: " + std::to_wstring(GetLastError()));
    ScHandle service(OpenServiceW(manager.h, name.c_str(), SERVICE_QUERY_STATUS));
    if (service.h == nullptr) return L"";
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service.h, &status)) Fail(L"cannot query the service: " + std::to_wstring(GetLastError()));
    return StateName(status.dwCurrentState);
}

}  // namespace

// {"cmd":"service_create","name":"X","display":"X","binary":"C:\\svc\\TestService.exe"}:
// registers an own-process service started on demand; with "depends":"Y" it
// depends on the service Y (given here, as "sc create ... depend=" stores a
// garbled list under Wine).
Json CmdServiceCreate(const Json& a) {
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (manager.h == nullptr) Fail(L"cannot open the service manager: " + std::to_wstring(GetLastError()));
    const std::wstring name = a.Get("name").String();
    std::wstring depends = a.Get("depends").String(L"");
    if (!depends.empty()) depends.push_back(L'\0');  // the list's own end; c_str() adds the last
    ScHandle service(CreateServiceW(manager.h, name.c_str(), a.Get("display").String(name).c_str(), SERVICE_ALL_ACCESS,
                                    SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                    a.Get("binary").String().c_str(), nullptr, nullptr,
                                    depends.empty() ? nullptr : depends.c_str(), nullptr, nullptr));
    if (service.h == nullptr) Fail(L"cannot create the service: " + std::to_wstring(GetLastError()));
    return Json::Object();
}

// {"cmd":"wait_service_manager","timeout":30000} -> {"ready", "error", "waited"}:
// waits until the prefix's service manager answers, that is until it can be
// opened and lists its services. The session's first program starts it, and
// until its pipe exists it refuses with 1722, the only error waited out.
Json CmdWaitServiceManager(const Json& a) {
    const DWORD start = GetTickCount();
    const DWORD limit = static_cast<DWORD>(a.Get("timeout").Int(30000));
    DWORD error = 0;
    for (;;) {
        ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE));
        if (manager.h == nullptr) {
            error = GetLastError();
        } else {
            DWORD needed = 0, count = 0, resume = 0;
            if (EnumServicesStatusW(manager.h, SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, &needed, &count,
                                    &resume) ||
                GetLastError() == ERROR_MORE_DATA) {
                error = 0;
            } else {
                error = GetLastError();
            }
        }
        const DWORD waited = GetTickCount() - start;
        // 1722 only means that its pipe is not there yet; any other answer
        // is the manager's own and is not waited out.
        if (error != RPC_S_SERVER_UNAVAILABLE || waited >= limit) {
            Json r;
            r["ready"] = error == 0;
            r["error"] = static_cast<int>(error);
            r["waited"] = static_cast<int>(waited);
            return r;
        }
        Sleep(50);
    }
}

// {"cmd":"service_state","name":"X"} -> {"exists", "state"}
Json CmdServiceState(const Json& a) {
    const std::wstring state = StateOf(a.Get("name").String());
    Json r;
    r["exists"] = !state.empty();
    r["state"] = state;
    return r;
}

// {"cmd":"service_config","name":"X"} -> {"exists", "start", "type", "binary",
// "account", "display"}: the configuration as the service manager holds it
// (which may differ from the registry until the manager reads it again).
Json CmdServiceConfig(const Json& a) {
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (manager.h == nullptr) Fail(L"cannot open the service manager: " + std::to_wstring(GetLastError()));
    Json r;
    ScHandle service(OpenServiceW(manager.h, a.Get("name").String().c_str(), SERVICE_QUERY_CONFIG));
    r["exists"] = service.h != nullptr;
    if (service.h == nullptr) return r;
    DWORD needed = 0;
    QueryServiceConfigW(service.h, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed + sizeof(QUERY_SERVICE_CONFIGW));
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (!QueryServiceConfigW(service.h, config, static_cast<DWORD>(buffer.size()), &needed))
        Fail(L"cannot query the configuration: " + std::to_wstring(GetLastError()));
    const auto text = [](const wchar_t* s) { return std::wstring(s != nullptr ? s : L""); };
    r["start"] = static_cast<long long>(config->dwStartType);
    r["type"] = static_cast<long long>(config->dwServiceType);
    r["binary"] = text(config->lpBinaryPathName);
    r["account"] = text(config->lpServiceStartName);
    r["display"] = text(config->lpDisplayName);
    return r;
}

// {"cmd":"wait_service","name":"X","state":"RUNNING","timeout":10000}
// -> {"reached", "state"}: waits until the service is in that state.
Json CmdWaitService(const Json& a) {
    const std::wstring name = a.Get("name").String();
    const std::wstring wanted = a.Get("state").String();
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(a.Get("timeout").Int(10000));
    for (;;) {
        const std::wstring state = StateOf(name);
        const bool reached = state == wanted;
        if (reached || static_cast<LONG>(GetTickCount() - deadline) >= 0) {
            Json r;
            r["reached"] = reached;
            r["state"] = state;
            return r;
        }
        Sleep(50);
    }
}

// {"cmd":"processes"} -> {"names": [...]}: the image names of every running
// process of the prefix.
Json CmdProcesses(const Json&) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) Fail(L"no process snapshot: " + std::to_wstring(GetLastError()));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    Json names = Json::Array();
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        names.Push(std::wstring(entry.szExeFile));
    CloseHandle(snapshot);
    Json r;
    r["names"] = names;
    return r;
}

}  // namespace e2e
