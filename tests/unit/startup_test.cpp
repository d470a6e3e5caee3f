// Start-up and shut-down of the main window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "changes/ChangeNotes.h"
#include "changes/ChangesView.h"
#include "history/History.h"
#include "platform/Utf16.h"
#include "unattended/Arguments.h"
#include "unattended/CheckEvents.h"
#include "unattended/OwnRecordGuard.h"
#include "unattended/UnattendedCheck.h"
#include "shared/ChangeRows.h"
#include "unit/ExportText.h"
#include "unit/Fakes.h"

namespace sw::test {
namespace {

using namespace std::string_literals;

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

const std::string kRefusal = "Diese Anwendung läuft nur unter Microsoft Windows XP oder höher.  ";

struct VersionCase {
    VersionRecord record;
    bool starts;
};

class WinVersionTest : public ::testing::TestWithParam<VersionCase> {};

// Only the NT line from Windows 2000 on runs the program; every other system
// is told so and left before anything is touched.
TEST_P(WinVersionTest, OnlyTheNtLineFromWindows2000OnStarts) {
    RootFixture f;
    f.program.version = GetParam().record;
    f.Service("a", "A", "d", 2);
    if (GetParam().starts) {
        EXPECT_NO_THROW(f.root.Form_Load());
        for (const auto& shown : f.messages.shown) EXPECT_NE(shown.text, kRefusal);
        EXPECT_THAT(f.LObjekte.lines, Not(IsEmpty()));
    } else {
        EXPECT_THROW(f.root.Form_Load(), ProgramEnded);
        ASSERT_EQ(f.messages.shown.size(), 1u);
        EXPECT_EQ(f.messages.shown[0].text, kRefusal);
        EXPECT_THAT(f.files.log, IsEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Versions, WinVersionTest,
    ::testing::Values(VersionCase{{3, 10, 0, 0}, false}, VersionCase{{4, 0, 950, 1}, false},
                      VersionCase{{4, 10, 1998, 1}, false}, VersionCase{{4, 90, 3000, 1}, false},
                      VersionCase{{4, 3, 0, 1}, false}, VersionCase{{3, 51, 0, 2}, false},
                      VersionCase{{4, 0, 1381, 2}, false}, VersionCase{{5, 0, 2195, 2}, true},
                      VersionCase{{5, 1, 2600, 2}, true}, VersionCase{{10, 0, 19045, 2}, true},
                      VersionCase{{6, 1, 0, 3}, false}));

class StartupTest : public ::testing::Test {
protected:
    RootFixture f;
};

TEST_F(StartupTest, OldWindowsIsRefusedBeforeAnythingIsTouched) {
    f.program.version = {4, 0, 1381, 2};
    f.files.files[f.SideFile("Merotan.dat")] = "x|2\r\n\r\n";
    f.files.files[f.SideFile("Merotan.bat")] = "@echo off\r\n";
    f.Service("a", "A", "d", 2);
    EXPECT_THROW(f.root.Form_Load(), ProgramEnded);
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, "Diese Anwendung läuft nur unter Microsoft Windows XP oder höher.  ");
    EXPECT_EQ(f.messages.shown[0].title, " Sicherheitseinstellungen");
    EXPECT_EQ(f.messages.shown[0].flags, 16);
    EXPECT_THAT(f.files.log, IsEmpty());
    EXPECT_THAT(f.LObjekte.lines, IsEmpty());
}

TEST_F(StartupTest, UnlistableServicesKeyEndsWithTheSameMessageAfterTheRotation) {
    f.memory.CreateKey(kHkeyLocalMachine, kServicesPath).denyFull = true;
    f.files.files[f.SideFile("Merotan.bat")] = "@echo off\r\n";
    EXPECT_THROW(f.root.Form_Load(), ProgramEnded);
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].title, " Sicherheitseinstellungen");
    EXPECT_THAT(f.files.log, ElementsAre("delete C:\\Tools\\Merotan.bat"));
    EXPECT_FALSE(f.files.Exists(f.SideFile("Merotan.dat")));
}

TEST_F(StartupTest, LoadRotatesBuildsAndSelectsTheFirstLine) {
    f.files.files[f.SideFile("Merotan.dat")] = "old|3\r\n\r\n";
    f.files.files[f.SideFile("Merotan.reg")] = std::string("\xFF\xFE") + "W\0i\0n\0d\0o\0w\0s\0 \0R\0e\0g\0i\0s\0t\0r\0y\0 \0E\0d\0i\0t\0o\0r\0 \0V\0e\0r\0s\0i\0o\0n\0 \0\x35\0.\0\x30\0\x30\0\r\0\n\0\r\0\n\0\r\0\n\0"s;
    f.files.files[f.SideFile("Merotan.bat")] = "@echo off\r\n";
    f.Service("b", "Bravo", "d", 3);
    f.Service("a", "Alpha", "d", 4);
    f.root.Form_Load();
    EXPECT_EQ(f.program.claims, 1);
    EXPECT_THAT(f.files.log, ElementsAre("write whole C:\\Tools\\Merotan.tmd", "delete C:\\Tools\\Merotan.bat",
                                         "write whole C:\\Tools\\Merotan.dat"));
    // The exports rotate once the window is shown, before this run's export.
    f.root.Form_Shown();
    EXPECT_EQ(f.files.log.back(), "write whole C:\\Tools\\Merotan.tmr");
    EXPECT_EQ(f.shell.watched.size(), 1u);
    EXPECT_EQ(f.files.files[f.SideFile("Merotan.tmr")], f.files.files[f.SideFile("Merotan.reg")]);
    EXPECT_EQ(f.files.files[f.SideFile("Merotan.tmd")], "old|3\r\n\r\n");
    EXPECT_EQ(f.files.files[f.SideFile("Merotan.dat")], "a|4\r\nb|3\r\n\r\n");
    EXPECT_EQ(f.LObjekte.ListIndex(), 0);
    EXPECT_EQ(f.bStartCaption.Caption(), "Startvorgang: Deaktiviert");
    EXPECT_THAT(f.messages.shown, IsEmpty());
}

TEST_F(StartupTest, ASecondStartInTheFolderEndsWithoutTouchingAnySideFile) {
    f.files.files[f.SideFile("Merotan.dat")] = "old|3\r\n\r\n";
    f.files.files[f.SideFile("Merotan.tmd")] = "older|2\r\n\r\n";
    f.files.files[f.SideFile("Merotan.bat")] = "@echo off\r\n";
    f.Service("a", "Alpha", "d", 4);
    f.program.folderHeldByAnother = true;
    const auto before = f.files.files;
    EXPECT_THROW(f.root.Form_Load(), ProgramEnded);
    EXPECT_EQ(f.program.claims, 1);
    EXPECT_EQ(f.program.claimedAs, HeldFolder::ShowRunningWindow);
    EXPECT_THAT(f.files.log, IsEmpty());
    EXPECT_EQ(f.files.files, before);
    EXPECT_THAT(f.shell.watched, IsEmpty());
    EXPECT_THAT(f.messages.shown, IsEmpty());
    EXPECT_THAT(f.LObjekte.lines, IsEmpty());
}

TEST_F(StartupTest, ClosingAndCancelRemoveTheBatchFile) {
    f.files.files[f.SideFile("Merotan.bat")] = "@echo off\r\n";
    f.root.Form_QueryUnload();
    EXPECT_FALSE(f.files.Exists(f.SideFile("Merotan.bat")));

    f.files.files[f.SideFile("Merotan.bat")] = "@echo off\r\n";
    EXPECT_THROW(f.root.bAbbrechen_Click(), ProgramEnded);
    EXPECT_FALSE(f.files.Exists(f.SideFile("Merotan.bat")));
}

TEST_F(StartupTest, ABatchFolderThatCannotBeDeletedDoesNotStopTheEnd) {
    f.files.folders.insert(f.SideFile("Merotan.bat"));
    f.root.Form_QueryUnload();
    EXPECT_THAT(f.files.log, ElementsAre("delete C:\\Tools\\Merotan.bat"));
    EXPECT_THROW(f.root.bAbbrechen_Click(), ProgramEnded);
    EXPECT_TRUE(f.files.Exists(f.SideFile("Merotan.bat")));
}

TEST_F(StartupTest, InitialiseSetsUpTheCommonControls) {
    f.root.Form_Initialize();
    EXPECT_TRUE(f.ui.commonControls);
}

}  // namespace
}  // namespace sw::test

namespace sw::test {
namespace {

TEST(InvocationTest, OnlyTheCheckSwitchWithAtMostOneFileIsTaken) {
    using Mode = Invocation::Mode;
    EXPECT_EQ(ReadInvocation({}).mode, Mode::Window);
    const Invocation plain = ReadInvocation({"/pruefen"});
    EXPECT_EQ(plain.mode, Mode::Check);
    EXPECT_EQ(plain.file, "");
    const Invocation dashed = ReadInvocation({"-PRUEFEN", "C:\\Mit Leer\\Prüfung.csv"});
    EXPECT_EQ(dashed.mode, Mode::Check);
    EXPECT_EQ(dashed.file, "C:\\Mit Leer\\Prüfung.csv");
    EXPECT_EQ(ReadInvocation({"/Pruefen", "x.csv"}).mode, Mode::Check);
    EXPECT_TRUE(plain.events);
    EXPECT_TRUE(dashed.events);
    for (const std::vector<std::string>& refused :
         {std::vector<std::string>{"/pruefen", "a", "b"}, {"/check"}, {"pruefen"}, {"/pruefenx"}, {"/"},
          {"/pruefen", ""}, {"x.csv", "/pruefen"}, {"/pruefen", "/keinereignis", "a", "b"}}) {
        const Invocation read = ReadInvocation(refused);
        EXPECT_EQ(read.mode, Mode::Refused) << refused[0];
        EXPECT_FALSE(read.reason.empty());
    }
}

TEST(InvocationTest, TheNoEventSwitchGoesAnywhereAfterTheCheckAndEveryOtherSwitchIsRefused) {
    using Mode = Invocation::Mode;
    const std::pair<std::vector<std::string>, std::string> quiet[] = {
        {{"/pruefen", "/keinereignis"}, ""},
        {{"-pruefen", "-KeinEreignis", "C:\\a.csv"}, "C:\\a.csv"},
        {{"/PRUEFEN", "C:\\a.csv", "/KEINEREIGNIS"}, "C:\\a.csv"},
        {{"/pruefen", "/keinereignis", "/keinereignis"}, ""}};
    for (const auto& [arguments, file] : quiet) {
        const Invocation read = ReadInvocation(arguments);
        EXPECT_EQ(read.mode, Mode::Check) << arguments[1];
        EXPECT_FALSE(read.events) << arguments[1];
        EXPECT_EQ(read.file, file) << arguments[1];
    }
    // A switch is never taken for the file: before the switch existed,
    // "/keinereignis" became a file in the drive's root.
    for (const char* unknown : {"/keinereignisse", "-x", "/", "-", "/daten/pruefung.csv"}) {
        const Invocation read = ReadInvocation({"/pruefen", unknown});
        EXPECT_EQ(read.mode, Mode::Refused) << unknown;
        EXPECT_THAT(read.reason, ::testing::StartsWith("Unbekannter Schalter \"" + std::string(unknown) + "\""));
        EXPECT_THAT(read.reason, ::testing::HasSubstr(".\\"));
    }
    // Such a file is given with a drive or ".\\".
    EXPECT_EQ(ReadInvocation({"/pruefen", ".\\/daten.csv"}).file, ".\\/daten.csv");
    EXPECT_EQ(ReadInvocation({"/pruefen", "C:/daten/pruefung.csv"}).file, "C:/daten/pruefung.csv");
}

// The check without a window over the main window's fakes: the previous
// run's export holds "a" as manual.
struct CheckSetup {
    CheckSetup() {
        f.Service("a", "Alpha", "d", 3);
        f.files.files[f.SideFile("Merotan.reg")] = Export("3");
        f.files.files[f.SideFile("Merotan.dat")] = "a|3\r\n\r\n";
        // The registry editor writes this run's export while it is waited for.
        f.shell.finishExitCode = 0;
        f.shell.whileFinishing = [this] { f.files.files[f.SideFile("Merotan.reg.part")] = Export("4"); };
    }
    static std::string Export(const std::string& start, const std::string& more = {}) {
        return test::ServicesExport("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\a]\r\n"
                                    "\"DisplayName\"=\"Alpha\"\r\n\"ObjectName\"=\"LocalSystem\"\r\n"
                                    "\"Start\"=dword:0000000" + start + "\r\n\r\n" + more);
    }
    int Run(const std::string& file = {}) { return RunUnattendedCheck(services, file); }
    std::string Reason(const std::string& file) {
        const std::string bytes = f.files.files[file];
        EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
        EXPECT_EQ(bytes.find('\n'), bytes.size() - 1) << "one line: " << bytes;
        return bytes;
    }
    // The CSV that the changes window saves, over the files as they are now.
    std::string WindowCsv(std::size_t rows) {
        ChangesServices changesServices{f.registry, f.files, f.program, f.clock, f.messages};
        ChangesView view(changesServices);
        view.Load();
        EXPECT_EQ(view.Rows().size(), rows);
        return view.SavedText(SaveFormat::Csv);
    }

    RootFixture f;
    FakeFileIdentity identity;
    UnattendedServices services{f.registry, f.files, f.shell, f.program, f.clock, identity};
    const std::string csv = f.SideFile("Merotan-Änderungen.csv");
    const std::string errors = f.SideFile("Merotan-Fehler.txt");
};

TEST(UnattendedCheckTest, NoChangeRotatesRecordsAndWritesTheWindowsCsvWithExitCodeZero) {
    CheckSetup c;
    EXPECT_EQ(c.Run(), 0);
    EXPECT_EQ(c.f.program.claimedAs, HeldFolder::LeaveAlone);
    EXPECT_EQ(c.f.files.files[c.f.SideFile("Merotan.tmr")], CheckSetup::Export("3"));
    EXPECT_EQ(c.f.files.files[c.f.SideFile("Merotan.tmd")], "a|3\r\n\r\n");
    EXPECT_EQ(c.f.files.files[c.f.SideFile("Merotan.dat")], "a|3\r\n\r\n");
    EXPECT_EQ(c.f.files.files[c.f.SideFile("Merotan.reg")], CheckSetup::Export("4")) << "this run's export, moved into place";
    EXPECT_THAT(c.f.shell.finishWaits, ElementsAre(kCheckExportWait));
    EXPECT_EQ(c.f.files.files[c.csv], c.WindowCsv(0));
    EXPECT_EQ(c.f.files.log.back(), "write whole " + c.csv);
    EXPECT_THAT(c.f.messages.shown, IsEmpty());
    EXPECT_EQ(c.f.ui.yields, 0) << "no window, no message pump";
}

TEST(UnattendedCheckTest, ChangesGiveExitCodeOneAndTheWindowsRowsInTheNamedFile) {
    CheckSetup c;
    c.f.Service("a", "Alpha", "d", 4);
    c.f.Service("b", "Bravo", "d", 2);
    EXPECT_EQ(c.Run("D:\\Berichte\\Prüfung.csv"), 1);
    EXPECT_EQ(c.f.files.files[c.f.SideFile("Merotan.dat")], "a|4\r\nb|2\r\n\r\n");
    EXPECT_EQ(c.f.files.files["D:\\Berichte\\Prüfung.csv"], c.WindowCsv(2));
    EXPECT_FALSE(c.f.files.Exists(c.csv));
}

TEST(UnattendedCheckTest, WhatCannotBeComparedOrRecordedEndsWithTwoAndItsReason) {
    CheckSetup c;
    // No previous export: the reason goes into the file.
    c.f.files.files.erase(c.f.SideFile("Merotan.reg"));
    EXPECT_EQ(c.Run(), 2);
    EXPECT_NE(c.Reason(c.csv).find("Kein Export vom letzten Start gefunden: C:\\Tools\\Merotan.tmr"), std::string::npos);

    // An export that does not end within the wait.
    CheckSetup slow;
    slow.f.shell.finishExitCode.reset();
    slow.f.shell.whileFinishing = nullptr;
    EXPECT_EQ(slow.Run(), 2);
    EXPECT_NE(slow.Reason(c.csv).find("Sekunden nicht fertig: C:\\Tools\\Merotan.reg.part"), std::string::npos);
    EXPECT_EQ(slow.f.files.files[c.f.SideFile("Merotan.reg")], CheckSetup::Export("3")) << "the last whole export stays";

    // A snapshot that cannot be written; the file cannot be written either,
    // so the reason goes beside the program.
    CheckSetup full;
    full.f.files.readOnly = {c.f.SideFile("Merotan.dat"), c.csv};
    EXPECT_EQ(full.Run(), 2);
    EXPECT_FALSE(full.f.files.Exists(c.csv));
    EXPECT_NE(full.Reason(c.f.SideFile("Merotan-Fehler.txt")).find("Starttypen konnte bei diesem Programmstart nicht"),
              std::string::npos);

    // An older Windows: only the file, and never a record in its place.
    CheckSetup old;
    old.f.program.version = {4, 0, 1381, 2};
    EXPECT_EQ(old.Run(), 2);
    EXPECT_THAT(old.f.files.log, ElementsAre("write whole " + c.csv));
    EXPECT_EQ(old.f.program.claims, 0);
    old.f.files.log.clear();
    EXPECT_EQ(old.Run(old.f.SideFile("Merotan.tmr")), 2);
    EXPECT_THAT(old.f.files.log, ElementsAre("write whole " + c.errors));
}

// The check's pair of runs goes into the history; a history that cannot be
// continued fails no check but is said beside the program, and the history
// is never the check's output.
TEST(UnattendedCheckTest, TheRunsPairGoesIntoTheHistoryAndWhatKeepsItOutIsSaidBesideTheProgram) {
    CheckSetup c;
    const std::string history = c.f.SideFile("Merotan-Verlauf.dat");
    EXPECT_EQ(c.Run(), 0);
    const History read = ReadHistory(c.f.files.files[history]);
    ASSERT_EQ(read.pairs.size(), 1u);
    ASSERT_EQ(read.pairs[0].records.size(), 1u);
    EXPECT_EQ(read.pairs[0].records[0].change.value, &ComparedByField(ManagerField::Start));
    EXPECT_FALSE(c.f.files.Exists(c.errors));

    CheckSetup full;
    full.f.files.readOnly = {history};
    EXPECT_EQ(full.Run(), 0);
    EXPECT_EQ(full.f.files.files[full.csv], full.WindowCsv(0));
    EXPECT_NE(full.Reason(full.errors).find("Verlauf der Änderungen wurde nicht fortgeschrieben"), std::string::npos);

    CheckSetup own;
    EXPECT_EQ(own.Run(history), 2);
    EXPECT_NE(own.Reason(own.errors).find("eine Datei des Programms selbst"), std::string::npos);
    EXPECT_FALSE(own.f.files.Exists(history));
}

TEST(UnattendedCheckTest, AnotherRunTouchesNothingAndAFileOfTheProgramsOwnOnlyTheErrorFile) {
    CheckSetup c;
    c.f.program.folderHeldByAnother = true;
    EXPECT_EQ(c.Run(), 2);
    EXPECT_EQ(c.f.program.claimedAs, HeldFolder::LeaveAlone);
    EXPECT_THAT(c.f.files.log, IsEmpty());
    EXPECT_THAT(c.f.shell.watched, IsEmpty());

    // A record spelt otherwise: another case, or a short name that reaches
    // the same file.
    for (const std::string target : {"c:\\tools\\MEROTAN.REG", "\\\\?\\C:\\Tools\\MEROTA~1.REG"}) {
        CheckSetup own;
        own.identity.ids = {{c.f.SideFile("Merotan.reg"), {7, 42}}, {"\\\\?\\C:\\Tools\\MEROTA~1.REG", {7, 42}}};
        const auto files = own.f.files.files;
        EXPECT_EQ(own.Run(target), 2) << target;
        EXPECT_THAT(own.f.files.log, ElementsAre("write whole " + c.errors)) << target;
        EXPECT_EQ(own.f.program.claims, 0);
        EXPECT_NE(own.Reason(c.errors).find(target + " (C:\\Tools\\Merotan.reg)"), std::string::npos) << target;
        own.f.files.files.erase(c.errors);
        EXPECT_EQ(own.f.files.files, files) << target;
    }

    CheckSetup refused;
    EXPECT_EQ(RefuseInvocation(refused.f.files, refused.f.program, ReadInvocation({"/x"}).reason), 2);
    EXPECT_THAT(refused.f.files.log, ElementsAre("write whole " + c.errors));
}

// The export is there, its temporary name is not; "C:\Link" leads to the
// program folder.
TEST(OwnRecordGuardTest, FilesThereAreToldByIdentityOthersByNameInTheSameFolder) {
    FakeFileIdentity identity;
    const std::vector<std::string> records = {"C:\\Tools\\Merotan.tmr", "C:\\Tools\\Merotan.reg.part"};
    identity.ids = {{"C:\\Tools", {7, 1}},   {"C:\\Link", {7, 1}},           {"D:\\Tools", {9, 1}},
                    {"C:\\Tools\\Merotan.tmr", {7, 2}}, {"C:\\Link\\Merotan.tmr", {7, 2}},
                    {"D:\\Tools\\Merotan.tmr", {9, 2}}};
    identity.longPaths = {{"\\\\?\\C:\\Tools\\x\\..\\merotan.REG.part", "C:\\Tools\\merotan.REG.part"}};
    const auto at = [&](const std::string& target) { return OwnRecordAt(identity, records, target); };

    EXPECT_EQ(at("C:\\Link\\Merotan.tmr"), "C:\\Tools\\Merotan.tmr");
    EXPECT_EQ(at("\\\\?\\C:\\Tools\\x\\..\\merotan.REG.part"), "C:\\Tools\\Merotan.reg.part");
    EXPECT_EQ(at("C:\\Link\\MEROTAN.reg.part"), "C:\\Tools\\Merotan.reg.part") << "a folder reached through a link";
    EXPECT_EQ(at("c:\\tools\\merotan.tmr"), "C:\\Tools\\Merotan.tmr") << "not opened: the same name in the folder";
    // Near misses: the same name in another folder, a file of its own under
    // another spelling, another name in the folder, a folder not there.
    EXPECT_EQ(at("D:\\Tools\\Merotan.tmr"), std::nullopt);
    identity.ids["C:\\Tools\\MEROTA~1.TMR"] = {7, 3};
    EXPECT_EQ(at("C:\\Tools\\MEROTA~1.TMR"), std::nullopt);
    EXPECT_EQ(at("C:\\Link\\Merotan.reg.part2"), std::nullopt);
    EXPECT_EQ(at("C:\\Tools\\Merotan-Änderungen.csv"), std::nullopt);
    EXPECT_EQ(at("E:\\Fehlt\\Merotan.reg.part"), std::nullopt);
}

// The check with the event log: the registration before it, the events
// after it, over the check's own fakes.
struct ReportedCheck : CheckSetup {
    // The event log's own entry below the Services key, in the registry
    // and in both exports, as on every Windows.
    ReportedCheck() {
        f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("EventLog"), "Start", 2);
        const std::string section = "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\EventLog]\r\n"
                                    "\"Start\"=dword:00000002\r\n\r\n";
        f.files.files[f.SideFile("Merotan.reg")] = Export("3", section);
        f.shell.whileFinishing = [this, section] { f.files.files[f.SideFile("Merotan.reg.part")] = Export("4", section); };
    }
    int Run(const std::string& file = {}) { return RunReportedCheck(services, &log, file); }
    // A file's text without its byte-order mark and its last line end.
    std::string Lines(const std::string& path) {
        const std::string bytes = f.files.files[path];
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
        return bytes.substr(3, bytes.size() - 5);
    }
    std::optional<std::string> Registered(const std::string& name) {
        StoredValue value;
        if (f.registry.ReadStored(kHkeyLocalMachine, kEventSourceKey, name, value) != 0) return std::nullopt;
        return std::to_string(value.type) + ":" + (value.type == kRegDword ? std::to_string(value.data[0])
                                                                            : CutAtNul(FromUtf16Le(value.data)));
    }
    FakeEventLog log;
    const std::string alerting = "Pfad für Benutzer beschreibbar, Befehlsinterpreter, Neuer Treiber";
};

TEST(CheckEventsTest, NothingChangedRegistersTheSourceAndGivesOneInformationWithTheExportsTimes) {
    ReportedCheck c;
    c.f.files.times[c.f.SideFile("Merotan.tmr")] = {{2026, 3, 6}, 8, 5, 9};
    c.f.files.times[c.f.SideFile("Merotan.reg")] = {{2026, 3, 7}, 10, 0, 1};
    EXPECT_EQ(c.Run(), 0);
    EXPECT_EQ(c.log.source, "Tavrine Startwart");
    EXPECT_THAT(c.log.reported,
                ElementsAre(Event{100, EventType::Information,
                                  {"06.03.2026 08:05:09", "C:\\Tools\\Merotan.tmr", "07.03.2026 10:00:01",
                                   "C:\\Tools\\Merotan.reg"}}));
    EXPECT_EQ(c.Registered("EventMessageFile"), "2:C:\\Tools\\Merotan.exe");
    EXPECT_EQ(c.Registered("TypesSupported"), "4:7");
    EXPECT_FALSE(c.f.files.Exists(c.errors));
    EXPECT_EQ(c.f.files.files[c.csv], c.WindowCsv(0)) << "the CSV as without events";

    // A time that cannot be learned is said to be unknown.
    ReportedCheck untimed;
    EXPECT_EQ(untimed.Run(), 0);
    ASSERT_EQ(untimed.log.reported.size(), 1u);
    EXPECT_EQ(untimed.log.reported[0].inserts[0], "unbekannt");
}

TEST(CheckEventsTest, ChangesGiveTheCsvsLinesAndTheAlertingOnesOnceMore) {
    ReportedCheck c;
    c.f.files.files["C:\\Windows\\system32\\svchost.exe"] = "";
    c.f.Service("a", "Alpha", "d", 4);
    for (const char* key : {"c", "d"}) {
        c.f.Service(key, key, "d", 3);
        c.f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath(key), "ImagePath",
                             "C:\\Windows\\system32\\svchost.exe -k netsvcs");
    }
    c.f.Service("b", "Bravo", "d", 2);
    c.f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("b"), "ImagePath", "C:\\Users\\Public\\neu.exe");
    c.f.files.files["C:\\Users\\Public\\neu.exe"] = "";

    EXPECT_EQ(c.Run("D:\\Prüfung.csv"), 1);
    const std::string lines = c.Lines("D:\\Prüfung.csv");
    ASSERT_EQ(c.log.reported.size(), 2u);
    EXPECT_EQ(c.log.reported[0], (Event{101, EventType::Warning, {"4", "1", "1", "1", lines}}));
    // The noted row comes first in the CSV, right below the titles.
    const std::size_t second = lines.find("\r\n", lines.find("\r\n") + 2);
    const std::string noted = lines.substr(0, second);
    EXPECT_THAT(noted, ::testing::EndsWith(";b;Eintrag hinzugefügt;;C:\\Users\\Public\\neu.exe;Pfad für Benutzer beschreibbar"));
    EXPECT_EQ(c.log.reported[1], (Event{103, EventType::Warning, {"1", c.alerting, "1", "1", noted}}));
}

TEST(CheckEventsTest, OnlyTheThreeNotesAsWholeNotesAlert) {
    CheckOutcome outcome;
    outcome.exitCode = kCheckChangesFound;
    const auto row = [](const std::string& key, const std::string& note) {
        return test::RowOf(key, key, "ImagePath", "x", "y", note);
    };
    outcome.rows = {row("w", "Datei fehlt; Neuer Treiber"), row("x", "Datei fehlt"),
                    row("y", "Befehlsinterpreter (alt)"), row("z", "")};
    FakeFiles files;
    const std::vector<Event> events = CheckEvents(outcome, files);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].inserts[0], "4");
    EXPECT_EQ(events[0].inserts[1], "3");
    EXPECT_EQ(events[1].inserts[0], "1");
    EXPECT_EQ(events[1].inserts[4], CsvTitleLine() + "\r\n" + CsvLine(outcome.rows[0]));

    outcome.rows.erase(outcome.rows.begin());
    ASSERT_EQ(CheckEvents(outcome, files).size(), 1u) << "no note that alerts: no 103";
}

TEST(CheckEventsTest, ManyChangesAreSplitIntoPartsBelowTheLimitThatTogetherHoldEveryLine) {
    CheckOutcome outcome;
    outcome.exitCode = kCheckChangesFound;
    // 300 rows of about 200 characters, one of 37,500 UTF-16 units (more
    // than a whole event), in letters of one and of two units.
    for (int i = 0; i < 300; ++i)
        outcome.rows.push_back(test::RowOf("Eintrag " + std::to_string(i), "k" + std::to_string(i), "ImagePath",
                                std::string(90, 'a'), "C:\\Users\\Public\\" + std::string(40, 'b') + ".exe",
                                i % 2 ? kNoteUserWritable : ""));
    std::string huge;
    for (int i = 0; i < 25000; ++i) huge += i % 2 ? "ä" : "\xF0\x9F\x98\x80";  // U+1F600: two units
    outcome.rows.insert(outcome.rows.begin() + 7, test::RowOf("Riesig", "riesig", "ImagePath", "x", huge));
    FakeFiles files;
    const std::vector<Event> events = CheckEvents(outcome, files);

    std::vector<std::string> parts101;
    std::vector<std::string> parts103;
    for (const Event& event : events) {
        EXPECT_EQ(event.type, EventType::Warning);
        std::size_t units = 0;
        for (const std::string& insert : event.inserts) units += ToUtf16(insert).size();
        EXPECT_LE(units, kEventTextLimit - kEventWordsReserve);
        ASSERT_EQ(event.inserts.size(), 5u);
        EXPECT_THAT(event.inserts[4], ::testing::StartsWith(CsvTitleLine() + "\r\n"));
        auto& parts = event.id == 101 ? parts101 : parts103;
        EXPECT_EQ(event.inserts[2], std::to_string(parts.size() + 1));
        parts.push_back(event.inserts[4].substr(CsvTitleLine().size() + 2));
        EXPECT_EQ(event.inserts[0], event.id == 101 ? "301" : "150");
    }
    ASSERT_GE(parts101.size(), 4u);
    for (const Event& event : events)
        EXPECT_EQ(event.inserts[3], std::to_string((event.id == 101 ? parts101 : parts103).size()));
    // Nothing lost or doubled, and every piece cut between two characters
    // (a cut inside one would not convert back unchanged).
    const auto withoutLineEnds = [](std::string text) {
        for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 2);
        return text;
    };
    std::string joined101;
    for (const std::string& part : parts101) {
        EXPECT_EQ(FromUtf16(ToUtf16(part)), part);
        joined101 += withoutLineEnds(part);
    }
    std::string expected101;
    for (const ChangeRow& row : outcome.rows) expected101 += CsvLine(row);
    EXPECT_EQ(joined101, expected101);
    // At the smallest room a two-unit character still moves on whole.
    EXPECT_THAT(LineParts("T", {"ab\xF0\x9F\x98\x80" "c", "d"}, 5),
                ElementsAre("T\r\nab", "T\r\n\xF0\x9F\x98\x80", "T\r\nc", "T\r\nd"));
    std::string joined103;
    for (const std::string& part : parts103) joined103 += (joined103.empty() ? "" : "\r\n") + part;
    EXPECT_EQ(std::count(joined103.begin(), joined103.end(), '\n'), 149);
}

TEST(CheckEventsTest, AFailedRunGivesOneErrorWithItsErrorLine) {
    ReportedCheck c;
    c.f.files.files.erase(c.f.SideFile("Merotan.reg"));
    EXPECT_EQ(c.Run(), 2);
    EXPECT_THAT(c.log.reported, ElementsAre(Event{102, EventType::Error, {c.Lines(c.csv)}}));

    // A held folder: no file is touched, the event says why.
    ReportedCheck held;
    held.f.program.folderHeldByAnother = true;
    held.log.refuseWith = 5;
    EXPECT_EQ(held.Run(), 2);
    EXPECT_THAT(held.f.files.log, IsEmpty());
    ASSERT_EQ(held.log.reports, 1);
    held.log.refuseWith = 0;
    held.Run();
    ASSERT_EQ(held.log.reported.size(), 1u);
    EXPECT_EQ(held.log.reported[0].inserts[0],
              "Ein anderer Lauf des Programms arbeitet im Programmordner; die Prüfung hat nichts angefasst: C:\\Tools");
}

TEST(CheckEventsTest, ARefusedRegistrationOrEventKeepsTheCsvAndTheExitCodeAndSaysWhyBesideTheProgram) {
    const std::string refused =
        "Die Ereignisquelle \"Tavrine Startwart\" kann nicht eingetragen werden (HKEY_LOCAL_MACHINE\\"
        "System\\CurrentControlSet\\Services\\EventLog\\Application\\Tavrine Startwart): Fehler 5: Zugriff verweigert";
    ReportedCheck c;
    c.f.memory.CreateKey(kHkeyLocalMachine, kServicesPath + "\\EventLog\\Application").denyFull = true;
    EXPECT_EQ(c.Run(), 0);
    EXPECT_EQ(c.f.files.files[c.csv], c.WindowCsv(0));
    EXPECT_EQ(c.Lines(c.errors), refused);
    EXPECT_EQ(c.log.reported.size(), 1u) << "an unregistered source still reports";

    // A failed check carries the refusal in its error line, and so in its event.
    ReportedCheck failed;
    failed.f.memory.CreateKey(kHkeyLocalMachine, kServicesPath + "\\EventLog\\Application").denyFull = true;
    failed.f.files.files.erase(failed.f.SideFile("Merotan.reg"));
    EXPECT_EQ(failed.Run(), 2);
    EXPECT_EQ(failed.Lines(failed.csv), "Kein Export vom letzten Start gefunden: C:\\Tools\\Merotan.tmr; " + refused);
    EXPECT_THAT(failed.log.reported, ElementsAre(Event{102, EventType::Error, {failed.Lines(failed.csv)}}));
    EXPECT_FALSE(failed.f.files.Exists(failed.errors));

    // Events the log refuses: the CSV and exit code as ever, the reason
    // beside the program, after the check's own when it wrote one there.
    ReportedCheck unreported;
    unreported.log.refuseWith = 1502;
    EXPECT_EQ(unreported.Run(), 0);
    EXPECT_EQ(unreported.f.files.files[unreported.csv], unreported.WindowCsv(0));
    EXPECT_EQ(unreported.Lines(unreported.errors),
              "Die Ereignisse konnten nicht ins Ereignisprotokoll geschrieben werden: Fehler 1502");
    ReportedCheck both;
    both.log.refuseWith = 1502;
    both.f.files.readOnly = {both.f.SideFile("Merotan.dat"), both.csv};
    EXPECT_EQ(both.Run(), 2);
    EXPECT_THAT(both.Lines(both.errors), ::testing::EndsWith(
        "; Die Ereignisse konnten nicht ins Ereignisprotokoll geschrieben werden: Fehler 1502"));
    EXPECT_THAT(both.Lines(both.errors), ::testing::StartsWith("Die Sicherung der Starttypen"));
}

TEST(CheckEventsTest, ASourceInPlaceIsLeftAloneAndOneForAnotherProgramIsRewritten) {
    // In place for this program (as written by another case of letters):
    // nothing to write, so a key nobody may write is no refusal.
    ReportedCheck c;
    c.f.memory.SetString(kHkeyLocalMachine, kEventSourceKey, "EventMessageFile", "c:\\tools\\MEROTAN.EXE");
    c.f.memory.SetDword(kHkeyLocalMachine, kEventSourceKey, "TypesSupported", 7);
    c.f.memory.FindKey(kHkeyLocalMachine, kEventSourceKey)->denyFull = true;
    EXPECT_EQ(RegisterEventSource(c.f.registry, c.log), "");

    ReportedCheck moved;
    moved.f.memory.SetString(kHkeyLocalMachine, kEventSourceKey, "EventMessageFile", "D:\\Alt\\Merotan.exe");
    moved.f.memory.SetDword(kHkeyLocalMachine, kEventSourceKey, "TypesSupported", 7);
    moved.log.messageFile = "C:\\100%\\Merotan.exe";
    EXPECT_EQ(RegisterEventSource(moved.f.registry, moved.log), "");
    EXPECT_EQ(moved.Registered("EventMessageFile"), "1:C:\\100%\\Merotan.exe") << "plain text: nothing to expand";
    EXPECT_EQ(moved.Registered("TypesSupported"), "4:7");

    // No event log entry below the Services key: nothing is made there,
    // where it would be a new entry that the next check reports.
    CheckSetup bare;
    FakeEventLog log;
    EXPECT_EQ(RegisterEventSource(bare.f.registry, log),
              "Die Ereignisquelle \"Tavrine Startwart\" wird nicht eingetragen: kein Ereignisprotokoll "
              "(HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\EventLog fehlt)");
    EXPECT_EQ(bare.f.memory.FindKey(kHkeyLocalMachine, ServiceKeyPath("EventLog")), nullptr);
}

TEST(InfoBoxTest, NamesTheBuildTheFolderAndEverySideFileByTheProgramsBaseName) {
    RootFixture f;
    f.program.baseName = "Startwart";
    f.root.ShowInfo(BuildFacts{"1.2.3", "07.12.2026", 32});
    ASSERT_EQ(f.messages.shown.size(), 1u);
    const ShownMessage& box = f.messages.shown[0];
    EXPECT_EQ(box.title, " Tavrine Startwart");
    EXPECT_EQ(box.flags, kMbOk | kMbIconInformation);
    EXPECT_THAT(box.text, ::testing::StartsWith("Tavrine™ Startwart XP\nVersion 1.2.3 vom 07.12.2026 (32-Bit)\n"));
    EXPECT_THAT(box.text, ::testing::HasSubstr("\n" + f.program.folder + "\n"));
    for (const char* file : {"Startwart.dat", "Startwart.tmd", "Startwart.reg", "Startwart.tmr", "Startwart-Verlauf.dat",
                             "Startwart-Rückgängig-JJJJ-MM-TT-hhmmss.reg", "Merotan-Unterschiede.txt", "Merotan.bat"})
        EXPECT_THAT(box.text, ::testing::HasSubstr(std::string("\n") + file + "  –  ")) << file;
    // Nothing is read or written for it.
    EXPECT_TRUE(f.files.log.empty());
}

TEST(InfoBoxTest, ABuildWithoutACommitDateSaysNoDate) {
    RootFixture f;
    f.root.ShowInfo(BuildFacts{"1.0.0", "", 64});
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_THAT(f.messages.shown[0].text, ::testing::StartsWith("Tavrine™ Startwart XP\nVersion 1.0.0 (64-Bit)\n"));
}

}  // namespace
}  // namespace sw::test
