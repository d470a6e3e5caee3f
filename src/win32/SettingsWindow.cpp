#include "win32/SettingsWindow.h"

#include <algorithm>

#include "win32/ControlIds.h"
#include "win32/MessageLoop.h"
#include "win32/Win32Platform.h"
#include "win32/WideText.h"

namespace sw {
namespace {

constexpr int kClientWidth = 5400;
constexpr int kClientHeight = 3435;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
// Where a field sits inside its frame's client area, twips.
constexpr int kFieldInsetLeft = 45;
constexpr int kFieldInsetTop = 35;

}  // namespace

SettingsWindow::SettingsWindow(HWND owner)
    : owner_(owner),
      controls_{rCaption_, rDescription_, lStartType_, bReady_, bAbbrechen_, picture1_, rRegName_, pImage_, rImage_} {}

SettingsWindow::~SettingsWindow() {
    ReleaseOwner();
    Destroy();
}

bool SettingsWindow::Create() {
    twips_ = ScreenTwips();
    font_ = MakeTahoma(twips_.dpi, 900, FW_NORMAL);
    boldFont_ = MakeTahoma(twips_.dpi, 900, FW_BOLD);
    const WindowTemplate shape{SW_SETTINGS_CLASS, false, kStyle, kExStyle, " Steuerungselemente", owner_,
                          twips_.ToPx(kClientWidth), twips_.ToPx(kClientHeight)};
    if (!CreateFrame(shape, Placement::Origin)) return false;
    CreateControls();
    Centre();
    return true;
}

void SettingsWindow::CreateControls() {
    const auto make = [&](auto& control, const ControlTemplate& shape, HFONT font) {
        control.Attach(CreateChild(Hwnd(), shape, twips_, font));
    };
    // Creation order is the tab order.
    make(rCaption_, {L"STATIC", "", IDC_SET_RCAPTION, kChild | SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 0, 225, 180, 3480, 870},
         boldFont_.Get());
    make(rDescription_,
         {L"EDIT", "", IDC_SET_RDESCRIPTION, kChild | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL,
          WS_EX_CLIENTEDGE, 180, 1125, 5055, kDescriptionHeight},
         font_.Get());
    // A combo box's height includes its dropped list.
    ControlTemplate combo{L"COMBOBOX", "", IDC_SET_LSTARTTYPE, kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                      0, 3330, 2925, 1905, 330 + 1200};
    make(lStartType_, combo, font_.Get());
    for (const char* item : {"Automatisch", "Manuell", "Deaktiviert"}) lStartType_.AddItem(item);
    make(bReady_, {L"BUTTON", "&Ok", IDC_SET_BREADY, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 4095, 135, 1140, 420},
         font_.Get());
    make(bAbbrechen_,
         {L"BUTTON", "&Abbrechen", IDC_SET_BABBRECHEN, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 4095, 585, 1140, 420},
         font_.Get());

    // The frames and the display-only fields they hold. A field's place is
    // given inside its frame's client area, within the frame's edge.
    const int edge = GetSystemMetrics(SM_CXEDGE);
    const auto field = [&](Win32TextBox& box, Win32PictureBox& holder, int id, int frameLeft, int frameTop,
                           int width, int height) {
        HWND hwnd = CreateWindowExW(0, L"EDIT", L"", kChild | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL,
                                    twips_.ToPx(frameLeft) + edge + twips_.ToPx(kFieldInsetLeft),
                                    twips_.ToPx(frameTop) + edge + twips_.ToPx(kFieldInsetTop), twips_.ToPx(width),
                                    twips_.ToPx(height), Hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                    GetModuleHandleW(nullptr), nullptr);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        box.Attach(hwnd);
        box.twips = twips_;
        holder.Hold(hwnd);
    };
    make(picture1_, {L"STATIC", "", IDC_SET_PICTURE1, kChild, WS_EX_CLIENTEDGE, 180, 2925, 3075, 330}, nullptr);
    field(rRegName_, picture1_, IDC_SET_RREGNAME, 180, 2925, 2895, 285);
    make(pImage_, {L"STATIC", "", IDC_SET_PIMAGE, kChild, WS_EX_CLIENTEDGE, 180, 2565, 5055, 330}, nullptr);
    field(rImage_, pImage_, IDC_SET_RIMAGE, 180, 2565, 4920, 285);
    // The frames lie under their fields (they take no focus, so the tab
    // order is not changed by this).
    for (HWND frame : {picture1_.Hwnd(), pImage_.Hwnd()})
        SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    rDescription_.twips = twips_;
    rCaption_.twips = twips_;
    descriptionKeys_.Attach(
        rDescription_.Hwnd(),
        [this](std::int16_t& key) {
            if (form_ != nullptr) form_->RDescription_KeyPress(key);
        },
        KeyRelay::DialogKeys::ToDialog);
    startTypeKeys_.Attach(lStartType_.Hwnd(), [this](std::int16_t& key) {
        if (form_ != nullptr) form_->LStartType_KeyPress(key);
    });
}

void SettingsWindow::Centre() {
    RECT own{};
    if (owner_ == nullptr || !GetWindowRect(owner_, &own)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &own, 0);
    RECT self;
    GetWindowRect(Hwnd(), &self);
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    int x = own.left + ((own.right - own.left) - width) / 2;
    int y = own.top + ((own.bottom - own.top) - height) / 2;
    // Keep the whole dialog on the screen that shows the main window.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromRect(&own, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        x = std::max<int>(work.left, std::min<int>(x, work.right - width));
        y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
    }
    SetWindowPos(Hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SettingsWindow::ShowModal(Settings& form) {
    if (Hwnd() == nullptr) return;
    form_ = &form;
    open_ = true;
    if (owner_ != nullptr) {
        ownerFocus_ = GetFocus();
        if (ownerFocus_ != owner_ && !IsChild(owner_, ownerFocus_)) ownerFocus_ = nullptr;
        EnableWindow(owner_, FALSE);
        ownerDisabled_ = true;
    }
    ShowWindow(Hwnd(), SW_SHOW);
    SetForegroundWindow(Hwnd());
    rDescription_.SetFocus();

    // When the program is ending, the quit is left for the main loop.
    if (const auto quit = PumpWhile([this] { return open_; })) PostQuitMessage(*quit);
    open_ = false;
    ReleaseOwner();
    ShowWindow(Hwnd(), SW_HIDE);
    form_ = nullptr;
}

void SettingsWindow::Unload() {
    if (!open_) return;
    open_ = false;
    // The owner takes input again before the dialog goes, so that it becomes
    // the active window.
    ReleaseOwner();
    ShowWindow(Hwnd(), SW_HIDE);
}

void SettingsWindow::ReleaseOwner() {
    if (!ownerDisabled_) return;
    ownerDisabled_ = false;
    EnableWindow(owner_, TRUE);
    SetActiveWindow(owner_);
    if (ownerFocus_ != nullptr && IsWindow(ownerFocus_)) SetFocus(ownerFocus_);
}

LRESULT SettingsWindow::ColorStatic(UINT msg, HDC dc, HWND control) {
    if (control == rRegName_.Hwnd() || control == rImage_.Hwnd()) {
        SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    if (control == picture1_.Hwnd() || control == pImage_.Hwnd()) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    return Default(msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
}

void SettingsWindow::OnCommand(int id, int code) {
    if (form_ == nullptr) return;
    switch (id) {
        case IDC_SET_BREADY:
            if (code == BN_CLICKED) form_->bReady_Click();
            break;
        case IDC_SET_BABBRECHEN:  // also Esc, through IDCANCEL
            if (code == BN_CLICKED) form_->bAbbrechen_Click();
            break;
        case IDC_SET_RREGNAME:
            if (code == EN_SETFOCUS) form_->RRegName_GotFocus();
            break;
        case IDC_SET_RCAPTION:
            if (code == STN_DBLCLK) form_->RCaption_DblClick();
            break;
        default: break;
    }
}

LRESULT SettingsWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case DM_GETDEFID: {
            // No button is the default; Enter presses the button that has
            // the focus, and nothing elsewhere.
            HWND focus = GetFocus();
            if (focus == bReady_.Hwnd()) return MAKELRESULT(IDC_SET_BREADY, DC_HASDEFID);
            if (focus == bAbbrechen_.Hwnd()) return MAKELRESULT(IDC_SET_BABBRECHEN, DC_HASDEFID);
            return 0;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
            return ColorStatic(msg, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_ACTIVATE:
            // Keep the focused control across a switch to another window.
            KeepFocusOnDeactivate(wParam);
            if (LOWORD(wParam) != WA_INACTIVE)
                SetFocus(KeptFocus() != nullptr && IsWindowVisible(KeptFocus()) ? KeptFocus() : rDescription_.Hwnd());
            return 0;
        case WM_SETCURSOR:
            if (Win32UserInterface::ApplyPointer()) return TRUE;
            break;
        case WM_CLOSE:
            // Any other close unloads the dialog too, without writing.
            Unload();
            return 0;
        default: break;
    }
    return Default(msg, wParam, lParam);
}

std::unique_ptr<SettingsDialog> Win32SettingsFactory::Load() {
    auto window = std::make_unique<SettingsWindow>(owner_ ? owner_() : nullptr);
    if (!window->Create()) return nullptr;
    return window;
}

}  // namespace sw
