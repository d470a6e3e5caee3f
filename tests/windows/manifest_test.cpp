// The manifest that the build puts into Merotan.exe: the common controls of
// version 6 and system DPI awareness. Wine does not act on the awareness, so
// this reads what Windows will read.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TEST(Manifest, AsksForCommonControls6AndSystemDpiAwareness) {
    const char* unixPath = std::getenv("SW_MEROTAN_EXE");
    if (unixPath == nullptr) GTEST_SKIP() << "SW_MEROTAN_EXE names no program";
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    HMODULE program = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr) << path;
    HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(found, nullptr);
    const char* data = static_cast<const char*>(LockResource(LoadResource(program, found)));
    const std::string manifest(data, SizeofResource(program, found));
    FreeLibrary(program);

    EXPECT_NE(manifest.find("<dpiAware>true</dpiAware>"), std::string::npos) << manifest;
    EXPECT_EQ(manifest.find("true/pm"), std::string::npos) << "per-monitor awareness needs WM_DPICHANGED";
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos)
        << manifest;
}

}  // namespace
