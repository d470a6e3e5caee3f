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

namespace {

// The services below a key, each subkey's key opened once for its
// "ObjectName" and, where that is found, the values asked for, which go to
// add with the key name.
template <typename Add>
ServiceKeys ListServices(Registry& registry, RegKey root, const std::string& path,
                         std::initializer_list<std::string_view> valueNames, Add add) {
    std::vector<std::string> names;
    const std::int32_t n = registry.EnumSubKeys(root, path, kKeyAllAccess, names);
    ServiceKeys keys;
    keys.listed = n >= 1;
    for (std::int32_t i = 0; i < n; ++i) {
        auto& name = names[static_cast<std::size_t>(i)];
        const auto values =
            registry.ReadShownValuesIfFound(kHkeyLocalMachine, ServiceKeyPath(name), "ObjectName", valueNames);
        if (!values) continue;
        add(name, *values);
        keys.names.push_back(std::move(name));
    }
    return keys;
}

}  // namespace

ServiceView ListAndBuildServices(Registry& registry, RegKey root, const std::string& path) {
    ServiceView view;
    view.keys = ListServices(registry, root, path, kLineValues,
                             [&view](const std::string& name, const std::vector<std::optional<ValueHolder>>& values) {
                                 AddService(view.list, name, values);
                             });
    return view;
}

ServiceView ListServiceStarts(Registry& registry, RegKey root, const std::string& path) {
    ServiceView view;
    view.keys = ListServices(registry, root, path, {"Start"},
                             [&view](const std::string& name, const std::vector<std::optional<ValueHolder>>& values) {
                                 view.list.starts.push_back(ServiceStart{name, StartFrom(values[0]).number});
                             });
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
