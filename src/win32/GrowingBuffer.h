// The wide calls that fill a caller's buffer and tell when it was too small
// (the folders, the module's path, an expanded text), asked through one loop.
#pragma once

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace sw {

// Calls fill(buffer, capacity) with a buffer that grows until the text fits.
// fill answers with the length of the text it wrote when that fit below the
// capacity, with the capacity it needs (or the capacity itself, for a call
// that only truncates) when it did not, and with nothing when the call
// failed, which is what GrowingRead gives then.
template <typename Fill>
std::optional<std::wstring> GrowingRead(std::size_t first, Fill fill) {
    std::vector<wchar_t> buffer(std::max<std::size_t>(first, 1));
    for (;;) {
        const std::optional<std::size_t> n = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (!n) return std::nullopt;
        if (*n < buffer.size()) return std::wstring(buffer.data(), *n);
        buffer.resize(std::max(*n, buffer.size() * 2));
    }
}

// The answer of a call that returns 0 for a failure.
inline std::optional<std::size_t> FailedAtZero(UINT n) {
    return n == 0 ? std::nullopt : std::optional<std::size_t>(n);
}

}  // namespace sw
