#include "win32/RestoreWindow.h"

#include <algorithm>

#include "changes/RestoreTexts.h"
#include "win32/ControlIds.h"
#include "win32/MessageLoop.h"
#include "win32/Win32Platform.h"
#include "win32/WideText.h"

namespace sw {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;

// Twips: the first size (room for long paths on a line), the smallest,
// margins and buttons.
constexpr int kClientWidth = 10800;
constexpr int kClientHeight = 6600;
constexpr int kMinWidth = 5400;
constexpr int kMinHeight = 3000;
constexpr int kMargin = 135;
constexpr int kButtonWidth = 1500;
constexpr int kButtonHeight = 420;
constexpr int kGap = 75;
constexpr int kPromptHeight = 720;  // the text above a list of choices

// The edit control breaks lines at CR LF only.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace

RestoreWindow::~RestoreWindow() {
    EnableOwners();
    Destroy();
}

bool RestoreWindow::Create(const Content& content) {
    twips_ = ScreenTwips();
    font_ = MakeTahoma(twips_.dpi, 900, FW_NORMAL);
    const WindowTemplate shape{SW_RESTORE_CLASS, false, kStyle, kExStyle, content.title, owner_,
                               twips_.ToPx(kClientWidth), twips_.ToPx(kClientHeight)};
    if (!CreateFrame(shape, Placement::WorkAreaCentre)) return false;
    // Creation order is the tab order: the text, then the buttons.
    text_ = CreateChild(Hwnd(),
                        {L"EDIT", "", IDC_RST_TEXT,
                         kChild | WS_TABSTOP | (content.choices.empty() ? WS_VSCROLL : 0) | ES_MULTILINE |
                             ES_READONLY | ES_AUTOVSCROLL | ES_NOHIDESEL,
                         WS_EX_CLIENTEDGE, 0, 0, 0, 0},
                        twips_, font_.Get());
    // No limit: a restore of many rows may say more than the default 32 K.
    SendMessageW(text_, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextW(text_, Wide(WithCrLf(content.text)).c_str());
    textKeys_.Attach(text_, [](std::int16_t&) {}, KeyRelay::DialogKeys::ToDialog);
    if (!content.choices.empty()) {
        choices_ = CreateChild(Hwnd(),
                               {L"LISTBOX", "", IDC_RST_CHOICES,
                                kChild | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE,
                                0, 0, 0, 0},
                               twips_, font_.Get());
        for (const std::string& choice : content.choices)
            SendMessageW(choices_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(choice).c_str()));
        SendMessageW(choices_, LB_SETCURSEL, std::min(content.chosen, content.choices.size() - 1), 0);
    }
    defaultId_ = content.closeIsDefault || content.accept.empty() ? IDCANCEL : IDC_RST_BZURUECKSETZEN;
    const auto button = [&](const std::string& caption, int id) {
        const DWORD kind = id == defaultId_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        return CreateChild(Hwnd(), {L"BUTTON", caption, id, kChild | WS_TABSTOP | kind, 0, 0, 0, 0, 0}, twips_,
                           font_.Get());
    };
    if (!content.accept.empty()) accept_ = button(content.accept, IDC_RST_BZURUECKSETZEN);
    close_ = button(content.close, IDC_RST_BABBRECHEN);
    Layout();
    return true;
}

// The text takes all room above the buttons, which keep to the lower right.
void RestoreWindow::Layout() {
    RECT client;
    GetClientRect(Hwnd(), &client);
    const int margin = twips_.ToPx(kMargin);
    const int buttonWidth = twips_.ToPx(kButtonWidth);
    const int buttonHeight = twips_.ToPx(kButtonHeight);
    const int gap = twips_.ToPx(kGap);
    const int buttonTop = client.bottom - margin - buttonHeight;
    const int width = std::max<int>(0, client.right - 2 * margin);
    const int below = std::max<int>(0, buttonTop - gap - margin);
    if (choices_ == nullptr) {
        MoveWindow(text_, margin, margin, width, below, TRUE);
    } else {
        const int prompt = std::min(below, twips_.ToPx(kPromptHeight));
        MoveWindow(text_, margin, margin, width, prompt, TRUE);
        MoveWindow(choices_, margin, margin + prompt + gap, width, std::max<int>(0, below - prompt - gap), TRUE);
    }
    MoveWindow(close_, client.right - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight, TRUE);
    if (accept_ != nullptr)
        MoveWindow(accept_, client.right - margin - 2 * buttonWidth - gap, buttonTop, buttonWidth, buttonHeight, TRUE);
}

// The changes window and the main window that owns it take no input while
// this one is open, so that neither can go away beneath it.
void RestoreWindow::DisableOwners() {
    std::size_t n = 0;
    for (HWND w = owner_; w != nullptr && n < std::size(owners_); w = GetWindow(w, GW_OWNER)) {
        if (!IsWindowEnabled(w)) continue;
        EnableWindow(w, FALSE);
        owners_[n++] = w;
    }
}

void RestoreWindow::EnableOwners() {
    // The nearest owner last, so that it is the one activated.
    for (std::size_t i = std::size(owners_); i-- > 0;) {
        if (owners_[i] == nullptr) continue;
        if (IsWindow(owners_[i])) EnableWindow(owners_[i], TRUE);
        owners_[i] = nullptr;
    }
}

bool RestoreWindow::ShowModal(const Content& content) {
    if (!Create(content)) return false;
    open_ = true;
    accepted_ = false;
    DisableOwners();
    ShowWindow(Hwnd(), SW_SHOW);
    SetForegroundWindow(Hwnd());
    SetFocus(choices_ != nullptr ? choices_ : defaultId_ == IDCANCEL ? close_ : accept_);
    if (const auto quit = PumpWhile([this] { return open_; })) PostQuitMessage(*quit);
    open_ = false;
    // The owners take input again before this window goes, so that the
    // changes window becomes the active one.
    EnableOwners();
    if (owner_ != nullptr && IsWindow(owner_)) SetActiveWindow(owner_);
    Destroy();
    return accepted_;
}

void RestoreWindow::End(bool accepted) {
    if (!open_) return;
    if (accepted && choices_ != nullptr) {
        const LRESULT line = SendMessageW(choices_, LB_GETCURSEL, 0, 0);
        if (line == LB_ERR) return;  // nothing chosen yet
        chosen_ = static_cast<std::size_t>(line);
    }
    accepted_ = accepted;
    open_ = false;
}

LRESULT RestoreWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_RST_CHOICES && HIWORD(wParam) == LBN_DBLCLK) {
                End(true);
                return 0;
            }
            if (HIWORD(wParam) != BN_CLICKED) break;
            if (LOWORD(wParam) == IDC_RST_BZURUECKSETZEN && accept_ != nullptr) End(true);
            else if (LOWORD(wParam) == IDCANCEL) End(false);  // the button, or Esc
            return 0;
        case DM_GETDEFID:
            return MAKELRESULT(defaultId_, DC_HASDEFID);
        case WM_CTLCOLORSTATIC:
            // The read-only text reads as a document, on the window colour.
            if (reinterpret_cast<HWND>(lParam) == text_) {
                HDC dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                SetBkColor(dc, GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
            }
            break;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_GETMINMAXINFO:
            LimitTrackSize(lParam, twips_.ToPx(kMinWidth), twips_.ToPx(kMinHeight), kStyle, kExStyle);
            return 0;
        case WM_SETCURSOR:
            if (Win32UserInterface::ApplyPointer()) return TRUE;
            break;
        case WM_ACTIVATE:
            KeepFocusOnDeactivate(wParam);
            if (LOWORD(wParam) != WA_INACTIVE && KeptFocus() != nullptr && IsWindow(KeptFocus())) {
                SetFocus(KeptFocus());
                return 0;
            }
            break;
        case WM_CLOSE:
            End(false);
            return 0;
        case WM_NCDESTROY:
            // Taken along by an owner that goes: nothing was chosen.
            End(false);
            break;
        default: break;
    }
    return Default(msg, wParam, lParam);
}

bool Win32RestoreDialogs::Confirm(const std::string& text, bool cancelIsDefault) {
    RestoreWindow window(owner_.Hwnd());
    return window.ShowModal({kRestoreTitle, text, "&Zurücksetzen", "&Abbrechen", cancelIsDefault});
}

void Win32RestoreDialogs::ShowResult(const std::string& text) {
    RestoreWindow window(owner_.Hwnd());
    window.ShowModal({kRestoreResultTitle, text, "", "&Schließen", true});
}

}  // namespace sw
