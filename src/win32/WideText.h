// UTF-8 <-> UTF-16 for the wide Windows calls. Embedded NULs pass through,
// and so does a lone surrogate (see platform/Utf16.h).
#pragma once

#include <string>
#include <string_view>

namespace sw {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace sw
