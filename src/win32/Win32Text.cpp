#include "win32/Win32Platform.h"

#include <windows.h>

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

}  // namespace sw
