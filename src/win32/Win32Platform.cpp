#include "win32/Win32Platform.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "platform/Utf16.h"
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
    HANDLE search = FindFirstFileW(Wide(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

bool Win32Files::Copy(const std::string& from, const std::string& to) {
    return CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE) != 0;
}

bool Win32Files::Delete(const std::string& path) { return DeleteFileW(Wide(path).c_str()) != 0; }

bool Win32Files::Write(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    const BOOL closed = CloseHandle(file);
    return ok && closed && written == bytes.size();
}

bool Win32Files::Read(const std::string& path, std::string& bytes) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string content;
    char buffer[65536];
    DWORD got = 0;
    bool ok = true;
    for (;;) {
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        content.append(buffer, got);
    }
    CloseHandle(file);
    if (ok) bytes = std::move(content);
    return ok;
}

namespace {

STARTUPINFOW StartupFor(ShowStyle style) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    switch (style) {
        case ShowStyle::Hidden: startup.wShowWindow = SW_HIDE; break;
        case ShowStyle::Normal: startup.wShowWindow = SW_SHOWNORMAL; break;
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

bool Win32Shell::Start(const std::string& commandLine, ShowStyle style) {
    STARTUPINFOW startup = StartupFor(style);
    std::wstring line = Wide(commandLine);
    line.push_back(L'\0');
    PROCESS_INFORMATION process{};
    const DWORD flags = style == ShowStyle::Hidden ? CREATE_NO_WINDOW : 0;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// The command interpreter of the last batch, and the job that holds it and
// everything it starts (null where no job could be had).
struct Win32Shell::BatchRun {
    HANDLE process = nullptr;
    HANDLE job = nullptr;
    BatchRun(HANDLE p, HANDLE j) : process(p), job(j) {}
    ~BatchRun() {
        CloseHandle(process);
        if (job != nullptr) CloseHandle(job);
    }
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;
};

Win32Shell::Win32Shell() = default;
Win32Shell::~Win32Shell() = default;

bool Win32Shell::StartBatch(const std::string& path, ShowStyle style) {
    const std::wstring folder = SystemFolder();
    if (folder.empty()) return false;
    const std::wstring interpreter = folder + L"\\cmd.exe";
    // With /S the interpreter drops the outer pair of quotes of ""file"" and
    // runs the quoted file name, blanks and all.
    std::wstring line = L"\"" + interpreter + L"\" /D /V:OFF /S /C \"\"" + Wide(path) + L"\"\"";
    line.push_back(L'\0');
    STARTUPINFOW startup = StartupFor(style);
    PROCESS_INFORMATION process{};
    // Suspended until it is in its job, so that nothing it starts escapes.
    const DWORD flags = CREATE_SUSPENDED | (style == ShowStyle::Hidden ? CREATE_NO_WINDOW : 0);
    if (!CreateProcessW(interpreter.c_str(), line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup,
                        &process))
        return false;
    // A program that runs inside a job itself gets no job of its own for the
    // batch on Windows before 8; EndBatch then ends the interpreter alone.
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job != nullptr && !AssignProcessToJobObject(job, process.hProcess)) {
        CloseHandle(job);
        job = nullptr;
    }
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    lastBatch_ = std::make_unique<BatchRun>(process.hProcess, job);
    return true;
}

void Win32Shell::EndBatch() {
    if (!lastBatch_) return;
    if (WaitForSingleObject(lastBatch_->process, 0) == WAIT_TIMEOUT) {
        if (lastBatch_->job != nullptr) TerminateJobObject(lastBatch_->job, 1);
        else TerminateProcess(lastBatch_->process, 1);
        WaitForSingleObject(lastBatch_->process, kBatchEndWaitMs);
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
    return answer == IDCANCEL ? kAnswerCancel : kAnswerOk;
}

namespace {
int g_pointer = kPointerDefault;
}

void Win32UserInterface::InitCommonControls() { ::InitCommonControls(); }

int Win32UserInterface::CurrentPointer() { return g_pointer; }

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

void Win32UserInterface::DoEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave the quit for the message loop that owns it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        HWND top = GetActiveWindow();
        if (top != nullptr && IsDialogMessageW(top, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

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

namespace {
std::wstring ModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}
}  // namespace

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

void Win32Program::EndNow() { ExitProcess(0); }

}  // namespace sw
