#include "changes/ChangeNotes.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "changes/Restore.h"
#include "platform/CaseFold.h"

namespace sw {
namespace {

// ---- The rules' data ------------------------------------------------------

// "Pfad für Benutzer beschreibbar": folders that ordinary users can write,
// so that whoever can log on can replace the program a service runs as
// LocalSystem. Folded; below the root of any drive, and any folder of that
// name anywhere. A file right in the root of a drive counts too, as users
// may create files there. "PerfLogs" below the system drive's root lets
// ordinary users create files in it on a default installation.
constexpr std::array<std::string_view, 3> kWritableBelowDriveRoot = {"users\\", "programdata\\", "perflogs\\"};
constexpr std::array<std::string_view, 2> kWritableFoldersAnywhere = {"\\temp\\", "\\appdata\\"};

// "Befehlsinterpreter": programs that run whatever their arguments say, the
// usual way to make a service run a script or a downloaded file. Folded file
// names without ".exe".
constexpr std::array<std::string_view, 9> kInterpreters = {"cmd",   "powershell", "pwsh",     "wscript", "cscript",
                                                           "mshta", "rundll32",   "regsvr32", "certutil"};
// The extensions under which the system runs a program named without one.
constexpr std::array<std::string_view, 2> kProgramExtensions = {".exe", ".com"};
// The extensions of files a service, driver or failure command runs or
// loads: where an unquoted path goes on after a blank, the program ends
// with the first word that ends in one of them. Folded.
constexpr std::array<std::string_view, 15> kRunnableExtensions = {
    ".exe", ".com", ".bat", ".cmd", ".sys", ".dll", ".scr", ".cpl", ".ocx", ".drv", ".ps1", ".vbs", ".js", ".hta", ".msi"};

// "Neuer Treiber": an added entry of a kernel or file-system driver, code
// that runs in the kernel from the next start on.
constexpr std::uint32_t kDriverTypeBits = 0x1 | 0x2;

// "Benutzerkonto": a service that runs under an account other than the
// built-in ones (AccountNeedsNoPassword), whose password someone keeps.

// "Pfad ohne Anführungszeichen": an unquoted program path with a blank,
// where a shorter path ending at the blank runs first. Only where a command
// line is parsed: a driver's path is taken whole.

// "Datei fehlt": a program or DLL that is not there now; whoever may create
// it decides what runs.

// "Keine echte Instanz": an entry added or removed with the per-user
// instance bit that the comparison did not leave out as an instance
// (ChangeRow::notAnInstance), as the bit alone would hide it otherwise.

enum Note { kNotAnInstance, kUserWritable, kInterpreter, kUnquoted, kMissing, kNewDriver, kAccount, kNoteCount };
const std::array<const std::string*, kNoteCount> kNoteTexts = {
    &kNoteNotAnInstance, &kNoteUserWritable, &kNoteInterpreter, &kNoteUnquoted,
    &kNoteMissing,       &kNoteNewDriver,    &kNoteAccount};

// ---- Paths ----------------------------------------------------------------

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool StartsWithFolded(const std::string& folded, std::string_view prefix) {
    return folded.compare(0, prefix.size(), prefix) == 0;
}

std::string_view FileNameOf(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// A file name that ends in the extension of a file that runs ("x.exe", "x.sys").
bool HasExtension(std::string_view path) {
    const std::string name = FoldCase(FileNameOf(path));
    return std::any_of(kRunnableExtensions.begin(), kRunnableExtensions.end(), [&name](std::string_view ext) {
        return name.size() > ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0;
    });
}

std::string TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// The folded file name without ".exe" or ".com".
std::string BareName(std::string_view path) {
    std::string name = FoldCase(FileNameOf(path));
    for (std::string_view ext : kProgramExtensions)
        if (name.size() > ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0) {
            name.resize(name.size() - ext.size());
            break;
        }
    return name;
}

// Whether the file is there now. No file name holds a wildcard, and a search
// for one would find other files.
bool FileThere(Files& files, const std::string& resolved) {
    if (resolved.find_first_of("*?") != std::string::npos) return false;
    if (files.Exists(resolved)) return true;
    if (!FileNameOf(resolved).empty() && FileNameOf(resolved).find('.') != std::string_view::npos) return false;
    return std::any_of(kProgramExtensions.begin(), kProgramExtensions.end(),
                       [&](std::string_view ext) { return files.Exists(resolved + std::string(ext)); });
}

// The DLL a "rundll32" command line loads: its first argument up to ",".
std::string RundllTarget(const std::string& arguments) {
    if (!arguments.empty() && arguments.front() == '"') {
        const std::size_t close = arguments.find('"', 1);
        return arguments.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return TrimBlanks(std::string_view(arguments).substr(0, arguments.find(',')));
}

// ---- Rows -----------------------------------------------------------------

using NoteSet = std::array<bool, kNoteCount>;

struct Noter {
    Files& files;
    const std::string& windowsFolder;

    // The file rules over one path: where it lies, whether it is there.
    void File(const std::string& path, NoteSet& notes) const {
        const std::string resolved = ResolvedPath(path, windowsFolder);
        if (!IsFullPath(resolved)) return;  // a bare name, searched for: no folder to judge
        if (IsUserWritablePath(resolved)) notes[kUserWritable] = true;
        if (!FileThere(files, resolved)) notes[kMissing] = true;
    }

    // A command line: "ImagePath" of a service, "FailureCommand". A driver's
    // "ImagePath" names its file whole, without arguments.
    void Command(const FoundValue& value, bool isImagePath, bool isDriver, NoteSet& notes) const {
        if (value.kind != FoundValue::Kind::Text || TrimBlanks(value.text).empty()) return;
        const std::string expanded = files.ExpandEnvironment(value.text);
        CommandProgram program;
        if (isDriver) {
            program.path = TrimBlanks(expanded);
            if (program.path.size() >= 2 && program.path.front() == '"' && program.path.back() == '"')
                program.path = program.path.substr(1, program.path.size() - 2);
        } else {
            program = ProgramOfCommand(expanded);
        }
        if (program.path.empty()) return;
        File(program.path, notes);
        if (IsCommandInterpreter(program.path)) notes[kInterpreter] = true;
        if (isImagePath && !isDriver && !program.quoted && program.path.find(' ') != std::string::npos)
            notes[kUnquoted] = true;
        if (BareName(program.path) == "rundll32") {
            const std::string dll = RundllTarget(program.arguments);
            if (!dll.empty()) File(dll, notes);
        }
    }

    void Dll(const FoundValue& value, NoteSet& notes) const {
        if (value.kind != FoundValue::Kind::Text) return;
        const std::string path = TrimBlanks(files.ExpandEnvironment(value.text));
        if (path.empty()) return;
        File(path, notes);
        if (IsCommandInterpreter(path)) notes[kInterpreter] = true;
    }

    static void Account(const FoundValue& value, bool isDriver, NoteSet& notes) {
        // A driver's "ObjectName" names its driver object, not an account.
        if (isDriver || value.kind != FoundValue::Kind::Text) return;
        if (!AccountNeedsNoPassword(TrimBlanks(value.text))) notes[kAccount] = true;
    }

    NoteSet For(const ChangeRow& row, const ServiceValues& service) const {
        NoteSet notes{};
        const FoundValue& type = service.values[IndexOf(ManagerField::Type)];
        const bool isDriver = type.kind == FoundValue::Kind::Number && (type.number & kDriverTypeBits) != 0;
        const bool added = row.change.kind == ChangeKind::EntryAdded;
        // An entry added is judged by every value, a changed value by itself.
        for (const ComparedValue& compared : kComparedValues) {
            if (!added && row.change.value != &compared) continue;
            const FoundValue& value = service.values[IndexOf(compared)];
            switch (compared.risk) {
                case ValueRisk::ServiceProgram: Command(value, true, isDriver, notes); break;
                case ValueRisk::Command: Command(value, false, false, notes); break;
                case ValueRisk::Dll: Dll(value, notes); break;
                case ValueRisk::Account: Account(value, isDriver, notes); break;
                case ValueRisk::None: break;
            }
        }
        if (added && isDriver) notes[kNewDriver] = true;
        return notes;
    }
};

}  // namespace

CommandProgram ProgramOfCommand(const std::string& commandLine) {
    CommandProgram program;
    const std::size_t start = commandLine.find_first_not_of(' ');
    if (start == std::string::npos) return program;
    const std::string_view text = std::string_view(commandLine).substr(start);
    std::size_t end = 0;  // where the program ends in text
    std::size_t rest = 0;  // where what follows it begins
    if (text.front() == '"') {
        const std::size_t close = text.find('"', 1);
        program.quoted = true;
        end = close == std::string_view::npos ? text.size() : close;
        program.path = std::string(text.substr(1, end - 1));
        rest = close == std::string_view::npos ? text.size() : close + 1;
    } else {
        const std::size_t firstBlank = std::min(text.find(' '), text.size());
        end = firstBlank;
        const std::string_view first = text.substr(0, firstBlank);
        // A first word that names a folder but no file with an extension
        // may go on after a blank: the shortest run of words that ends in
        // such a file is the program.
        if (first.find('\\') != std::string_view::npos && !HasExtension(first)) {
            for (std::size_t blank = firstBlank; blank < text.size();) {
                const std::size_t next = std::min(text.find(' ', blank + 1), text.size());
                if (HasExtension(text.substr(0, next))) {
                    end = next;
                    break;
                }
                blank = next;
            }
        }
        program.path = std::string(text.substr(0, end));
        rest = end;
    }
    program.arguments = TrimBlanks(text.substr(std::min(rest, text.size())));
    return program;
}

std::string ResolvedPath(const std::string& path, const std::string& windowsFolder) {
    std::string p = TrimBlanks(path);
    std::replace(p.begin(), p.end(), '/', '\\');
    if (p.rfind("\\??\\", 0) == 0 || p.rfind("\\\\?\\", 0) == 0) p.erase(0, 4);
    const std::string folded = FoldCase(p);
    if (StartsWithFolded(folded, "\\systemroot\\")) {
        p = windowsFolder + p.substr(11);
    } else if (!IsFullPath(p) && p.find('\\') != std::string::npos && p.front() != '\\') {
        p = windowsFolder + "\\" + p;
    }
    if (!IsFullPath(p)) return p;
    // The folders one by one, "." and ".." taken as the system takes them.
    const bool unc = p[0] == '\\';
    const std::size_t rootEnd = unc ? 2 : 3;
    std::vector<std::string> parts;
    std::size_t at = rootEnd;
    while (at <= p.size()) {
        const std::size_t slash = std::min(p.find('\\', at), p.size());
        const std::string part = p.substr(at, slash - at);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = slash + 1;
    }
    std::string out = p.substr(0, rootEnd);
    for (std::size_t i = 0; i < parts.size(); ++i) out += (i ? "\\" : "") + parts[i];
    return out;
}

bool IsFullPath(const std::string& path) {
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && path[2] == '\\') return true;
    return path.size() > 2 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\';
}

bool IsUserWritablePath(const std::string& resolved) {
    if (!IsFullPath(resolved) || resolved[0] == '\\') return false;
    const std::string rest = FoldCase(std::string_view(resolved).substr(3));
    if (!rest.empty() && rest.find('\\') == std::string::npos) return true;  // in the root of a drive
    for (std::string_view folder : kWritableBelowDriveRoot)
        if (StartsWithFolded(rest, folder)) return true;
    const std::string whole = "\\" + rest;
    for (std::string_view folder : kWritableFoldersAnywhere)
        if (whole.find(folder) != std::string::npos) return true;
    return false;
}

bool IsCommandInterpreter(const std::string& path) {
    const std::string name = BareName(TrimBlanks(path));
    return std::find(kInterpreters.begin(), kInterpreters.end(), name) != kInterpreters.end();
}

void NoteRows(std::vector<ChangeRow>& rows, const std::vector<ServiceValues>& now, Files& files,
              const std::string& windowsFolder) {
    if (rows.empty()) return;
    std::unordered_map<std::string_view, const ServiceValues*> byKey;
    byKey.reserve(now.size());
    for (const ServiceValues& service : now) byKey.emplace(service.folded, &service);
    const Noter noter{files, windowsFolder};
    for (ChangeRow& row : rows) {
        row.note.clear();
        NoteSet notes{};
        if (row.change.kind != ChangeKind::EntryRemoved) {
            const auto it = byKey.find(FoldCase(row.key));
            if (it != byKey.end()) notes = noter.For(row, *it->second);
        }
        notes[kNotAnInstance] = row.notAnInstance;
        for (std::size_t i = 0; i < notes.size(); ++i)
            if (notes[i]) row.note += (row.note.empty() ? "" : kNoteSeparator) + *kNoteTexts[i];
    }
}

}  // namespace sw
