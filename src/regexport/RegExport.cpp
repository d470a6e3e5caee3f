#include "regexport/RegExport.h"

#include <bit>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "platform/Utf16.h"

namespace sw {
namespace {

constexpr std::uint32_t kSz = 1;
constexpr std::uint32_t kBinary = 3;
constexpr std::uint32_t kDword = 4;
constexpr std::uint32_t kExpandSz = 2;
constexpr std::uint32_t kRegNoneType = 0;

const std::u16string_view kHeader = u"Windows Registry Editor Version 5.00";

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

std::u16string_view TrimRight(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::u16string_view TrimLeft(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

class KeepAll : public ExportSelection {
public:
    bool KeepsKey(std::u16string_view) const override { return true; }
    bool KeepsValue(std::u16string_view) const override { return true; }
};

class KeepAllWithDeletions final : public KeepAll {
public:
    bool KeepsDeletions() const override { return true; }
};

// The writer's lines, as UTF-16LE bytes.
class FileText {
public:
    FileText() { bytes_ = "\xFF\xFE"; }
    void Add(std::u16string_view text) {
        for (const char16_t unit : text) {
            bytes_ += static_cast<char>(unit & 0xFF);
            bytes_ += static_cast<char>(unit >> 8);
        }
    }
    void Add(std::string_view ascii) {
        for (const char c : ascii) {
            bytes_ += c;
            bytes_ += '\0';
        }
    }
    void EndLine() { Add(std::string_view("\r\n")); }
    std::string Take() { return std::move(bytes_); }

private:
    std::string bytes_;
};

std::u16string Units(const std::string& data) {
    std::u16string units(data.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(data[2 * i]) |
                                         static_cast<unsigned char>(data[2 * i + 1]) << 8);
    return units;
}

// \\ and \" escaped, between quotes.
std::u16string Quoted(std::u16string_view text) {
    std::u16string out = u"\"";
    for (const char16_t c : text) {
        if (c == u'\\' || c == u'"') out += u'\\';
        out += c;
    }
    return out + u"\"";
}

// A REG_SZ that a quoted text gives back exactly: whole characters, one NUL
// at the end and none before it, no line end.
bool WritableAsText(const ExportValue& value) {
    if (value.stored.type != kSz || value.stored.data.size() % 2 != 0 || value.stored.data.size() < 2) return false;
    const std::u16string units = Units(value.stored.data);
    if (units.back() != u'\0') return false;
    return units.find_first_of(std::u16string_view(u"\0\r\n", 3)) == units.size() - 1;
}

void AddValue(FileText& out, const ExportValue& value) {
    std::u16string line = value.name.empty() ? u"@" : Quoted(ToUtf16(value.name));
    line += u'=';
    if (value.removed) {
        out.Add(line + u"-");
        out.EndLine();
        return;
    }
    if (WritableAsText(value)) {
        const std::u16string units = Units(value.stored.data);
        out.Add(line + Quoted(std::u16string_view(units).substr(0, units.size() - 1)));
        out.EndLine();
        return;
    }
    char number[24];
    if (const auto dword = value.stored.type == kDword ? StoredNumber(value.stored) : std::nullopt) {
        std::snprintf(number, sizeof number, "dword:%08x", static_cast<unsigned>(*dword));
        out.Add(line);
        out.Add(std::string_view(number));
        out.EndLine();
        return;
    }
    if (value.stored.type == kBinary) {
        line += u"hex:";
    } else {
        std::snprintf(number, sizeof number, "hex(%x):", static_cast<unsigned>(value.stored.type));
        line += ToUtf16(number);
    }
    // As the registry editor wraps: a line holds at most 79 characters
    // before its continuation mark, and goes on after two blanks.
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < value.stored.data.size(); ++i) {
        const auto byte = static_cast<unsigned char>(value.stored.data[i]);
        line += static_cast<char16_t>(kDigits[byte >> 4]);
        line += static_cast<char16_t>(kDigits[byte & 0xF]);
        if (i + 1 == value.stored.data.size()) break;
        line += u',';
        if (line.size() + 3 > 79) {
            out.Add(line + u"\\");
            out.EndLine();
            line = u"  ";
        }
    }
    out.Add(line);
    out.EndLine();
}

// The file's first bytes say whether it is a text in another encoding than
// the one the registry editor exports in.
bool LooksLikeNarrowExport(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return true;
    return bytes.substr(0, 16) == "Windows Registry" || bytes.substr(0, 8) == "REGEDIT4";
}

// The file's lines, found in its bytes and each decoded into one reused
// buffer when it is reached, so that the file's text is never held twice.
class Lines {
public:
    // units: the file's bytes after the byte-order mark, of even length.
    explicit Lines(std::string_view units) : bytes_(units) {}

    // The next line without its line end; terminated is false for a last
    // line that has no "\n". False after the last line.
    bool Next(std::u16string_view& line, bool& terminated) {
        if (at_ >= bytes_.size()) return false;
        const std::size_t end = FindNewline(at_);
        terminated = end != std::string_view::npos;
        const std::size_t stop = terminated ? end : bytes_.size();
        const std::size_t count = (stop - at_) / 2;
        line_.resize(count);
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(line_.data(), bytes_.data() + at_, count * 2);
        } else {
            for (std::size_t i = 0; i < count; ++i)
                line_[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes_[at_ + 2 * i]) |
                                                 static_cast<unsigned char>(bytes_[at_ + 2 * i + 1]) << 8);
        }
        at_ = terminated ? end + 2 : bytes_.size();
        line = line_;
        if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
        return true;
    }

private:
    // The byte offset of the next unit "\n" from at on, or npos.
    std::size_t FindNewline(std::size_t from) const {
        while (from < bytes_.size()) {
            const void* hit = std::memchr(bytes_.data() + from, '\n', bytes_.size() - from);
            if (hit == nullptr) break;
            const auto pos = static_cast<std::size_t>(static_cast<const char*>(hit) - bytes_.data());
            if (pos % 2 == 0 && pos + 1 < bytes_.size() && bytes_[pos + 1] == 0) return pos;
            from = pos + 1;
        }
        return std::string_view::npos;
    }

    std::string_view bytes_;
    std::size_t at_ = 0;
    std::u16string line_;
};

class Reader {
public:
    Reader(RegExport& out, const ExportSelection& keep) : out_(out), keep_(keep) {}

    // Reads the lines after the header; false with out_.error set on the
    // first line that cannot be read.
    bool ReadLines(Lines& lines, std::size_t firstLineNumber) {
        std::size_t lineNumber = firstLineNumber;
        std::u16string_view line;
        bool terminated = false;
        while (lines.Next(line, terminated)) {
            if (!terminated) return Fail(kCut);
            ++lineNumber;
            if (!ReadLine(line, lineNumber)) return false;
        }
        if (continuing_) return Fail(kCut);
        return true;
    }

private:
    static constexpr const char* kCut = "Die Datei ist unvollständig: sie endet mitten in einer Zeile oder einem Wert.";

    bool Fail(const std::string& reason) {
        out_.error = reason;
        return false;
    }
    bool FailAt(std::size_t lineNumber, const std::string& reason) {
        return Fail("Zeile " + std::to_string(lineNumber) + ": " + reason);
    }

    bool ReadLine(std::u16string_view line, std::size_t lineNumber) {
        if (continuing_) return ReadHexBytes(TrimLeft(line), lineNumber);
        const std::u16string_view content = TrimRight(TrimLeft(line));
        if (content.empty() || content.front() == u';') return true;
        if (content.front() == u'[') return ReadKeyLine(content, lineNumber);
        if (content.front() == u'"' || content.front() == u'@') return ReadValueLine(content, lineNumber);
        return FailAt(lineNumber, "unverständlicher Inhalt, kein Schlüssel und kein Wert.");
    }

    // The path as the registry editor opens it: a run of backslashes
    // separates as one does, and backslashes at the end name no further key
    // (it opens "Services\Dienst\" and "Services\\Dienst" as
    // "Services\Dienst"). A path without either comes back as it is, without
    // a copy.
    std::u16string_view KeyPath(std::u16string_view path) {
        const bool doubled = path.find(u"\\\\") != std::u16string_view::npos;
        if (!doubled && (path.size() < 2 || path.back() != u'\\')) return path;
        path_.clear();
        for (char16_t c : path)
            if (c != u'\\' || path_.empty() || path_.back() != u'\\') path_ += c;
        while (path_.size() > 1 && path_.back() == u'\\') path_.pop_back();
        return path_;
    }

    // "[path]": the path runs to the line's last "]", so that a key name that
    // holds "]" itself comes back whole. "[-path]" deletes a key; its section
    // is skipped.
    bool ReadKeyLine(std::u16string_view content, std::size_t lineNumber) {
        if (content.back() != u']') return FailAt(lineNumber, "Schlüsselzeile ohne schließende Klammer.");
        const std::u16string_view path = KeyPath(content.substr(1, content.size() - 2));
        if (!path.empty() && path.front() == u'-') {
            if (keep_.KeepsDeletions() && keep_.KeepsKey(path.substr(1)))
                out_.keys.push_back(ExportKey{FromUtf16(path.substr(1)), {}, true});
            current_ = nullptr;
            skipping_ = true;
            return true;
        }
        if (path.empty()) return FailAt(lineNumber, "Schlüsselzeile ohne Schlüsselnamen.");
        if (!keep_.KeepsKey(path)) {
            current_ = nullptr;
            skipping_ = true;
            return true;
        }
        out_.keys.push_back(ExportKey{FromUtf16(path), {}});
        current_ = &out_.keys.back();
        current_->values.reserve(8);
        skipping_ = false;
        return true;
    }

    // A quoted text from just after its opening quote to its closing quote,
    // with \\ and \" (and \n, \r, \0) undone, into text (cleared first).
    // Returns the position after the closing quote, or npos when there is
    // none.
    static std::size_t Unquote(std::u16string_view content, std::size_t at, std::u16string& text) {
        text.clear();
        while (at < content.size()) {
            // The plain run up to the next quote or backslash in one step.
            std::size_t plain = at;
            while (plain < content.size() && content[plain] != u'"' && content[plain] != u'\\') ++plain;
            text.append(content.substr(at, plain - at));
            at = plain;
            if (at >= content.size()) break;
            const char16_t c = content[at];
            if (c == u'"') return at + 1;
            if (at + 1 >= content.size()) {
                text.push_back(c);
                ++at;
                break;
            }
            const char16_t next = content[at + 1];
            switch (next) {
                case u'\\': text.push_back(u'\\'); break;
                case u'"': text.push_back(u'"'); break;
                case u'n': text.push_back(u'\n'); break;
                case u'r': text.push_back(u'\r'); break;
                case u'0': text.push_back(u'\0'); break;
                default:
                    text.push_back(c);
                    text.push_back(next);
                    break;
            }
            at += 2;
        }
        return std::u16string_view::npos;
    }

    bool ReadValueLine(std::u16string_view content, std::size_t lineNumber) {
        if (current_ == nullptr && !skipping_) return FailAt(lineNumber, "Wert vor dem ersten Schlüssel.");
        std::size_t at = 1;
        name_.clear();
        if (content.front() == u'"') {
            at = Unquote(content, 1, name_);
            if (at == std::u16string_view::npos)
                return FailAt(lineNumber, "Wertname ohne schließendes Anführungszeichen.");
        }
        while (at < content.size() && IsBlank(content[at])) ++at;
        if (at >= content.size() || content[at] != u'=') return FailAt(lineNumber, "Wert ohne \"=\".");
        const std::u16string_view data = TrimLeft(content.substr(at + 1));

        if (data == u"-") {  // deletes the value
            if (!skipping_ && keep_.KeepsDeletions() && keep_.KeepsValue(name_))
                current_->values.push_back(ExportValue{FromUtf16(name_), kRegNoneType, {}, true});
            pending_ = nullptr;
            return true;
        }
        // A value that is not kept is read and checked all the same.
        ExportValue* kept = nullptr;
        if (!skipping_ && keep_.KeepsValue(name_)) {
            current_->values.emplace_back();
            kept = &current_->values.back();
            kept->name = FromUtf16(name_);
        }
        ExportValue ignored;
        ExportValue& value = kept ? *kept : ignored;
        if (!data.empty() && data.front() == u'"') {
            const std::size_t after = Unquote(data, 1, text_);
            if (after == std::u16string_view::npos || !TrimLeft(data.substr(after)).empty())
                return FailAt(lineNumber, "Text ohne schließendes Anführungszeichen.");
            value.stored.type = kSz;
            if (kept) {
                value.stored.data.assign((text_.size() + 1) * 2, '\0');
                for (std::size_t i = 0; i < text_.size(); ++i) {
                    value.stored.data[2 * i] = static_cast<char>(text_[i] & 0xFF);
                    value.stored.data[2 * i + 1] = static_cast<char>(text_[i] >> 8);
                }
            }
            pending_ = nullptr;
            return true;
        }
        if (StartsWith(data, u"dword:")) {
            const std::u16string_view digits = data.substr(6);
            if (digits.empty() || digits.size() > 8) return FailAt(lineNumber, "ungültige DWORD-Zahl.");
            std::uint32_t number = 0;
            for (char16_t c : digits) {
                const int digit = HexDigit(c);
                if (digit < 0) return FailAt(lineNumber, "ungültige DWORD-Zahl.");
                number = number << 4 | static_cast<std::uint32_t>(digit);
            }
            value.stored.type = kDword;
            if (kept)
                for (int shift = 0; shift < 32; shift += 8) value.stored.data.push_back(static_cast<char>(number >> shift));
            pending_ = nullptr;
            return true;
        }
        if (!StartsWith(data, u"hex")) return FailAt(lineNumber, "unbekannte Form der Wertdaten.");
        std::size_t colon = 3;
        value.stored.type = kBinary;
        if (colon < data.size() && data[colon] == u'(') {
            const std::size_t close = data.find(u')', colon);
            if (close == std::u16string_view::npos || close == colon + 1 || close - colon - 1 > 8)
                return FailAt(lineNumber, "ungültiger Werttyp hex(...).");
            std::uint32_t type = 0;
            for (std::size_t i = colon + 1; i < close; ++i) {
                const int digit = HexDigit(data[i]);
                if (digit < 0) return FailAt(lineNumber, "ungültiger Werttyp hex(...).");
                type = type << 4 | static_cast<std::uint32_t>(digit);
            }
            value.stored.type = type;
            colon = close + 1;
        }
        if (colon >= data.size() || data[colon] != u':') return FailAt(lineNumber, "Wert ohne Datenangabe.");
        pending_ = kept;
        return ReadHexBytes(data.substr(colon + 1), lineNumber);
    }

    // Bytes "0a,ff,..." into the pending value (checked only, when it is not
    // kept); a line ending in "\" is continued on the next.
    bool ReadHexBytes(std::u16string_view list, std::size_t lineNumber) {
        list = TrimRight(list);
        continuing_ = !list.empty() && list.back() == u'\\';
        if (continuing_) list.remove_suffix(1);
        // Written through a pointer into room for the most bytes the line
        // can hold (one digit and a comma each), cut to what it held.
        std::string* bytes = pending_ ? &pending_->stored.data : nullptr;
        const std::size_t before = bytes ? bytes->size() : 0;
        if (bytes) bytes->resize(before + (list.size() + 1) / 2);
        char* out = bytes ? bytes->data() + before : nullptr;
        char* const first = out;
        std::size_t at = 0;
        bool expectByte = true;
        bool ok = true;
        while (at < list.size()) {
            // The usual "xx," in one step.
            if (expectByte && at + 2 < list.size() && list[at + 2] == u',') {
                const int high = HexDigit(list[at]);
                const int low = HexDigit(list[at + 1]);
                if (high >= 0 && low >= 0) {
                    if (out) *out++ = static_cast<char>(high * 16 + low);
                    at += 3;
                    continue;
                }
            }
            const char16_t c = list[at];
            if (IsBlank(c)) {
                ++at;
            } else if (c == u',') {
                if (expectByte) {
                    ok = FailAt(lineNumber, "fehlendes Byte in Hex-Daten.");
                    break;
                }
                expectByte = true;
                ++at;
            } else {
                const int high = HexDigit(c);
                if (high < 0 || !expectByte) {
                    ok = FailAt(lineNumber, "ungültige Hex-Daten.");
                    break;
                }
                int byte = high;
                ++at;
                if (at < list.size()) {
                    const int low = HexDigit(list[at]);
                    if (low >= 0) {
                        byte = high * 16 + low;
                        ++at;
                    }
                }
                if (out) *out++ = static_cast<char>(byte);
                expectByte = false;
            }
        }
        if (bytes) bytes->resize(before + static_cast<std::size_t>(out - first));
        return ok;
    }

    RegExport& out_;
    const ExportSelection& keep_;
    ExportKey* current_ = nullptr;
    ExportValue* pending_ = nullptr;  // the kept value that hex lines fill
    bool skipping_ = false;           // in a section that is not kept
    bool continuing_ = false;
    std::u16string name_;             // the value name being read
    std::u16string text_;             // the text being read
    std::u16string path_;             // a key path as the registry editor reads it
};

}  // namespace

RegExport ReadRegExport(std::string_view bytes) { return ReadRegExport(bytes, KeepAll()); }

RegExport ReadRegFile(std::string_view bytes) { return ReadRegExport(bytes, KeepAllWithDeletions()); }

std::string WriteRegFile(const std::vector<ExportKey>& keys) {
    FileText out;
    out.Add(kHeader);
    out.EndLine();
    out.EndLine();
    for (const ExportKey& key : keys) {
        out.Add(key.removed ? u"[-" : u"[");
        out.Add(ToUtf16(key.path));
        out.Add(u"]");
        out.EndLine();
        if (!key.removed)
            for (const ExportValue& value : key.values) AddValue(out, value);
        out.EndLine();
    }
    return out.Take();
}

RegExport ReadRegExport(std::string_view bytes, const ExportSelection& keep) {
    RegExport out;
    if (bytes.empty()) {
        out.error = "Die Datei ist leer.";
        return out;
    }
    if (LooksLikeNarrowExport(bytes)) {
        out.error = "Die Datei ist in UTF-8 oder ANSI gespeichert, nicht in UTF-16 wie die Exporte des Registrierungs-Editors.";
        return out;
    }
    if (bytes.size() < 2 || bytes.substr(0, 2) != "\xFF\xFE") {
        out.error = "Die Datei ist kein Export des Registrierungs-Editors (keine UTF-16-Kennung am Anfang).";
        return out;
    }
    if (bytes.size() % 2 != 0) {
        out.error = "Die Datei ist unvollständig: sie endet mitten in einem Zeichen.";
        return out;
    }
    Lines lines(bytes.substr(2));
    std::u16string_view header;
    bool terminated = false;
    lines.Next(header, terminated);
    if (TrimRight(header) != kHeader) {
        out.error = "Die Datei ist kein Export des Registrierungs-Editors (Kopfzeile fehlt).";
        return out;
    }
    if (!terminated) {
        out.error = "Die Datei ist unvollständig: sie enthält nur die Kopfzeile.";
        return out;
    }
    Reader reader(out, keep);
    if (!reader.ReadLines(lines, 1)) out.keys.clear();
    return out;
}

}  // namespace sw
