#include "registry/StoredValue.h"

#include "platform/Utf16.h"
#include "registry/RegistryApi.h"

namespace sw {

std::optional<std::string> StoredText(const StoredValue& value) {
    const std::string& data = value.data;
    if ((value.type != kRegSz && value.type != kRegExpandSz) || data.size() % 2 != 0) return std::nullopt;
    std::size_t end = 0;
    while (end < data.size() && (data[end] != 0 || data[end + 1] != 0)) end += 2;
    return FromUtf16Le(std::string_view(data).substr(0, end));
}

std::optional<std::uint32_t> StoredNumber(const StoredValue& value) {
    const std::string& data = value.data;
    const bool dword = value.type == kRegDword && data.size() == 4;
    const bool shortBinary = value.type == kRegBinary && data.size() <= 4;
    if (!dword && !shortBinary) return std::nullopt;
    std::uint32_t number = 0;
    for (std::size_t i = data.size(); i-- > 0;) number = number << 8 | static_cast<unsigned char>(data[i]);
    return number;
}

}  // namespace sw
