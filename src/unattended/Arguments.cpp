#include "unattended/Arguments.h"

#include "platform/CaseFold.h"

namespace sw {

Invocation ReadInvocation(const std::vector<std::string>& arguments) {
    Invocation out;
    if (arguments.empty()) return out;
    const std::string& first = arguments[0];
    const bool check = first.size() > 1 && (first[0] == '/' || first[0] == '-') && FoldCase(first.substr(1)) == "pruefen";
    out.mode = Invocation::Mode::Refused;
    if (!check) {
        out.reason = "Unbekannter Aufruf \"" + first + "\"; erlaubt ist nur /pruefen [Datei].";
    } else if (arguments.size() > 2) {
        out.reason = "Zu viele Angaben nach /pruefen (" + std::to_string(arguments.size() - 1) +
                     "); erlaubt ist nur eine Datei, mit Leerzeichen in Anführungszeichen.";
    } else if (arguments.size() == 2 && arguments[1].find_first_not_of(' ') == std::string::npos) {
        out.reason = "Der Dateiname nach /pruefen ist leer.";
    } else {
        out.mode = Invocation::Mode::Check;
        if (arguments.size() == 2) out.file = arguments[1];
    }
    return out;
}

}  // namespace sw
