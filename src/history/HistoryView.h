// The window "Verlauf der Änderungen" without its window: reads the history
// (<base>-Verlauf.dat), shows every change recorded between two adjacent
// runs as a row of the changes window with the runs' times, newest first,
// sorts and filters them, prints and saves them, and restores the selected
// rows' entries to the state of a run the user chooses. The window
// (win32/HistoryWindow.*) shows what this holds and passes clicks on.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "changes/ChangesView.h"
#include "history/History.h"

namespace sw {

inline const std::string kHistoryTitle = "Verlauf der Änderungen";
// The changes window's columns with "Gefunden" before them; "Nachher" for
// its "Jetzt", as the value is the later run's, not today's.
inline const std::array<std::string, 7> kHistoryColumns = {"Gefunden", "Eintrag", "Schlüssel", "Änderung",
                                                           "Vorher",   "Nachher", "Hinweis"};

// Which run a restore goes back to: a choice among the runs' times, oldest
// first, starting at `preselected`; nothing when the user cancels.
class RunChooser {
public:
    virtual ~RunChooser() = default;
    virtual std::optional<std::size_t> Choose(const std::vector<std::string>& runs, std::size_t preselected) = 0;
};

// "vom TT.MM.JJJJ hh:mm:ss bis TT.MM.JJJJ hh:mm:ss": the two runs between
// whose exports a change was found.
std::string FoundText(const HistoryPair& pair);

class HistoryView {
public:
    HistoryView(ChangesServices& services, RunChooser* chooser) : s(services), chooser_(chooser) {}

    // Reads the history file and shows it; without one, or with one that
    // cannot be read, the status line says so and which file it looked for.
    void Load();
    // Shows a history read already: every record a row, with its notes
    // (changes/ChangeNotes.h, judged on the later run's values), newest
    // first; the filter stays.
    void Show(History history, const std::string& path);

    // What was read (the file, runs and changes), what could not be (the
    // damaged end), and how many rows the filter leaves.
    std::string Status() const;
    bool Loaded() const { return loaded_; }

    // The rows shown, in the order shown: the filter applied to the sorted rows.
    std::size_t Count() const { return shown_.size(); }
    const ChangeRow& RowAt(std::size_t position) const { return rows_[shown_[position]].row; }
    std::string Cell(std::size_t position, int column) const;

    // Sorts by a column ("Gefunden" by the runs' times); the same column
    // again reverses the order. Rows that compare equal keep their order,
    // and positions in `selected` move along with their rows.
    void SortBy(int column, std::vector<std::size_t>* selected = nullptr);
    int SortColumn() const { return sortColumn_; }
    bool Descending() const { return descending_; }

    // Shows only the rows whose entry or key name holds the text, case
    // ignored as names are (platform/CaseFold.h); an empty text shows all.
    void Filter(const std::string& text);

    void Print();
    void Save();
    // The saved file's bytes: the rows shown, with their "Gefunden".
    std::string SavedText(SaveFormat format) const;

    // The runs a restore can go back to ("TT.MM.JJJJ hh:mm:ss", oldest
    // first), and the one it offers for the rows at these positions: the
    // earlier run of the oldest of them.
    std::vector<std::string> RunTexts() const;
    std::size_t DefaultRun(const std::vector<std::size_t>& selected) const;

    bool CanRestoreAny(const std::vector<std::size_t>& selected) const;
    // Asks which run to go back to, then restores the entries of the rows at
    // these positions to their state then, as the changes window restores:
    // the plan, its preview, the undo file and the writes, and the result.
    // True when it wrote.
    bool Restore(const std::vector<std::size_t>& selected);

private:
    struct Row {
        std::size_t pair;    // its index in history_.pairs
        ChangeRow row;       // "now" holds the later run's value
        std::string folded;  // entry and key name, folded, for the filter
    };
    void ShowFiltered();
    std::vector<std::size_t> Positions(const std::vector<std::size_t>& ids) const;

    ChangesServices& s;
    RunChooser* chooser_;
    History history_;
    std::string path_;
    std::string readFailure_;  // why nothing was read
    bool loaded_ = false;
    std::vector<std::string> found_;  // FoundText of each pair
    std::vector<Row> rows_;           // as read: pairs oldest first
    std::vector<std::size_t> order_;  // rows_ as sorted
    std::vector<std::size_t> shown_;  // order_ as filtered
    std::string filter_;              // folded
    int sortColumn_ = 0;
    bool descending_ = true;
};

}  // namespace sw
