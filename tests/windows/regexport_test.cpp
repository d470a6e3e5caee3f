// The export reader against the system's own registry editor: values of
// every type are written below a private key with the registry calls,
// exported with regedit.exe from the Windows folder, read back with the
// reader and compared byte for byte. The key is removed afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "regexport/RegExport.h"
#include "win32/WideText.h"

namespace sw::test {
namespace {

const std::wstring kBase = L"Software\\StartwartExportProbe";
const std::wstring kRoot = L"HKEY_CURRENT_USER\\" + kBase;

struct Written {
    std::wstring key;  // below kBase
    std::wstring name;
    DWORD type;
    std::string data;
};

std::string Bytes(const std::wstring& text, bool withNul = true) {
    std::string out(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    if (withNul) out.append(2, '\0');
    return out;
}

std::string Numbered(std::size_t size) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<char>(i * 37 % 256);
    return out;
}

class RegExportRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        file_ = std::wstring(temp) + L"startwart-export-" + std::to_wstring(GetCurrentProcessId()) + L".reg";
        RegDeleteTreeW(HKEY_CURRENT_USER, kBase.c_str());
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kBase.c_str());
        DeleteFileW(file_.c_str());
    }

    void Write(const Written& value) {
        HKEY key = nullptr;
        const std::wstring path = value.key.empty() ? kBase : kBase + L"\\" + value.key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS)
            << Utf8(path);
        EXPECT_EQ(RegSetValueExW(key, value.name.empty() ? nullptr : value.name.c_str(), 0, value.type,
                                 reinterpret_cast<const BYTE*>(value.data.data()), static_cast<DWORD>(value.data.size())),
                  ERROR_SUCCESS)
            << Utf8(value.name);
        RegCloseKey(key);
    }

    // regedit.exe /e FILE KEY from the Windows folder, waited for.
    void Export() {
        wchar_t windows[MAX_PATH] = {};
        GetWindowsDirectoryW(windows, MAX_PATH);
        const std::wstring exe = std::wstring(windows) + L"\\regedit.exe";
        std::wstring command = L"\"" + exe + L"\" /e \"" + file_ + L"\" \"" + kRoot + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process))
            << GetLastError();
        ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }

    std::string ReadFile() {
        HANDLE file = CreateFileW(file_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return {};
        std::string bytes(GetFileSize(file, nullptr), '\0');
        DWORD got = 0;
        ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
        CloseHandle(file);
        bytes.resize(got);
        return bytes;
    }

    std::wstring file_;
};

TEST_F(RegExportRoundTrip, EveryValueTypeComesBackAsWritten) {
    const std::vector<Written> values = {
        {L"", L"", REG_SZ, Bytes(L"Vorgabe")},
        {L"", L"Text", REG_SZ, Bytes(L"C:\\Pfad mit \"Anführung\" und ü, Ω, 😀")},
        {L"", L"Leer", REG_SZ, Bytes(L"")},
        {L"", L"Ohne NUL", REG_SZ, Bytes(L"abc", false)},
        {L"", L"Zeilen", REG_SZ, Bytes(L"eins\r\nzwei")},
        {L"", L"Erweitert", REG_EXPAND_SZ, Bytes(L"%SystemRoot%\\System32\\svchost.exe -k netsvcs")},
        {L"", L"Mehrfach", REG_MULTI_SZ, Bytes(L"eins") + Bytes(L"zwei") + std::string(2, '\0')},
        {L"", L"Zahl", REG_DWORD, std::string("\x2a\x00\x00\x80", 4)},
        {L"", L"Gross-endig", REG_DWORD_BIG_ENDIAN, std::string("\x00\x00\x01\x02", 4)},
        {L"", L"Qword", REG_QWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
        {L"", L"Binaer", REG_BINARY, Numbered(3000)},
        {L"", L"Binaer leer", REG_BINARY, ""},
        {L"", L"Keiner", REG_NONE, std::string("\x01\x02", 2)},
        {L"", L"Eigener Typ", 0x1234, std::string("\xfe\xff", 2)},
        {L"", L"Name mit \\ und \" und ]", REG_DWORD, std::string("\x01\x00\x00\x00", 4)},
        {L"a]b", L"Start", REG_DWORD, std::string("\x02\x00\x00\x00", 4)},
        {L"x\xFF3Cy", L"ImagePath", REG_EXPAND_SZ, Bytes(L"C:\\x.exe")},
        {L"x\xFF3Cy\\Parameters", L"ServiceDll", REG_EXPAND_SZ, Bytes(L"C:\\x.dll")},
        {L"[eckig", L"", REG_SZ, Bytes(L"")},
    };
    for (const auto& value : values) Write(value);
    Export();
    const std::string bytes = ReadFile();
    ASSERT_FALSE(bytes.empty()) << "regedit wrote no export";
    const RegExport file = ReadRegExport(bytes);
    ASSERT_TRUE(file.Ok()) << file.error;

    for (const auto& value : values) {
        const std::string path = Utf8(value.key.empty() ? kRoot : kRoot + L"\\" + value.key);
        const ExportKey* key = nullptr;
        for (const auto& k : file.keys)
            if (k.path == path) key = &k;
        ASSERT_NE(key, nullptr) << "no key " << path;
        const ExportValue* found = nullptr;
        for (const auto& v : key->values)
            if (v.name == Utf8(value.name)) found = &v;
        ASSERT_NE(found, nullptr) << path << " has no value " << Utf8(value.name);
        EXPECT_EQ(found->stored.type, value.type) << Utf8(value.name);
        // Wine's regedit writes a text stored without its NUL as a quoted
        // text, which gains the NUL; Windows' writes it as hex(1).
        const bool gainsNul = value.name == L"Ohne NUL" && found->stored.data == value.data + std::string(2, '\0');
        EXPECT_TRUE(found->stored.data == value.data || gainsNul) << Utf8(value.name) << ": " << found->stored.data.size() << " bytes read, "
                                               << value.data.size() << " written";
        if (value.name == L"Ohne NUL") EXPECT_EQ(StoredText(found->stored), "abc");
        if (value.name == L"Text") EXPECT_EQ(StoredText(found->stored), "C:\\Pfad mit \"Anführung\" und ü, Ω, 😀");
    }
}

}  // namespace
}  // namespace sw::test
