// The program's entry: wires the Win32 seams to the main window and runs
// its message loop.
#include <windows.h>

#include "BuildInfo.h"
#include "changes/ChangesRestorer.h"
#include "registry/Registry.h"
#include "win32/GdiPrinter.h"
#include "win32/MessageLoop.h"
#include "win32/RootWindow.h"
#include "win32/SettingsWindow.h"
#include "win32/Win32Platform.h"
#include "win32/Win32Registry.h"
#include "win32/Win32ServiceManager.h"
#include "win32/Win32ServiceStatus.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace sw;
    Win32Codec codec;
    Win32Registry api;
    Registry registry(api, codec);
    Win32Files files;
    Win32Shell shell;
    Win32Clock clock;
    Win32MessageBoxes messages;
    Win32UserInterface ui;
    Win32Program program;
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
