#include "registry/Registry.h"

#include <algorithm>
#include <array>
#include <optional>

#include "platform/Utf16.h"

namespace sw {
namespace {

// Opens a key and closes it when the scope ends, whatever the result. A path
// holding a NUL opens nothing: the call would stop at the NUL and reach
// another key.
class OpenedKey {
public:
    OpenedKey(RegistryApi& api, RegKey root, const std::string& path, std::uint32_t access) : api_(api) {
        const std::u16string wide = ToUtf16(path);
        ok_ = wide.find(u'\0') == std::u16string::npos &&
              api.OpenKey(root, wide.c_str(), access, &key_) == kErrorSuccess;
    }
    ~OpenedKey() {
        if (ok_) api_.CloseKey(key_);
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;

    // Creates what is missing on the way (RegCreateKeyExW).
    OpenedKey(RegistryApi& api, RegKey root, const std::string& path, std::uint32_t access, bool create)
        : api_(api) {
        const std::u16string wide = ToUtf16(path);
        result_ = wide.find(u'\0') != std::u16string::npos ? kErrorFileNotFound
                  : create ? api.CreateKey(root, wide.c_str(), access, &key_)
                           : api.OpenKey(root, wide.c_str(), access, &key_);
        ok_ = result_ == kErrorSuccess;
    }

    explicit operator bool() const { return ok_; }
    RegKey get() const { return key_; }
    long Result() const { return result_; }

private:
    RegistryApi& api_;
    RegKey key_ = 0;
    bool ok_ = false;
    long result_ = kErrorFileNotFound;
};

// A key name has at most 255 characters; the buffer also holds its NUL, so
// every name the registry can hold fits. (A 255-character buffer would make
// one such subkey fail the whole listing, and with it the program's start.)
constexpr std::uint32_t kEnumBufferLength = 256;

// Large enough for the texts a service entry usually holds (a description
// of some hundred characters is 2 bytes a character), so that one query
// reads them.
constexpr std::uint32_t kFirstReadBytes = 2048;
constexpr std::size_t kKeptReadBytes = 64 * 1024;

bool IsText(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz; }
bool IsInteger(std::uint32_t type) { return type == kRegBinary || type == kRegDword; }

// What a read delivers for size bytes of data of a type.
std::optional<ValueHolder> Deliver(std::uint32_t type, const unsigned char* data, std::uint32_t size) {
    if (IsText(type)) {
        // UTF-16 little-endian, read into a buffer of blanks one character
        // longer than the data: what the data do not fill shows as the
        // trailing blank. (An odd last byte fills the low half of its
        // character.)
        std::string text = FromUtf16Le(std::string_view(reinterpret_cast<const char*>(data), size));
        text += ' ';
        return ValueHolder(std::move(text));
    }
    if (IsInteger(type)) {
        if (size > 4) return std::nullopt;
        std::uint32_t raw = 0;
        for (std::uint32_t i = 0; i < size; ++i) raw |= static_cast<std::uint32_t>(data[i]) << (8 * i);
        return ValueHolder(static_cast<std::int32_t>(raw));
    }
    return ValueHolder();
}

// One value of an opened key, read into buffer (which grows when the value
// does not fit).
std::optional<ValueHolder> ReadOpened(RegistryApi& api, RegKey key, const std::u16string& name,
                                      std::vector<unsigned char>& buffer) {
    std::uint32_t type = kRegNone;
    std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
    long result = api.QueryValue(key, name.c_str(), &type, buffer.data(), &size);
    if (result == kErrorMoreData) {
        size = 0;
        if (api.QueryValue(key, name.c_str(), &type, nullptr, &size) != kErrorSuccess) return std::nullopt;
        if (IsInteger(type) && size > 4) return std::nullopt;
        if (buffer.size() < size) buffer.resize(size);
        result = api.QueryValue(key, name.c_str(), &type, buffer.data(), &size);
    }
    if (result != kErrorSuccess) return std::nullopt;
    return Deliver(type, buffer.data(), size);
}

// The value's indirect text resolved through the opened key, as a text read
// delivers one stored with its NUL; nothing when it cannot be resolved.
std::optional<ValueHolder> ResolveOpened(RegistryApi& api, RegKey key, const std::u16string& name) {
    // Room for any display name or description; a longer text is asked for
    // again with the size the call reports.
    std::u16string buffer(512, u'\0');
    std::uint32_t needed = 0;
    long result = api.LoadMuiString(key, name.c_str(), buffer.data(),
                                    static_cast<std::uint32_t>(buffer.size() * sizeof(char16_t)), &needed);
    if (result == kErrorMoreData && needed > buffer.size() * sizeof(char16_t)) {
        buffer.assign(needed / sizeof(char16_t) + 1, u'\0');
        result = api.LoadMuiString(key, name.c_str(), buffer.data(),
                                   static_cast<std::uint32_t>(buffer.size() * sizeof(char16_t)), &needed);
    }
    if (result != kErrorSuccess) return std::nullopt;
    // The text ends at its NUL, or at the buffer's end should the call have
    // filled it without one.
    const std::size_t length = std::min(buffer.find(u'\0'), buffer.size());
    if (length == 0) return std::nullopt;
    return ValueHolder(FromUtf16(buffer.substr(0, length)) + std::string("\0 ", 2));
}

}  // namespace

std::string TextData(const std::string& text) {
    const std::u16string wide = ToUtf16(text);
    std::string data;
    data.reserve(wide.size() * 2 + 2);
    for (const char16_t unit : wide) {
        data += static_cast<char>(unit & 0xFF);
        data += static_cast<char>(unit >> 8);
    }
    data.append(2, '\0');
    return data;
}

std::string AsText(const ValueHolder& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* i32 = std::get_if<std::int32_t>(&value)) return std::to_string(*i32);
    return {};
}

std::optional<std::int32_t> AsInteger(const ValueHolder& value) {
    if (const auto* i32 = std::get_if<std::int32_t>(&value)) return *i32;
    return std::nullopt;
}

std::string CutAtNul(const std::string& text) {
    const auto nul = text.find('\0');
    return nul == std::string::npos ? text : text.substr(0, nul);
}

std::string TextOrBlank(const std::optional<ValueHolder>& value) {
    if (!value || std::holds_alternative<std::monostate>(*value)) return " ";
    return AsText(*value);
}

bool IsIndirect(const std::optional<ValueHolder>& value) {
    const auto* text = value ? std::get_if<std::string>(&*value) : nullptr;
    return text != nullptr && !text->empty() && text->front() == '@';
}

StartValue StartFrom(const std::optional<ValueHolder>& value) {
    if (!value) return {};
    return StartValue{true, AsInteger(*value)};
}

StartValue ReadStart(Registry& registry, const std::string& keyName) {
    return StartFrom(registry.Read(kHkeyLocalMachine, ServiceKeyPath(keyName), "Start"));
}

std::int32_t Registry::EnumSubKeys(RegKey root, const std::string& path, std::uint32_t access,
                                   std::vector<std::string>& names) {
    OpenedKey key(api_, root, path, access);
    if (!key) return 0;
    std::uint32_t index = 0;
    long result = kErrorSuccess;
    for (;;) {
        // The buffer starts afresh for every index, as the call may have
        // written into it. The class is not asked for: nothing uses it, and
        // an overlong class would fail the listing as an overlong name does.
        std::array<char16_t, kEnumBufferLength> name{};
        std::uint32_t nameLength = kEnumBufferLength;
        result = api_.EnumKey(key.get(), index, name.data(), &nameLength, nullptr, nullptr);
        if (result != kErrorSuccess) break;
        ++index;
        names.resize(index);
        names[index - 1] = FromUtf16(std::u16string_view(name.data(), std::min(nameLength, kEnumBufferLength)));
    }
    return result == kErrorNoMoreItems ? static_cast<std::int32_t>(index) : 0;
}

bool Registry::KeyExists(RegKey root, const std::string& path) {
    OpenedKey key(api_, root, path, kKeyRead);
    return static_cast<bool>(key);
}

bool Registry::ValueExists(RegKey root, const std::string& path, const std::string& name) {
    OpenedKey key(api_, root, path, kKeyRead);
    if (!key) return false;
    std::uint32_t type = kRegNone;
    std::uint32_t size = 0;
    return api_.QueryValue(key.get(), ToUtf16(name).c_str(), &type, nullptr, &size) == kErrorSuccess;
}

std::optional<ValueHolder> Registry::Read(RegKey root, const std::string& path, const std::string& name) {
    return ReadValues(root, path, {name}).front();
}

std::vector<std::optional<ValueHolder>> Registry::ReadValues(RegKey root, const std::string& path,
                                                             std::initializer_list<std::string_view> names) {
    std::vector<std::optional<ValueHolder>> values(names.size());
    ReadThroughOneOpen(root, path, names, values, nullptr);
    return values;
}

std::vector<std::optional<ValueHolder>> Registry::ReadShownValues(RegKey root, const std::string& path,
                                                                  std::initializer_list<std::string_view> names) {
    std::vector<std::optional<ValueHolder>> values(names.size());
    ReadThroughOneOpen(root, path, names, values, &values);
    return values;
}

std::optional<std::vector<std::optional<ValueHolder>>> Registry::ReadShownValuesIfFound(
    RegKey root, const std::string& path, std::string_view first, std::initializer_list<std::string_view> then) {
    OpenedKey key(api_, root, path, kKeyRead);
    if (!key) return std::nullopt;
    std::vector<std::optional<ValueHolder>> found(1);
    ReadOpenedKey(key.get(), std::span<const std::string_view>(&first, 1), found, nullptr);
    if (!found.front()) return std::nullopt;
    std::vector<std::optional<ValueHolder>> values(then.size());
    ReadOpenedKey(key.get(), then, values, &values);
    return values;
}

Registry::StoredAndResolved Registry::ReadValuesAndResolved(RegKey root, const std::string& path,
                                                             std::initializer_list<std::string_view> names,
                                                             const std::string& subkey,
                                                             std::initializer_list<std::string_view> subNames) {
    return ReadValuesAndResolved(root, path, std::span<const std::string_view>(names.begin(), names.size()), subkey,
                                 std::span<const std::string_view>(subNames.begin(), subNames.size()));
}

Registry::StoredAndResolved Registry::ReadValuesAndResolved(RegKey root, const std::string& path,
                                                             std::span<const std::string_view> names,
                                                             const std::string& subkey,
                                                             std::span<const std::string_view> subNames) {
    StoredAndResolved read{std::vector<std::optional<ValueHolder>>(names.size()),
                           std::vector<std::optional<ValueHolder>>(names.size()),
                           std::vector<std::optional<ValueHolder>>(subNames.size())};
    OpenedKey key(api_, root, path, kKeyRead);
    if (key) ReadOpenedKey(key.get(), names, read.stored, &read.resolved);
    if (subkey.empty()) return read;
    // Through the key's handle where it opened; from the root where it did
    // not, as a key may deny reading and its subkey allow it.
    std::optional<OpenedKey> sub;
    if (key) sub.emplace(api_, key.get(), subkey, kKeyRead);
    else sub.emplace(api_, root, path + "\\" + subkey, kKeyRead);
    if (*sub) ReadOpenedKey(sub->get(), subNames, read.subkey, nullptr);
    return read;
}

void Registry::ReadThroughOneOpen(RegKey root, const std::string& path, std::span<const std::string_view> names,
                                  std::vector<std::optional<ValueHolder>>& values,
                                  std::vector<std::optional<ValueHolder>>* resolved) {
    OpenedKey key(api_, root, path, kKeyRead);
    if (key) ReadOpenedKey(key.get(), names, values, resolved);
}

void Registry::ReadOpenedKey(RegKey key, std::span<const std::string_view> names,
                             std::vector<std::optional<ValueHolder>>& values,
                             std::vector<std::optional<ValueHolder>>* resolved) {
    if (buffer_.size() < kFirstReadBytes) buffer_.resize(kFirstReadBytes);
    std::u16string wideName;
    std::size_t i = 0;
    for (const std::string_view name : names) {
        // Value names are mostly ASCII: widened in place, without a new string.
        if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            wideName.assign(name.begin(), name.end());
        else
            wideName = ToUtf16(name);
        auto& value = values[i];
        value = ReadOpened(api_, key, wideName, buffer_);
        if (resolved != nullptr && IsIndirect(value))
            if (auto text = ResolveOpened(api_, key, wideName)) (*resolved)[i] = std::move(text);
        ++i;
    }
    // One long value does not keep its memory for every later read.
    if (buffer_.size() > kKeptReadBytes) {
        buffer_.resize(kFirstReadBytes);
        buffer_.shrink_to_fit();
    }
}

std::optional<ValueHolder> Registry::ReadShown(RegKey root, const std::string& path, const std::string& name) {
    return ReadShownValues(root, path, {name}).front();
}

bool Registry::WriteValue(RegKey root, const std::string& path, const std::string& name,
                          const ValueHolder& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return WriteText(root, path, name, *text, false);
    OpenedKey key(api_, root, path, kKeyAllAccess);
    if (!key) return false;
    const auto number = AsInteger(value);
    if (!number) return true;
    const auto raw = static_cast<std::uint32_t>(*number);
    const unsigned char bytes[4] = {static_cast<unsigned char>(raw), static_cast<unsigned char>(raw >> 8),
                                    static_cast<unsigned char>(raw >> 16), static_cast<unsigned char>(raw >> 24)};
    return api_.SetValue(key.get(), ToUtf16(name).c_str(), kRegDword, bytes, 4) == kErrorSuccess;
}

bool Registry::WriteTextKeepingType(RegKey root, const std::string& path, const std::string& name,
                                    const std::string& text) {
    return WriteText(root, path, name, text, true);
}

bool Registry::WriteText(RegKey root, const std::string& path, const std::string& name,
                         const std::string& text, bool keepExpandType) {
    OpenedKey key(api_, root, path, kKeyAllAccess);
    if (!key) return false;
    const std::u16string wideName = ToUtf16(name);
    std::uint32_t type = kRegSz;
    if (keepExpandType) {
        std::uint32_t storedType = kRegNone;
        std::uint32_t size = 0;
        if (api_.QueryValue(key.get(), wideName.c_str(), &storedType, nullptr, &size) == kErrorSuccess &&
            storedType == kRegExpandSz)
            type = kRegExpandSz;
    }
    const std::string data = TextData(text);
    return api_.SetValue(key.get(), wideName.c_str(), type, reinterpret_cast<const unsigned char*>(data.data()),
                         static_cast<std::uint32_t>(data.size())) == kErrorSuccess;
}

long Registry::ReadStored(RegKey root, const std::string& path, const std::string& name, StoredValue& value) {
    OpenedKey key(api_, root, path, kKeyRead, false);
    if (!key) return key.Result();
    const std::u16string wideName = ToUtf16(name);
    // The size first, then the data; a value that grows in between is asked
    // for again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::uint32_t type = kRegNone;
        std::uint32_t size = 0;
        long result = api_.QueryValue(key.get(), wideName.c_str(), &type, nullptr, &size);
        if (result != kErrorSuccess) return result;
        std::string data(size, '\0');
        result = api_.QueryValue(key.get(), wideName.c_str(), &type,
                                 reinterpret_cast<unsigned char*>(data.data()), &size);
        if (result == kErrorMoreData) continue;
        if (result != kErrorSuccess) return result;
        data.resize(size);
        value = StoredValue{type, std::move(data)};
        return kErrorSuccess;
    }
    return kErrorMoreData;
}

long Registry::WriteStored(RegKey root, const std::string& path, const std::string& name, const StoredValue& value) {
    OpenedKey key(api_, root, path, kKeyAllAccess, false);
    if (!key) return key.Result();
    // The system stores a text whose size leaves out its NUL with a NUL
    // added when the memory right behind the data holds one, as a string's
    // always does: the bytes go from a copy with non-zero bytes behind them,
    // so that they are stored exactly as given.
    std::vector<unsigned char> bytes(value.data.begin(), value.data.end());
    bytes.insert(bytes.end(), {0xFF, 0xFF});
    return api_.SetValue(key.get(), ToUtf16(name).c_str(), value.type, bytes.data(),
                         static_cast<std::uint32_t>(value.data.size()));
}

long Registry::DeleteStoredValue(RegKey root, const std::string& path, const std::string& name) {
    OpenedKey key(api_, root, path, kKeyAllAccess, false);
    if (!key) return key.Result() == kErrorFileNotFound ? kErrorSuccess : key.Result();
    const long result = api_.DeleteValue(key.get(), ToUtf16(name).c_str());
    return result == kErrorFileNotFound ? kErrorSuccess : result;
}

long Registry::CreateKey(RegKey root, const std::string& path) {
    OpenedKey key(api_, root, path, kKeyAllAccess, true);
    return key.Result();
}

}  // namespace sw
