// An in-memory registry behind the five wide registry calls, giving the
// results the program relies on from advapi32: names in UTF-16 units,
// 255-character enumeration buffers that must also hold the NUL,
// ERROR_NO_MORE_ITEMS past the last subkey, ERROR_MORE_DATA with the needed
// size when a value's buffer is short, and keys that refuse read or full
// access. Names match without regard to case and subkeys enumerate in that
// order (folded as platform/CaseFold.h folds), as on Windows and Wine. It counts opens and writes, so tests can
// show how many round trips an operation makes.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "registry/RegistryApi.h"

namespace sw {

class MemoryRegistry final : public RegistryApi {
public:
    struct Value {
        std::uint32_t type = kRegNone;
        std::string data;  // stored bytes, exactly as given; texts in UTF-16 little-endian
        // The data as program text: a text type's UTF-16 as UTF-8 (NULs
        // kept), any other type's bytes as stored.
        std::string Utf8Data() const;
    };

    struct Key {
        std::u16string name;
        std::u16string className;
        bool denyRead = false;  // every open fails with access denied
        bool denyFull = false;  // opens that ask for more than KEY_READ fail
        std::vector<std::unique_ptr<Key>> children;  // sorted by name, ignoring case
        std::vector<std::pair<std::u16string, Value>> values;

        Key* Child(std::u16string_view childName) const;
        Key& AddChild(std::u16string_view childName);
        void RemoveChild(std::u16string_view childName);
        Value* Find(std::u16string_view valueName);

    private:
        // The children by name, ignoring case, so that opening a key below
        // one with many subkeys (the Services key) does not search: a flat
        // table (open addressing, at most half full) of the name's hash and
        // the child.
        struct Slot {
            std::uint32_t hash = 0;
            Key* key = nullptr;
        };
        std::size_t SlotOf(std::u16string_view childName, std::uint32_t hash) const;
        void Index(Key* child);
        void Reindex();
        std::vector<Slot> byName_;
    };

    MemoryRegistry();

    long OpenKey(RegKey root, const char16_t* path, std::uint32_t access, RegKey* key) override;
    long EnumKey(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength, char16_t* className,
                 std::uint32_t* classLength) override;
    long QueryValue(RegKey key, const char16_t* name, std::uint32_t* type, unsigned char* data,
                    std::uint32_t* size) override;
    long SetValue(RegKey key, const char16_t* name, std::uint32_t type, const unsigned char* data,
                  std::uint32_t size) override;
    void CloseKey(RegKey key) override;
    // Creates what is missing below a key that may be written; an existing
    // key that refuses the access refuses the create as an open would.
    long CreateKey(RegKey root, const char16_t* path, std::uint32_t access, RegKey* key) override;
    long DeleteValue(RegKey key, const char16_t* name) override;
    // Resolves a text value whose stored text (up to its NUL) was given to
    // SetIndirect; any other text fails with ERROR_FILE_NOT_FOUND, as a
    // missing file or string number does, and a value of another type with
    // ERROR_INVALID_DATA.
    long LoadMuiString(RegKey key, const char16_t* name, char16_t* buffer, std::uint32_t bufferBytes,
                       std::uint32_t* neededBytes) override;

    // Seeding and inspection for tests and benchmarks, without access
    // checks. Paths, names and texts are UTF-8. SetRaw stores the data of a
    // text type (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) converted to UTF-16,
    // as the narrow call stores narrow text, and any other type's bytes as
    // given.
    Key& CreateKey(RegKey root, const std::string& path);
    Key* FindKey(RegKey root, const std::string& path) const;
    void SetRaw(RegKey root, const std::string& path, const std::string& name, std::uint32_t type,
                const std::string& data);
    void SetString(RegKey root, const std::string& path, const std::string& name, const std::string& text);
    void SetDword(RegKey root, const std::string& path, const std::string& name, std::uint32_t number);
    const Value* GetRaw(RegKey root, const std::string& path, const std::string& name) const;
    void DeleteValue(RegKey root, const std::string& path, const std::string& name);
    void DeleteKey(RegKey root, const std::string& path);
    // The string table behind LoadMuiString: what an indirect text
    // ("@%SystemRoot%\\system32\\x.dll,-101") resolves to. UTF-8.
    void SetIndirect(const std::string& indirect, const std::string& resolved);

    std::size_t OpenHandleCount() const { return handles_.size(); }
    std::uint64_t OpenCallCount() const { return openCalls_; }
    std::uint64_t QueryCallCount() const { return queryCalls_; }
    std::uint64_t WriteCallCount() const { return writeCalls_; }
    std::uint64_t LoadMuiCallCount() const { return loadMuiCalls_; }

private:
    struct Handle {
        Key* key;
        bool writable;
    };
    Key* Root(RegKey root) const;
    Handle* Lookup(RegKey key);
    // The key an open handle stands for, or a root key; null for neither.
    Key* OpenedOrRoot(RegKey root);

    std::map<RegKey, std::unique_ptr<Key>> roots_;
    // The keys open now: a few at a time, so a list searched from the front.
    std::vector<std::pair<RegKey, Handle>> handles_;
    RegKey nextHandle_ = 0x1000;
    std::uint64_t openCalls_ = 0;
    std::uint64_t queryCalls_ = 0;
    std::uint64_t writeCalls_ = 0;
    std::uint64_t loadMuiCalls_ = 0;
    std::map<std::u16string, std::u16string> indirect_;
};

}  // namespace sw
