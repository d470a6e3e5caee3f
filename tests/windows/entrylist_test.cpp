// The entry list on the real list box: the order its sorted insertion gives,
// the start-type handler on every change of the selection (by program and by
// the user's mouse and keys), and the column positions of its tab stops.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/Utf16.h"
#include "windows/RootWindowHarness.h"

namespace sw::test {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> Lines(ListBox& list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list.ListCount(); ++i) lines.push_back(list.List(i));
    return lines;
}

class EntryListTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(h.Open()); }
    RootWindowHarness h;
};

TEST_F(EntryListTest, SortsIgnoringCaseWithBlankAndTabFirstAndBatchesInTheSameOrder) {
    const std::vector<std::string> lines = {
        "Zeta\tz\tk1",  "alpha\tb\tk2",       "Alpha\ta\tk3", "ALPHA\ta\tk0",
        "beta\tx\tk6",  " \tOhne Namen\tk4", "\tk5\t(none)", "Ärger\tc\tk7",
    };
    // Each line's key goes with it wherever the sorted insertion puts it.
    const auto keyOf = [](const std::string& line) { return "key of " + line; };
    const auto expectKeysWithTheirLines = [&](ListBox& list, const char* how) {
        for (int i = 0; i < list.ListCount(); ++i) EXPECT_EQ(list.Key(i), keyOf(list.List(i))) << how << " " << i;
    };
    ListBox& list = h.root().c.LObjekte;
    for (const auto& line : lines) list.AddItem(line, keyOf(line));
    const std::vector<std::string> oneByOne = Lines(list);
    expectKeysWithTheirLines(list, "one by one");
    list.Clear();
    EXPECT_EQ(list.Key(0), "");
    std::vector<ListItem> items;
    for (const auto& line : lines) items.push_back(ListItem{line, keyOf(line)});
    list.AddItems(items);
    EXPECT_EQ(Lines(list), oneByOne);
    expectKeysWithTheirLines(list, "in one batch");
    list.RemoveItem(3);
    list.AddItem("Aaron\tz\tk9", keyOf("Aaron\tz\tk9"));
    expectKeysWithTheirLines(list, "after a removal and an addition");

    // A leading TAB (empty display name) or blank sorts before every letter;
    // case is ignored; equal display texts are ordered by what follows; an
    // umlaut sorts with its letter, not after z.
    ASSERT_EQ(oneByOne.size(), lines.size());
    EXPECT_THAT(std::vector<std::string>(oneByOne.begin() + 2, oneByOne.end()),
                ElementsAre("ALPHA\ta\tk0", "Alpha\ta\tk3", "alpha\tb\tk2", "Ärger\tc\tk7", "beta\tx\tk6",
                            "Zeta\tz\tk1"));
    EXPECT_THAT(std::vector<std::string>(oneByOne.begin(), oneByOne.begin() + 2),
                ::testing::UnorderedElementsAre(" \tOhne Namen\tk4", "\tk5\t(none)"));
}

// A batch goes into an empty list in the order that the control's own
// sorted insertion gives the same lines one by one, whatever they hold:
// letters of many scripts and cases, accents, umlauts and ligatures, the
// characters that the system's word sort treats apart (hyphen, apostrophe),
// punctuation, digits, blanks, TABs, characters beyond the BMP and lone
// surrogates (which key names can carry); and lines that the control finds
// equal (case, ignorable characters), whose places only its own search knows.
TEST_F(EntryListTest, BatchIntoAnEmptyListKeepsTheControlsOwnOrderForAnyText) {
    const std::vector<std::u16string> pieces = {
        u"a", u"A", u"b", u"z", u"Z", u"\u00E4", u"\u00C4", u"ae", u"\u00E6", u"\u00DF", u"ss", u"SS",
        u"\u00E9", u"e\u0301", u"E", u"\u00F8", u"o", u"\u0131", u"I", u"\u0130", u"i", u"-", u"'", u"\u2019",
        u"_", u".", u",", u"!", u"~", u"(", u"[", u"{", u"@", u"#", u"$", u"%", u"&", u"*", u"+", u"=",
        u"0", u"1", u"2", u"9", u"10", u"\u00BD", u"\u0661", u" ", u"\t", u"\u00A0", u"\u00AD", u"\u200B",
        u"\u0416", u"\u0436", u"\u03A9", u"\u03C9", u"\u05D0", u"\u0627", u"\u4E2D", u"\u65E5", u"\u3042",
        u"\uFF21", u"\uFF41", u"\U0001F600", u"\U00010400", u"\U00010428", u"\xD800", u"\xDC00", u"\uFFFD"};
    std::uint32_t seed = 20261208u;
    const auto next = [&seed](std::size_t n) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<std::size_t>((seed >> 8) % n);
    };
    const auto text = [&](std::size_t most) {
        std::u16string t;
        for (std::size_t k = next(most + 1); k > 0; --k) t += pieces[next(pieces.size())];
        return FromUtf16(t);
    };
    // Every line different from every other, as a key name at its end makes
    // the real ones.
    std::vector<ListItem> distinct;
    for (int i = 0; i < 600; ++i) {
        const std::string line = text(6) + "\t" + text(4) + "\t" + text(3) + "k" + std::to_string(i);
        distinct.push_back(ListItem{line, "key " + std::to_string(i)});
    }
    std::vector<ListItem> withEqual = {{"Dienst\tx\tk", "1"}, {"DIENST\tx\tk", "2"}, {"Di\xC2\xAD" "enst\tx\tk", "3"},
                                       {"dienst\tx\tk", "4"}, {"Anfang\ta\tk", "5"}, {"Zeile\tz\tk", "6"}};
    for (const auto* items : {&distinct, &withEqual}) {
        ListBox& list = h.root().c.LObjekte;
        list.Clear();
        for (const auto& item : *items) list.AddItem(item.line, item.key);
        std::vector<std::string> oneByOne = Lines(list), oneByOneKeys;
        for (int i = 0; i < list.ListCount(); ++i) oneByOneKeys.push_back(list.Key(i));
        ASSERT_EQ(oneByOne.size(), items->size());
        list.Clear();
        list.AddItems(*items);
        ASSERT_EQ(Lines(list), oneByOne) << items->size() << " lines";
        for (int i = 0; i < list.ListCount(); ++i) ASSERT_EQ(list.Key(i), oneByOneKeys[static_cast<std::size_t>(i)]);
        // A line that the control places itself afterwards goes where it
        // goes among the lines added one by one.
        list.AddItem("M\tneu\tk", "new");
        const std::vector<std::string> batchThenOne = Lines(list);
        list.Clear();
        for (const auto& item : *items) list.AddItem(item.line, item.key);
        list.AddItem("M\tneu\tk", "new");
        EXPECT_EQ(Lines(list), batchThenOne);
    }
}

class SelectionTest : public EntryListTest {
protected:
    void SetUp() override {
        // Display names by first letter, each with its own start type.
        h.Service("svcA", "Anna", "a", 2);
        h.Service("svcB", "Bert", "b", 3);
        h.Service("svcC", "Carl", "c", 4);
        h.Service("svcD", "Dora", "d", 0);
        h.Service("svcE", "Emil", "e", 2);
        h.Service("svcF", "Fritz", "f", 3);
        EntryListTest::SetUp();
        h.root().GetProfile(kHkeyLocalMachine, kServicesPath);
        h.root().ReadProfile();
        Pump();
        SetFocus(h.List());
        Pump();
        runs = h.clicks;
    }
    // Runs of the handler since the last look.
    int NewRuns() {
        const int n = h.clicks - runs;
        runs = h.clicks;
        return n;
    }
    int runs = 0;
};

TEST_F(SelectionTest, ProgramSelectionRunsTheHandlerOnceEachTime) {
    EXPECT_EQ(h.Selected(), 0);
    EXPECT_EQ(h.Caption(), "Startvorgang: Automatisch");
    h.root().c.LObjekte.SetListIndex(2);
    Pump();
    EXPECT_EQ(NewRuns(), 1);
    EXPECT_EQ(h.Caption(), "Startvorgang: Deaktiviert");
    // Setting the same line again is a selection by program all the same.
    h.root().c.LObjekte.SetListIndex(2);
    Pump();
    EXPECT_EQ(NewRuns(), 1);
    h.root().c.LObjekte.SetListIndex(3);
    Pump();
    EXPECT_EQ(NewRuns(), 1);
    EXPECT_EQ(h.Caption(), "Startvorgang: Unbekannt");
}

TEST_F(SelectionTest, UserSelectionRunsTheHandlerOncePerChange) {
    struct Step {
        const char* what;
        std::function<void()> act;
        int line;
        int runs;
        const char* caption;
    };
    const HWND list = h.List();
    const std::vector<Step> steps = {
        {"click", [&] { ClickLine(list, 2); }, 2, 1, "Startvorgang: Deaktiviert"},
        {"click on the selected line", [&] { ClickLine(list, 2); }, 2, 0, "Startvorgang: Deaktiviert"},
        {"Down", [] { Press(VK_DOWN); }, 3, 1, "Startvorgang: Unbekannt"},
        {"Up", [] { Press(VK_UP); }, 2, 1, "Startvorgang: Deaktiviert"},
        {"Home", [] { Press(VK_HOME); }, 0, 1, "Startvorgang: Automatisch"},
        {"Home on the first line", [] { Press(VK_HOME); }, 0, 0, "Startvorgang: Automatisch"},
        {"Up on the first line", [] { Press(VK_UP); }, 0, 0, "Startvorgang: Automatisch"},
        {"End", [] { Press(VK_END); }, 5, 1, "Startvorgang: Manuell"},
        {"End on the last line", [] { Press(VK_END); }, 5, 0, "Startvorgang: Manuell"},
        {"Page Up", [] { Press(VK_PRIOR); }, 0, 1, "Startvorgang: Automatisch"},
        {"Page Down", [] { Press(VK_NEXT); }, 5, 1, "Startvorgang: Manuell"},
        {"first letter", [] { Press('B'); }, 1, 1, "Startvorgang: Manuell"},
        {"first letter", [] { Press('E'); }, 4, 1, "Startvorgang: Automatisch"},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(h.Selected(), step.line) << step.what;
        EXPECT_EQ(NewRuns(), step.runs) << step.what;
        EXPECT_EQ(h.Caption(), step.caption) << step.what;
    }
}

TEST_F(SelectionTest, LinesAddedOrRemovedAboveTheSelectionDoNotHideTheNextMove) {
    ClickLine(h.List(), 2);  // Carl
    ASSERT_EQ(NewRuns(), 1);
    h.root().c.LObjekte.AddItem("Aaron\tz\tsvcD", "svcD");  // sorts first: Carl moves to 3
    ASSERT_EQ(h.Selected(), 3);
    Press(VK_UP);  // to Bert, at index 2: a change, though index 2 was seen before
    EXPECT_EQ(h.Selected(), 2);
    EXPECT_EQ(NewRuns(), 1);
    EXPECT_EQ(h.Caption(), "Startvorgang: Manuell");

    h.root().c.LObjekte.RemoveItem(0);  // Bert moves up to 1
    Press(VK_DOWN);                     // to Carl, at index 2 again
    EXPECT_EQ(h.Selected(), 2);
    EXPECT_EQ(NewRuns(), 1);
    EXPECT_EQ(h.Caption(), "Startvorgang: Deaktiviert");
}

}  // namespace
}  // namespace sw::test
