// Export files for the tests, written as the registry editor writes them:
// UTF-16LE with a byte-order mark, from UTF-8 text given with CR LF line ends.
#pragma once

#include <cstdint>
#include <string>

namespace sw::test {

inline std::string Utf16File(const std::string& utf8, bool withBom = true) {
    std::string out = withBom ? std::string("\xFF\xFE") : std::string();
    out.reserve(out.size() + utf8.size() * 2);
    const auto unit = [&out](std::uint32_t u) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::uint32_t cp = lead;
        std::size_t length = 1;
        if (lead >= 0xF0) cp = lead & 0x07, length = 4;
        else if (lead >= 0xE0) cp = lead & 0x0F, length = 3;
        else if (lead >= 0xC0) cp = lead & 0x1F, length = 2;
        for (std::size_t k = 1; k < length; ++k) cp = cp << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += length;
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

inline const std::string kExportHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
inline const std::string kServicesSection = "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services]\r\n\r\n";

// An export of the Services key whose sections follow.
inline std::string ServicesExport(const std::string& sections) {
    return Utf16File(kExportHeader + kServicesSection + sections);
}

}  // namespace sw::test
