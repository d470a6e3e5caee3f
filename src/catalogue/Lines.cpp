#include "catalogue/Lines.h"

#include <utility>

#include "platform/Utf8.h"

namespace sw {

LineFields SplitLine(const std::string& line) {
    LineFields fields;
    const auto firstTab = line.find('\t');
    fields.first = firstTab == std::string::npos ? line : line.substr(0, firstTab);
    const std::string rest = firstTab == std::string::npos ? line : line.substr(firstTab + 1);
    const auto secondTab = rest.find('\t');
    fields.second = secondTab == std::string::npos ? rest : rest.substr(0, secondTab);
    fields.third = secondTab == std::string::npos ? rest : rest.substr(secondTab + 1);
    return fields;
}

std::string KeyNameOf(const std::string& line, bool driverView) {
    LineFields fields = SplitLine(line);
    return driverView ? std::move(fields.second) : std::move(fields.third);
}

namespace {

bool MovesAField(char c) { return c == '\t' || c == '\r' || c == '\n'; }

// Appends text to line as a line shows it.
void AppendShown(std::string& line, const std::string& text) {
    const std::size_t from = line.size();
    line += text;
    for (std::size_t i = from; i < line.size(); ++i)
        if (MovesAField(line[i])) line[i] = ' ';
}

std::string ThreeFields(const std::string& first, const std::string& second, const std::string& third) {
    std::string line;
    line.reserve(first.size() + second.size() + third.size() + 2);
    AppendShown(line, first);
    line += kTab;
    AppendShown(line, second);
    line += kTab;
    AppendShown(line, third);
    return line;
}

}  // namespace

std::string ShownInLine(std::string text) {
    for (char& c : text)
        if (MovesAField(c)) c = ' ';
    return text;
}

std::string ServiceLine(const std::string& displayName, const std::string& description,
                        const std::string& keyName) {
    return ThreeFields(displayName, description, keyName);
}

std::string DriverLine(const std::string& displayName, const std::string& keyName, const std::string& group) {
    return ThreeFields(displayName, keyName, group);
}

std::string ShortServiceDisplay(const std::string& displayName) { return Shorten(displayName, 40, 37); }
std::string ShortDriverDisplay(const std::string& displayName) { return Shorten(displayName, 40, 38); }

std::string StartTypeLabel(int start) {
    switch (start) {
        case 2: return "Automatisch";
        case 3: return "Manuell";
        case 4: return "Deaktiviert";
        default: return "";
    }
}

std::string PrintedStartLabel(std::optional<std::uint32_t> start) {
    if (!start) return "Unbekannt";
    switch (*start) {
        case 0: return "Boot (0)";
        case 1: return "System (1)";
        case 2:
        case 3:
        case 4: return StartTypeLabel(static_cast<int>(*start));
        default: return "Unbekannt (" + std::to_string(*start) + ")";
    }
}

}  // namespace sw
