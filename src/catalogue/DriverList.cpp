// The driver view: every entry below the Services key that has a display
// name, with its key name and group.
#include <vector>

#include "catalogue/Lines.h"
#include "mainwindow/Root.h"

namespace sw {

bool Root::GetServices(RegKey lhTyp, const std::string& lhKey) {
    c.LObjekte.SetTabStops(170, 275);
    c.LObjekte.Refresh();
    s.ui.SetPointer(kPointerArrowHourglass);
    c.LObjekte.Clear();
    s.ui.DoEvents();

    std::vector<std::string> names;
    const std::int32_t n = s.registry.EnumSubKeys(lhTyp, lhKey, kKeyAllAccess, names);
    std::vector<std::string> lines;
    for (std::int32_t i = 0; i < n; ++i) {
        const std::string path = ServiceKeyPath(names[i]);
        if (!s.registry.KeyExists(kHkeyLocalMachine, path)) continue;
        ValueHolder value;
        if (!s.registry.ReadValue(kHkeyLocalMachine, path, "DisplayName", value)) continue;
        std::string display = std::holds_alternative<std::monostate>(value) ? " " : CutAtNul(AsText(value));
        value = std::monostate{};
        std::string group;
        if (s.registry.ReadValue(kHkeyLocalMachine, path, "Group", value)) group = CutAtNul(AsText(value));
        if (group.empty()) group = "(none)";
        lines.push_back(DriverLine(ShortDriverDisplay(display), names[i], group));
    }
    c.LObjekte.AddItems(lines);

    if (c.LObjekte.ListCount() > 0) c.LObjekte.SetListIndex(0);
    s.ui.SetPointer(kPointerDefault);
    s.ui.DoEvents();
    return !lines.empty();
}

}  // namespace sw
