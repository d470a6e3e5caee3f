// Changes below one registry key while the program runs. The system tells a
// watcher that something below the key changed (a value written, a key made
// or removed), not what: the watcher learns only whether to look again.
// Win32: win32/Win32RegistryWatch (RegNotifyChangeKeyValue); the tests use
// a fake (tests/unit/Fakes.h).
#pragma once

#include <functional>
#include <string>

#include "registry/RegistryApi.h"

namespace sw {

class RegistryWatch {
public:
    virtual ~RegistryWatch() = default;

    // Starts watching root\path (UTF-8) and every key below it. False when
    // the key cannot be opened or watched; Changed then always answers true.
    virtual bool Start(RegKey root, const std::string& path) = 0;

    // Whether anything below the key changed since Start or the last call
    // that answered true. The watch is renewed before the answer, so a
    // change made after it is never missed. True as well when the watch was
    // lost and could not be renewed: a caller never trusts a state it can no
    // longer watch.
    virtual bool Changed() = 0;

    // Calls onLook on the user-interface thread, from the message loop and
    // every yield, about every kRegistryLookMs, until called again with an
    // empty function. Looking costs a little each time, so it runs only while
    // someone wants to know at once.
    virtual void LookEvery(std::function<void()> onLook) = 0;
};

inline constexpr unsigned kRegistryLookMs = 250;

}  // namespace sw
