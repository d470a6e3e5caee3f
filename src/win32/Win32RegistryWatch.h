// The registry watch on advapi32: one RegNotifyChangeKeyValue registration
// over the whole subtree, signalling an event, renewed after each change.
#pragma once

#include <windows.h>

#include "registry/RegistryWatch.h"
#include "win32/KernelHandles.h"

namespace sw {

class Win32RegistryWatch final : public RegistryWatch {
public:
    Win32RegistryWatch() = default;
    ~Win32RegistryWatch() override;
    Win32RegistryWatch(const Win32RegistryWatch&) = delete;
    Win32RegistryWatch& operator=(const Win32RegistryWatch&) = delete;

    bool Start(RegKey root, const std::string& path) override;
    // Looks at the event without waiting (WaitForSingleObject, 0).
    bool Changed() override;
    // A thread timer, as the export's watch has: its WM_TIMER reaches the
    // callback from every message loop of the thread, the message boxes'
    // and dialogs' own included, with no second thread to hand a signal
    // over from.
    void LookEvery(std::function<void()> onLook) override;

private:
    static void CALLBACK LookTimer(HWND, UINT, UINT_PTR, DWORD);
    // Registers for the next change; false when the system refuses.
    bool Arm();

    RegistryKeyHandle key_;
    KernelHandle event_;  // auto-reset: a look that finds it set takes the signal
    bool armed_ = false;
    std::function<void()> onLook_;
    UINT_PTR timer_ = 0;
};

}  // namespace sw
