// The main window's handlers, written once against the control and platform
// seams. The window's state lives in its controls; Root keeps nothing of its
// own besides references to them, the side files of this run, and the lines
// the start's listing read on its way for the build right after it. Each
// handler reads what the controls hold, calls the subsystem that does the
// work on plain data, and puts the result into the controls.
//
//   mainwindow/Startup.cpp         Form_Initialize, Form_Load, Form_Shown, Form_QueryUnload, bAbbrechen_Click, GetWinVersion
//   mainwindow/EntryLists.cpp      GetProfile, ReadProfile (service view), GetServices (driver view)
//   mainwindow/StartTypeStatus.cpp LObjekte_Click
//   mainwindow/ViewSwitch.cpp      bErweitert_Click
//   mainwindow/OpenEntry.cpp       LObjekte_DblClick, LObjekte_KeyPress, bBearbeiten_Click, Sleep
//   mainwindow/Check.cpp           bChecker_Click
//   mainwindow/Print.cpp           bDrucken_Click
//   mainwindow/NetCommands.cpp     bStarten_Click, bAnhalten_Click
//   mainwindow/Info.cpp            ShowInfo (the system menu's Info box)
//   mainwindow/ListWalk.*          the busy state while printing and the check read the list
//
// The work itself: catalogue/ (the list builds, line formats, start types),
// snapshots/ (side files, the check), printing/, servicecontrol/ (the batch
// file), editor/ (the start-type editor).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "catalogue/EntryLists.h"
#include "changes/ServicesWatch.h"
#include "mainwindow/Info.h"
#include "platform/Platform.h"
#include "platform/ServiceStatus.h"
#include "printing/Printer.h"
#include "registry/Registry.h"
#include "snapshots/SideFiles.h"
#include "ui/Controls.h"

namespace sw {

class SettingsFactory;
class Restorer;

struct RootControls {
    ListBox& LObjekte;
    ListBox& LProfile;  // hidden: the services' key names of the start-up's listing
    Button& bStarten;
    Button& bAnhalten;
    Button& bBearbeiten;
    Button& bDrucken;
    Button& bChecker;
    Button& bBackups;  // hidden: Tag "0" until the first service-list build, which writes the snapshot
    CheckBox& bErweitert;
    Label& bStartCaption;
    Button& bAbbrechen;
    Label& Label_0;
    Label& Label_1;
    Label& Label_2;
    Label& Label_3;
};

struct RootServices {
    Registry& registry;
    Files& files;
    Shell& shell;
    Clock& clock;
    MessageBoxes& messages;
    UserInterface& ui;
    Program& program;
    PrinterFactory* printers = nullptr;
    SettingsFactory* settings = nullptr;
    ServiceManager* serviceManager = nullptr;  // none: the registry write alone
    Restorer* restorer = nullptr;              // the changes and history windows' way back; none: they cannot restore
    ServiceStatusQuery* serviceStatus = nullptr;  // none: no dependents asked for, no look after a batch
    RegistryWatch* registryWatch = nullptr;       // none: the changes window reads the registry every time
};

inline const std::string kStartupTitle = " Sicherheitseinstellungen";
// The title of the window's warnings and refusals.
inline const std::string kProgramTitle = " Tavrine Startwart";

class Root {
public:
    Root(RootControls& controls, RootServices& services)
        : c(controls),
          s(services),
          sideFiles(services.files, services.shell, services.program) {}

    // Start-up and shut-down.
    void Form_Initialize();
    void Form_Load();
    // Once the window has been shown for the first time: starts watching
    // the Services key, rotates the exports (recording an earlier run's
    // left-over export in the history) and starts this run's export, which
    // the first build has held back so that none of it delays the window.
    void Form_Shown();
    // Both ends of the program: the batch file goes, and an export that has
    // ended is put in place; nothing still running is waited for.
    void Form_QueryUnload();
    void bAbbrechen_Click();
    std::string GetWinVersion();

    // The two views' lists.
    bool GetProfile(RegKey lhTyp, const std::string& lhKey);
    void ReadProfile();
    bool GetServices(RegKey lhTyp, const std::string& lhKey);

    // Selection, view switch, opening an entry.
    void LObjekte_Click();
    void bErweitert_Click();
    void LObjekte_DblClick();
    void LObjekte_KeyPress(std::int16_t& keyAscii);
    void bBearbeiten_Click();
    void Sleep(double Sekunden);

    // The check, printing and service control.
    void bChecker_Click();
    void bDrucken_Click();
    void bStarten_Click();
    void bAnhalten_Click();
    // The system menu's "&Info über Tavrine Startwart…".
    void ShowInfo(const BuildFacts& build);

    bool DriverView() const { return c.bErweitert.Value() == 1; }

    RootControls& c;
    RootServices& s;
    SideFiles sideFiles;
    // Changes below the Services key from the window's first showing on,
    // for the changes window.
    ServicesWatch servicesWatch;

private:
    // The first service-list build's snapshot, once per run; its export
    // follows in Form_Shown.
    void WriteSnapshot(const std::string& snapshotLines);
    void OpenEditor();
    // Both service-control buttons' work, for "start" or "stop".
    void RunNetCommand(const std::string& command);

    // The lines GetProfile read with the key names, through the same opens,
    // for the ReadProfile that follows it; any other ReadProfile reads anew.
    std::optional<ServiceList> listedWithNames_;
    // This run's snapshot was taken and its export is still to be started.
    bool exportDue_ = false;
};

}  // namespace sw
