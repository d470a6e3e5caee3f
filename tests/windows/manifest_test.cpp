// The manifest that the build puts into Merotan.exe: elevation, the common
// controls of version 6 and system DPI awareness. Wine acts on none of them
// (every Wine process runs as administrator), so this reads what Windows
// will read, from the 64-bit program of this build and, where it was built,
// from the 32-bit one, which Wine here cannot run but can read as data.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "shared/CallerLine.h"

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

}  // namespace
