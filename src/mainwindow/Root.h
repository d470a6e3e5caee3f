// The main window's handlers and methods, written once against the control
// and platform seams. The window's state lives in its controls; Root keeps
// nothing of its own besides references to them and what the rotation of
// the side files learned for this run's writing (sideFiles).
//
// The members are defined next to the subsystem they belong to:
//   mainwindow/Startup.cpp        Form_Initialize, Form_Load, Form_QueryUnload, bAbbrechen_Click, GetWinVersion
//   mainwindow/StartTypeStatus.cpp LObjekte_Click
//   mainwindow/ViewSwitch.cpp     bErweitert_Click
//   mainwindow/OpenEntry.cpp      LObjekte_DblClick, LObjekte_KeyPress, bBearbeiten_Click, Sleep
//   catalogue/ServiceList.cpp     GetProfile, ReadProfile
//   catalogue/DriverList.cpp      GetServices
//   snapshots/SideFiles.cpp       RotateSideFiles, WriteSnapshot, ExportServicesKey, ExportEnded
//   snapshots/StartTypeCheck.cpp  bChecker_Click
//   printing/PrintServiceList.cpp bDrucken_Click
//   servicecontrol/ServiceControl.cpp bStarten_Click, bAnhalten_Click, RunNetCommand
//   editor/Opening.cpp            the editor's opening (editor/Settings.cpp: the dialog's handlers)
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "printing/Printer.h"
#include "registry/Registry.h"
#include "ui/Controls.h"

namespace sw {

class SettingsFactory;

struct RootControls {
    ListBox& LObjekte;
    ListBox& LProfile;
    Button& bStarten;
    Button& bAnhalten;
    Button& bBearbeiten;
    Button& bDrucken;
    Button& bChecker;
    Button& bBackups;
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
};

inline const std::string kStartupMessage =
    "Diese Anwendung läuft nur unter Microsoft Windows XP oder höher.  ";
inline const std::string kStartupTitle = " Sicherheitseinstellungen";

class Root {
public:
    Root(RootControls& controls, RootServices& services) : c(controls), s(services) {}

    // Start-up and shut-down.
    void Form_Initialize();
    void Form_Load();
    void Form_QueryUnload();
    void bAbbrechen_Click();
    std::string GetWinVersion();
    bool FileExists(const std::string& path);

    // Service catalogue.
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

    // Side files and the check.
    void RotateSideFiles();
    void WriteSnapshot(const std::string& snapshotText);
    void ExportServicesKey();
    // The registry editor's export has ended: a whole export replaces the
    // last one, anything else is removed.
    void ExportEnded(std::optional<std::uint32_t> exitCode);
    // Waits a bounded while for an export that still runs, at shut-down.
    void FinishExport();
    void bChecker_Click();

    // Printing and service control.
    void bDrucken_Click();
    void bStarten_Click();
    void bAnhalten_Click();
    // Both buttons' work: writes and runs the batch file for "start" or "stop".
    void RunNetCommand(const std::string& command);

    bool DriverView() const { return c.bErweitert.Value() == 1; }
    // True when Windows delays the entry's automatic start: a non-zero
    // number in its "DelayedAutostart" (read only for a "Start" of 2).
    bool DelayedAutostart(const std::string& keyName);
    std::string SideFile(const std::string& name) const { return s.program.Folder() + "\\" + name; }
    // A side file of this run: the executable's base name and an extension
    // (".dat", ".tmd", ".reg", ".tmr"), so a renamed program keeps its own.
    std::string OwnSideFile(const std::string& extension) const { return SideFile(s.program.BaseName() + extension); }

    // Whether this run may replace the current snapshot and export: not when
    // the rotation could not keep a whole one as the previous run's copy,
    // which would then be the only record left.
    struct SideFileState {
        bool snapshotKept = true;
        bool exportKept = true;
    };

    RootControls& c;
    RootServices& s;
    SideFileState sideFiles;
};

}  // namespace sw
