// Start-up and shut-down of the main window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "changes/ChangesView.h"
#include "unattended/Arguments.h"
#include "unattended/OwnRecordGuard.h"
#include "unattended/UnattendedCheck.h"
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
    EXPECT_THAT(f.files.log, ElementsAre("write whole C:\\Tools\\Merotan.tmd", "write whole C:\\Tools\\Merotan.tmr",
                                         "delete C:\\Tools\\Merotan.bat", "write whole C:\\Tools\\Merotan.dat"));
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
    for (const std::vector<std::string>& refused :
         {std::vector<std::string>{"/pruefen", "a", "b"}, {"/check"}, {"pruefen"}, {"/pruefenx"}, {"/"},
          {"/pruefen", ""}, {"x.csv", "/pruefen"}}) {
        const Invocation read = ReadInvocation(refused);
        EXPECT_EQ(read.mode, Mode::Refused) << refused[0];
        EXPECT_FALSE(read.reason.empty());
    }
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
    static std::string Export(const std::string& start) {
        return test::ServicesExport("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\a]\r\n"
                                    "\"DisplayName\"=\"Alpha\"\r\n\"ObjectName\"=\"LocalSystem\"\r\n"
                                    "\"Start\"=dword:0000000" + start + "\r\n\r\n");
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
    for (const char* file : {"Startwart.dat", "Startwart.tmd", "Startwart.reg", "Startwart.tmr",
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
