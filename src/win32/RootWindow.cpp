#include "win32/RootWindow.h"

#include <utility>

#include "win32/ChangesWindow.h"
#include "win32/HistoryWindow.h"
#include "win32/ControlIds.h"
#include "win32/Win32Platform.h"
#include "win32/WideText.h"

namespace sw {
namespace {

constexpr int kClientWidth = 9975;
constexpr int kClientHeight = 7245;
constexpr DWORD kRootStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kChild = WS_CLIPSIBLINGS;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
// Posted by Show: the window has been shown for the first time.
constexpr UINT kShown = WM_APP + 1;

// The column titles' left edges in twips and the entry list's tab stops, in
// dialog template units, that they stand over: the service view's second
// column, the driver view's second and third.
struct TitleOverStop {
    int twipsLeft;
    int dialogUnits;
};
constexpr int kDescriptionTitleLeft = 3915;  // Label_2 in the service view
constexpr int kDeviceTitleLeft = 4615;       // Label_2 in the driver view
constexpr int kGroupTitleLeft = 7365;        // Label_3
constexpr TitleOverStop kTitleStops[] = {
    {kDescriptionTitleLeft, 144}, {kDeviceTitleLeft, 170}, {kGroupTitleLeft, 275}};

}  // namespace

RootWindow::RootWindow(RootServices& services, BuildFacts build)
    : controls_{lObjekte_,  lProfile_,   bStarten_,      bAnhalten_, bBearbeiten_,
                bDrucken_,  bChecker_,   bBackups_,      bErweitert_, bStartCaption_,
                bAbbrechen_, label0_,    label1_,        label2_,    label3_},
      root_(controls_, services),
      build_(std::move(build)) {}

RootWindow::~RootWindow() { Destroy(); }

bool RootWindow::Create() {
    twips_ = ScreenTwips();
    font_ = MakeTahoma(twips_.dpi, 900, FW_NORMAL);
    headerFont_ = MakeTahoma(twips_.dpi, 975, FW_BOLD);
    highlight_ = BrushOwner(CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT)));
    const WindowTemplate shape{SW_ROOT_CLASS, true, kRootStyle, WS_EX_CONTROLPARENT, "Tavrine™ Startwart XP", nullptr,
                          twips_.ToPx(kClientWidth), twips_.ToPx(kClientHeight)};
    if (!CreateFrame(shape, Placement::ScreenCentre)) return false;
    CreateControls();
    AddSystemMenuItems();
    return true;
}

// The comparison with the previous run and the Info box are reached from
// the system menu, so that the window's own layout, buttons and tab order
// stay as they are.
void RootWindow::AddSystemMenuItems() {
    HMENU menu = GetSystemMenu(Hwnd(), FALSE);
    if (menu == nullptr) return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_ROOT_CHANGES, Wide("Än&derungen seit dem letzten Start…").c_str());
    AppendMenuW(menu, MF_STRING, IDM_ROOT_HISTORY, Wide("&Verlauf der Änderungen…").c_str());
    AppendMenuW(menu, MF_STRING, IDM_ROOT_INFO, Wide(kInfoMenuItem).c_str());
}

void RootWindow::OpenChanges() {
    if (!changes_) changes_ = std::make_unique<ChangesWindow>(Hwnd(), root_.s, &root_.servicesWatch);
    changes_->Open();
}

void RootWindow::OpenHistory() {
    if (!history_) history_ = std::make_unique<HistoryWindow>(Hwnd(), root_.s);
    history_->Open();
}

void RootWindow::CreateControls() {
    const auto make = [&](auto& control, const ControlTemplate& shape, HFONT font) {
        control.Attach(CreateChild(Hwnd(), shape, twips_, font));
    };
    // Creation order is the tab order.
    make(lObjekte_,
         {L"LISTBOX", "", IDC_ROOT_LOBJEKTE,
          kChild | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_SORT | LBS_USETABSTOPS | LBS_NOTIFY | LBS_HASSTRINGS |
              LBS_NOINTEGRALHEIGHT,
          WS_EX_CLIENTEDGE, 135, 460, 9690, 5730},
         font_.Get());
    make(bStarten_, {L"BUTTON", "&Starten", IDC_ROOT_BSTARTEN, kButton | WS_VISIBLE, 0, 135, 6705, 1185, 420}, font_.Get());
    make(bAnhalten_, {L"BUTTON", "&Anhalten", IDC_ROOT_BANHALTEN, kButton | WS_VISIBLE, 0, 1395, 6705, 1185, 420}, font_.Get());
    make(bBearbeiten_, {L"BUTTON", "&Bearbeiten", IDC_ROOT_BBEARBEITEN, kButton | WS_VISIBLE, 0, 2655, 6705, 1185, 420}, font_.Get());
    make(bDrucken_, {L"BUTTON", "&Drucken", IDC_ROOT_BDRUCKEN, kButton | WS_VISIBLE, 0, 4050, 6705, 1185, 420}, font_.Get());
    make(bChecker_, {L"BUTTON", "Checker", IDC_ROOT_BCHECKER, kButton | WS_VISIBLE, 0, 5310, 6705, 1185, 420}, font_.Get());
    make(bBackups_, {L"BUTTON", "Ba&ckups", IDC_ROOT_BBACKUPS, kButton, 0, 6570, 6705, 1185, 420}, font_.Get());
    make(bErweitert_,
         {L"BUTTON", "&Erweiterte Treiberdateien anzeigen ", IDC_ROOT_BERWEITERT,
          kChild | WS_VISIBLE | WS_TABSTOP | BS_CHECKBOX, 0, 180, 6345, 3840, 240},
         font_.Get());
    make(bStartCaption_,
         {L"STATIC", "Startvorgang: ", IDC_ROOT_BSTARTCAPTION, kChild | WS_VISIBLE | SS_RIGHT | SS_NOPREFIX, 0, 8325,
          6390, 1185, 210},
         font_.Get());
    // Never shown: Esc reaches it through its IDCANCEL identifier.
    make(bAbbrechen_, {L"BUTTON", "Abbrechen", IDC_ROOT_BABBRECHEN, kButton, 0, 8460, 5625, 1185, 420}, font_.Get());
    make(lProfile_,
         {L"LISTBOX", "", IDC_ROOT_LPROFILE, kChild | WS_DISABLED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT, 0, 360, 540,
          9285, 5520},
         font_.Get());
    make(label0_, {L"STATIC", "", IDC_ROOT_LABEL0, kChild | WS_VISIBLE | SS_NOPREFIX, 0, 125, 135, 9700, 300}, font_.Get());
    make(label1_,
         {L"STATIC", "Name des Dienstes", IDC_ROOT_LABEL1, kChild | WS_VISIBLE | SS_NOPREFIX, 0, 180, 165, 1830, 240},
         headerFont_.Get());
    make(label2_,
         {L"STATIC", "Beschreibung (nährere Erklärungen)", IDC_ROOT_LABEL2, kChild | WS_VISIBLE | SS_NOPREFIX, 0,
          kDescriptionTitleLeft,
          165, 3540, 240},
         headerFont_.Get());
    make(label3_,
         {L"STATIC", "Zugehörigkeit", IDC_ROOT_LABEL3, kChild | SS_NOPREFIX, 0, kGroupTitleLeft, 165, 1320, 240}, headerFont_.Get());

    // The bar lies under its titles.
    SetWindowPos(label0_.Hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    for (Win32Label* label : {&label1_, &label2_, &label3_, &bStartCaption_}) {
        label->twips = twips_;
        label->autoSize = true;
        label->FitToText();
    }
    label0_.twips = twips_;
    for (Win32Label* title : {&label2_, &label3_})
        title->leftInPixels = [this](int twipsLeft) { return TitleLeft(twipsLeft); };
    label2_.SetLeft(kDescriptionTitleLeft);
    label3_.SetLeft(kGroupTitleLeft);
    bStartCaption_.rightAligned = true;
    bBackups_.SetTag("0");

    lObjekte_.onClick = [this] { root_.LObjekte_Click(); };
    bErweitert_.onClick = [this] { root_.bErweitert_Click(); };
    // Enter reaches the key handler instead of the dialog manager.
    listKeys_.Attach(lObjekte_.Hwnd(), [this](std::int16_t& key) { root_.LObjekte_KeyPress(key); });
}

// Twips scale with the DPI, the list's tab stops with its font, and the two
// drift apart: at 144 DPI a title placed by its twips stood 22 to 35 pixels
// left of its column. At 96 DPI the titles keep their twips; at any other
// DPI a title over a tab stop stands where the list draws that column: one
// pixel right of the stop, counted from the list's client area.
int RootWindow::TitleLeft(int twipsLeft) const {
    if (twips_.dpi != 96) {
        for (const TitleOverStop& title : kTitleStops) {
            if (title.twipsLeft != twipsLeft) continue;
            POINT origin{0, 0};
            MapWindowPoints(lObjekte_.Hwnd(), Hwnd(), &origin, 1);
            return origin.x + 1 + MulDiv(title.dialogUnits, AverageCharWidth(lObjekte_.Hwnd()), 4);
        }
    }
    return twips_.ToPx(twipsLeft);
}

void RootWindow::RestoreFocus() {
    HWND target = KeptFocus();
    if (target == nullptr || !IsWindow(target) || !IsWindowVisible(target) || !IsWindowEnabled(target))
        target = GetNextDlgTabItem(Hwnd(), nullptr, FALSE);
    if (target != nullptr) SetFocus(target);
}

void RootWindow::Show() {
    ShowWindow(Hwnd(), SW_SHOW);
    UpdateWindow(Hwnd());
    SetFocus(lObjekte_.Hwnd());
    // Taken by the message loop once the window is up and painted.
    PostMessageW(Hwnd(), kShown, 0, 0);
}

LRESULT RootWindow::ColorStatic(HDC dc, HWND control) {
    if (control == label0_.Hwnd()) return reinterpret_cast<LRESULT>(highlight_.Get());
    if (control == label1_.Hwnd() || control == label2_.Hwnd() || control == label3_.Hwnd()) {
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(highlight_.Get());
    }
    if (control == bStartCaption_.Hwnd()) {
        SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    return Default(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
}

void RootWindow::OnCommand(int id, int code) {
    switch (id) {
        case IDC_ROOT_LOBJEKTE:
            if (code == LBN_SELCHANGE) lObjekte_.SelectionReported();
            else if (code == LBN_DBLCLK) root_.LObjekte_DblClick();
            return;
        case IDC_ROOT_BERWEITERT:
            if (code == BN_CLICKED) bErweitert_.SetValue(bErweitert_.Value() == 1 ? 0 : 1);
            return;
        case IDC_ROOT_BABBRECHEN:
            root_.bAbbrechen_Click();
            return;
        default: break;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
        case IDC_ROOT_BSTARTEN: root_.bStarten_Click(); break;
        case IDC_ROOT_BANHALTEN: root_.bAnhalten_Click(); break;
        case IDC_ROOT_BBEARBEITEN: root_.bBearbeiten_Click(); break;
        case IDC_ROOT_BDRUCKEN: root_.bDrucken_Click(); break;
        case IDC_ROOT_BCHECKER: root_.bChecker_Click(); break;
        default: break;  // bBackups is never shown and has no handler.
    }
}

LRESULT RootWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CTLCOLORSTATIC:
            return ColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_SYSCOMMAND:
            // The low four bits of the command are the system's own.
            if ((wParam & 0xFFF0) == IDM_ROOT_CHANGES) {
                OpenChanges();
                return 0;
            }
            if ((wParam & 0xFFF0) == IDM_ROOT_HISTORY) {
                OpenHistory();
                return 0;
            }
            if ((wParam & 0xFFF0) == IDM_ROOT_INFO) {
                root_.ShowInfo(build_);
                return 0;
            }
            break;
        case WM_SETCURSOR:
            if (Win32UserInterface::ApplyPointer()) return TRUE;
            break;
        case WM_ACTIVATE:
            // So that the keys reach the list and buttons again.
            KeepFocusOnDeactivate(wParam);
            break;
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
        case kShown:
            root_.Form_Shown();
            return 0;
        case WM_CLOSE:
            // As Esc: the program ends at once. Taking the window down first
            // would run whatever is pending in the loops that are still open
            // (a failure message's, the editor's) and, under Wine without a
            // window manager, wait two seconds for each window that goes.
            root_.bAbbrechen_Click();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default: break;
    }
    return Default(msg, wParam, lParam);
}

}  // namespace sw
