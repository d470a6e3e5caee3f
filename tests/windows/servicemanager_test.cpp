// The service manager seam on the system's service manager: a registered
// service of the test's own gets the start type and keeps everything else;
// an entry the manager does not know is refused. The restore's calls:
// query, change only the fields asked for, the delayed start, the failure
// command with the failure actions kept, creating a service, and the
// system's text for an error.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "changes/ChangesRestorer.h"
#include "regexport/RegExport.h"
#include "shared/ChangeRows.h"
#include "registry/Registry.h"
#include "win32/Win32Platform.h"
#include "win32/Win32Registry.h"
#include "win32/Win32ServiceManager.h"
#include "win32/WideText.h"

namespace sw::test {
namespace {

constexpr wchar_t kName[] = L"SwManagerProbe";

// Closes a handle the test opened.
struct ServiceHandleForTest {
    SC_HANDLE handle;
    explicit ServiceHandleForTest(SC_HANDLE h) : handle(h) {}
    ~ServiceHandleForTest() {
        if (handle != nullptr) CloseServiceHandle(handle);
    }
    ServiceHandleForTest(const ServiceHandleForTest&) = delete;
    ServiceHandleForTest& operator=(const ServiceHandleForTest&) = delete;
};

std::string FoldForTest(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class ServiceManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A fresh prefix starts its service manager beside the first program
        // and refuses meanwhile (1722): wait for it, for a bounded time.
        const DWORD start = GetTickCount();
        while ((manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) == nullptr &&
               GetTickCount() - start < 30000)
            Sleep(50);
        ASSERT_NE(manager_, nullptr) << "the service manager did not answer within 30 s: " << GetLastError();
        service_ = CreateServiceW(manager_, kName, L"Sonde des Dienstmanagers", SERVICE_ALL_ACCESS,
                                  SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                  L"C:\\Sonde\\probe.exe --arg", nullptr, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(service_, nullptr) << GetLastError();
    }
    void TearDown() override {
        if (service_ != nullptr) {
            DeleteService(service_);
            CloseServiceHandle(service_);
        }
        if (manager_ != nullptr) CloseServiceHandle(manager_);
    }
    // The manager's own view of the service's configuration.
    QUERY_SERVICE_CONFIGW* Config() {
        DWORD needed = 0;
        QueryServiceConfigW(service_, nullptr, 0, &needed);
        buffer_.assign(needed, 0);
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer_.data());
        return QueryServiceConfigW(service_, config, needed, &needed) ? config : nullptr;
    }
    DWORD RegistryStart() {
        DWORD value = 0xFFFFFFFF, size = sizeof value;
        RegGetValueW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\SwManagerProbe", L"Start",
                     RRF_RT_REG_DWORD, nullptr, &value, &size);
        return value;
    }

    SC_HANDLE manager_ = nullptr;
    SC_HANDLE service_ = nullptr;
    std::vector<unsigned char> buffer_;
};

TEST_F(ServiceManagerTest, SetsTheStartTypeAndNothingElse) {
    Win32ServiceManager seam;
    for (std::uint32_t start : {4u, 2u, 3u}) {
        ASSERT_TRUE(seam.SetStartType("SwManagerProbe", start)) << start;
        const QUERY_SERVICE_CONFIGW* config = Config();
        ASSERT_NE(config, nullptr);
        EXPECT_EQ(config->dwStartType, start);
        EXPECT_EQ(RegistryStart(), start) << "the manager writes the registry too";
        EXPECT_EQ(config->dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
        EXPECT_EQ(config->dwErrorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
        EXPECT_STREQ(config->lpBinaryPathName, L"C:\\Sonde\\probe.exe --arg");
        EXPECT_STREQ(config->lpDisplayName, L"Sonde des Dienstmanagers");
    }
    // A disabled service cannot be started from then on.
    ASSERT_TRUE(seam.SetStartType("SwManagerProbe", 4));
    EXPECT_FALSE(StartServiceW(service_, 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DISABLED));
}

TEST_F(ServiceManagerTest, RefusesWhatItDoesNotKnowAndStartTypesOutsideTheEditors) {
    Win32ServiceManager seam;
    EXPECT_FALSE(seam.SetStartType("SwNoSuchServiceAnywhere", 4));
    EXPECT_FALSE(seam.SetStartType("SwManagerProbe", 1));  // system start: not the editor's to set
    EXPECT_FALSE(seam.SetStartType("SwManagerProbe", 5));
    const QUERY_SERVICE_CONFIGW* config = Config();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_DEMAND_START));
}

bool IsWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

TEST_F(ServiceManagerTest, QueriesAndChangesOnlyTheFieldsAskedFor) {
    Win32ServiceManager seam;
    ServiceConfig config;
    ASSERT_EQ(seam.QueryConfig("SwManagerProbe", config), 0u);
    EXPECT_EQ(config.type, static_cast<std::uint32_t>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(config.start, static_cast<std::uint32_t>(SERVICE_DEMAND_START));
    EXPECT_EQ(config.imagePath, "C:\\Sonde\\probe.exe --arg");
    EXPECT_EQ(config.displayName, "Sonde des Dienstmanagers");
    EXPECT_EQ(config.account, "LocalSystem");

    ServiceConfigChange change;
    change.imagePath = "C:\\Sonde\\gr\xc3\xbcn.exe";
    change.group = "Sondengruppe";
    change.displayName = "Neue Sonde";
    ASSERT_EQ(seam.ChangeConfig("SwManagerProbe", change), 0u);
    ServiceConfigChange account;
    account.account = "NT AUTHORITY\\LocalService";
    ASSERT_EQ(seam.ChangeConfig("SwManagerProbe", account), 0u);
    const QUERY_SERVICE_CONFIGW* now = Config();
    ASSERT_NE(now, nullptr);
    EXPECT_STREQ(now->lpBinaryPathName, L"C:\\Sonde\\gr\u00fcn.exe");
    EXPECT_STREQ(now->lpLoadOrderGroup, L"Sondengruppe");
    EXPECT_STREQ(now->lpDisplayName, L"Neue Sonde");
    EXPECT_EQ(_wcsicmp(now->lpServiceStartName, L"NT AUTHORITY\\LocalService"), 0) << now->lpServiceStartName;
    EXPECT_EQ(now->dwStartType, static_cast<DWORD>(SERVICE_DEMAND_START)) << "not asked for, kept";
    EXPECT_EQ(now->dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    ASSERT_EQ(seam.QueryConfig("SwManagerProbe", config), 0u);
    EXPECT_EQ(config.imagePath, "C:\\Sonde\\gr\xc3\xbcn.exe");

    EXPECT_EQ(seam.QueryConfig("SwNoSuchServiceAnywhere", config), kErrorServiceDoesNotExist);
    EXPECT_EQ(seam.ChangeConfig("SwNoSuchServiceAnywhere", change), kErrorServiceDoesNotExist);
    EXPECT_EQ(seam.SetDelayedAutoStart("SwNoSuchServiceAnywhere", true), kErrorServiceDoesNotExist);
    EXPECT_EQ(seam.SetFailureCommand("SwNoSuchServiceAnywhere", "x"), kErrorServiceDoesNotExist);
    EXPECT_FALSE(seam.SystemMessage(ERROR_ACCESS_DENIED).empty());
    EXPECT_FALSE(seam.SystemMessage(kErrorServiceDoesNotExist).empty());
    EXPECT_EQ(seam.SystemMessage(ERROR_ACCESS_DENIED).find('\n'), std::string::npos) << "without its line end";
}

TEST_F(ServiceManagerTest, TheFailureCommandIsReplacedAndTheFailureActionsKept) {
    SC_ACTION restart{SC_ACTION_RESTART, 60000};
    SERVICE_FAILURE_ACTIONSW actions{86400, nullptr, nullptr, 1, &restart};
    ASSERT_TRUE(ChangeServiceConfig2W(service_, SERVICE_CONFIG_FAILURE_ACTIONS, &actions)) << GetLastError();
    Win32ServiceManager seam;
    const std::uint32_t error = seam.SetFailureCommand("SwManagerProbe", "C:\\heil.cmd");
    if (IsWine()) {
        // Wine 8 cannot tell its failure actions (QueryServiceConfig2W
        // fails with 124), so they cannot be written back unchanged: the
        // command is refused with that error, and the restore falls back to
        // the registry.
        EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_INVALID_LEVEL));
        return;
    }
    ASSERT_EQ(error, 0u);
    DWORD needed = 0;
    QueryServiceConfig2W(service_, SERVICE_CONFIG_FAILURE_ACTIONS, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    ASSERT_TRUE(QueryServiceConfig2W(service_, SERVICE_CONFIG_FAILURE_ACTIONS, buffer.data(), needed, &needed));
    const auto* now = reinterpret_cast<const SERVICE_FAILURE_ACTIONSW*>(buffer.data());
    ServiceConfig config;
    ASSERT_EQ(seam.QueryConfig("SwManagerProbe", config), 0u);
    EXPECT_EQ(config.failureCommand, "C:\\heil.cmd");
    EXPECT_EQ(now->dwResetPeriod, 86400u);
    ASSERT_EQ(now->cActions, 1u);
    EXPECT_EQ(now->lpsaActions[0].Type, SC_ACTION_RESTART);
    EXPECT_EQ(now->lpsaActions[0].Delay, 60000u);
}

TEST_F(ServiceManagerTest, TheDelayedStartIsSetWhereTheManagerHasIt) {
    Win32ServiceManager seam;
    ASSERT_TRUE(seam.SetStartType("SwManagerProbe", 2));
    const std::uint32_t error = seam.SetDelayedAutoStart("SwManagerProbe", true);
    ServiceConfig config;
    ASSERT_EQ(seam.QueryConfig("SwManagerProbe", config), 0u);
    if (IsWine()) {
        EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_INVALID_LEVEL)) << "Wine 8 has no delayed start";
        EXPECT_FALSE(config.delayedAutoStart);
        return;
    }
    EXPECT_EQ(error, 0u);
    EXPECT_TRUE(config.delayedAutoStart);
}

TEST_F(ServiceManagerTest, CreatesAServiceAndSaysWhenItExists) {
    Win32ServiceManager seam;
    NewService created{"SwRestoreProbe", "Wiederhergestellte Sonde", SERVICE_WIN32_OWN_PROCESS, SERVICE_DISABLED,
                       SERVICE_ERROR_IGNORE, "C:\\Sonde\\wieder.exe", "", "NT AUTHORITY\\NetworkService"};
    ASSERT_EQ(seam.Create(created), 0u);
    ServiceConfig config;
    const std::uint32_t queried = seam.QueryConfig("SwRestoreProbe", config);
    EXPECT_EQ(seam.Create(created), kErrorServiceExists);
    const ServiceHandleForTest probe(OpenServiceW(manager_, L"SwRestoreProbe", DELETE));
    ASSERT_NE(probe.handle, nullptr);
    DeleteService(probe.handle);
    ASSERT_EQ(queried, 0u);
    EXPECT_EQ(config.type, static_cast<std::uint32_t>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(config.start, static_cast<std::uint32_t>(SERVICE_DISABLED));
    EXPECT_EQ(config.errorControl, static_cast<std::uint32_t>(SERVICE_ERROR_IGNORE));
    EXPECT_EQ(config.imagePath, "C:\\Sonde\\wieder.exe");
    EXPECT_EQ(config.displayName, "Wiederhergestellte Sonde");
    EXPECT_EQ(FoldForTest(config.account), FoldForTest("NT AUTHORITY\\NetworkService"));
}

// The restore over the real seams: a service changed through the manager
// behind the program's back is put back through it, its service DLL through
// the registry, and a service removed is registered anew with its subkey.
class InFolder final : public Program {
public:
    explicit InFolder(std::string folder) : folder_(std::move(folder)) {}
    VersionRecord Version() override { return {6, 1, 7601, 2}; }
    std::string Folder() override { return folder_; }
    std::string BaseName() override { return "Merotan"; }
    std::string WindowsFolder() override { return "C:\\Windows"; }
    bool ClaimFolder(HeldFolder) override { return true; }
    [[noreturn]] void EndNow() override { ExitProcess(3); }

private:
    std::string folder_;
};

std::string Utf16Bytes(const std::wstring& text) {
    std::string bytes;
    for (const wchar_t c : text + L'\0') {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

TEST_F(ServiceManagerTest, TheRestorePutsServicesBackThroughTheManagerAndTheRegistry) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"SwRestore" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::string services = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services";
    const auto dword = [](std::uint32_t n) { return std::string(reinterpret_cast<const char*>(&n), 4); };
    const std::vector<ExportKey> previous = {
        {services, {}},
        {services + "\\SwManagerProbe",
         {{"Type", REG_DWORD, dword(0x10)},
          {"Start", REG_DWORD, dword(3)},
          {"ErrorControl", REG_DWORD, dword(1)},
          {"ImagePath", REG_EXPAND_SZ, Utf16Bytes(L"C:\\Sonde\\probe.exe --arg")},
          {"DisplayName", REG_SZ, Utf16Bytes(L"Sonde des Dienstmanagers")},
          {"ObjectName", REG_SZ, Utf16Bytes(L"LocalSystem")}}},
        {services + "\\SwManagerProbe\\Parameters", {{"ServiceDll", REG_EXPAND_SZ, Utf16Bytes(L"C:\\Sonde\\alt.dll")}}},
        {services + "\\SwRestoreGone",
         {{"Type", REG_DWORD, dword(0x10)},
          {"Start", REG_DWORD, dword(3)},
          {"ErrorControl", REG_DWORD, dword(1)},
          {"ImagePath", REG_EXPAND_SZ, Utf16Bytes(L"C:\\Sonde\\gone.exe")},
          {"DisplayName", REG_SZ, Utf16Bytes(L"SwRestoreGone")},
          {"ObjectName", REG_SZ, Utf16Bytes(L"LocalSystem")}}},
        {services + "\\SwRestoreGone\\Parameters", {{"Wert", REG_DWORD, dword(7)}}},
    };
    Win32Files files;
    const std::string folderUtf8 = Utf8(folder);
    ASSERT_TRUE(files.Write(folderUtf8 + "\\Merotan.tmr", WriteRegFile(previous)));

    // Behind the program's back: disabled and pointed elsewhere through the
    // manager, the service DLL changed in the registry.
    ASSERT_TRUE(ChangeServiceConfigW(service_, SERVICE_NO_CHANGE, SERVICE_DISABLED, SERVICE_NO_CHANGE,
                                     L"C:\\Sonde\\boese.exe", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    HKEY parameters = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\SwManagerProbe\\Parameters", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &parameters, nullptr),
              ERROR_SUCCESS);
    const std::string dll = Utf16Bytes(L"C:\\Sonde\\neu.dll");
    RegSetValueExW(parameters, L"ServiceDll", 0, REG_SZ, reinterpret_cast<const BYTE*>(dll.data()),
                   static_cast<DWORD>(dll.size()));
    RegCloseKey(parameters);

    Win32Codec codec;
    Win32Registry api;
    Registry registry(api, codec);
    Win32ServiceManager manager;
    InFolder program(folderUtf8);
    Win32Clock clock;
    ChangesRestorer restorer(registry, manager, files, program, clock);
    const std::vector<ChangeRow> rows = {test::RowOf("Sonde", "SwManagerProbe", "Start", "Manuell", "Deaktiviert"),
                                         test::RowOf("Sonde", "SwManagerProbe", "ImagePath"),
                                         test::RowOf("Sonde", "SwManagerProbe", "Parameters\\ServiceDll"),
                                         test::RowOf("SwRestoreGone", "SwRestoreGone", kEntryRemoved)};
    const RestorePlan plan = restorer.Plan(rows, PreviousRunState(files, program, rows));
    ASSERT_EQ(plan.failure, "");
    const RestoreResult result = restorer.CarryOut(plan);

    const ServiceHandleForTest gone(OpenServiceW(manager_, L"SwRestoreGone", SERVICE_QUERY_CONFIG | DELETE));
    if (gone.handle != nullptr) DeleteService(gone.handle);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\SwRestoreGone");
    std::string undo;
    const bool undoRead = files.Read(result.undoFile, undo);
    files.Delete(result.undoFile);
    files.Delete(folderUtf8 + "\\Merotan.tmr");
    RemoveDirectoryW(folder.c_str());

    ASSERT_EQ(result.failure, "");
    std::vector<std::string> outcomes;
    for (const auto& row : result.rows)
        outcomes.push_back(row.key + " " + ChangeText(row.change) + ": " + std::to_string(static_cast<int>(row.kind)) + " " +
                           row.reason);
    // Start and image path through the manager; the service DLL, which it
    // has no call for, in the registry for the next start.
    ASSERT_EQ(outcomes.size(), 4u);
    EXPECT_EQ(outcomes[0], "SwManagerProbe Start: 0 ");
    EXPECT_EQ(outcomes[1], "SwManagerProbe ImagePath: 0 ");
    EXPECT_EQ(outcomes[2].rfind("SwManagerProbe Parameters\\ServiceDll: 1 ", 0), 0u) << outcomes[2];
    EXPECT_EQ(outcomes[3], "SwRestoreGone Eintrag entfernt: 0 ");
    ASSERT_NE(gone.handle, nullptr) << "the removed service is known to the manager again";

    const QUERY_SERVICE_CONFIGW* config = Config();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_DEMAND_START));
    EXPECT_STREQ(config->lpBinaryPathName, L"C:\\Sonde\\probe.exe --arg");
    EXPECT_EQ(RegistryStart(), static_cast<DWORD>(SERVICE_DEMAND_START));
    StoredValue stored;
    EXPECT_EQ(registry.ReadStored(kHkeyLocalMachine, ServiceKeyPath("SwManagerProbe") + "\\Parameters", "ServiceDll",
                                  stored),
              kErrorSuccess);
    EXPECT_EQ(stored, (StoredValue{REG_EXPAND_SZ, Utf16Bytes(L"C:\\Sonde\\alt.dll")})) << "in its exported type";
    EXPECT_EQ(registry.ReadStored(kHkeyLocalMachine, ServiceKeyPath("SwManagerProbe"), "ImagePath", stored),
              kErrorSuccess);
    EXPECT_EQ(stored, (StoredValue{REG_EXPAND_SZ, Utf16Bytes(L"C:\\Sonde\\probe.exe --arg")}));

    ASSERT_TRUE(undoRead) << result.undoFile;
    const RegExport file = ReadRegFile(undo);
    ASSERT_TRUE(file.Ok()) << file.error;
    ASSERT_FALSE(file.keys.empty());
    EXPECT_TRUE(file.keys.back().removed);
    EXPECT_EQ(file.keys.back().path, services + "\\SwRestoreGone");
}

}  // namespace
}  // namespace sw::test
