// Opening an entry in the driver view: the registry editor jump, and the
// one-second wait before it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "unit/SettingsFakes.h"

namespace sw::test {
namespace {

using ::testing::ElementsAre;

const std::string kRegeditKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

class JumpTest : public ::testing::Test {
protected:
    JumpTest() {
        f.Driver("Beep", "Beep", "Base", 1);
        f.Driver("Null", "Null", "", 1);
        f.bErweitert.value = 1;  // the driver view, without rebuilding the list
        f.LObjekte.AddItem("Beep\tBeep\tBase", "Beep");
        f.LObjekte.AddItem("Null\tNull\t(none)", "Null");
        f.LObjekte.SetListIndex(1);
        f.clock.step = 0;
        // Time passes only while the program waits.
        f.ui.onYield = [this] {
            events.push_back({f.clock.now, LastKey(), f.shell.started.size()});
            f.clock.now += 0.125;
        };
        f.ui.pointers.clear();
    }

    std::string LastKey() const {
        const auto* v = f.memory.GetRaw(kHkeyCurrentUser, kRegeditKey, "LastKey");
        if (v == nullptr) return "<missing>";
        EXPECT_EQ(v->type, kRegSz);
        return v->Utf8Data();
    }

    struct Event {
        double clock;
        std::string lastKey;
        std::size_t started;
    };
    std::vector<Event> events;
    EditorFixture f;
};

TEST_F(JumpTest, DoubleClickStoresLastKeyWaitsASecondAndStartsTheRegistryEditorMaximised) {
    f.memory.CreateKey(kHkeyCurrentUser, kRegeditKey);
    const double before = f.clock.now;
    f.root.LObjekte_DblClick();

    const std::string expected = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Null";
    EXPECT_EQ(LastKey(), expected + std::string(1, '\0'));
    ASSERT_EQ(f.shell.started.size(), 1u);
    // By its full path in the Windows folder, never found by the search path.
    EXPECT_EQ(f.shell.started[0].first, "\"C:\\Windows\\regedit.exe\"");
    EXPECT_EQ(f.shell.started[0].second, ShowStyle::MaximizedFocus);
    EXPECT_EQ(static_cast<int>(f.shell.started[0].second), 3);
    // Every wait came after "LastKey" was written; the registry editor was
    // started once the clock had moved on by a second, and not much later.
    ASSERT_FALSE(events.empty());
    for (const auto& e : events) EXPECT_NE(e.lastKey, "<missing>");
    const auto firstAfterStart =
        std::find_if(events.begin(), events.end(), [](const Event& e) { return e.started == 1; });
    ASSERT_NE(firstAfterStart, events.end());
    EXPECT_GE(firstAfterStart->clock - before, 1.0);
    EXPECT_LT(firstAfterStart->clock - before, 1.25);
    EXPECT_THAT(f.ui.pointers, ElementsAre(kPointerHourglass, kPointerDefault));
    EXPECT_EQ(f.settings.loads, 0);  // no editor in this view
    EXPECT_GT(f.ui.idles, 0);
}

TEST_F(JumpTest, EnterDoesWhatADoubleClickDoes) {
    f.memory.CreateKey(kHkeyCurrentUser, kRegeditKey);
    f.LObjekte.SetListIndex(0);
    std::int16_t key = 13;
    f.root.LObjekte_KeyPress(key);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(LastKey(), "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Beep" + std::string(1, '\0'));
    EXPECT_EQ(f.shell.started.size(), 1u);
}

TEST_F(JumpTest, AMissingSettingsKeyIsNotCreatedAndTheEditorStillStarts) {
    f.shell.succeed = false;
    f.root.LObjekte_DblClick();
    EXPECT_EQ(f.memory.FindKey(kHkeyCurrentUser, kRegeditKey), nullptr);
    EXPECT_EQ(f.memory.FindKey(kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets"), nullptr);
    ASSERT_EQ(f.shell.started.size(), 1u);  // refused, but tried after the wait
    EXPECT_THAT(f.ui.pointers, ElementsAre(kPointerHourglass, kPointerDefault));
    EXPECT_TRUE(f.messages.shown.empty());
}

TEST(SleepTest, WaitsUntilTheClockHasMovedOnByTheSecondsAsked) {
    RootFixture f;
    f.clock.step = 0;
    f.clock.now = 1000.0;
    f.ui.onYield = [&] { f.clock.now += 0.3; };
    f.root.Sleep(1);
    EXPECT_NEAR(f.clock.now, 1001.2, 1e-9);  // 0.9 is not enough, 1.2 is
    EXPECT_EQ(f.ui.idles, 4);
    EXPECT_EQ(f.ui.yields, 4);
}

TEST(SleepTest, AcrossMidnightReturnsAfterTheSecondAndNotADayLater) {
    RootFixture f;
    f.clock.step = 0;
    f.clock.now = 86399.55;
    f.ui.onYield = [&] {
        if (f.ui.yields > 100) throw std::runtime_error("the wait did not end");
        f.clock.now += 0.3;
        if (f.clock.now >= 86400.0) f.clock.now -= 86400.0;
    };
    EXPECT_NO_THROW(f.root.Sleep(1));
    EXPECT_NEAR(f.clock.now, 0.75, 1e-6);  // 86399.55 + 4 × 0.3, past midnight
    EXPECT_EQ(f.ui.idles, 4);
}

TEST(SleepTest, AClockThatMovesOnWithEveryReadingAlsoEndsTheWait) {
    RootFixture f;  // the fake clock moves on by 0.25 per reading
    f.clock.now = 86399.0;
    f.ui.onYield = [&] {
        if (f.ui.yields > 100) throw std::runtime_error("the wait did not end");
    };
    EXPECT_NO_THROW(f.root.Sleep(1));
    EXPECT_LT(f.clock.readings, 12);
    EXPECT_GE(f.ui.idles, 1);
}

// A TAB in a display name or key name moves no field: "LastKey" names the
// line's own entry, and Enter and "&Anhalten" on it reach that entry, never
// the one its text shows where the key name would stand.
TEST(JumpWithTabs, TheRegistryEditorOpensAtTheLinesOwnEntry) {
    RootFixture f;
    f.memory.CreateKey(kHkeyCurrentUser, kRegeditKey);
    f.Driver("AccDrvGroup", "Acc Treiber Gruppe", "", 1);
    f.Driver("AccDrvTab", "Harmlos\tAccDrvGroup", "", 3);
    f.Driver("AccTab\tAccSvcAuto", "Tab im Schluessel", "", 3);
    f.bErweitert.enabled = false;  // no warning when switched by program
    f.bErweitert.SetValue(1);
    for (const std::string key : {"AccDrvTab", "AccTab\tAccSvcAuto"}) {
        const auto at = std::find(f.LObjekte.keys.begin(), f.LObjekte.keys.end(), key);
        ASSERT_NE(at, f.LObjekte.keys.end()) << key;
        f.LObjekte.SetListIndex(static_cast<int>(at - f.LObjekte.keys.begin()));
        std::int16_t enter = 13;
        f.root.LObjekte_KeyPress(enter);
        EXPECT_EQ(f.memory.GetRaw(kHkeyCurrentUser, kRegeditKey, "LastKey")->Utf8Data(),
                  "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\" + key + std::string(1, '\0'));
    }
    EXPECT_EQ(f.shell.started.size(), 2u);
}

}  // namespace
}  // namespace sw::test
