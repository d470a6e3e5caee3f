#include "servicecontrol/NetBatch.h"

#include "platform/Utf8.h"

namespace sw {
namespace {

const std::string kLineEnd = "\r\n";
const std::string kStars(69, '*');

}  // namespace

std::string NetBatchText(const std::string& command, const std::string& quotedName) {
    std::string text = "@echo off" + kLineEnd + "echo." + kLineEnd + "echo " + kStars + kLineEnd;
    if (command == "start") text += "echo SERVICES WERDEN GESTARTET" + kLineEnd;
    text += "echo " + kStars + kLineEnd + "echo." + kLineEnd;
    text += "net " + command + " \"" + quotedName + "\"" + kLineEnd;
    return text;
}

bool PassableInQuotes(const std::string& name) {
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || byte < 0x20 || byte == 0x7F) return false;
    }
    return Utf8Length(name) <= kLongestServiceName;
}

bool IsAscii(const std::string& name) {
    for (const char c : name)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string DoublePercents(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    for (const char c : name) {
        out += c;
        if (c == '%') out += '%';
    }
    return out;
}

}  // namespace sw
