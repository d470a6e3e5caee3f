// The program's entry: wires the Win32 seams to the main window and runs
// its message loop, or, asked for the check without a window, runs that and
// ends with its exit code.
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "BuildInfo.h"
#include "changes/ChangesRestorer.h"
#include "registry/Registry.h"
#include "unattended/Arguments.h"
#include "unattended/CheckEvents.h"
#include "unattended/UnattendedCheck.h"
#include "win32/GdiPrinter.h"
#include "win32/MessageLoop.h"
#include "win32/RootWindow.h"
#include "win32/SettingsWindow.h"
#include "win32/Win32EventLog.h"
#include "win32/Win32FileIdentity.h"
#include "win32/Win32Platform.h"
#include "win32/Win32Registry.h"
#include "win32/Win32RegistryWatch.h"
#include "win32/Win32ServiceManager.h"
#include "win32/Win32ServiceStatus.h"
#include "win32/WideText.h"

namespace {

// CommandLineToArgvW's array, given back with LocalFree.
struct LocalFreeDeleter {
    void operator()(LPWSTR* block) const { LocalFree(block); }
};

// The arguments after the program's name, split as the system splits a
// command line (quotes group blanks; backslashes before a quote escape it).
std::vector<std::string> CommandLineArguments() {
    int count = 0;
    std::unique_ptr<LPWSTR, LocalFreeDeleter> argv(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::string> arguments;
    for (int i = 1; argv && i < count; ++i) arguments.push_back(sw::Utf8(argv.get()[i]));
    return arguments;
}

// A file named on the command line, relative to the current folder.
std::string FullPath(const std::string& file) {
    const std::wstring wide = sw::Wide(file);
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (n == 0) return file;
        if (n < buffer.size()) return sw::Utf8(std::wstring(buffer.data(), n));
        buffer.resize(n);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace sw;
    const Invocation invocation = ReadInvocation(CommandLineArguments());
    Win32Codec codec;
    Win32Registry api;
    Registry registry(api, codec);
    Win32Files files;
    Win32Shell shell;
    Win32Clock clock;
    Win32MessageBoxes messages;
    Win32UserInterface ui;
    Win32Program program;
    if (invocation.mode == Invocation::Mode::Refused) return RefuseInvocation(files, program, invocation.reason);
    if (invocation.mode == Invocation::Mode::Check) {
        Win32FileIdentity identity;
        UnattendedServices unattended{registry, files, shell, program, clock, identity};
        Win32EventLog events;
        return RunReportedCheck(unattended, invocation.events ? &events : nullptr,
                                invocation.file.empty() ? std::string() : FullPath(invocation.file));
    }
    GdiPrinterFactory printers;
    RootServices services{registry, files, shell, clock, messages, ui, program};
    services.printers = &printers;
    Win32ServiceManager serviceManager;
    services.serviceManager = &serviceManager;
    // The changes window's way back, through the same service manager.
    ChangesRestorer restorer(registry, serviceManager, files, program, clock);
    services.restorer = &restorer;
    Win32ServiceStatus serviceStatus;
    services.serviceStatus = &serviceStatus;
    Win32RegistryWatch registryWatch;
    services.registryWatch = &registryWatch;

    RootWindow window(services, BuildFacts{SW_VERSION_TEXT, SW_BUILD_DATE_TEXT, static_cast<int>(sizeof(void*) * 8)});
    Win32SettingsFactory settings([&window] { return window.Hwnd(); });
    services.settings = &settings;
    window.Form().Form_Initialize();
    if (!window.Create()) return 1;
    // Before Form_Load claims the folder, so that a start in the same folder
    // finds this window once the claim is seen.
    program.MarkWindow(window.Hwnd());
    window.Form().Form_Load();
    window.Show();

    return RunMessageLoop();
}
