// The batch file that starts or stops a service through the "net" command:
// which name it passes (or why it refuses to pass any), its text, and what
// a name must be like to stand between its double quotes. Nothing waits
// for the batch and nothing in the window changes.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "platform/AnsiCodec.h"
#include "platform/Platform.h"
#include "registry/Registry.h"

namespace sw {

// The batch for "start" or "stop" of one entry, or why there is none.
struct NetCommand {
    std::string batchText;  // empty when refused
    std::string refusal;    // the user's message when refused
    std::string netLine;    // the batch's "net" line alone, for a batch of several
};

// True when "net", given name, could reach another entry than the one the
// command is for.
using NamesAnotherEntry = std::function<bool(const std::string& name)>;

// Decides from the entry's key name and its "DisplayName" as read (not
// resolved). The display name is preferred; the key name, which "net" takes
// as well and looks for first, stands in for a display name that cannot be
// read or is blank, for an indirect one, for one that namesAnother says
// could reach another entry, and for one that the command interpreter would
// act on or change; when the key name cannot pass either, the command is
// refused. An empty keyName (no entry) with no display name names a single
// blank, which "net" finds nothing for.
NetCommand MakeNetCommand(const std::string& command, const std::string& keyName,
                          const std::optional<ValueHolder>& displayName, const NamesAnotherEntry& namesAnother = {});
// The same for the entry's display name read fresh from the registry. A
// display name that is another entry's key name or display name (compared
// without case, stored or resolved) gives way to the key name; so does any
// display name when the Services key cannot be listed, as then no other
// entry can be ruled out. An entry no longer there is named by a blank.
NetCommand NetCommandFor(Registry& registry, const std::string& command, const std::string& keyName);

// Writes the batch file at path in the ANSI code page and runs it hidden.
// A batch of an earlier click that still runs is ended first (it would read
// on in the rewritten file); a file that could not be written is not run,
// so an earlier click's file never runs in its place. onEnd gets the
// batch's output once it has ended.
void RunBatch(Files& files, Shell& shell, const AnsiCodec& codec, const std::string& path, const std::string& text,
              BatchEnd onEnd);

// The longest display name the service manager accepts, in characters.
inline constexpr std::size_t kLongestServiceName = 256;

// The file's lines for the command word "start" or "stop", each ending in
// CR LF; the last one is "net", the word and quotedName between double
// quotes. quotedName goes in as given: see DoublePercents.
std::string NetBatchText(const std::string& command, const std::string& quotedName);
// What the lines before the "net" lines print, as the interpreter writes it.
std::string NetBatchBanner(const std::string& command);
// The lines before the "net" lines, and one "net" line.
std::string NetBatchHeader(const std::string& command);
std::string NetLine(const std::string& command, const std::string& quotedName);

// True when the command interpreter, reading name between double quotes in
// a batch line, hands it to "net" as one argument and acts on nothing in it
// but "%" (which DoublePercents takes care of). Between double quotes it
// still acts on a double quote (which ends the quoting, so "&", "|", "<" and
// ">" behind it start commands of their own), on CR, LF and Ctrl-Z (which
// end the line) and on an overlong line (whose rest it runs as a line of
// its own). "net" itself then reads backslashes right before the closing
// quote as escaping it, so a name ending in a backslash reaches it changed.
// So a name passes when it holds no double quote and no control character,
// does not end in a backslash and is no longer than a service name can be.
// "^" and "!" are plain characters between double quotes as long as delayed
// expansion is off, which Shell::StartBatch sees to.
bool PassableInQuotes(const std::string& name);

// True when every character of name is plain ASCII, the same byte in the
// ANSI and the OEM code page.
bool IsAscii(const std::string& name);

// name with every "%" doubled: a batch file reads "%%" as one literal "%",
// where a single one would start the expansion of a variable.
std::string DoublePercents(const std::string& name);

}  // namespace sw
