// A line of a list together with the key name of the entry it shows. The key
// is kept beside the line (the list item's data), never read back from the
// line's text: a registry text that holds a TAB could otherwise move the
// field the key is read from and name another entry.
#pragma once

#include <string>

namespace sw {

struct ListItem {
    std::string line;
    std::string key;
};

}  // namespace sw
