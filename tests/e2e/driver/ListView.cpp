// Report list views of the program: their columns and cells are read in the
// program's own process (the control hands its texts only through memory of
// the process that owns it), and a column header is clicked where the user
// clicks it. Also the system menu's commands, posted as the menu posts them.
#include "Driver.h"

#include <commctrl.h>

#include <vector>

namespace e2e {
namespace {

constexpr int kCellChars = 4096;

// A block of memory in the program's process, given back when it goes.
class RemoteBlock {
public:
    explicit RemoteBlock(size_t size) : size_(size) {
        DWORD pid = Program().pid;
        if (pid == 0) Fail(L"no program attached");
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_ == nullptr) Fail(L"cannot open the program's memory");
        at_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (at_ == nullptr) {
            CloseHandle(process_);
            Fail(L"cannot allocate in the program");
        }
    }
    ~RemoteBlock() {
        VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
        CloseHandle(process_);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    BYTE* At(size_t offset) const { return static_cast<BYTE*>(at_) + offset; }
    void Write(size_t offset, const void* data, size_t size) {
        if (!WriteProcessMemory(process_, At(offset), data, size, nullptr)) Fail(L"cannot write the program's memory");
    }
    void Read(size_t offset, void* data, size_t size) {
        if (!ReadProcessMemory(process_, At(offset), data, size, nullptr)) Fail(L"cannot read the program's memory");
    }

private:
    size_t size_;
    HANDLE process_ = nullptr;
    void* at_ = nullptr;
};

// One text through a message that fills an LVITEMW / HDITEMW-like record in
// the program: the record at offset 0, the text buffer after it.
std::wstring CellText(HWND list, RemoteBlock& block, int row, int column) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = reinterpret_cast<LPWSTR>(block.At(sizeof(LVITEMW)));
    item.cchTextMax = kCellChars;
    block.Write(0, &item, sizeof item);
    const LRESULT length = Send(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(block.At(0)));
    std::wstring text(static_cast<size_t>(length < 0 ? 0 : length), L'\0');
    if (!text.empty()) block.Read(sizeof(LVITEMW), text.data(), text.size() * sizeof(wchar_t));
    return text;
}

std::wstring ColumnTitle(HWND list, RemoteBlock& block, int column) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = reinterpret_cast<LPWSTR>(block.At(sizeof(LVCOLUMNW)));
    col.cchTextMax = kCellChars;
    block.Write(0, &col, sizeof col);
    if (!Send(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(block.At(0))))
        Fail(L"cannot read column " + std::to_wstring(column));
    std::vector<wchar_t> text(kCellChars + 1, L'\0');
    block.Read(sizeof(LVCOLUMNW), text.data(), kCellChars * sizeof(wchar_t));
    return text.data();
}

int ColumnCount(HWND list) {
    HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER, 0, 0));
    if (header == nullptr) Fail(L"the list view has no header");
    return static_cast<int>(Send(header, HDM_GETITEMCOUNT, 0, 0));
}

}  // namespace

// {"cmd":"listview","window":"StartwartChanges","id":301}: {"columns":[...],
// "rows":[[cell,...],...], "count", "sort": [HDF_SORTUP/HDF_SORTDOWN flags per column],
// "selected": [indices of the selected rows]}
Json CmdListView(const Json& a) {
    HWND list = FindControl(a);
    RemoteBlock block(sizeof(LVITEMW) + sizeof(LVCOLUMNW) + (kCellChars + 1) * sizeof(wchar_t));
    const int columns = ColumnCount(list);
    const LRESULT count = Send(list, LVM_GETITEMCOUNT, 0, 0);
    Json r;
    Json titles = Json::Array();
    Json sort = Json::Array();
    HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER, 0, 0));
    for (int c = 0; c < columns; ++c) {
        titles.Push(Json(ColumnTitle(list, block, c)));
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        block.Write(0, &item, sizeof item);
        Send(header, HDM_GETITEMW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(block.At(0)));
        block.Read(0, &item, sizeof item);
        sort.Push(Json((item.fmt & HDF_SORTUP) ? L"up" : (item.fmt & HDF_SORTDOWN) ? L"down" : L""));
    }
    Json rows = Json::Array();
    for (LRESULT i = 0; i < count; ++i) {
        Json row = Json::Array();
        for (int c = 0; c < columns; ++c) row.Push(Json(CellText(list, block, static_cast<int>(i), c)));
        rows.Push(row);
    }
    Json selected = Json::Array();
    for (LRESULT i = Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED); i >= 0;
         i = Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))
        selected.Push(Json(static_cast<long long>(i)));
    r["columns"] = titles;
    r["sort"] = sort;
    r["selected"] = selected;
    r["rows"] = rows;
    r["count"] = static_cast<long long>(count);
    return r;
}

// {"cmd":"column_click","window":...,"id":...,"column":2}: the left button
// pressed and released on the middle of a column's header, posted to the
// header control as the mouse would send them.
Json CmdColumnClick(const Json& a) {
    HWND list = FindControl(a);
    const int column = static_cast<int>(a.Get("column").Int());
    if (column < 0 || column >= ColumnCount(list)) Fail(L"no column " + std::to_wstring(column));
    HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER, 0, 0));
    int left = 0;
    for (int c = 0; c < column; ++c) left += static_cast<int>(Send(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0));
    const int width = static_cast<int>(Send(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    RECT client{};
    GetClientRect(header, &client);
    const LPARAM at = MAKELPARAM(left + width / 2, (client.top + client.bottom) / 2);
    PostMessageW(header, WM_MOUSEMOVE, 0, at);
    PostMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(header, WM_LBUTTONUP, 0, at);
    // Sent messages go before posted ones: a few rounds let the posted
    // ones be taken first.
    for (int i = 0; i < 6; ++i) {
        Send(list, WM_NULL, 0, 0);
        Sleep(2);
    }
    Json r;
    r["x"] = left + width / 2;
    return r;
}

// {"cmd":"syscommand","window":"root","command":256}: posts WM_SYSCOMMAND as
// a click on a system-menu item does, and returns at once: what the command
// opens may keep the program busy for a while.
Json CmdSysCommand(const Json& a) {
    HWND top = FindTop(a);
    if (!PostMessageW(top, WM_SYSCOMMAND, static_cast<WPARAM>(a.Get("command").Int()), 0)) Fail(L"cannot post");
    return Json();
}

// The edit control a combo box (or extended combo box) types into.
HWND InnerEdit(HWND control) {
    if (lstrcmpiW(ClassOf(control).c_str(), L"Edit") == 0) return control;
    for (HWND child = GetWindow(control, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if (HWND edit = InnerEdit(child)) return edit;
    return nullptr;
}

// {"cmd":"set_text","window":"#32770","id":1148,"text":"..."}: sets the text
// of an edit control, or of the edit inside a combo box, as typing it would
// leave it (a file name in a save dialog).
Json CmdSetText(const Json& a) {
    HWND control = InnerEdit(FindControl(a));
    if (control == nullptr) Fail(L"no edit control there");
    const std::wstring text = a.Get("text").String();
    if (!Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()))) Fail(L"the control took no text");
    return Json();
}

}  // namespace e2e
