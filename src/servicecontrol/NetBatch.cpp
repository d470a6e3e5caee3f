#include "servicecontrol/NetBatch.h"

#include "platform/Utf8.h"

namespace sw {
namespace {

const std::string kLineEnd = "\r\n";
const std::string kStars(69, '*');

}  // namespace

NetCommand MakeNetCommand(const std::string& command, const std::string& key,
                          const std::optional<ValueHolder>& displayName) {
    // An indirect display name ("@file,-id") is no name "net" knows: the
    // key name, which it takes as well, stands in for it.
    std::string name = displayName ? CutAtNul(AsText(*displayName)) : " ";
    if (IsIndirect(displayName)) name = key;

    const auto refuse = [&](const std::string& why) {
        return NetCommand{{}, "Der Name dieses Dienstes " + why + " an den Befehl \"net " + command +
                                  "\" übergeben werden.\nEs wurde nichts ausgeführt."};
    };
    // The name goes into a file that the command interpreter runs with the
    // user's rights. A name it would act on gives way to the name of the key
    // it was read from, which "net" takes as well; when that cannot pass
    // either, nothing is written or run.
    if (!PassableInQuotes(name)) {
        if (!PassableInQuotes(key))
            return refuse("ist zu lang oder enthält Anführungszeichen oder Steuerzeichen und kann nicht sicher");
        name = key;
    }
    // The interpreter reads a batch file in the console's OEM code page,
    // while the file is written in the ANSI code page: a character above
    // ASCII ("ä" is byte E4 in ANSI, another letter in OEM; "\u0416" has no
    // byte at all and would be written as "?") would reach "net" changed,
    // naming no service or another one. The key name serves instead when it
    // is plain ASCII; when neither is, nothing is written or run.
    if (!IsAscii(name)) {
        if (!IsAscii(key) || !PassableInQuotes(key))
            return refuse("enthält Zeichen, die in der Stapeldatei nicht unverändert bleiben, und kann nicht");
        name = key;
    }
    return NetCommand{NetBatchText(command, DoublePercents(name)), {}};
}

NetCommand NetCommandFor(Registry& registry, const std::string& command, const std::string& keyName) {
    return MakeNetCommand(command, keyName, registry.Read(kHkeyLocalMachine, ServiceKeyPath(keyName), "DisplayName"));
}

void RunBatch(Files& files, Shell& shell, const AnsiCodec& codec, const std::string& path, const std::string& text) {
    shell.EndBatch();
    if (files.Write(path, codec.ToAnsi(text))) shell.StartBatch(path, ShowStyle::Hidden);
}

std::string NetBatchText(const std::string& command, const std::string& quotedName) {
    std::string text = "@echo off" + kLineEnd + "echo." + kLineEnd + "echo " + kStars + kLineEnd;
    if (command == "start") text += "echo SERVICES WERDEN GESTARTET" + kLineEnd;
    text += "echo " + kStars + kLineEnd + "echo." + kLineEnd;
    text += "net " + command + " \"" + quotedName + "\"" + kLineEnd;
    return text;
}

bool PassableInQuotes(const std::string& name) {
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || byte < 0x20 || byte == 0x7F) return false;
    }
    return Utf8Length(name) <= kLongestServiceName;
}

bool IsAscii(const std::string& name) {
    for (const char c : name)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string DoublePercents(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    for (const char c : name) {
        out += c;
        if (c == '%') out += '%';
    }
    return out;
}

}  // namespace sw
