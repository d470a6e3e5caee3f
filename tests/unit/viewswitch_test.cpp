// Switching between the service view and the driver view with the check box.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "unit/Fakes.h"

namespace sw::test {
namespace {

using ::testing::ElementsAre;

// The warnings, written out here so that a changed blank or letter shows.
const std::string kDriverWarning =
    "Erweiterte Treiber-Dienste f\u00fcr vorhandene oder virtuelle Hardware-Ger\u00e4te.   \n"
    "Ver\u00e4nderungen am Startvorgang k\u00f6nnen m\u00f6glicherweise verhindern \n"
    "das Hardwarekomponenten (M\u00e4use etc.) nicht mehr funktionieren.";
const std::string kServiceWarning =
    "Standardm\u00e4\u00dfige Dienste f\u00fcr Aufgaben oder Prozeduren der Programme.   \n"
    "Ver\u00e4nderungen am Startvorgang k\u00f6nnen m\u00f6glicherweise verhindern \n"
    "das Anwendungen oder Windows Komponenten funktionieren.";

class ViewSwitchTest : public ::testing::Test {
protected:
    ViewSwitchTest() {
        f.Service("Spooler", "Druckwarteschlange", "Druckt", 2);
        f.Service("Plain", "Ohne Anzeige", "Leise", 3);
        f.Driver("Beep", "Beep", "Base", 1);
        f.Driver("Cdrom", "CD-ROM-Treiber", "SCSI CDROM Class", 4);
        f.root.Form_Load();
        f.messages.shown.clear();
        f.ui.yields = 0;
        f.LObjekte.focusCount = 0;
    }
    RootFixture f;
};

TEST_F(ViewSwitchTest, CheckingWarnsThenShowsTheDriverView) {
    std::vector<std::string> linesWhileWarning;
    f.messages.whileShown = [&] { linesWhileWarning = f.LObjekte.lines; };
    f.bErweitert.SetValue(1);

    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, kDriverWarning);
    EXPECT_EQ(f.messages.shown[0].title, " Tavrine Startwart");
    EXPECT_EQ(f.messages.shown[0].flags, 48);
    EXPECT_THAT(linesWhileWarning, ElementsAre("Druckwarteschlange\tDruckt\tSpooler", "Ohne Anzeige\tLeise\tPlain"))
        << "the warning comes before the list changes";

    EXPECT_THAT(f.LObjekte.lines, ElementsAre("Beep\tBeep\tBase", "CD-ROM-Treiber\tCdrom\tSCSI CDROM Class",
                                              "Druckwarteschlange\tSpooler\t(none)", "Ohne Anzeige\tPlain\t(none)"));
    EXPECT_EQ(f.LObjekte.ListIndex(), 0);
    EXPECT_EQ(f.bStartCaption.Caption(), "Startvorgang: Unbekannt");  // Beep starts with 1
    EXPECT_FALSE(f.bBearbeiten.enabled);
    EXPECT_TRUE(f.Label_3.visible);
    EXPECT_EQ(f.Label_1.Caption(), "Name des Dienstes");
    EXPECT_EQ(f.Label_2.Caption(), "Ger\u00e4tename");
    EXPECT_EQ(f.Label_2.Left(), 4615);
    EXPECT_EQ(f.Label_3.Caption(), "Zugeh\u00f6rigkeit");
    EXPECT_EQ(f.LObjekte.focusCount, 1);
    EXPECT_EQ(f.ui.yields, 3) << "the list build's two and one at the end";
    EXPECT_THAT(f.LProfile.lines, ElementsAre("Plain", "Spooler"));
}

TEST_F(ViewSwitchTest, UncheckingWarnsThenRebuildsTheServiceView) {
    f.bErweitert.SetValue(1);
    f.LObjekte.SetListIndex(1);  // Cdrom
    f.messages.shown.clear();
    f.bErweitert.SetValue(0);

    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, kServiceWarning);
    EXPECT_EQ(f.messages.shown[0].title, " Tavrine Startwart");
    EXPECT_EQ(f.messages.shown[0].flags, 48);
    EXPECT_THAT(f.LObjekte.lines, ElementsAre("Druckwarteschlange\tDruckt\tSpooler", "Ohne Anzeige\tLeise\tPlain"));
    EXPECT_EQ(f.LObjekte.tabStops, std::make_pair(144, 400));
    EXPECT_EQ(f.LObjekte.ListIndex(), 0);
    EXPECT_EQ(f.bStartCaption.Caption(), "Startvorgang: Automatisch");
    EXPECT_TRUE(f.bBearbeiten.enabled);
    EXPECT_FALSE(f.Label_3.visible);
    EXPECT_EQ(f.Label_2.Caption(), "Beschreibung (n\u00e4hrere Erkl\u00e4rungen)");
    EXPECT_EQ(f.Label_2.Left(), 3915);
    EXPECT_EQ(f.LObjekte.focusCount, 2);
    EXPECT_EQ(f.bBackups.Tag(), "1");
    EXPECT_EQ(f.files.log.size(), 1u) << "no second snapshot: only the first build writes one";
}

TEST_F(ViewSwitchTest, AChangeByProgramSwitchesWithoutAWarning) {
    f.bErweitert.SetValue(1);
    f.messages.shown.clear();
    // The check switches back this way: disable, set to 0, enable.
    f.bErweitert.enabled = false;
    f.bErweitert.SetValue(0);
    f.bErweitert.enabled = true;
    EXPECT_TRUE(f.messages.shown.empty());
    EXPECT_THAT(f.LObjekte.lines, ElementsAre("Druckwarteschlange\tDruckt\tSpooler", "Ohne Anzeige\tLeise\tPlain"));
    EXPECT_TRUE(f.bBearbeiten.enabled);
    EXPECT_FALSE(f.Label_3.visible);
}

TEST_F(ViewSwitchTest, TheWarningsAnswerIsNotLookedAt) {
    f.messages.answers = {kAnswerCancel};
    f.bErweitert.SetValue(1);
    EXPECT_EQ(f.LObjekte.ListCount(), 4);
    EXPECT_FALSE(f.bBearbeiten.enabled);
}

TEST_F(ViewSwitchTest, ReturningUsesTheKeysCollectedAtStartAndReadsTheirValuesAfresh) {
    f.bErweitert.SetValue(1);
    f.Service("Neu", "Neuer Dienst", "Seit eben", 2);
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Plain"), "Description", "Jetzt laut");
    f.bErweitert.SetValue(0);
    EXPECT_THAT(f.LObjekte.lines,
                ElementsAre("Druckwarteschlange\tDruckt\tSpooler", "Ohne Anzeige\tJetzt laut\tPlain"));
}

}  // namespace
}  // namespace sw::test
