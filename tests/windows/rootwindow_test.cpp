// The main window on USER32: where every control stands at the screen's DPI,
// its fonts and colours, and what the keyboard does (Esc, Tab, access keys,
// Enter) through the program's own message loop.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <tuple>

#include "win32/WideText.h"
#include "windows/RootWindowHarness.h"

namespace sw::test {
namespace {

struct Placed {
    int id;
    const char* name;
    int left, top, width, height;  // twips
    bool sizedToText;
};

// The controls that are visible at start.
const Placed kVisible[] = {
    {IDC_ROOT_LOBJEKTE, "LObjekte", 135, 460, 9690, 5730, false},
    {IDC_ROOT_BSTARTEN, "bStarten", 135, 6705, 1185, 420, false},
    {IDC_ROOT_BANHALTEN, "bAnhalten", 1395, 6705, 1185, 420, false},
    {IDC_ROOT_BBEARBEITEN, "bBearbeiten", 2655, 6705, 1185, 420, false},
    {IDC_ROOT_BDRUCKEN, "bDrucken", 4050, 6705, 1185, 420, false},
    {IDC_ROOT_BCHECKER, "bChecker", 5310, 6705, 1185, 420, false},
    {IDC_ROOT_BERWEITERT, "bErweitert", 180, 6345, 3840, 240, false},
    {IDC_ROOT_BSTARTCAPTION, "bStartCaption", 8325, 6390, 1185, 210, true},
    {IDC_ROOT_LABEL0, "Label_0", 125, 135, 9700, 300, false},
    {IDC_ROOT_LABEL1, "Label_1", 180, 165, 1830, 240, true},
    {IDC_ROOT_LABEL2, "Label_2", 3915, 165, 3540, 240, true},
};

std::string Text(HWND hwnd) { return WindowText(hwnd); }

RECT InParent(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE TextExtent(HWND control) {
    WindowDc dc(control);
    SelectedObject font(dc.Get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    const std::wstring text = Wide(Text(control));
    SIZE size{};
    GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
}

class RootWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(h.Open()); }
    int Px(int twips) const { return MulDiv(twips, dpi, 1440); }
    int Focused() const { return GetDlgCtrlID(GetFocus()); }
    RootWindowHarness h;
    int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int value = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        return value;
    }();
};

// The run at a higher DPI must really have it, or it proves nothing.
TEST_F(RootWindowTest, ScreenHasTheDpiTheRunAskedFor) {
    const char* asked = std::getenv("SW_LOGPIXELS");
    EXPECT_EQ(dpi, asked != nullptr ? std::atoi(asked) : 96);
    EXPECT_EQ(h.window.Scale().dpi, dpi);
}

TEST_F(RootWindowTest, WindowIsFixedCentredAndHasItsClientAreaInTwips) {
    const HWND root = h.window.Hwnd();
    EXPECT_EQ(Text(root), "Tavrine™ Startwart XP");
    const LONG style = GetWindowLongW(root, GWL_STYLE);
    EXPECT_EQ(style & WS_THICKFRAME, 0) << "the user cannot resize it";
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0) << "it cannot be maximised";
    EXPECT_NE(style & WS_CAPTION, 0);
    EXPECT_EQ(GetMenu(root), nullptr);
    RECT client{};
    GetClientRect(root, &client);
    EXPECT_NEAR(client.right, Px(9975), 1);
    EXPECT_NEAR(client.bottom, Px(7245), 1);
    RECT frame{};
    GetWindowRect(root, &frame);
    EXPECT_NEAR(frame.left + frame.right, GetSystemMetrics(SM_CXSCREEN), 1);
    EXPECT_NEAR(frame.top + frame.bottom, GetSystemMetrics(SM_CYSCREEN), 1);
}

TEST_F(RootWindowTest, ControlsStandWhereTheirTwipsSayAtTheScreensDpi) {
    for (const auto& c : kVisible) {
        const HWND control = h.Item(c.id);
        ASSERT_NE(control, nullptr) << c.name;
        EXPECT_TRUE(IsWindowVisible(control)) << c.name;
        const RECT at = InParent(control);
        // At other DPIs the column title stands over its tab stop instead
        // (TabStopTest measures it against the drawn column).
        if (c.id != IDC_ROOT_LABEL2 || dpi == 96) {
            EXPECT_NEAR(at.left, Px(c.left), 1) << c.name;
        }
        EXPECT_NEAR(at.top, Px(c.top), 1) << c.name;
        if (c.sizedToText) {
            const SIZE text = TextExtent(control);
            EXPECT_NEAR(at.right - at.left, text.cx, 1) << c.name;
            EXPECT_NEAR(at.bottom - at.top, text.cy, 1) << c.name;
        } else {
            EXPECT_NEAR(at.right - at.left, Px(c.width), 1) << c.name;
            EXPECT_NEAR(at.bottom - at.top, Px(c.height), 1) << c.name;
        }
    }
}

TEST_F(RootWindowTest, CaptionsAndPropertiesAtStart) {
    const std::pair<int, const char*> captions[] = {
        {IDC_ROOT_BSTARTEN, "&Starten"},
        {IDC_ROOT_BANHALTEN, "&Anhalten"},
        {IDC_ROOT_BBEARBEITEN, "&Bearbeiten"},
        {IDC_ROOT_BDRUCKEN, "&Drucken"},
        {IDC_ROOT_BCHECKER, "Checker"},
        {IDC_ROOT_BBACKUPS, "Ba&ckups"},
        {IDC_ROOT_BERWEITERT, "&Erweiterte Treiberdateien anzeigen "},
        {IDC_ROOT_BSTARTCAPTION, "Startvorgang: "},
        {IDC_ROOT_BABBRECHEN, "Abbrechen"},
        {IDC_ROOT_LABEL0, ""},
        {IDC_ROOT_LABEL1, "Name des Dienstes"},
        {IDC_ROOT_LABEL2, "Beschreibung (nährere Erklärungen)"},
        {IDC_ROOT_LABEL3, "Zugehörigkeit"},
    };
    for (const auto& [id, caption] : captions) EXPECT_EQ(Text(h.Item(id)), caption) << id;

    for (int id : {IDC_ROOT_BBACKUPS, IDC_ROOT_BABBRECHEN, IDC_ROOT_LPROFILE, IDC_ROOT_LABEL3})
        EXPECT_FALSE(IsWindowVisible(h.Item(id))) << id;
    EXPECT_FALSE(IsWindowEnabled(h.Item(IDC_ROOT_LPROFILE)));
    EXPECT_TRUE(IsWindowEnabled(h.Item(IDC_ROOT_BBEARBEITEN)));
    EXPECT_EQ(h.root().c.bErweitert.Value(), 0);
    EXPECT_EQ(h.root().c.bBackups.Tag(), "0");
    EXPECT_NE(GetWindowLongW(h.List(), GWL_STYLE) & LBS_SORT, 0);
    EXPECT_EQ(GetWindowLongW(h.Item(IDC_ROOT_LPROFILE), GWL_STYLE) & LBS_SORT, 0);
    EXPECT_EQ(GetWindowLongW(h.List(), GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL), 0);
    // The cancel button lies under the list, and no button is the default.
    const RECT list = InParent(h.List());
    const RECT cancel = InParent(h.Item(IDC_ROOT_BABBRECHEN));
    EXPECT_TRUE(cancel.left >= list.left && cancel.right <= list.right && cancel.top >= list.top &&
                cancel.bottom <= list.bottom);
    for (int id : {IDC_ROOT_BSTARTEN, IDC_ROOT_BANHALTEN, IDC_ROOT_BBEARBEITEN, IDC_ROOT_BDRUCKEN, IDC_ROOT_BCHECKER,
                   IDC_ROOT_BABBRECHEN})
        EXPECT_EQ(GetWindowLongW(h.Item(id), GWL_STYLE) & BS_DEFPUSHBUTTON, 0) << id;
}

TEST_F(RootWindowTest, FontsAndColours) {
    const LONG normal = -MulDiv(900, dpi, 7200);
    const LONG header = -MulDiv(975, dpi, 7200);
    for (int id : {IDC_ROOT_LOBJEKTE, IDC_ROOT_BSTARTEN, IDC_ROOT_BERWEITERT, IDC_ROOT_BSTARTCAPTION}) {
        const LOGFONTW font = FontOf(h.Item(id));
        EXPECT_STREQ(font.lfFaceName, L"Tahoma") << id;
        EXPECT_EQ(font.lfHeight, normal) << id;
        EXPECT_LT(font.lfWeight, FW_BOLD) << id;
    }
    for (int id : {IDC_ROOT_LABEL1, IDC_ROOT_LABEL2, IDC_ROOT_LABEL3}) {
        const LOGFONTW font = FontOf(h.Item(id));
        EXPECT_STREQ(font.lfFaceName, L"Tahoma") << id;
        EXPECT_EQ(font.lfHeight, header) << id;
        EXPECT_EQ(font.lfWeight, FW_BOLD) << id;
    }

    // What the window tells each label to paint with.
    HDC dc = CreateCompatibleDC(nullptr);
    const auto colours = [&](int id) {
        SetTextColor(dc, RGB(1, 2, 3));
        SetBkMode(dc, OPAQUE);
        auto brush = reinterpret_cast<HBRUSH>(SendMessageW(h.window.Hwnd(), WM_CTLCOLORSTATIC,
                                                           reinterpret_cast<WPARAM>(dc),
                                                           reinterpret_cast<LPARAM>(h.Item(id))));
        LOGBRUSH fill{};
        GetObjectW(brush, sizeof fill, &fill);
        return std::make_tuple(GetTextColor(dc), GetBkMode(dc), fill.lbColor);
    };
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_EQ(std::get<2>(colours(IDC_ROOT_LABEL0)), highlight);
    for (int id : {IDC_ROOT_LABEL1, IDC_ROOT_LABEL2, IDC_ROOT_LABEL3}) {
        const auto [text, mode, fill] = colours(id);
        EXPECT_EQ(text, RGB(255, 255, 255)) << id;
        EXPECT_EQ(mode, TRANSPARENT) << id;
        EXPECT_EQ(fill, highlight) << id;  // they lie on the bar
    }
    const auto [text, mode, fill] = colours(IDC_ROOT_BSTARTCAPTION);
    EXPECT_EQ(text, GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(mode, TRANSPARENT);
    EXPECT_EQ(fill, GetSysColor(COLOR_BTNFACE));
    DeleteDC(dc);
    EXPECT_NE(GetWindowLongW(h.Item(IDC_ROOT_BSTARTCAPTION), GWL_STYLE) & SS_RIGHT, 0);
}

TEST_F(RootWindowTest, StartCaptionGrowsLeftKeepingItsRightEdge) {
    const RECT before = InParent(h.Item(IDC_ROOT_BSTARTCAPTION));
    h.root().c.bStartCaption.SetCaption("Startvorgang: Deaktiviert");
    const RECT after = InParent(h.Item(IDC_ROOT_BSTARTCAPTION));
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.right - after.left, TextExtent(h.Item(IDC_ROOT_BSTARTCAPTION)).cx);
    RECT client{};
    GetClientRect(h.window.Hwnd(), &client);
    EXPECT_LE(after.right, client.right);
}

class KeyboardTest : public RootWindowTest {
protected:
    void SetUp() override {
        h.Service("svcA", "Anna", "a", 2);
        h.Driver("drvB", "Bus", "Boot Bus Extender", 0);
        RootWindowTest::SetUp();
        h.root().GetProfile(kHkeyLocalMachine, kServicesPath);
        h.root().ReadProfile();
        SetFocus(h.List());
        Pump();
        spy = std::make_unique<Spy>(h.window.Hwnd(), h.List());
    }
    std::unique_ptr<Spy> spy;
};

TEST_F(KeyboardTest, EscFromEveryControlReachesTheHiddenCancelButtonsCommand) {
    for (int id : {IDC_ROOT_LOBJEKTE, IDC_ROOT_BSTARTEN, IDC_ROOT_BANHALTEN, IDC_ROOT_BBEARBEITEN, IDC_ROOT_BDRUCKEN,
                   IDC_ROOT_BCHECKER, IDC_ROOT_BERWEITERT}) {
        SetFocus(h.Item(id));
        spy->Reset();
        Press(VK_ESCAPE);
        EXPECT_EQ(spy->Count(IDCANCEL), 1) << id;
        EXPECT_EQ(spy->Total(), 1) << id;
        EXPECT_FALSE(IsWindowVisible(h.Item(IDC_ROOT_BABBRECHEN))) << id;
    }
}

TEST_F(KeyboardTest, TabRunsThroughTheControlsInOrderSkippingADisabledEditButton) {
    const auto walk = [&](WORD modifier) {
        std::vector<int> ids;
        for (int i = 0; i < 7; ++i) {
            Press(VK_TAB, modifier);
            ids.push_back(Focused());
        }
        return ids;
    };
    using ::testing::ElementsAre;
    EXPECT_THAT(walk(0), ElementsAre(IDC_ROOT_BSTARTEN, IDC_ROOT_BANHALTEN, IDC_ROOT_BBEARBEITEN, IDC_ROOT_BDRUCKEN,
                                     IDC_ROOT_BCHECKER, IDC_ROOT_BERWEITERT, IDC_ROOT_LOBJEKTE));
    EXPECT_THAT(walk(VK_SHIFT), ElementsAre(IDC_ROOT_BERWEITERT, IDC_ROOT_BCHECKER, IDC_ROOT_BDRUCKEN,
                                            IDC_ROOT_BBEARBEITEN, IDC_ROOT_BANHALTEN, IDC_ROOT_BSTARTEN,
                                            IDC_ROOT_LOBJEKTE));
    h.root().c.bBearbeiten.SetEnabled(false);
    EXPECT_THAT(walk(0), ElementsAre(IDC_ROOT_BSTARTEN, IDC_ROOT_BANHALTEN, IDC_ROOT_BDRUCKEN, IDC_ROOT_BCHECKER,
                                     IDC_ROOT_BERWEITERT, IDC_ROOT_LOBJEKTE, IDC_ROOT_BSTARTEN));
    EXPECT_EQ(spy->Total(), 0);
}

TEST_F(KeyboardTest, AccessKeysClickTheirButtonsAndAltCDoesNothing) {
    const std::pair<WORD, int> keys[] = {
        {'S', IDC_ROOT_BSTARTEN}, {'A', IDC_ROOT_BANHALTEN}, {'B', IDC_ROOT_BBEARBEITEN}, {'D', IDC_ROOT_BDRUCKEN}};
    for (const auto& [key, id] : keys) {
        SetFocus(h.List());
        spy->Reset();
        Press(key, VK_MENU);
        EXPECT_EQ(spy->Count(id), 1) << static_cast<char>(key);
        EXPECT_EQ(spy->Total(), 1) << static_cast<char>(key);
    }
    SetFocus(h.List());
    spy->Reset();
    Press('C', VK_MENU);
    EXPECT_EQ(spy->Total(), 0);
    EXPECT_EQ(Focused(), IDC_ROOT_LOBJEKTE);
    EXPECT_FALSE(IsWindowVisible(h.Item(IDC_ROOT_BBACKUPS)));
}

TEST_F(KeyboardTest, AltESwitchesTheViewBackAndForth) {
    Press('E', VK_MENU);
    EXPECT_EQ(h.root().c.bErweitert.Value(), 1);
    EXPECT_EQ(SendMessageW(h.Item(IDC_ROOT_BERWEITERT), BM_GETCHECK, 0, 0), BST_CHECKED);
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.root().c.LObjekte.List(0), "Anna\tsvcA\t(none)");
    EXPECT_EQ(h.root().c.LObjekte.List(1), "Bus\tdrvB\tBoot Bus Extender");
    EXPECT_FALSE(IsWindowEnabled(h.Item(IDC_ROOT_BBEARBEITEN)));
    EXPECT_EQ(Focused(), IDC_ROOT_LOBJEKTE);

    Press('E', VK_MENU);
    EXPECT_EQ(h.root().c.bErweitert.Value(), 0);
    EXPECT_EQ(h.messages.shown.size(), 2u);
    EXPECT_EQ(h.root().c.LObjekte.ListCount(), 1);
    EXPECT_TRUE(IsWindowEnabled(h.Item(IDC_ROOT_BBEARBEITEN)));
    EXPECT_EQ(Focused(), IDC_ROOT_LOBJEKTE);
}

TEST_F(KeyboardTest, EnterInTheListReachesItsKeyHandlerNotADefaultButton) {
    Press(VK_RETURN);
    EXPECT_EQ(spy->listChars, std::vector<WPARAM>{VK_RETURN});
    EXPECT_EQ(spy->Total(), 0);
}

TEST_F(KeyboardTest, FocusComesBackToItsControlWhenTheWindowIsActivatedAgain) {
    SetFocus(h.Item(IDC_ROOT_BDRUCKEN));
    HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr, nullptr,
                                 nullptr);
    SetForegroundWindow(other);
    Pump();
    SetForegroundWindow(h.window.Hwnd());
    Pump();
    EXPECT_EQ(Focused(), IDC_ROOT_BDRUCKEN);
    DestroyWindow(other);
}

}  // namespace
}  // namespace sw::test
