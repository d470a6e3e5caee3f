#include "win32/Win32RegistryWatch.h"

#include <utility>

#include "win32/WideText.h"
#include "win32/Win32Registry.h"

namespace sw {
namespace {

// What counts as a change: keys made or removed, values written or removed.
// A value written again with the same type and data is no change.
constexpr DWORD kFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;

// The watch whose looks the thread timer serves (the program has one).
Win32RegistryWatch* g_lookingWatch = nullptr;

}  // namespace

Win32RegistryWatch::~Win32RegistryWatch() { LookEvery({}); }

bool Win32RegistryWatch::Start(RegKey root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(ToHkey(root), Wide(path).c_str(), 0, KEY_NOTIFY, &key) != ERROR_SUCCESS) return false;
    key_.Reset(key);
    event_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    armed_ = event_ && Arm();
    return armed_;
}

bool Win32RegistryWatch::Arm() {
    // Asynchronous: the call returns at once and the event is set at the
    // next change anywhere below the key. The registration belongs to this
    // thread, the user interface's, which lives as long as the program.
    return RegNotifyChangeKeyValue(key_.Get(), TRUE, kFilter, event_.Get(), TRUE) == ERROR_SUCCESS;
}

bool Win32RegistryWatch::Changed() {
    if (armed_ && WaitForSingleObject(event_.Get(), 0) == WAIT_TIMEOUT) return false;
    // Renewed before the answer, so the comparison that follows the answer
    // reads everything a later change is reported after.
    armed_ = key_ && event_ && Arm();
    return true;
}

void Win32RegistryWatch::LookEvery(std::function<void()> onLook) {
    onLook_ = std::move(onLook);
    if (!onLook_) {
        if (timer_ != 0) KillTimer(nullptr, timer_);
        timer_ = 0;
        if (g_lookingWatch == this) g_lookingWatch = nullptr;
        return;
    }
    g_lookingWatch = this;
    if (timer_ == 0) timer_ = SetTimer(nullptr, 0, kRegistryLookMs, &Win32RegistryWatch::LookTimer);
}

void CALLBACK Win32RegistryWatch::LookTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_lookingWatch == nullptr || !g_lookingWatch->onLook_) return;
    // A copy: the look may stop the looking and so drop the function it runs.
    const std::function<void()> look = g_lookingWatch->onLook_;
    look();
}

}  // namespace sw
