#include "changes/ChangesView.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "catalogue/Lines.h"
#include "changes/ChangeNotes.h"
#include "changes/ChangesRestorer.h"
#include "changes/RestoreTexts.h"
#include "platform/CaseFold.h"
#include "printing/Heading.h"
#include "printing/PrintFailure.h"

namespace sw {
namespace {

// Print columns, twips; before and now go on lines of their own below the
// entry, indented, so long paths keep their room.
constexpr float kEntryColumn = 1000;
constexpr float kKeyColumn = 4800;
constexpr float kChangeColumn = 7800;
constexpr float kDetailColumn = 1400;

inline const std::string kPrintTitle = " Drucken";
inline const std::string kNotPrinted = "Die Änderungen konnten nicht gedruckt werden.    ";
inline const std::string kSaveTitle = " Speichern";
inline const std::string kNotSaved = "Die Datei konnte nicht gespeichert werden:";
inline const std::string kBom = "\xEF\xBB\xBF";

std::string CountText(std::size_t count, std::size_t instancesLeftOut) {
    std::string text = count == 0   ? "keine Änderungen"
                       : count == 1 ? "1 Änderung"
                                    : std::to_string(count) + " Änderungen";
    if (instancesLeftOut == 1) text += "; 1 Instanz benutzerbezogener Dienste nicht aufgeführt";
    if (instancesLeftOut > 1)
        text += "; " + std::to_string(instancesLeftOut) + " Instanzen benutzerbezogener Dienste nicht aufgeführt";
    return text + ".";
}

// A row's place in the list, whatever its values: the entry and which of
// its changes (Change::SameAs), so a selection can follow it into a fresh
// comparison.
std::string RowIdentity(const ChangeRow& row) {
    return FoldCase(row.key) + '\n' +
           (row.change.IsEntry() ? std::to_string(static_cast<int>(row.change.kind)) : std::string(row.change.value->label));
}

// Everything a row shows, in an order that does not depend on the sort.
std::vector<std::string> RowPrints(const std::vector<ChangeRow>& rows) {
    std::vector<std::string> prints;
    prints.reserve(rows.size());
    for (const ChangeRow& row : rows) prints.push_back(RowIdentity(row) + '\n' + CsvLine(row));
    std::sort(prints.begin(), prints.end());
    return prints;
}

// Marks the view busy for a scope: fresh comparisons wait until it ends.
struct Busy {
    bool& flag;
    explicit Busy(bool& f) : flag(f) { flag = true; }
    ~Busy() { flag = false; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;
};

std::string TimeText(Clock& clock) {
    const auto seconds = static_cast<int>(clock.SecondsSinceMidnight()) % 86400;
    const auto two = [](int n) { return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)}; };
    return two(seconds / 3600) + ":" + two(seconds / 60 % 60) + ":" + two(seconds % 60);
}

}  // namespace

std::string CsvField(const std::string& text) {
    // A cell that begins like a formula would be run by a spreadsheet that
    // opens the file; a registry text is anybody's to write, so such a cell
    // is kept as text by a leading apostrophe.
    const bool formula = !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
    const std::string cell = formula ? "'" + text : text;
    if (cell.find_first_of(";\"\r\n") == std::string::npos && (cell.empty() || (cell.front() != ' ' && cell.back() != ' ')))
        return cell;
    std::string out = "\"";
    for (char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}


std::string ChangesView::PreviousExportPath() const { return sw::PreviousExportPath(s.program); }

std::string ChangesView::Cell(const ChangeRow& row, int column) {
    switch (column) {
        case 0: return row.entry;
        case 1: return row.key;
        case 2: return ChangeText(row.change);
        case 3: return BeforeText(row);
        case 4: return NowText(row);
        default: return row.note;
    }
}

void ChangesView::Load() {
    changedOpening_.clear();
    sortColumn_ = -1;
    descending_ = false;
    Compare();
}

std::optional<std::vector<ServiceValues>> ChangesView::ServicesOfThisRunsExport() {
    std::string bytes;
    if (!s.files.Read(ThisRunsExportPath(s.program), bytes)) return std::nullopt;
    const RegExport file = ReadServicesExport(bytes);
    if (!file.Ok()) return std::nullopt;
    return ServicesInExport(file);
}

void ChangesView::Compare() {
    compared_ = false;
    rows_.clear();
    // Asked before anything is read: a change made from here on is passed
    // on afterwards and compared again.
    const bool exportCurrent = s.watch != nullptr && s.watch->BeginComparison();
    const std::string path = PreviousExportPath();
    std::string bytes;
    if (!s.files.Read(path, bytes)) {
        status_ = s.files.Exists(path) ? "Der Export vom letzten Start kann nicht geöffnet werden: " + path
                                       : "Kein Export vom letzten Start gefunden: " + path;
        return;
    }
    const RegExport previous = ReadServicesExport(bytes);
    bytes.clear();
    bytes.shrink_to_fit();
    if (!previous.Ok()) {
        status_ = "Der Export vom letzten Start ist nicht lesbar (" + path + "): " + previous.error;
        return;
    }
    const auto before = ServicesInExport(previous);
    if (!before) {
        status_ = "Der Export vom letzten Start enthält den Schlüssel der Dienste nicht: " + path;
        return;
    }
    auto now = exportCurrent ? ServicesOfThisRunsExport() : std::nullopt;
    const bool fromExport = now.has_value();
    if (!fromExport) {
        now = ServicesNow(s.registry);
        if (!now) {
            status_ = "Die Dienste in der Registrierung können nicht gelesen werden.";
            return;
        }
        // An export holds every value in its type; the registry's reads
        // deliver some types as absent, which only a second look tells apart.
        RecheckAbsent(s.registry, *before, *now);
    }
    std::size_t instancesLeftOut = 0;
    rows_ = CompareServices(*before, *now, &instancesLeftOut);
    if (fromExport) ResolveShownNames(s.registry, *now, rows_);
    NoteRows(rows_, *now, s.files, s.program.WindowsFolder());
    std::stable_partition(rows_.begin(), rows_.end(), [](const ChangeRow& row) { return !row.note.empty(); });
    compared_ = true;
    status_ = "Verglichen mit " + path + ": " + CountText(rows_.size(), instancesLeftOut);
}

bool ChangesView::RegistryChanged(std::vector<std::size_t>& selected) {
    if (busy_) return false;
    std::set<std::string> chosen;
    for (std::size_t index : selected)
        if (index < rows_.size()) chosen.insert(RowIdentity(rows_[index]));
    const std::vector<std::string> shown = RowPrints(rows_);
    const int column = sortColumn_;
    const bool descending = descending_;
    Compare();
    if (RowPrints(rows_) != shown) changedOpening_ = kChangedWhileRunning + " (" + TimeText(s.clock) + ").";
    if (!changedOpening_.empty()) status_ = changedOpening_ + " " + status_;
    selected.clear();
    if (column >= 0) Sort(column, descending, nullptr);
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (chosen.count(RowIdentity(rows_[i])) != 0) selected.push_back(i);
    return true;
}

void ChangesView::SortBy(int column, std::vector<std::size_t>* selected) {
    if (column < 0 || column >= static_cast<int>(kChangesColumns.size())) return;
    Sort(column, column == sortColumn_ ? !descending_ : false, selected);
}

void ChangesView::Sort(int column, bool descending, std::vector<std::size_t>* selected) {
    descending_ = descending;
    sortColumn_ = column;
    // Case-insensitive, as the list's users read names; folded once per row.
    struct Keyed {
        std::string key;
        std::size_t from;
        ChangeRow row;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) keyed.push_back({FoldCase(Cell(rows_[i], column)), i, std::move(rows_[i])});
    std::stable_sort(keyed.begin(), keyed.end(), [this](const Keyed& a, const Keyed& b) {
        return descending_ ? b.key < a.key : a.key < b.key;
    });
    std::vector<std::size_t> to(keyed.size());
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        to[keyed[i].from] = i;
        rows_[i] = std::move(keyed[i].row);
    }
    if (selected == nullptr) return;
    std::vector<std::size_t> moved;
    for (std::size_t index : *selected)
        if (index < to.size()) moved.push_back(to[index]);
    std::sort(moved.begin(), moved.end());
    *selected = std::move(moved);
}

void PrintChangeRow(Printer& p, const ChangeRow& row, const std::string& nowTitle) {
    p.SetCurrentX(kEntryColumn);
    p.PrintKeep(ShownInLine(row.entry));
    p.SetCurrentX(kKeyColumn);
    p.PrintKeep(ShownInLine(row.key));
    p.SetCurrentX(kChangeColumn);
    p.PrintLine(ChangeText(row.change));
    // An added entry has no before, a removed one no now.
    if (row.change.kind != ChangeKind::EntryAdded) PrintDetail(p, kChangesColumns[3], ShownInLine(BeforeText(row)));
    if (row.change.kind != ChangeKind::EntryRemoved) PrintDetail(p, nowTitle, ShownInLine(NowText(row)));
    if (!row.note.empty()) PrintDetail(p, kChangesColumns[5], row.note);
}

void PrintDetail(Printer& p, const std::string& title, const std::string& text) {
    p.SetCurrentX(kDetailColumn);
    p.PrintLine(title + ": " + text);
}

void PrintChanges(ChangesServices& s, const std::string& title, const std::string& status,
                  const std::function<void(Printer&)>& rows) {
    std::unique_ptr<Printer> printer = OpenDefaultPrinter(s.printers);
    bool printed = false;
    if (printer) {
        Printer& p = *printer;
        PrintHeading(p, title, s.clock.Today(), {status},
                     {{kEntryColumn, kChangesColumns[0]}, {kKeyColumn, kChangesColumns[1]},
                      {kChangeColumn, kChangesColumns[2]}});
        rows(p);
        printed = p.EndDoc();
    }
    if (!printed)
        s.messages.Show(kNotPrinted + "\n" + PrintFailureReason(printer.get()), kPrintTitle, kMbIconExclamation);
}

void ChangesView::Print() {
    if (!compared_) return;
    // A printer's dialog runs a message loop; the rows stay as they are
    // while they are printed.
    const Busy busy(busy_);
    PrintChanges(s, kChangesTitle, status_, [this](Printer& p) {
        for (const ChangeRow& row : rows_) PrintChangeRow(p, row);
    });
}

// CSV: fields quoted as spreadsheets read them, ";" between them; text:
// tab-separated cells on one line.
std::string SavedLine(const std::vector<std::string>& cells, SaveFormat format) {
    const bool csv = format == SaveFormat::Csv;
    std::string out;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) out += csv ? ';' : '\t';
        out += csv ? CsvField(cells[i]) : ShownInLine(cells[i]);
    }
    return out;
}

std::vector<std::string> RowCells(const ChangeRow& row) {
    std::vector<std::string> cells;
    for (int column = 0; column < static_cast<int>(kChangesColumns.size()); ++column)
        cells.push_back(ChangesView::Cell(row, column));
    return cells;
}

namespace {

std::string TitleLine(SaveFormat format) {
    return SavedLine({kChangesColumns.begin(), kChangesColumns.end()}, format);
}

std::string RowLine(const ChangeRow& row, SaveFormat format) { return SavedLine(RowCells(row), format); }

}  // namespace

std::string CsvTitleLine() { return TitleLine(SaveFormat::Csv); }
std::string CsvLine(const ChangeRow& row) { return RowLine(row, SaveFormat::Csv); }

std::string ChangesView::SavedText(SaveFormat format) const {
    // Text: the title and status over the lines.
    std::string out = SavedFileStart(kChangesTitle, status_, format);
    out += TitleLine(format) + "\r\n";
    for (const ChangeRow& row : rows_) out += RowLine(row, format) + "\r\n";
    return out;
}

void SaveChanges(ChangesServices& s, const std::string& suggestedName,
                 const std::function<std::string(SaveFormat)>& text) {
    if (!s.save) return;
    const auto choice = s.save->Ask(suggestedName);
    if (!choice) return;
    // Written whole: a full disk leaves the file the user chose as it was,
    // never cut short.
    if (!s.files.WriteWhole(choice->path, text(choice->format)))
        s.messages.Show(kNotSaved + "\n" + choice->path, kSaveTitle, kMbIconExclamation);
}

std::string SavedFileStart(const std::string& title, const std::string& status, SaveFormat format) {
    return format == SaveFormat::Text ? kBom + title + "\r\n" + status + "\r\n\r\n" : kBom;
}

void ChangesView::Save() {
    if (!compared_) return;
    // The rows saved are those shown when the user chose to save.
    const Busy busy(busy_);
    SaveChanges(s, s.program.BaseName() + "-Änderungen.txt", [this](SaveFormat format) { return SavedText(format); });
}

bool ChangesView::CanRestoreAny(const std::vector<std::size_t>& selected) const {
    if (!compared_ || s.restorer == nullptr) return false;
    for (std::size_t index : selected)
        if (index < rows_.size() && CanRestore(rows_[index])) return true;
    return false;
}

namespace {

void Pointer(ChangesServices& s, int shape) {
    if (s.ui != nullptr) s.ui->SetPointer(shape);
}

}  // namespace

bool PreviewAndRestore(ChangesServices& s, const std::vector<ChangeRow>& rows,
                       const std::function<EarlierState()>& earlier) {
    if (s.restorer == nullptr || s.restoreDialogs == nullptr || rows.empty()) return false;
    Pointer(s, kPointerHourglass);
    const RestorePlan plan = s.restorer->Plan(rows, earlier());
    Pointer(s, kPointerDefault);
    if (!plan.failure.empty() || plan.writes.empty()) {
        s.messages.Show(NothingToRestoreText(plan), kRestoreTitle, kMbIconExclamation);
        return false;
    }
    if (!s.restoreDialogs->Confirm(RestorePreviewText(plan, rows, s.program.Folder()), plan.touchesBootOrSystemStart))
        return false;
    Pointer(s, kPointerHourglass);
    const RestoreResult result = s.restorer->CarryOut(plan);
    Pointer(s, kPointerDefault);
    s.restoreDialogs->ShowResult(RestoreResultText(result));
    return true;
}

bool ChangesView::Restore(const std::vector<std::size_t>& selected) {
    if (!compared_) return false;
    // The registry changes under the restore's own writes; its comparison at
    // the end covers them, and any other change the dialogs' time saw.
    const Busy busy(busy_);
    std::vector<ChangeRow> rows;
    for (std::size_t index : selected)
        if (index < rows_.size()) rows.push_back(rows_[index]);
    if (!PreviewAndRestore(s, rows, [&] { return PreviousRunState(s.files, s.program, rows); })) return false;
    // What was restored is no longer a change.
    Pointer(s, kPointerHourglass);
    Load();
    Pointer(s, kPointerDefault);
    return true;
}

}  // namespace sw
