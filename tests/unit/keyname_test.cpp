// The key name of a line as the lists build it: whatever the display name,
// description or group hold, the line gives back the key it was built for.
#include <gtest/gtest.h>

#include "catalogue/Lines.h"

namespace sw {
namespace {

TEST(KeyNameOf, GivesBackTheKeyOfTheLinesTheListsBuild) {
    for (const std::string text : {"", "Anzeige", "mit\tTab", "zwei\t\tTabs", "Zeile\r\numbruch", "\t"}) {
        EXPECT_EQ(KeyNameOf(ServiceLine(text, text, "Dienst"), false), "Dienst") << text;
        EXPECT_EQ(KeyNameOf(DriverLine(text, "Treiber", text), true), "Treiber") << text;
    }
    // A key name with a blank stays whole.
    EXPECT_EQ(KeyNameOf(ServiceLine("A", "B", "Mein Dienst"), false), "Mein Dienst");
}

TEST(KeyNameOf, ALineWithFewerFieldsNamesWhatItHas) {
    // Lines that were not built by the lists (a line without TAB, with one).
    EXPECT_EQ(KeyNameOf("ohne Tab", true), "ohne Tab");
    EXPECT_EQ(KeyNameOf("ohne Tab", false), "ohne Tab");
    EXPECT_EQ(KeyNameOf("eins\tzwei", false), "zwei");
    EXPECT_EQ(KeyNameOf("eins\tzwei", true), "zwei");
    EXPECT_EQ(KeyNameOf("", false), "");
}

}  // namespace
}  // namespace sw
