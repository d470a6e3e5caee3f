// The start-type check: which differences it reports, in which order and
// words, and the window's state around it.
#include <gtest/gtest.h>

#include "FakePrinter.h"
#include "catalogue/Lines.h"

namespace sw::test {
namespace {

const std::string kTitle = " Überprüfung durchführen";
const std::string kQuestion =
    "Überprüfen der Starttyp-Einträge mit der Sicherung vom letzten Vorgang.    \n"
    "Die Starttyp-Option legt den Ladevorgang der Dienste u. Treiber fest.\n"
    "Tuning-Programme oder Viren können diese Optionen verändern.\n"
    "Überprüfen Sie bei Problemen die korrekte Konfigurierung.";
const std::string kNoDifferences =
    "Zwischen den alten und neuen Einstellungen konnten keine Unterschiede gefunden werden.    ";

std::string Diff(const std::string& display, const std::string& before, const std::string& now) {
    return display + ", Starttyp vorher: " + before + ", Starttyp jetzt: " + now + "\n\r";
}

struct Check : ::testing::Test, PrintingFixture {
    void Previous(const std::string& bytes) { files.files[SideFile("Merotan.tmd")] = bytes; }
    void SetStart(const std::string& key, std::uint32_t start) {
        memory.SetDword(kHkeyLocalMachine, ServiceKeyPath(key), "Start", start);
    }
};

TEST_F(Check, PrintsExactlyTheChangedServicesInSnapshotOrderAsOneDocument) {
    Service("Zeta", "Zeta-Dienst", "z", 2);
    Service("Alpha", "Alpha-Dienst", "a", 3);
    Service("Pipe|Key", "Rohr-Dienst", "p", 4);
    Service("Same", "Gleich", "s", 3);
    Service("Long", "Ein sehr langer Anzeigename eines Dienstes, gekuerzt", "l", 2);
    Build();
    Previous("Zeta|4\r\nSame|3\r\nAlpha|2\r\nPipe|Key|4\r\nLong|4\r\nGone|2\r\n\r\n");
    SetStart("Pipe|Key", 2);

    root.bChecker_Click();
    const std::string report = Diff("Zeta-Dienst", "Deaktiviert", "Automatisch") +
                               Diff("Alpha-Dienst", "Automatisch", "Manuell") +
                               Diff("Rohr-Dienst", "Deaktiviert", "Automatisch") +
                               Diff("Ein sehr langer Anzeigename eines Die...", "Deaktiviert", "Automatisch");
    EXPECT_EQ(printers.log, (std::vector<std::string>{"line:" + report, "end"}));
    ASSERT_EQ(messages.shown.size(), 1u);  // only the question
    EXPECT_EQ(messages.shown[0].text, kQuestion);
    EXPECT_EQ(messages.shown[0].title, kTitle);
    EXPECT_EQ(messages.shown[0].flags, kMbOkCancel | kMbIconExclamation);
}

TEST_F(Check, SnapshotIsReadInTheAnsiCodePage) {
    Service("Grüße", "Dienst für Größe", "x", 4);
    Build();
    Previous("Gr\xFC\xDF" "e|2\r\n\r\n");
    printers.noPrinter = true;
    root.bChecker_Click();
    EXPECT_EQ(files.files[SideFile("Merotan-Unterschiede.txt")],
              "Dienst f\xFCr Gr\xF6\xDF" "e, Starttyp vorher: Automatisch, Starttyp jetzt: Deaktiviert\r\n");
}

TEST_F(Check, ASnapshotInUtf8KeepsLookAlikeNamesApart) {
    Service("AccKyr\u0416", "Kyrillisch", "k", 2);
    Service("AccKyr?", "Frage", "f", 3);
    Service("AccSvcManual\uFF3C", "Breit", "b", 4);
    Service("AccSvcManual", "Manuell", "m", 3);
    Build();
    Previous("\xEF\xBB\xBF" "AccKyr?|3\r\nAccKyr\xD0\x96|4\r\nAccSvcManual|3\r\nAccSvcManual\xEF\xBC\xBC|3\r\n\r\n");
    root.bChecker_Click();
    EXPECT_EQ(printers.log, (std::vector<std::string>{"line:" + Diff("Kyrillisch", "Deaktiviert", "Automatisch") +
                                                          Diff("Breit", "Manuell", "Deaktiviert"),
                                                      "end"}));
}

// A key name with a line break, written by this program's own first build:
// its line never reads as that of the entry named after the break.
TEST_F(Check, AKeyNameWithALineBreakNeverReadsAsAnotherEntrysLine) {
    Service("AccCr\r\nAccSvcManual", "Umbruch", "u", 4);
    Service("AccSvcManual", "acc manual dienst", "m", 3);
    Build();
    const std::string written = files.files[SideFile("Merotan.dat")];
    EXPECT_EQ(written, "AccCr\\r\\nAccSvcManual|4\r\nAccSvcManual|3\r\n\r\n");
    Previous(written);
    root.bChecker_Click();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text, kNoDifferences);

    // A change of the entry itself is still found, under its own line.
    messages.shown.clear();
    SetStart("AccCr\r\nAccSvcManual", 2);
    root.bChecker_Click();
    EXPECT_EQ(printers.log, (std::vector<std::string>{"line:" + Diff("Umbruch", "Deaktiviert", "Automatisch"), "end"}));
}

TEST_F(Check, AnUnprintedReportWithNamesBeyondTheCodePageIsSavedInUtf8) {
    Service("Kyr", "Служба", "k", 2);
    Build();
    Previous("Kyr|4\r\n\r\n");
    printers.noPrinter = true;
    root.bChecker_Click();
    EXPECT_EQ(files.files[SideFile("Merotan-Unterschiede.txt")],
              "\xEF\xBB\xBF" "Служба, Starttyp vorher: Deaktiviert, Starttyp jetzt: Automatisch\r\n");
}

TEST_F(Check, NoDifferenceOrAnEmptySnapshotGivesTheMessageAndPrintsNothing) {
    Service("A", "A-Dienst", "a", 2);
    Build();
    for (const std::string previous : {"A|2\r\n\r\n", "\r\n", "", "Unknown|3\r\n\r\n"}) {
        messages.shown.clear();
        Previous(previous);
        root.bChecker_Click();
        ASSERT_EQ(messages.shown.size(), 2u) << previous;
        EXPECT_EQ(messages.shown[1].text, kNoDifferences);
        EXPECT_EQ(messages.shown[1].title, " Starttyp-Einstellungen");
        EXPECT_EQ(messages.shown[1].flags, kMbIconExclamation);
    }
    EXPECT_EQ(printers.opened, 0);
}

TEST_F(Check, OnlyServicesWithAVisibleLineAreCompared) {
    Service("Shown", "Sichtbar", "s", 3);
    Service("Hidden", "Versteckt", "", 3);  // empty description: in the key list, not in the visible list
    Build();
    Previous("Hidden|2\r\nShown|2\r\n\r\n");
    root.bChecker_Click();
    EXPECT_EQ(printers.log, (std::vector<std::string>{"line:" + Diff("Sichtbar", "Automatisch", "Manuell"), "end"}));
}

// A TAB in a display name, description or key name moves no field: each
// changed entry is reported under its own line's display text, and an
// unchanged entry that a text names is not.
TEST_F(Check, TabsInTheTextsReportEachEntryUnderItsOwnLine) {
    Service("AccSvcAuto", "Auto", "Plain", 2);
    Service("AccEvilName", "Harmlos\tx\tAccSvcAuto", "Zwei\tTABs\tda", 4);
    Service("AccTab\tAccSvcAuto", "Tab im Namen", "Schluessel", 3);
    Build();
    Previous("AccSvcAuto|2\r\nAccEvilName|3\r\nAccTab\tAccSvcAuto|2\r\n\r\n");
    root.bChecker_Click();
    const std::string report =
        Diff("Harmlos x AccSvcAuto", "Manuell", "Deaktiviert") + Diff("Tab im Namen", "Automatisch", "Manuell");
    EXPECT_EQ(printers.log, (std::vector<std::string>{"line:" + report, "end"}));
}

TEST_F(Check, EveryLineThatCarriesTheKeyIsReportedInListOrderAndNoLineThatOnlyShowsIt) {
    Service("K", "Erste", "x", 2);
    Build();
    LObjekte.AddItem("Zweite\tx\tK", "K");  // the same entry on a second line
    LObjekte.AddItem("Dritte\tx\tK", "L");  // shows K, but is the line of L
    Previous("K|3\r\n\r\n");
    root.bChecker_Click();
    const std::string report = Diff("Erste", "Manuell", "Automatisch") + Diff("Zweite", "Manuell", "Automatisch");
    EXPECT_EQ(printers.log, (std::vector<std::string>{"line:" + report, "end"}));
}

TEST_F(Check, UnreadableAndUnusualStartTypesAreReportedWithTheirLabels) {
    Service("Was", "War lesbar", "x", 3);
    Service("Now", "Jetzt lesbar", "x", 2);
    Service("Both", "Nie lesbar", "x", 2);
    Service("Boot", "Bootdienst", "x", 2);
    Service("Wide", "Zweistellig", "x", 3);
    Service("Kept", "Unverändert zweistellig", "x", 12);
    Build();
    memory.FindKey(kHkeyLocalMachine, ServiceKeyPath("Was"))->values.clear();
    memory.FindKey(kHkeyLocalMachine, ServiceKeyPath("Both"))->values.clear();
    Previous("Was|3\r\nNow|\r\nBoth|\r\nBoot|0\r\nWide|12\r\nKept|12\r\n\r\n");
    root.bChecker_Click();
    const std::string report = Diff("War lesbar", "Manuell", "Unbekannt") + Diff("Jetzt lesbar", "Unbekannt", "Automatisch") +
                               Diff("Bootdienst", "Boot (0)", "Automatisch") +
                               Diff("Zweistellig", "Unbekannt (12)", "Manuell");
    EXPECT_EQ(printers.log, (std::vector<std::string>{"line:" + report, "end"}));
}

TEST_F(Check, MissingOrUnreadablePreviousSnapshotSaysSoAndRestoresTheWindow) {
    Service("A", "A-Dienst", "a", 2);
    Service("B", "B-Dienst", "b", 3);
    Build();
    LObjekte.SetListIndex(1);
    for (bool folder : {false, true}) {
        messages.shown.clear();
        if (folder) files.folders.insert(SideFile("Merotan.tmd"));
        root.bChecker_Click();
        ASSERT_EQ(messages.shown.size(), 2u);
        EXPECT_EQ(messages.shown[1].title, kTitle);
        EXPECT_EQ(messages.shown[1].flags, kMbIconInformation);
        EXPECT_NE(messages.shown[1].text.find("noch keine lesbare Sicherung"), std::string::npos);
        EXPECT_NE(messages.shown[1].text.find("C:\\Tools\\Merotan.tmd"), std::string::npos);
        EXPECT_TRUE(LObjekte.enabled);
        EXPECT_TRUE(bStartCaption.visible);
        EXPECT_EQ(ui.pointer, kPointerDefault);
        EXPECT_EQ(LObjekte.selected, 1);
        EXPECT_EQ(bStartCaption.Caption(), "Startvorgang: Manuell");
    }
    EXPECT_EQ(printers.opened, 0);
}

TEST_F(Check, CancelLeavesEverythingAsItWas) {
    Service("A", "A-Dienst", "a", 2);
    Service("B", "B-Dienst", "b", 3);
    Build();
    Previous("A|4\r\n\r\n");
    LObjekte.SetListIndex(1);
    const int clicks = LObjekte.clickCount;
    const int yields = ui.yields;
    ui.pointers.clear();
    messages.answers.push_back(kAnswerCancel);
    root.bChecker_Click();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(printers.opened, 0);
    EXPECT_EQ(LObjekte.clickCount, clicks);
    EXPECT_EQ(LObjekte.selected, 1);
    EXPECT_TRUE(LObjekte.enabled);
    EXPECT_TRUE(bStartCaption.visible);
    EXPECT_TRUE(ui.pointers.empty());
    EXPECT_EQ(ui.yields, yields);
}

TEST_F(Check, FromTheDriverViewItSwitchesBackWithoutTheViewWarning) {
    Service("A", "A-Dienst", "a", 2);
    Driver("Disk", "Disk Driver", "", 0);
    Build();
    bErweitert.SetValue(1);
    Previous("A|3\r\n\r\n");
    for (int answer : {kAnswerCancel, kAnswerOk}) {
        if (answer == kAnswerOk) bErweitert.SetValue(1);
        messages.shown.clear();
        messages.answers = {kAnswerOk, answer};
        root.bChecker_Click();
        ASSERT_GE(messages.shown.size(), 2u);
        EXPECT_EQ(messages.shown[0].title, kTitle);
        EXPECT_EQ(messages.shown[0].flags, kMbIconInformation);
        EXPECT_EQ(messages.shown[0].text,
                  "Der Starttyp der erweiterten Treiberdateien kann nicht überprüft werden.    \n"
                  "Eine kurzzeitige Deaktivierung dieser Einstellung ist daher erforderlich.");
        EXPECT_EQ(messages.shown[1].text, kQuestion);  // no view warning in between
        EXPECT_EQ(bErweitert.Value(), 0);
        EXPECT_TRUE(bErweitert.Enabled());
        EXPECT_EQ(LObjekte.List(0), "A-Dienst\ta\tA");
        EXPECT_EQ(Label_2.Caption(), "Beschreibung (nährere Erklärungen)");
    }
    EXPECT_EQ(printers.log, (std::vector<std::string>{"line:" + Diff("A-Dienst", "Manuell", "Automatisch"), "end"}));
    EXPECT_EQ(files.log.size(), 1u);  // the snapshot of the first build only
}

TEST_F(Check, SelectionComesBackWithoutAWalkAndOneReadPerMatch) {
    for (int i = 0; i < 40; ++i) Service("s" + std::to_string(i), "Dienst " + std::to_string(i), "x", 3);
    Build();
    std::string previous;
    for (int i = 0; i < 40; ++i) previous += "s" + std::to_string(i) + "|" + (i == 5 ? "4" : "3") + "\r\n";
    Previous(previous + "\r\n");
    LObjekte.SetListIndex(17);
    const std::string caption = bStartCaption.Caption();
    SetStart(KeyNameOf(LObjekte.Text(), false), 2);  // the selected service changed since the status was shown
    const int clicks = LObjekte.clickCount;
    const auto opens = memory.OpenCallCount();
    root.bChecker_Click();
    EXPECT_EQ(LObjekte.selected, 17);
    EXPECT_EQ(bStartCaption.Caption(), "Startvorgang: Automatisch");
    EXPECT_NE(caption, bStartCaption.Caption());
    EXPECT_EQ(LObjekte.clickCount - clicks, 2);
    // One read per entry, and the two status refreshes at the end; the
    // second one, of an automatic service, also reads "DelayedAutostart".
    EXPECT_EQ(memory.OpenCallCount() - opens, 40u + 2u + 1u);
    EXPECT_EQ(printers.LinesStartingWith("line:").size(), 1u);
}

TEST_F(Check, UnprintedReportIsSavedBesideTheProgramOrShown) {
    Service("A", "A-Dienst", "a", 2);
    Service("B", "B-Dienst", "b", 4);
    Build();
    Previous("A|3\r\nB|2\r\n\r\n");
    printers.noPrinter = true;
    root.bChecker_Click();
    const std::string saved = SideFile("Merotan-Unterschiede.txt");
    EXPECT_EQ(files.files[saved],
              "A-Dienst, Starttyp vorher: Manuell, Starttyp jetzt: Automatisch\r\n"
              "B-Dienst, Starttyp vorher: Automatisch, Starttyp jetzt: Deaktiviert\r\n");
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text,
              "Die veränderten Starttypen konnten nicht gedruckt werden.    \n"
              "Es ist kein Standarddrucker eingerichtet.\n"
              "Die Unterschiede wurden in der Datei\nC:\\Tools\\Merotan-Unterschiede.txt\ngespeichert.");
    EXPECT_EQ(messages.shown[1].title, " Starttyp-Einstellungen");

    printers.noPrinter = false;
    printers.failWith = "Der Druckauftrag wurde abgebrochen.";
    files.readOnly.insert(saved);
    messages.shown.clear();
    root.bChecker_Click();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text,
              "Die veränderten Starttypen konnten nicht gedruckt werden.    \n"
              "Der Druckauftrag wurde abgebrochen.\n"
              "Die Unterschiede:\n"
              "A-Dienst, Starttyp vorher: Manuell, Starttyp jetzt: Automatisch\n"
              "B-Dienst, Starttyp vorher: Automatisch, Starttyp jetzt: Deaktiviert");
    EXPECT_TRUE(LObjekte.enabled);
    EXPECT_TRUE(bStartCaption.visible);
}

}  // namespace
}  // namespace sw::test
