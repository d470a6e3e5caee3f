// The resources that the build puts into Merotan.exe. The manifest:
// elevation, the common controls of version 6 and system DPI awareness.
// Wine acts on none of them (every Wine process runs as administrator), so
// this reads what Windows will read, from the 64-bit program of this build
// and, where it was built, from the 32-bit one, which Wine here cannot run
// but can read as data. The message table: the texts the event viewer
// shows for the check's events (Wine has no event viewer).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "shared/CallerLine.h"
#include "win32/WideText.h"
#include "unattended/CheckEvents.h"

namespace {

using sw::test::CalledFrom;
using sw::test::Caller;

std::string WindowsPath(const char* unixPath) {
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// The RT_MANIFEST resource of a program file, read without running it.
::testing::AssertionResult ReadManifest(const std::string& path, std::string& manifest) {
    HMODULE program = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (program == nullptr) return ::testing::AssertionFailure() << path << " cannot be read";
    HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    if (found == nullptr) {
        FreeLibrary(program);
        return ::testing::AssertionFailure() << path << " has no manifest";
    }
    const char* data = static_cast<const char*>(LockResource(LoadResource(program, found)));
    manifest.assign(data, SizeofResource(program, found));
    FreeLibrary(program);
    return ::testing::AssertionSuccess();
}

void ExpectComplete(const std::string& manifest, const char* architecture, Caller caller = Caller::current()) {
    CalledFrom at(caller);
    EXPECT_NE(manifest.find("<dpiAware>true</dpiAware>"), std::string::npos) << manifest;
    EXPECT_EQ(manifest.find("true/pm"), std::string::npos) << "per-monitor awareness needs WM_DPICHANGED";
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos)
        << manifest;
    EXPECT_NE(manifest.find(std::string("processorArchitecture=\"") + architecture + "\""), std::string::npos)
        << manifest;
    // Started unelevated on Vista or later, the program could not open the
    // Services key for writing: Windows must ask for elevation first.
    const auto trust = manifest.find("<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">");
    const std::string asked = "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>";
    const auto level = manifest.find(asked);
    EXPECT_NE(trust, std::string::npos) << manifest;
    EXPECT_NE(level, std::string::npos) << manifest;
    EXPECT_LT(trust, level) << "the execution level counts only inside trustInfo";
    EXPECT_EQ(manifest.find("requestedExecutionLevel", level + asked.size()), std::string::npos) << "asked for once";
}

TEST(Manifest, AsksForElevationCommonControls6AndSystemDpiAwareness) {
    const char* unixPath = std::getenv("SW_MEROTAN_EXE");
    if (unixPath == nullptr) GTEST_SKIP() << "SW_MEROTAN_EXE names no program";
    std::string manifest;
    ASSERT_TRUE(ReadManifest(WindowsPath(unixPath), manifest));
    ExpectComplete(manifest, sizeof(void*) == 8 ? "amd64" : "x86");
}

TEST(Manifest, The32BitProgramCarriesTheSame) {
    const char* unixPath = std::getenv("SW_MEROTAN_EXE_I686");
    if (unixPath == nullptr) GTEST_SKIP() << "SW_MEROTAN_EXE_I686 names no program";
    if (GetFileAttributesA(WindowsPath(unixPath).c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << unixPath << " was not built (cmake --build --preset i686)";
    std::string manifest;
    ASSERT_TRUE(ReadManifest(WindowsPath(unixPath), manifest));
    ExpectComplete(manifest, "x86");
}

// The programs this build made: the 64-bit one, and the 32-bit one where
// it was built.
std::vector<std::string> BuiltPrograms() {
    std::vector<std::string> programs;
    for (const char* name : {"SW_MEROTAN_EXE", "SW_MEROTAN_EXE_I686"}) {
        const char* unixPath = std::getenv(name);
        if (unixPath != nullptr && GetFileAttributesA(WindowsPath(unixPath).c_str()) != INVALID_FILE_ATTRIBUTES)
            programs.push_back(WindowsPath(unixPath));
    }
    return programs;
}

// A message of the table as the event viewer makes it: FormatMessageW from
// the program file, in whatever language it finds first, with the inserts.
std::optional<std::wstring> Message(HMODULE program, DWORD id, const std::vector<std::wstring>& inserts) {
    std::vector<DWORD_PTR> arguments;
    for (const std::wstring& insert : inserts) arguments.push_back(reinterpret_cast<DWORD_PTR>(insert.c_str()));
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY, program, id, 0,
        reinterpret_cast<wchar_t*>(&text), 0, reinterpret_cast<va_list*>(arguments.data()));
    if (length == 0 || text == nullptr) return std::nullopt;
    std::wstring message(text, length);
    LocalFree(text);
    return message;
}

TEST(MessageTable, EveryEventHasItsGermanTextWithItsInsertsInPlaceWithinTheWordsReserve) {
    const std::vector<std::string> programs = BuiltPrograms();
    if (programs.empty()) GTEST_SKIP() << "SW_MEROTAN_EXE names no program";
    struct Expected {
        DWORD id;
        std::size_t inserts;
        const wchar_t* begins;
    };
    const Expected expected[] = {
        {sw::kEventNothingChanged, 4, L"Die Pr\u00fcfung der Dienste hat seit dem letzten Start keine \u00c4nderung gefunden.\r\n\r\n"},
        {sw::kEventChangesFound, 5, L"Die Pr\u00fcfung der Dienste hat \u00c4nderungen seit dem letzten Start gefunden: "},
        {sw::kEventCheckFailed, 1, L"Die Pr\u00fcfung der Dienste ist fehlgeschlagen (R\u00fcckgabewert 2):\r\n\r\n"},
        {sw::kEventAlertingNotes, 5, L"\u00c4nderungen mit einem Hinweis, der Aufmerksamkeit verlangt ("},
    };
    for (const std::string& path : programs) {
        SCOPED_TRACE(path);
        HMODULE program = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(program, nullptr);
        // Filed as language neutral, which every lookup tries first.
        EXPECT_NE(FindResourceExW(program, MAKEINTRESOURCEW(11), MAKEINTRESOURCEW(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)),
                  nullptr);
        for (const Expected& e : expected) {
            SCOPED_TRACE(e.id);
            std::vector<std::wstring> marks;
            for (std::size_t i = 1; i <= e.inserts; ++i) marks.push_back(L"<" + std::to_wstring(i) + L">");
            const std::optional<std::wstring> text = Message(program, e.id, marks);
            ASSERT_TRUE(text.has_value()) << GetLastError();
            EXPECT_EQ(text->rfind(e.begins, 0), 0u) << sw::Utf8(*text);
            for (const std::wstring& mark : marks) {
                const std::size_t found = text->find(mark);
                EXPECT_NE(found, std::wstring::npos) << sw::Utf8(mark);
                EXPECT_EQ(text->find(mark, found + 1), std::wstring::npos) << "once: " << sw::Utf8(mark);
            }
            // The lines (or the reason) come last and end the text, with no
            // line end after them.
            if (e.id != sw::kEventNothingChanged)
                EXPECT_EQ(text->substr(text->size() - marks.back().size()), marks.back());
            else
                EXPECT_EQ(text->substr(text->size() - 11), L"(<3>, <4>).");
            EXPECT_EQ(text->find(L'%'), std::wstring::npos);
            for (std::size_t lf = text->find(L'\n'); lf != std::wstring::npos; lf = text->find(L'\n', lf + 1))
                EXPECT_TRUE(lf > 0 && (*text)[lf - 1] == L'\r') << "CR LF between lines";
            // With its short inserts at ten digits and no lines, the text
            // stays within what the events leave to the message's words.
            std::vector<std::wstring> shortOnes(e.inserts, std::wstring(10, L'9'));
            shortOnes.back().clear();
            EXPECT_LT(Message(program, e.id, shortOnes)->size(), sw::kEventWordsReserve);
        }
        EXPECT_FALSE(Message(program, 104, {}).has_value()) << "the four ids only";
        FreeLibrary(program);
    }
}

}  // namespace
