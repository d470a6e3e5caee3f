#include "servicecontrol/NetBatch.h"

#include <algorithm>
#include <vector>

#include "platform/CaseFold.h"
#include "platform/Utf8.h"

namespace sw {
namespace {

const std::string kLineEnd = "\r\n";
const std::string kStars(69, '*');

bool Blank(const std::string& name) { return name.find_first_not_of(' ') == std::string::npos; }

// The Services key's entries besides one, as "net" may find a name among
// them: by key name and by display name, without regard to case.
class OtherEntries {
public:
    OtherEntries(Registry& registry, const std::string& keyName) : registry_(registry) {
        // A listing that fails part way counts as none: what it gave is not
        // every entry.
        const std::int32_t n = registry.EnumSubKeys(kHkeyLocalMachine, kServicesPath, kKeyRead, keys_);
        keys_.resize(static_cast<std::size_t>(n));
        listed_ = n > 0;
        const std::string own = FoldCase(keyName);
        const auto at = std::find_if(keys_.begin(), keys_.end(),
                                     [&](const std::string& key) { return FoldCase(key) == own; });
        found_ = at != keys_.end();
        if (found_) keys_.erase(at);
    }

    // Whether the Services key could be listed at all.
    bool Listed() const { return listed_; }
    // Whether the entry itself is among them.
    bool Found() const { return found_; }

    // Whether another entry has name for key name or display name, stored
    // or resolved.
    bool Name(const std::string& name) const {
        const std::string folded = FoldCase(name);
        for (const std::string& key : keys_)
            if (FoldCase(key) == folded) return true;
        // Only then the display names, one open per entry.
        for (const std::string& key : keys_) {
            const auto read = registry_.ReadValuesAndResolved(kHkeyLocalMachine, ServiceKeyPath(key), {"DisplayName"});
            for (const auto* value : {&read.stored[0], &read.resolved[0]})
                if (*value && FoldCase(CutAtNul(AsText(**value))) == folded) return true;
        }
        return false;
    }

private:
    Registry& registry_;
    std::vector<std::string> keys_;
    bool listed_ = false;
    bool found_ = false;
};

}  // namespace

NetCommand MakeNetCommand(const std::string& command, const std::string& key,
                          const std::optional<ValueHolder>& displayName, const NamesAnotherEntry& namesAnother) {
    // "net" takes a key name as readily as a display name, and looks for a
    // key name first: the key name names this entry and no other. It stands
    // in for a display name that is not there to name the entry (unread,
    // blank, or indirect: "@file,-id" is no name "net" knows).
    std::string name = displayName ? CutAtNul(AsText(*displayName)) : std::string();
    if (IsIndirect(displayName) || Blank(name)) name = key;
    // No entry at all: a blank, which names none.
    if (name.empty()) name.push_back(' ');

    const auto refuse = [&](const std::string& why) {
        return NetCommand{{}, "Der Name dieses Dienstes " + why + " an den Befehl \"net " + command +
                                  "\" übergeben werden.\nEs wurde nichts ausgeführt.", {}};
    };
    const std::string unsafe = "ist zu lang oder enthält Anführungszeichen oder Steuerzeichen und kann nicht sicher";
    const std::string changed = "enthält Zeichen, die in der Stapeldatei nicht unverändert bleiben, und kann nicht";
    // The name goes into a file that the command interpreter runs with the
    // user's rights. A name it would act on, or one that "net" would read
    // changed, gives way to the name of the key it was read from, which
    // "net" takes as well; when that cannot pass either, nothing is written
    // or run.
    if (!PassableInQuotes(name)) {
        if (!PassableInQuotes(key)) return refuse(unsafe);
        name = key;
    }
    // The interpreter reads a batch file in the console's OEM code page,
    // while the file is written in the ANSI code page: a character above
    // ASCII ("ä" is byte E4 in ANSI, another letter in OEM; "\u0416" has no
    // byte at all and would be written as "?") would reach "net" changed,
    // naming no service or another one. The key name serves instead when it
    // is plain ASCII; when neither is, nothing is written or run.
    if (!IsAscii(name)) {
        if (!IsAscii(key) || !PassableInQuotes(key)) return refuse(changed);
        name = key;
    }
    // A display name that another entry answers to as well gives way to the
    // key name too. Asked last, as it may read every entry.
    if (name != key && namesAnother && namesAnother(name)) {
        if (!PassableInQuotes(key)) return refuse(unsafe);
        if (!IsAscii(key)) return refuse(changed);
        name = key;
    }
    const std::string quoted = DoublePercents(name);
    return NetCommand{NetBatchText(command, quoted), {}, NetLine(command, quoted)};
}

NetCommand NetCommandFor(Registry& registry, const std::string& command, const std::string& keyName) {
    const auto displayName = registry.Read(kHkeyLocalMachine, ServiceKeyPath(keyName), "DisplayName");
    if (keyName.empty()) return MakeNetCommand(command, keyName, displayName);
    // The Services key is listed only when a name has to be weighed.
    std::optional<OtherEntries> listed;
    const auto others = [&]() -> const OtherEntries& {
        if (!listed) listed.emplace(registry, keyName);
        return *listed;
    };
    // An entry gone since its line was built: its key name could be another
    // entry's display name, which "net" would then find.
    if (!displayName && others().Listed() && !others().Found()) return MakeNetCommand(command, {}, displayName);
    return MakeNetCommand(command, keyName, displayName, [&](const std::string& name) {
        // The entry's own key name: "net" finds the key before any display
        // name, so no other entry can answer.
        if (FoldCase(name) == FoldCase(keyName)) return false;
        // Unlisted, no other entry can be ruled out.
        return !others().Listed() || others().Name(name);
    });
}

void RunBatch(Files& files, Shell& shell, const AnsiCodec& codec, const std::string& path, const std::string& text,
              BatchEnd onEnd) {
    shell.EndBatch();
    if (files.Write(path, codec.ToAnsi(text))) shell.StartBatch(path, ShowStyle::Hidden, std::move(onEnd));
}

std::string NetBatchHeader(const std::string& command) {
    std::string text = "@echo off" + kLineEnd + "echo." + kLineEnd + "echo " + kStars + kLineEnd;
    if (command == "start") text += "echo SERVICES WERDEN GESTARTET" + kLineEnd;
    text += "echo " + kStars + kLineEnd + "echo." + kLineEnd;
    return text;
}

std::string NetBatchBanner(const std::string& command) {
    std::string text = kLineEnd + kStars + kLineEnd;
    if (command == "start") text += "SERVICES WERDEN GESTARTET" + kLineEnd;
    return text + kStars + kLineEnd + kLineEnd;
}

std::string NetLine(const std::string& command, const std::string& quotedName) {
    return "net " + command + " \"" + quotedName + "\"" + kLineEnd;
}

std::string NetBatchText(const std::string& command, const std::string& quotedName) {
    return NetBatchHeader(command) + NetLine(command, quotedName);
}

bool PassableInQuotes(const std::string& name) {
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || byte < 0x20 || byte == 0x7F) return false;
    }
    // "net" splits its command line as programs do: backslashes right before
    // the closing quote escape it, so "Name\" would reach it as 'Name"'.
    if (!name.empty() && name.back() == '\\') return false;
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
