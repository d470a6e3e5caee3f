#include "win32/Win32Platform.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "platform/Utf16.h"
#include "win32/ControlIds.h"
#include "win32/KernelHandles.h"
#include "win32/MessageLoop.h"
#include "win32/WideText.h"

namespace sw {

// The registry's own conversion, so that a key name holding a lone
// surrogate keeps it through the list box and back (the system's UTF-8
// conversion would make it U+FFFD, the name of another key).
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring Wide(std::string_view utf8) {
    const std::u16string wide = ToUtf16(utf8);
    return std::wstring(reinterpret_cast<const wchar_t*>(wide.data()), wide.size());
}

std::string Utf8(std::wstring_view wide) {
    return FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

std::string Win32Codec::ToAnsi(std::string_view utf8) const {
    const std::wstring wide = Wide(utf8);
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string Win32Codec::FromAnsi(std::string_view ansi) const {
    if (ansi.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
    return Utf8(wide);
}

std::optional<std::string> Win32Codec::ToAnsiExactly(std::string_view utf8) const {
    // Text that is no valid UTF-16 (a lone surrogate carried through from a
    // registry name) has no exact form in any code page.
    const std::wstring wide = Wide(utf8);
    if (Utf8(wide) != utf8) return std::nullopt;
    if (wide.empty()) return std::string();
    if (GetACP() == CP_UTF8) return std::string(utf8);
    // No best fit (U+FF3C would become "\\"), and a default character used
    // for anything without a byte of its own counts as a failure.
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, &usedDefault);
    if (usedDefault) return std::nullopt;
    return out;
}

bool Win32Files::Exists(const std::string& path) {
    WIN32_FIND_DATAW found;
    return static_cast<bool>(FindHandle(FindFirstFileW(Wide(path).c_str(), &found)));
}

bool Win32Files::Copy(const std::string& from, const std::string& to) {
    return CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE) != 0;
}

bool Win32Files::Delete(const std::string& path) { return DeleteFileW(Wide(path).c_str()) != 0; }

namespace {

// Creates or truncates the file, writes bytes and, with flush, has them on
// the disk before it is closed. A short write (a full disk) is a failure.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes, bool flush) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        return false;
    if (flush && !FlushFileBuffers(file.Get())) return false;
    return CloseHandle(file.Release()) != 0;
}

}  // namespace

bool Win32Files::Write(const std::string& path, const std::string& bytes) {
    return WriteFileBytes(Wide(path), bytes, false);
}

bool Win32Files::WriteWhole(const std::string& path, const std::string& bytes) {
    const std::wstring target = Wide(path);
    const std::wstring part = target + L".part";
    if (WriteFileBytes(part, bytes, true) &&
        MoveFileExW(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(part.c_str());
    return false;
}

bool Win32Files::Move(const std::string& from, const std::string& to) {
    const std::wstring source = Wide(from);
    {
        // Written by another program: its data reaches the disk before the
        // name does.
        FileHandle file(CreateFileW(source.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !FlushFileBuffers(file.Get())) return false;
    }
    return MoveFileExW(source.c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32Files::Read(const std::string& path, std::string& bytes) {
    FileHandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string content;
    char buffer[65536];
    DWORD got = 0;
    for (;;) {
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) return false;
        if (got == 0) break;
        content.append(buffer, got);
    }
    bytes = std::move(content);
    return true;
}

std::string Win32Files::ExpandEnvironment(const std::string& text) {
    const std::wstring wide = Wide(text);
    std::vector<wchar_t> buffer(wide.size() + 64);
    for (;;) {
        // The size asked for counts the closing NUL; 0 is a failure, which
        // leaves the text as it was.
        const DWORD n = ExpandEnvironmentStringsW(wide.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return text;
        if (n <= buffer.size()) return Utf8(std::wstring(buffer.data(), n - 1));
        buffer.resize(n);
    }
}

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

std::wstring SystemFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const UINT n = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(n);
    }
}

// How long EndBatch waits for an ended batch to be gone.
constexpr DWORD kBatchEndWaitMs = 5000;

}  // namespace

namespace {

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

double Win32Clock::SecondsSinceMidnight() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

Date Win32Clock::Today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return Date{now.wYear, now.wMonth, now.wDay};
}

int Win32MessageBoxes::Show(const std::string& text, const std::string& title, int flags) {
    HWND owner = GetActiveWindow();
    UINT style = static_cast<UINT>(flags);
    if (owner == nullptr) style |= MB_TASKMODAL;
    const int answer = MessageBoxW(owner, Wide(text).c_str(), Wide(title).c_str(), style);
    if (answer == IDYES) return kAnswerYes;
    if (answer == IDNO) return kAnswerNo;
    return answer == IDCANCEL ? kAnswerCancel : kAnswerOk;
}

namespace {
int g_pointer = kPointerDefault;
}

void Win32UserInterface::InitCommonControls() { ::InitCommonControls(); }

bool Win32UserInterface::ApplyPointer() {
    LPCWSTR shape = nullptr;
    if (g_pointer == kPointerHourglass) shape = IDC_WAIT;
    else if (g_pointer == kPointerArrowHourglass) shape = IDC_APPSTARTING;
    if (shape == nullptr) return false;
    SetCursor(LoadCursorW(nullptr, shape));
    return true;
}

void Win32UserInterface::SetPointer(int pointer) {
    g_pointer = pointer;
    if (!ApplyPointer()) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

void Win32UserInterface::DoEvents() { PumpWaiting(); }

void Win32UserInterface::Idle(double maxSeconds) {
    const DWORD ms = maxSeconds <= 0 ? 0 : static_cast<DWORD>(maxSeconds * 1000.0);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    DoEvents();
}

VersionRecord Win32Program::Version() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = 148;
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    GetVersionExA(&info);
    return VersionRecord{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.dwPlatformId};
}

std::wstring ModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::string Win32Program::Folder() {
    const std::wstring path = ModulePath();
    const auto slash = path.find_last_of(L"\\/");
    return Utf8(slash == std::wstring::npos ? std::wstring() : path.substr(0, slash));
}

std::string Win32Program::BaseName() {
    std::wstring name = ModulePath();
    const auto slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name = name.substr(slash + 1);
    const auto dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name = name.substr(0, dot);
    return Utf8(name);
}

std::string Win32Program::WindowsFolder() {
    // The system's own Windows folder, also where a terminal server gives
    // each user a private one.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const UINT n = GetSystemWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return Utf8(std::wstring(buffer.data(), n));
        buffer.resize(n);
    }
}

namespace {

// The program folder as one number: its long form, upper case (the file
// system ignores case), hashed (FNV-1a), so that a mutex name stays short
// and free of the separators that mutex names may not hold.
std::uint64_t FolderKey() {
    std::wstring folder = ModulePath();
    const auto slash = folder.find_last_of(L"\\/");
    folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
    std::vector<wchar_t> longForm(folder.size() + MAX_PATH);
    const DWORD n = GetLongPathNameW(folder.c_str(), longForm.data(), static_cast<DWORD>(longForm.size()));
    if (n > 0 && n < longForm.size()) folder.assign(longForm.data(), n);
    if (!folder.empty()) CharUpperBuffW(folder.data(), static_cast<DWORD>(folder.size()));
    std::uint64_t hash = 14695981039346656037ull;
    for (wchar_t ch : folder) {
        hash ^= static_cast<std::uint16_t>(ch);
        hash *= 1099511628211ull;
    }
    return hash;
}

const wchar_t kFolderMark[] = L"Tavrine.Startwart.Folder";

// The window property that carries the folder's key (as much of it as a
// pointer holds; never 0, which GetPropW gives for "none").
HANDLE FolderMark(std::uint64_t key) {
    const auto mark = static_cast<std::uintptr_t>(key);
    return reinterpret_cast<HANDLE>(mark == 0 ? 1 : mark);
}

// The running window of the folder: marked with its key, and another
// process's. This start's own window, made and marked before the claim and
// never shown, carries the same mark and is the newest in the z-order, so
// it would be found first.
struct WindowSearch {
    HANDLE mark;
    DWORD self = GetCurrentProcessId();
    HWND found = nullptr;
};

BOOL CALLBACK FindMarkedWindow(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    wchar_t name[64];
    if (GetClassNameW(window, name, 64) == 0 || lstrcmpW(name, SW_ROOT_CLASS) != 0) return TRUE;
    if (GetPropW(window, kFolderMark) != search.mark) return TRUE;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.self) return TRUE;
    search.found = window;
    return FALSE;
}

// Held from the claim until the process ends.
KernelHandle g_folderClaim;

}  // namespace

bool Win32Program::ClaimFolder(HeldFolder whenHeld) {
    const std::uint64_t key = FolderKey();
    wchar_t name[64];
    wsprintfW(name, L"Global\\Tavrine.Startwart.%08lX%08lX", static_cast<unsigned long>(key >> 32),
              static_cast<unsigned long>(key & 0xFFFFFFFFu));
    KernelHandle claim(CreateMutexW(nullptr, FALSE, name));
    const DWORD error = GetLastError();
    // Another user's run denies access to its mutex: the folder is held all
    // the same. Where no mutex can be made at all, the program runs as it
    // would without one.
    if (claim && error != ERROR_ALREADY_EXISTS) {
        g_folderClaim = std::move(claim);
        return true;
    }
    if (!claim && error != ERROR_ACCESS_DENIED) return true;
    if (whenHeld == HeldFolder::LeaveAlone) return false;
    WindowSearch search{FolderMark(key)};
    EnumWindows(FindMarkedWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) {
        // This start has the right to the foreground from the user; it
        // passes it on to the running window's process as well.
        DWORD owner = 0;
        GetWindowThreadProcessId(search.found, &owner);
        AllowSetForegroundWindow(owner);
        if (IsIconic(search.found)) ShowWindow(search.found, SW_RESTORE);
        SetForegroundWindow(search.found);
    }
    return false;
}

void Win32Program::MarkWindow(HWND window) { SetPropW(window, kFolderMark, FolderMark(FolderKey())); }

void Win32Program::EndNow() { ExitProcess(0); }

}  // namespace sw
