#include "unattended/CheckEvents.h"

#include <algorithm>
#include <cstdio>

#include "changes/ChangeNotes.h"
#include "changes/ChangesView.h"
#include "platform/CaseFold.h"
#include "platform/Utf16.h"
#include "printing/Heading.h"

namespace sw {
namespace {

const std::string kLineEnd = "\r\n";

std::size_t Units(const std::string& text) { return ToUtf16(text).size(); }

// The longest start of text that takes at most `units` UTF-16 units, cut
// between two characters, and the rest. The start holds one character at
// least, so that cutting always moves on.
std::pair<std::string, std::string> CutAtUnits(const std::string& text, std::size_t units) {
    std::size_t at = 0;
    std::size_t used = 0;
    while (at < text.size()) {
        std::size_t next = at;
        const std::uint32_t codePoint = NextCodePoint(text, next);
        const std::size_t width = codePoint >= 0x10000 ? 2 : 1;
        if (used + width > units && at > 0) break;
        used += width;
        at = next;
    }
    return {text.substr(0, at), text.substr(at)};
}

std::string TimeText(const std::optional<LocalTime>& time) {
    if (!time) return "unbekannt";
    char clock[16];
    std::snprintf(clock, sizeof clock, " %02d:%02d:%02d", time->hour, time->minute, time->second);
    return DottedDate(time->date) + clock;
}

// True when the row's notes hold one of the notes of event 103 (a note as
// a whole, never a part of another).
bool Alerts(const ChangeRow& row) {
    std::size_t at = 0;
    while (at <= row.note.size()) {
        std::size_t end = row.note.find(kNoteSeparator, at);
        if (end == std::string::npos) end = row.note.size();
        const std::string note = row.note.substr(at, end - at);
        const auto& alerting = AlertingNotes();
        if (std::find(alerting.begin(), alerting.end(), note) != alerting.end()) return true;
        at = end + kNoteSeparator.size();
    }
    return false;
}

// One event per part of the rows: the inserts before the part's number,
// then the number, the count of parts and the part's lines.
void AddParts(std::vector<Event>& events, std::uint32_t id, const std::vector<std::string>& leading,
              const std::vector<ChangeRow>& rows) {
    std::vector<std::string> lines;
    lines.reserve(rows.size());
    for (const ChangeRow& row : rows) lines.push_back(CsvLine(row));
    // The room of the lines: what the message's words and the other
    // inserts leave, the part's two numbers counted at ten digits each.
    std::size_t room = kEventTextLimit - kEventWordsReserve - 2 * 10;
    for (const std::string& insert : leading) room -= Units(insert);
    const std::vector<std::string> parts = LineParts(CsvTitleLine(), lines, room);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        Event event{id, EventType::Warning, leading};
        event.inserts.push_back(std::to_string(i + 1));
        event.inserts.push_back(std::to_string(parts.size()));
        event.inserts.push_back(parts[i]);
        events.push_back(std::move(event));
    }
}

std::string Joined(const std::vector<std::string>& texts, const std::string& separator) {
    std::string out;
    for (const std::string& text : texts) out += (out.empty() ? "" : separator) + text;
    return out;
}

}  // namespace

const std::vector<std::string>& AlertingNotes() {
    static const std::vector<std::string> notes{kNoteUserWritable, kNoteInterpreter, kNoteNewDriver};
    return notes;
}

std::string RegisterEventSource(Registry& registry, EventLog& log) {
    const std::string program = log.MessageFile();
    StoredValue file;
    StoredValue types;
    const StoredValue typesWanted{kRegDword, {static_cast<char>(kEventTypesSupported), '\0', '\0', '\0'}};
    const bool fileInPlace = registry.ReadStored(kHkeyLocalMachine, kEventSourceKey, "EventMessageFile", file) == 0 &&
                             (file.type == kRegSz || file.type == kRegExpandSz) &&
                             FoldCase(CutAtNul(FromUtf16Le(file.data))) == FoldCase(program);
    const bool typesInPlace = registry.ReadStored(kHkeyLocalMachine, kEventSourceKey, "TypesSupported", types) == 0 &&
                              types == typesWanted;
    if (fileInPlace && typesInPlace) return {};
    // Without the event log's own entry there is no log to register with,
    // and a key made there would be a new entry below the Services key,
    // which the next check would report as added.
    const std::string logEntry = ServiceKeyPath("EventLog");
    if (!registry.KeyExists(kHkeyLocalMachine, logEntry))
        return "Die Ereignisquelle \"" + kEventSource + "\" wird nicht eingetragen: kein Ereignisprotokoll (HKEY_LOCAL_MACHINE\\" +
               logEntry + " fehlt)";

    // The documented type is expandable; a path that holds "%" is stored as
    // plain text, so that no part of it is taken for an environment string.
    const StoredValue newFile{program.find('%') == std::string::npos ? kRegExpandSz : kRegSz, TextData(program)};
    long result = registry.CreateKey(kHkeyLocalMachine, kEventSourceKey);
    if (result == 0 && !fileInPlace) result = registry.WriteStored(kHkeyLocalMachine, kEventSourceKey, "EventMessageFile", newFile);
    if (result == 0 && !typesInPlace)
        result = registry.WriteStored(kHkeyLocalMachine, kEventSourceKey, "TypesSupported", typesWanted);
    if (result == 0) return {};
    const std::string message = log.SystemMessage(static_cast<std::uint32_t>(result));
    return "Die Ereignisquelle \"" + kEventSource + "\" kann nicht eingetragen werden (HKEY_LOCAL_MACHINE\\" +
           kEventSourceKey + "): Fehler " + std::to_string(result) + (message.empty() ? "" : ": " + message);
}

std::vector<std::string> LineParts(const std::string& title, const std::vector<std::string>& lines, std::size_t room) {
    std::vector<std::string> parts;
    const std::size_t titleUnits = Units(title);
    room = std::max(room, titleUnits + kLineEnd.size() + 2);
    std::string part = title;
    std::size_t used = titleUnits;
    for (const std::string& line : lines) {
        std::string rest = line;
        for (;;) {
            const std::size_t need = kLineEnd.size() + Units(rest);
            if (used + need <= room) {
                part += kLineEnd + rest;
                used += need;
                break;
            }
            if (used > titleUnits) {
                // Whole lines where they fit: this one begins the next part.
                parts.push_back(std::move(part));
                part = title;
                used = titleUnits;
                continue;
            }
            auto [head, tail] = CutAtUnits(rest, room - used - kLineEnd.size());
            parts.push_back(part + kLineEnd + head);
            part = title;
            rest = std::move(tail);
        }
    }
    if (used > titleUnits || parts.empty()) parts.push_back(std::move(part));
    return parts;
}

std::vector<Event> CheckEvents(const CheckOutcome& outcome, Files& files) {
    std::vector<Event> events;
    if (outcome.exitCode == kCheckFailed) {
        events.push_back({kEventCheckFailed, EventType::Error,
                          {CutAtUnits(outcome.reason, kEventTextLimit - kEventWordsReserve).first}});
        return events;
    }
    if (outcome.rows.empty()) {
        events.push_back({kEventNothingChanged, EventType::Information,
                          {TimeText(files.LastWritten(outcome.previousExport)), outcome.previousExport,
                           TimeText(files.LastWritten(outcome.thisExport)), outcome.thisExport}});
        return events;
    }
    const auto noted = std::count_if(outcome.rows.begin(), outcome.rows.end(),
                                     [](const ChangeRow& row) { return !row.note.empty(); });
    AddParts(events, kEventChangesFound, {std::to_string(outcome.rows.size()), std::to_string(noted)}, outcome.rows);
    std::vector<ChangeRow> alerting;
    std::copy_if(outcome.rows.begin(), outcome.rows.end(), std::back_inserter(alerting), Alerts);
    if (!alerting.empty())
        AddParts(events, kEventAlertingNotes, {std::to_string(alerting.size()), Joined(AlertingNotes(), ", ")}, alerting);
    return events;
}

int RunReportedCheck(UnattendedServices& s, EventLog* log, const std::string& file) {
    CheckOutcome outcome;
    if (log) outcome.addToReason = RegisterEventSource(s.registry, *log);
    const int exitCode = RunUnattendedCheck(s, file, &outcome);
    if (!log) return exitCode;
    const std::uint32_t error = log->Report(kEventSource, CheckEvents(outcome, s.files));
    // A held folder is another run's: this one writes no file at all.
    if (error != 0 && !outcome.folderHeld) {
        const std::string message = log->SystemMessage(error);
        const std::string note = "Die Ereignisse konnten nicht ins Ereignisprotokoll geschrieben werden: Fehler " +
                                 std::to_string(error) + (message.empty() ? "" : ": " + message);
        WriteBesideProgram(s.files, s.program, outcome.besideProgram.empty() ? note : outcome.besideProgram + "; " + note);
    }
    return exitCode;
}

}  // namespace sw
