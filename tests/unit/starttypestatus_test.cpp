// The start type of the selected line, and how a line is split into fields.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "catalogue/Lines.h"
#include "unit/Fakes.h"

namespace sw::test {
namespace {

struct SplitCase {
    const char* line;
    const char* serviceKey;  // third field
    const char* driverKey;   // second field
};

class LineSplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(LineSplitTest, KeyNameIsTheThirdFieldOrTheSecond) {
    EXPECT_EQ(KeyNameOf(GetParam().line, false), GetParam().serviceKey);
    EXPECT_EQ(KeyNameOf(GetParam().line, true), GetParam().driverKey);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineSplitTest,
    ::testing::Values(SplitCase{"Anzeige\tBeschreibung\tSchluessel", "Schluessel", "Beschreibung"},
                      // No TAB: the whole line in both views.
                      SplitCase{"NurEinWort", "NurEinWort", "NurEinWort"},
                      // One TAB: what follows it, in both views.
                      SplitCase{"Anzeige\tRest", "Rest", "Rest"},
                      // A TAB inside a field moves the boundaries; the third
                      // field is everything after the second TAB.
                      SplitCase{"Anzeige\tmit\tTAB\tkey", "TAB\tkey", "mit"},
                      SplitCase{"\tkey\tgroup", "group", "key"}, SplitCase{"\t\t", "", ""},
                      SplitCase{"", "", ""}));

TEST(LineSplit, FieldsOfAFullLine) {
    const LineFields fields = SplitLine(" \t \tkey");
    EXPECT_EQ(fields.first, " ");
    EXPECT_EQ(fields.second, " ");
    EXPECT_EQ(fields.third, "key");
}

class StartTypeStatusTest : public ::testing::Test {
protected:
    void Select(const std::string& line, const std::string& key) {
        f.LObjekte.Clear();
        f.LObjekte.AddItem(line, key);
        f.LObjekte.SetListIndex(0);
    }
    std::string Caption() const { return f.bStartCaption.Caption(); }
    RootFixture f;
};

TEST_F(StartTypeStatusTest, ShowsTheThreeKnownStartTypesAndUnknownForTheRest) {
    const std::pair<int, const char*> cases[] = {
        {2, "Startvorgang: Automatisch"}, {3, "Startvorgang: Manuell"}, {4, "Startvorgang: Deaktiviert"},
        {0, "Startvorgang: Unbekannt"},   {1, "Startvorgang: Unbekannt"}, {5, "Startvorgang: Unbekannt"},
        {-1, "Startvorgang: Unbekannt"},
    };
    for (const auto& [start, caption] : cases) {
        f.Service("svc", "Dienst", "d", start);
        Select("Dienst\td\tsvc", "svc");
        EXPECT_EQ(Caption(), caption) << start;
    }
}

// Windows marks a delayed automatic start with "DelayedAutostart" beside
// "Start" 2; beside any other start type the value means nothing.
TEST_F(StartTypeStatusTest, ADelayedAutomaticStartIsShownAsSuch) {
    struct Case {
        int start;
        const char* kind;  // how "DelayedAutostart" is stored
        const char* caption;
    };
    const Case cases[] = {
        {2, "1", "Startvorgang: Automatisch (verzögert)"},
        {2, "0", "Startvorgang: Automatisch"},
        {2, "none", "Startvorgang: Automatisch"},
        {2, "text 1", "Startvorgang: Automatisch"},
        {3, "1", "Startvorgang: Manuell"},
        {4, "1", "Startvorgang: Deaktiviert"},
        {1, "1", "Startvorgang: Unbekannt"},
    };
    for (const Case& c : cases) {
        f.memory.DeleteKey(kHkeyLocalMachine, ServiceKeyPath("svc"));
        f.Service("svc", "Dienst", "d", c.start);
        const std::string path = ServiceKeyPath("svc");
        if (std::string(c.kind) == "1") f.memory.SetDword(kHkeyLocalMachine, path, "DelayedAutostart", 1);
        if (std::string(c.kind) == "0") f.memory.SetDword(kHkeyLocalMachine, path, "DelayedAutostart", 0);
        if (std::string(c.kind) == "text 1") f.memory.SetString(kHkeyLocalMachine, path, "DelayedAutostart", "1");
        Select("Dienst\td\tsvc", "svc");
        EXPECT_EQ(Caption(), c.caption) << c.start << " with " << c.kind;
    }
}

TEST_F(StartTypeStatusTest, MissingValueKeyOrTextValueIsUnknown) {
    f.Service("nostart", "x", "d", 2);
    f.memory.DeleteValue(kHkeyLocalMachine, ServiceKeyPath("nostart"), "Start");
    Select("x\td\tnostart", "nostart");
    EXPECT_EQ(Caption(), "Startvorgang: Unbekannt");

    f.Service("gone", "x", "d", 2);
    Select("x\td\tgone", "gone");
    ASSERT_EQ(Caption(), "Startvorgang: Automatisch");
    f.memory.DeleteKey(kHkeyLocalMachine, ServiceKeyPath("gone"));
    f.LObjekte.SetListIndex(0);
    EXPECT_EQ(Caption(), "Startvorgang: Unbekannt");
    EXPECT_TRUE(f.messages.shown.empty());

    f.Service("text", "x", "d", 2);
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("text"), "Start", "2");
    Select("x\td\ttext", "text");
    EXPECT_EQ(Caption(), "Startvorgang: Unbekannt");
}

// The key kept with the line decides, in both views: no field of the text,
// however its TABs fall, and not the hidden LProfile.
TEST_F(StartTypeStatusTest, TheKeyKeptWithTheLineDecidesInBothViews) {
    f.Service("ServiceKey", "x", "d", 2);
    f.Driver("DriverKey", "x", "G", 4);
    f.Driver("Solo", "x", "G", 3);
    f.LProfile.AddItem("DriverKey", "DriverKey");
    for (const int view : {0, 1}) {
        f.bErweitert.value = view;
        Select("Anzeige\tDriverKey\tServiceKey", "ServiceKey");
        EXPECT_EQ(Caption(), "Startvorgang: Automatisch") << view;
        Select("Anzeige\tServiceKey\tDriverKey", "Solo");
        EXPECT_EQ(Caption(), "Startvorgang: Manuell") << view;
    }
}

TEST_F(StartTypeStatusTest, ReadsTheStartTypeFreshOnEverySelection) {
    f.Service("svc", "Dienst", "d", 2);
    Select("Dienst\td\tsvc", "svc");
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("svc"), "Start", 4);
    f.LObjekte.SetListIndex(0);
    EXPECT_EQ(Caption(), "Startvorgang: Deaktiviert");
}

TEST_F(StartTypeStatusTest, ChangesNothingButTheCaption) {
    f.Service("svc", "Dienst", "d", 2);
    f.bBearbeiten.enabled = false;
    f.bStarten.enabled = true;
    Select("Dienst\td\tsvc", "svc");
    EXPECT_FALSE(f.bBearbeiten.enabled);
    EXPECT_TRUE(f.bStarten.enabled);
    EXPECT_TRUE(f.bStartCaption.visible);
    EXPECT_EQ(f.memory.WriteCallCount(), 0u);
}

}  // namespace
}  // namespace sw::test
