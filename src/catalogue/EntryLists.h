// The two entry lists of the main window as plain data built from the
// registry: the service view (the services' key names, then their lines and
// start types) and the driver view (a line for every entry with a display
// name). The window puts the lines into its list; the list sorts them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "registry/Registry.h"
#include "ui/ListItem.h"

namespace sw {

// The services below a key: every subkey whose "ObjectName" can be read,
// whatever it holds, in registry order. The test always looks below the
// Services key of the machine, whichever key was listed.
struct ServiceKeys {
    bool listed = false;  // the key listed at least one subkey, service or not
    std::vector<std::string> names;
};

// A service's "Start" as read at the build, for the snapshot; nothing when
// it is no number.
struct ServiceStart {
    std::string keyName;
    std::optional<std::int32_t> start;
};

struct ServiceList {
    std::vector<ListItem> lines;      // services with a description, in key order
    std::vector<ServiceStart> starts; // every service, in key order
};

// Reads each service's description, display name and start type through
// one open of its key and builds its line; a service whose description
// comes out empty gets no line, but a start type all the same.
ServiceList BuildServiceList(Registry& registry, const std::vector<std::string>& keyNames);

// The services below a key and their list at once, as the start needs them:
// each subkey's key is opened once, for its "ObjectName" and, where that is
// found, the values of its line. The list is BuildServiceList's of the names.
struct ServiceView {
    ServiceKeys keys;
    ServiceList list;
};
ServiceView ListAndBuildServices(Registry& registry, RegKey root, const std::string& path);

// The same services and their start types without their lines, as the
// snapshot of a run without a window needs them: "ObjectName" and "Start"
// per entry, no description or display name read or resolved.
ServiceView ListServiceStarts(Registry& registry, RegKey root, const std::string& path);

// The driver view's lines: every subkey of the listed key that has a
// readable "DisplayName" below the Services key, with its key name and
// group ("(none)" for none); an entry whose key cannot be opened for
// reading has no line. Each line goes with its key name.
std::vector<ListItem> BuildDriverList(Registry& registry, RegKey root, const std::string& path);

}  // namespace sw
