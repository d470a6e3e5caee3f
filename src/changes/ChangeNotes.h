// Short notes that tell an administrator why a row of the changes list
// matters: a program where ordinary users can write, a command interpreter,
// an unquoted path with blanks, a file that is not there, a new driver, a
// service that runs under a user's account, an entry made to look like a
// per-user instance. The rules are the data in ChangeNotes.cpp; the
// platform is asked only for the rows' own paths.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "changes/ServiceChanges.h"
#include "platform/Platform.h"

namespace sw {

// The notes, in the order a row lists them.
inline const std::string kNoteNotAnInstance = "Keine echte Instanz";
inline const std::string kNoteUserWritable = "Pfad für Benutzer beschreibbar";
inline const std::string kNoteInterpreter = "Befehlsinterpreter";
inline const std::string kNoteUnquoted = "Pfad ohne Anführungszeichen";
inline const std::string kNoteMissing = "Datei fehlt";
inline const std::string kNoteNewDriver = "Neuer Treiber";
inline const std::string kNoteAccount = "Benutzerkonto";
inline const std::string kNoteSeparator = "; ";

// The program a command line runs, as written: between double quotes, or
// else the first word; where the first word names a folder, the shortest
// run of words that ends in a file name with an extension, as the system
// tries them ("C:\Program Files\A B\x.exe -k" runs "C:\Program Files\A
// B\x.exe" unless "C:\Program.exe" is there).
struct CommandProgram {
    std::string path;
    bool quoted = false;
    std::string arguments;  // what follows the program, blanks at its start removed
};
CommandProgram ProgramOfCommand(const std::string& commandLine);

// A path as the system opens it, environment strings already expanded:
// "\??\" and "\\?\" dropped, "\SystemRoot\" and a relative path with a
// folder ("System32\drivers\x.sys", as drivers name theirs) taken in the
// Windows folder, "/" as "\", doubled separators, "." and ".." resolved. A
// bare file name, which the system would search for, stays as it is.
std::string ResolvedPath(const std::string& path, const std::string& windowsFolder);

// True for a path "X:\..." or "\\server\...", which names one file.
bool IsFullPath(const std::string& path);

// True when a full, resolved path lies below a folder that ordinary users
// can write (case ignored).
bool IsUserWritablePath(const std::string& resolved);

// True when the file named is one of the command interpreters and script
// hosts that run whatever their arguments say.
bool IsCommandInterpreter(const std::string& path);

// Fills in each row's note from the entry's values now and, for an entry
// that claims to be a per-user instance but is none, from the row itself;
// removed entries get no other note. Only the rows' own paths reach the
// platform: their environment strings are expanded and whether their files
// exist is asked for, so the cost grows with the rows, not with the entries.
void NoteRows(std::vector<ChangeRow>& rows, const std::vector<ServiceValues>& now, Files& files,
              const std::string& windowsFolder);

}  // namespace sw
