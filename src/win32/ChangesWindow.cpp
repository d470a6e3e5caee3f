#include "win32/ChangesWindow.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

#include "win32/ControlIds.h"
#include "win32/ReportList.h"
#include "win32/Win32Platform.h"
#include "win32/WideText.h"

namespace sw {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;

// Twips: the first size, the smallest, margins, the status line and buttons.
constexpr int kClientWidth = 14400;
constexpr int kClientHeight = 6600;
constexpr int kMinWidth = 6000;
constexpr int kMinHeight = 3000;
constexpr int kMargin = 135;
constexpr int kStatusHeight = 240;
constexpr int kButtonWidth = 1185;
constexpr int kRestoreButtonWidth = 1500;
constexpr int kButtonHeight = 420;
constexpr int kGap = 75;
constexpr int kColumnWidths[6] = {2300, 2000, 2000, 2000, 2000, 3700};
// Posted to itself once the selection changed.
constexpr UINT kSelectionChanged = WM_APP + 1;

}  // namespace

std::optional<SaveChoice> Win32SaveDialog::Ask(const std::string& suggestedName) {
    std::wstring file = Wide(suggestedName);
    file.resize(std::max<std::size_t>(file.size() + 1, 32768), L'\0');
    static const wchar_t kFilter[] =
        L"Text (UTF-8) (*.txt)\0*.txt\0CSV, durch Semikolon getrennt (*.csv)\0*.csv\0";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_.Hwnd();
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = L"txt";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!GetSaveFileNameW(&dialog)) return std::nullopt;
    SaveChoice choice;
    choice.path = Utf8(file.c_str());
    // The CSV filter, or a name the user gave the CSV extension.
    const std::wstring name = file.c_str();
    const bool csvName = name.size() >= 4 && lstrcmpiW(name.c_str() + name.size() - 4, L".csv") == 0;
    choice.format = dialog.nFilterIndex == 2 || csvName ? SaveFormat::Csv : SaveFormat::Text;
    return choice;
}

ChangesWindow::ChangesWindow(HWND owner, RootServices& services, ServicesWatch* watch)
    : owner_(owner),
      ui_(services.ui),
      saveDialog_(*this),
      restoreDialogs_(*this),
      watch_(watch),
      services_{services.registry, services.files,  services.program,  services.clock,
                services.messages, services.printers, &saveDialog_,     services.restorer,
                &restoreDialogs_,  &services.ui,      watch},
      view_(services_) {}

ChangesWindow::~ChangesWindow() { Destroy(); }

bool ChangesWindow::Create() {
    twips_ = ScreenTwips();
    font_ = MakeTahoma(twips_.dpi, 900, FW_NORMAL);
    const WindowTemplate shape{SW_CHANGES_CLASS, true, kStyle, kExStyle, kChangesTitle, owner_,
                          twips_.ToPx(kClientWidth), twips_.ToPx(kClientHeight)};
    if (!CreateFrame(shape, Placement::WorkAreaCentre)) return false;
    CreateControls();
    Layout();
    return true;
}

void ChangesWindow::CreateControls() {
    // Creation order is the tab order: the list, then the buttons from the left.
    status_ = CreateChild(Hwnd(), {L"STATIC", "", IDC_CHG_STATUS, kChild | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 0,
                                   0, 0, 0, 0},
                          twips_, font_.Get());
    std::vector<ReportColumn> columns;
    for (std::size_t i = 0; i < kChangesColumns.size(); ++i) columns.push_back({kChangesColumns[i], kColumnWidths[i]});
    list_ = CreateReportList(Hwnd(), IDC_CHG_LIST, columns, twips_, font_.Get());
    restore_ = CreateChild(Hwnd(), {L"BUTTON", "&Zurücksetzen…", IDC_CHG_BZURUECKSETZEN,
                                    kChild | WS_TABSTOP | BS_PUSHBUTTON | WS_DISABLED, 0, 0, 0, 0, 0},
                           twips_, font_.Get());
    print_ = CreateChild(Hwnd(), {L"BUTTON", "&Drucken", IDC_CHG_BDRUCKEN, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 0,
                                  0, 0, 0},
                         twips_, font_.Get());
    save_ = CreateChild(Hwnd(), {L"BUTTON", "&Speichern…", IDC_CHG_BSPEICHERN, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0,
                                 0, 0, 0, 0},
                        twips_, font_.Get());
}

// The list takes all room between the status line and the buttons, which
// keep to the lower right corner.
void ChangesWindow::Layout() {
    RECT client;
    GetClientRect(Hwnd(), &client);
    const int margin = twips_.ToPx(kMargin);
    const int buttonWidth = twips_.ToPx(kButtonWidth);
    const int buttonHeight = twips_.ToPx(kButtonHeight);
    const int statusHeight = twips_.ToPx(kStatusHeight);
    const int gap = twips_.ToPx(kGap);
    const int width = std::max<int>(0, client.right - 2 * margin);
    const int buttonTop = client.bottom - margin - buttonHeight;
    const int listTop = margin + statusHeight + gap;
    MoveWindow(status_, margin, margin, width, statusHeight, TRUE);
    MoveWindow(list_, margin, listTop, width, std::max<int>(0, buttonTop - gap - listTop), TRUE);
    MoveWindow(save_, client.right - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight, TRUE);
    MoveWindow(print_, client.right - margin - 2 * buttonWidth - gap, buttonTop, buttonWidth, buttonHeight, TRUE);
    const int restoreWidth = twips_.ToPx(kRestoreButtonWidth);
    MoveWindow(restore_, client.right - margin - 2 * buttonWidth - restoreWidth - 2 * gap, buttonTop, restoreWidth,
               buttonHeight, TRUE);
}

void ChangesWindow::Open() {
    if (Hwnd() == nullptr && !Create()) return;
    if (watch_ != nullptr) watch_->Listen([this] { return RegistryChanged(); });
    ShowWindow(Hwnd(), SW_SHOW);
    SetForegroundWindow(Hwnd());
    ui_.SetPointer(kPointerHourglass);
    view_.Load();
    ui_.SetPointer(kPointerDefault);
    Refill();
    SetFocus(list_);
}

bool ChangesWindow::RegistryChanged() {
    if (Hwnd() == nullptr) return true;
    std::vector<std::size_t> selected = Selected();
    ui_.SetPointer(kPointerHourglass);
    const bool compared = view_.RegistryChanged(selected);
    ui_.SetPointer(kPointerDefault);
    if (compared) Refill(selected, true);
    return compared;
}

void ChangesWindow::Refill(const std::vector<std::size_t>& selected, bool keepScroll) {
    SetWindowTextW(status_, Wide(view_.Status()).c_str());
    // A fresh comparison has other rows: only those named stay selected.
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
    SendMessageW(list_, LVM_SETITEMCOUNT, view_.Rows().size(), keepScroll ? LVSICF_NOSCROLL : 0);
    if (!selected.empty()) Select(selected);
    if (!view_.Rows().empty())
        ListView_SetItemState(list_, selected.empty() ? 0 : static_cast<int>(selected.front()), LVIS_FOCUSED,
                              LVIS_FOCUSED);
    UpdateRestoreButton();
    EnableWindow(print_, view_.Compared() ? TRUE : FALSE);
    EnableWindow(save_, view_.Compared() ? TRUE : FALSE);
    ShowSortArrow();
    InvalidateRect(list_, nullptr, TRUE);
}

void ChangesWindow::ShowSortArrow() {
    sw::ShowSortArrow(list_, static_cast<int>(kChangesColumns.size()), view_.SortColumn(), view_.Descending());
}

LRESULT ChangesWindow::OnNotify(const NMHDR& header, LPARAM lParam) {
    if (header.hwndFrom != list_) return 0;
    if (header.code == LVN_GETDISPINFOW) {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
        const auto& rows = view_.Rows();
        const bool there = item.iItem >= 0 && static_cast<std::size_t>(item.iItem) < rows.size();
        HandOverCell(item, there ? ChangesView::Cell(rows[static_cast<std::size_t>(item.iItem)], item.iSubItem) : "",
                     cell_);
    } else if (header.code == LVN_COLUMNCLICK) {
        // The selected rows stay selected where the sort puts them.
        std::vector<std::size_t> selected = Selected();
        view_.SortBy(reinterpret_cast<NMLISTVIEW*>(lParam)->iSubItem, &selected);
        Select(selected);
        ShowSortArrow();
        InvalidateRect(list_, nullptr, TRUE);
    } else if (header.code == LVN_ITEMCHANGED || header.code == LVN_ODSTATECHANGED) {
        SelectionChanged();
    } else if (header.code == LVN_KEYDOWN) {
        SelectAllOnCtrlA(list_, *reinterpret_cast<const NMLVKEYDOWN*>(lParam));
    }
    return 0;
}

std::vector<std::size_t> ChangesWindow::Selected() const { return SelectedRows(list_); }

void ChangesWindow::Select(const std::vector<std::size_t>& rows) { SelectRows(list_, rows, view_.Rows().size()); }

void ChangesWindow::SelectionChanged() {
    if (restoreUpdatePosted_) return;
    restoreUpdatePosted_ = PostMessageW(Hwnd(), kSelectionChanged, 0, 0) != FALSE;
    if (!restoreUpdatePosted_) UpdateRestoreButton();
}

void ChangesWindow::UpdateRestoreButton() {
    const bool can = view_.CanRestoreAny(Selected());
    // A button that loses its use while it has the focus hands it to the list.
    if (!can && GetFocus() == restore_) SetFocus(list_);
    EnableWindow(restore_, can ? TRUE : FALSE);
}

void ChangesWindow::Restore() {
    const std::vector<std::size_t> selected = Selected();
    if (!view_.CanRestoreAny(selected)) return;
    if (!view_.Restore(selected)) return;
    if (Hwnd() == nullptr) return;  // taken along by the main window meanwhile
    Refill();
    SetFocus(list_);
}

LRESULT ChangesWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDCANCEL: Destroy(); return 0;
                case IDC_CHG_BDRUCKEN:
                    if (HIWORD(wParam) == BN_CLICKED) view_.Print();
                    return 0;
                case IDC_CHG_BSPEICHERN:
                    if (HIWORD(wParam) == BN_CLICKED) view_.Save();
                    return 0;
                case IDC_CHG_BZURUECKSETZEN:
                    if (HIWORD(wParam) == BN_CLICKED) Restore();
                    return 0;
                default: break;
            }
            break;
        case kSelectionChanged:
            restoreUpdatePosted_ = false;
            UpdateRestoreButton();
            return 0;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam), lParam);
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
            break;
        case WM_SETFOCUS:
            SetFocus(KeptFocus() != nullptr && IsWindow(KeptFocus()) ? KeptFocus() : list_);
            return 0;
        case WM_CLOSE:
            Destroy();
            return 0;
        case WM_DESTROY:
            // A closed window compares nothing; the watch stops looking.
            if (watch_ != nullptr) watch_->Listen({});
            break;
        default: break;
    }
    return Default(msg, wParam, lParam);
}

}  // namespace sw
