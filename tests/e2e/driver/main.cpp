// The driver's command loop: one JSON object per line in, one per line out.
//   in:  {"cmd": "list", "window": "root", "id": 100}
//   out: {"ok": true, ...}  or  {"ok": false, "error": "..."}
#include <map>

#include "Driver.h"

namespace e2e {

Target& Program() {
    static Target target;
    return target;
}

std::wstring Hex(const BYTE* data, size_t size) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring out;
    out.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

std::wstring ToWide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

namespace {

using Handler = Json (*)(const Json&);

const std::map<std::wstring, Handler>& Handlers() {
    static const std::map<std::wstring, Handler> handlers = {
        {L"attach", CmdAttach},         {L"launch", CmdLaunch},
        {L"wait_exit", CmdWaitExit},    {L"screen", CmdScreen},
        {L"wait_window", CmdWaitWindow}, {L"windows", CmdWindows},
        {L"control", CmdControl},       {L"children", CmdChildren},
        {L"list", CmdList},             {L"wait_selected", CmdWaitSelected},
        {L"focus", CmdFocus},           {L"msgbox", CmdMessageBox},
        {L"answer", CmdAnswer},         {L"close", CmdClose},
        {L"keys", CmdKeys},             {L"click", CmdClick},
        {L"select", CmdSelect},         {L"dblclick", CmdDoubleClick},
        {L"sync", CmdSync},
        {L"reg_get", CmdRegGet},        {L"reg_keys", CmdRegKeys},
        {L"reg_tree", CmdRegTree},      {L"reg_set", CmdRegSet},
        {L"reg_delete_key", CmdRegDeleteKey}, {L"reg_dacl", CmdRegDacl},
        {L"reg_open", CmdRegOpen},     {L"reg_seed", CmdRegSeed},
        {L"sort_lines", CmdSortLines},
        {L"text_extent", CmdTextExtent},
        {L"service_create", CmdServiceCreate}, {L"service_state", CmdServiceState},
        {L"service_config", CmdServiceConfig},
        {L"wait_service", CmdWaitService}, {L"wait_service_manager", CmdWaitServiceManager},
        {L"processes", CmdProcesses},
        {L"find_processes", CmdFindProcesses}, {L"process_windows", CmdProcessWindows},
        {L"kill", CmdKill},
        {L"listview", CmdListView},     {L"column_click", CmdColumnClick},
        {L"syscommand", CmdSysCommand}, {L"set_text", CmdSetText},
    };
    return handlers;
}

void WriteLine(const std::string& line) {
    static HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    std::string data = line + "\n";
    const char* p = data.data();
    DWORD left = static_cast<DWORD>(data.size());
    while (left > 0) {
        DWORD written = 0;
        if (!WriteFile(out, p, left, &written, nullptr) || written == 0) ExitProcess(3);
        p += written;
        left -= written;
    }
}

// Reads one line from stdin; false at the end of input.
bool ReadLine(std::string& line) {
    static HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    static std::string pending;
    for (;;) {
        const auto newline = pending.find('\n');
        if (newline != std::string::npos) {
            line = pending.substr(0, newline);
            pending.erase(0, newline + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        char buffer[65536];
        DWORD got = 0;
        if (!ReadFile(in, buffer, sizeof buffer, &got, nullptr) || got == 0) {
            if (pending.empty()) return false;
            line.swap(pending);
            pending.clear();
            return true;
        }
        pending.append(buffer, got);
    }
}

Json Run(const std::string& line) {
    Json command;
    try {
        command = Json::Parse(line);
    } catch (const std::exception& e) {
        Fail(L"bad command: " + ToWide(e.what()));
    }
    const std::wstring name = command.Get("cmd").String();
    const auto& handlers = Handlers();
    const auto it = handlers.find(name);
    if (it == handlers.end()) Fail(L"unknown command: " + name);
    return it->second(command);
}

}  // namespace
}  // namespace e2e

int main() {
    using namespace e2e;
    // The driver never shows a window and must not take the foreground.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    // The pointer waits in the screen's bottom-right corner, away from the
    // program's window, so that it never lies over a control by chance.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    WriteLine(R"({"ok":true,"ready":true})");
    std::string line;
    while (ReadLine(line)) {
        if (line.empty()) continue;
        if (line == R"({"cmd":"quit"})" || line == "quit") break;
        Json reply;
        try {
            reply = Run(line);
            if (reply.kind() != Json::Kind::Object) reply = Json::Object();
            if (!reply.Has("ok")) reply["ok"] = true;
        } catch (const Failure& f) {
            reply = Json::Object();
            reply["ok"] = false;
            reply["error"] = f.message;
        } catch (const std::exception& e) {
            reply = Json::Object();
            reply["ok"] = false;
            reply["error"] = ToWide(e.what());
        }
        WriteLine(reply.Dump());
    }
    return 0;
}
