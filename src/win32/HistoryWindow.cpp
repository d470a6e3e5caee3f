#include "win32/HistoryWindow.h"

#include <commctrl.h>

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

// Twips: the first size, the smallest, margins, the status line, the filter
// line and buttons.
constexpr int kClientWidth = 15600;
constexpr int kClientHeight = 7200;
constexpr int kMinWidth = 7200;
constexpr int kMinHeight = 3600;
constexpr int kMargin = 135;
constexpr int kStatusHeight = 240;
constexpr int kFilterLabelWidth = 3000;
constexpr int kFilterHeight = 315;
constexpr int kButtonWidth = 1185;
constexpr int kRestoreButtonWidth = 2400;
constexpr int kButtonHeight = 420;
constexpr int kGap = 75;
constexpr int kColumnWidths[7] = {4300, 1900, 2000, 1400, 1800, 1800, 1700};
// Posted to itself once the selection changed.
constexpr UINT kSelectionChanged = WM_APP + 1;

}  // namespace

std::optional<std::size_t> Win32RunChooser::Choose(const std::vector<std::string>& runs, std::size_t preselected) {
    RestoreWindow window(owner_.Hwnd());
    RestoreWindow::Content content{" Stand wiederherstellen",
                                   "Auf den Stand welches Laufs sollen die Einträge der gewählten Zeilen zurück? "
                                   "(Die Zeit ist die seines Exports beim Start.) Die Vorschau zeigt danach jede "
                                   "Änderung, bevor etwas geschrieben wird.",
                                   "&Weiter…", "&Abbrechen", false, runs, preselected};
    if (!window.ShowModal(content)) return std::nullopt;
    return window.Chosen();
}

HistoryWindow::HistoryWindow(HWND owner, RootServices& services)
    : owner_(owner),
      ui_(services.ui),
      saveDialog_(*this),
      restoreDialogs_(*this),
      chooser_(*this),
      services_{services.registry, services.files,  services.program,  services.clock,
                services.messages, services.printers, &saveDialog_,     services.restorer,
                &restoreDialogs_,  &services.ui},
      view_(services_, &chooser_) {}

HistoryWindow::~HistoryWindow() { Destroy(); }

bool HistoryWindow::Create() {
    twips_ = ScreenTwips();
    font_ = MakeTahoma(twips_.dpi, 900, FW_NORMAL);
    const WindowTemplate shape{SW_HISTORY_CLASS, true, kStyle, kExStyle, kHistoryTitle, owner_,
                               twips_.ToPx(kClientWidth), twips_.ToPx(kClientHeight)};
    if (!CreateFrame(shape, Placement::WorkAreaCentre)) return false;
    CreateControls();
    Layout();
    return true;
}

void HistoryWindow::CreateControls() {
    // Creation order is the tab order: the filter, the list, then the
    // buttons from the left. The label's access key reaches the filter.
    status_ = CreateChild(Hwnd(), {L"STATIC", "", IDC_HIS_STATUS, kChild | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 0,
                                   0, 0, 0, 0},
                          twips_, font_.Get());
    filterLabel_ = CreateChild(Hwnd(), {L"STATIC", "&Filter (Eintrag oder Schlüssel):", IDC_HIS_FILTERLABEL,
                                        kChild | SS_LEFT | SS_CENTERIMAGE, 0, 0, 0, 0, 0},
                               twips_, font_.Get());
    filter_ = CreateChild(Hwnd(), {L"EDIT", "", IDC_HIS_FILTER, kChild | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                                   0, 0, 0, 0},
                          twips_, font_.Get());
    std::vector<ReportColumn> columns;
    for (std::size_t i = 0; i < kHistoryColumns.size(); ++i) columns.push_back({kHistoryColumns[i], kColumnWidths[i]});
    list_ = CreateReportList(Hwnd(), IDC_HIS_LIST, columns, twips_, font_.Get());
    restore_ = CreateChild(Hwnd(), {L"BUTTON", "&Stand wiederherstellen…", IDC_HIS_BWIEDERHERSTELLEN,
                                    kChild | WS_TABSTOP | BS_PUSHBUTTON | WS_DISABLED, 0, 0, 0, 0, 0},
                           twips_, font_.Get());
    print_ = CreateChild(Hwnd(), {L"BUTTON", "&Drucken", IDC_HIS_BDRUCKEN, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 0,
                                  0, 0, 0},
                         twips_, font_.Get());
    save_ = CreateChild(Hwnd(), {L"BUTTON", "&Speichern…", IDC_HIS_BSPEICHERN, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0,
                                 0, 0, 0, 0},
                        twips_, font_.Get());
}

// The status line and the filter on top, the list in all room between them
// and the buttons, which keep to the lower right corner.
void HistoryWindow::Layout() {
    RECT client;
    GetClientRect(Hwnd(), &client);
    const int margin = twips_.ToPx(kMargin);
    const int gap = twips_.ToPx(kGap);
    const int buttonWidth = twips_.ToPx(kButtonWidth);
    const int buttonHeight = twips_.ToPx(kButtonHeight);
    const int statusHeight = twips_.ToPx(kStatusHeight);
    const int filterHeight = twips_.ToPx(kFilterHeight);
    const int labelWidth = twips_.ToPx(kFilterLabelWidth);
    const int width = std::max<int>(0, client.right - 2 * margin);
    const int filterTop = margin + statusHeight + gap;
    const int listTop = filterTop + filterHeight + gap;
    const int buttonTop = client.bottom - margin - buttonHeight;
    MoveWindow(status_, margin, margin, width, statusHeight, TRUE);
    MoveWindow(filterLabel_, margin, filterTop, labelWidth, filterHeight, TRUE);
    MoveWindow(filter_, margin + labelWidth + gap, filterTop, std::max<int>(0, width - labelWidth - gap), filterHeight,
               TRUE);
    MoveWindow(list_, margin, listTop, width, std::max<int>(0, buttonTop - gap - listTop), TRUE);
    MoveWindow(save_, client.right - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight, TRUE);
    MoveWindow(print_, client.right - margin - 2 * buttonWidth - gap, buttonTop, buttonWidth, buttonHeight, TRUE);
    const int restoreWidth = twips_.ToPx(kRestoreButtonWidth);
    MoveWindow(restore_, client.right - margin - 2 * buttonWidth - restoreWidth - 2 * gap, buttonTop, restoreWidth,
               buttonHeight, TRUE);
}

void HistoryWindow::Open() {
    if (Hwnd() == nullptr && !Create()) return;
    ShowWindow(Hwnd(), SW_SHOW);
    SetForegroundWindow(Hwnd());
    ui_.SetPointer(kPointerHourglass);
    view_.Load();
    ui_.SetPointer(kPointerDefault);
    Filter();
    SetFocus(list_);
}

void HistoryWindow::Filter() {
    const int length = GetWindowTextLengthW(filter_);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(filter_, text.data(), length + 1);
    view_.Filter(Utf8(text.c_str()));
    Refill();
}

void HistoryWindow::Refill() {
    SetWindowTextW(status_, Wide(view_.Status()).c_str());
    // Other rows: nothing stays selected.
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
    SendMessageW(list_, LVM_SETITEMCOUNT, view_.Count(), 0);
    if (view_.Count() > 0) ListView_SetItemState(list_, 0, LVIS_FOCUSED, LVIS_FOCUSED);
    UpdateRestoreButton();
    EnableWindow(print_, view_.Loaded() ? TRUE : FALSE);
    EnableWindow(save_, view_.Loaded() ? TRUE : FALSE);
    ShowSortArrow(list_, static_cast<int>(kHistoryColumns.size()), view_.SortColumn(), view_.Descending());
    InvalidateRect(list_, nullptr, TRUE);
}

LRESULT HistoryWindow::OnNotify(const NMHDR& header, LPARAM lParam) {
    if (header.hwndFrom != list_) return 0;
    if (header.code == LVN_GETDISPINFOW) {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
        const bool there = item.iItem >= 0 && static_cast<std::size_t>(item.iItem) < view_.Count();
        HandOverCell(item, there ? view_.Cell(static_cast<std::size_t>(item.iItem), item.iSubItem) : "", cell_);
    } else if (header.code == LVN_COLUMNCLICK) {
        // The selected rows stay selected where the sort puts them.
        std::vector<std::size_t> selected = SelectedRows(list_);
        view_.SortBy(reinterpret_cast<NMLISTVIEW*>(lParam)->iSubItem, &selected);
        SelectRows(list_, selected, view_.Count());
        ShowSortArrow(list_, static_cast<int>(kHistoryColumns.size()), view_.SortColumn(), view_.Descending());
        InvalidateRect(list_, nullptr, TRUE);
    } else if (header.code == LVN_ITEMCHANGED || header.code == LVN_ODSTATECHANGED) {
        SelectionChanged();
    } else if (header.code == LVN_KEYDOWN) {
        SelectAllOnCtrlA(list_, *reinterpret_cast<const NMLVKEYDOWN*>(lParam));
    }
    return 0;
}

void HistoryWindow::SelectionChanged() {
    if (restoreUpdatePosted_) return;
    restoreUpdatePosted_ = PostMessageW(Hwnd(), kSelectionChanged, 0, 0) != FALSE;
    if (!restoreUpdatePosted_) UpdateRestoreButton();
}

void HistoryWindow::UpdateRestoreButton() {
    const bool can = view_.CanRestoreAny(SelectedRows(list_));
    // A button that loses its use while it has the focus hands it to the list.
    if (!can && GetFocus() == restore_) SetFocus(list_);
    EnableWindow(restore_, can ? TRUE : FALSE);
}

void HistoryWindow::Restore() {
    const std::vector<std::size_t> selected = SelectedRows(list_);
    if (!view_.CanRestoreAny(selected)) return;
    view_.Restore(selected);
    if (Hwnd() == nullptr) return;  // taken along by the main window meanwhile
    SetFocus(list_);
}

LRESULT HistoryWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDCANCEL: Destroy(); return 0;
                case IDC_HIS_FILTER:
                    if (HIWORD(wParam) == EN_CHANGE) Filter();
                    return 0;
                case IDC_HIS_BDRUCKEN:
                    if (HIWORD(wParam) == BN_CLICKED) view_.Print();
                    return 0;
                case IDC_HIS_BSPEICHERN:
                    if (HIWORD(wParam) == BN_CLICKED) view_.Save();
                    return 0;
                case IDC_HIS_BWIEDERHERSTELLEN:
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
        default: break;
    }
    return Default(msg, wParam, lParam);
}

}  // namespace sw
