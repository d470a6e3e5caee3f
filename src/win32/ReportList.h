// The owner-data report list view that the changes window and the history
// window share: its creation with columns, the sort arrow in its header,
// the selected rows, a selection set after a sort, and a cell handed over
// on LVN_GETDISPINFOW. The rows themselves live in the windows' models.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "win32/Win32Controls.h"

namespace sw {

struct ReportColumn {
    std::string title;
    int width;  // twips
};

// A report list view that asks for its cells, whose rows can be selected
// several at a time and keep showing it without the focus.
HWND CreateReportList(HWND parent, int id, const std::vector<ReportColumn>& columns, const Twips& twips, HFONT font);

// The header's arrow on the sorted column (none: -1).
void ShowSortArrow(HWND list, int columns, int sorted, bool descending);

std::vector<std::size_t> SelectedRows(HWND list);
// Selects exactly these rows of `count` (all of them in one call).
void SelectRows(HWND list, const std::vector<std::size_t>& rows, std::size_t count);
// Ctrl+A (without Alt) on LVN_KEYDOWN selects every row.
void SelectAllOnCtrlA(HWND list, const NMLVKEYDOWN& key);

// Copies a cell's text into the item that LVN_GETDISPINFOW asks for; the
// text lives in `buffer` until the next call.
void HandOverCell(LVITEMW& item, const std::string& text, std::wstring& buffer);

}  // namespace sw
