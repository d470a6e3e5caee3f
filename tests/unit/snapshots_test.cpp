// The side files beside the program: the snapshot's format and how it is
// read back, the rotation at start-up, this run's snapshot and export, and
// the pairs of runs they add to the history.
#include <gtest/gtest.h>

#include <algorithm>

#include "Fakes.h"
#include "history/History.h"
#include "snapshots/SideFiles.h"
#include "snapshots/Snapshot.h"
#include "snapshots/WholeFiles.h"
#include "shared/CallerLine.h"

namespace sw::test {
namespace {

// The system's registry editor by its full path, into a temporary name.
const std::string kExport =
    "\"C:\\Windows\\regedit.exe\" /e \"C:\\Tools\\Merotan.reg.part\" "
    "\"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\"";

// The start's build and, once the window is shown, the export.
void Build(RootFixture& f) {
    f.root.GetProfile(kHkeyLocalMachine, kServicesPath);
    f.root.ReadProfile();
    f.root.Form_Shown();
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
    // A line break inside a key name must not end the line: CR, LF and the
    // escape's own backslash are escaped; no key name holds a backslash.
    EXPECT_EQ(SnapshotLine("AccCr\r\nAccSvcManual", 4), "AccCr\\r\\nAccSvcManual|4\r\n");
    EXPECT_EQ(SnapshotLine("Lf\nx|3", 2), "Lf\\nx|3|2\r\n");
    EXPECT_EQ(SnapshotLine("B\\r", 2), "B\\\\r|2\r\n");
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
    EXPECT_EQ(ParseSnapshotLine("AccCr\\r\\nAccSvcManual|4"), (E{"AccCr\r\nAccSvcManual", 4u}));
    EXPECT_EQ(ParseSnapshotLine("B\\\\r|2"), (E{"B\\r", 2u}));
    EXPECT_EQ(ParseSnapshotLine("Odd\\x\\|2"), (E{"Odd\\x\\", 2u}));  // no escape: kept
    // Not written by this program: nothing.
    EXPECT_EQ(ParseSnapshotLine("Dhcp"), std::nullopt);
    EXPECT_EQ(ParseSnapshotLine("Dhcp|x"), std::nullopt);
    EXPECT_EQ(ParseSnapshotLine("Dhcp|2 "), std::nullopt);
    EXPECT_EQ(ParseSnapshotLine("Dhcp|-1"), std::nullopt);
    EXPECT_EQ(ParseSnapshotLine("Dhcp|4294967296"), std::nullopt);
}

// The entries ForEachSnapshotEntry visits, in order.
std::vector<SnapshotEntry> EntriesOf(const std::string& text) {
    std::vector<SnapshotEntry> entries;
    ForEachSnapshotEntry(text, [&](const SnapshotEntry& entry) { entries.push_back(entry); });
    return entries;
}

TEST(SnapshotReader, ReadsEveryLineTheWriterProducesAndNothingMore) {
    std::string lines;
    lines += SnapshotLine("Alpha", 2);
    lines += SnapshotLine("Pipe|Name", 3);
    lines += SnapshotLine("Boot", 0);
    lines += SnapshotLine("Wide", 12);
    lines += SnapshotLine("Gone", std::nullopt);
    lines += SnapshotLine("AccCr\r\nAccSvcManual", 4);
    lines += SnapshotLine("\rLead|\n", 2);
    const auto entries = EntriesOf(SnapshotFileText(lines));
    const std::vector<SnapshotEntry> expected{{"Alpha", 2u},          {"Pipe|Name", 3u},
                                              {"Boot", 0u},           {"Wide", 12u},
                                              {"Gone", std::nullopt}, {"AccCr\r\nAccSvcManual", 4u},
                                              {"\rLead|\n", 2u}};
    EXPECT_EQ(entries, expected);

    EXPECT_TRUE(EntriesOf(SnapshotFileText("")).empty());
    EXPECT_TRUE(EntriesOf("").empty());
    // Blank lines are skipped, and a last line without its line end (a file
    // cut short) is left out.
    EXPECT_EQ(EntriesOf("A|2\r\n\r\nB|3\r\nC|4"), (std::vector<SnapshotEntry>{{"A", 2u}, {"B", 3u}}));
}

TEST_F(SnapshotFixture, FirstBuildWritesTheSnapshotWholeInRegistryOrderThenStartsTheExport) {
    Service("Zeta", "Zeta-Dienst", "Letzter", 4);
    Service("alpha", "Alpha-Dienst", "Erster", 2);
    Service("Pipe|Key", "Rohr", "", 3);  // no visible line, but in the snapshot
    memory.SetString(kHkeyLocalMachine, ServiceKeyPath("NoStart"), "ObjectName", "LocalSystem");
    Driver("Disk", "Disk Driver", "Boot", 0);  // not a service
    Build();

    const std::string dat = SideFile("Merotan.dat");
    ASSERT_TRUE(files.files.count(dat));
    EXPECT_EQ(files.files[dat], "alpha|2\r\nNoStart|\r\nPipe|Key|3\r\nZeta|4\r\n\r\n");
    ASSERT_EQ(shell.watched.size(), 1u);
    EXPECT_EQ(shell.watched[0].first, kExport);
    EXPECT_EQ(shell.watched[0].second, ShowStyle::MinimizedFocus);
    EXPECT_TRUE(shell.started.empty());
    EXPECT_EQ(bBackups.Tag(), "1");
    // The snapshot was written whole (under a temporary name, then moved)
    // before the export was started.
    EXPECT_EQ(files.log, std::vector<std::string>{"write whole " + dat});
    EXPECT_FALSE(files.files.count(dat + ".part"));
    EXPECT_TRUE(messages.shown.empty());
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
    EXPECT_EQ(shell.watched.size(), 1u);
}

// The user hears once that this run has no snapshot, since the next check
// would otherwise compare with an older one unawares.
void ExpectSnapshotNotWrittenMessage(RootFixture& f, const std::string& reason, Caller caller = Caller::current()) {
    CalledFrom at(caller);
    ASSERT_EQ(f.messages.shown.size(), 1u);
    const ShownMessage& shown = f.messages.shown[0];
    EXPECT_EQ(shown.title, " Tavrine Startwart");
    EXPECT_EQ(shown.flags, kMbIconExclamation);
    EXPECT_EQ(shown.text.rfind("Die Sicherung der Starttypen konnte bei diesem Programmstart nicht gespeichert werden.", 0),
              0u)
        << shown.text;
    EXPECT_NE(shown.text.find(reason + f.SideFile("Merotan.dat") + "\n"), std::string::npos) << shown.text;
    EXPECT_NE(shown.text.find("vergleicht daher mit einer älteren Sicherung"), std::string::npos) << shown.text;
}

TEST_F(SnapshotFixture, UnwritableSnapshotIsToldOnceStillExportsAndEndsTheBuild) {
    Service("Svc", "Dienst", "Text", 2);
    files.readOnly.insert(SideFile("Merotan.dat"));
    Build();
    EXPECT_FALSE(files.files.count(SideFile("Merotan.dat")));
    EXPECT_EQ(shell.watched.size(), 1u);
    EXPECT_EQ(bBackups.Tag(), "1");
    EXPECT_EQ(LObjekte.ListCount(), 1);
    ExpectSnapshotNotWrittenMessage(*this, "(Datenträger voll oder schreibgeschützt?):\n");

    bErweitert.SetValue(1);
    bErweitert.SetValue(0);
    const auto told = std::count_if(messages.shown.begin(), messages.shown.end(), [](const ShownMessage& m) {
        return m.text.find("Sicherung der Starttypen") != std::string::npos;
    });
    EXPECT_EQ(told, 1) << "told once per run";
}

TEST_F(SnapshotFixture, OnAFullDiskTheLastWholeSnapshotStaysAndNoCutFileIsLeft) {
    // The last run's snapshot was kept; this run's does not fit.
    const std::string last = "Svc|2\r\nOther|3\r\n\r\n";
    files.files[SideFile("Merotan.dat")] = last;
    files.files[SideFile("Merotan.tmd")] = last;
    Service("Svc", "Dienst", "Text", 4);
    Service("Other", "Anderer", "Text", 3);
    Service("Third", "Dritter", "Text", 3);
    // Room for the copy of the last run's snapshot, not for this run's.
    files.capacity = files.Used() + last.size() + 2;
    root.Form_Load();
    EXPECT_EQ(files.files[SideFile("Merotan.dat")], last);
    EXPECT_EQ(files.files[SideFile("Merotan.tmd")], last);
    EXPECT_FALSE(files.files.count(SideFile("Merotan.dat.part")));
    EXPECT_FALSE(files.files.count(SideFile("Merotan.tmd.part")));
    ExpectSnapshotNotWrittenMessage(*this, "(Datenträger voll oder schreibgeschützt?):\n");
}

TEST_F(SnapshotFixture, APreviousSnapshotThatCannotBeKeptLeavesTheCurrentOneAlone) {
    // The copy to ".tmd" fails, as a read-only file, a folder of that name or
    // a full disk makes it fail: ".dat" is then the only record of the last
    // run and is not overwritten.
    for (int how = 0; how < 3; ++how) {
        SCOPED_TRACE(how);
        RootFixture f;
        const std::string last = "Svc|2\r\n\r\n";
        f.files.files[f.SideFile("Merotan.dat")] = last;
        f.files.files[f.SideFile("Merotan.tmd")] = "Svc|3\r\n\r\n";
        if (how == 0) f.files.readOnly.insert(f.SideFile("Merotan.tmd"));
        if (how == 1) {
            f.files.files.erase(f.SideFile("Merotan.tmd"));
            f.files.folders.insert(f.SideFile("Merotan.tmd"));
        }
        if (how == 2) f.files.capacity = f.files.Used() + 4;
        f.Service("Svc", "Dienst", "Text", 4);
        f.root.Form_Load();
        EXPECT_EQ(f.files.files[f.SideFile("Merotan.dat")], last);
        if (how != 1) {
            EXPECT_EQ(f.files.files[f.SideFile("Merotan.tmd")], "Svc|3\r\n\r\n");
        }
        EXPECT_FALSE(f.files.files.count(f.SideFile("Merotan.tmd.part")));
        ExpectSnapshotNotWrittenMessage(f, "konnte nicht aufbewahrt werden und bleibt deshalb unverändert in\n");
        EXPECT_EQ(f.LObjekte.ListCount(), 1);
    }
}

// A plausible export of the registry editor, UTF-16LE, around the given
// ASCII lines.
std::string Utf16(const std::string& ascii) {
    std::string wide;
    for (char ch : ascii) {
        wide += ch;
        wide += '\0';
    }
    return wide;
}
std::string WholeExport(const std::string& body) {
    return "\xFF\xFE" + Utf16("Windows Registry Editor Version 5.00\r\n\r\n"
                              "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services]\r\n\r\n" +
                              body + "\r\n\r\n");
}

TEST(WholeFiles, TellAWholeSnapshotOrExportFromACutOne) {
    EXPECT_TRUE(IsWholeSnapshot("\r\n"));
    EXPECT_TRUE(IsWholeSnapshot("A|2\r\n\r\n"));
    EXPECT_FALSE(IsWholeSnapshot(""));
    EXPECT_FALSE(IsWholeSnapshot("A|2\r\n"));
    EXPECT_FALSE(IsWholeSnapshot("A|2\r\nB|"));
    EXPECT_FALSE(IsWholeSnapshot("A|2\r\n\r"));

    const std::string whole = WholeExport("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\A]\r\n"
                                          "\"Start\"=dword:00000002");
    EXPECT_TRUE(IsWholeExport(whole));
    EXPECT_TRUE(IsWholeExport(WholeExport("")));
    // Cut anywhere before its end, it is no whole export, except just after
    // the empty line that ends each key: there the format cannot tell.
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        const std::string part = whole.substr(0, cut);
        const bool afterAKey = part.size() >= 8 && part.substr(part.size() - 8) == Utf16("\r\n\r\n");
        if (!afterAKey) {
            EXPECT_FALSE(IsWholeExport(part)) << cut;
        }
    }
    // Cut just after a line of a key's values: ends in one line end only.
    EXPECT_FALSE(IsWholeExport(whole.substr(0, whole.size() - 4)));
    EXPECT_FALSE(IsWholeExport(whole.substr(2)));                  // no byte-order mark
    EXPECT_FALSE(IsWholeExport("REGEDIT4\r\n\r\n[HKEY_X]\r\n\r\n"));  // not the editor's Unicode export
    EXPECT_FALSE(IsWholeExport(whole + '\0'));                      // odd length
}

TEST_F(SnapshotFixture, AWholeExportReplacesTheLastOneOnlyAfterItsEditorEndedWell) {
    Service("Svc", "Dienst", "Text", 3);
    const std::string reg = SideFile("Merotan.reg"), part = SideFile("Merotan.reg.part");
    const std::string last = WholeExport("last run");
    files.files[reg] = last;
    root.sideFiles.Rotate();
    EXPECT_EQ(files.files[SideFile("Merotan.tmr")], last);
    Build();
    ASSERT_EQ(shell.watched.size(), 1u);
    EXPECT_EQ(files.files[reg], last) << "untouched while the export runs";

    // Ended well and whole: moved into place.
    files.files[part] = WholeExport("this run");
    shell.EndWatched(0u);
    EXPECT_EQ(files.files[reg], WholeExport("this run"));
    EXPECT_FALSE(files.files.count(part));
    EXPECT_EQ(files.log.back(), "move " + part + " " + reg);

    // Cut short (a full disk: the editor still ends with 0), ended with an
    // error, or its end unknown: removed, and the last export stays.
    const std::string cut = WholeExport("this run").substr(0, 40);
    const std::vector<std::pair<std::string, std::optional<std::uint32_t>>> failures{
        {cut, 0u}, {WholeExport("x"), 1u}, {WholeExport("x"), std::nullopt}, {"", 0u}};
    for (const auto& [bytes, exitCode] : failures) {
        RootFixture f;
        f.files.files[f.SideFile("Merotan.reg")] = last;
        test::Build(f);
        f.files.files[f.SideFile("Merotan.reg.part")] = bytes;
        f.shell.EndWatched(exitCode);
        EXPECT_EQ(f.files.files[f.SideFile("Merotan.reg")], last);
        EXPECT_FALSE(f.files.files.count(f.SideFile("Merotan.reg.part")));
    }
}

TEST_F(SnapshotFixture, AnExportWhosePreviousCopyCannotBeKeptIsNotRedone) {
    Service("Svc", "Dienst", "Text", 3);
    const std::string last = WholeExport("last run");
    files.files[SideFile("Merotan.reg")] = last;
    files.readOnly.insert(SideFile("Merotan.tmr"));
    root.Form_Load();
    root.Form_Shown();
    EXPECT_TRUE(shell.watched.empty());
    EXPECT_EQ(files.files[SideFile("Merotan.reg")], last);
    // The snapshot does not depend on the export.
    EXPECT_EQ(files.files[SideFile("Merotan.dat")], "Svc|3\r\n\r\n");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SnapshotFixture, TheExportStartsOnceTheWindowIsShownAfterTheSnapshot) {
    Service("Svc", "Dienst", "Text", 3);
    root.Form_Load();
    EXPECT_EQ(files.files[SideFile("Merotan.dat")], "Svc|3\r\n\r\n");
    EXPECT_TRUE(shell.watched.empty()) << "the registry editor must not delay the window";
    root.Form_Shown();
    ASSERT_EQ(shell.watched.size(), 1u);
    EXPECT_EQ(shell.watched[0].first, kExport);
    // The Services key is watched from before the export began.
    EXPECT_EQ(registryWatch.startedOn, kServicesPath);
    EXPECT_EQ(registryWatch.watchedBeforeStart, 0u);
    root.Form_Shown();
    root.ReadProfile();
    root.Form_Shown();
    EXPECT_EQ(shell.watched.size(), 1u) << "one export per run";

    // The changes window's comparison takes an export that has ended as it
    // begins; only a whole one, with nothing changed since, stands for the
    // registry.
    EXPECT_FALSE(root.servicesWatch.BeginComparison()) << "still running";
    files.files[SideFile("Merotan.reg.part")] = WholeExport("this run");
    shell.finishExitCode = 0u;
    EXPECT_TRUE(root.servicesWatch.BeginComparison());
    registryWatch.changed = true;
    EXPECT_FALSE(root.servicesWatch.BeginComparison());
}

TEST_F(SnapshotFixture, ShutDownPutsAnEndedExportInPlaceAndWaitsForNone) {
    Service("Svc", "Dienst", "Text", 3);
    Build();
    files.files[SideFile("Merotan.reg.part")] = WholeExport("late");
    shell.finishExitCode = 0u;
    root.Form_QueryUnload();
    EXPECT_EQ(shell.finishWaits, std::vector<double>{0.0});
    EXPECT_EQ(files.files[SideFile("Merotan.reg")], WholeExport("late"));

    // Still running at the close: left alone, and the next start removes it.
    RootFixture cancel;
    test::Build(cancel);
    const std::string before = cancel.files.files[cancel.SideFile("Merotan.reg")];
    cancel.files.files[cancel.SideFile("Merotan.reg.part")] = WholeExport("half");
    EXPECT_THROW(cancel.root.bAbbrechen_Click(), ProgramEnded);
    EXPECT_EQ(cancel.shell.finishWaits, std::vector<double>{0.0});
    EXPECT_EQ(cancel.files.files[cancel.SideFile("Merotan.reg")], before);
    EXPECT_TRUE(cancel.files.Exists(cancel.SideFile("Merotan.reg.part")));
}

TEST_F(SnapshotFixture, ARenamedProgramRotatesWritesAndChecksUnderItsOwnName) {
    program.baseName = "Startwart";
    files.files[SideFile("Startwart.dat")] = "Svc|2\r\n\r\n";
    files.files[SideFile("Startwart.reg")] = WholeExport("old");
    files.files[SideFile("Merotan.dat")] = "Merotan|4\r\n\r\n";  // another program's, left alone
    files.files[SideFile("Merotan.bat")] = "@echo off\r\n";
    Service("Svc", "Dienst", "Text", 3);
    root.Form_Load();
    root.Form_Shown();
    EXPECT_EQ(files.files[SideFile("Startwart.tmd")], "Svc|2\r\n\r\n");
    EXPECT_EQ(files.files[SideFile("Startwart.tmr")], WholeExport("old"));
    EXPECT_EQ(files.files[SideFile("Startwart.dat")], "Svc|3\r\n\r\n");
    EXPECT_FALSE(files.files.count(SideFile("Merotan.tmd")));
    EXPECT_EQ(files.files[SideFile("Merotan.dat")], "Merotan|4\r\n\r\n");
    EXPECT_FALSE(files.files.count(SideFile("Merotan.bat"))) << "the batch file keeps its fixed name";
    ASSERT_EQ(shell.watched.size(), 1u);
    EXPECT_EQ(shell.watched[0].first, "\"C:\\Windows\\regedit.exe\" /e \"C:\\Tools\\Startwart.reg.part\" "
                                      "\"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\"");
    files.files[SideFile("Startwart.reg.part")] = WholeExport("new");
    shell.EndWatched(0u);
    EXPECT_EQ(files.files[SideFile("Startwart.reg")], WholeExport("new"));

    // The check compares with this name's previous snapshot.
    messages.answers = {kAnswerOk};
    root.bChecker_Click();
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().text.find("Gesucht wurde"), std::string::npos) << messages.shown.back().text;
    EXPECT_NE(messages.shown.back().text.find("Die Unterschiede"), std::string::npos) << messages.shown.back().text;
}

TEST_F(SnapshotFixture, RotationCopiesWholeFilesThenRemovesLeftoversAndTheBatch) {
    const std::string reg = WholeExport("export");
    files.files[SideFile("Merotan.dat")] = "A|2\r\n\r\n";
    files.files[SideFile("Merotan.reg")] = reg;
    files.files[SideFile("Merotan.tmd")] = "older|3\r\n\r\n";
    files.files[SideFile("Merotan.reg.part")] = "an export whose end was never seen";
    files.files[SideFile("Merotan.bat")] = "net start x";
    SideFiles(files, shell, program).Rotate();
    EXPECT_EQ(files.log, (std::vector<std::string>{
                             "write whole " + SideFile("Merotan.tmd"),
                             "write whole " + SideFile("Merotan.tmr"),
                             "delete " + SideFile("Merotan.reg.part"),
                             "delete " + SideFile("Merotan.bat"),
                         }));
    EXPECT_EQ(files.files[SideFile("Merotan.tmd")], "A|2\r\n\r\n");
    EXPECT_EQ(files.files[SideFile("Merotan.tmr")], reg);
    EXPECT_EQ(files.files[SideFile("Merotan.dat")], "A|2\r\n\r\n");
    EXPECT_FALSE(files.files.count(SideFile("Merotan.reg.part")));
    EXPECT_FALSE(files.files.count(SideFile("Merotan.bat")));
}

TEST_F(SnapshotFixture, ACutSnapshotOrExportNeverReplacesTheWholePreviousOne) {
    const std::string previous = "A|2\r\nB|3\r\n\r\n";
    const std::string previousExport = WholeExport("previous");
    files.files[SideFile("Merotan.tmd")] = previous;
    files.files[SideFile("Merotan.tmr")] = previousExport;
    files.files[SideFile("Merotan.dat")] = "A|4\r\nB|";  // cut in the middle of a line
    files.files[SideFile("Merotan.reg")] = WholeExport("cut").substr(0, 60);
    Service("A", "Alpha", "Text", 4);
    root.Form_Load();
    root.Form_Shown();
    EXPECT_EQ(files.files[SideFile("Merotan.tmd")], previous);
    EXPECT_EQ(files.files[SideFile("Merotan.tmr")], previousExport);
    // A cut file is no record: this run's whole one replaces it.
    EXPECT_EQ(files.files[SideFile("Merotan.dat")], "A|4\r\n\r\n");
    EXPECT_EQ(shell.watched.size(), 1u);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SnapshotFixture, RotationInAnEmptyFolderDoesNothingAndKeepsAnOlderPreviousSnapshot) {
    SideFiles(files, shell, program).Rotate();
    EXPECT_TRUE(files.log.empty());

    files.files[SideFile("Merotan.tmd")] = "older|3\r\n\r\n";
    SideFiles(files, shell, program).Rotate();
    EXPECT_EQ(files.files[SideFile("Merotan.tmd")], "older|3\r\n\r\n");
}

TEST_F(SnapshotFixture, AFailingRotationStepIsSkippedAndTheNextOneRuns) {
    files.files[SideFile("Merotan.dat")] = "A|2\r\n\r\n";
    files.readOnly.insert(SideFile("Merotan.tmd"));  // the first copy fails
    files.files[SideFile("Merotan.reg")] = WholeExport("export");
    files.folders.insert(SideFile("Merotan.bat"));  // a folder of that name cannot be deleted
    SideFiles(files, shell, program).Rotate();
    EXPECT_FALSE(files.files.count(SideFile("Merotan.tmd")));
    EXPECT_EQ(files.files[SideFile("Merotan.tmr")], WholeExport("export"));
    EXPECT_EQ(files.log.back(), "delete " + SideFile("Merotan.bat"));
    EXPECT_TRUE(files.Exists(SideFile("Merotan.bat")));
}

TEST_F(SnapshotFixture, StartUpRotatesBeforeWritingTheNewSnapshot) {
    files.files[SideFile("Merotan.dat")] = "Svc|2\r\n\r\n";
    Service("Svc", "Dienst", "Text", 4);
    root.Form_Load();
    EXPECT_EQ(files.files[SideFile("Merotan.tmd")], "Svc|2\r\n\r\n");
    EXPECT_EQ(files.files[SideFile("Merotan.dat")], "Svc|4\r\n\r\n");
}

// An export whose one entry has this start type.
std::string ExportWithStart(int start) {
    return WholeExport("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Svc]\r\n\"Start\"=dword:0000000" +
                       std::to_string(start));
}

struct HistoryFixture : SnapshotFixture {
    const std::string part = SideFile("Merotan.reg.part");
    const std::string history = SideFile("Merotan-Verlauf.dat");
    static LocalTime Day(int day) { return {{2026, 12, day}, 8, 0, day}; }
    // One run: the rotation, the export written at that day, and its end
    // seen or not (the window closed before it ended). What it had to say
    // about the history.
    std::string Run(int start, int day, bool endSeen = true) {
        SideFiles run(files, shell, program);
        run.Rotate();
        run.StartExport();
        files.files[part] = ExportWithStart(start);
        files.times[part] = Day(day);
        if (endSeen) shell.EndWatched(0u);
        return run.HistoryProblems();
    }
    // The pairs' days and the start types each found, "1-2:2>3".
    std::vector<std::string> Pairs() {
        const History read = ReadHistory(files.files[history]);
        EXPECT_EQ(read.damage, "");
        std::vector<std::string> out;
        for (const HistoryPair& pair : read.pairs) {
            std::string text = std::to_string(pair.from.date.day) + "-" + std::to_string(pair.to.date.day) + ":";
            for (const HistoryRecord& record : pair.records)
                text += std::to_string(record.before->data[0]) + ">" + std::to_string(record.after->data[0]);
            out.push_back(text);
        }
        return out;
    }
};

TEST_F(HistoryFixture, EveryPairOfRunsIsRecordedOnceAlsoWhenTheWindowClosedBeforeItsExportEnded) {
    EXPECT_EQ(Run(2, 1), "");
    EXPECT_FALSE(files.Exists(history)) << "the first run has no pair";
    EXPECT_EQ(Run(3, 2, false), "");
    EXPECT_EQ(Run(4, 3), "");
    // The second run's export was taken by the third start and made current.
    EXPECT_EQ(Pairs(), (std::vector<std::string>{"1-2:2>3", "2-3:3>4"}));
    EXPECT_EQ(files.files[SideFile("Merotan.reg")], ExportWithStart(4));

    // A run killed after recording, before its export moved: the next start
    // finds the pair recorded already and only makes the export current.
    files.files[part] = ExportWithStart(4);
    files.files[SideFile("Merotan.reg")] = ExportWithStart(3);
    files.times[SideFile("Merotan.reg")] = Day(2);
    files.times[part] = Day(3);
    EXPECT_EQ(Run(2, 4), "");
    EXPECT_EQ(Pairs(), (std::vector<std::string>{"1-2:2>3", "2-3:3>4", "3-4:4>2"}));

    // An export still held open by a registry editor is left alone: no pair.
    Run(3, 5, false);
    files.held.insert(part);
    Run(4, 6, false);
    EXPECT_EQ(Pairs().size(), 3u);
}

TEST_F(HistoryFixture, ARunWithoutAWholeExportRecordsNothingAndSaysSo) {
    Run(2, 1);
    SideFiles run(files, shell, program);
    std::vector<std::string> told;
    run.TellProblemsTo([&](const std::string& text) { told.push_back(text); });
    run.Rotate();
    run.StartExport();
    files.files[part] = ExportWithStart(3).substr(0, 100);
    shell.EndWatched(0u);
    EXPECT_FALSE(files.Exists(history));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("nicht vollständig geschrieben"), std::string::npos) << told[0];
    EXPECT_NE(run.HistoryProblems().find("Verlauf der Änderungen wurde bei diesem Programmstart nicht"),
              std::string::npos);
}

// The comparison of a left-over export with the last one waits until the
// window has been shown, so that it does not delay the first paint.
TEST_F(HistoryFixture, TheWindowRecordsALeftOverExportOnceItIsShown) {
    Run(2, 1);
    Run(3, 2, false);
    Service("A", "Alpha", "Text", 4);
    root.Form_Load();
    EXPECT_FALSE(files.Exists(history));
    EXPECT_EQ(files.files[part], ExportWithStart(3));
    Build();
    EXPECT_EQ(Pairs(), (std::vector<std::string>{"1-2:2>3"}));
    EXPECT_EQ(files.files[SideFile("Merotan.tmr")], ExportWithStart(3));
    EXPECT_EQ(shell.watched.size(), 3u) << "this run's export starts after it";
}

// A left-over export whose pair cannot be recorded is dropped as before: the
// next pair spans both steps, so no change is lost, only a run's boundary.
TEST_F(HistoryFixture, ALeftOverExportWhosePairCannotBeRecordedGivesWayToAPairOverBothSteps) {
    Run(2, 1);
    Run(3, 2, false);
    files.readOnly.insert(history);
    EXPECT_NE(Run(4, 3, false).find("nicht geschrieben werden"), std::string::npos);
    EXPECT_EQ(files.files[SideFile("Merotan.reg")], ExportWithStart(2)) << "the dropped export never became current";
    files.readOnly.clear();
    EXPECT_EQ(Run(5, 4), "");
    EXPECT_EQ(Pairs(), (std::vector<std::string>{"1-3:2>4", "3-4:4>5"}));
}

// The window tells it as it tells the snapshot not written; a closing
// window tells nothing, so that no message box keeps the program alive.
TEST_F(HistoryFixture, TheWindowTellsAnExportCutShortButNotWhileItCloses) {
    Service("A", "Alpha", "Text", 4);
    root.Form_Load();
    Build();
    files.files[part] = ExportWithStart(3).substr(0, 100);
    shell.EndWatched(0u);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("Export der Dienste ist nicht vollständig"), std::string::npos);
    EXPECT_NE(messages.shown[0].text.find("Verlauf der Änderungen wurde bei diesem Programmstart nicht"),
              std::string::npos);

    RootFixture closing;
    closing.Service("A", "Alpha", "Text", 4);
    closing.root.Form_Load();
    test::Build(closing);
    closing.files.files[part] = ExportWithStart(3).substr(0, 100);
    closing.shell.finishExitCode = 0;
    closing.root.Form_QueryUnload();
    EXPECT_FALSE(closing.files.Exists(part));
    EXPECT_TRUE(closing.messages.shown.empty());
}

TEST_F(HistoryFixture, AFullDiskCutsOnlyTheRecordBeingWrittenAndTheNextAppendReadsOn) {
    Run(2, 1);
    Run(3, 2);
    const std::string whole = files.files[history];
    files.capacity = files.Used() + ExportWithStart(4).size() + 20;  // the export fits, the pair does not
    EXPECT_NE(Run(4, 3).find("Datenträger voll"), std::string::npos);
    EXPECT_GT(files.files[history].size(), whole.size()) << "a cut pair stands at the end";
    EXPECT_EQ(ReadHistory(files.files[history]).pairs.size(), 1u);
    files.capacity.reset();
    EXPECT_EQ(Run(5, 4), "");
    EXPECT_EQ(Pairs(), (std::vector<std::string>{"1-2:2>3", "3-4:4>5"}));
}

}  // namespace
}  // namespace sw::test
