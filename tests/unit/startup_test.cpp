// Start-up and shut-down of the main window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "unit/Fakes.h"

namespace sw::test {
namespace {

using namespace std::string_literals;

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct VersionCase {
    VersionRecord record;
    const char* label;
};

class WinVersionTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(WinVersionTest, LabelsTheVersionRecord) {
    RootFixture f;
    f.program.version = GetParam().record;
    EXPECT_EQ(f.root.GetWinVersion(), GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, WinVersionTest,
    ::testing::Values(VersionCase{{3, 10, 0, 0}, "Windows 16bit mit 32bit-Erweiterung"},
                      VersionCase{{4, 0, 950, 1}, "95"}, VersionCase{{4, 10, 1998, 1}, "98"},
                      VersionCase{{4, 90, 3000, 1}, "Me"}, VersionCase{{4, 3, 0, 1}, "Unknown"},
                      VersionCase{{3, 51, 0, 2}, ""}, VersionCase{{4, 0, 1381, 2}, "Nt"},
                      VersionCase{{5, 0, 2195, 2}, "XP"}, VersionCase{{5, 1, 2600, 2}, "XP"},
                      VersionCase{{10, 0, 19045, 2}, "XP"}, VersionCase{{6, 1, 0, 3}, "Unknown"}));

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
