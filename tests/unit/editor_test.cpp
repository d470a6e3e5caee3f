// The start-type editor: its opening from the main list and its handlers,
// against the fake dialog and the in-memory registry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "catalogue/Lines.h"
#include "editor/TextSearch.h"
#include "unit/SettingsFakes.h"

namespace sw::test {
namespace {

using ::testing::ElementsAre;

class EditorTest : public ::testing::Test {
protected:
    EditorTest() {
        f.Service("Alpha", "Alpha Dienst", "Erster", 2);
        f.Service("Beta", "Beta Dienst", "Zweiter", 3);
        f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Beta"), "ImagePath", "C:\\Beta\\beta.exe");
        f.Service("Gamma", "Gamma Dienst", "Dritter", 4);
        f.Line("Alpha Dienst", "Erster", "Alpha");
        f.Line("Beta Dienst", "Zweiter", "Beta");
        f.Line("Gamma Dienst", "Dritter", "Gamma");
        f.Select(1);
    }

    // Opens the editor on the selected line; `act` runs while it is open.
    void Open(std::function<void(Settings&, FakeSettingsDialog&)> act = nullptr) {
        f.settings.whileShown = std::move(act);
        f.root.LObjekte_DblClick();
    }
    std::string Stored(const std::string& key, const std::string& name) const {
        const auto* v = f.Value(key, name);
        return v == nullptr ? "<missing>" : v->Utf8Data();
    }

    EditorFixture f;
};

TEST_F(EditorTest, OpeningShowsTheSelectedEntryReadFreshInItsDesignState) {
    // The registry is what counts, not the line: the description changed
    // since the list was built.
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Beta"), "Description", "Neu gelesen");
    f.ui.pointers.clear();
    Open();
    ASSERT_EQ(f.settings.shown.size(), 1u);
    const ShownDialog& d = f.settings.shown[0];
    EXPECT_EQ(d.caption, "Beta Dienst");
    EXPECT_EQ(d.description, "Neu gelesen");
    EXPECT_EQ(d.regName, "Beta");
    EXPECT_EQ(d.image, "C:\\Beta\\beta.exe");
    EXPECT_EQ(d.startItem, 1);
    EXPECT_TRUE(d.caretAtEnd);
    EXPECT_EQ(d.focus, "RDescription");
    EXPECT_EQ(d.descriptionHeight, 1410);
    EXPECT_TRUE(d.imageRowVisible);
    EXPECT_THAT(f.ui.pointers, ElementsAre(kPointerHourglass, kPointerDefault));
    EXPECT_TRUE(f.messages.shown.empty());
    EXPECT_EQ(f.settings.alive, 0);  // unloaded when the opening returns
    EXPECT_EQ(f.memory.OpenHandleCount(), 0u);
}

TEST_F(EditorTest, DoubleClickEnterAndTheButtonAllOpenTheEditor) {
    f.root.LObjekte_DblClick();
    std::int16_t key = 13;
    f.root.LObjekte_KeyPress(key);
    EXPECT_EQ(key, 0);  // the list does nothing more with it
    f.root.bBearbeiten_Click();
    std::int16_t other = 'b';
    f.root.LObjekte_KeyPress(other);
    EXPECT_EQ(other, 'b');
    EXPECT_EQ(f.settings.loads, 3);
    for (const auto& d : f.settings.shown) EXPECT_EQ(d.regName, "Beta");
}

class StartItemTest : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(StartItemTest, StartValueSelectsItsItem) {
    EditorFixture f;
    f.Service("S", "S", "d", GetParam().first);
    f.Line("S", "d", "S");
    f.Select(0);
    f.root.LObjekte_DblClick();
    ASSERT_EQ(f.settings.shown.size(), 1u);
    EXPECT_EQ(f.settings.shown[0].startItem, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Codes, StartItemTest,
                         ::testing::Values(std::pair{2, 0}, std::pair{3, 1}, std::pair{4, 2}, std::pair{0, -1},
                                           std::pair{1, -1}, std::pair{5, -1}, std::pair{-1, -1}));

TEST_F(EditorTest, MissingOrUnreadableValuesShowOneBlankAndTextsAreCutAtTheirNul) {
    const std::string path = ServiceKeyPath("Beta");
    f.memory.FindKey(kHkeyLocalMachine, path)->values.clear();
    f.memory.SetRaw(kHkeyLocalMachine, path, "DisplayName", kRegSz, "abc");  // stored without its NUL
    f.memory.SetRaw(kHkeyLocalMachine, path, "ImagePath", kRegExpandSz, std::string("%SystemRoot%\\x.sys\0junk", 23));
    f.memory.SetString(kHkeyLocalMachine, path, "Start", "2");  // a text, not a number
    Open();
    ASSERT_EQ(f.settings.shown.size(), 1u);
    EXPECT_EQ(f.settings.shown[0].caption, "abc ");
    EXPECT_EQ(f.settings.shown[0].description, " ");
    EXPECT_EQ(f.settings.shown[0].image, "%SystemRoot%\\x.sys");
    EXPECT_EQ(f.settings.shown[0].startItem, -1);

    // With nothing readable at all (the key is gone) the dialog still opens.
    f.memory.DeleteKey(kHkeyLocalMachine, path);
    Open();
    ASSERT_EQ(f.settings.shown.size(), 2u);
    EXPECT_EQ(f.settings.shown[1].caption, " ");
    EXPECT_EQ(f.settings.shown[1].description, " ");
    EXPECT_EQ(f.settings.shown[1].image, " ");
    EXPECT_EQ(f.settings.shown[1].regName, "Beta");
}

TEST_F(EditorTest, AnEmptyDescriptionStopsTheOpeningWithItsMessageAndLeavesNothingBehind) {
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Beta"), "Description", "");
    f.messages.whileShown = [this] { EXPECT_EQ(f.ui.pointer, kPointerDefault); };
    Open();
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, "Konnte aus der Registrierung nicht vollständig lesen.     ");
    EXPECT_EQ(f.messages.shown[0].title, " Zugriffsberechtigung");
    EXPECT_EQ(f.messages.shown[0].flags, 16);
    EXPECT_EQ(f.settings.loads, 0);
    EXPECT_EQ(f.settings.alive, 0);
    EXPECT_EQ(Stored("Beta", "Description"), std::string(1, '\0'));

    // A multi-string description delivers no text and stops the opening the same way.
    f.memory.SetRaw(kHkeyLocalMachine, ServiceKeyPath("Beta"), "Description", kRegMultiSz, std::string("a\0b\0\0", 5));
    Open();
    EXPECT_EQ(f.messages.shown.size(), 2u);
    EXPECT_EQ(f.settings.loads, 0);

    // The next opening starts from the design state.
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Beta"), "Description", "wieder da");
    Open();
    ASSERT_EQ(f.settings.shown.size(), 1u);
    EXPECT_EQ(f.settings.shown[0].description, "wieder da");
}

// A fullwidth reverse solidus that a best-fit conversion would turn into a
// path separator: the entry is opened and written under its own key, and
// the key it looks like keeps its values.
TEST_F(EditorTest, ALookAlikeKeyNameIsOpenedAndWrittenUnderItsOwnKey) {
    EditorFixture g;
    g.Service("AccSvcManual", "Schmal", "schmal alt", 3);
    g.Service("AccSvcManual\uFF3C", "Breit", "breit alt", 3);
    g.Line("Breit", "breit alt", "AccSvcManual\uFF3C");
    g.Line("Schmal", "schmal alt", "AccSvcManual");
    g.Select(0);
    g.settings.whileShown = [&](Settings& form, FakeSettingsDialog& d) {
        EXPECT_EQ(d.RRegName.text, "AccSvcManual\uFF3C");
        EXPECT_EQ(d.RDescription.text, "breit alt");
        d.RDescription.text = "breit neu";
        d.LStartType.index = 2;
        form.bReady_Click();
    };
    g.root.LObjekte_DblClick();
    EXPECT_EQ(g.Value("AccSvcManual\uFF3C", "Description")->Utf8Data(), std::string("breit neu\0", 10));
    EXPECT_EQ(g.Value("AccSvcManual\uFF3C", "Start")->data, std::string("\x04\0\0\0", 4));
    EXPECT_EQ(g.Value("AccSvcManual", "Description")->Utf8Data(), std::string("schmal alt\0", 11));
    EXPECT_EQ(g.Value("AccSvcManual", "Start")->data, std::string("\x03\0\0\0", 4));
    EXPECT_EQ(g.bStartCaption.Caption(), "Startvorgang: Deaktiviert");
}

// A TAB in a display name, description or key name moves no field: the
// editor opens the line's own entry, Ok writes that entry and no other, and
// the rebuilt line shows the TABs as blanks with its key kept beside it.
TEST_F(EditorTest, TabsInALinesTextsOpenAndWriteItsOwnEntry) {
    EditorFixture g;
    g.Service("AccSvcAuto", "Auto", "Plain", 2);
    g.Service("AccEvilName", "Harmlos\tx\tAccSvcAuto", "Zwei\tTABs\tda", 3);
    g.Service("AccTab\tAccSvcAuto", "Tab im Namen", "Schluessel", 3);
    g.root.GetProfile(kHkeyLocalMachine, kServicesPath);
    g.root.ReadProfile();
    const std::pair<std::string, std::string> entries[] = {{"AccEvilName", "Harmlos\tx\tAccSvcAuto"},
                                                           {"AccTab\tAccSvcAuto", "Tab im Namen"}};
    for (const auto& [key, display] : entries) {
        const auto at = std::find(g.LObjekte.keys.begin(), g.LObjekte.keys.end(), key);
        ASSERT_NE(at, g.LObjekte.keys.end()) << key;
        g.Select(static_cast<int>(at - g.LObjekte.keys.begin()));
        g.settings.whileShown = [&](Settings& form, FakeSettingsDialog& d) {
            EXPECT_EQ(d.RCaption.Caption(), display);
            EXPECT_EQ(d.RRegName.text, key);
            d.RDescription.text = "Neu\tmit TAB";
            d.LStartType.index = 2;
            form.bReady_Click();
        };
        g.root.LObjekte_DblClick();
        EXPECT_EQ(g.Value(key, "Description")->Utf8Data(), std::string("Neu\tmit TAB\0", 12)) << key;
        EXPECT_EQ(g.Value(key, "Start")->data, std::string("\x04\0\0\0", 4)) << key;
        EXPECT_EQ(g.LObjekte.SelectedKey(), key);
        EXPECT_EQ(g.LObjekte.Text(), ServiceLine(display, "Neu mit TAB", key)) << key;
        EXPECT_EQ(g.bStartCaption.Caption(), "Startvorgang: Deaktiviert") << key;
    }
    EXPECT_EQ(g.Value("AccSvcAuto", "Description")->Utf8Data(), std::string("Plain\0", 6));
    EXPECT_EQ(g.Value("AccSvcAuto", "Start")->data, std::string("\x02\0\0\0", 4));
    EXPECT_EQ(g.LObjekte.ListCount(), 3);
    EXPECT_TRUE(g.messages.shown.empty());
}

TEST_F(EditorTest, OkWritesDescriptionAndChosenStartAndReplacesTheLine) {
    int yields = 0;
    Open([&](Settings& form, FakeSettingsDialog& d) {
        d.RDescription.text = "Geändert";
        d.LStartType.index = 2;
        yields = f.ui.yields;
        form.bReady_Click();
        yields = f.ui.yields - yields;
    });
    const auto* description = f.Value("Beta", "Description");
    ASSERT_NE(description, nullptr);
    EXPECT_EQ(description->type, kRegSz);
    EXPECT_EQ(description->Utf8Data(), "Geändert" + std::string(1, '\0'));
    const auto* start = f.Value("Beta", "Start");
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(start->type, kRegDword);
    EXPECT_EQ(start->data, std::string("\x04\0\0\0", 4));
    EXPECT_THAT(f.LObjekte.lines, ElementsAre("Alpha Dienst\tErster\tAlpha", "Beta Dienst\tGeändert\tBeta",
                                              "Gamma Dienst\tDritter\tGamma"));
    EXPECT_EQ(f.LObjekte.selected, 1);
    EXPECT_EQ(f.bStartCaption.Caption(), "Startvorgang: Deaktiviert");
    EXPECT_EQ(yields, 3);
    EXPECT_THAT(f.settings.unloads, ElementsAre(1));
    EXPECT_EQ(f.memory.OpenHandleCount(), 0u);
}

// The registry write alone takes effect at the next boot: the service
// manager is told the same start type, by the entry's key name (not its
// display name), before the description is written (a manager that writes
// its copy of the service back must not undo the new description).
TEST_F(EditorTest, OkTellsTheServiceManagerTheChosenStartTypeByKeyName) {
    Open([](Settings& form, FakeSettingsDialog& d) {
        d.RDescription.text = "Neu";
        d.LStartType.index = 2;
        form.bReady_Click();
    });
    ASSERT_EQ(f.serviceManager.calls.size(), 1u);
    EXPECT_EQ(f.serviceManager.calls[0].keyName, "Beta");
    EXPECT_EQ(f.serviceManager.calls[0].start, 4u);
    EXPECT_EQ(f.serviceManager.calls[0].storedDescription, std::string("Zweiter\0", 8)) << "before the writes";
    EXPECT_EQ(Stored("Beta", "Start"), std::string("\x04\0\0\0", 4));

    Open([](Settings& form, FakeSettingsDialog& d) {
        d.LStartType.index = 1;
        form.bReady_Click();
    });
    ASSERT_EQ(f.serviceManager.calls.size(), 2u);
    EXPECT_EQ(f.serviceManager.calls[1].start, 3u);

    // No choice, Cancel, a failed entry check: the manager hears nothing.
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Beta"), "Start", 1);
    Open([](Settings& form, FakeSettingsDialog&) { form.bReady_Click(); });
    Open([](Settings& form, FakeSettingsDialog& d) {
        d.LStartType.index = 0;
        form.bAbbrechen_Click();
    });
    Open([&](Settings& form, FakeSettingsDialog& d) {
        d.LStartType.index = 0;
        f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Beta"), "DisplayName", "Umbenannt");
        form.bReady_Click();
    });
    EXPECT_EQ(f.serviceManager.calls.size(), 2u);
    EXPECT_EQ(Stored("Beta", "Start"), std::string("\x01\0\0\0", 4));
}

// A manager that refuses (a driver, an entry it never loaded, no rights)
// changes nothing else: the registry write stands, the line is replaced,
// no message.
TEST_F(EditorTest, WhenTheServiceManagerRefusesTheRegistryWriteStands) {
    f.serviceManager.refuse = true;
    Open([](Settings& form, FakeSettingsDialog& d) {
        d.RDescription.text = "Neu";
        d.LStartType.index = 2;
        form.bReady_Click();
    });
    EXPECT_EQ(f.serviceManager.calls.size(), 1u);
    EXPECT_EQ(Stored("Beta", "Start"), std::string("\x04\0\0\0", 4));
    EXPECT_EQ(Stored("Beta", "Description"), std::string("Neu\0", 4));
    EXPECT_THAT(f.LObjekte.lines, ElementsAre("Alpha Dienst\tErster\tAlpha", "Beta Dienst\tNeu\tBeta",
                                              "Gamma Dienst\tDritter\tGamma"));
    EXPECT_EQ(f.bStartCaption.Caption(), "Startvorgang: Deaktiviert");
    EXPECT_TRUE(f.messages.shown.empty());
    EXPECT_THAT(f.settings.unloads, ElementsAre(1));
}

// The editor offers three start types; a delayed automatic start stays
// delayed when "Automatisch" is chosen, and the value is never touched.
TEST_F(EditorTest, ChoosingAStartTypeLeavesDelayedAutostartAsItIs) {
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Beta"), "Start", 2);
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Beta"), "DelayedAutostart", 1);
    for (int item : {0, 1, 0}) {
        Open([item](Settings& form, FakeSettingsDialog& d) {
            d.LStartType.index = item;
            form.bReady_Click();
        });
        EXPECT_EQ(Stored("Beta", "Start"), std::string(item == 0 ? "\x02" : "\x03", 1) + std::string(3, '\0'));
        EXPECT_EQ(Stored("Beta", "DelayedAutostart"), std::string("\x01\0\0\0", 4));
    }
    EXPECT_EQ(f.bStartCaption.Caption(), "Startvorgang: Automatisch (verzögert)");
}

TEST_F(EditorTest, OkWithoutAChosenItemLeavesStartAsItIs) {
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Beta"), "Start", 1);
    Open([](Settings& form, FakeSettingsDialog&) { form.bReady_Click(); });
    ASSERT_EQ(f.settings.shown.size(), 1u);
    EXPECT_EQ(f.settings.shown[0].startItem, -1);
    EXPECT_EQ(Stored("Beta", "Start"), std::string("\x01\0\0\0", 4));
    EXPECT_EQ(Stored("Beta", "Description"), std::string("Zweiter\0", 8));
    EXPECT_EQ(f.bStartCaption.Caption(), "Startvorgang: Unbekannt");

    // Choosing an item writes its code over the old one.
    Open([](Settings& form, FakeSettingsDialog& d) {
        d.LStartType.index = 0;
        form.bReady_Click();
    });
    EXPECT_EQ(Stored("Beta", "Start"), std::string("\x02\0\0\0", 4));
    EXPECT_EQ(f.bStartCaption.Caption(), "Startvorgang: Automatisch");
}

TEST_F(EditorTest, AMissingDescriptionIsStoredAsOneBlank) {
    f.RemoveValue("Beta", "Description");
    ASSERT_EQ(f.Value("Beta", "Description"), nullptr);
    Open([](Settings& form, FakeSettingsDialog&) { form.bReady_Click(); });
    const auto* description = f.Value("Beta", "Description");
    ASSERT_NE(description, nullptr);
    EXPECT_EQ(description->type, kRegSz);
    EXPECT_EQ(description->Utf8Data(), std::string(" \0", 2));
    EXPECT_EQ(f.LObjekte.List(1), "Beta Dienst\t \tBeta");
}

TEST_F(EditorTest, AnExpandableDescriptionKeepsItsTypeOnOk) {
    f.memory.SetRaw(kHkeyLocalMachine, ServiceKeyPath("Beta"), "Description", kRegExpandSz,
                    std::string("Liegt in %SystemRoot%\0", 22));
    Open([](Settings& form, FakeSettingsDialog& d) {
        EXPECT_EQ(d.RDescription.text, "Liegt in %SystemRoot%");
        d.RDescription.text = "Liegt in %SystemRoot%\\system32";
        form.bReady_Click();
    });
    const auto* description = f.Value("Beta", "Description");
    ASSERT_NE(description, nullptr);
    EXPECT_EQ(description->type, kRegExpandSz);
    EXPECT_EQ(description->Utf8Data(), std::string("Liegt in %SystemRoot%\\system32\0", 31));
}

// An entry whose display name and description are indirect texts: the editor
// shows them resolved, its entry check compares with the resolved name, and
// an unchanged description keeps its stored reference.
TEST_F(EditorTest, IndirectTextsAreShownResolvedAndKeptUnlessTheUserChangesThem) {
    const std::string display = "@%SystemRoot%\\system32\\beta.dll,-100";
    const std::string description = "@%SystemRoot%\\system32\\beta.dll,-101";
    f.memory.SetRaw(kHkeyLocalMachine, ServiceKeyPath("Beta"), "DisplayName", kRegSz, display + '\0');
    f.memory.SetRaw(kHkeyLocalMachine, ServiceKeyPath("Beta"), "Description", kRegExpandSz, description + '\0');
    f.memory.SetIndirect(display, "Beta Dienst aufgelöst");
    f.memory.SetIndirect(description, "Beschreibung aufgelöst");

    Open([](Settings& form, FakeSettingsDialog& d) {
        EXPECT_EQ(d.RCaption.Caption(), "Beta Dienst aufgelöst");
        EXPECT_EQ(d.RDescription.text, "Beschreibung aufgelöst");
        d.LStartType.index = 2;
        form.bReady_Click();
    });
    // The entry check passed: the start type and the line are written; the
    // description the user left alone is still the reference.
    EXPECT_EQ(Stored("Beta", "Start"), std::string("\x04\0\0\0", 4));
    EXPECT_EQ(f.Value("Beta", "Description")->type, kRegExpandSz);
    EXPECT_EQ(Stored("Beta", "Description"), description + '\0');
    EXPECT_THAT(f.LObjekte.lines, ::testing::Contains("Beta Dienst aufgelöst\tBeschreibung aufgelöst\tBeta"));

    // A changed description is written in the value's existing type.
    Open([](Settings& form, FakeSettingsDialog& d) {
        d.RDescription.text = "Eigener Text";
        form.bReady_Click();
    });
    EXPECT_EQ(f.Value("Beta", "Description")->type, kRegExpandSz);
    EXPECT_EQ(Stored("Beta", "Description"), std::string("Eigener Text\0", 13));

    // The stored display name is shown as it is when it cannot be resolved,
    // and the entry check then holds against that text.
    f.memory.SetRaw(kHkeyLocalMachine, ServiceKeyPath("Beta"), "DisplayName", kRegSz, std::string("@C:\\x.dll,-5") + '\0');
    Open([](Settings& form, FakeSettingsDialog& d) {
        EXPECT_EQ(d.RCaption.Caption(), "@C:\\x.dll,-5");
        d.LStartType.index = 0;
        form.bReady_Click();
    });
    EXPECT_EQ(Stored("Beta", "Start"), std::string("\x02\0\0\0", 4));
}

TEST_F(EditorTest, AnUnreadableDescriptionIsNotReplacedByThePlaceholder) {
    // Binary data of more than four bytes cannot be read: it shows as " ".
    const std::string bytes("\x01\x02\x03\x04\x05\x06", 6);
    f.memory.SetRaw(kHkeyLocalMachine, ServiceKeyPath("Beta"), "Description", kRegBinary, bytes);
    Open([](Settings& form, FakeSettingsDialog& d) {
        EXPECT_EQ(d.RDescription.text, " ");
        d.LStartType.index = 2;
        form.bReady_Click();
    });
    const auto* description = f.Value("Beta", "Description");
    ASSERT_NE(description, nullptr);
    EXPECT_EQ(description->type, kRegBinary);
    EXPECT_EQ(description->data, bytes);
    EXPECT_EQ(Stored("Beta", "Start"), std::string("\x04\0\0\0", 4));  // the rest of Ok still runs

    // What the user types does replace it.
    Open([](Settings& form, FakeSettingsDialog& d) {
        d.RDescription.text = "Getippt";
        form.bReady_Click();
    });
    EXPECT_EQ(f.Value("Beta", "Description")->type, kRegSz);
    EXPECT_EQ(Stored("Beta", "Description"), std::string("Getippt\0", 8));
}

TEST_F(EditorTest, OkWritesNothingWhenTheEntryNoLongerCarriesTheShownName) {
    const auto writes = f.memory.WriteCallCount();
    // The display name now read must contain the caption, ignoring case.
    Open([this](Settings& form, FakeSettingsDialog& d) {
        f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Beta"), "DisplayName", "Der BETA DIENST (neu)");
        d.RDescription.text = "x";
        form.bReady_Click();
    });
    EXPECT_EQ(Stored("Beta", "Description"), std::string("x\0", 2));
    const auto afterFirst = f.memory.WriteCallCount();
    EXPECT_GT(afterFirst, writes);

    const auto lines = f.LObjekte.lines;
    Open([this](Settings& form, FakeSettingsDialog& d) {
        f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Beta"), "DisplayName", "Ein anderer");
        d.RDescription.text = "y";
        d.LStartType.index = 2;
        form.bReady_Click();
    });
    EXPECT_EQ(f.memory.WriteCallCount(), afterFirst);
    EXPECT_EQ(f.LObjekte.lines, lines);
    EXPECT_THAT(f.settings.unloads, ElementsAre(1, 1));
}

TEST_F(EditorTest, OkWritesNothingForAnEntryWithoutDisplayName) {
    f.RemoveValue("Beta", "DisplayName");
    ASSERT_EQ(f.Value("Beta", "DisplayName"), nullptr);
    const auto writes = f.memory.WriteCallCount();
    const auto lines = f.LObjekte.lines;
    Open([](Settings& form, FakeSettingsDialog& d) {
        EXPECT_EQ(d.RCaption.Caption(), " ");
        d.LStartType.index = 0;
        form.bReady_Click();
    });
    EXPECT_EQ(f.memory.WriteCallCount(), writes);
    EXPECT_EQ(f.LObjekte.lines, lines);
    EXPECT_THAT(f.settings.unloads, ElementsAre(1));
}

TEST(EditorEmptyList, OpensWithBlankFieldsAndOkWritesNothing) {
    EditorFixture f;
    f.Service("S", "S", "d", 2);
    const auto writes = f.memory.WriteCallCount();
    f.root.LObjekte_DblClick();
    f.settings.whileShown = [](Settings& form, FakeSettingsDialog&) { form.bReady_Click(); };
    f.root.LObjekte_DblClick();
    ASSERT_EQ(f.settings.shown.size(), 2u);
    EXPECT_EQ(f.settings.shown[0].caption, " ");
    EXPECT_EQ(f.settings.shown[0].description, " ");
    EXPECT_EQ(f.settings.shown[0].regName, "");
    EXPECT_EQ(f.memory.WriteCallCount(), writes);
    EXPECT_TRUE(f.LObjekte.lines.empty());
}

TEST(EditorShortening, TheRebuiltLineKeeps38CharactersOfALongDisplayName) {
    EditorFixture f;
    const std::string name39(39, 'n');
    const std::string name40 = std::string(38, 'm') + "MX";
    f.Service("A", name39, "a", 2);
    f.Service("B", name40, "b", 2);
    f.Line(name39, "a", "A");
    f.Line(std::string(37, 'm') + "...", "b", "B");
    f.settings.whileShown = [](Settings& form, FakeSettingsDialog&) { form.bReady_Click(); };
    f.Select(0);  // B's shortened line sorts first
    f.root.LObjekte_DblClick();
    f.Select(1);
    f.root.LObjekte_DblClick();
    ASSERT_EQ(f.settings.shown.size(), 2u);
    EXPECT_EQ(f.settings.shown[0].caption, name40);  // the dialog shows it whole
    EXPECT_THAT(f.LObjekte.lines,
                ElementsAre(std::string(38, 'm') + "...\tb\tB", name39 + "\ta\tA"));
}

TEST(EditorResort, TheRememberedIndexSelectsWhateverLineNowStandsThere) {
    EditorFixture f;
    f.Service("K1", "Dienst", "aaa", 2);
    f.Service("K2", "Dienst", "bbb", 3);
    f.Service("K3", "Dienst", "ccc", 4);
    f.Line("Dienst", "aaa", "K1");
    f.Line("Dienst", "bbb", "K2");
    f.Line("Dienst", "ccc", "K3");
    f.Select(0);
    f.settings.whileShown = [](Settings& form, FakeSettingsDialog& d) {
        d.RDescription.text = "zzz";
        form.bReady_Click();
    };
    f.root.LObjekte_DblClick();
    EXPECT_THAT(f.LObjekte.lines, ElementsAre("Dienst\tbbb\tK2", "Dienst\tccc\tK3", "Dienst\tzzz\tK1"));
    EXPECT_EQ(f.LObjekte.selected, 0);
    EXPECT_EQ(f.LObjekte.Text(), "Dienst\tbbb\tK2");
    EXPECT_EQ(f.bStartCaption.Caption(), "Startvorgang: Manuell");
}

TEST_F(EditorTest, CancelAndEscCloseWithoutWriting) {
    const auto writes = f.memory.WriteCallCount();
    const auto lines = f.LObjekte.lines;
    Open([](Settings& form, FakeSettingsDialog& d) {
        d.RDescription.text = "verworfen";
        d.LStartType.index = 0;
        form.bAbbrechen_Click();
    });
    EXPECT_EQ(f.memory.WriteCallCount(), writes);
    EXPECT_EQ(f.LObjekte.lines, lines);
    EXPECT_THAT(f.settings.unloads, ElementsAre(1));
}

TEST_F(EditorTest, ASecondOkWhileTheFirstYieldsDoesNothing) {
    int reentries = 0;
    Open([&](Settings& form, FakeSettingsDialog& d) {
        d.RDescription.text = "einmal";
        f.ui.onYield = [&] {
            if (reentries++ == 0) form.bReady_Click();
        };
        form.bReady_Click();
        f.ui.onYield = nullptr;
    });
    EXPECT_THAT(f.LObjekte.lines, ElementsAre("Alpha Dienst\tErster\tAlpha", "Beta Dienst\teinmal\tBeta",
                                              "Gamma Dienst\tDritter\tGamma"));
    EXPECT_THAT(f.settings.unloads, ElementsAre(1));
}

TEST_F(EditorTest, KeysAndFocusFollowTheKeyboardPath) {
    Open([](Settings& form, FakeSettingsDialog& d) {
        std::int16_t key = 'a';
        form.RDescription_KeyPress(key);
        EXPECT_EQ(key, 'a');
        EXPECT_EQ(d.focus, "RDescription");
        key = 13;
        form.RDescription_KeyPress(key);
        EXPECT_EQ(key, 0);  // never a line break
        EXPECT_EQ(d.focus, "LStartType");
        key = 'M';
        form.LStartType_KeyPress(key);
        EXPECT_EQ(key, 'M');
        EXPECT_EQ(d.focus, "LStartType");
        key = 13;
        form.LStartType_KeyPress(key);
        EXPECT_EQ(key, 0);
        EXPECT_EQ(d.focus, "bReady");
        // The key-name field passes its focus on at once.
        d.RRegName.SetFocus();
        EXPECT_EQ(d.focus, "bReady");
        EXPECT_EQ(d.unloads, 0);
    });
}

TEST_F(EditorTest, DoubleClickOnTheCaptionTogglesTheImageRow) {
    Open([](Settings& form, FakeSettingsDialog& d) {
        form.RCaption_DblClick();
        EXPECT_FALSE(d.PImage.visible);
        EXPECT_EQ(d.RDescription.height, 1770);
        form.RCaption_DblClick();
        EXPECT_TRUE(d.PImage.visible);
        EXPECT_EQ(d.RDescription.height, 1410);
    });
    EXPECT_TRUE(f.settings.shown[0].imageRowVisible);
}

TEST(TextSearch, FindsACaptionIgnoringCaseLikeTheEntryCheck) {
    EXPECT_TRUE(ContainsIgnoringCase(std::string("Mein Dienst\0 ", 13), "mein dienst"));
    EXPECT_TRUE(ContainsIgnoringCase("ÜBERWACHUNG DER GERÄTE", "überwachung der geräte"));
    EXPECT_TRUE(ContainsIgnoringCase("ŠKODA", "škoda"));
    EXPECT_FALSE(ContainsIgnoringCase("Dienst", "Dienste"));
    EXPECT_FALSE(ContainsIgnoringCase("Gerät", "Geraet"));
    EXPECT_TRUE(ContainsIgnoringCase("x", ""));
    EXPECT_FALSE(ContainsIgnoringCase("", ""));
    EXPECT_FALSE(ContainsIgnoringCase("", " "));
}

}  // namespace
}  // namespace sw::test
