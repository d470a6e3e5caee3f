// The plumbing under every window of the program: the window base's life
// from WM_NCCREATE to WM_NCDESTROY, the key relay of a control, the one
// message pump with its handling of WM_QUIT and the thread timer, the owner
// of a GDI selection, and the modal window of the restore on that pump.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "win32/KeyRelay.h"
#include "win32/ControlIds.h"
#include "win32/MessageLoop.h"
#include "win32/RestoreWindow.h"
#include "win32/Win32Controls.h"
#include "win32/WindowBase.h"

namespace sw::test {
namespace {

// A window that notes what it was told and with which handle.
class ProbeWindow final : public WindowBase {
public:
    // Counts messages that reach the object once its destructor has begun.
    explicit ProbeWindow(int* latecomers = nullptr) : latecomers_(latecomers) {}
    ~ProbeWindow() override {
        ending_ = true;
        if (destroyOnEnd) Destroy();
    }

    bool Create() {
        const WindowTemplate shape{L"SwProbeWindow", false, WS_OVERLAPPEDWINDOW, 0, "Probe", nullptr, 300, 200};
        return CreateFrame(shape, Placement::Origin);
    }
    using WindowBase::Destroy;

    bool destroyOnEnd = true;
    HWND atNcCreate = nullptr;
    HWND atNcDestroy = nullptr;
    int closes = 0;

private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (ending_ && latecomers_ != nullptr) ++*latecomers_;
        if (msg == WM_NCCREATE) atNcCreate = Hwnd();
        if (msg == WM_NCDESTROY) atNcDestroy = Hwnd();
        if (msg == WM_CLOSE) {
            ++closes;
            Destroy();
            return 0;
        }
        return Default(msg, wParam, lParam);
    }

    int* latecomers_;
    bool ending_ = false;
};

TEST(WindowBase, KeepsItsHandleFromNcCreateToNcDestroyAndLetsGoAfterwards) {
    ProbeWindow window;
    ASSERT_TRUE(window.Create());
    const HWND hwnd = window.Hwnd();
    EXPECT_EQ(window.atNcCreate, hwnd);
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);

    // Closed from its own handler, as the program's windows close.
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(window.closes, 1);
    EXPECT_EQ(window.atNcDestroy, hwnd);
    EXPECT_EQ(window.Hwnd(), nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
    // A second destruction and the destructor have nothing left to do.
    window.Destroy();
}

TEST(WindowBase, ObjectThatGoesFirstTakesItsWindowAlongWithoutBeingCalledAgain) {
    int latecomers = 0;
    HWND hwnd = nullptr;
    {
        ProbeWindow window(&latecomers);
        window.destroyOnEnd = false;  // leaves the window to the base
        ASSERT_TRUE(window.Create());
        hwnd = window.Hwnd();
    }
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(latecomers, 0);
}

// A multi-line text box whose typed characters go through a relay.
class KeyRelayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Create());
        box = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, 0, 200, 100, window.Hwnd(),
                              nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(box, nullptr);
    }
    void Type(wchar_t ch) { SendMessageW(box, WM_CHAR, ch, 1); }
    std::string Text() const { return WindowText(box); }
    LRESULT DialogCode(WPARAM vk) {
        MSG pending{box, WM_KEYDOWN, vk, 1, 0, {}};
        return SendMessageW(box, WM_GETDLGCODE, vk, reinterpret_cast<LPARAM>(&pending));
    }
    // 'a' becomes 'b', 'x' is swallowed, every key is noted.
    KeyRelay::Handler Handler() {
        return [this](std::int16_t& key) {
            seen.push_back(key);
            if (key == 'a') key = 'b';
            if (key == 'x') key = 0;
        };
    }

    ProbeWindow window;
    HWND box = nullptr;
    std::vector<int> seen;
};

TEST_F(KeyRelayTest, HandlerSeesEveryKeyAndMayChangeOrSwallowIt) {
    KeyRelay relay;
    relay.Attach(box, Handler());
    Type('a');
    Type('x');
    Type('c');
    EXPECT_EQ(seen, (std::vector<int>{'a', 'x', 'c'}));
    EXPECT_EQ(Text(), "bc");
}

TEST_F(KeyRelayTest, EnterIsWantedAndTabAndEscGoToTheDialogOnlyWhenAsked) {
    const LRESULT plainTab = DialogCode(VK_TAB);
    ASSERT_NE(plainTab & DLGC_WANTALLKEYS, 0) << "a multi-line box takes every key itself";
    {
        KeyRelay relay;
        relay.Attach(box, Handler());
        EXPECT_NE(DialogCode(VK_RETURN) & DLGC_WANTMESSAGE, 0);
        EXPECT_EQ(DialogCode(VK_TAB), plainTab);
    }
    KeyRelay relay;
    relay.Attach(box, Handler(), KeyRelay::DialogKeys::ToDialog);
    EXPECT_EQ(DialogCode(VK_TAB) & DLGC_WANTALLKEYS, 0);
    EXPECT_EQ(DialogCode(VK_ESCAPE) & DLGC_WANTALLKEYS, 0);
    EXPECT_NE(DialogCode(VK_RETURN) & DLGC_WANTMESSAGE, 0);
}

TEST_F(KeyRelayTest, RelayThatGoesFirstLeavesTheControlToItself) {
    {
        KeyRelay relay;
        relay.Attach(box, Handler());
    }
    Type('a');
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(Text(), "a");
}

int g_timerRuns = 0;
void CALLBACK CountTimer(HWND, UINT, UINT_PTR, DWORD) { ++g_timerRuns; }

TEST(MessagePump, WaitingMessagesIncludeTheThreadTimersWithoutAWindow) {
    g_timerRuns = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, CountTimer);
    ASSERT_NE(timer, 0u);
    const DWORD end = GetTickCount() + 2000;
    while (g_timerRuns == 0 && static_cast<int>(end - GetTickCount()) > 0) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        EXPECT_TRUE(PumpWaiting());
    }
    KillTimer(nullptr, timer);
    EXPECT_GT(g_timerRuns, 0);
}

TEST(MessagePump, QuitIsLeftForTheLoopThatOwnsIt) {
    PostQuitMessage(7);
    EXPECT_FALSE(PumpWaiting());
    MSG waiting;
    ASSERT_TRUE(PeekMessageW(&waiting, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    // An inner pump hands the quit back; the main loop ends with its code.
    int rounds = 0;
    EXPECT_EQ(PumpWhile([&rounds] { return ++rounds < 100; }), 7);
    PostQuitMessage(9);
    EXPECT_EQ(RunMessageLoop(), 9);
}

TEST(MessagePump, EndsWhenItsConditionNoLongerHolds) {
    ProbeWindow window;
    ASSERT_TRUE(window.Create());
    PostMessageW(window.Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(PumpWhile([&window] { return window.Hwnd() != nullptr; }), std::nullopt);
    EXPECT_EQ(window.closes, 1);
}

TEST(SelectedObject, GivesTheContextBackTheObjectItHeldBeforeTheFirstSelection) {
    WindowDc screen(nullptr);
    DcOwner dc(CreateCompatibleDC(screen.Get()));
    ASSERT_TRUE(dc);
    const FontOwner normal = MakeTahoma(96, 900, FW_NORMAL);
    const FontOwner bold = MakeTahoma(96, 900, FW_BOLD);
    const HGDIOBJ original = GetCurrentObject(dc.Get(), OBJ_FONT);
    {
        SelectedObject selection(dc.Get(), normal.Get());
        EXPECT_TRUE(selection.Select(dc.Get(), bold.Get()));
        EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_FONT), bold.Get());
        // Moved on, the selection is undone once, by its new owner.
        SelectedObject moved(std::move(selection));
        EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_FONT), bold.Get());
    }
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_FONT), original);

    SelectedObject held(dc.Get(), normal.Get());
    held = SelectedObject();
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_FONT), original);
}

// Runs `act` on the restore window once it is shown, from a thread timer
// that the modal pump dispatches; a window still open 5 s later is closed,
// and the test fails.
struct WhileModal {
    static inline std::function<void(HWND)> act;
    static inline DWORD shownAt = 0;
    static inline bool acted = false;
    static inline bool overTime = false;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND window = FindWindowW(SW_RESTORE_CLASS, nullptr);
        if (window == nullptr || !IsWindowVisible(window)) return;
        if (!acted) {
            acted = true;
            shownAt = GetTickCount();
            act(window);
        } else if (GetTickCount() - shownAt > 5000) {
            overTime = true;
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
    }
    static bool Run(RestoreWindow& window, const RestoreWindow::Content& content, std::function<void(HWND)> what) {
        act = std::move(what);
        acted = overTime = false;
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
        const bool accepted = window.ShowModal(content);
        KillTimer(nullptr, timer);
        EXPECT_TRUE(acted);
        EXPECT_FALSE(overTime);
        return accepted;
    }
};

void Key(HWND window, WPARAM vk) {
    HWND focus = GetFocus();
    PostMessageW(focus != nullptr ? focus : window, WM_KEYDOWN, vk, 1);
}

LONG_PTR ButtonKind(HWND window, int id) { return GetWindowLongPtrW(GetDlgItem(window, id), GWL_STYLE) & BS_TYPEMASK; }

TEST(RestoreWindow, ItsButtonsAndKeysAnswerAndItsOwnerTakesNoInputMeanwhile) {
    ProbeWindow owner;
    ASSERT_TRUE(owner.Create());
    ShowWindow(owner.Hwnd(), SW_SHOW);
    const RestoreWindow::Content preview{" Zurücksetzen", "Erste Zeile\nZweite Zeile", "&Zurücksetzen", "&Abbrechen",
                                         false};
    {
        RestoreWindow window(owner.Hwnd());
        EXPECT_TRUE(WhileModal::Run(window, preview, [&owner](HWND w) {
            EXPECT_FALSE(IsWindowEnabled(owner.Hwnd()));
            EXPECT_EQ(GetWindow(w, GW_OWNER), owner.Hwnd());
            EXPECT_EQ(WindowText(GetDlgItem(w, IDC_RST_TEXT)), "Erste Zeile\r\nZweite Zeile");
            EXPECT_EQ(ButtonKind(w, IDC_RST_BZURUECKSETZEN), BS_DEFPUSHBUTTON);
            EXPECT_EQ(ButtonKind(w, IDC_RST_BABBRECHEN), BS_PUSHBUTTON);
            EXPECT_EQ(GetFocus(), GetDlgItem(w, IDC_RST_BZURUECKSETZEN));
            Key(w, VK_RETURN);
        }));
        EXPECT_TRUE(IsWindowEnabled(owner.Hwnd()));
        EXPECT_EQ(window.Hwnd(), nullptr);
    }
    for (const WPARAM key : {WPARAM{VK_ESCAPE}, WPARAM{VK_RETURN}}) {
        // A boot or system start type: "&Abbrechen" is the default, and Enter
        // as well as Esc answers no.
        RestoreWindow::Content careful = preview;
        careful.closeIsDefault = true;
        RestoreWindow window(owner.Hwnd());
        EXPECT_FALSE(WhileModal::Run(window, careful, [key](HWND w) {
            EXPECT_EQ(ButtonKind(w, IDC_RST_BABBRECHEN), BS_DEFPUSHBUTTON);
            EXPECT_EQ(ButtonKind(w, IDC_RST_BZURUECKSETZEN), BS_PUSHBUTTON);
            EXPECT_EQ(GetFocus(), GetDlgItem(w, IDC_RST_BABBRECHEN));
            Key(w, key);
        }));
        EXPECT_TRUE(IsWindowEnabled(owner.Hwnd()));
    }
    {
        // The result has one button; a click on it, or any close, ends it.
        RestoreWindow window(owner.Hwnd());
        EXPECT_FALSE(WhileModal::Run(window, {" Zurückgesetzt", "Fertig", "", "&Schließen", true}, [](HWND w) {
            EXPECT_EQ(GetDlgItem(w, IDC_RST_BZURUECKSETZEN), nullptr);
            EXPECT_EQ(WindowText(GetDlgItem(w, IDC_RST_BABBRECHEN)), "&Schließen");
            PostMessageW(GetDlgItem(w, IDC_RST_BABBRECHEN), BM_CLICK, 0, 0);
        }));
    }
    {
        RestoreWindow window(owner.Hwnd());
        EXPECT_TRUE(WhileModal::Run(window, preview, [](HWND w) {
            PostMessageW(GetDlgItem(w, IDC_RST_BZURUECKSETZEN), BM_CLICK, 0, 0);
        }));
    }
}

}  // namespace
}  // namespace sw::test
