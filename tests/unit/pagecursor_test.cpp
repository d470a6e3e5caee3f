// How the print position moves and where printed text breaks into lines.
#include <gtest/gtest.h>

#include "printing/PageCursor.h"

namespace sw {
namespace {

TEST(BreakLines, EveryKindOfLineEndBreaksOnce) {
    EXPECT_EQ(BreakLines("a\n\rb\n\r"), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(BreakLines("a\r\nb"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(BreakLines("a\n\nb\rc"), (std::vector<std::string>{"a", "", "b", "c"}));
    EXPECT_EQ(BreakLines(""), (std::vector<std::string>{""}));
    EXPECT_EQ(BreakLines(" "), (std::vector<std::string>{" "}));
}

TEST(PageCursor, EndingALineReturnsToTheLeftAndANewPageKeepsTheColumn) {
    PageCursor cursor(1000);
    cursor.x = 5500;
    cursor.Advance(300);
    EXPECT_EQ(cursor.x, 5800);
    cursor.EndLine(240);
    EXPECT_EQ(cursor.x, 0);
    EXPECT_EQ(cursor.y, 240);
    cursor.EndLine(240);
    cursor.EndLine(240);
    EXPECT_FALSE(cursor.Overflows(280));  // 720 + 280 fits exactly
    EXPECT_TRUE(cursor.Overflows(281));
    cursor.x = 9000;
    cursor.NewPage();
    EXPECT_EQ(cursor.y, 0);
    EXPECT_EQ(cursor.x, 9000);
    // A line taller than the page still goes onto an empty page.
    EXPECT_FALSE(cursor.Overflows(5000));
}

}  // namespace
}  // namespace sw
