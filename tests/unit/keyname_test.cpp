// The key name of a line is the field that SplitLine gives for the view,
// for lines with any number of TABs.
#include <gtest/gtest.h>

#include "catalogue/Lines.h"

namespace sw {
namespace {

TEST(KeyNameOf, AgreesWithSplitLineInBothViews) {
    for (const std::string line : {"", "key", "a\tb", "a\tb\tc", "a\tb\tc\td", "\t\t", "\t", "a\t\tc", "x\ty\t"}) {
        const LineFields fields = SplitLine(line);
        EXPECT_EQ(KeyNameOf(line, false), fields.third) << line;
        EXPECT_EQ(KeyNameOf(line, true), fields.second) << line;
    }
    EXPECT_EQ(KeyNameOf("Anzeige\tBeschreibung\tDienst", false), "Dienst");
    EXPECT_EQ(KeyNameOf("Anzeige\tTreiber\tGruppe", true), "Treiber");
    EXPECT_EQ(KeyNameOf("ohne Tab", true), "ohne Tab");
    EXPECT_EQ(KeyNameOf("eins\tzwei", false), "zwei");
}

}  // namespace
}  // namespace sw
