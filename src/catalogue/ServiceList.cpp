// The service view: GetProfile collects the services' key names into the
// hidden list, ReadProfile builds the visible lines from them.
#include <vector>

#include "catalogue/Lines.h"
#include "mainwindow/Root.h"
#include "snapshots/Snapshot.h"

namespace sw {

bool Root::GetProfile(RegKey lhTyp, const std::string& lhKey) {
    c.LProfile.Clear();
    std::vector<std::string> names;
    const std::int32_t n = s.registry.EnumSubKeys(lhTyp, lhKey, kKeyAllAccess, names);
    s.ui.SetPointer(kPointerArrowHourglass);
    // An entry is a service when its "ObjectName" can be read, whatever it
    // holds; the test always looks below the Services key of the machine.
    std::vector<std::string> services;
    for (std::int32_t i = 0; i < n; ++i) {
        ValueHolder objectName;
        if (s.registry.ReadValue(kHkeyLocalMachine, ServiceKeyPath(names[i]), "ObjectName", objectName))
            services.push_back(names[i]);
    }
    c.LProfile.AddItems(services);
    s.ui.SetPointer(kPointerDefault);
    s.ui.DoEvents();
    return n >= 1;
}

void Root::ReadProfile() {
    c.LObjekte.SetTabStops(144, 400);
    c.LObjekte.Refresh();
    s.ui.SetPointer(kPointerArrowHourglass);
    c.LProfile.SetEnabled(false);
    c.LObjekte.Clear();
    s.ui.DoEvents();

    std::string snapshot;
    std::vector<std::string> lines;
    // List indexes are 16-bit: a list never holds more than 32,767 lines.
    const int count = c.LProfile.ListCount();
    lines.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count && i <= 32767; ++i) {
        const std::string keyName = c.LProfile.List(i);
        const std::string path = ServiceKeyPath(keyName);
        std::string description = ReadTextOrBlank(s.registry, path, "Description");
        std::string display = ReadTextOrBlank(s.registry, path, "DisplayName");
        ValueHolder value;
        std::optional<std::int32_t> start;
        if (s.registry.ReadValue(kHkeyLocalMachine, path, "Start", value)) start = AsInteger(value);
        display = CutAtNul(display);
        description = CutAtNul(description);
        snapshot += SnapshotLine(keyName, start);
        display = ShortServiceDisplay(display);
        if (!description.empty()) lines.push_back(ServiceLine(display, description, keyName));
    }
    c.LObjekte.AddItems(lines);

    if (c.bBackups.Tag() == "0") WriteSnapshot(snapshot);
    if (c.LObjekte.ListCount() > 0) c.LObjekte.SetListIndex(0);
    s.ui.SetPointer(kPointerDefault);
    c.LProfile.SetEnabled(true);
    c.bBackups.SetTag("1");
    s.ui.DoEvents();
}

}  // namespace sw
