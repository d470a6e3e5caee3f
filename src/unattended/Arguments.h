// What the command line asks for: the window (no arguments), the check
// without a window ("/pruefen [file]"), or nothing at all (anything else).
#pragma once

#include <string>
#include <vector>

namespace sw {

struct Invocation {
    enum class Mode { Window, Check, Refused };
    Mode mode = Mode::Window;
    // Check: the file to write as given (UTF-8), empty for the default name.
    std::string file;
    // Refused: why, in one German line.
    std::string reason;
};

// arguments: the command line's arguments after the program's name, split
// as the system splits them (quotes removed). The switch is "/pruefen" or
// "-pruefen" in any case; at most one file follows it.
Invocation ReadInvocation(const std::vector<std::string>& arguments);

}  // namespace sw
