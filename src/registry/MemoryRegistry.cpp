#include "registry/MemoryRegistry.h"

#include <algorithm>
#include <cstring>

namespace sw {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int CompareNoCase(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(Lower(a[i]));
        const auto cb = static_cast<unsigned char>(Lower(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// FNV-1a over the lower-case name.
std::uint32_t FoldedHash(const std::string& name) {
    std::uint32_t hash = 2166136261u;
    for (char c : name) {
        hash ^= static_cast<unsigned char>(Lower(c));
        hash *= 16777619u;
    }
    return hash;
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

// Copies text with its NUL into a buffer of *length characters; fails with
// ERROR_MORE_DATA when text and NUL do not fit.
long CopyName(const std::string& text, char* buffer, std::uint32_t* length) {
    if (text.size() + 1 > *length) return kErrorMoreData;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    *length = static_cast<std::uint32_t>(text.size());
    return kErrorSuccess;
}

}  // namespace

std::size_t MemoryRegistry::Key::SlotOf(const std::string& childName, std::uint32_t hash) const {
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

MemoryRegistry::Key* MemoryRegistry::Key::Child(const std::string& childName) const {
    if (byName_.empty()) return nullptr;
    return byName_[SlotOf(childName, FoldedHash(childName))].key;
}

MemoryRegistry::Key& MemoryRegistry::Key::AddChild(const std::string& childName) {
    if (Key* existing = Child(childName)) return *existing;
    auto it = std::lower_bound(children.begin(), children.end(), childName,
                               [](const auto& child, const std::string& n) { return CompareNoCase(child->name, n) < 0; });
    auto key = std::make_unique<Key>();
    key->name = childName;
    Key& added = **children.insert(it, std::move(key));
    Index(&added);
    return added;
}

void MemoryRegistry::Key::RemoveChild(const std::string& childName) {
    children.erase(std::remove_if(children.begin(), children.end(),
                                  [&](const auto& child) { return CompareNoCase(child->name, childName) == 0; }),
                   children.end());
    Reindex();
}

MemoryRegistry::Value* MemoryRegistry::Key::Find(const std::string& valueName) {
    for (auto& [n, v] : values)
        if (CompareNoCase(n, valueName) == 0) return &v;
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
    auto it = handles_.find(key);
    return it == handles_.end() ? nullptr : &it->second;
}

long MemoryRegistry::OpenKey(RegKey root, const char* path, std::uint32_t access, RegKey* key) {
    ++openCalls_;
    Key* current = nullptr;
    if (Handle* parent = Lookup(root)) current = parent->key;
    else current = Root(root);
    if (current == nullptr) return 6;  // ERROR_INVALID_HANDLE
    for (const auto& part : SplitPath(path ? path : "")) {
        current = current->Child(part);
        if (current == nullptr) return kErrorFileNotFound;
    }
    const bool wantsMoreThanRead = (access & ~kKeyRead) != 0;
    if (current->denyRead || (wantsMoreThanRead && current->denyFull)) return kErrorAccessDenied;
    const RegKey handle = nextHandle_++;
    handles_[handle] = Handle{current, wantsMoreThanRead};
    *key = handle;
    return kErrorSuccess;
}

long MemoryRegistry::EnumKey(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                             char* className, std::uint32_t* classLength) {
    Handle* handle = Lookup(key);
    if (handle == nullptr) return 6;
    if (index >= handle->key->children.size()) return kErrorNoMoreItems;
    const Key& child = *handle->key->children[index];
    if (long r = CopyName(child.name, name, nameLength); r != kErrorSuccess) return r;
    if (className != nullptr && classLength != nullptr)
        if (long r = CopyName(child.className, className, classLength); r != kErrorSuccess) return r;
    return kErrorSuccess;
}

long MemoryRegistry::QueryValue(RegKey key, const char* name, std::uint32_t* type, unsigned char* data,
                                std::uint32_t* size) {
    Handle* handle = Lookup(key);
    if (handle == nullptr) return 6;
    Value* value = handle->key->Find(name ? name : "");
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

long MemoryRegistry::SetValue(RegKey key, const char* name, std::uint32_t type, const unsigned char* data,
                              std::uint32_t size) {
    ++writeCalls_;
    Handle* handle = Lookup(key);
    if (handle == nullptr) return 6;
    if (!handle->writable) return kErrorAccessDenied;
    const std::string valueName = name ? name : "";
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (Value* existing = handle->key->Find(valueName)) *existing = Value{type, std::move(bytes)};
    else handle->key->values.emplace_back(valueName, Value{type, std::move(bytes)});
    return kErrorSuccess;
}

void MemoryRegistry::CloseKey(RegKey key) { handles_.erase(key); }

MemoryRegistry::Key& MemoryRegistry::CreateKey(RegKey root, const std::string& path) {
    Key* current = Root(root);
    for (const auto& part : SplitPath(path)) current = &current->AddChild(part);
    return *current;
}

MemoryRegistry::Key* MemoryRegistry::FindKey(RegKey root, const std::string& path) const {
    Key* current = Root(root);
    for (const auto& part : SplitPath(path)) {
        if (current == nullptr) return nullptr;
        current = current->Child(part);
    }
    return current;
}

void MemoryRegistry::SetRaw(RegKey root, const std::string& path, const std::string& name, std::uint32_t type,
                            const std::string& data) {
    Key& key = CreateKey(root, path);
    if (Value* existing = key.Find(name)) *existing = Value{type, data};
    else key.values.emplace_back(name, Value{type, data});
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
    return key == nullptr ? nullptr : key->Find(name);
}

void MemoryRegistry::DeleteKey(RegKey root, const std::string& path) {
    auto parts = SplitPath(path);
    if (parts.empty()) return;
    const std::string last = parts.back();
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
