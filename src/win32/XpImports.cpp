// Windows XP has no GetTickCount64 (Vista and later), yet the posix thread
// runtime that mingw-w64 links statically imports it for its timed waits,
// and a program with that import does not load on XP at all. This file
// defines the import slot the runtime calls through, so the linker takes it
// instead of kernel32's entry: it calls the system's GetTickCount64 where
// there is one and otherwise extends GetTickCount to 64 bits.
//
// It must be linked into the executable as an object file (not from a
// library), so that its definition is there before the import libraries
// are searched. Other compilers link no such runtime and need nothing here.
#if defined(__MINGW32__)

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace {

using TickCount64 = ULONGLONG(WINAPI*)();

// GetTickCount with the wraps it made since the last call counted: right as
// long as some thread asks at least once every 49.7 days, which a waiting
// runtime does.
ULONGLONG WINAPI TickCountExtended() {
    static std::atomic<std::uint64_t> last{0};
    std::uint64_t seen = last.load();
    for (;;) {
        const std::uint64_t now = GetTickCount();
        std::uint64_t next = (seen & ~std::uint64_t{0xFFFFFFFF}) | now;
        if (next < seen) next += std::uint64_t{1} << 32;
        if (last.compare_exchange_weak(seen, next)) return next;
    }
}

ULONGLONG WINAPI TickCount64OrFallback() {
    static const TickCount64 system = reinterpret_cast<TickCount64>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64")));
    return system != nullptr ? system() : TickCountExtended();
}

}  // namespace

// The import slot by its linker name (stdcall decoration on 32-bit x86).
#if defined(_WIN64)
extern "C" TickCount64 swGetTickCount64Slot __asm__("__imp_GetTickCount64");
#else
extern "C" TickCount64 swGetTickCount64Slot __asm__("__imp__GetTickCount64@0");
#endif
extern "C" TickCount64 swGetTickCount64Slot = TickCount64OrFallback;

#endif  // __MINGW32__
