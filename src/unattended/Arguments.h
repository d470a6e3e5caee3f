// What the command line asks for: the window (no arguments), the check
// without a window ("/pruefen [/keinereignis] [file]"), or nothing at all
// (anything else).
#pragma once

#include <string>
#include <vector>

namespace sw {

struct Invocation {
    enum class Mode { Window, Check, Refused };
    Mode mode = Mode::Window;
    // Check: the file to write as given (UTF-8), empty for the default name.
    std::string file;
    // Check: whether the run reports into the event log (not with
    // "/keinereignis").
    bool events = true;
    // Refused: why, in one German line.
    std::string reason;
};

// arguments: the command line's arguments after the program's name, split
// as the system splits them (quotes removed). Switches begin with "/" or
// "-" and are read in any case: first "pruefen", then, anywhere after it,
// "keinereignis"; any other switch is refused. At most one file is given.
Invocation ReadInvocation(const std::vector<std::string>& arguments);

}  // namespace sw
