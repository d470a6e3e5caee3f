// The end-to-end driver: a console program that runs beside Merotan.exe in
// the same Wine prefix and works it from outside, through window messages
// and synthesized input, the way a user's clicks and keys arrive. It reads
// one JSON command per line on stdin and answers one JSON line on stdout.
#pragma once

#include <windows.h>

#include <string>

#include "Json.h"

namespace e2e {

// A command that cannot be carried out; its text goes back as "error".
struct Failure {
    std::wstring message;
};

[[noreturn]] inline void Fail(const std::wstring& message) { throw Failure{message}; }

// The program under test, once it is known.
struct Target {
    DWORD pid = 0;
    HANDLE process = nullptr;
};
Target& Program();

// Milliseconds for SendMessageTimeout to the program: a program that does
// not answer in this time is reported as hung instead of hanging the driver.
constexpr UINT kSendTimeoutMs = 10000;

std::wstring Hex(const BYTE* data, size_t size);
std::wstring ToWide(const std::string& s);

// Handlers, one per command, grouped by what they work on.
Json CmdAttach(const Json& a);
Json CmdLaunch(const Json& a);
Json CmdWaitExit(const Json& a);
Json CmdScreen(const Json& a);
Json CmdFindProcesses(const Json& a);
Json CmdProcessWindows(const Json& a);
Json CmdKill(const Json& a);

Json CmdListView(const Json& a);
Json CmdColumnClick(const Json& a);
Json CmdSysCommand(const Json& a);
Json CmdSetText(const Json& a);

Json CmdWaitWindow(const Json& a);
Json CmdWindows(const Json& a);
Json CmdControl(const Json& a);
Json CmdChildren(const Json& a);
Json CmdList(const Json& a);
Json CmdWaitSelected(const Json& a);
Json CmdFocus(const Json& a);
Json CmdMessageBox(const Json& a);
Json CmdAnswer(const Json& a);
Json CmdClose(const Json& a);

Json CmdKeys(const Json& a);
Json CmdClick(const Json& a);
Json CmdSelect(const Json& a);
Json CmdDoubleClick(const Json& a);
Json CmdSync(const Json& a);

Json CmdRegGet(const Json& a);
Json CmdRegKeys(const Json& a);
Json CmdRegTree(const Json& a);
Json CmdRegSet(const Json& a);
Json CmdRegSeed(const Json& a);
Json CmdSortLines(const Json& a);
Json CmdTextExtent(const Json& a);
Json CmdRegDeleteKey(const Json& a);
Json CmdRegDacl(const Json& a);
Json CmdRegOpen(const Json& a);

Json CmdServiceCreate(const Json& a);
Json CmdServiceState(const Json& a);
Json CmdServiceConfig(const Json& a);
Json CmdWaitService(const Json& a);
Json CmdWaitServiceManager(const Json& a);
Json CmdProcesses(const Json& a);

// Window lookup shared by the handlers.
HWND FindTop(const Json& a, bool required = true);  // "window": root | settings | msgbox | a class name
HWND FindControl(const Json& a);                     // FindTop + "id"
HWND ProgramWindow();                                // the main window, else any shown one of the program
std::wstring ClassOf(HWND hwnd);
std::wstring TextOf(HWND hwnd);
LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
RECT RectInTopClient(HWND hwnd);

}  // namespace e2e
