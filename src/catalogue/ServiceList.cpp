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
    for (std::int32_t i = 0; i < n; ++i)
        if (s.registry.Read(kHkeyLocalMachine, ServiceKeyPath(names[i]), "ObjectName")) services.push_back(names[i]);
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
    // Every line of the hidden list, however many: the index is not bound
    // to a 16-bit count. Each entry's key is opened once for its three values.
    const int count = c.LProfile.ListCount();
    lines.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::string keyName = c.LProfile.List(i);
        const auto values =
            s.registry.ReadShownValues(kHkeyLocalMachine, ServiceKeyPath(keyName), {"Description", "DisplayName", "Start"});
        std::string description = CutAtNul(TextOrBlank(values[0]));
        std::string display = CutAtNul(TextOrBlank(values[1]));
        snapshot += SnapshotLine(keyName, StartFrom(values[2]).number);
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
