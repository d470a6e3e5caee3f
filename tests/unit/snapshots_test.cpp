// The side files beside the program: the snapshot's format and how it is
// read back, the rotation at start-up, and this run's snapshot and export.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "snapshots/Snapshot.h"

namespace sw::test {
namespace {

const std::string kExport =
    "Regedit.exe /e \"C:\\Tools\\Merotan.reg\" \"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\"";

void Build(RootFixture& f) {
    f.root.GetProfile(kHkeyLocalMachine, kServicesPath);
    f.root.ReadProfile();
}

struct SnapshotFixture : ::testing::Test, RootFixture {
    void Build() { test::Build(*this); }
};

TEST(SnapshotFormat, LinesCarryTheDecimalStartOrAnEmptyField) {
    EXPECT_EQ(SnapshotLine("Dhcp", 2), "Dhcp|2\r\n");
    EXPECT_EQ(SnapshotLine("a|b", 4), "a|b|4\r\n");
    EXPECT_EQ(SnapshotLine("Big", 17), "Big|17\r\n");
    EXPECT_EQ(SnapshotLine("Odd", -1), "Odd|4294967295\r\n");
    EXPECT_EQ(SnapshotLine("NoStart", std::nullopt), "NoStart|\r\n");
}

TEST(SnapshotReader, TakesTheDigitsAfterTheLastBar) {
    using E = SnapshotEntry;
    EXPECT_EQ(ParseSnapshotLine("Dhcp|2"), (E{"Dhcp", 2u}));
    EXPECT_EQ(ParseSnapshotLine("a|b|4"), (E{"a|b", 4u}));
    EXPECT_EQ(ParseSnapshotLine("a|3|4"), (E{"a|3", 4u}));
    EXPECT_EQ(ParseSnapshotLine("Big|17"), (E{"Big", 17u}));
    EXPECT_EQ(ParseSnapshotLine("Max|4294967295"), (E{"Max", 4294967295u}));
    EXPECT_EQ(ParseSnapshotLine("NoStart|"), (E{"NoStart", std::nullopt}));
    EXPECT_EQ(ParseSnapshotLine("x|y|"), (E{"x|y", std::nullopt}));
    EXPECT_EQ(ParseSnapshotLine("|3"), (E{"", 3u}));
    // Not written by this program: nothing.
    EXPECT_EQ(ParseSnapshotLine("Dhcp"), std::nullopt);
    EXPECT_EQ(ParseSnapshotLine("Dhcp|x"), std::nullopt);
    EXPECT_EQ(ParseSnapshotLine("Dhcp|2 "), std::nullopt);
    EXPECT_EQ(ParseSnapshotLine("Dhcp|-1"), std::nullopt);
    EXPECT_EQ(ParseSnapshotLine("Dhcp|4294967296"), std::nullopt);
}

TEST(SnapshotReader, ReadsEveryLineTheWriterProducesAndNothingMore) {
    std::string lines;
    lines += SnapshotLine("Alpha", 2);
    lines += SnapshotLine("Pipe|Name", 3);
    lines += SnapshotLine("Boot", 0);
    lines += SnapshotLine("Wide", 12);
    lines += SnapshotLine("Gone", std::nullopt);
    const auto entries = ReadSnapshot(SnapshotFileText(lines));
    const std::vector<SnapshotEntry> expected{
        {"Alpha", 2u}, {"Pipe|Name", 3u}, {"Boot", 0u}, {"Wide", 12u}, {"Gone", std::nullopt}};
    EXPECT_EQ(entries, expected);

    EXPECT_TRUE(ReadSnapshot(SnapshotFileText("")).empty());
    EXPECT_TRUE(ReadSnapshot("").empty());
    // Blank lines are skipped, and a last line without its line end (a file
    // cut short) is left out.
    EXPECT_EQ(ReadSnapshot("A|2\r\n\r\nB|3\r\nC|4"), (std::vector<SnapshotEntry>{{"A", 2u}, {"B", 3u}}));
}

TEST_F(SnapshotFixture, FirstBuildWritesTheSnapshotInRegistryOrderThenStartsTheExport) {
    Service("Zeta", "Zeta-Dienst", "Letzter", 4);
    Service("alpha", "Alpha-Dienst", "Erster", 2);
    Service("Pipe|Key", "Rohr", "", 3);  // no visible line, but in the snapshot
    memory.SetString(kHkeyLocalMachine, ServiceKeyPath("NoStart"), "ObjectName", "LocalSystem");
    Driver("Disk", "Disk Driver", "Boot", 0);  // not a service
    Build();

    const std::string dat = SideFile("Merotan.dat");
    ASSERT_TRUE(files.files.count(dat));
    EXPECT_EQ(files.files[dat], "alpha|2\r\nNoStart|\r\nPipe|Key|3\r\nZeta|4\r\n\r\n");
    ASSERT_EQ(shell.started.size(), 1u);
    EXPECT_EQ(shell.started[0].first, kExport);
    EXPECT_EQ(shell.started[0].second, ShowStyle::MinimizedFocus);
    EXPECT_EQ(bBackups.Tag(), "1");
    // The snapshot was written before the export was started.
    EXPECT_EQ(files.log, std::vector<std::string>{"write " + dat});
}

TEST_F(SnapshotFixture, SnapshotIsAnsiAndAnEmptyListGivesCrLf) {
    Build();
    EXPECT_EQ(files.files[SideFile("Merotan.dat")], "\r\n");

    RootFixture umlaut;
    umlaut.Service("Dienstä", "Ä", "B", 3);
    test::Build(umlaut);
    EXPECT_EQ(umlaut.files.files[umlaut.SideFile("Merotan.dat")], "Dienst\xE4|3\r\n\r\n");
}

// Key names that the code page can only give as look-alikes: the whole file
// is UTF-8 after a byte order mark, each name as it is.
TEST_F(SnapshotFixture, NamesBeyondTheCodePageMakeTheSnapshotUtf8WithAMark) {
    Service("AccSvcManual", "Manuell", "m", 3);
    Service("AccSvcManual\uFF3C", "Breit", "b", 4);
    Service("AccKyr?", "Frage", "f", 3);
    Service("AccKyr\u0416", "Kyrillisch", "k", 2);
    Service("Grüße", "Umlaut", "u", 2);
    Build();
    EXPECT_EQ(files.files[SideFile("Merotan.dat")],
              "\xEF\xBB\xBF" "AccKyr?|3\r\nAccKyr\xD0\x96|2\r\nAccSvcManual|3\r\nAccSvcManual\xEF\xBC\xBC|4\r\n"
              "Gr\xC3\xBC\xC3\x9F" "e|2\r\n\r\n");
    EXPECT_EQ(SnapshotTextOfFile(codec, files.files[SideFile("Merotan.dat")]),
              "AccKyr?|3\r\nAccKyr\u0416|2\r\nAccSvcManual|3\r\nAccSvcManual\uFF3C|4\r\nGrüße|2\r\n\r\n");

    // An ANSI text that would begin with the mark's own bytes.
    RootFixture marked;
    marked.Service("\u00EF\u00BB\u00BFSvc", "x", "d", 2);
    test::Build(marked);
    EXPECT_EQ(marked.files.files[marked.SideFile("Merotan.dat")], "\xEF\xBB\xBF\xC3\xAF\xC2\xBB\xC2\xBFSvc|2\r\n\r\n");
    EXPECT_EQ(SnapshotTextOfFile(codec, "\xEF\xBB\xBF\xC3\xAF\xC2\xBB\xC2\xBFSvc|2\r\n\r\n"),
              "\u00EF\u00BB\u00BFSvc|2\r\n\r\n");
    EXPECT_EQ(SnapshotTextOfFile(codec, "Dienst\xE4|3\r\n\r\n"), "Dienstä|3\r\n\r\n");
}

TEST_F(SnapshotFixture, LaterBuildsWriteNothingAndStartNoExport) {
    Service("Svc", "Dienst", "Text", 2);
    Build();
    bErweitert.SetValue(1);
    bErweitert.SetValue(0);
    EXPECT_EQ(files.log.size(), 1u);
    EXPECT_EQ(shell.started.size(), 1u);
}

TEST_F(SnapshotFixture, UnwritableSnapshotStillExportsAndEndsTheBuild) {
    Service("Svc", "Dienst", "Text", 2);
    files.readOnly.insert(SideFile("Merotan.dat"));
    Build();
    EXPECT_FALSE(files.files.count(SideFile("Merotan.dat")));
    EXPECT_EQ(shell.started.size(), 1u);
    EXPECT_EQ(bBackups.Tag(), "1");
    EXPECT_EQ(LObjekte.ListCount(), 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SnapshotFixture, AnotherBaseNameWritesUnderItButRotatesOnlyMerotan) {
    program.baseName = "Startwart";
    files.files[SideFile("Startwart.dat")] = "old|2\r\n\r\n";
    files.files[SideFile("Startwart.reg")] = "old export";
    root.RotateSideFiles();
    EXPECT_FALSE(files.files.count(SideFile("Merotan.tmd")));
    EXPECT_FALSE(files.files.count(SideFile("Merotan.tmr")));

    Service("Svc", "Dienst", "Text", 3);
    Build();
    EXPECT_EQ(files.files[SideFile("Startwart.dat")], "Svc|3\r\n\r\n");
    EXPECT_FALSE(files.files.count(SideFile("Merotan.dat")));
    ASSERT_EQ(shell.started.size(), 1u);
    EXPECT_EQ(shell.started[0].first, "Regedit.exe /e \"C:\\Tools\\Startwart.reg\" "
                                      "\"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\"");
}

TEST_F(SnapshotFixture, RotationCopiesSnapshotThenExportThenDeletesTheBatch) {
    files.files[SideFile("Merotan.dat")] = "A|2\r\n\r\n";
    files.files[SideFile("Merotan.reg")] = "export";
    files.files[SideFile("Merotan.tmd")] = "older";
    files.files[SideFile("Merotan.bat")] = "net start x";
    root.RotateSideFiles();
    EXPECT_EQ(files.log, (std::vector<std::string>{
                             "copy " + SideFile("Merotan.dat") + " " + SideFile("Merotan.tmd"),
                             "copy " + SideFile("Merotan.reg") + " " + SideFile("Merotan.tmr"),
                             "delete " + SideFile("Merotan.bat"),
                         }));
    EXPECT_EQ(files.files[SideFile("Merotan.tmd")], "A|2\r\n\r\n");
    EXPECT_EQ(files.files[SideFile("Merotan.tmr")], "export");
    EXPECT_FALSE(files.files.count(SideFile("Merotan.bat")));
}

TEST_F(SnapshotFixture, RotationInAnEmptyFolderDoesNothingAndKeepsAnOlderPreviousSnapshot) {
    root.RotateSideFiles();
    EXPECT_TRUE(files.log.empty());

    files.files[SideFile("Merotan.tmd")] = "older|3\r\n\r\n";
    root.RotateSideFiles();
    EXPECT_EQ(files.files[SideFile("Merotan.tmd")], "older|3\r\n\r\n");
}

TEST_F(SnapshotFixture, EachFailingRotationStepIsSkippedSilently) {
    files.files[SideFile("Merotan.dat")] = "A|2\r\n\r\n";
    files.readOnly.insert(SideFile("Merotan.tmd"));  // the first copy fails
    files.files[SideFile("Merotan.reg")] = "export";
    files.folders.insert(SideFile("Merotan.bat"));  // a folder of that name cannot be deleted
    root.RotateSideFiles();
    EXPECT_FALSE(files.files.count(SideFile("Merotan.tmd")));
    EXPECT_EQ(files.files[SideFile("Merotan.tmr")], "export");
    EXPECT_EQ(files.log.back(), "delete " + SideFile("Merotan.bat"));
    EXPECT_TRUE(files.Exists(SideFile("Merotan.bat")));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SnapshotFixture, StartUpRotatesBeforeWritingTheNewSnapshot) {
    files.files[SideFile("Merotan.dat")] = "Svc|2\r\n\r\n";
    Service("Svc", "Dienst", "Text", 4);
    root.Form_Load();
    EXPECT_EQ(files.files[SideFile("Merotan.tmd")], "Svc|2\r\n\r\n");
    EXPECT_EQ(files.files[SideFile("Merotan.dat")], "Svc|4\r\n\r\n");
}

}  // namespace
}  // namespace sw::test
