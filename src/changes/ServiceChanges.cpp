#include "changes/ServiceChanges.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "catalogue/Lines.h"
#include "platform/CaseFold.h"
#include "platform/Utf16.h"

namespace sw {
namespace {

constexpr std::uint32_t kUserServiceBit = 0x40;
constexpr std::uint32_t kUserServiceInstanceBit = 0x80;
const std::string kParameters = "parameters";  // folded
const std::string kParametersKey = "Parameters";
const std::string kExportedServices = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services";

std::uint32_t TypeOf(const ServiceValues& service) {
    const FoundValue& type = service.values[IndexOf(ManagerField::Type)];
    return type.kind == FoundValue::Kind::Number ? type.number : 0;
}

// What an entry added or removed is to the per-user services.
enum class InstanceKind { None, Instance, NotAnInstance };

// The names of the values compared as an export names them (each by its
// own name, in its subkey or the entry's key), folded once.
struct FoldedNames {
    std::array<std::string, kComparedValues.size()> names;
    FoldedNames() {
        for (std::size_t i = 0; i < names.size(); ++i) names[i] = FoldCase(std::string(kComparedValues[i].name));
    }
    std::size_t Index(const std::string& valueName, bool inParameters) const {
        const std::string folded = FoldCase(valueName);
        for (std::size_t i = 0; i < names.size(); ++i)
            if (kComparedValues[i].subkey.empty() != inParameters && folded == names[i]) return i;
        return std::string::npos;
    }
};

bool EqualsFolded(std::u16string_view text, std::u16string_view folded) {
    if (text.size() != folded.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (FoldUnit(text[i]) != folded[i]) return false;
    return true;
}

// What the comparison needs of an export: the Services key (that the export
// holds it), each entry's key and its "Parameters" subkey, and of their
// values those compared. The names are the comparison's own, folded and
// widened once per read, so that the reader's UTF-16 names are matched
// without converting them.
class ServicesSelection final : public ExportSelection {
public:
    ServicesSelection()
        : services_(ToUtf16(FoldCase(kExportedServices))), parameters_(ToUtf16(kParameters)) {
        const FoldedNames folded;
        for (std::size_t i = 0; i < compared_.size(); ++i) {
            compared_[i] = ToUtf16(folded.names[i]);
            shortest_ = std::min(shortest_, compared_[i].size());
            longest_ = std::max(longest_, compared_[i].size());
        }
    }
    bool KeepsKey(std::u16string_view path) const override {
        const std::size_t prefix = services_.size();
        if (path.size() < prefix || !EqualsFolded(path.substr(0, prefix), services_)) return false;
        const std::u16string_view rest = path.substr(prefix);
        if (rest.empty()) return true;
        if (rest.front() != u'\\' || rest.size() == 1) return false;
        const std::size_t slash = rest.find(u'\\', 1);
        return slash == std::u16string_view::npos || EqualsFolded(rest.substr(slash + 1), parameters_);
    }
    bool KeepsValue(std::u16string_view name) const override {
        if (name.size() < shortest_ || name.size() > longest_) return false;
        for (const auto& folded : compared_)
            if (EqualsFolded(name, folded)) return true;
        return false;
    }

private:
    std::u16string services_;
    std::u16string parameters_;
    std::array<std::u16string, kComparedValues.size()> compared_;
    std::size_t shortest_ = std::u16string::npos;
    std::size_t longest_ = 0;
};

// What a restore needs of an export: the Services key and every key at or
// below the named entries, with all their values.
class SubtreesSelection final : public ExportSelection {
public:
    explicit SubtreesSelection(const std::vector<std::string>& keyNames)
        : services_(ToUtf16(FoldCase(kExportedServices))) {
        for (const auto& name : keyNames) entries_.push_back(ToUtf16(FoldCase(name)));
    }
    bool KeepsKey(std::u16string_view path) const override {
        const std::size_t prefix = services_.size();
        if (path.size() < prefix || !EqualsFolded(path.substr(0, prefix), services_)) return false;
        const std::u16string_view rest = path.substr(prefix);
        if (rest.empty()) return true;
        if (rest.front() != u'\\') return false;
        const std::u16string_view name = rest.substr(1, rest.find(u'\\', 1) - 1);
        for (const auto& entry : entries_)
            if (EqualsFolded(name, entry)) return true;
        return false;
    }
    bool KeepsValue(std::u16string_view) const override { return true; }

private:
    std::u16string services_;
    std::vector<std::u16string> entries_;
};

std::string EntryName(const ServiceValues& service) {
    const FoundValue& display = service.values[IndexOf(ManagerField::DisplayName)];
    if (display.kind == FoundValue::Kind::Text && !display.text.empty())
        return DisplayNameForShow(display.text, service.resolvedDisplayName);
    return service.keyName;
}

const FoundValue& ImagePathOf(const ServiceValues& service) {
    return service.values[IndexOf(ManagerField::ImagePath)];
}

ChangeKind KindOf(const FoundValue& before, const FoundValue& now) {
    if (before.kind == FoundValue::Kind::Absent) return ChangeKind::ValueAdded;
    if (now.kind == FoundValue::Kind::Absent) return ChangeKind::ValueRemoved;
    return ChangeKind::ValueChanged;
}

// A registry read as the comparison needs it: a text as stored, a number,
// or a value of another type.
FoundValue FoundFrom(std::optional<ValueHolder>&& value) {
    FoundValue found;
    if (!value) return found;
    if (auto* text = std::get_if<std::string>(&*value)) {
        found.kind = FoundValue::Kind::Text;
        // The read delivers the stored bytes and one blank beyond them.
        const auto nul = text->find('\0');
        text->resize(nul != std::string::npos ? nul : text->empty() ? 0 : text->size() - 1);
        found.text = std::move(*text);
    } else if (const auto number = AsInteger(*value)) {
        found.kind = FoundValue::Kind::Number;
        found.number = static_cast<std::uint32_t>(*number);
    } else {
        found.kind = FoundValue::Kind::Other;
    }
    return found;
}

// The rows of one entry: added, removed, or one per compared value that
// differs.
// notAnInstance marks an entry on one side only that carries the instance
// bit but is no instance of a template there.
void AddRows(const ServiceValues* before, const ServiceValues* now, bool notAnInstance,
             std::vector<ChangeRow>& rows) {
    if (!before) {
        rows.push_back({EntryName(*now), now->keyName, {ChangeKind::EntryAdded}, {}, ImagePathOf(*now), "",
                        notAnInstance});
        return;
    }
    if (!now) {
        rows.push_back({EntryName(*before), before->keyName, {ChangeKind::EntryRemoved}, ImagePathOf(*before), {}, "",
                        notAnInstance});
        return;
    }
    for (const ComparedValue& compared : kComparedValues) {
        const FoundValue& was = before->values[IndexOf(compared)];
        const FoundValue& is = now->values[IndexOf(compared)];
        if (was != is) rows.push_back({EntryName(*now), now->keyName, {KindOf(was, is), &compared}, was, is});
    }
}

}  // namespace

FoundValue FoundOf(const StoredValue& value) {
    FoundValue found;
    if (auto text = StoredText(value)) {
        found.kind = FoundValue::Kind::Text;
        found.text = std::move(*text);
    } else if (auto number = StoredNumber(value)) {
        found.kind = FoundValue::Kind::Number;
        found.number = *number;
    } else {
        found.kind = FoundValue::Kind::Other;
    }
    return found;
}

std::string PreviousExportPath(Program& program) { return program.Folder() + "\\" + program.BaseName() + ".tmr"; }
std::string ThisRunsExportPath(Program& program) { return program.Folder() + "\\" + program.BaseName() + ".reg"; }

std::string DisplayNameForShow(const std::string& text, const std::string& resolved) {
    return resolved.empty() ? text : resolved;
}

RegExport ReadServicesExport(std::string_view fileBytes) { return ReadRegExport(fileBytes, ServicesSelection()); }

RegExport ReadEntrySubtrees(std::string_view fileBytes, const std::vector<std::string>& keyNames) {
    return ReadRegExport(fileBytes, SubtreesSelection(keyNames));
}

bool HoldsServicesKey(const RegExport& file) {
    static const std::string servicesFolded = FoldCase(kExportedServices);
    return std::any_of(file.keys.begin(), file.keys.end(),
                       [](const ExportKey& key) { return !key.removed && FoldCase(key.path) == servicesFolded; });
}

std::optional<std::vector<ExportKey>> EntrySubtree(const RegExport& file, const std::string& keyName) {
    const std::string prefix = FoldCase(kExportedServices + "\\" + keyName);
    std::optional<std::vector<ExportKey>> subtree;
    for (const ExportKey& key : file.keys) {
        if (key.removed || key.path.size() < prefix.size()) continue;
        // Folding keeps every character's length, so the path splits where
        // its folded form does.
        const std::string folded = FoldCase(key.path);
        if (folded.compare(0, prefix.size(), prefix) != 0) continue;
        if (folded.size() > prefix.size() && folded[prefix.size()] != '\\') continue;
        if (!subtree) subtree.emplace();
        ExportKey relative = key;
        relative.path = folded.size() == prefix.size() ? std::string() : key.path.substr(prefix.size() + 1);
        subtree->push_back(std::move(relative));
    }
    // The entry's own key comes first, as the registry editor writes it.
    if (subtree && (subtree->empty() || !subtree->front().path.empty())) {
        const auto own = std::find_if(subtree->begin(), subtree->end(), [](const ExportKey& k) { return k.path.empty(); });
        if (own == subtree->end()) subtree->insert(subtree->begin(), ExportKey{});
        else std::rotate(subtree->begin(), own, own + 1);
    }
    return subtree;
}

std::optional<std::vector<ServiceValues>> ServicesInExport(const RegExport& file) {
    static const std::string servicesFolded = FoldCase(kExportedServices);
    const FoldedNames names;
    std::vector<ServiceValues> services;
    services.reserve(file.keys.size());  // never moves, so the map's views stay
    std::unordered_map<std::string_view, std::size_t> byKey;  // folded key name -> index
    byKey.reserve(file.keys.size());
    bool servicesKeyFound = false;
    std::string folded;
    for (const ExportKey& key : file.keys) {
        // Folding keeps every character's length, so the folded path and the
        // path split at the same places.
        folded = key.path;
        FoldInPlace(folded);
        if (folded.compare(0, servicesFolded.size(), servicesFolded) != 0) continue;
        const std::size_t restAt = servicesFolded.size();
        if (folded.size() == restAt) {
            servicesKeyFound = true;
            continue;
        }
        if (folded[restAt] != '\\' || folded.size() == restAt + 1) continue;
        const std::size_t nameAt = restAt + 1;
        const std::size_t slash = folded.find('\\', nameAt);
        const std::size_t nameEnd = slash == std::string::npos ? folded.size() : slash;
        bool inParameters = false;
        if (slash != std::string::npos) {
            // Only the Parameters subkey is read, for its ServiceDll.
            if (std::string_view(folded).substr(slash + 1) != kParameters) continue;
            inParameters = true;
        }
        const std::string_view foldedName = std::string_view(folded).substr(nameAt, nameEnd - nameAt);
        auto it = byKey.find(foldedName);
        if (it == byKey.end()) {
            services.emplace_back();
            services.back().keyName = key.path.substr(nameAt, nameEnd - nameAt);
            services.back().folded = foldedName;
            it = byKey.emplace(services.back().folded, services.size() - 1).first;
        }
        ServiceValues& service = services[it->second];
        for (const ExportValue& value : key.values) {
            const std::size_t index = names.Index(value.name, inParameters);
            if (index != std::string::npos) service.values[index] = FoundOf(value.stored);
        }
    }
    if (!servicesKeyFound) return std::nullopt;
    return services;
}

ServiceValues ReadServiceNow(Registry& registry, const std::string& keyName) {
    ServiceValues service;
    service.keyName = keyName;
    service.folded = FoldCase(keyName);
    const std::string path = ServiceKeyPath(keyName);
    // The entry's own values through one open of its key, an indirect
    // display name resolved through the same open; those of its "Parameters"
    // key through that key's own open.
    std::vector<std::string_view> own, sub;
    for (const ComparedValue& compared : kComparedValues)
        (compared.subkey.empty() ? own : sub).push_back(compared.name);
    auto read = registry.ReadValuesAndResolved(kHkeyLocalMachine, path, own, kParametersKey, sub);
    std::size_t ownAt = 0, subAt = 0;
    for (std::size_t i = 0; i < kComparedValues.size(); ++i)
        service.values[i] =
            FoundFrom(std::move(kComparedValues[i].subkey.empty() ? read.stored[ownAt++] : read.subkey[subAt++]));
    std::size_t displayAt = 0;  // the display name's place among the own values
    for (std::size_t i = 0; i < IndexOf(ManagerField::DisplayName); ++i)
        if (kComparedValues[i].subkey.empty()) ++displayAt;
    const auto& shown = read.resolved[displayAt];
    if (shown && !IsIndirect(shown)) service.resolvedDisplayName = CutAtNul(AsText(*shown));
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
    std::unordered_map<std::string_view, const ServiceValues*> byKey;
    byKey.reserve(before.size());
    for (const auto& service : before) byKey.emplace(service.folded, &service);
    for (auto& service : now) {
        const auto it = byKey.find(service.folded);
        if (it == byKey.end()) continue;
        std::string path;  // only for the few entries asked about
        for (std::size_t i = 0; i < kComparedValues.size(); ++i) {
            FoundValue& is = service.values[i];
            if (is.kind != FoundValue::Kind::Absent || it->second->values[i].kind == FoundValue::Kind::Absent) continue;
            if (path.empty()) path = ServiceKeyPath(service.keyName);
            const ComparedValue& compared = kComparedValues[i];
            const bool there = registry.ValueExists(
                kHkeyLocalMachine, compared.subkey.empty() ? path : path + "\\" + std::string(compared.subkey),
                std::string(compared.name));
            if (there) is.kind = FoundValue::Kind::Other;
        }
    }
}

void ResolveShownNames(Registry& registry, std::vector<ServiceValues>& now, std::vector<ChangeRow>& rows) {
    std::unordered_map<std::string_view, ServiceValues*> byKey;
    byKey.reserve(now.size());
    for (auto& service : now) byKey.emplace(service.folded, &service);
    const std::size_t displayName = IndexOf(ManagerField::DisplayName);
    std::unordered_set<const ServiceValues*> asked;  // an entry with several rows is read once
    for (ChangeRow& row : rows) {
        if (row.change.kind == ChangeKind::EntryRemoved) continue;
        const auto it = byKey.find(FoldCase(row.key));
        if (it == byKey.end()) continue;
        ServiceValues& service = *it->second;
        const FoundValue& stored = service.values[displayName];
        if (asked.insert(&service).second && stored.kind == FoundValue::Kind::Text && !stored.text.empty() &&
            stored.text.front() == '@') {
            // As ReadServiceNow resolves it: a text that stays indirect was
            // not resolved.
            const auto shown = registry.ReadShown(kHkeyLocalMachine, ServiceKeyPath(service.keyName),
                                                  std::string(kComparedValues[displayName].name));
            if (shown && !IsIndirect(shown)) service.resolvedDisplayName = CutAtNul(AsText(*shown));
        }
        row.entry = EntryName(service);
    }
}

bool IsInstanceOf(const ServiceValues& entry, const ServiceValues& templateEntry) {
    if ((TypeOf(templateEntry) & kUserServiceBit) == 0) return false;
    const std::size_t imagePath = IndexOf(ManagerField::ImagePath);
    if (entry.values[imagePath] != templateEntry.values[imagePath]) return false;
    for (const ComparedValue& compared : kComparedValues) {
        if (compared.risk != ValueRisk::Dll) continue;
        const std::size_t dll = IndexOf(compared);
        const FoundValue& own = entry.values[dll];
        if (own.kind != FoundValue::Kind::Absent && own != templateEntry.values[dll]) return false;
    }
    return true;
}

std::vector<ChangeRow> CompareServices(const std::vector<ServiceValues>& before,
                                       const std::vector<ServiceValues>& now, std::size_t* instancesLeftOut) {
    struct Pair {
        std::string_view folded;
        const ServiceValues* before = nullptr;
        const ServiceValues* now = nullptr;
        InstanceKind instance = InstanceKind::None;  // of an entry on one side only
    };
    std::vector<Pair> pairs;
    pairs.reserve(before.size() + now.size());
    std::unordered_map<std::string_view, std::size_t> byKey;
    byKey.reserve(before.size() + now.size());
    const auto add = [&](const ServiceValues& service, bool isBefore) {
        const auto [it, added] = byKey.try_emplace(service.folded, pairs.size());
        if (added) pairs.push_back(Pair{service.folded});
        Pair& pair = pairs[it->second];
        (isBefore ? pair.before : pair.now) = &service;
    };
    for (const auto& service : before) add(service, true);
    for (const auto& service : now) add(service, false);
    // Per-user instances added or removed, told by their template on the
    // same side, before the pairs move.
    const auto instanceKind = [&](const ServiceValues& service, bool isBefore) {
        if ((TypeOf(service) & kUserServiceInstanceBit) == 0) return InstanceKind::None;
        const std::size_t underscore = service.folded.rfind('_');
        if (underscore == std::string::npos || underscore == 0 || underscore + 1 == service.folded.size())
            return InstanceKind::NotAnInstance;
        const auto it = byKey.find(std::string_view(service.folded).substr(0, underscore));
        if (it == byKey.end()) return InstanceKind::NotAnInstance;
        const ServiceValues* model = isBefore ? pairs[it->second].before : pairs[it->second].now;
        return model != nullptr && IsInstanceOf(service, *model) ? InstanceKind::Instance
                                                                 : InstanceKind::NotAnInstance;
    };
    for (Pair& pair : pairs)
        if (!pair.before || !pair.now)
            pair.instance = instanceKind(pair.before ? *pair.before : *pair.now, pair.before != nullptr);
    std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.folded < b.folded; });

    std::size_t leftOut = 0;
    std::vector<ChangeRow> rows;
    for (const Pair& pair : pairs) {
        if (pair.instance == InstanceKind::Instance) {
            ++leftOut;
            continue;
        }
        AddRows(pair.before, pair.now, pair.instance == InstanceKind::NotAnInstance, rows);
    }
    if (instancesLeftOut != nullptr) *instancesLeftOut = leftOut;
    return rows;
}

}  // namespace sw
