// The columns of the entry list: its tab stops, in dialog template units of
// the list's font, put the second and third field of a line where the column
// titles stand.
#include <gtest/gtest.h>

#include "win32/Win32Controls.h"
#include "windows/RootWindowHarness.h"

namespace sw::test {
namespace {

// The left-most column, in list client pixels, where line `index` has ink.
int FirstInk(HWND list, int index) {
    RECT client{};
    GetClientRect(list, &client);
    HDC screen = GetDC(list);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
    RECT item{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    // Inside the line's focus rectangle, where only the text draws.
    const COLORREF background = GetPixel(memory, item.right - 3, item.top + 2);
    int found = -1;
    for (int x = item.left + 2; x < item.right - 2 && found < 0; ++x)
        for (int y = item.top + 2; y < item.bottom - 2; ++y)
            if (GetPixel(memory, x, y) != background) {
                found = x;
                break;
            }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(list, screen);
    return found;
}

class TabStopTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(h.Open()); }
    // Where the second and third fields begin, in pixels of the window's
    // client area.
    std::pair<int, int> Columns() {
        ListBox& list = h.root().c.LObjekte;
        list.Clear();
        list.AddItem("\tI", "");    // only a second field
        list.AddItem("\t\tI", "");  // only a third field
        POINT origin{0, 0};
        ClientToScreen(h.List(), &origin);
        POINT root{0, 0};
        ClientToScreen(h.window.Hwnd(), &root);
        const int shift = origin.x - root.x;
        const int second = list.List(0) == "\tI" ? 0 : 1;
        const auto at = [&](int index) {
            const int x = FirstInk(h.List(), index);
            return x < 0 ? -1 : x + shift;
        };
        return {at(second), at(1 - second)};
    }
    int Px(int twips) const { return h.window.Scale().ToPx(twips); }
    // Where the list draws the text of `line`'s last field, in pixels of the
    // window's client area: the line alone in the list, its first ink.
    int InkOf(const std::string& line) {
        ListBox& list = h.root().c.LObjekte;
        list.Clear();
        list.AddItem(line, "");
        POINT origin{0, 0};
        ClientToScreen(h.List(), &origin);
        POINT root{0, 0};
        ClientToScreen(h.window.Hwnd(), &root);
        const int x = FirstInk(h.List(), 0);
        return x < 0 ? -1 : x + origin.x - root.x;
    }
    int TitleLeft(int id) const {
        RECT at{};
        GetWindowRect(h.Item(id), &at);
        POINT root{0, 0};
        ClientToScreen(h.window.Hwnd(), &root);
        return at.left - root.x;
    }
    // Where a title's text has its first ink: the label's left edge, where
    // it draws its text, plus the left bearing of its first letter.
    int TitleInk(int id) const {
        const HWND label = h.Item(id);
        wchar_t first[2]{};
        GetWindowTextW(label, first, 2);
        WindowDc dc(label);
        SelectedObject font(dc.Get(), reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
        ABC abc{};
        GetCharABCWidthsW(dc.Get(), first[0], first[0], &abc);
        return TitleLeft(id) + abc.abcA;
    }
    RootWindowHarness h;
};

// The list draws a field that follows a TAB one pixel right of the stop.
TEST_F(TabStopTest, FieldsStartAtTheStopsOfEachViewUnderTheirTitles) {
    const int avg = AverageCharWidth(h.List());
    POINT origin{0, 0};
    ClientToScreen(h.List(), &origin);
    POINT root{0, 0};
    ClientToScreen(h.window.Hwnd(), &root);
    const int listLeft = origin.x - root.x + 1;
    // A column begins under its title: between the title's left and right edge.
    const auto underTitle = [&](int column, int id) {
        RECT at{};
        GetWindowRect(h.Item(id), &at);
        return at.left - root.x <= column && column <= at.right - root.x;
    };
    RECT client{};
    GetClientRect(h.List(), &client);

    h.root().ReadProfile();  // service view: stops 144 and 400
    auto columns = Columns();
    EXPECT_NEAR(columns.first, listLeft + MulDiv(144, avg, 4), 2);
    EXPECT_TRUE(underTitle(columns.first, IDC_ROOT_LABEL2));
    // The key name stands beyond the list's right edge, out of sight.
    EXPECT_GT(MulDiv(400, avg, 4), client.right);
    EXPECT_EQ(columns.second, -1);

    h.root().c.bErweitert.SetValue(1);  // driver view: stops 170 and 275
    columns = Columns();
    EXPECT_NEAR(columns.first, listLeft + MulDiv(170, avg, 4), 2);
    EXPECT_NEAR(columns.second, listLeft + MulDiv(275, avg, 4), 2);
    EXPECT_TRUE(underTitle(columns.first, IDC_ROOT_LABEL2));
    EXPECT_TRUE(underTitle(columns.second, IDC_ROOT_LABEL3));
}

// Twips follow the DPI and the tab stops the list's font, and the two drift
// apart (at 144 DPI twips put "Gerätename" 22 and "Zugehörigkeit" 35 pixels
// left of their columns). Run at 96, 120, 144 and 192 DPI by the build. A
// title's text and its column's text, each beginning with the same letter,
// start within two pixels of each other.
TEST_F(TabStopTest, EachTitleStandsWithinTwoPixelsOfItsColumnInBothViews) {
    const int dpi = h.window.Scale().dpi;
    // At 96 DPI the titles keep the design's twips, which leave the
    // description title three pixels left of its column in this font.
    const int tolerance = dpi == 96 ? 3 : 2;
    const auto expectOver = [&](int id, const std::string& line) {
        const int ink = InkOf(line);
        ASSERT_GE(ink, 0) << "no text drawn for the column of title " << id;
        EXPECT_NEAR(TitleInk(id), ink, tolerance) << "title " << id << " at " << dpi << " DPI";
    };

    h.root().ReadProfile();  // service view: stops 144 and 400
    expectOver(IDC_ROOT_LABEL1, "N");
    expectOver(IDC_ROOT_LABEL2, "\tB");
    if (dpi == 96) EXPECT_NEAR(TitleLeft(IDC_ROOT_LABEL2), Px(3915), 1) << "the design's twips";

    h.root().c.bErweitert.SetValue(1);  // driver view: stops 170 and 275
    expectOver(IDC_ROOT_LABEL1, "N");
    expectOver(IDC_ROOT_LABEL2, "\tG");
    expectOver(IDC_ROOT_LABEL3, "\t\tZ");
    if (dpi == 96) {
        EXPECT_NEAR(TitleLeft(IDC_ROOT_LABEL2), Px(4615), 1) << "the design's twips";
        EXPECT_NEAR(TitleLeft(IDC_ROOT_LABEL3), Px(7365), 1) << "the design's twips";
    }

    h.root().c.bErweitert.SetValue(0);  // and back
    expectOver(IDC_ROOT_LABEL2, "\tB");
}

}  // namespace
}  // namespace sw::test
