#include "servicecontrol/NetOutcome.h"

#include <algorithm>
#include <functional>

#include "platform/CaseFold.h"
#include "servicecontrol/NetBatch.h"

namespace sw {
namespace {

// The display name as stored, or nothing where it names nothing readable.
std::string DisplayName(Registry& registry, const std::string& keyName) {
    const auto value = registry.Read(kHkeyLocalMachine, ServiceKeyPath(keyName), "DisplayName");
    if (!value || IsIndirect(value)) return {};
    const std::string name = CutAtNul(AsText(*value));
    return name.find_first_not_of(' ') == std::string::npos ? std::string() : name;
}

std::string StateName(std::uint32_t state) {
    switch (state) {
        case kServiceStopped: return "beendet";
        case kServiceStartPending: return "wird gestartet";
        case kServiceStopPending: return "wird beendet";
        case kServiceRunning: return "läuft";
        case 5: return "wird fortgesetzt";
        case 6: return "wird angehalten";
        case 7: return "angehalten";
        default: return "unbekannt (" + std::to_string(state) + ")";
    }
}

bool Reached(const std::string& command, std::uint32_t state) {
    if (command == "start") return state == kServiceRunning || state == kServiceStartPending;
    return state == kServiceStopped || state == kServiceStopPending;
}

// Trailing blanks and line ends of net's output go; the rest stays as written.
std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    const auto first = text.find_first_not_of("\r\n");
    return first == std::string::npos ? std::string() : text.substr(first);
}

}  // namespace

std::string EntryNaming(Registry& registry, const std::string& keyName) {
    const std::string display = DisplayName(registry, keyName);
    if (display.empty() || display == keyName) return "\"" + keyName + "\"";
    return "\"" + display + "\" (" + keyName + ")";
}

std::optional<std::string> DisabledRefusal(Registry& registry, const std::string& keyName) {
    if (keyName.empty() || ReadStart(registry, keyName).number != 4) return std::nullopt;
    return "Der Dienst " + EntryNaming(registry, keyName) +
           " ist deaktiviert und kann nicht gestartet werden.\n"
           "Mit \"Bearbeiten\" ändern Sie den Starttyp.\nEs wurde nichts ausgeführt.";
}

std::vector<std::string> DependentsDeepestFirst(ServiceStatusQuery& query, const std::string& keyName) {
    std::vector<std::string> order;
    std::vector<std::string> seen{FoldCase(keyName)};
    // Depth first: every dependent's own dependents go in before it. A
    // service seen once is not visited again, which also ends any loop.
    std::function<void(const std::string&)> visit = [&](const std::string& key) {
        for (const std::string& dependent : query.ActiveDependents(key)) {
            const std::string folded = FoldCase(dependent);
            if (std::find(seen.begin(), seen.end(), folded) != seen.end()) continue;
            seen.push_back(folded);
            visit(dependent);
            order.push_back(dependent);
        }
    };
    visit(keyName);
    return order;
}

std::string DependentsQuestion(Registry& registry, const std::string& keyName,
                               const std::vector<std::string>& dependents) {
    std::string text = "Diese laufenden Dienste hängen von " + EntryNaming(registry, keyName) + " ab:\n";
    for (const std::string& dependent : dependents) text += "\n    " + EntryNaming(registry, dependent);
    text += "\n\nSollen sie ebenfalls angehalten werden?\nBei \"Nein\" wird nichts ausgeführt.";
    return text;
}

std::optional<std::string> OutcomeMessage(Registry& registry, ServiceStatusQuery& query, const std::string& command,
                                          const std::vector<std::string>& keyNames, const std::string& output) {
    const std::string asked = command == "start" ? "gestartet" : "angehalten";
    std::string failures;
    for (const std::string& key : keyNames) {
        const std::optional<ServiceStatus> status = query.Status(key);
        if (status && Reached(command, status->state)) continue;
        failures += "\nDer Dienst " + EntryNaming(registry, key) + " konnte nicht " + asked + " werden.\n";
        if (!status) {
            failures += "Die Dienststeuerung kennt diesen Eintrag nicht.\n";
            continue;
        }
        failures += "Zustand: " + StateName(status->state) + "\n";
        if (status->exitCode == kServiceSpecificError)
            failures += "Fehlercode des Dienstes: " + std::to_string(status->serviceExitCode) + "\n";
        else if (status->exitCode != 0) {
            const std::string text = query.ErrorText(status->exitCode);
            failures += "Fehlercode " + std::to_string(status->exitCode) + (text.empty() ? "" : ": " + text) + "\n";
        }
    }
    if (failures.empty()) return std::nullopt;
    std::string message = "\"net " + command + "\" hat nicht erreicht, was verlangt war.\n" + failures;
    // What net said, without the banner the batch prints before it.
    const std::string banner = NetBatchBanner(command);
    const std::string said = Trimmed(output.compare(0, banner.size(), banner) == 0 ? output.substr(banner.size()) : output);
    message += said.empty() ? "\n\"net\" hat nichts ausgegeben." : "\nAusgabe von \"net\":\n" + said;
    return message;
}

}  // namespace sw
