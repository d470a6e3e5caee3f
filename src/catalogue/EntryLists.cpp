#include "catalogue/EntryLists.h"

#include "catalogue/Lines.h"

namespace sw {

ServiceKeys ListServiceKeys(Registry& registry, RegKey root, const std::string& path) {
    std::vector<std::string> names;
    const std::int32_t n = registry.EnumSubKeys(root, path, kKeyAllAccess, names);
    ServiceKeys keys;
    keys.listed = n >= 1;
    for (std::int32_t i = 0; i < n; ++i) {
        auto& name = names[static_cast<std::size_t>(i)];
        if (registry.Read(kHkeyLocalMachine, ServiceKeyPath(name), "ObjectName")) keys.names.push_back(std::move(name));
    }
    return keys;
}

ServiceList BuildServiceList(Registry& registry, const std::vector<std::string>& keyNames) {
    ServiceList list;
    list.lines.reserve(keyNames.size());
    list.starts.reserve(keyNames.size());
    for (const std::string& keyName : keyNames) {
        const auto values =
            registry.ReadShownValues(kHkeyLocalMachine, ServiceKeyPath(keyName), {"Description", "DisplayName", "Start"});
        const std::string description = CutAtNul(TextOrBlank(values[0]));
        const std::string display = ShortServiceDisplay(CutAtNul(TextOrBlank(values[1])));
        list.starts.push_back(ServiceStart{keyName, StartFrom(values[2]).number});
        if (!description.empty()) list.lines.push_back(ServiceLine(display, description, keyName));
    }
    return list;
}

std::vector<std::string> BuildDriverList(Registry& registry, RegKey root, const std::string& path) {
    std::vector<std::string> names;
    const std::int32_t n = registry.EnumSubKeys(root, path, kKeyAllAccess, names);
    std::vector<std::string> lines;
    for (std::int32_t i = 0; i < n; ++i) {
        const std::string& name = names[static_cast<std::size_t>(i)];
        // One open per entry for both values.
        const auto values = registry.ReadShownValues(kHkeyLocalMachine, ServiceKeyPath(name), {"DisplayName", "Group"});
        if (!values[0]) continue;
        const std::string display = CutAtNul(TextOrBlank(values[0]));
        std::string group = values[1] ? CutAtNul(AsText(*values[1])) : std::string();
        if (group.empty()) group = "(none)";
        lines.push_back(DriverLine(ShortDriverDisplay(display), name, group));
    }
    return lines;
}

}  // namespace sw
