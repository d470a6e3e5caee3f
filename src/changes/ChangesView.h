// The window "Änderungen seit dem letzten Start" without its window: loads
// the previous run's export, compares it with the registry, keeps the rows
// in the order the user sorted them, and prints or saves them. The window
// (win32/ChangesWindow.*) shows what this holds and passes clicks on.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "changes/ChangeTexts.h"
#include "changes/Restore.h"
#include "changes/ServiceChanges.h"
#include "changes/ServicesWatch.h"
#include "platform/Platform.h"
#include "printing/Printer.h"
#include "registry/Registry.h"

namespace sw {

enum class SaveFormat { Text, Csv };

// One cell of the CSV file (";" between cells): quoted where the text holds
// ";", a quote, a line end or an outer blank; a text that a spreadsheet
// would take for a formula ("=", "+", "-", "@") gets a leading apostrophe.
std::string CsvField(const std::string& text);

// One line of the CSV file without its line end: the column titles, or
// the cells of one row, as the saved file holds them.
std::string CsvTitleLine();
std::string CsvLine(const ChangeRow& row);

// One line of a saved file without its line end: CSV cells, or the cells
// separated by tabs.
std::string SavedLine(const std::vector<std::string>& cells, SaveFormat format);
// A row's cells as the list shows them, in the columns' order.
std::vector<std::string> RowCells(const ChangeRow& row);
// What a saved file begins with: the byte-order mark, and for the text
// form the title and the status line.
std::string SavedFileStart(const std::string& title, const std::string& status, SaveFormat format);

struct SaveChoice {
    std::string path;  // UTF-8
    SaveFormat format = SaveFormat::Text;
};

// The standard save dialog: where to save and in which form, or nothing when
// the user cancels.
class SaveDialog {
public:
    virtual ~SaveDialog() = default;
    virtual std::optional<SaveChoice> Ask(const std::string& suggestedName) = 0;
};

// The restore's two windows: the preview of the plan, which the user
// confirms ("&Zurücksetzen") or not ("&Abbrechen", Esc), and the result.
class RestoreDialogs {
public:
    virtual ~RestoreDialogs() = default;
    // True when the user chose to restore. With cancelIsDefault, Enter
    // cancels (a boot or system start type is involved).
    virtual bool Confirm(const std::string& text, bool cancelIsDefault) = 0;
    virtual void ShowResult(const std::string& text) = 0;
};

struct ChangesServices {
    Registry& registry;
    Files& files;
    Program& program;
    Clock& clock;
    MessageBoxes& messages;
    PrinterFactory* printers = nullptr;
    SaveDialog* save = nullptr;
    Restorer* restorer = nullptr;  // none: nothing can be restored
    RestoreDialogs* restoreDialogs = nullptr;
    UserInterface* ui = nullptr;  // the pointer while the restore works
    // The Services key watched while the program runs; none (the check
    // without a window): every comparison reads the registry.
    ServicesWatch* watch = nullptr;
};

// The changes window's and the history window's common ways: printing
// their rows (a heading, then what rows() prints, and a failure said in a
// message box), saving a file whole where the user chose (a failure said
// likewise), and the restore: the plan back to the earlier state, its
// preview, and when confirmed, the writes and their result. True when it
// wrote.
void PrintChanges(ChangesServices& s, const std::string& title, const std::string& status,
                  const std::function<void(Printer&)>& rows);
// A line below a row: "title: text", indented.
void PrintDetail(Printer& p, const std::string& title, const std::string& text);
void SaveChanges(ChangesServices& s, const std::string& suggestedName,
                 const std::function<std::string(SaveFormat)>& text);
bool PreviewAndRestore(ChangesServices& s, const std::vector<ChangeRow>& rows,
                       const std::function<EarlierState()>& earlier);

// The status line's opening once the registry changed while the window was
// open and the fresh comparison gave other rows.
inline const std::string kChangedWhileRunning = "Geändert, während das Programm lief";

inline const std::string kChangesTitle = "Änderungen seit dem letzten Start";
inline const std::array<std::string, 6> kChangesColumns = {"Eintrag", "Schlüssel", "Änderung",
                                                           "Vorher",  "Jetzt",     "Hinweis"};

// One row as the print shows it: entry, key and change on a line, before,
// now (under the title given) and the note indented below.
void PrintChangeRow(Printer& p, const ChangeRow& row, const std::string& nowTitle = kChangesColumns[4]);

class ChangesView {
public:
    explicit ChangesView(ChangesServices& services) : s(services) {}

    // Reads the previous export and compares it with the registry now, and
    // notes why rows matter (changes/ChangeNotes.h). The rows come with the
    // noted ones first, each part in entry order. Shows no window: the
    // unattended check uses it as the window does.
    // The registry now is this run's export where the watch says it still
    // shows the registry (ended whole, nothing changed since it began): two
    // files read instead of every entry's key. The rows are the same either
    // way; the names of the rows' entries are then resolved through the
    // registry (ResolveShownNames).
    void Load();

    // The registry changed below the Services key while the window is open:
    // compares afresh, keeps the sort and moves the positions in `selected`
    // to the same rows where they still are. When the rows differ from
    // those shown, the status line begins with kChangedWhileRunning and the
    // time; it keeps that opening until the window loads anew. False, doing
    // nothing, while a print, a save or a restore of the window's own is
    // under way (a restore's own comparison follows).
    bool RegistryChanged(std::vector<std::size_t>& selected);

    // The one line above the list: what was compared, how many changes and
    // how many per-user instances were left out, or why nothing could be
    // compared and which file was looked for.
    const std::string& Status() const { return status_; }
    // True when the comparison ran; printing and saving need it.
    bool Compared() const { return compared_; }
    const std::vector<ChangeRow>& Rows() const { return rows_; }
    static std::string Cell(const ChangeRow& row, int column);

    // Sorts by a column; the same column again reverses the order. Rows that
    // compare equal keep their order. Positions in `selected` are moved
    // along with their rows, so that a selection stays on the same rows.
    void SortBy(int column, std::vector<std::size_t>* selected = nullptr);
    int SortColumn() const { return sortColumn_; }
    bool Descending() const { return descending_; }

    void Print();
    void Save();

    // Whether the rows at these positions (of Rows() as sorted now) hold
    // one that a restore can act on.
    bool CanRestoreAny(const std::vector<std::size_t>& selected) const;
    // Restores the rows at these positions: the plan, its preview, and when
    // the user confirms, the writes, their result and a fresh comparison.
    // When nothing can be written the user is told why instead. True when
    // it wrote and so compared afresh.
    bool Restore(const std::vector<std::size_t>& selected);

    // The previous export: program folder, base name, ".tmr".
    std::string PreviousExportPath() const;

    // The saved file's bytes in either form (UTF-8 with a byte-order mark).
    std::string SavedText(SaveFormat format) const;

private:
    // Load without touching the sort or the status line's opening.
    void Compare();
    // The registry now as this run's export holds it; nothing when it cannot
    // be read.
    std::optional<std::vector<ServiceValues>> ServicesOfThisRunsExport();
    void Sort(int column, bool descending, std::vector<std::size_t>* selected);

    ChangesServices& s;
    std::string status_;
    std::string changedOpening_;  // kChangedWhileRunning with the time, once rows changed so
    bool busy_ = false;  // printing, saving or restoring: the rows stay
    bool compared_ = false;
    std::vector<ChangeRow> rows_;
    int sortColumn_ = -1;
    bool descending_ = false;
};

}  // namespace sw
