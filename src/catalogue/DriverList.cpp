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
        // One open per entry for both values; an entry whose key cannot be
        // opened for reading has no readable "DisplayName" and no line.
        const auto values = s.registry.ReadShownValues(kHkeyLocalMachine, ServiceKeyPath(names[i]), {"DisplayName", "Group"});
        if (!values[0]) continue;
        const std::string display = CutAtNul(TextOrBlank(values[0]));
        std::string group = values[1] ? CutAtNul(AsText(*values[1])) : std::string();
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
