#include "win32/Win32Platform.h"

#include <windows.h>

#include "win32/KernelHandles.h"
#include "win32/ProgramFolders.h"
#include "win32/WideText.h"

namespace sw {

namespace {

STARTUPINFOW StartupFor(ShowStyle style) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    switch (style) {
        case ShowStyle::Hidden: startup.wShowWindow = SW_HIDE; break;
        case ShowStyle::MinimizedFocus: startup.wShowWindow = SW_SHOWMINIMIZED; break;
        case ShowStyle::MaximizedFocus: startup.wShowWindow = SW_SHOWMAXIMIZED; break;
    }
    return startup;
}

// How long EndBatch waits for an ended batch to be gone.
constexpr DWORD kBatchEndWaitMs = 5000;

// Starts a command line whose program is named by its full path, with the
// system folder as its current folder. The thread handle is given back at
// once; the process handle goes to the caller.
// With stdInput and stdOutput (inheritable handles) the program reads the
// one and writes its output and errors to the other.
KernelHandle StartProcess(const wchar_t* program, std::wstring line, DWORD flags, ShowStyle style,
                          KernelHandle* thread = nullptr, HANDLE stdInput = nullptr, HANDLE stdOutput = nullptr) {
    const std::wstring folder = SystemFolder();
    if (folder.empty()) return {};
    line.push_back(L'\0');
    STARTUPINFOW startup = StartupFor(style);
    const BOOL inherit = stdOutput != nullptr ? TRUE : FALSE;
    if (inherit) {
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdInput = stdInput;
        startup.hStdOutput = stdOutput;
        startup.hStdError = stdOutput;
    }
    PROCESS_INFORMATION process{};
    if (style == ShowStyle::Hidden) flags |= CREATE_NO_WINDOW;
    if (!CreateProcessW(program, line.data(), nullptr, nullptr, inherit, flags, nullptr, folder.c_str(), &startup,
                        &process))
        return {};
    KernelHandle threadOwner(process.hThread);
    if (thread != nullptr) *thread = std::move(threadOwner);
    return KernelHandle(process.hProcess);
}

// How often a watched program is looked at.
constexpr UINT kWatchIntervalMs = 200;

// The shell whose watch the thread timer serves (the program has one).
Win32Shell* g_watchingShell = nullptr;
// The shell whose batch the batch timer serves.
Win32Shell* g_batchShell = nullptr;

// A file in the temporary folder for a batch's output, open for reading and
// for the batch to inherit, deleted by the system when its last handle is
// closed.
FileHandle OpenOutputFile() {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    if (n == 0 || n > MAX_PATH || GetTempFileNameW(folder, L"swn", 0, name) == 0) return {};
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    FileHandle file(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                nullptr));
    if (!file) DeleteFileW(name);
    return file;
}

// The whole of file from its start, decoded from the OEM code page.
std::string ReadOemOutput(HANDLE file) {
    std::string bytes;
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return {};
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return Utf8(wide);
}

}  // namespace

// The command interpreter of the last batch, and the job that holds it and
// everything it starts (none where no job could be had).
// With an onEnd, the file its output goes to and the timer that looks at it.
struct Win32Shell::BatchRun {
    KernelHandle process;
    KernelHandle job;
    FileHandle output;
    BatchEnd onEnd;
    UINT_PTR timer = 0;
    ~BatchRun() {
        if (timer != 0) KillTimer(nullptr, timer);
    }
};

// The watched program, what to call when it has ended, and the timer that
// looks at it.
struct Win32Shell::Watch {
    KernelHandle process;
    ProgramEnd onEnd;
    UINT_PTR timer = 0;
    ~Watch() {
        if (timer != 0) KillTimer(nullptr, timer);
    }
};

Win32Shell::Win32Shell() = default;
Win32Shell::~Win32Shell() {
    if (g_watchingShell == this) g_watchingShell = nullptr;
    if (g_batchShell == this) g_batchShell = nullptr;
}

bool Win32Shell::Start(const std::string& commandLine, ShowStyle style) {
    return static_cast<bool>(StartProcess(nullptr, Wide(commandLine), 0, style));
}

bool Win32Shell::StartWatched(const std::string& commandLine, ShowStyle style, ProgramEnd onEnd) {
    KernelHandle process = StartProcess(nullptr, Wide(commandLine), 0, style);
    if (!process) return false;
    watch_.reset();
    auto watch = std::make_unique<Watch>();
    watch->process = std::move(process);
    watch->onEnd = std::move(onEnd);
    watch->timer = SetTimer(nullptr, 0, kWatchIntervalMs, &Win32Shell::WatchTimer);
    watch_ = std::move(watch);
    g_watchingShell = this;
    return true;
}

void CALLBACK Win32Shell::WatchTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_watchingShell != nullptr) g_watchingShell->PollWatch();
}

void Win32Shell::PollWatch() {
    if (!watch_ || WaitForSingleObject(watch_->process.Get(), 0) != WAIT_OBJECT_0) return;
    std::optional<std::uint32_t> exitCode;
    DWORD code = 0;
    if (GetExitCodeProcess(watch_->process.Get(), &code)) exitCode = code;
    // Done with before onEnd runs, so that nothing it does sees the watch.
    ProgramEnd onEnd = std::move(watch_->onEnd);
    watch_.reset();
    if (onEnd) onEnd(exitCode);
}

void Win32Shell::FinishWatched(double maxSeconds) {
    if (!watch_) return;
    const DWORD ms = maxSeconds <= 0 ? 0 : static_cast<DWORD>(maxSeconds * 1000.0);
    WaitForSingleObject(watch_->process.Get(), ms);
    PollWatch();
}

bool Win32Shell::StartBatch(const std::string& path, ShowStyle style, BatchEnd onEnd) {
    const std::wstring folder = SystemFolder();
    if (folder.empty()) return false;
    const std::wstring interpreter = folder + L"\\cmd.exe";
    // With /S the interpreter drops the outer pair of quotes of ""file"" and
    // runs the quoted file name, blanks and all.
    std::wstring line = L"\"" + interpreter + L"\" /D /V:OFF /S /C \"\"" + Wide(path) + L"\"\"";
    // The output file and the NUL device only when the output is wanted.
    // Without a temporary folder the batch runs as it always did, and its
    // end is still reported, with no output.
    FileHandle output;
    FileHandle input;
    if (onEnd) {
        output = OpenOutputFile();
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        input = FileHandle(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                       OPEN_EXISTING, 0, nullptr));
        if (!output || !input) {
            output.Reset();
            input.Reset();
        }
    }
    const bool capture = static_cast<bool>(output);
    // Suspended until it is in its job, so that nothing it starts escapes.
    KernelHandle thread;
    KernelHandle process = StartProcess(interpreter.c_str(), std::move(line), CREATE_SUSPENDED, style, &thread,
                                        capture ? input.Get() : nullptr, capture ? output.Get() : nullptr);
    if (!process) return false;
    // A program that runs inside a job itself gets no job of its own for the
    // batch on Windows before 8; EndBatch then ends the interpreter alone.
    KernelHandle job(CreateJobObjectW(nullptr, nullptr));
    if (job && !AssignProcessToJobObject(job.Get(), process.Get())) job.Reset();
    ResumeThread(thread.Get());
    auto run = std::make_unique<BatchRun>();
    run->process = std::move(process);
    run->job = std::move(job);
    if (onEnd) {
        run->output = std::move(output);
        run->onEnd = std::move(onEnd);
        run->timer = SetTimer(nullptr, 0, kWatchIntervalMs, &Win32Shell::BatchTimer);
        g_batchShell = this;
    }
    lastBatch_ = std::move(run);
    return true;
}

void CALLBACK Win32Shell::BatchTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_batchShell != nullptr) g_batchShell->PollBatch();
}

void Win32Shell::PollBatch() {
    if (!lastBatch_ || !lastBatch_->onEnd || WaitForSingleObject(lastBatch_->process.Get(), 0) != WAIT_OBJECT_0)
        return;
    const std::string output = lastBatch_->output ? ReadOemOutput(lastBatch_->output.Get()) : std::string();
    // Done with before onEnd runs: its message box dispatches this timer's
    // messages, and a click meanwhile may start the next batch.
    BatchEnd onEnd = std::move(lastBatch_->onEnd);
    lastBatch_.reset();
    onEnd(output);
}

void Win32Shell::EndBatch() {
    if (!lastBatch_) return;
    if (WaitForSingleObject(lastBatch_->process.Get(), 0) == WAIT_TIMEOUT) {
        if (lastBatch_->job) TerminateJobObject(lastBatch_->job.Get(), 1);
        else TerminateProcess(lastBatch_->process.Get(), 1);
        WaitForSingleObject(lastBatch_->process.Get(), kBatchEndWaitMs);
    }
    lastBatch_.reset();
}

}  // namespace sw
