// The Win32 side of the platform seams.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/AnsiCodec.h"
#include "platform/Platform.h"

namespace sw {

// Converts through the system's ANSI code page (CP_ACP).
class Win32Codec final : public AnsiCodec {
public:
    std::string ToAnsi(std::string_view utf8) const override;
    std::string FromAnsi(std::string_view ansi) const override;
    std::optional<std::string> ToAnsiExactly(std::string_view utf8) const override;
};

class Win32Files final : public Files {
public:
    bool Exists(const std::string& path) override;
    bool Copy(const std::string& from, const std::string& to) override;
    bool Delete(const std::string& path) override;
    bool Write(const std::string& path, const std::string& bytes) override;
    // Under path + ".part", flushed, then MoveFileEx with write-through.
    bool WriteWhole(const std::string& path, const std::string& bytes) override;
    bool Move(const std::string& from, const std::string& to) override;
    bool Read(const std::string& path, std::string& bytes) override;
    // Opened with no sharing at all, which fails while another handle is open.
    bool ReadUnshared(const std::string& path, std::string& bytes) override;
    // SetEndOfFile at keep, WriteFile, FlushFileBuffers.
    bool Append(const std::string& path, std::size_t keep, const std::string& bytes) override;
    // GetFileAttributesExW's last write, in the local time of that day.
    std::optional<LocalTime> LastWritten(const std::string& path) override;
    std::string ExpandEnvironment(const std::string& text) override;
};

class Win32Shell final : public Shell {
public:
    Win32Shell();
    ~Win32Shell() override;
    Win32Shell(const Win32Shell&) = delete;
    Win32Shell& operator=(const Win32Shell&) = delete;

    bool Start(const std::string& commandLine, ShowStyle style) override;
    // Keeps the program's handle and looks at it from a thread timer, whose
    // WM_TIMER the message loop and every yield dispatch.
    bool StartWatched(const std::string& commandLine, ShowStyle style, ProgramEnd onEnd) override;
    void FinishWatched(double maxSeconds) override;
    // Runs the system folder's cmd.exe (never one found beside the program or
    // in the current folder) in a job object of its own, so that EndBatch
    // can end it together with the "net" it started. Its output goes to a
    // temporary file that goes away with its last handle; its input is the
    // NUL device, so a program asking a question reads an end at once.
    bool StartBatch(const std::string& path, ShowStyle style, BatchEnd onEnd) override;
    void EndBatch() override;

private:
    struct BatchRun;
    struct Watch;
    static void CALLBACK WatchTimer(HWND, UINT, UINT_PTR, DWORD);
    // Runs the watch's onEnd when its program has ended.
    void PollWatch();
    static void CALLBACK BatchTimer(HWND, UINT, UINT_PTR, DWORD);
    // Runs the batch's onEnd with its output when the interpreter has ended.
    void PollBatch();
    std::unique_ptr<BatchRun> lastBatch_;
    std::unique_ptr<Watch> watch_;
};

class Win32Clock final : public Clock {
public:
    double SecondsSinceMidnight() override;
    Date Today() override;
};

class Win32MessageBoxes final : public MessageBoxes {
public:
    int Show(const std::string& text, const std::string& title, int flags) override;
};

class Win32UserInterface final : public UserInterface {
public:
    void InitCommonControls() override;
    void SetPointer(int pointer) override;
    // Through the program's message pump (win32/MessageLoop.h).
    void DoEvents() override;
    void Idle(double maxSeconds) override;
    // Applies the pointer the windows show while the mouse is over them
    // (WM_SETCURSOR); true when it is not their own.
    static bool ApplyPointer();
};

class Win32Program final : public Program {
public:
    VersionRecord Version() override;
    std::string Folder() override;
    std::string BaseName() override;
    std::string WindowsFolder() override;
    // A named mutex for the program folder; the running window is found by
    // its class and the folder's mark (MarkWindow).
    bool ClaimFolder(HeldFolder whenHeld) override;
    [[noreturn]] void EndNow() override;
    // Marks the main window with its program folder, so that a later start
    // in that folder finds it. Called once the window exists, before the
    // folder is claimed.
    void MarkWindow(HWND window);
};

}  // namespace sw
