// The narrow platform seams of the program besides the registry. The Win32
// implementations live in win32/; tests use fakes (tests/unit/Fakes.h).
// Paths and texts are UTF-8; file contents are bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace sw {

struct Date {
    int year = 0;
    int month = 0;
    int day = 0;

    bool operator==(const Date&) const = default;
};

// A moment in local time, to the second.
struct LocalTime {
    Date date;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const LocalTime&) const = default;
};

class Files {
public:
    virtual ~Files() = default;
    // True when a file-system search for exactly this path finds an entry
    // (a folder of that name counts).
    virtual bool Exists(const std::string& path) = 0;
    // Copies over an existing target.
    virtual bool Copy(const std::string& from, const std::string& to) = 0;
    virtual bool Delete(const std::string& path) = 0;
    // Creates or truncates the file and writes bytes in one piece.
    virtual bool Write(const std::string& path, const std::string& bytes) = 0;
    // Writes bytes under a temporary name in the same folder, flushes them
    // to the disk and only then moves the file over path. When anything
    // fails (a full disk, a target that cannot be replaced) path keeps what
    // it held and no temporary file is left behind.
    virtual bool WriteWhole(const std::string& path, const std::string& bytes) = 0;
    // Moves a finished file over an existing target, its data flushed to the
    // disk first; when it fails both files stay as they were.
    virtual bool Move(const std::string& from, const std::string& to) = 0;
    virtual bool Read(const std::string& path, std::string& bytes) = 0;
    // Reads a file that no other program has open: false while one still
    // holds it (a registry editor writing it), or when it cannot be read.
    virtual bool ReadUnshared(const std::string& path, std::string& bytes) = 0;
    // Opens the file (made when it is not there), cuts it to its first keep
    // bytes, appends bytes there and has them on the disk before it returns.
    // The first keep bytes are never touched; false when the file is shorter
    // than keep or anything fails, and a failed write is cut off again as
    // far as the disk lets it.
    virtual bool Append(const std::string& path, std::size_t keep, const std::string& bytes) = 0;
    // When the file was last written, in local time; nothing when that
    // cannot be learned (no such file). A copy keeps its original's time.
    virtual std::optional<LocalTime> LastWritten(const std::string& path) = 0;
    // The text with its %NAME% environment strings replaced as the system
    // does for a stored path; a name the environment does not hold stays
    // as written.
    virtual std::string ExpandEnvironment(const std::string& text) = 0;
};

// Window styles for starting a program through the shell.
enum class ShowStyle { Hidden = 0, MinimizedFocus = 2, MaximizedFocus = 3 };

// How a watched program ended: its exit code, or nothing when that could
// not be learned.
using ProgramEnd = std::function<void(std::optional<std::uint32_t> exitCode)>;
// What an ended batch wrote to its standard output and error, as text.
using BatchEnd = std::function<void(const std::string& output)>;

class Shell {
public:
    virtual ~Shell() = default;
    // Starts a command line and does not wait for it. The program is named
    // by its full path: nothing is looked up in the program folder, the
    // current folder or the search path, and it runs with the system folder
    // as its current folder.
    virtual bool Start(const std::string& commandLine, ShowStyle style) = 0;
    // The same, and calls onEnd on the user-interface thread, from the
    // message loop or a yield, once the program has ended. One program is
    // watched at a time; a later call replaces the earlier watch.
    virtual bool StartWatched(const std::string& commandLine, ShowStyle style, ProgramEnd onEnd) = 0;
    // Waits up to maxSeconds for the watched program (handling no window
    // messages); when it has ended, runs its onEnd before returning.
    virtual void FinishWatched(double maxSeconds) = 0;
    // Runs a batch file through the system's command interpreter and does
    // not wait for it. The interpreter runs without AutoRun commands and
    // with delayed expansion off, whatever the registry asks for, so that
    // "!" and "^" between double quotes reach the called program as written.
    // Its current folder is the system folder, so that a command such as
    // "net" is the system's, never one lying beside the program or in the
    // folder the program was started from.
    // Its standard output and error go to a file of the program's; once the
    // interpreter has ended, onEnd (when given) is called on the
    // user-interface thread, from the message loop, with that output
    // decoded from the OEM code page, in which "net" writes. A batch that
    // EndBatch ends calls nothing.
    virtual bool StartBatch(const std::string& path, ShowStyle style, BatchEnd onEnd) = 0;
    // Ends the batch that StartBatch started last, with every program it
    // started, if it still runs, and returns once it has ended (or after a
    // bounded wait). The interpreter reads its file line by line while it
    // runs, so a batch file must not be rewritten under a running batch.
    virtual void EndBatch() = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since local midnight, 0 up to below 86400, with fractions.
    virtual double SecondsSinceMidnight() = 0;
    virtual Date Today() = 0;
};

// Message-box flags and answers, with the platform's numbers.
inline constexpr int kMbOk = 0;
inline constexpr int kMbOkCancel = 1;
inline constexpr int kMbYesNo = 4;
inline constexpr int kMbIconCritical = 16;
inline constexpr int kMbIconQuestion = 32;
inline constexpr int kMbIconExclamation = 48;
inline constexpr int kMbIconInformation = 64;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Modal over the program's active window; returns the answer given:
    // kAnswerOk or kAnswerCancel, with kMbYesNo kAnswerYes or kAnswerNo.
    virtual int Show(const std::string& text, const std::string& title, int flags) = 0;
};

// Mouse pointers, by their numbers: 0 default, 11 hourglass, 13 arrow with hourglass.
inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;
inline constexpr int kPointerArrowHourglass = 13;

class UserInterface {
public:
    virtual ~UserInterface() = default;
    // Registers the common controls (visual styles) before any window exists.
    virtual void InitCommonControls() = 0;
    virtual void SetPointer(int pointer) = 0;
    // Processes the window messages that are pending, then returns.
    virtual void DoEvents() = 0;
    // Waits for a short moment without keeping the processor busy, handling
    // messages that arrive meanwhile.
    virtual void Idle(double maxSeconds) = 0;
};

struct VersionRecord {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t platform = 0;
};

// A service's configuration as the service manager holds it.
struct ServiceConfig {
    std::uint32_t type = 0;
    std::uint32_t start = 0;
    std::uint32_t errorControl = 1;  // SERVICE_ERROR_NORMAL
    std::string imagePath;
    std::string group;
    std::string account;
    std::string displayName;
    bool delayedAutoStart = false;
    std::string failureCommand;
};

// What a change of the configuration asks for: only the fields given are
// changed, everything else stays as the manager holds it.
struct ServiceConfigChange {
    std::optional<std::uint32_t> type;
    std::optional<std::uint32_t> start;
    std::optional<std::string> imagePath;
    std::optional<std::string> group;
    std::optional<std::string> account;
    std::optional<std::string> displayName;

    bool Empty() const { return !type && !start && !imagePath && !group && !account && !displayName; }
};

// A service to be registered anew, as CreateServiceW takes it.
struct NewService {
    std::string keyName;
    std::string displayName;
    std::uint32_t type = 0;
    std::uint32_t start = 3;
    std::uint32_t errorControl = 1;
    std::string imagePath;
    std::string group;
    std::string account;  // empty: LocalSystem (or none for a driver)
};

// System error codes the service-manager callers look at.
inline constexpr std::uint32_t kErrorServiceDoesNotExist = 1060;
inline constexpr std::uint32_t kErrorServiceExists = 1073;

// The system's service manager. A "Start" written to the registry is seen by
// it only at the next boot; told the same start type, it acts at once (a
// disabled service can no longer be started). Except SetStartType, each call
// answers with the system's error code, 0 when it did what was asked.
class ServiceManager {
public:
    virtual ~ServiceManager() = default;
    // Sets the start type (2, 3 or 4) of the service with this key name and
    // nothing else of its configuration. False when the manager refuses or
    // does not know the entry (no rights, an entry it never loaded).
    virtual bool SetStartType(const std::string& keyName, std::uint32_t start) = 0;

    // The configuration the manager holds for a service, with its delayed
    // start and its failure command (false and empty where it cannot tell).
    // kErrorServiceDoesNotExist for an entry it does not know.
    virtual std::uint32_t QueryConfig(const std::string& keyName, ServiceConfig& config) = 0;
    // ChangeServiceConfigW with only the given fields; an account is given
    // without a password (only accounts that need none are passed).
    virtual std::uint32_t ChangeConfig(const std::string& keyName, const ServiceConfigChange& change) = 0;
    // ChangeServiceConfig2W with SERVICE_CONFIG_DELAYED_AUTO_START_INFO.
    virtual std::uint32_t SetDelayedAutoStart(const std::string& keyName, bool delayed) = 0;
    // Reads the failure actions and writes them back unchanged but for the
    // command (SERVICE_CONFIG_FAILURE_ACTIONS).
    virtual std::uint32_t SetFailureCommand(const std::string& keyName, const std::string& command) = 0;
    // CreateServiceW; kErrorServiceExists where the manager knows the name.
    virtual std::uint32_t Create(const NewService& service) = 0;
    // The system's text for an error code (FormatMessageW), without its line
    // end; empty where the system has none.
    virtual std::string SystemMessage(std::uint32_t error) = 0;
};

// What a start that finds its folder held does to the window of the run
// that holds it: a start by the user shows it, a run without a window of its
// own leaves the user's desktop alone.
enum class HeldFolder { ShowRunningWindow, LeaveAlone };

// The refusal of a start on an older Windows.
inline const std::string kStartupMessage = "Diese Anwendung läuft nur unter Microsoft Windows XP oder höher.  ";

// The label of a version record, as the start looks at it: "XP" for Windows
// XP and everything after it, which is what the program runs on.
inline std::string WindowsVersionLabel(const VersionRecord& v) {
    switch (v.platform) {
        case 0: return "Windows 16bit mit 32bit-Erweiterung";
        case 1:
            switch (v.minor) {
                case 0: return "95";
                case 10: return "98";
                case 90: return "Me";
                default: return "Unknown";
            }
        case 2:
            if (v.major == 4) return "Nt";
            if (v.major >= 5) return "XP";
            return "";
        default: return "Unknown";
    }
}

class Program {
public:
    virtual ~Program() = default;
    virtual VersionRecord Version() = 0;
    // The running executable's folder without a trailing separator, and its
    // file name without folder and extension.
    virtual std::string Folder() = 0;
    virtual std::string BaseName() = 0;
    // The system's Windows folder (where its registry editor lies), without
    // a trailing separator.
    virtual std::string WindowsFolder() = 0;
    // True when no other run of the program works in this program folder;
    // from then on this run holds the folder until it ends. Otherwise
    // returns false, and with ShowRunningWindow first brings the window of
    // the run that holds it (if that run has one) to the front.
    virtual bool ClaimFolder(HeldFolder whenHeld) = 0;
    // Ends the program at once; no closing step runs after it.
    [[noreturn]] virtual void EndNow() = 0;
};

}  // namespace sw
