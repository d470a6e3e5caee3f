#include "registry/Registry.h"

#include <array>

namespace sw {
namespace {

// Opens a key and closes it when the scope ends, whatever the result.
class OpenedKey {
public:
    OpenedKey(RegistryApi& api, RegKey root, const std::string& path, std::uint32_t access)
        : api_(api), ok_(api.OpenKey(root, path.c_str(), access, &key_) == kErrorSuccess) {}
    ~OpenedKey() {
        if (ok_) api_.CloseKey(key_);
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;

    explicit operator bool() const { return ok_; }
    RegKey get() const { return key_; }

private:
    RegistryApi& api_;
    RegKey key_ = 0;
    bool ok_;
};

// A key name has at most 255 characters; the buffer also holds its NUL, so
// every name the registry can hold fits. (A 255-character buffer would make
// one such subkey fail the whole listing, and with it the program's start.)
constexpr std::uint32_t kEnumBufferLength = 256;

}  // namespace

std::string AsText(const ValueHolder& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* i16 = std::get_if<std::int16_t>(&value)) return std::to_string(*i16);
    if (const auto* i32 = std::get_if<std::int32_t>(&value)) return std::to_string(*i32);
    return {};
}

std::optional<std::int32_t> AsInteger(const ValueHolder& value) {
    if (const auto* i16 = std::get_if<std::int16_t>(&value)) return *i16;
    if (const auto* i32 = std::get_if<std::int32_t>(&value)) return *i32;
    return std::nullopt;
}

std::string CutAtNul(const std::string& text) {
    const auto nul = text.find('\0');
    return nul == std::string::npos ? text : text.substr(0, nul);
}

std::string ReadTextOrBlank(Registry& registry, const std::string& path, const std::string& name) {
    ValueHolder value;
    if (!registry.ReadValue(kHkeyLocalMachine, path, name, value)) return " ";
    if (std::holds_alternative<std::monostate>(value)) return " ";
    return AsText(value);
}

std::int32_t Registry::EnumSubKeys(RegKey root, const std::string& path, std::uint32_t access,
                                   std::vector<std::string>& names) {
    OpenedKey key(api_, root, codec_.ToAnsi(path), access);
    if (!key) return 0;
    std::uint32_t index = 0;
    long result = kErrorSuccess;
    for (;;) {
        // The buffer starts afresh for every index, as the call may have
        // written into it. The class is not asked for: nothing uses it, and
        // an overlong class would fail the listing as an overlong name does.
        std::array<char, kEnumBufferLength> name{};
        std::uint32_t nameLength = kEnumBufferLength;
        result = api_.EnumKey(key.get(), index, name.data(), &nameLength, nullptr, nullptr);
        if (result != kErrorSuccess) break;
        ++index;
        std::size_t length = 0;
        while (length < name.size() && name[length] != '\0') ++length;
        names.resize(index);
        names[index - 1] = codec_.FromAnsi(std::string_view(name.data(), length));
    }
    return result == kErrorNoMoreItems ? static_cast<std::int32_t>(index) : 0;
}

bool Registry::KeyExists(RegKey root, const std::string& path) {
    return static_cast<bool>(OpenedKey(api_, root, codec_.ToAnsi(path), kKeyRead));
}

bool Registry::ValueExists(RegKey root, const std::string& path, const std::string& name) {
    OpenedKey key(api_, root, codec_.ToAnsi(path), kKeyRead);
    if (!key) return false;
    std::uint32_t type = kRegNone;
    std::uint32_t size = 0;
    return api_.QueryValue(key.get(), codec_.ToAnsi(name).c_str(), &type, nullptr, &size) == kErrorSuccess;
}

bool Registry::ReadValue(RegKey root, const std::string& path, const std::string& name,
                         ValueHolder& value) {
    OpenedKey key(api_, root, codec_.ToAnsi(path), kKeyRead);
    if (!key) return false;
    const std::string ansiName = codec_.ToAnsi(name);
    std::uint32_t type = kRegNone;
    std::uint32_t size = 0;
    if (api_.QueryValue(key.get(), ansiName.c_str(), &type, nullptr, &size) != kErrorSuccess) return false;
    if (type == kRegSz || type == kRegExpandSz) {
        // One byte more than reported, all blanks: what the read leaves
        // untouched shows up as trailing blanks.
        std::string buffer(static_cast<std::size_t>(size) + 1, ' ');
        std::uint32_t bufferSize = size;
        if (api_.QueryValue(key.get(), ansiName.c_str(), &type,
                            reinterpret_cast<unsigned char*>(buffer.data()), &bufferSize) != kErrorSuccess)
            return false;
        value = codec_.FromAnsi(buffer);
    } else if (type == kRegBinary || type == kRegDword) {
        std::array<unsigned char, 4> bytes{};
        std::uint32_t bufferSize = 4;
        if (api_.QueryValue(key.get(), ansiName.c_str(), &type, bytes.data(), &bufferSize) != kErrorSuccess)
            return false;
        const std::uint32_t raw = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                  (static_cast<std::uint32_t>(bytes[3]) << 24);
        value = static_cast<std::int32_t>(raw);
    }
    return true;
}

bool Registry::WriteValue(RegKey root, const std::string& path, const std::string& name,
                          const ValueHolder& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return WriteText(root, path, name, *text, false);
    OpenedKey key(api_, root, codec_.ToAnsi(path), kKeyAllAccess);
    if (!key) return false;
    const auto number = AsInteger(value);
    if (!number) return true;
    const auto raw = static_cast<std::uint32_t>(*number);
    const unsigned char bytes[4] = {static_cast<unsigned char>(raw), static_cast<unsigned char>(raw >> 8),
                                    static_cast<unsigned char>(raw >> 16), static_cast<unsigned char>(raw >> 24)};
    return api_.SetValue(key.get(), codec_.ToAnsi(name).c_str(), kRegDword, bytes, 4) == kErrorSuccess;
}

bool Registry::WriteTextKeepingType(RegKey root, const std::string& path, const std::string& name,
                                    const std::string& text) {
    return WriteText(root, path, name, text, true);
}

bool Registry::WriteText(RegKey root, const std::string& path, const std::string& name,
                         const std::string& text, bool keepExpandType) {
    OpenedKey key(api_, root, codec_.ToAnsi(path), kKeyAllAccess);
    if (!key) return false;
    const std::string ansiName = codec_.ToAnsi(name);
    std::uint32_t type = kRegSz;
    if (keepExpandType) {
        std::uint32_t storedType = kRegNone;
        std::uint32_t size = 0;
        if (api_.QueryValue(key.get(), ansiName.c_str(), &storedType, nullptr, &size) == kErrorSuccess &&
            storedType == kRegExpandSz)
            type = kRegExpandSz;
    }
    std::string data = codec_.ToAnsi(text);
    data.push_back('\0');
    return api_.SetValue(key.get(), ansiName.c_str(), type, reinterpret_cast<const unsigned char*>(data.data()),
                         static_cast<std::uint32_t>(data.size())) == kErrorSuccess;
}

}  // namespace sw
