// The program's registry operations over the five wide registry calls. Every
// one opens the key it needs, does its work and closes the key before it
// returns; failures come back as false, nothing or a count of 0, never as a
// message. Names, paths and texts are UTF-8 here and UTF-16 at the calls, so
// every entry is read and written under its true name.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/AnsiCodec.h"
#include "registry/RegistryApi.h"
#include "registry/StoredValue.h"

namespace sw {

// A value as read or to be written: nothing, a text or a 32-bit integer. A
// read delivers a text, an integer, or nothing for a value of another type.
using ValueHolder = std::variant<std::monostate, std::string, std::int32_t>;

// The held text, or the decimal text of a held integer; "" for nothing.
std::string AsText(const ValueHolder& value);
// The held integer; nothing when the holder has a text or nothing.
std::optional<std::int32_t> AsInteger(const ValueHolder& value);
// The text up to its first NUL; a text without NUL is returned whole.
std::string CutAtNul(const std::string& text);

// The stored bytes of a text value: UTF-16 little-endian and one NUL.
std::string TextData(const std::string& text);

class Registry {
public:
    // codec is the ANSI code page of the side files; the registry itself is
    // spoken to in UTF-16.
    Registry(RegistryApi& api, const AnsiCodec& codec) : api_(api), codec_(codec) {}

    // Fills names[0..count-1] with the subkeys of path in registry order and
    // returns their count; 0 when the key cannot be opened with access, has
    // no subkeys, or the enumeration ends with anything but "no more items".
    // names keeps what it held when the key cannot be opened.
    std::int32_t EnumSubKeys(RegKey root, const std::string& path, std::uint32_t access,
                             std::vector<std::string>& names);

    // True when the key opens for reading.
    bool KeyExists(RegKey root, const std::string& path);

    // True when the key opens for reading and holds a value of that name,
    // whatever its type and whether or not Read could deliver it.
    bool ValueExists(RegKey root, const std::string& path, const std::string& name);

    // One value of a key opened for reading. Nothing when the key cannot be
    // opened, holds no such value or its data cannot be delivered (an
    // integer type of more than 4 bytes). Delivered: a text value (REG_SZ,
    // REG_EXPAND_SZ) as its stored text plus the one blank that the read
    // buffer held beyond the reported size (so a text stored with its NUL
    // arrives as text, NUL, blank; one stored without as text, blank; an
    // empty one as " "); REG_DWORD and REG_BINARY of up to 4 bytes as a
    // little-endian std::int32_t; any other type as an empty holder.
    std::optional<ValueHolder> Read(RegKey root, const std::string& path, const std::string& name);

    // Several values of one key, through one open and close: element i is
    // what Read would give for names[i]. A first buffer large enough for the
    // usual value makes one query per value; a longer value is asked for its
    // size and read again.
    std::vector<std::optional<ValueHolder>> ReadValues(RegKey root, const std::string& path,
                                                       std::initializer_list<std::string_view> names);

    // ReadValues as the program shows the values: a text whose stored text
    // begins with "@" (an indirect text such as
    // "@%SystemRoot%\system32\x.dll,-105") is delivered resolved from that
    // file's string table, through the same open key, as a text stored with
    // its NUL would be. A text that cannot be resolved (no such file or
    // string, no resolving call before Windows Vista) or resolves to nothing
    // is delivered as stored.
    std::vector<std::optional<ValueHolder>> ReadShownValues(RegKey root, const std::string& path,
                                                            std::initializer_list<std::string_view> names);
    std::optional<ValueHolder> ReadShown(RegKey root, const std::string& path, const std::string& name);

    // Reads `first`; where the key has it, also `then` through the same open,
    // as ReadShownValues gives them. Nothing where the key does not open or
    // lacks `first`. For lists that pick entries by one value and show more
    // of those they pick, at one open per entry.
    std::optional<std::vector<std::optional<ValueHolder>>> ReadShownValuesIfFound(
        RegKey root, const std::string& path, std::string_view first, std::initializer_list<std::string_view> then);

    // ReadValues, and through the same open the resolved text of each value
    // read as an indirect text: resolved[i] is what ReadShownValues gives for
    // names[i] where that could be resolved, nothing otherwise. For readers
    // that compare stored texts and show resolved ones. With a subkey, also
    // what ReadValues gives for subNames of path\subkey, that key opened
    // through the key's own handle (a subkey the key lacks costs one open
    // that fails).
    struct StoredAndResolved {
        std::vector<std::optional<ValueHolder>> stored;
        std::vector<std::optional<ValueHolder>> resolved;
        std::vector<std::optional<ValueHolder>> subkey;
    };
    StoredAndResolved ReadValuesAndResolved(RegKey root, const std::string& path,
                                            std::initializer_list<std::string_view> names,
                                            const std::string& subkey = {},
                                            std::initializer_list<std::string_view> subNames = {});
    StoredAndResolved ReadValuesAndResolved(RegKey root, const std::string& path,
                                            std::span<const std::string_view> names, const std::string& subkey,
                                            std::span<const std::string_view> subNames);

    // An integer becomes REG_DWORD, a text REG_SZ with one NUL; nothing is
    // not written (and counts as success once the key opens).
    bool WriteValue(RegKey root, const std::string& path, const std::string& name,
                    const ValueHolder& value);

    // Like WriteValue for a text, but keeps REG_EXPAND_SZ when the value is
    // already stored with that type, so a rewritten "%SystemRoot%" stays
    // expandable.
    bool WriteTextKeepingType(RegKey root, const std::string& path, const std::string& name,
                              const std::string& text);

    // The raw operations of the restore, each answering with the registry's
    // own code (0 on success) so that a refusal can be named.
    //
    // One value as stored, whatever its type: 0 and the value, or
    // ERROR_FILE_NOT_FOUND when the key or the value is not there, or the
    // code of the open or the read that failed.
    long ReadStored(RegKey root, const std::string& path, const std::string& name, StoredValue& value);
    // Writes a value of any type exactly as given, into a key that exists.
    long WriteStored(RegKey root, const std::string& path, const std::string& name, const StoredValue& value);
    // Removes a value; a value that is not there (or a key that is not)
    // counts as removed.
    long DeleteStoredValue(RegKey root, const std::string& path, const std::string& name);
    // Creates a key and every missing key above it; an existing key is kept
    // as it is.
    long CreateKey(RegKey root, const std::string& path);

    const AnsiCodec& Codec() const { return codec_; }

private:
    // The reads through one open: one read per name into values; where
    // resolved is given, an indirect text resolved into it (which may be
    // values itself, to deliver the shown texts).
    void ReadThroughOneOpen(RegKey root, const std::string& path, std::span<const std::string_view> names,
                            std::vector<std::optional<ValueHolder>>& values,
                            std::vector<std::optional<ValueHolder>>* resolved);
    void ReadOpenedKey(RegKey key, std::span<const std::string_view> names,
                       std::vector<std::optional<ValueHolder>>& values,
                       std::vector<std::optional<ValueHolder>>* resolved);
    bool WriteText(RegKey root, const std::string& path, const std::string& name,
                   const std::string& text, bool keepExpandType);

    RegistryApi& api_;
    const AnsiCodec& codec_;
    // The read buffer, kept from one read to the next.
    std::vector<unsigned char> buffer_;
};

// The text of a read as the list builds show it: " " when the value was not
// read or is of a type that delivers nothing (a multi-string, say), so that
// such an entry is still shown rather than taken for one with an empty text.
std::string TextOrBlank(const std::optional<ValueHolder>& value);

// True for a read text whose stored text begins with "@": one that names a
// string in a file's string table rather than holding the text itself.
bool IsIndirect(const std::optional<ValueHolder>& value);

// An entry's "Start" as every reader of it takes it: whether a value of
// that name was read at all, and the number it holds (nothing for a text or
// another type).
struct StartValue {
    bool read = false;
    std::optional<std::int32_t> number;
};
StartValue StartFrom(const std::optional<ValueHolder>& value);
// "Start" of the entry keyName below the Services key of the machine.
StartValue ReadStart(Registry& registry, const std::string& keyName);

inline const std::string kServicesPath = "System\\CurrentControlSet\\Services";
inline std::string ServiceKeyPath(const std::string& keyName) {
    return kServicesPath + "\\" + keyName;
}

}  // namespace sw
