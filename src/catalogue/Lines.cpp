#include "catalogue/Lines.h"

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

std::string KeyNameOf(const std::string& line, bool driverView) { return std::string(KeyNameIn(line, driverView)); }

std::string_view KeyNameIn(std::string_view line, bool driverView) {
    // The same fields as SplitLine gives, without building the others.
    const auto firstTab = line.find('\t');
    if (firstTab == std::string_view::npos) return line;
    const auto secondTab = line.find('\t', firstTab + 1);
    if (secondTab == std::string_view::npos) return line.substr(firstTab + 1);
    return driverView ? line.substr(firstTab + 1, secondTab - firstTab - 1) : line.substr(secondTab + 1);
}

std::string ServiceLine(const std::string& displayName, const std::string& description,
                        const std::string& keyName) {
    return displayName + kTab + description + kTab + keyName;
}

std::string DriverLine(const std::string& displayName, const std::string& keyName, const std::string& group) {
    return displayName + kTab + keyName + kTab + group;
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
