// The printed list as the sequence of printer operations, and the window's
// state around it.
#include <gtest/gtest.h>

#include "FakePrinter.h"
#include "printing/Heading.h"

namespace sw::test {
namespace {

struct PrintList : ::testing::Test, PrintingFixture {};

std::vector<std::string> Heading(const std::string& date) {
    return {"line: ",
            "x:1000",
            "bold:on",
            "line:Dienst- und Treiberliste - Ausdruck vom " + date,
            "bold:off",
            "line: ",
            "x:1000",
            "keep:Dienstnamen",
            "x:5500",
            "keep:Systemnamen",
            "x:9000",
            "line:Starttypen",
            "y",
            "rule:1000,960,11000,960,0",
            "line: "};
}

std::vector<std::string> Entry(const std::string& display, const std::string& key, const std::string& label) {
    return {"x:1000", "keep:" + display, "x:5500", "keep:" + key, "x:9000", "line:" + label};
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// The changes window's printout puts its status under the title and has its
// columns elsewhere; the rule runs from its own first column.
TEST(PrintHeading, NotesStandUnderTheTitleAtTheFirstColumn) {
    RecordingPrinters printers;
    const auto printer = printers.Open();
    PrintHeading(*printer, "Titel", Date{2026, 1, 2}, {"Erste Zeile", "Zweite Zeile"},
                 {{1000, "Eintrag"}, {4800, "Schlüssel"}, {7800, "Änderung"}});
    EXPECT_EQ(printers.log, (std::vector<std::string>{"line: ", "x:1000", "bold:on", "line:Titel - Ausdruck vom 02.01.2026",
                                                      "bold:off", "x:1000", "line:Erste Zeile", "x:1000",
                                                      "line:Zweite Zeile", "line: ", "x:1000", "keep:Eintrag", "x:4800",
                                                      "keep:Schlüssel", "x:7800", "line:Änderung", "y",
                                                      "rule:1000,1440,11000,1440,0", "line: "}));
}

TEST_F(PrintList, PrintsTitleHeadingsRuleThenOneLinePerEntryInListOrder) {
    Service("zsvc", "Alpha", "Erster", 3);
    Service("asvc", "Beta", "Zweiter", 2);
    Service("msvc", "Gamma", "Dritter", 4);
    Build();
    clock.today = {2026, 3, 7};
    root.bDrucken_Click();

    std::vector<std::string> expected = Heading("07.03.2026");
    Append(expected, Entry("Alpha", "zsvc", "Manuell"));
    Append(expected, Entry("Beta", "asvc", "Automatisch"));
    Append(expected, Entry("Gamma", "msvc", "Deaktiviert"));
    expected.push_back("end");
    EXPECT_EQ(printers.log, expected);
    EXPECT_EQ(printers.opened, 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PrintList, IndirectDisplayNamesArePrintedResolved) {
    Service("wuauserv", "@%SystemRoot%\\system32\\wuaueng.dll,-105", "Erster", 3);
    Service("lost", "@C:\\fehlt.dll,-1", "Zweiter", 2);
    memory.SetIndirect("@%SystemRoot%\\system32\\wuaueng.dll,-105", "Windows Update");
    Build();
    clock.today = {2026, 3, 7};
    root.bDrucken_Click();

    std::vector<std::string> expected = Heading("07.03.2026");
    Append(expected, Entry("@C:\\fehlt.dll,-1", "lost", "Automatisch"));
    Append(expected, Entry("Windows Update", "wuauserv", "Manuell"));
    expected.push_back("end");
    EXPECT_EQ(printers.log, expected);
}

TEST_F(PrintList, EmptyListPrintsTheHeadingOnlyAndDateHasFourDigitYear) {
    clock.today = {987, 12, 31};
    root.bDrucken_Click();
    std::vector<std::string> expected = Heading("31.12.0987");
    expected.push_back("end");
    EXPECT_EQ(printers.log, expected);
}

TEST_F(PrintList, UnreadableStartIsLeftOutAndOtherValuesAreNamed) {
    Service("a", "A-Dienst", "x", 2);
    Service("b", "B-Dienst", "x", 2);
    Service("c", "C-Dienst", "x", 0);
    Service("d", "D-Dienst", "x", 9);
    Service("e", "E-Dienst", "x", 1);
    Build();
    memory.FindKey(kHkeyLocalMachine, ServiceKeyPath("b"))->values.clear();  // "Start" gone since the build
    memory.SetString(kHkeyLocalMachine, ServiceKeyPath("e"), "Start", "text");
    root.bDrucken_Click();

    const auto labels = printers.LinesStartingWith("line:");
    const std::vector<std::string> tail(labels.end() - 4, labels.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"line:Automatisch", "line:Boot (0)", "line:Unbekannt (9)",
                                              "line:Unbekannt"}));
    const auto keys = printers.LinesStartingWith("keep:");
    EXPECT_EQ(std::count(keys.begin(), keys.end(), "keep:b"), 0);
    EXPECT_EQ(std::count(keys.begin(), keys.end(), "keep:B-Dienst"), 0);
}

TEST_F(PrintList, ADelayedAutomaticStartIsPrintedAsSuch) {
    Service("a", "A-Dienst", "x", 2);
    Service("b", "B-Dienst", "x", 2);
    Service("c", "C-Dienst", "x", 3);
    Service("d", "D-Dienst", "x", 2);
    memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("a"), "DelayedAutostart", 1);
    memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("c"), "DelayedAutostart", 1);  // not automatic: no meaning
    memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("d"), "DelayedAutostart", 0);
    Build();
    root.bDrucken_Click();
    EXPECT_EQ(printers.LinesStartingWith("line:Automatisch"),
              (std::vector<std::string>{"line:Automatisch (verzögert)", "line:Automatisch", "line:Automatisch"}));
    EXPECT_EQ(printers.LinesStartingWith("line:Manuell"), (std::vector<std::string>{"line:Manuell"}));
}

// A TAB in a display name, description or key name moves no column: each
// row is the line's own entry, its texts with blanks for the TABs.
TEST_F(PrintList, TabsInTheTextsMoveNoColumn) {
    Service("AccSvcAuto", "Auto", "Plain", 2);
    Service("AccEvilName", "Harmlos\tx\tAccSvcAuto", "Zwei\tTABs\tda", 4);
    Service("AccTab\tAccSvcAuto", "Tab im Namen", "Schluessel", 3);
    Build();
    clock.today = {2026, 3, 7};
    root.bDrucken_Click();

    std::vector<std::string> expected = Heading("07.03.2026");
    Append(expected, Entry("Auto", "AccSvcAuto", "Automatisch"));
    Append(expected, Entry("Harmlos x AccSvcAuto", "AccEvilName", "Deaktiviert"));
    Append(expected, Entry("Tab im Namen", "AccTab AccSvcAuto", "Manuell"));
    expected.push_back("end");
    EXPECT_EQ(printers.log, expected);
}

TEST_F(PrintList, DriverViewPrintsTheKeyNameFromTheSecondField) {
    Driver("Disk", "Disk Driver", "Boot Bus Extender", 0);
    Service("Svc", "Ein Dienst", "Text", 3);
    Build();
    bErweitert.SetValue(1);
    ASSERT_EQ(LObjekte.List(0), "Disk Driver\tDisk\tBoot Bus Extender");
    printers.log.clear();
    root.bDrucken_Click();

    std::vector<std::string> expected = Heading("07.03.2026");
    Append(expected, Entry("Disk Driver", "Disk", "Boot (0)"));
    Append(expected, Entry("Ein Dienst", "Svc", "Manuell"));
    expected.push_back("end");
    EXPECT_EQ(printers.log, expected);
}

TEST_F(PrintList, WindowIsBusyWhilePrintingAndRestoredWithThePreviousSelection) {
    for (int i = 0; i < 5; ++i) Service("s" + std::to_string(i), "Dienst " + std::to_string(i), "x", 2 + i % 3);
    Build();
    LObjekte.SetListIndex(2);  // "Dienst 2", start 4; the first line's start is 2
    ASSERT_EQ(bStartCaption.Caption(), "Startvorgang: Deaktiviert");
    bool busyWhilePrinting = false;
    struct Probe final : PrinterFactory {
        PrintList* t;
        bool* busy;
        std::unique_ptr<Printer> Open() override {
            *busy = !t->LObjekte.enabled && !t->bStartCaption.visible && t->ui.pointer == kPointerHourglass;
            return t->printers.Open();
        }
    } probe;
    probe.t = this;
    probe.busy = &busyWhilePrinting;
    services.printers = &probe;
    const int clicksBefore = LObjekte.clickCount;
    ui.pointers.clear();

    root.bDrucken_Click();
    EXPECT_TRUE(busyWhilePrinting);
    EXPECT_TRUE(LObjekte.enabled);
    EXPECT_TRUE(bStartCaption.visible);
    EXPECT_EQ(ui.pointers, (std::vector<int>{kPointerHourglass, kPointerDefault}));
    EXPECT_EQ(LObjekte.selected, 2);
    EXPECT_EQ(bStartCaption.Caption(), "Startvorgang: Deaktiviert");
    // No walk by selection: the first line, then the remembered one.
    EXPECT_EQ(LObjekte.clickCount - clicksBefore, 2);
}

TEST_F(PrintList, OneRegistryReadPerEntry) {
    for (int i = 0; i < 50; ++i) Service("s" + std::to_string(i), "Dienst " + std::to_string(i), "x", 3);
    Build();
    LObjekte.SetListIndex(7);
    const auto opensBefore = memory.OpenCallCount();
    root.bDrucken_Click();
    // 50 entries, plus the status refresh of the two selections at the end.
    EXPECT_EQ(memory.OpenCallCount() - opensBefore, 50u + 2u);
    EXPECT_EQ(memory.OpenHandleCount(), 0u);
}

TEST_F(PrintList, NoPrinterOrFailedPrintIsToldAndTheWindowComesBack) {
    Service("s", "Dienst", "x", 2);
    Build();
    printers.noPrinter = true;
    root.bDrucken_Click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Die Liste konnte nicht gedruckt werden.    \nEs ist kein Standarddrucker eingerichtet.");
    EXPECT_EQ(messages.shown[0].title, " Drucken");
    EXPECT_EQ(messages.shown[0].flags, kMbIconExclamation);
    EXPECT_TRUE(LObjekte.enabled);
    EXPECT_TRUE(bStartCaption.visible);
    EXPECT_EQ(ui.pointer, kPointerDefault);

    printers.noPrinter = false;
    printers.failWith = "Der Druckauftrag für \"PDF\" wurde abgebrochen.";
    root.bDrucken_Click();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text,
              "Die Liste konnte nicht gedruckt werden.    \nDer Druckauftrag für \"PDF\" wurde abgebrochen.");

    // A program without any printer at all says the same as one without a default printer.
    services.printers = nullptr;
    root.bDrucken_Click();
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[2].text, messages.shown[0].text);
}

}  // namespace
}  // namespace sw::test
