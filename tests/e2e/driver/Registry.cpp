// The registry as the test sees it: exact types and bytes (through the wide
// calls, which hand out what is stored), subkeys in enumeration order, and
// key security for tests that need a key to refuse access.
#include "Driver.h"

#include <sddl.h>

#include <vector>

namespace e2e {
namespace {

HKEY Root(const Json& a) {
    const std::wstring root = a.Get("root").String(L"HKLM");
    if (root == L"HKLM" || root == L"HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
    if (root == L"HKCU" || root == L"HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    if (root == L"HKCR" || root == L"HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
    if (root == L"HKU" || root == L"HKEY_USERS") return HKEY_USERS;
    Fail(L"unknown root " + root);
}

class OpenKey {
public:
    OpenKey(HKEY root, const std::wstring& path, REGSAM access) {
        result = RegOpenKeyExW(root, path.c_str(), 0, access, &key);
    }
    ~OpenKey() {
        if (result == ERROR_SUCCESS) RegCloseKey(key);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY key = nullptr;
    LONG result;
};

std::string Ansi(const std::wstring& w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::vector<std::wstring> SubKeys(HKEY key) {
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[1024];
        DWORD length = 1024;
        const LONG r = RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS) Fail(L"RegEnumKeyExW failed: " + std::to_wstring(r));
        names.emplace_back(name, length);
    }
    return names;
}

Json Values(HKEY key) {
    Json values = Json::Array();
    DWORD maxName = 0, maxData = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData, nullptr,
                     nullptr);
    std::vector<wchar_t> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LONG r = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS) Fail(L"RegEnumValueW failed: " + std::to_wstring(r));
        Json v;
        v["name"] = std::wstring(name.data(), nameLength);
        v["type"] = static_cast<unsigned long>(type);
        v["hex"] = Hex(data.data(), size);
        values.Push(v);
    }
    return values;
}

Json Tree(HKEY key, int depth) {
    Json keys = Json::Array();
    for (const std::wstring& name : SubKeys(key)) {
        Json k;
        k["name"] = name;
        HKEY sub = nullptr;
        const LONG r = RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, &sub);
        k["readable"] = r == ERROR_SUCCESS;
        if (r == ERROR_SUCCESS) {
            k["values"] = Values(sub);
            if (depth > 1) k["keys"] = Tree(sub, depth - 1);
            RegCloseKey(sub);
        }
        keys.Push(k);
    }
    return keys;
}

// Exact bytes to store. RegSetValueEx adds a terminating NUL to a text
// whose given size leaves it out when the memory right behind the data
// holds a NUL character; the data therefore get non-zero bytes behind them,
// so that a text meant to be stored without its NUL is stored that way.
struct Bytes {
    std::vector<BYTE> buffer;
    DWORD size = 0;
    const BYTE* data() const { return size == 0 ? nullptr : buffer.data(); }
};

Bytes FromHex(const std::wstring& hex) {
    Bytes bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.buffer.push_back(static_cast<BYTE>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    bytes.size = static_cast<DWORD>(bytes.buffer.size());
    bytes.buffer.insert(bytes.buffer.end(), {0xCC, 0xCC, 0xCC, 0xCC});
    return bytes;
}

}  // namespace

// {"cmd":"reg_get","root":"HKLM","path":"...","name":"Start"}:
// {"exists", "type", "hex"} as stored (wide call), and "ansi_result",
// "ansi_type", "ansi_hex" as the ANSI call hands it to a program.
Json CmdRegGet(const Json& a) {
    const std::wstring path = a.Get("path").String();
    const std::wstring name = a.Get("name").String(L"");
    Json r;
    OpenKey key(Root(a), path, KEY_READ);
    r["open_result"] = key.result;
    r["exists"] = false;
    if (key.result != ERROR_SUCCESS) return r;
    DWORD type = 0, size = 0;
    LONG q = RegQueryValueExW(key.key, name.c_str(), nullptr, &type, nullptr, &size);
    if (q != ERROR_SUCCESS) {
        r["query_result"] = q;
        return r;
    }
    std::vector<BYTE> data(size + 1);
    q = RegQueryValueExW(key.key, name.c_str(), nullptr, &type, data.data(), &size);
    r["exists"] = q == ERROR_SUCCESS;
    r["type"] = static_cast<unsigned long>(type);
    r["hex"] = Hex(data.data(), size);
    // The same value through the ANSI calls, exactly sized.
    HKEY ansiKey = nullptr;
    const LONG o = RegOpenKeyExA(Root(a), Ansi(path).c_str(), 0, KEY_READ, &ansiKey);
    r["ansi_open_result"] = o;
    if (o == ERROR_SUCCESS) {
        DWORD aType = 0, aSize = 0;
        LONG aq = RegQueryValueExA(ansiKey, Ansi(name).c_str(), nullptr, &aType, nullptr, &aSize);
        if (aq == ERROR_SUCCESS) {
            std::vector<BYTE> aData(aSize + 1);
            aq = RegQueryValueExA(ansiKey, Ansi(name).c_str(), nullptr, &aType, aData.data(), &aSize);
            if (aq == ERROR_SUCCESS) r["ansi_hex"] = Hex(aData.data(), aSize);
        }
        r["ansi_result"] = aq;
        r["ansi_type"] = static_cast<unsigned long>(aType);
        RegCloseKey(ansiKey);
    }
    return r;
}

// {"cmd":"reg_keys","root":"HKLM","path":"..."}: subkey names in the
// registry's enumeration order.
Json CmdRegKeys(const Json& a) {
    OpenKey key(Root(a), a.Get("path").String(), KEY_READ);
    Json r;
    if (key.result != ERROR_SUCCESS) {
        r["ok"] = false;
        r["error"] = L"cannot open the key";
        r["result"] = key.result;
        return r;
    }
    Json names = Json::Array();
    for (const auto& n : SubKeys(key.key)) names.Push(Json(n));
    r["keys"] = names;
    return r;
}

// {"cmd":"reg_tree","root":"HKLM","path":"...","depth":1}: the subkeys in
// enumeration order, each with its values (name, type, stored bytes).
Json CmdRegTree(const Json& a) {
    OpenKey key(Root(a), a.Get("path").String(), KEY_READ);
    if (key.result != ERROR_SUCCESS) Fail(L"cannot open the key: " + std::to_wstring(key.result));
    Json r;
    r["values"] = Values(key.key);
    r["keys"] = Tree(key.key, static_cast<int>(a.Get("depth").Int(1)));
    return r;
}

// {"cmd":"reg_set","root":"HKLM","path":"...","name":"Start","type":4,"hex":"02000000"}:
// creates the key when missing and stores exactly these bytes.
Json CmdRegSet(const Json& a) {
    HKEY key = nullptr;
    LONG r = RegCreateKeyExW(Root(a), a.Get("path").String().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                             nullptr);
    if (r != ERROR_SUCCESS) Fail(L"cannot create the key: " + std::to_wstring(r));
    if (a.Has("name")) {
        const Bytes bytes = FromHex(a.Get("hex").String(L""));
        r = RegSetValueExW(key, a.Get("name").String().c_str(), 0, static_cast<DWORD>(a.Get("type").Int(REG_SZ)),
                           bytes.data(), bytes.size);
    }
    RegCloseKey(key);
    if (r != ERROR_SUCCESS) Fail(L"cannot set the value: " + std::to_wstring(r));
    return Json::Object();
}

// {"cmd":"reg_seed","root":"HKLM","keys":[{"path":"...","values":[{"name":..,"type":..,"hex":..}]}]}:
// many keys and values in one command (creates keys, stores exact bytes).
Json CmdRegSeed(const Json& a) {
    HKEY root = Root(a);
    unsigned long written = 0;
    for (const Json& k : a.Get("keys").Items()) {
        HKEY key = nullptr;
        LONG r = RegCreateKeyExW(root, k.Get("path").String().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                 nullptr);
        if (r != ERROR_SUCCESS) Fail(L"cannot create " + k.Get("path").String() + L": " + std::to_wstring(r));
        for (const Json& v : k.Get("values").Items()) {
            const Bytes bytes = FromHex(v.Get("hex").String(L""));
            r = RegSetValueExW(key, v.Get("name").String().c_str(), 0, static_cast<DWORD>(v.Get("type").Int()),
                               bytes.data(), bytes.size);
            if (r != ERROR_SUCCESS) {
                RegCloseKey(key);
                Fail(L"cannot set " + v.Get("name").String() + L": " + std::to_wstring(r));
            }
            ++written;
        }
        RegCloseKey(key);
    }
    Json j;
    j["values"] = written;
    return j;
}

// {"cmd":"reg_delete_key","root":"HKLM","path":"..."}: removes a key and
// everything below it.
Json CmdRegDeleteKey(const Json& a) {
    const LONG r = RegDeleteTreeW(Root(a), a.Get("path").String().c_str());
    if (r == ERROR_SUCCESS) RegDeleteKeyW(Root(a), a.Get("path").String().c_str());
    Json j;
    j["result"] = r;
    return j;
}

// {"cmd":"reg_dacl","root":"HKLM","path":"...","sddl":"D:P(A;;KR;;;WD)"}:
// replaces the key's access list, e.g. read-only for everyone, or "D:P"
// (empty: no access at all).
Json CmdRegDacl(const Json& a) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(a.Get("sddl").String().c_str(), SDDL_REVISION_1, &sd,
                                                              nullptr))
        Fail(L"bad SDDL: " + std::to_wstring(GetLastError()));
    OpenKey key(Root(a), a.Get("path").String(), WRITE_DAC | READ_CONTROL);
    LONG r = key.result;
    if (r == ERROR_SUCCESS) r = RegSetKeySecurity(key.key, DACL_SECURITY_INFORMATION, sd);
    LocalFree(sd);
    if (r != ERROR_SUCCESS) Fail(L"cannot set the access list: " + std::to_wstring(r));
    return Json::Object();
}

// {"cmd":"reg_open","root":"HKLM","path":"...","access":983103,"ansi":true}:
// the result code of opening the key, as a program would see it.
Json CmdRegOpen(const Json& a) {
    const REGSAM access = static_cast<REGSAM>(a.Get("access").Int(KEY_READ));
    HKEY key = nullptr;
    LONG r;
    if (a.Get("ansi").Bool(true))
        r = RegOpenKeyExA(Root(a), Ansi(a.Get("path").String()).c_str(), 0, access, &key);
    else
        r = RegOpenKeyExW(Root(a), a.Get("path").String().c_str(), 0, access, &key);
    if (r == ERROR_SUCCESS) RegCloseKey(key);
    Json j;
    j["result"] = r;
    return j;
}

}  // namespace e2e
