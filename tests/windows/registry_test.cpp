// The registry conformance tests against advapi32, on a private key below
// HKEY_CURRENT_USER that the test makes at the start and removes at the end.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "shared/RegistryConformance.h"
#include "win32/Win32Platform.h"
#include "win32/WideText.h"
#include "win32/MessageLoop.h"
#include "win32/Win32Registry.h"
#include "win32/Win32RegistryWatch.h"

namespace sw::test {
namespace {

class Win32Backend final : public RegistryBackend {
public:
    Win32Backend() : base_("Software\\StartwartTest" + std::to_string(GetCurrentProcessId())) {
        RegDeleteTreeW(HKEY_CURRENT_USER, Wide(base_).c_str());
        CreateKey("", "");
    }
    ~Win32Backend() override {
        // Access that a test took away is given back so the key can go.
        for (const auto& path : guarded_) SetDacl(path, "D:(A;OICI;KA;;;WD)");
        RegDeleteTreeW(HKEY_CURRENT_USER, Wide(base_).c_str());
    }
    RegistryApi& Api() override { return api_; }
    RegKey Root() const override { return kHkeyCurrentUser; }
    std::string Base() const override { return base_; }
    // Keys are made and opened through the wide calls: Wine's ANSI calls
    // refuse paths longer than 255 characters, which the longest key names
    // need, and no code page holds every name the tests give. Values go
    // through the ANSI calls, so what the program writes in UTF-16 is
    // checked through the registry's own conversion.
    void CreateKey(const std::string& path, const std::string& className) override {
        HKEY key = nullptr;
        std::wstring cls = Wide(className);
        RegCreateKeyExW(HKEY_CURRENT_USER, Wide(Full(path)).c_str(), 0, cls.empty() ? nullptr : cls.data(), 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
        if (key) RegCloseKey(key);
    }
    void SetRaw(const std::string& path, const std::string& name, std::uint32_t type, const std::string& data) override {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, Wide(Full(path)).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
        ASSERT_NE(key, nullptr);
        RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()));
        RegCloseKey(key);
    }
    std::optional<RawValue> GetRaw(const std::string& path, const std::string& name) override {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(Full(path)).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return std::nullopt;
        DWORD type = 0, size = 0;
        std::optional<RawValue> result;
        if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            std::string data(size, '\0');
            RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
            data.resize(size);
            result = RawValue{type, data};
        }
        RegCloseKey(key);
        return result;
    }
    bool KeyPresent(const std::string& path) override {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(Full(path)).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    bool DenyRead(const std::string& path) override { return Guard(path, "D:(D;;KA;;;WD)"); }
    // Everyone may read; nobody may do more.
    bool DenyFull(const std::string& path) override { return Guard(path, "D:(A;;KR;;;WD)"); }
    std::string KnownDifference(const std::string& check) override {
        // Seen on Wine 8: a text stored through the ANSI calls without its
        // NUL is read back with a NUL and one byte more; a zero-length text
        // likewise comes back as one NUL.
        if (IsWine() && (check == "noNul" || check == "zeroLength"))
            return "Wine stores an ANSI text without its NUL with a NUL added";
        // Seen on Wine 8: RegCreateKeyExW creates a subkey below a key whose
        // DACL allows only reading; Windows refuses with access denied.
        if (IsWine() && check == "createBelowReadOnly")
            return "Wine creates a subkey below a key that allows only reading";
        return {};
    }

private:
    static bool IsWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }
    std::string Full(const std::string& path) const { return path.empty() ? base_ : base_ + "\\" + path; }
    bool SetDacl(const std::string& path, const char* sddl) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr)) return false;
        HKEY key = nullptr;
        bool ok = RegOpenKeyExW(HKEY_CURRENT_USER, Wide(Full(path)).c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS;
        if (ok) {
            ok = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd) == ERROR_SUCCESS;
            RegCloseKey(key);
        }
        LocalFree(sd);
        return ok;
    }
    // Sets the DACL and checks that the registry now refuses what it should;
    // false (the test skips) where the registry does not enforce it.
    bool Guard(const std::string& path, const char* sddl) {
        CreateKey(path, "");
        guarded_.push_back(path);
        if (!SetDacl(path, sddl)) return false;
        HKEY key = nullptr;
        const LONG full = RegOpenKeyExW(HKEY_CURRENT_USER, Wide(Full(path)).c_str(), 0, KEY_ALL_ACCESS, &key);
        if (full == ERROR_SUCCESS) {
            RegCloseKey(key);
            return false;
        }
        return true;
    }

    std::string base_;
    Win32Registry api_;
    std::vector<std::string> guarded_;
};

}  // namespace

std::unique_ptr<RegistryBackend> MakeBackend() { return std::make_unique<Win32Backend>(); }
const AnsiCodec& BackendCodec() {
    static Win32Codec codec;
    return codec;
}

}  // namespace sw::test

namespace sw::test {

TEST(Win32CodecTest, ExactConversionRefusesBestFitAndTheDefaultCharacter) {
    if (GetACP() != 1252) GTEST_SKIP() << "written for the Western code page, this prefix has " << GetACP();
    Win32Codec codec;
    EXPECT_EQ(codec.ToAnsi("AccSvcManual\uFF3C"), "AccSvcManual\\") << "the best fit this guards against";
    EXPECT_EQ(codec.ToAnsiExactly("AccSvcManual\uFF3C"), std::nullopt);
    EXPECT_EQ(codec.ToAnsiExactly("AccKyr\u0416"), std::nullopt);
    EXPECT_EQ(codec.ToAnsiExactly("Gr\u00FC\u00DFe \u20AC ?"), std::optional<std::string>("Gr\xFC\xDF" "e \x80 ?"));
    EXPECT_EQ(codec.ToAnsiExactly("lone \xED\xA0\x80"), std::nullopt) << "a lone surrogate carried in UTF-8";
    EXPECT_EQ(codec.ToAnsiExactly(""), std::optional<std::string>(""));
}

}  // namespace sw::test

namespace sw::test {

// A key name with a lone surrogate goes into the list box and comes back as
// the same units, so it still names its own key.
TEST(WideTextTest, ALoneSurrogateSurvivesTheWayThroughTheWideCalls) {
    const std::wstring name = std::wstring(L"Svc") + static_cast<wchar_t>(0xD800) + L"x";
    EXPECT_EQ(Wide(Utf8(name)), name);
    EXPECT_EQ(Utf8(L"AccKyr\u0416"), "AccKyr\xD0\x96");
    HWND list = CreateWindowExW(0, L"LISTBOX", L"", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(Utf8(name)).c_str()));
    wchar_t back[16] = {};
    SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(back));
    DestroyWindow(list);
    EXPECT_EQ(Utf8(back), Utf8(name));
}

}  // namespace sw::test

namespace sw::test {

// Indirect texts resolved by advapi32 from the test's own string-table
// library, on a private key. Values of both text types resolve; one naming
// "%SystemRoot%" resolves from a copy of the library in the system folder;
// a missing library or string number leaves the text as stored.
class IndirectTextTest : public ::testing::Test {
protected:
    IndirectTextTest() : path_("Software\\StartwartIndirect" + std::to_string(GetCurrentProcessId())) {}
    void SetUp() override {
        wchar_t module[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, module, MAX_PATH);
        std::wstring folder(module);
        folder.resize(folder.find_last_of(L'\\'));
        library_ = folder + L"\\IndirectStrings.dll";
        ASSERT_NE(GetFileAttributesW(library_.c_str()), INVALID_FILE_ATTRIBUTES) << "built beside the tests";
        wchar_t system[MAX_PATH] = {};
        ASSERT_NE(GetSystemDirectoryW(system, MAX_PATH), 0u);
        copyName_ = L"swind" + std::to_wstring(GetCurrentProcessId()) + L".dll";
        systemCopy_ = std::wstring(system) + L"\\" + copyName_;
        ASSERT_TRUE(CopyFileW(library_.c_str(), systemCopy_.c_str(), FALSE)) << GetLastError();
        RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path_).c_str());
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path_).c_str());
        if (!systemCopy_.empty()) DeleteFileW(systemCopy_.c_str());
    }
    void Set(const char* name, DWORD type, const std::wstring& text) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path_).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, Wide(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    std::string path_;
    std::wstring library_;
    std::wstring copyName_;
    std::wstring systemCopy_;
};

TEST_F(IndirectTextTest, ResolvesBothTextTypesAndLeavesTheUnresolvableAsStored) {
    Set("Sz", REG_SZ, L"@" + library_ + L",-101");
    Set("Expand", REG_EXPAND_SZ, L"@" + library_ + L",-102");
    Set("SystemRoot", REG_EXPAND_SZ, L"@%SystemRoot%\\system32\\" + copyName_ + L",-101");
    Set("NoLibrary", REG_SZ, L"@C:\\nirgends\\fehlt.dll,-101");
    Set("NoString", REG_SZ, L"@" + library_ + L",-999");
    Set("Plain", REG_SZ, L"Kein Verweis");

    Win32Registry api;
    Registry registry(api, BackendCodec());
    const auto values = registry.ReadShownValues(kHkeyCurrentUser, path_,
                                                 {"Sz", "Expand", "SystemRoot", "NoLibrary", "NoString", "Plain"});
    const auto shown = [&](std::size_t i) { return values[i] ? CutAtNul(AsText(*values[i])) : "<unread>"; };
    EXPECT_EQ(shown(0), "Aufgel\u00F6ster Dienstname");
    EXPECT_EQ(shown(1), "Beschreibung \u00FCber die Zeichentabelle: \u0416 \u20AC");
    EXPECT_EQ(shown(2), "Aufgel\u00F6ster Dienstname");
    EXPECT_EQ(shown(3), "@C:\\nirgends\\fehlt.dll,-101");
    EXPECT_EQ(shown(4), "@" + Utf8(library_) + ",-999");
    EXPECT_EQ(shown(5), "Kein Verweis");

    // What the key stores is read as it is.
    EXPECT_EQ(CutAtNul(AsText(*registry.Read(kHkeyCurrentUser, path_, "Sz"))), "@" + Utf8(library_) + ",-101");
}

}  // namespace sw::test

namespace sw::test {

// The watch of a key and its subtree: a value written below it by another
// process (the system's reg.exe) is seen, the watch is renewed so the next
// change is seen too, and the thread timer's looks come through the
// program's message pump.
class RegistryWatchTest : public ::testing::Test {
protected:
    RegistryWatchTest() : path_("Software\\StartwartWatch" + std::to_string(GetCurrentProcessId())) {}
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path_).c_str());
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path_ + "\\Dienst\\Parameters").c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path_).c_str()); }

    // reg.exe from the system folder writes a text below the watched key
    // and is waited for.
    void RegAdd(const std::string& data) {
        wchar_t system[MAX_PATH] = {};
        ASSERT_NE(GetSystemDirectoryW(system, MAX_PATH), 0u);
        const std::wstring exe = std::wstring(system) + L"\\reg.exe";
        std::wstring command = L"\"" + exe + L"\" add \"HKCU\\" + Wide(path_) +
                               L"\\Dienst\\Parameters\" /v ServiceDll /t REG_SZ /d " + Wide(data) + L" /f";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                                   nullptr, &startup, &process))
            << GetLastError();
        ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0) << "reg.exe did not end";
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        ASSERT_EQ(code, 0u) << "reg.exe failed";
    }
    // Whether the watch reports a change within a bounded wait.
    static bool ChangedWithin(RegistryWatch& watch, DWORD ms) {
        const ULONGLONG until = GetTickCount64() + ms;
        do {
            if (watch.Changed()) return true;
            Sleep(10);
        } while (GetTickCount64() < until);
        return false;
    }
    // Waits up to ms for the thread's messages and dispatches its timers
    // as the program's pump does. Only timers: a quit that an earlier test
    // left in the queue would come before them and stop the pump.
    static void PumpTimers(DWORD ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_TIMER);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) DispatchWithDialogKeys(msg);
    }
    std::string path_;
};

TEST_F(RegistryWatchTest, AValueWrittenBelowTheKeyByAnotherProcessIsSeenAndSeenAgainAfterTheRenewal) {
    Win32RegistryWatch watch;
    EXPECT_TRUE(watch.Changed()) << "nothing watched yet: every state may have changed";
    ASSERT_TRUE(watch.Start(kHkeyCurrentUser, path_));
    EXPECT_FALSE(watch.Changed());

    RegAdd("eins.dll");
    EXPECT_TRUE(ChangedWithin(watch, 5000)) << "a value written two keys down was not reported";
    EXPECT_FALSE(watch.Changed()) << "one change is reported once";
    RegAdd("zwei.dll");
    EXPECT_TRUE(ChangedWithin(watch, 5000)) << "the renewed watch missed the second change";

    // The looks come from the thread timer through the message pump.
    int looks = 0;
    bool seen = false;
    watch.LookEvery([&] {
        ++looks;
        seen = seen || watch.Changed();
    });
    RegAdd("drei.dll");
    const ULONGLONG until = GetTickCount64() + 10000;
    while (!seen && GetTickCount64() < until) PumpTimers(50);
    EXPECT_TRUE(seen) << "no look saw the change within 10 s (" << looks << " looks)";
    watch.LookEvery({});
    const int stopped = looks;
    const ULONGLONG quiet = GetTickCount64() + 3 * kRegistryLookMs;
    while (GetTickCount64() < quiet) PumpTimers(50);
    EXPECT_EQ(looks, stopped) << "looks after they were stopped";

    // A key that cannot be opened is never trusted.
    Win32RegistryWatch missing;
    EXPECT_FALSE(missing.Start(kHkeyCurrentUser, path_ + "\\Fehlt"));
    EXPECT_TRUE(missing.Changed());
}

}  // namespace sw::test
