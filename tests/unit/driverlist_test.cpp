// Building the driver view: every entry with a display name, its key name and
// its group, straight from the registry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "unit/Fakes.h"

namespace sw::test {
namespace {

using ::testing::ElementsAre;

class DriverListTest : public ::testing::Test {
protected:
    // The driver view is the one that is active while GetServices builds it.
    DriverListTest() { f.bErweitert.value = 1; }
    bool Build() { return f.root.GetServices(kHkeyLocalMachine, kServicesPath); }
    std::string Path(const std::string& key) { return ServiceKeyPath(key); }
    RootFixture f;
};

TEST_F(DriverListTest, ListsEveryEntryWithADisplayNameSortedWithKeyAndGroup) {
    f.Driver("Tcpip", "TCP/IP Protocol Driver", "PNP_TDI", 1);
    f.Service("Spooler", "Druckwarteschlange", "Druckt", 2);  // a service with a display name
    f.Driver("NoGroup", "Ohne Gruppe", "", 3);                // no "Group" value
    f.Driver("EmptyGroup", "Leere Gruppe", "", 0);
    f.memory.SetString(kHkeyLocalMachine, Path("EmptyGroup"), "Group", "");
    f.memory.SetDword(kHkeyLocalMachine, Path("Nameless"), "Start", 1);  // no "DisplayName"
    EXPECT_TRUE(Build());
    EXPECT_THAT(f.LObjekte.lines, ElementsAre("Druckwarteschlange\tSpooler\t(none)", "Leere Gruppe\tEmptyGroup\t(none)",
                                              "Ohne Gruppe\tNoGroup\t(none)", "TCP/IP Protocol Driver\tTcpip\tPNP_TDI"));
    EXPECT_EQ(f.LObjekte.tabStops, std::make_pair(170, 275));
    EXPECT_EQ(f.LObjekte.ListIndex(), 0);
    EXPECT_EQ(f.bStartCaption.Caption(), "Startvorgang: Automatisch");
    EXPECT_THAT(f.LProfile.lines, ::testing::IsEmpty()) << "the driver view leaves LProfile alone";
}

TEST_F(DriverListTest, IndirectDisplayNamesAreShownResolvedAndSortByTheirResolution) {
    f.Driver("Tcpip", "@%SystemRoot%\\system32\\tcpipreg.sys,-10000", "PNP_TDI", 1);
    f.memory.SetRaw(kHkeyLocalMachine, Path("Tcpip"), "DisplayName", kRegExpandSz,
                    std::string("@%SystemRoot%\\system32\\tcpipreg.sys,-10000") + '\0');
    f.Driver("Beep", "Beep", "Base", 1);
    f.Driver("gone", "@C:\\fehlt.sys,-3", "", 3);
    f.memory.SetIndirect("@%SystemRoot%\\system32\\tcpipreg.sys,-10000", "Aaa TCP/IP-Protokolltreiber");
    EXPECT_TRUE(Build());
    EXPECT_THAT(f.LObjekte.lines, ElementsAre("@C:\\fehlt.sys,-3\tgone\t(none)", "Aaa TCP/IP-Protokolltreiber\tTcpip\tPNP_TDI",
                                              "Beep\tBeep\tBase"));
}

// A TAB in a display name, key name or group is a blank in the line; the
// key goes beside it, and the status reads that key.
TEST_F(DriverListTest, TabsInAnyTextAreBlanksAndTheKeyGoesBesideTheLine) {
    f.Driver("AccDrvGroup", "Acc Treiber Gruppe", "", 1);
    f.Driver("AccDrvTab", "Harmlos\tAccDrvGroup", "G\r\n1", 4);
    f.Driver("AccTab\tAccSvcAuto", "Tab im Schl\u00fcssel", "", 3);
    EXPECT_TRUE(Build());
    EXPECT_THAT(f.LObjekte.lines,
                ElementsAre("Acc Treiber Gruppe\tAccDrvGroup\t(none)", "Harmlos AccDrvGroup\tAccDrvTab\tG  1",
                            "Tab im Schl\u00fcssel\tAccTab AccSvcAuto\t(none)"));
    EXPECT_THAT(f.LObjekte.keys, ElementsAre("AccDrvGroup", "AccDrvTab", "AccTab\tAccSvcAuto"));
    f.LObjekte.SetListIndex(1);
    EXPECT_EQ(f.bStartCaption.Caption(), "Startvorgang: Deaktiviert");
}

// One open of each entry's key for both values (and one of the Services key
// to list them, one for the first line's start type).
TEST_F(DriverListTest, EachEntryKeyIsOpenedOnce) {
    f.Driver("Tcpip", "TCP/IP Protocol Driver", "PNP_TDI", 1);
    f.Driver("NoGroup", "Ohne Gruppe", "", 3);
    f.memory.SetDword(kHkeyLocalMachine, Path("Nameless"), "Start", 1);
    const auto opens = f.memory.OpenCallCount();
    EXPECT_TRUE(Build());
    EXPECT_EQ(f.memory.OpenCallCount() - opens, 1u + 3u + 1u);
    EXPECT_EQ(f.memory.OpenHandleCount(), 0u);
}

TEST_F(DriverListTest, LongDisplayNamesKeep38CharactersAndDots) {
    const std::string n39(39, 'a'), n40(40, 'b'), n50(50, 'c');
    f.Driver("k39", n39, "G", 1);
    f.Driver("k40", n40, "G", 1);
    f.Driver("k50", n50, "G", 1);
    Build();
    EXPECT_THAT(f.LObjekte.lines, ElementsAre(n39 + "\tk39\tG", std::string(38, 'b') + "...\tk40\tG",
                                              std::string(38, 'c') + "...\tk50\tG"));
    EXPECT_EQ(f.LObjekte.lines[1].find('\t'), 41u);
}

TEST_F(DriverListTest, TextsAreCutAtTheirNulOrKeepTheBlankOfAReadWithoutOne) {
    f.Driver("empty", "x", "G", 1);
    f.memory.SetRaw(kHkeyLocalMachine, Path("empty"), "DisplayName", kRegSz, std::string(1, '\0'));
    f.Driver("nonul", "x", "x", 1);
    f.memory.SetRaw(kHkeyLocalMachine, Path("nonul"), "DisplayName", kRegSz, "abc");
    f.memory.SetRaw(kHkeyLocalMachine, Path("nonul"), "Group", kRegSz, "grp");
    f.Driver("number", "x", "G", 1);
    f.memory.SetDword(kHkeyLocalMachine, Path("number"), "DisplayName", 42);
    f.Driver("twonuls", "x", "G", 1);
    f.memory.SetRaw(kHkeyLocalMachine, Path("twonuls"), "DisplayName", kRegSz, std::string("vorne\0hinten\0", 13));
    Build();
    // An empty display name: the line begins with its TAB and sorts first.
    EXPECT_THAT(f.LObjekte.lines,
                ElementsAre("\tempty\tG", "42\tnumber\tG", "abc \tnonul\tgrp ", "vorne\ttwonuls\tG"));
}

// A value of a kind that reads with success but delivers nothing must not
// carry over what the read before it delivered.
TEST_F(DriverListTest, AGroupThatDeliversNothingIsNoneNotTheDisplayName) {
    f.Driver("multi", "Mehrfach", "x", 1);
    f.memory.SetRaw(kHkeyLocalMachine, Path("multi"), "Group", kRegMultiSz, std::string("a\0b\0\0", 5));
    f.Driver("after", "Zweiter", "", 1);
    Build();
    EXPECT_THAT(f.LObjekte.lines, ElementsAre("Mehrfach\tmulti\t(none)", "Zweiter\tafter\t(none)"));
}

TEST_F(DriverListTest, UnreadableKeysAreLeftOutWithoutAWord) {
    f.Driver("closed", "Verschlossen", "G", 1);
    f.memory.FindKey(kHkeyLocalMachine, Path("closed"))->denyRead = true;
    f.Driver("open", "Offen", "G", 1);
    EXPECT_TRUE(Build());
    EXPECT_THAT(f.LObjekte.lines, ElementsAre("Offen\topen\tG"));
    EXPECT_TRUE(f.messages.shown.empty());
}

TEST_F(DriverListTest, NothingListableGivesAnEmptyListAndFalse) {
    f.Service("svc", "Dienst", "d", 2);
    f.bErweitert.value = 0;
    f.root.GetProfile(kHkeyLocalMachine, kServicesPath);
    f.root.ReadProfile();
    f.bErweitert.value = 1;
    ASSERT_EQ(f.LObjekte.ListCount(), 1);
    const int clicks = f.LObjekte.clickCount;
    f.memory.FindKey(kHkeyLocalMachine, kServicesPath)->denyFull = true;  // cannot be enumerated
    EXPECT_FALSE(Build());
    EXPECT_EQ(f.LObjekte.ListCount(), 0) << "the service lines are gone all the same";
    EXPECT_EQ(f.LObjekte.ListIndex(), -1);
    EXPECT_EQ(f.LObjekte.clickCount, clicks);
    EXPECT_EQ(f.ui.pointer, kPointerDefault);
}

TEST_F(DriverListTest, EnumeratesTheGivenKeyButReadsEntriesBelowTheServicesKey) {
    f.memory.CreateKey(kHkeyCurrentUser, "Software\\Liste\\Eintrag");
    f.memory.SetString(kHkeyCurrentUser, "Software\\Liste\\Eintrag", "DisplayName", "Falscher Ort");
    f.Driver("Eintrag", "Richtiger Ort", "G", 3);
    f.Driver("Anderer", "Nicht in der Liste", "G", 3);
    EXPECT_TRUE(f.root.GetServices(kHkeyCurrentUser, "Software\\Liste"));
    EXPECT_THAT(f.LObjekte.lines, ElementsAre("Richtiger Ort\tEintrag\tG"));
}

TEST_F(DriverListTest, ShowsTheBusyPointerAndYieldsOnlyBeforeAndAfterTheLoop) {
    for (int i = 0; i < 5; ++i) f.Driver("d" + std::to_string(i), "Treiber " + std::to_string(i), "G", 1);
    std::vector<int> countsAtYield;
    f.ui.onYield = [&] { countsAtYield.push_back(f.LObjekte.ListCount()); };
    Build();
    EXPECT_THAT(f.ui.pointers, ElementsAre(kPointerArrowHourglass, kPointerDefault));
    EXPECT_THAT(countsAtYield, ElementsAre(0, 5));
    EXPECT_EQ(f.LObjekte.refreshCount, 1);
}

}  // namespace
}  // namespace sw::test
