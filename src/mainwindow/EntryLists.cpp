// The two views' lists put into the controls: the service view from the key
// names in the hidden LProfile, the driver view from the registry's listing.
#include <algorithm>
#include <utility>

#include "catalogue/EntryLists.h"
#include "mainwindow/ListWalk.h"
#include "snapshots/Snapshot.h"

namespace sw {

bool Root::GetProfile(RegKey lhTyp, const std::string& lhKey) {
    c.LProfile.Clear();
    s.ui.SetPointer(kPointerArrowHourglass);
    ServiceView view = ListAndBuildServices(s.registry, lhTyp, lhKey);
    // The hidden list shows each key name and keeps it as its key as well.
    std::vector<ListItem> names;
    names.reserve(view.keys.names.size());
    for (const std::string& name : view.keys.names) names.push_back(ListItem{name, name});
    c.LProfile.AddItems(names);
    listedWithNames_ = std::move(view.list);
    s.ui.SetPointer(kPointerDefault);
    s.ui.DoEvents();
    return view.keys.listed;
}

void Root::ReadProfile() {
    c.LObjekte.SetTabStops(144, 400);
    c.LObjekte.Refresh();
    s.ui.SetPointer(kPointerArrowHourglass);
    c.LProfile.SetEnabled(false);
    c.LObjekte.Clear();
    s.ui.DoEvents();

    // Every line of the hidden list, however many: the index is not bound
    // to a 16-bit count. Right after GetProfile its lines were read already,
    // for the very names the hidden list holds.
    const std::vector<std::string> names = ListKeys(c.LProfile);
    std::optional<ServiceList> listed = std::exchange(listedWithNames_, std::nullopt);
    const bool readAlready =
        listed && std::equal(names.begin(), names.end(), listed->starts.begin(), listed->starts.end(),
                             [](const std::string& name, const ServiceStart& read) { return name == read.keyName; });
    const ServiceList list = readAlready ? std::move(*listed) : BuildServiceList(s.registry, names);
    c.LObjekte.AddItems(list.lines);

    if (c.bBackups.Tag() == "0") WriteSnapshot(SnapshotLines(list.starts));
    if (c.LObjekte.ListCount() > 0) c.LObjekte.SetListIndex(0);
    s.ui.SetPointer(kPointerDefault);
    c.LProfile.SetEnabled(true);
    c.bBackups.SetTag("1");
    s.ui.DoEvents();
}

void Root::WriteSnapshot(const std::string& snapshotLines) {
    const bool written = sideFiles.WriteSnapshot(s.registry.Codec(), snapshotLines);
    exportDue_ = true;
    s.ui.DoEvents();
    // Once per run (the snapshot is written once): without this run's
    // snapshot the next check would compare with an older one unawares.
    if (!written) s.messages.Show(sideFiles.SnapshotNotWrittenText(), kProgramTitle, kMbIconExclamation);
}

bool Root::GetServices(RegKey lhTyp, const std::string& lhKey) {
    c.LObjekte.SetTabStops(170, 275);
    c.LObjekte.Refresh();
    s.ui.SetPointer(kPointerArrowHourglass);
    c.LObjekte.Clear();
    s.ui.DoEvents();

    const std::vector<ListItem> lines = BuildDriverList(s.registry, lhTyp, lhKey);
    c.LObjekte.AddItems(lines);

    if (c.LObjekte.ListCount() > 0) c.LObjekte.SetListIndex(0);
    s.ui.SetPointer(kPointerDefault);
    s.ui.DoEvents();
    return !lines.empty();
}

}  // namespace sw
