// A minimal Windows service for the end-to-end tests: once started it runs
// until the service manager tells it to stop.
//
// With "--dispatcher-delay=MS" on its command line (part of the registered
// binPath) it waits that long before it connects to the service manager, so
// that a start request, and a "net start" that made it, stays busy that long.
#include <windows.h>

#include <cwchar>

namespace {

SERVICE_STATUS_HANDLE g_handle = nullptr;
SERVICE_STATUS g_status{};
HANDLE g_stopRequested = nullptr;

void Report(DWORD state) {
    const bool settled = state == SERVICE_RUNNING || state == SERVICE_STOPPED;
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_status.dwCurrentState = state;
    g_status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    g_status.dwWin32ExitCode = NO_ERROR;
    g_status.dwCheckPoint = settled ? 0 : g_status.dwCheckPoint + 1;
    g_status.dwWaitHint = settled ? 0 : 3000;
    SetServiceStatus(g_handle, &g_status);
}

DWORD WINAPI OnControl(DWORD control, DWORD, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            Report(SERVICE_STOP_PENDING);
            SetEvent(g_stopRequested);
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD argc, wchar_t** argv) {
    g_handle = RegisterServiceCtrlHandlerExW(argc > 0 ? argv[0] : L"", OnControl, nullptr);
    if (g_handle == nullptr) return;
    g_stopRequested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Report(SERVICE_RUNNING);
    WaitForSingleObject(g_stopRequested, INFINITE);
    Report(SERVICE_STOPPED);
}

DWORD DispatcherDelay() {
    const wchar_t* option = std::wcsstr(GetCommandLineW(), L"--dispatcher-delay=");
    if (option == nullptr) return 0;
    return static_cast<DWORD>(std::wcstoul(option + std::wcslen(L"--dispatcher-delay="), nullptr, 10));
}

}  // namespace

int wmain() {
    Sleep(DispatcherDelay());
    wchar_t ownProcess[] = L"";
    SERVICE_TABLE_ENTRYW table[] = {{ownProcess, ServiceMain}, {nullptr, nullptr}};
    // Fails when the program is not started by the service manager.
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
