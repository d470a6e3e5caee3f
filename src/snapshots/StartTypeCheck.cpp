// "Checker": compares the start types of the previous run's snapshot with
// the registry as it is now, for the services in the visible list, and
// prints every difference.
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "catalogue/Lines.h"
#include "mainwindow/ListWalk.h"
#include "printing/PrintFailure.h"
#include "snapshots/Snapshot.h"

namespace sw {
namespace {

inline const std::string kCheckTitle = " Überprüfung durchführen";
inline const std::string kDriverViewNote =
    "Der Starttyp der erweiterten Treiberdateien kann nicht überprüft werden.    \n"
    "Eine kurzzeitige Deaktivierung dieser Einstellung ist daher erforderlich.";
inline const std::string kCheckQuestion =
    "Überprüfen der Starttyp-Einträge mit der Sicherung vom letzten Vorgang.    \n"
    "Die Starttyp-Option legt den Ladevorgang der Dienste u. Treiber fest.\n"
    "Tuning-Programme oder Viren können diese Optionen verändern.\n"
    "Überprüfen Sie bei Problemen die korrekte Konfigurierung.";
inline const std::string kResultTitle = " Starttyp-Einstellungen";
inline const std::string kNoDifferences =
    "Zwischen den alten und neuen Einstellungen konnten keine Unterschiede gefunden werden.    ";
inline const std::string kNoPreviousSnapshot =
    "Es gibt noch keine lesbare Sicherung vom letzten Vorgang, mit der verglichen werden kann.    \n"
    "Die Sicherung der Starttypen wird bei jedem Programmstart angelegt;\n"
    "die Überprüfung ist ab dem nächsten Programmstart möglich.\n"
    "Gesucht wurde: ";
inline const std::string kReportNotPrinted =
    "Die veränderten Starttypen konnten nicht gedruckt werden.    ";
inline const std::string kReportFile = "Merotan-Unterschiede.txt";

// The visible lines by key name: for every key its first line, with a link
// to the next line of the same key (a TAB inside a text can move the fields
// so that two lines carry one key). Only the keys are kept; a line's display
// text is read again for the few lines that go into the report. The table
// is one flat array (open addressing) so that a look-up touches little
// memory however long the list is.
class ListIndex {
public:
    explicit ListIndex(const ListBox& list) : list_(list) {
        const int count = list.ListCount();
        keys_.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) keys_.push_back(KeyNameOf(list.List(i), false));
        next_.assign(keys_.size(), kNone);
        std::size_t capacity = 16;
        while (capacity < keys_.size() * 2) capacity *= 2;
        slots_.assign(capacity, Slot{0, kNone});
        // From the back, so that each key's chain runs in list order.
        for (std::size_t i = keys_.size(); i-- > 0;) {
            Slot& slot = slots_[SlotOf(keys_[i])];
            if (slot.line != kNone) next_[i] = slot.line;
            slot = Slot{Hash(keys_[i]), static_cast<std::uint32_t>(i)};
        }
    }

    // Calls visit(line index) for every line whose key is keyName, in list order.
    template <class Visit>
    void ForEach(const std::string& keyName, Visit visit) const {
        for (std::uint32_t i = slots_[SlotOf(keyName)].line; i != kNone; i = next_[i])
            visit(static_cast<int>(i));
    }

    std::string DisplayText(int line) const { return SplitLine(list_.List(line)).first; }

private:
    // A list box's index is a 32-bit int, so 32 bits hold every line number.
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    struct Slot {
        std::uint32_t hash;
        std::uint32_t line;  // the key's first line; kNone for an empty slot
    };
    static std::uint32_t Hash(const std::string& key) {
        return static_cast<std::uint32_t>(std::hash<std::string_view>{}(key));
    }

    // The slot that holds key, or the empty slot where it belongs. The table
    // is never more than half full, so there always is one.
    std::size_t SlotOf(const std::string& key) const {
        const std::uint32_t hash = Hash(key);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const Slot& slot = slots_[at];
            if (slot.line == kNone || (slot.hash == hash && keys_[slot.line] == key)) return at;
        }
    }

    const ListBox& list_;
    std::vector<std::string> keys_;
    std::vector<std::uint32_t> next_;
    std::vector<Slot> slots_;
};

// The report, in the order of the snapshot's lines. The list is indexed once,
// so each snapshot line costs one look-up, plus one registry read for each
// line that shows its key, instead of a walk over the whole list.
std::string StartTypeReport(Root& root, const std::string& snapshot) {
    const ListIndex index(root.c.LObjekte);
    std::string report;
    ForEachSnapshotEntry(snapshot, [&](const SnapshotEntry& entry) {
        index.ForEach(entry.keyName, [&](int line) {
            std::optional<std::uint32_t> now;
            if (const auto number = ReadStart(root.s.registry, entry.keyName).number)
                now = static_cast<std::uint32_t>(*number);
            if (now == entry.start) return;
            report += index.DisplayText(line) + ", " + "Starttyp vorher: " + PrintedStartLabel(entry.start) + ", " +
                      "Starttyp jetzt: " + PrintedStartLabel(now) + "\n\r";
        });
    });
    return report;
}

// The report as a text file: each LF CR pair becomes CR LF.
std::string ReportFileText(const std::string& report) {
    std::string text;
    for (std::size_t i = 0; i < report.size(); ++i) {
        if (report[i] == '\n' && i + 1 < report.size() && report[i + 1] == '\r') {
            text += "\r\n";
            ++i;
        } else {
            text += report[i];
        }
    }
    return text;
}

// The report as lines joined by LF, for a message box.
std::string ReportMessageText(const std::string& report) {
    std::string text = ReportFileText(report);
    std::string joined;
    for (char ch : text)
        if (ch != '\r') joined += ch;
    while (!joined.empty() && joined.back() == '\n') joined.pop_back();
    return joined;
}

}  // namespace

void Root::bChecker_Click() {
    if (DriverView()) {
        s.messages.Show(kDriverViewNote, kCheckTitle, kMbOk | kMbIconInformation);
        // Disabled while it changes, so the view switch shows no warning.
        c.bErweitert.SetEnabled(false);
        c.bErweitert.SetValue(0);
        c.bErweitert.SetEnabled(true);
        s.ui.DoEvents();
    }
    if (s.messages.Show(kCheckQuestion, kCheckTitle, kMbOkCancel | kMbIconExclamation) == kAnswerCancel) return;

    const int remembered = BeginListWalk(*this);
    const std::string previous = OwnSideFile(".tmd");
    std::string bytes;
    const bool haveSnapshot = s.files.Read(previous, bytes);
    std::string report;
    if (haveSnapshot) report = StartTypeReport(*this, SnapshotTextOfFile(s.registry.Codec(), bytes));
    EndListWalk(*this, remembered);

    if (!haveSnapshot) {
        s.messages.Show(kNoPreviousSnapshot + previous, kCheckTitle, kMbIconInformation);
        return;
    }
    if (report.empty()) {
        s.messages.Show(kNoDifferences, kResultTitle, kMbIconExclamation);
        return;
    }

    std::unique_ptr<Printer> printer = OpenDefaultPrinter(s);
    if (printer) {
        printer->PrintLine(report);
        if (printer->EndDoc()) return;
    }
    // Not printed: the differences must not be lost. They go into a file
    // beside the program, or into the message itself when that fails too.
    std::string message = kReportNotPrinted + "\n" + PrintFailureReason(printer.get()) + "\n";
    const std::string saved = SideFile(kReportFile);
    if (s.files.Write(saved, AnsiOrUtf8Bytes(s.registry.Codec(), ReportFileText(report))))
        message += "Die Unterschiede wurden in der Datei\n" + saved + "\ngespeichert.";
    else
        message += "Die Unterschiede:\n" + ReportMessageText(report);
    s.messages.Show(message, kResultTitle, kMbIconExclamation);
}

}  // namespace sw
