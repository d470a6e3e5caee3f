#include "registry/MemoryRegistry.h"

#include <algorithm>
#include <cstring>

#include "platform/CaseFold.h"
#include "platform/Utf16.h"

namespace sw {
namespace {

// Names compare unit by unit, folded as the registry matches them.
int CompareNoCase(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t ca = FoldUnit(a[i]);
        const char16_t cb = FoldUnit(b[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// FNV-1a over the folded name's units.
std::uint32_t FoldedHash(std::u16string_view name) {
    std::uint32_t hash = 2166136261u;
    for (char16_t c : name) {
        const char16_t folded = FoldUnit(c);
        hash ^= static_cast<std::uint32_t>(folded & 0xFF);
        hash *= 16777619u;
        hash ^= static_cast<std::uint32_t>(folded >> 8);
        hash *= 16777619u;
    }
    return hash;
}

// The non-empty parts of a path between its separators, as views into it.
std::vector<std::u16string_view> SplitPath(std::u16string_view path) {
    std::vector<std::u16string_view> parts;
    std::size_t start = 0;
    for (std::size_t at = 0; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != u'\\') continue;
        if (at > start) parts.push_back(path.substr(start, at - start));
        start = at + 1;
    }
    return parts;
}

// Copies text with its NUL into a buffer of *length units; fails with
// ERROR_MORE_DATA when text and NUL do not fit.
long CopyName(const std::u16string& text, char16_t* buffer, std::uint32_t* length) {
    if (text.size() + 1 > *length) return kErrorMoreData;
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = u'\0';
    *length = static_cast<std::uint32_t>(text.size());
    return kErrorSuccess;
}

bool IsTextType(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

// UTF-8 text as UTF-16 little-endian bytes.
std::string Utf16Bytes(const std::string& text) {
    std::string bytes;
    for (const char16_t unit : ToUtf16(text)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

}  // namespace

std::string MemoryRegistry::Value::Utf8Data() const {
    if (!IsTextType(type)) return data;
    std::u16string units(data.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(data[2 * i]) |
                                         (static_cast<unsigned char>(data[2 * i + 1]) << 8));
    return FromUtf16(units);
}

std::size_t MemoryRegistry::Key::SlotOf(std::u16string_view childName, std::uint32_t hash) const {
    const std::size_t mask = byName_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = byName_[at];
        if (slot.key == nullptr || (slot.hash == hash && CompareNoCase(slot.key->name, childName) == 0)) return at;
    }
}

// child is already in children. The table is rebuilt (to at most a quarter
// full) when it would be more than half full.
void MemoryRegistry::Key::Index(Key* child) {
    if (children.size() * 2 > byName_.size()) {
        Reindex();
        return;
    }
    const std::uint32_t hash = FoldedHash(child->name);
    byName_[SlotOf(child->name, hash)] = Slot{hash, child};
}

void MemoryRegistry::Key::Reindex() {
    std::size_t capacity = 16;
    while (capacity < children.size() * 4) capacity *= 2;
    byName_.assign(capacity, Slot{});
    for (const auto& child : children) {
        const std::uint32_t hash = FoldedHash(child->name);
        byName_[SlotOf(child->name, hash)] = Slot{hash, child.get()};
    }
}

MemoryRegistry::Key* MemoryRegistry::Key::Child(std::u16string_view childName) const {
    if (byName_.empty()) return nullptr;
    return byName_[SlotOf(childName, FoldedHash(childName))].key;
}

MemoryRegistry::Key& MemoryRegistry::Key::AddChild(std::u16string_view childName) {
    if (Key* existing = Child(childName)) return *existing;
    auto it = std::lower_bound(children.begin(), children.end(), childName,
                               [](const auto& child, std::u16string_view n) { return CompareNoCase(child->name, n) < 0; });
    auto key = std::make_unique<Key>();
    key->name = childName;
    Key& added = **children.insert(it, std::move(key));
    Index(&added);
    return added;
}

void MemoryRegistry::Key::RemoveChild(std::u16string_view childName) {
    children.erase(std::remove_if(children.begin(), children.end(),
                                  [&](const auto& child) { return CompareNoCase(child->name, childName) == 0; }),
                   children.end());
    Reindex();
}

MemoryRegistry::Value* MemoryRegistry::Key::Find(std::u16string_view valueName) {
    for (auto& [n, v] : values)
        if (n.size() == valueName.size() && CompareNoCase(n, valueName) == 0) return &v;
    return nullptr;
}

MemoryRegistry::MemoryRegistry() {
    roots_[kHkeyLocalMachine] = std::make_unique<Key>();
    roots_[kHkeyCurrentUser] = std::make_unique<Key>();
}

MemoryRegistry::Key* MemoryRegistry::Root(RegKey root) const {
    auto it = roots_.find(root);
    return it == roots_.end() ? nullptr : it->second.get();
}

MemoryRegistry::Handle* MemoryRegistry::Lookup(RegKey key) {
    for (auto& [open, handle] : handles_)
        if (open == key) return &handle;
    return nullptr;
}

MemoryRegistry::Key* MemoryRegistry::OpenedOrRoot(RegKey root) {
    if (Handle* parent = Lookup(root)) return parent->key;
    return Root(root);
}

long MemoryRegistry::OpenKey(RegKey root, const char16_t* path, std::uint32_t access, RegKey* key) {
    ++openCalls_;
    Key* current = OpenedOrRoot(root);
    if (current == nullptr) return 6;  // ERROR_INVALID_HANDLE
    // The path's parts between its separators, walked without copies.
    const std::u16string_view parts = path ? std::u16string_view(path) : std::u16string_view();
    for (std::size_t start = 0; start < parts.size();) {
        const std::size_t end = std::min(parts.find(u'\\', start), parts.size());
        if (end > start) {
            current = current->Child(parts.substr(start, end - start));
            if (current == nullptr) return kErrorFileNotFound;
        }
        start = end + 1;
    }
    const bool wantsMoreThanRead = (access & ~kKeyRead) != 0;
    if (current->denyRead || (wantsMoreThanRead && current->denyFull)) return kErrorAccessDenied;
    const RegKey handle = nextHandle_++;
    handles_.emplace_back(handle, Handle{current, wantsMoreThanRead});
    *key = handle;
    return kErrorSuccess;
}

long MemoryRegistry::EnumKey(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength,
                             char16_t* className, std::uint32_t* classLength) {
    Handle* handle = Lookup(key);
    if (handle == nullptr) return 6;
    if (index >= handle->key->children.size()) return kErrorNoMoreItems;
    const Key& child = *handle->key->children[index];
    if (long r = CopyName(child.name, name, nameLength); r != kErrorSuccess) return r;
    if (className != nullptr && classLength != nullptr)
        if (long r = CopyName(child.className, className, classLength); r != kErrorSuccess) return r;
    return kErrorSuccess;
}

long MemoryRegistry::QueryValue(RegKey key, const char16_t* name, std::uint32_t* type, unsigned char* data,
                                std::uint32_t* size) {
    ++queryCalls_;
    Handle* handle = Lookup(key);
    if (handle == nullptr) return 6;
    Value* value = handle->key->Find(name ? std::u16string_view(name) : std::u16string_view());
    if (value == nullptr) return kErrorFileNotFound;
    if (type != nullptr) *type = value->type;
    const auto stored = static_cast<std::uint32_t>(value->data.size());
    if (data != nullptr) {
        if (size == nullptr) return 87;  // ERROR_INVALID_PARAMETER
        if (stored > *size) {
            *size = stored;
            return kErrorMoreData;
        }
        std::memcpy(data, value->data.data(), stored);
    }
    if (size != nullptr) *size = stored;
    return kErrorSuccess;
}

long MemoryRegistry::SetValue(RegKey key, const char16_t* name, std::uint32_t type, const unsigned char* data,
                              std::uint32_t size) {
    ++writeCalls_;
    Handle* handle = Lookup(key);
    if (handle == nullptr) return 6;
    if (!handle->writable) return kErrorAccessDenied;
    const std::u16string valueName = name ? name : u"";
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (Value* existing = handle->key->Find(valueName)) *existing = Value{type, std::move(bytes)};
    else handle->key->values.emplace_back(valueName, Value{type, std::move(bytes)});
    return kErrorSuccess;
}

long MemoryRegistry::CreateKey(RegKey root, const char16_t* path, std::uint32_t access, RegKey* key) {
    ++openCalls_;
    Key* current = OpenedOrRoot(root);
    if (current == nullptr) return 6;  // ERROR_INVALID_HANDLE
    const bool wantsMoreThanRead = (access & ~kKeyRead) != 0;
    const std::u16string_view parts = path ? std::u16string_view(path) : std::u16string_view();
    for (std::size_t start = 0; start < parts.size();) {
        const std::size_t end = std::min(parts.find(u'\\', start), parts.size());
        if (end > start) {
            const std::u16string_view part = parts.substr(start, end - start);
            Key* child = current->Child(part);
            if (child == nullptr) {
                // Creating a subkey needs a parent that may be written.
                if (current->denyRead || current->denyFull) return kErrorAccessDenied;
                ++writeCalls_;
                child = &current->AddChild(part);
            }
            current = child;
        }
        start = end + 1;
    }
    if (current->denyRead || (wantsMoreThanRead && current->denyFull)) return kErrorAccessDenied;
    const RegKey handle = nextHandle_++;
    handles_.emplace_back(handle, Handle{current, wantsMoreThanRead});
    *key = handle;
    return kErrorSuccess;
}

long MemoryRegistry::DeleteValue(RegKey key, const char16_t* name) {
    ++writeCalls_;
    Handle* handle = Lookup(key);
    if (handle == nullptr) return 6;
    if (!handle->writable) return kErrorAccessDenied;
    const std::u16string_view valueName = name ? std::u16string_view(name) : std::u16string_view();
    auto& values = handle->key->values;
    const auto it = std::find_if(values.begin(), values.end(), [&](const auto& value) {
        return CompareNoCase(value.first, valueName) == 0;
    });
    if (it == values.end()) return kErrorFileNotFound;
    values.erase(it);
    return kErrorSuccess;
}

void MemoryRegistry::CloseKey(RegKey key) {
    const auto it = std::find_if(handles_.begin(), handles_.end(), [key](const auto& open) { return open.first == key; });
    if (it == handles_.end()) return;
    *it = handles_.back();
    handles_.pop_back();
}

MemoryRegistry::Key& MemoryRegistry::CreateKey(RegKey root, const std::string& path) {
    Key* current = Root(root);
    const std::u16string wide = ToUtf16(path);
    for (const auto part : SplitPath(wide)) current = &current->AddChild(part);
    return *current;
}

MemoryRegistry::Key* MemoryRegistry::FindKey(RegKey root, const std::string& path) const {
    Key* current = Root(root);
    const std::u16string wide = ToUtf16(path);
    for (const auto part : SplitPath(wide)) {
        if (current == nullptr) return nullptr;
        current = current->Child(part);
    }
    return current;
}

void MemoryRegistry::SetRaw(RegKey root, const std::string& path, const std::string& name, std::uint32_t type,
                            const std::string& data) {
    Key& key = CreateKey(root, path);
    const std::u16string valueName = ToUtf16(name);
    Value value{type, IsTextType(type) ? Utf16Bytes(data) : data};
    if (Value* existing = key.Find(valueName)) *existing = std::move(value);
    else key.values.emplace_back(valueName, std::move(value));
}

void MemoryRegistry::SetString(RegKey root, const std::string& path, const std::string& name,
                               const std::string& text) {
    SetRaw(root, path, name, kRegSz, text + std::string(1, '\0'));
}

void MemoryRegistry::SetDword(RegKey root, const std::string& path, const std::string& name, std::uint32_t number) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
    SetRaw(root, path, name, kRegDword, bytes);
}

const MemoryRegistry::Value* MemoryRegistry::GetRaw(RegKey root, const std::string& path,
                                                    const std::string& name) const {
    Key* key = FindKey(root, path);
    return key == nullptr ? nullptr : key->Find(ToUtf16(name));
}

void MemoryRegistry::DeleteValue(RegKey root, const std::string& path, const std::string& name) {
    Key* key = FindKey(root, path);
    if (key == nullptr) return;
    const std::u16string valueName = ToUtf16(name);
    std::erase_if(key->values, [&](const auto& value) { return CompareNoCase(value.first, valueName) == 0; });
}

void MemoryRegistry::DeleteKey(RegKey root, const std::string& path) {
    const std::u16string wide = ToUtf16(path);
    auto parts = SplitPath(wide);
    if (parts.empty()) return;
    const std::u16string_view last = parts.back();
    parts.pop_back();
    Key* parent = Root(root);
    for (const auto& part : parts) {
        if (parent == nullptr) return;
        parent = parent->Child(part);
    }
    if (parent == nullptr) return;
    parent->RemoveChild(last);
}

}  // namespace sw

namespace sw {

long MemoryRegistry::LoadMuiString(RegKey key, const char16_t* name, char16_t* buffer, std::uint32_t bufferBytes,
                                   std::uint32_t* neededBytes) {
    ++loadMuiCalls_;
    Handle* handle = Lookup(key);
    if (handle == nullptr) return 6;
    const Value* value = handle->key->Find(name ? std::u16string_view(name) : std::u16string_view());
    if (value == nullptr) return kErrorFileNotFound;
    if (value->type != kRegSz && value->type != kRegExpandSz) return 13;  // ERROR_INVALID_DATA
    std::u16string stored;
    for (std::size_t i = 0; i + 1 < value->data.size(); i += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(value->data[i]) |
                                                static_cast<unsigned char>(value->data[i + 1]) << 8);
        if (unit == 0) break;
        stored += unit;
    }
    const auto found = indirect_.find(stored);
    if (found == indirect_.end()) return kErrorFileNotFound;
    const auto needed = static_cast<std::uint32_t>((found->second.size() + 1) * sizeof(char16_t));
    if (neededBytes != nullptr) *neededBytes = needed;
    if (buffer == nullptr || bufferBytes < needed) return kErrorMoreData;
    std::memcpy(buffer, found->second.c_str(), needed);
    return kErrorSuccess;
}

void MemoryRegistry::SetIndirect(const std::string& indirect, const std::string& resolved) {
    indirect_[ToUtf16(indirect)] = ToUtf16(resolved);
}

}  // namespace sw
