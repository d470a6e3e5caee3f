#include "unattended/Arguments.h"

#include "platform/CaseFold.h"

namespace sw {
namespace {

// "/" or "-" and a name, in any case.
bool IsSwitch(const std::string& argument) { return !argument.empty() && (argument[0] == '/' || argument[0] == '-'); }
bool IsSwitchNamed(const std::string& argument, const std::string& name) {
    return IsSwitch(argument) && FoldCase(argument.substr(1)) == name;
}

}  // namespace

Invocation ReadInvocation(const std::vector<std::string>& arguments) {
    Invocation out;
    if (arguments.empty()) return out;
    const std::string& first = arguments[0];
    out.mode = Invocation::Mode::Refused;
    if (!IsSwitchNamed(first, "pruefen")) {
        out.reason = "Unbekannter Aufruf \"" + first + "\"; erlaubt ist nur /pruefen [/keinereignis] [Datei].";
        return out;
    }
    // Whatever begins like a switch is one, so that a switch never becomes
    // the name of the file the rows go to.
    std::vector<std::string> files;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (IsSwitchNamed(argument, "keinereignis")) {
            out.events = false;
        } else if (IsSwitch(argument)) {
            out.reason = "Unbekannter Schalter \"" + argument +
                         "\" nach /pruefen; erlaubt ist nur /keinereignis. Eine Datei, deren Name mit / oder - "
                         "beginnt, geben Sie mit Laufwerk oder mit .\\ davor an.";
            return out;
        } else {
            files.push_back(argument);
        }
    }
    if (files.size() > 1) {
        out.reason = "Zu viele Angaben nach /pruefen (" + std::to_string(files.size()) +
                     " Dateien); erlaubt ist nur eine Datei, mit Leerzeichen in Anführungszeichen.";
    } else if (files.size() == 1 && files[0].find_first_not_of(' ') == std::string::npos) {
        out.reason = "Der Dateiname nach /pruefen ist leer.";
    } else {
        out.mode = Invocation::Mode::Check;
        if (files.size() == 1) out.file = files[0];
    }
    return out;
}

}  // namespace sw
