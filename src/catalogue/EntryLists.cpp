#include "catalogue/EntryLists.h"

#include "catalogue/Lines.h"

namespace sw {

namespace {

// What a service's line and start type are read from, in this order.
const std::initializer_list<std::string_view> kLineValues = {"Description", "DisplayName", "Start"};

void AddService(ServiceList& list, const std::string& keyName, const std::vector<std::optional<ValueHolder>>& values) {
    const std::string description = CutAtNul(TextOrBlank(values[0]));
    const std::string display = ShortServiceDisplay(CutAtNul(TextOrBlank(values[1])));
    list.starts.push_back(ServiceStart{keyName, StartFrom(values[2]).number});
    if (!description.empty()) list.lines.push_back(ListItem{ServiceLine(display, description, keyName), keyName});
}

}  // namespace

ServiceList BuildServiceList(Registry& registry, const std::vector<std::string>& keyNames) {
    ServiceList list;
    list.lines.reserve(keyNames.size());
    list.starts.reserve(keyNames.size());
    for (const std::string& keyName : keyNames)
        AddService(list, keyName, registry.ReadShownValues(kHkeyLocalMachine, ServiceKeyPath(keyName), kLineValues));
    return list;
}

ServiceView ListAndBuildServices(Registry& registry, RegKey root, const std::string& path) {
    std::vector<std::string> names;
    const std::int32_t n = registry.EnumSubKeys(root, path, kKeyAllAccess, names);
    ServiceView view;
    view.keys.listed = n >= 1;
    for (std::int32_t i = 0; i < n; ++i) {
        auto& name = names[static_cast<std::size_t>(i)];
        const auto values =
            registry.ReadShownValuesIfFound(kHkeyLocalMachine, ServiceKeyPath(name), "ObjectName", kLineValues);
        if (!values) continue;
        AddService(view.list, name, *values);
        view.keys.names.push_back(std::move(name));
    }
    return view;
}

std::vector<ListItem> BuildDriverList(Registry& registry, RegKey root, const std::string& path) {
    std::vector<std::string> names;
    const std::int32_t n = registry.EnumSubKeys(root, path, kKeyAllAccess, names);
    std::vector<ListItem> lines;
    for (std::int32_t i = 0; i < n; ++i) {
        const std::string& name = names[static_cast<std::size_t>(i)];
        // One open per entry for both values.
        const auto values = registry.ReadShownValues(kHkeyLocalMachine, ServiceKeyPath(name), {"DisplayName", "Group"});
        if (!values[0]) continue;
        const std::string display = CutAtNul(TextOrBlank(values[0]));
        std::string group = values[1] ? CutAtNul(AsText(*values[1])) : std::string();
        if (group.empty()) group = "(none)";
        lines.push_back(ListItem{DriverLine(ShortDriverDisplay(display), name, group), name});
    }
    return lines;
}

}  // namespace sw
