// Building the service view from the Services key.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "snapshots/Snapshot.h"
#include "unit/Fakes.h"

namespace sw::test {
namespace {

using ::testing::ElementsAre;

class ServiceListTest : public ::testing::Test {
protected:
    void Build() {
        f.root.GetProfile(kHkeyLocalMachine, kServicesPath);
        f.root.ReadProfile();
        f.root.Form_Shown();
    }
    std::string Snapshot() { return f.files.files[f.SideFile("Merotan.dat")]; }
    std::string Path(const std::string& key) { return ServiceKeyPath(key); }
    RootFixture f;
};

TEST_F(ServiceListTest, ListsServicesSortedAndKeepsKeyNamesInRegistryOrder) {
    f.Service("zeta", "Alpha Dienst", "Erster", 2);
    f.Service("Alpha", "Zulu Dienst", "Zweiter", 3);
    f.Driver("disk", "Disk Driver", "Boot", 0);  // no ObjectName: not a service
    Build();
    EXPECT_THAT(f.LProfile.lines, ElementsAre("Alpha", "zeta"));
    EXPECT_THAT(f.LObjekte.lines, ElementsAre("Alpha Dienst\tErster\tzeta", "Zulu Dienst\tZweiter\tAlpha"));
    EXPECT_EQ(f.LObjekte.tabStops, std::make_pair(144, 400));
    EXPECT_EQ(f.LObjekte.ListIndex(), 0);
    EXPECT_EQ(f.bStartCaption.Caption(), "Startvorgang: Automatisch");
    EXPECT_TRUE(f.LProfile.enabled);
    EXPECT_EQ(f.ui.pointer, kPointerDefault);
}

TEST_F(ServiceListTest, MissingAndUnusualValuesGiveThePlaceholderOrTheirText) {
    f.Service("nodesc", "Ohne Beschreibung", "x", 2);
    f.memory.FindKey(kHkeyLocalMachine, Path("nodesc"))->values.erase(
        f.memory.FindKey(kHkeyLocalMachine, Path("nodesc"))->values.begin() + 2);  // Description
    f.Service("noname", "x", "Ohne Namen", 3);
    f.memory.FindKey(kHkeyLocalMachine, Path("noname"))->values.erase(
        f.memory.FindKey(kHkeyLocalMachine, Path("noname"))->values.begin() + 1);  // DisplayName
    f.Service("nonul", "x", "Ohne NUL", 3);
    f.memory.SetRaw(kHkeyLocalMachine, Path("nonul"), "DisplayName", kRegSz, "abc");
    f.Service("dword", "Zahl", "x", 3);
    f.memory.SetDword(kHkeyLocalMachine, Path("dword"), "Description", 5);
    f.Service("multi", "x", "Mehrfach", 3);
    f.memory.SetRaw(kHkeyLocalMachine, Path("multi"), "DisplayName", kRegMultiSz, std::string("a\0b\0\0", 5));
    Build();
    EXPECT_THAT(f.LObjekte.lines, ElementsAre(" \tMehrfach\tmulti", " \tOhne Namen\tnoname", "abc \tOhne NUL\tnonul",
                                              "Ohne Beschreibung\t \tnodesc", "Zahl\t5\tdword"));
}

// Indirect texts ("@file,-id") are shown resolved, so lines read and sort by
// what they say; one that cannot be resolved is shown as stored. The
// resolution goes through the key already open for the line.
TEST_F(ServiceListTest, IndirectTextsAreShownResolvedAndSortByTheirResolution) {
    f.Service("wuauserv", "@%SystemRoot%\\system32\\wuaueng.dll,-105", "@%SystemRoot%\\system32\\wuaueng.dll,-106", 3);
    f.memory.SetRaw(kHkeyLocalMachine, Path("wuauserv"), "Description", kRegExpandSz,
                    std::string("@%SystemRoot%\\system32\\wuaueng.dll,-106") + '\0');
    f.Service("Audio", "@C:\\res.dll,-7", "Klang", 2);
    f.Service("lost", "@C:\\fehlt.dll,-1", "Nicht auflösbar", 4);
    f.Service("Zeta", "Aaron Dienst", "Direkt", 2);
    f.memory.SetIndirect("@%SystemRoot%\\system32\\wuaueng.dll,-105", "Windows Update");
    f.memory.SetIndirect("@%SystemRoot%\\system32\\wuaueng.dll,-106", "Lädt Updates");
    f.memory.SetIndirect("@C:\\res.dll,-7", "Zzz Audio");
    Build();
    EXPECT_THAT(f.LObjekte.lines,
                ElementsAre("@C:\\fehlt.dll,-1\tNicht auflösbar\tlost", "Aaron Dienst\tDirekt\tZeta",
                            "Windows Update\tLädt Updates\twuauserv", "Zzz Audio\tKlang\tAudio"));
    // The snapshot holds key names and start types, whatever is shown.
    EXPECT_NE(Snapshot().find("wuauserv"), std::string::npos);
    EXPECT_EQ(Snapshot().find("Windows Update"), std::string::npos);
    EXPECT_EQ(f.memory.OpenHandleCount(), 0u);
}

TEST_F(ServiceListTest, EmptyDescriptionHidesTheLineButNotTheSnapshot) {
    f.Service("quiet", "Stiller Dienst", "", 4);
    f.Service("loud", "Lauter Dienst", "Hier", 2);
    Build();
    EXPECT_THAT(f.LProfile.lines, ElementsAre("loud", "quiet"));
    EXPECT_THAT(f.LObjekte.lines, ElementsAre("Lauter Dienst\tHier\tloud"));
    EXPECT_EQ(Snapshot(), "loud|2\r\nquiet|4\r\n\r\n");
}

TEST_F(ServiceListTest, LongDisplayNamesKeep37CharactersAndDots) {
    const std::string n39(39, 'a'), n40(40, 'b'), n50(50, 'c');
    f.Service("k39", n39, "d", 2);
    f.Service("k40", n40, "d", 2);
    f.Service("k50", n50, "d", 2);
    f.Service("umlaut", std::string(36, 'x') + "äöüß", "d", 2);
    Build();
    EXPECT_THAT(f.LObjekte.lines,
                ElementsAre(n39 + "\td\tk39", std::string(37, 'b') + "...\td\tk40", std::string(37, 'c') + "...\td\tk50",
                            std::string(36, 'x') + "ä...\td\tumlaut"));
}

TEST_F(ServiceListTest, SnapshotWrittenOnceWithEveryStartValueWhole) {
    f.Service("a", "A", "d", 2);
    f.Service("b", "B", "d", 4);
    f.Service("big", "Big", "d", 3);
    f.memory.SetDword(kHkeyLocalMachine, Path("big"), "Start", 70000);
    f.Service("neg", "Neg", "d", 3);
    f.memory.SetDword(kHkeyLocalMachine, Path("neg"), "Start", 0xFFFFFFFFu);
    f.Service("text", "Text", "d", 3);
    f.memory.SetString(kHkeyLocalMachine, Path("text"), "Start", "2");
    f.Service("none", "None", "d", 3);
    auto& values = f.memory.FindKey(kHkeyLocalMachine, Path("none"))->values;
    values.pop_back();  // Start
    Build();
    EXPECT_EQ(Snapshot(), "a|2\r\nb|4\r\nbig|70000\r\nneg|4294967295\r\nnone|\r\ntext|\r\n\r\n");
    ASSERT_EQ(f.shell.watched.size(), 1u);
    EXPECT_EQ(f.shell.watched[0].first, "\"C:\\Windows\\regedit.exe\" /e \"C:\\Tools\\Merotan.reg.part\" "
                                        "\"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\"");
    EXPECT_EQ(f.shell.watched[0].second, ShowStyle::MinimizedFocus);
    EXPECT_EQ(f.bBackups.Tag(), "1");

    // The run without a window gets the same snapshot from "ObjectName" and
    // "Start" alone.
    f.Driver("disk", "Disk", "Boot", 0);
    const auto queries = f.memory.QueryCallCount();
    const ServiceView starts = ListServiceStarts(f.registry, kHkeyLocalMachine, kServicesPath);
    EXPECT_EQ(SnapshotLines(starts.list.starts) + "\r\n", Snapshot()) << "the file closes with an empty line";
    EXPECT_TRUE(starts.list.lines.empty());
    EXPECT_EQ(f.memory.QueryCallCount() - queries, 6u * 2u + 1u) << "a driver costs its \"ObjectName\" only";

    f.files.files.erase(f.SideFile("Merotan.dat"));
    f.root.ReadProfile();
    EXPECT_FALSE(f.files.Exists(f.SideFile("Merotan.dat"))) << "a later build writes no snapshot";
    EXPECT_EQ(f.shell.watched.size(), 1u) << "and starts no second export";
}

// More entries than a 16-bit index counts: every one is listed and in the
// snapshot. (Names in ascending order keep the seeding quick.)
TEST_F(ServiceListTest, FortyThousandServicesAreAllListedAndInTheSnapshot) {
    constexpr int kCount = 40000;
    for (int i = 0; i < kCount; ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "S%05d", i);
        f.Service(key, key, "d", 2 + i % 3);
    }
    Build();
    ASSERT_EQ(f.LProfile.ListCount(), kCount);
    ASSERT_EQ(f.LObjekte.ListCount(), kCount);
    EXPECT_EQ(f.LObjekte.List(kCount - 1), "S39999\td\tS39999");
    EXPECT_EQ(f.LObjekte.List(32767), "S32767\td\tS32767");
    const std::string snapshot = Snapshot();
    std::size_t lines = 0;
    for (std::size_t at = snapshot.find("\r\n"); at != std::string::npos; at = snapshot.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, kCount + 1u) << "a line per service and the closing line end";
    EXPECT_NE(snapshot.find("\r\nS32768|4\r\n"), std::string::npos);
    EXPECT_TRUE(snapshot.ends_with("\r\nS39999|2\r\n\r\n"));
}

// The build reads each service's three values through one open of its key.
TEST_F(ServiceListTest, EachEntryIsOpenedOnceForTheStartAndEachServiceOnceForALaterBuild) {
    for (const char* key : {"a", "b", "c", "d"}) f.Service(key, std::string("Dienst ") + key, "d", 3);
    f.Driver("disk", "Disk", "Boot", 0);
    f.memory.SetString(kHkeyLocalMachine, Path("b"), "Description", std::string(3000, 'x'));  // beyond the first buffer
    // The start: the listing and the lines through one open per entry; a
    // driver costs its "ObjectName" query only. Selecting the first line
    // reads its start type: one more open and query.
    f.root.GetProfile(kHkeyLocalMachine, kServicesPath);
    f.root.ReadProfile();
    EXPECT_EQ(f.memory.OpenCallCount(), 1u + 5u + 1u) << "the listing, each entry, the selected line";
    EXPECT_EQ(f.memory.QueryCallCount(), 5u + 4u * 3u + 2u + 1u) << "one query a value, two more for the long one";
    EXPECT_EQ(f.LObjekte.ListCount(), 4);

    // A later build (back from the driver view) reads the services anew.
    f.memory.SetString(kHkeyLocalMachine, Path("c"), "DisplayName", "Dienst neu");
    const auto opens = f.memory.OpenCallCount();
    f.root.ReadProfile();
    EXPECT_EQ(f.memory.OpenCallCount() - opens, 4u + 1u);
    EXPECT_THAT(f.LObjekte.lines, ::testing::Contains(::testing::HasSubstr("Dienst neu")));
    EXPECT_EQ(f.memory.OpenHandleCount(), 0u);
}

TEST_F(ServiceListTest, NoServicesIsNoFailure) {
    f.Driver("disk", "Disk", "Boot", 0);
    EXPECT_TRUE(f.root.GetProfile(kHkeyLocalMachine, kServicesPath)) << "a subkey exists";
    f.root.ReadProfile();
    EXPECT_TRUE(f.LProfile.lines.empty());
    EXPECT_TRUE(f.LObjekte.lines.empty());
    EXPECT_EQ(f.LObjekte.ListIndex(), -1);
    EXPECT_EQ(Snapshot(), "\r\n");
}

TEST_F(ServiceListTest, UnlistableServicesKeyCountsAsNothing) {
    f.Service("a", "A", "d", 2);
    f.memory.CreateKey(kHkeyLocalMachine, kServicesPath).denyFull = true;
    EXPECT_FALSE(f.root.GetProfile(kHkeyLocalMachine, kServicesPath));
    MemoryRegistry empty;
    Registry emptyRegistry(empty, f.codec);
    RootServices emptyServices{emptyRegistry, f.files, f.shell, f.clock, f.messages, f.ui, f.program};
    Root emptyRoot(f.controls, emptyServices);
    EXPECT_FALSE(emptyRoot.GetProfile(kHkeyLocalMachine, kServicesPath));
}

TEST_F(ServiceListTest, UnreadableEntriesAreNoServices) {
    f.Service("open", "Offen", "d", 2);
    f.Service("closed", "Zu", "d", 2);
    f.memory.FindKey(kHkeyLocalMachine, Path("closed"))->denyRead = true;
    Build();
    EXPECT_THAT(f.LProfile.lines, ElementsAre("open"));
    EXPECT_EQ(f.memory.OpenHandleCount(), 0u);
}

// A TAB, CR or LF in any text (a resolved one and the key name included) is
// a blank in the line, so that no text moves a field; the key goes with the
// line as it is, and each of these entries is selected by its own key.
TEST_F(ServiceListTest, TabsAndLineBreaksInAnyTextAreBlanksAndTheKeyGoesBesideTheLine) {
    f.Service("tab", "Mit\tTab", "Zeile\r\nzwei", 2);
    f.Service("AccEvilName", "Harmlos\tx\tAccSvcAuto", "Gut", 4);
    f.Service("AccTab\tAccSvcAuto", "Schl\u00fcssel", "mit\tTAB", 3);
    f.Service("AccSvcAuto", "Auto", "Plain", 2);
    f.Service("AccInd", "@C:\\x.dll,-1", "Indirekt", 3);
    f.memory.SetIndirect("@C:\\x.dll,-1", "Auf\tgel\u00f6st");
    Build();
    EXPECT_THAT(f.LObjekte.lines,
                ElementsAre("Auf gel\u00f6st\tIndirekt\tAccInd", "Auto\tPlain\tAccSvcAuto",
                            "Harmlos x AccSvcAuto\tGut\tAccEvilName", "Mit Tab\tZeile  zwei\ttab",
                            "Schl\u00fcssel\tmit TAB\tAccTab AccSvcAuto"));
    EXPECT_THAT(f.LObjekte.keys, ElementsAre("AccInd", "AccSvcAuto", "AccEvilName", "tab", "AccTab\tAccSvcAuto"));
    f.LObjekte.SetListIndex(2);
    EXPECT_EQ(f.bStartCaption.Caption(), "Startvorgang: Deaktiviert");
    f.LObjekte.SetListIndex(4);
    EXPECT_EQ(f.bStartCaption.Caption(), "Startvorgang: Manuell");
}

TEST_F(ServiceListTest, ReturningToTheServiceViewUsesTheKeysCollectedAtStart) {
    f.Service("a", "A", "d", 2);
    Build();
    f.Service("late", "Neu", "d", 2);
    f.memory.DeleteKey(kHkeyLocalMachine, Path("a"));
    f.root.ReadProfile();
    EXPECT_THAT(f.LObjekte.lines, ElementsAre(" \t \ta"));
}

}  // namespace
}  // namespace sw::test

namespace sw::test {
namespace {

// The fake list's batch fill must give the order of one-by-one insertion,
// or the tests above would check the wrong order.
TEST(FakeListBoxTest, BatchFillKeepsTheOrderOfSingleInsertion) {
    const std::vector<std::string> batch{"b", "A", "a", "B", " x", "\ty", "a", "c"};
    FakeListBox one(true), many(true);
    one.AddItem("a", "0");
    many.AddItem("a", "0");
    std::vector<ListItem> items;
    for (const auto& line : batch) {
        items.push_back(ListItem{line, std::to_string(items.size() + 1)});
        one.AddItem(line, items.back().key);
    }
    many.AddItems(items);
    EXPECT_EQ(one.lines, many.lines);
    EXPECT_EQ(one.keys, many.keys);
}

}  // namespace
}  // namespace sw::test
