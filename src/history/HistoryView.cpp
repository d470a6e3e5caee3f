#include "history/HistoryView.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>

#include "changes/ChangeNotes.h"
#include "changes/RestoreTexts.h"
#include "history/StateAtRun.h"
#include "platform/CaseFold.h"

namespace sw {
namespace {

FoundValue Found(const std::optional<StoredValue>& value) { return value ? FoundOf(*value) : FoundValue{}; }

auto Stamp(const LocalTime& t) { return std::make_tuple(t.date.year, t.date.month, t.date.day, t.hour, t.minute, t.second); }

std::string Counted(std::size_t count, const std::string& one, const std::string& many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// A pair's records as rows of the changes window, with the notes the
// changes window gives them, judged on the later run's values: the noted
// rows first, then the others, both in the order recorded.
std::vector<ChangeRow> PairRows(const HistoryPair& pair, Files& files, const std::string& windowsFolder) {
    std::vector<ChangeRow> rows;
    std::vector<ServiceValues> later;
    std::unordered_map<std::string, std::size_t> byKey;
    for (const HistoryRecord& record : pair.records) {
        rows.push_back({record.entry, record.key, record.change, Found(record.before), Found(record.after), "",
                        record.notAnInstance});
        const std::string folded = FoldCase(record.key);
        const auto [at, added] = byKey.emplace(folded, later.size());
        if (added) later.push_back(ServiceValues{record.key, {}, {}, folded});
        ServiceValues& values = later[at->second];
        if (record.change.kind == ChangeKind::EntryAdded)
            values.values[IndexOf(ManagerField::ImagePath)] = Found(record.after);
        else if (!record.change.IsEntry() && record.change.value != nullptr)
            values.values[IndexOf(*record.change.value)] = Found(record.after);
    }
    NoteRows(rows, later, files, windowsFolder);
    std::stable_partition(rows.begin(), rows.end(), [](const ChangeRow& row) { return !row.note.empty(); });
    return rows;
}

}  // namespace

std::string FoundText(const HistoryPair& pair) {
    return "vom " + RunTimeText(pair.from) + " bis " + RunTimeText(pair.to);
}

void HistoryView::Load() {
    const std::string path = HistoryPath(s.program);
    std::string bytes;
    if (s.files.Read(path, bytes)) return Show(ReadHistory(bytes), path);
    Show(History{}, path);
    loaded_ = false;
    readFailure_ = s.files.Exists(path) ? "Der Verlauf kann nicht geöffnet werden: " + path
                                        : "Noch kein Verlauf vorhanden; gesucht wurde " + path;
}

void HistoryView::Show(History history, const std::string& path) {
    history_ = std::move(history);
    path_ = path;
    readFailure_.clear();
    loaded_ = true;
    rows_.clear();
    found_.clear();
    for (std::size_t p = 0; p < history_.pairs.size(); ++p) {
        found_.push_back(FoundText(history_.pairs[p]));
        for (ChangeRow& row : PairRows(history_.pairs[p], s.files, s.program.WindowsFolder())) {
            std::string folded = FoldCase(row.entry + "\n" + row.key);
            rows_.push_back(Row{p, std::move(row), std::move(folded)});
        }
    }
    order_.resize(rows_.size());
    for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = i;
    // Newest first: the first column, as a second click on it sorts.
    sortColumn_ = 0;
    descending_ = false;
    SortBy(0);
}

std::string HistoryView::Status() const {
    if (!loaded_) return readFailure_;
    std::string status = "Verlauf aus " + path_ + ": ";
    if (history_.pairs.empty()) {
        status += "noch keine zwei Läufe verglichen.";
    } else {
        std::size_t instances = 0;
        for (const HistoryPair& pair : history_.pairs) instances += pair.instancesLeftOut;
        status += Counted(history_.pairs.size() + 1, "Lauf", "Läufe") + ", " +
                  Counted(rows_.size(), "Änderung", "Änderungen");
        if (instances > 0)
            status += "; " + Counted(instances, "Instanz benutzerbezogener Dienste", "Instanzen benutzerbezogener Dienste") +
                      " nicht aufgeführt";
        status += ".";
    }
    if (!filter_.empty()) status += " Gefiltert: " + std::to_string(shown_.size()) + " gezeigt.";
    if (!history_.damage.empty()) status += " " + history_.damage;
    return status;
}

std::string HistoryView::Cell(std::size_t position, int column) const {
    const Row& row = rows_[shown_[position]];
    return column == 0 ? found_[row.pair] : ChangesView::Cell(row.row, column - 1);
}

void HistoryView::SortBy(int column, std::vector<std::size_t>* selected) {
    if (column < 0 || column >= static_cast<int>(kHistoryColumns.size())) return;
    descending_ = column == sortColumn_ ? !descending_ : false;
    sortColumn_ = column;
    std::vector<std::size_t> ids;
    if (selected != nullptr)
        for (std::size_t position : *selected)
            if (position < shown_.size()) ids.push_back(shown_[position]);
    if (column == 0) {
        // By the runs' times, not by the text: the later run, then the earlier.
        const auto time = [this](std::size_t id) {
            const HistoryPair& pair = history_.pairs[rows_[id].pair];
            return std::make_tuple(Stamp(pair.to), Stamp(pair.from));
        };
        std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
            return descending_ ? time(b) < time(a) : time(a) < time(b);
        });
    } else {
        // Case-insensitive, as the list's users read names; folded once per row.
        std::vector<std::string> keys(rows_.size());
        for (std::size_t id = 0; id < rows_.size(); ++id) keys[id] = FoldCase(ChangesView::Cell(rows_[id].row, column - 1));
        std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
            return descending_ ? keys[b] < keys[a] : keys[a] < keys[b];
        });
    }
    ShowFiltered();
    if (selected != nullptr) *selected = Positions(ids);
}

void HistoryView::Filter(const std::string& text) {
    filter_ = FoldCase(text);
    ShowFiltered();
}

void HistoryView::ShowFiltered() {
    shown_.clear();
    for (std::size_t id : order_)
        if (filter_.empty() || rows_[id].folded.find(filter_) != std::string::npos) shown_.push_back(id);
}

std::vector<std::size_t> HistoryView::Positions(const std::vector<std::size_t>& ids) const {
    std::vector<std::size_t> at(rows_.size(), shown_.size());
    for (std::size_t i = 0; i < shown_.size(); ++i) at[shown_[i]] = i;
    std::vector<std::size_t> positions;
    for (std::size_t id : ids)
        if (at[id] < shown_.size()) positions.push_back(at[id]);
    std::sort(positions.begin(), positions.end());
    return positions;
}

void HistoryView::Print() {
    if (!loaded_) return;
    PrintChanges(s, kHistoryTitle, Status(), [this](Printer& p) {
        for (std::size_t i = 0; i < shown_.size(); ++i) {
            PrintChangeRow(p, RowAt(i), kHistoryColumns[5]);
            PrintDetail(p, kHistoryColumns[0], Cell(i, 0));
        }
    });
}

std::string HistoryView::SavedText(SaveFormat format) const {
    std::string out = SavedFileStart(kHistoryTitle, Status(), format);
    out += SavedLine({kHistoryColumns.begin(), kHistoryColumns.end()}, format) + "\r\n";
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        std::vector<std::string> cells = RowCells(RowAt(i));
        cells.insert(cells.begin(), Cell(i, 0));
        out += SavedLine(cells, format) + "\r\n";
    }
    return out;
}

void HistoryView::Save() {
    if (!loaded_) return;
    SaveChanges(s, s.program.BaseName() + "-Verlauf.txt", [this](SaveFormat format) { return SavedText(format); });
}

std::vector<std::string> HistoryView::RunTexts() const {
    std::vector<std::string> texts;
    for (const LocalTime& run : RunsOf(history_)) texts.push_back(RunTimeText(run));
    return texts;
}

std::size_t HistoryView::DefaultRun(const std::vector<std::size_t>& selected) const {
    // Run i is the earlier run of pair i.
    std::size_t oldest = history_.pairs.size();
    for (std::size_t position : selected)
        if (position < shown_.size()) oldest = std::min(oldest, rows_[shown_[position]].pair);
    return oldest == history_.pairs.size() ? 0 : oldest;
}

bool HistoryView::CanRestoreAny(const std::vector<std::size_t>& selected) const {
    if (!loaded_ || s.restorer == nullptr || s.restoreDialogs == nullptr || chooser_ == nullptr) return false;
    return std::any_of(selected.begin(), selected.end(), [this](std::size_t p) { return p < shown_.size(); });
}

bool HistoryView::Restore(const std::vector<std::size_t>& selected) {
    if (!CanRestoreAny(selected)) return false;
    const auto run = chooser_->Choose(RunTexts(), DefaultRun(selected));
    if (!run) return false;
    std::vector<std::string> keys;
    for (std::size_t position : selected)
        if (position < shown_.size()) keys.push_back(RowAt(position).key);
    const RestoreToRun back = StateAtRun(history_, *run, keys, [this](const std::string& key) {
        return s.registry.KeyExists(kHkeyLocalMachine, ServiceKeyPath(key));
    });
    if (back.rows.empty()) {
        // The history holds no change of these entries after that run.
        RestorePlan nothing;
        nothing.name = back.earlier.name;
        s.messages.Show(NothingToRestoreText(nothing), kRestoreTitle, kMbIconExclamation);
        return false;
    }
    return PreviewAndRestore(s, back.rows, [&back] { return back.earlier; });
}

}  // namespace sw
