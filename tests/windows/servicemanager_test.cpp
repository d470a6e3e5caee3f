// The service manager seam on the system's service manager: a registered
// service of the test's own gets the start type and keeps everything else;
// an entry the manager does not know is refused.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/Win32ServiceManager.h"

namespace sw::test {
namespace {

constexpr wchar_t kName[] = L"SwManagerProbe";

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

}  // namespace
}  // namespace sw::test
