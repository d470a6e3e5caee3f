// A small JSON value for the driver's command protocol: one object per line
// in, one object per line out. Texts are UTF-16 (std::wstring) inside the
// driver; the wire format is plain ASCII with \u escapes for everything else,
// so no code page stands between the driver and the test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

class Json {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    Json() = default;
    Json(std::nullptr_t) {}
    Json(bool b) : kind_(Kind::Bool), bool_(b) {}
    Json(int n) : kind_(Kind::Number), number_(n) {}
    Json(long n) : kind_(Kind::Number), number_(static_cast<double>(n)) {}
    Json(long long n) : kind_(Kind::Number), number_(static_cast<double>(n)) {}
    Json(unsigned n) : kind_(Kind::Number), number_(n) {}
    Json(unsigned long n) : kind_(Kind::Number), number_(static_cast<double>(n)) {}
    Json(unsigned long long n) : kind_(Kind::Number), number_(static_cast<double>(n)) {}
    Json(double n) : kind_(Kind::Number), number_(n) {}
    Json(const wchar_t* s) : kind_(Kind::String), string_(s) {}
    Json(std::wstring s) : kind_(Kind::String), string_(std::move(s)) {}

    static Json Array() {
        Json j;
        j.kind_ = Kind::Array;
        return j;
    }
    static Json Object() {
        Json j;
        j.kind_ = Kind::Object;
        return j;
    }

    Kind kind() const { return kind_; }
    bool IsNull() const { return kind_ == Kind::Null; }

    // Object access; a missing member reads as null.
    Json& operator[](const std::string& key) {
        if (kind_ != Kind::Object) *this = Object();
        return members_[key];
    }
    const Json& Get(const std::string& key) const {
        static const Json null;
        auto it = members_.find(key);
        return it == members_.end() ? null : it->second;
    }
    bool Has(const std::string& key) const { return members_.count(key) != 0; }

    void Push(Json value) {
        if (kind_ != Kind::Array) *this = Array();
        items_.push_back(std::move(value));
    }
    const std::vector<Json>& Items() const { return items_; }

    double Number(double fallback = 0) const { return kind_ == Kind::Number ? number_ : fallback; }
    long long Int(long long fallback = 0) const {
        return kind_ == Kind::Number ? static_cast<long long>(number_) : fallback;
    }
    bool Bool(bool fallback = false) const { return kind_ == Kind::Bool ? bool_ : fallback; }
    const std::wstring& String() const { return string_; }
    std::wstring String(const std::wstring& fallback) const { return kind_ == Kind::String ? string_ : fallback; }

    std::string Dump() const {
        std::string out;
        DumpTo(out);
        return out;
    }

    static Json Parse(const std::string& text) {
        std::size_t at = 0;
        Json value = ParseValue(text, at);
        SkipBlanks(text, at);
        if (at != text.size()) throw std::runtime_error("trailing characters after the JSON value");
        return value;
    }

private:
    void DumpTo(std::string& out) const {
        switch (kind_) {
            case Kind::Null: out += "null"; break;
            case Kind::Bool: out += bool_ ? "true" : "false"; break;
            case Kind::Number: {
                char buffer[64];
                if (number_ == static_cast<double>(static_cast<long long>(number_)))
                    std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(number_));
                else
                    std::snprintf(buffer, sizeof buffer, "%.17g", number_);
                out += buffer;
                break;
            }
            case Kind::String: DumpString(string_, out); break;
            case Kind::Array: {
                out += '[';
                bool first = true;
                for (const auto& item : items_) {
                    if (!first) out += ',';
                    first = false;
                    item.DumpTo(out);
                }
                out += ']';
                break;
            }
            case Kind::Object: {
                out += '{';
                bool first = true;
                for (const auto& [key, value] : members_) {
                    if (!first) out += ',';
                    first = false;
                    DumpString(std::wstring(key.begin(), key.end()), out);
                    out += ':';
                    value.DumpTo(out);
                }
                out += '}';
                break;
            }
        }
    }

    static void DumpString(const std::wstring& s, std::string& out) {
        out += '"';
        for (wchar_t wc : s) {
            const auto c = static_cast<std::uint16_t>(wc);
            if (c == '"') out += "\\\"";
            else if (c == '\\') out += "\\\\";
            else if (c >= 0x20 && c < 0x7f) out += static_cast<char>(c);
            else {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            }
        }
        out += '"';
    }

    static void SkipBlanks(const std::string& t, std::size_t& at) {
        while (at < t.size() && (t[at] == ' ' || t[at] == '\t' || t[at] == '\r' || t[at] == '\n')) ++at;
    }

    static void Expect(const std::string& t, std::size_t& at, char c) {
        SkipBlanks(t, at);
        if (at >= t.size() || t[at] != c) throw std::runtime_error(std::string("expected '") + c + "'");
        ++at;
    }

    static std::wstring ParseString(const std::string& t, std::size_t& at) {
        Expect(t, at, '"');
        std::wstring s;
        while (at < t.size() && t[at] != '"') {
            char c = t[at++];
            if (c != '\\') {
                // Raw bytes above ASCII are taken as UTF-8.
                const auto u = static_cast<unsigned char>(c);
                if (u < 0x80) {
                    s += static_cast<wchar_t>(u);
                } else {
                    int extra = u >= 0xF0 ? 3 : u >= 0xE0 ? 2 : 1;
                    std::uint32_t cp = u & (0x3F >> extra);
                    for (int i = 0; i < extra && at < t.size(); ++i) cp = (cp << 6) | (t[at++] & 0x3F);
                    if (cp >= 0x10000) {
                        cp -= 0x10000;
                        s += static_cast<wchar_t>(0xD800 + (cp >> 10));
                        s += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
                    } else {
                        s += static_cast<wchar_t>(cp);
                    }
                }
                continue;
            }
            if (at >= t.size()) break;
            c = t[at++];
            switch (c) {
                case 'n': s += L'\n'; break;
                case 't': s += L'\t'; break;
                case 'r': s += L'\r'; break;
                case 'b': s += L'\b'; break;
                case 'f': s += L'\f'; break;
                case 'u': {
                    if (at + 4 > t.size()) throw std::runtime_error("short \\u escape");
                    s += static_cast<wchar_t>(std::stoul(t.substr(at, 4), nullptr, 16));
                    at += 4;
                    break;
                }
                default: s += static_cast<wchar_t>(c); break;
            }
        }
        if (at >= t.size()) throw std::runtime_error("unterminated string");
        ++at;
        return s;
    }

    static Json ParseValue(const std::string& t, std::size_t& at) {
        SkipBlanks(t, at);
        if (at >= t.size()) throw std::runtime_error("unexpected end of input");
        const char c = t[at];
        if (c == '"') return Json(ParseString(t, at));
        if (c == '{') {
            ++at;
            Json obj = Object();
            SkipBlanks(t, at);
            if (at < t.size() && t[at] == '}') {
                ++at;
                return obj;
            }
            for (;;) {
                const std::wstring key = ParseString(t, at);
                Expect(t, at, ':');
                obj[std::string(key.begin(), key.end())] = ParseValue(t, at);
                SkipBlanks(t, at);
                if (at < t.size() && t[at] == ',') {
                    ++at;
                    continue;
                }
                Expect(t, at, '}');
                return obj;
            }
        }
        if (c == '[') {
            ++at;
            Json arr = Array();
            SkipBlanks(t, at);
            if (at < t.size() && t[at] == ']') {
                ++at;
                return arr;
            }
            for (;;) {
                arr.Push(ParseValue(t, at));
                SkipBlanks(t, at);
                if (at < t.size() && t[at] == ',') {
                    ++at;
                    continue;
                }
                Expect(t, at, ']');
                return arr;
            }
        }
        if (t.compare(at, 4, "true") == 0) {
            at += 4;
            return Json(true);
        }
        if (t.compare(at, 5, "false") == 0) {
            at += 5;
            return Json(false);
        }
        if (t.compare(at, 4, "null") == 0) {
            at += 4;
            return Json();
        }
        std::size_t used = 0;
        const double n = std::stod(t.substr(at, 64), &used);
        at += used;
        return Json(n);
    }

    Kind kind_ = Kind::Null;
    bool bool_ = false;
    double number_ = 0;
    std::wstring string_;
    std::vector<Json> items_;
    std::map<std::string, Json> members_;
};

}  // namespace e2e
