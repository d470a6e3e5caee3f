#include "win32/Win32EventLog.h"

#include <windows.h>

#include "win32/KernelHandles.h"
#include "win32/ProgramFolders.h"
#include "win32/Win32Platform.h"
#include "win32/Win32ServiceManager.h"
#include "win32/WideText.h"

namespace sw {
namespace {

// A registered event source, given back with DeregisterEventSource.
struct EventSourceTraits {
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE handle) { DeregisterEventSource(handle); }
};
using EventSource = HandleOwner<EventSourceTraits>;

// The error of a call that failed, never 0, which would read as success.
std::uint32_t LastError() {
    const DWORD error = GetLastError();
    return error != 0 ? error : ERROR_GEN_FAILURE;
}

}  // namespace

std::string Win32EventLog::MessageFile() { return Utf8(ModulePath()); }

std::uint32_t Win32EventLog::Report(const std::string& source, const std::vector<Event>& events) {
    if (events.empty()) return 0;
    EventSource handle(RegisterEventSourceW(nullptr, Wide(source).c_str()));
    if (!handle) return LastError();
    for (const Event& event : events) {
        std::vector<std::wstring> texts;
        texts.reserve(event.inserts.size());
        for (const std::string& insert : event.inserts) texts.push_back(Wide(insert));
        std::vector<LPCWSTR> pointers;
        for (const std::wstring& text : texts) pointers.push_back(text.c_str());
        if (!ReportEventW(handle.Get(), static_cast<WORD>(event.type), 0, event.id, nullptr,
                          static_cast<WORD>(pointers.size()), 0, pointers.empty() ? nullptr : pointers.data(), nullptr))
            return LastError();
    }
    return 0;
}

std::string Win32EventLog::SystemMessage(std::uint32_t error) { return SystemErrorText(error); }

}  // namespace sw
