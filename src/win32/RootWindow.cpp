#include "win32/RootWindow.h"

#include <commctrl.h>

#include "win32/ChangesWindow.h"
#include "win32/ControlIds.h"
#include "win32/Win32Platform.h"
#include "win32/WideText.h"
#include "win32/WindowProc.h"

namespace sw {
namespace {

constexpr int kClientWidth = 9975;
constexpr int kClientHeight = 7245;
constexpr DWORD kRootStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kChild = WS_CLIPSIBLINGS;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;

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

RootWindow::RootWindow(RootServices& services)
    : controls_{lObjekte_,  lProfile_,   bStarten_,      bAnhalten_, bBearbeiten_,
                bDrucken_,  bChecker_,   bBackups_,      bErweitert_, bStartCaption_,
                bAbbrechen_, label0_,    label1_,        label2_,    label3_},
      root_(controls_, services) {}

RootWindow::~RootWindow() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool RootWindow::Create() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProcFor<RootWindow>;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = SW_ROOT_CLASS;
    RegisterClassExW(&wc);

    HDC screen = GetDC(nullptr);
    twips_.dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    font_ = MakeTahoma(twips_.dpi, 900, FW_NORMAL);
    headerFont_ = MakeTahoma(twips_.dpi, 975, FW_BOLD);
    highlight_ = BrushOwner(CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT)));

    RECT frame{0, 0, twips_.ToPx(kClientWidth), twips_.ToPx(kClientHeight)};
    AdjustWindowRectEx(&frame, kRootStyle, FALSE, WS_EX_CONTROLPARENT);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, SW_ROOT_CLASS, Wide("Tavrine™ Startwart XP").c_str(), kRootStyle, x, y,
                            width, height, nullptr, nullptr, instance, this);
    if (hwnd_ == nullptr) return false;
    CreateControls();
    AddChangesMenuItem();
    return true;
}

// The comparison with the previous run is reached from the system menu, so
// that the window's own layout, buttons and tab order stay as they are.
void RootWindow::AddChangesMenuItem() {
    HMENU menu = GetSystemMenu(hwnd_, FALSE);
    if (menu == nullptr) return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_ROOT_CHANGES, Wide("Än&derungen seit dem letzten Start…").c_str());
}

void RootWindow::OpenChanges() {
    if (!changes_) changes_ = std::make_unique<ChangesWindow>(hwnd_, root_.s);
    changes_->Open();
}

void RootWindow::CreateControls() {
    const auto make = [&](auto& control, const ControlSpec& spec, HFONT font) {
        control.Attach(CreateChild(hwnd_, spec, twips_, font));
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
    SetWindowSubclass(lObjekte_.Hwnd(), ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
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
            MapWindowPoints(lObjekte_.Hwnd(), hwnd_, &origin, 1);
            return origin.x + 1 + MulDiv(title.dialogUnits, AverageCharWidth(lObjekte_.Hwnd()), 4);
        }
    }
    return twips_.ToPx(twipsLeft);
}

void RootWindow::RestoreFocus() {
    HWND target = lastFocus_;
    if (target == nullptr || !IsWindow(target) || !IsWindowVisible(target) || !IsWindowEnabled(target))
        target = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (target != nullptr) SetFocus(target);
}

void RootWindow::Show() {
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
    SetFocus(lObjekte_.Hwnd());
}

// The entry list hands Enter to the window's key handler instead of letting
// the dialog manager take it.
LRESULT CALLBACK RootWindow::ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* window = reinterpret_cast<RootWindow*>(self);
    if (msg == WM_GETDLGCODE && lParam != 0) {
        const MSG* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN)
            return DLGC_WANTMESSAGE | DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    if (msg == WM_CHAR) {
        auto key = static_cast<std::int16_t>(wParam);
        window->root_.LObjekte_KeyPress(key);
        if (key == 0) return 0;
        wParam = static_cast<WPARAM>(static_cast<std::uint16_t>(key));
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
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
    return DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
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
            break;
        case WM_SETCURSOR:
            if (Win32UserInterface::ApplyPointer()) return TRUE;
            break;
        case WM_ACTIVATE:
            // As a dialog does, the window remembers which control had the
            // focus when it was left and gives it back when it is activated
            // again, so that the keys reach the list and buttons.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus != nullptr && IsChild(hwnd_, focus)) lastFocus_ = focus;
            }
            break;
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
        case WM_CLOSE:
            root_.Form_QueryUnload();
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            hwnd_ = nullptr;
            PostQuitMessage(0);
            return 0;
        default: break;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

}  // namespace sw
