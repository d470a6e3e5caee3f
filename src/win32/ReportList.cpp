#include "win32/ReportList.h"

#include <commctrl.h>

#include "win32/WideText.h"

namespace sw {

HWND CreateReportList(HWND parent, int id, const std::vector<ReportColumn>& columns, const Twips& twips, HFONT font) {
    HWND list = CreateChild(parent,
                            {WC_LISTVIEWW, "", id,
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                                 LVS_SHOWSELALWAYS,
                             WS_EX_CLIENTEDGE, 0, 0, 0, 0},
                            twips, font);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::wstring title = Wide(columns[i].title);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = title.data();
        column.cx = twips.ToPx(columns[i].width);
        column.iSubItem = static_cast<int>(i);
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    return list;
}

void ShowSortArrow(HWND list, int columns, int sorted, bool descending) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    for (int i = 0; i < columns; ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == sorted) item.fmt |= descending ? HDF_SORTDOWN : HDF_SORTUP;
        SendMessageW(header, HDM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
}

std::vector<std::size_t> SelectedRows(HWND list) {
    std::vector<std::size_t> rows;
    for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list, i, LVNI_SELECTED))
        rows.push_back(static_cast<std::size_t>(i));
    return rows;
}

void SelectRows(HWND list, const std::vector<std::size_t>& rows, std::size_t count) {
    // All rows (Ctrl+A before a sort) in one call; the list keeps ranges.
    const bool all = !rows.empty() && rows.size() == count;
    ListView_SetItemState(list, -1, all ? LVIS_SELECTED : 0, LVIS_SELECTED);
    if (all) return;
    for (std::size_t row : rows) ListView_SetItemState(list, static_cast<int>(row), LVIS_SELECTED, LVIS_SELECTED);
}

void SelectAllOnCtrlA(HWND list, const NMLVKEYDOWN& key) {
    if (key.wVKey == 'A' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0)
        ListView_SetItemState(list, -1, LVIS_SELECTED, LVIS_SELECTED);
}

void HandOverCell(LVITEMW& item, const std::string& text, std::wstring& buffer) {
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) return;
    buffer = Wide(text);
    lstrcpynW(item.pszText, buffer.c_str(), item.cchTextMax);
}

}  // namespace sw
