#include "catalogue/StartTypes.h"

#include "catalogue/Lines.h"

namespace sw {

bool DelayedAutostart(Registry& registry, const std::string& keyName) {
    const auto value = registry.Read(kHkeyLocalMachine, ServiceKeyPath(keyName), "DelayedAutostart");
    if (!value) return false;
    const auto delayed = AsInteger(*value);
    return delayed && *delayed != 0;
}

std::string StatusStartLabel(Registry& registry, const std::string& keyName) {
    std::string label;
    if (const auto start = ReadStart(registry, keyName).number) label = StartTypeLabel(*start);
    if (label == StartTypeLabel(2) && DelayedAutostart(registry, keyName)) return kDelayedAutomaticLabel;
    return label.empty() ? std::string("Unbekannt") : label;
}

std::vector<ListedStart> CurrentStartTypes(Registry& registry, const std::vector<ListItem>& items, bool driverView) {
    std::vector<ListedStart> rows;
    rows.reserve(items.size());
    for (const ListItem& item : items) {
        const std::string& keyName = item.key;
        const StartValue read = ReadStart(registry, keyName);
        if (!read.read) continue;
        std::optional<std::uint32_t> start;
        if (read.number) start = static_cast<std::uint32_t>(*read.number);
        std::string label =
            start == 2u && DelayedAutostart(registry, keyName) ? kDelayedAutomaticLabel : PrintedStartLabel(start);
        rows.push_back(ListedStart{SplitLine(item.line).first, KeyNameOf(item.line, driverView), std::move(label)});
    }
    return rows;
}

}  // namespace sw
