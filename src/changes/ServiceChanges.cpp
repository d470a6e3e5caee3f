#include "changes/ServiceChanges.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <unordered_map>

#include "catalogue/Lines.h"
#include "platform/Utf16.h"

namespace sw {
namespace {

constexpr std::size_t kStartIndex = 0;
constexpr std::size_t kServiceDllIndex = 8;
const std::string kServiceDll = "ServiceDll";
const std::string kParameters = "parameters";  // folded
const std::string kExportedServices = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services";

// Decodes one UTF-8 sequence at text[at]; a broken byte stands for itself.
std::uint32_t NextCodePointOrByte(const std::string& text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || at + length > text.size()) {
        ++at;
        return 0x80000000u | lead;
    }
    std::uint32_t cp = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            ++at;
            return 0x80000000u | lead;
        }
        cp = cp << 6 | (byte(at + i) & 0x3F);
    }
    at += length;
    return cp;
}

std::uint32_t FoldCodePoint(std::uint32_t cp) {
    if (cp >= 'A' && cp <= 'Z') return cp + 32;
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;
    // Latin Extended-A pairs each capital with the small letter after it;
    // the pairs start at even code points, but at odd ones from U+0139 to
    // U+0148 and from U+0179 on.
    if (cp == 0x178) return 0xFF;
    if ((cp >= 0x100 && cp <= 0x137) || (cp >= 0x14A && cp <= 0x177)) return cp % 2 == 0 ? cp + 1 : cp;
    if ((cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E)) return cp % 2 == 1 ? cp + 1 : cp;
    if (cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2) return cp + 32;
    if (cp >= 0x410 && cp <= 0x42F) return cp + 32;
    if (cp >= 0x400 && cp <= 0x40F) return cp + 80;
    return cp;
}

// Appends a decoded code point, or the broken byte it stands for.
void AppendDecoded(std::string& out, std::uint32_t cp) {
    if (cp & 0x80000000u)
        out.push_back(static_cast<char>(cp & 0xFF));
    else
        AppendUtf8(out, cp);
}

FoundValue FromExport(const ExportValue& value) {
    FoundValue found;
    if (auto text = ExportText(value)) {
        found.kind = FoundValue::Kind::Text;
        found.text = std::move(*text);
    } else if (auto number = ExportNumber(value)) {
        found.kind = FoundValue::Kind::Number;
        found.number = *number;
    } else {
        found.kind = FoundValue::Kind::Other;
    }
    return found;
}

// The value names folded once, for matching the export's value names.
struct FoldedNames {
    std::array<std::string, 9> names;
    FoldedNames() {
        for (std::size_t i = 0; i < kServiceDllIndex; ++i) names[i] = FoldCase(kComparedValues[i]);
        names[kServiceDllIndex] = FoldCase(kServiceDll);
    }
    std::size_t Index(const std::string& valueName, bool inParameters) const {
        const std::string folded = FoldCase(valueName);
        if (inParameters) return folded == names[kServiceDllIndex] ? kServiceDllIndex : std::string::npos;
        for (std::size_t i = 0; i < kServiceDllIndex; ++i)
            if (folded == names[i]) return i;
        return std::string::npos;
    }
};

bool IsFoldedPrefix(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && FoldCase(text.substr(0, prefix.size())) == FoldCase(prefix);
}

std::string EntryName(const ServiceValues& service) {
    const FoundValue& display = service.values[kDisplayNameIndex];
    if (display.kind == FoundValue::Kind::Text && !display.text.empty())
        return DisplayNameForShow(display.text, service.resolvedDisplayName);
    return service.keyName;
}

std::string ImagePathShown(const ServiceValues& service) {
    const FoundValue& image = service.values[kImagePathIndex];
    return image.kind == FoundValue::Kind::Absent ? std::string() : ShownValue(kImagePathIndex, image);
}

// A registry read as the comparison needs it: a text as stored, a number,
// or a value of another type.
FoundValue FoundFrom(const std::optional<ValueHolder>& value) {
    FoundValue found;
    if (!value) return found;
    if (const auto* text = std::get_if<std::string>(&*value)) {
        found.kind = FoundValue::Kind::Text;
        // The read delivers the stored bytes and one blank beyond them.
        const auto nul = text->find('\0');
        found.text = nul != std::string::npos ? text->substr(0, nul)
                                              : text->substr(0, text->empty() ? 0 : text->size() - 1);
    } else if (const auto number = AsInteger(*value)) {
        found.kind = FoundValue::Kind::Number;
        found.number = static_cast<std::uint32_t>(*number);
    } else {
        found.kind = FoundValue::Kind::Other;
    }
    return found;
}

}  // namespace

std::string DisplayNameForShow(const std::string& text, const std::string& resolved) {
    return resolved.empty() ? text : resolved;
}

std::string FoldCase(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        // Most names are ASCII: a byte below 0x80 is a whole code point.
        const auto byte = static_cast<unsigned char>(utf8[at]);
        if (byte < 0x80) {
            out += static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + 32 : byte);
            ++at;
        } else {
            AppendDecoded(out, FoldCodePoint(NextCodePointOrByte(utf8, at)));
        }
    }
    return out;
}

std::string ShownValue(std::size_t valueIndex, const FoundValue& value) {
    switch (value.kind) {
        case FoundValue::Kind::Absent: return kValueAbsent;
        case FoundValue::Kind::Other: return kValueOtherType;
        case FoundValue::Kind::Text: return value.text;
        case FoundValue::Kind::Number: break;
    }
    if (valueIndex == kStartIndex) return PrintedStartLabel(value.number);
    char text[32];
    std::snprintf(text, sizeof text, "0x%08x (%u)", static_cast<unsigned>(value.number),
                  static_cast<unsigned>(value.number));
    return text;
}

std::optional<std::vector<ServiceValues>> ServicesInExport(const RegExport& file) {
    const std::string servicesFolded = FoldCase(kExportedServices);
    const FoldedNames names;
    std::vector<ServiceValues> services;
    std::unordered_map<std::string, std::size_t> byKey;  // folded key name -> index
    bool servicesKeyFound = false;
    const auto entry = [&](const std::string& keyName) -> ServiceValues& {
        const auto [it, added] = byKey.try_emplace(FoldCase(keyName), services.size());
        if (added) services.push_back(ServiceValues{keyName, {}, {}});
        return services[it->second];
    };
    for (const ExportKey& key : file.keys) {
        if (!IsFoldedPrefix(key.path, kExportedServices)) continue;
        const std::string rest = key.path.substr(kExportedServices.size());
        if (rest.empty()) {
            servicesKeyFound = true;
            continue;
        }
        if (rest.front() != '\\' || rest.size() == 1) continue;
        const std::string below = rest.substr(1);
        const std::size_t slash = below.find('\\');
        const std::string keyName = below.substr(0, slash);
        bool inParameters = false;
        if (slash != std::string::npos) {
            // Only the Parameters subkey is read, for its ServiceDll.
            if (FoldCase(below.substr(slash + 1)) != kParameters) continue;
            inParameters = true;
        }
        ServiceValues& service = entry(keyName);
        for (const ExportValue& value : key.values) {
            const std::size_t index = names.Index(value.name, inParameters);
            if (index != std::string::npos) service.values[index] = FromExport(value);
        }
    }
    if (!servicesKeyFound) return std::nullopt;
    return services;
}

ServiceValues ReadServiceNow(Registry& registry, const std::string& keyName) {
    ServiceValues service{keyName, {}, {}};
    const std::string path = ServiceKeyPath(keyName);
    // The entry's own values through one open of its key, in the order of
    // kComparedValues; the service DLL below its "Parameters" key.
    const auto values = registry.ReadValues(kHkeyLocalMachine, path,
                                            {"Start", "DelayedAutostart", "Type", "ImagePath", "ObjectName",
                                             "FailureCommand", "DisplayName", "Group"});
    static_assert(kServiceDllIndex == 8, "one read per compared value of the entry's own key");
    for (std::size_t i = 0; i < kServiceDllIndex; ++i) service.values[i] = FoundFrom(values[i]);
    service.values[kServiceDllIndex] = FoundFrom(registry.Read(kHkeyLocalMachine, path + "\\Parameters", kServiceDll));
    // Only an indirect display name costs another read, to show it resolved.
    if (IsIndirect(values[kDisplayNameIndex])) {
        const auto shown = registry.ReadShown(kHkeyLocalMachine, path, "DisplayName");
        if (shown && !IsIndirect(shown)) service.resolvedDisplayName = CutAtNul(AsText(*shown));
    }
    return service;
}

std::optional<std::vector<ServiceValues>> ServicesNow(Registry& registry) {
    std::vector<std::string> names;
    const std::int32_t count = registry.EnumSubKeys(kHkeyLocalMachine, kServicesPath, kKeyRead, names);
    // A Services key without entries is no system's; 0 is the listing failing.
    if (count <= 0) return std::nullopt;
    std::vector<ServiceValues> services;
    services.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) services.push_back(ReadServiceNow(registry, names[static_cast<std::size_t>(i)]));
    return services;
}

void RecheckAbsent(Registry& registry, const std::vector<ServiceValues>& before, std::vector<ServiceValues>& now) {
    std::unordered_map<std::string, const ServiceValues*> byKey;
    for (const auto& service : before) byKey.emplace(FoldCase(service.keyName), &service);
    for (auto& service : now) {
        const auto it = byKey.find(FoldCase(service.keyName));
        if (it == byKey.end()) continue;
        const std::string path = ServiceKeyPath(service.keyName);
        for (std::size_t i = 0; i < kComparedValues.size(); ++i) {
            FoundValue& is = service.values[i];
            if (is.kind != FoundValue::Kind::Absent || it->second->values[i].kind == FoundValue::Kind::Absent) continue;
            const bool there = i == kServiceDllIndex
                                   ? registry.ValueExists(kHkeyLocalMachine, path + "\\Parameters", kServiceDll)
                                   : registry.ValueExists(kHkeyLocalMachine, path, kComparedValues[i]);
            if (there) is.kind = FoundValue::Kind::Other;
        }
    }
}

std::vector<ChangeRow> CompareServices(const std::vector<ServiceValues>& before,
                                       const std::vector<ServiceValues>& now) {
    struct Pair {
        std::string folded;
        const ServiceValues* before = nullptr;
        const ServiceValues* now = nullptr;
    };
    std::vector<Pair> pairs;
    pairs.reserve(before.size() + now.size());
    std::unordered_map<std::string, std::size_t> byKey;
    const auto add = [&](const ServiceValues& service, bool isBefore) {
        std::string folded = FoldCase(service.keyName);
        const auto [it, added] = byKey.try_emplace(folded, pairs.size());
        if (added) pairs.push_back(Pair{std::move(folded)});
        Pair& pair = pairs[it->second];
        (isBefore ? pair.before : pair.now) = &service;
    };
    for (const auto& service : before) add(service, true);
    for (const auto& service : now) add(service, false);
    std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.folded < b.folded; });

    std::vector<ChangeRow> rows;
    for (const Pair& pair : pairs) {
        if (!pair.before) {
            rows.push_back({EntryName(*pair.now), pair.now->keyName, kEntryAdded, "", ImagePathShown(*pair.now)});
            continue;
        }
        if (!pair.now) {
            rows.push_back(
                {EntryName(*pair.before), pair.before->keyName, kEntryRemoved, ImagePathShown(*pair.before), ""});
            continue;
        }
        for (std::size_t i = 0; i < kComparedValues.size(); ++i) {
            const FoundValue& was = pair.before->values[i];
            const FoundValue& is = pair.now->values[i];
            if (was == is) continue;
            rows.push_back({EntryName(*pair.now), pair.now->keyName, kComparedValues[i], ShownValue(i, was),
                            ShownValue(i, is)});
        }
    }
    return rows;
}

}  // namespace sw
