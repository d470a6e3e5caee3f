// The box "Info über Tavrine Startwart": which build this is and where its
// files lie, so that a user can say what runs and find the side files.
#pragma once

#include <string>

namespace sw {

// What the build knows of itself: the project's version, the date of the
// commit built ("" when it is not known) and the program's word size.
struct BuildFacts {
    std::string version;
    std::string date;  // dd.mm.yyyy
    int bits = 64;
};

inline const std::string kInfoMenuItem = "&Info über Tavrine Startwart…";

// The box's text: product, version, date and word size, the program folder
// and every side file the program keeps there, by the names it gives them.
std::string InfoText(const BuildFacts& build, const std::string& folder, const std::string& baseName);

}  // namespace sw
