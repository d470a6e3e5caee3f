// Running a batch file through Win32Shell: the system's command interpreter
// in a hidden window, with delayed expansion off, and ending a batch that
// still runs before its file is rewritten.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "win32/Win32Platform.h"

namespace sw::test {
namespace {

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\'));
}

// A private folder below %TEMP% whose name holds blanks and signs that the
// command interpreter would act on outside double quotes.
class BatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "Startwart Batch & Co (" + std::to_string(GetCurrentProcessId()) + ") 50% ^!";
        Clear();
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
    }
    void TearDown() override {
        shell_.EndBatch();
        Clear();
    }
    void Clear() {
        for (const char* name : {"Merotan.bat", "ran.txt", "out.txt", "owned.txt", "child", "child.started"})
            DeleteFileA(In(name).c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    std::string In(const std::string& name) const { return folder_ + "\\" + name; }
    // The same path as a batch line must spell it: "%" doubled.
    std::string InBatch(const std::string& name) const {
        std::string out;
        for (const char c : In(name)) out += c == '%' ? std::string("%%") : std::string(1, c);
        return out;
    }
    bool Exists(const std::string& name) const { return GetFileAttributesA(In(name).c_str()) != INVALID_FILE_ATTRIBUTES; }
    // Waits up to seconds for a file to appear.
    bool AppearsWithin(const std::string& name, double seconds) const {
        for (int i = 0; i < seconds * 20; ++i) {
            if (Exists(name)) return true;
            Sleep(50);
        }
        return Exists(name);
    }
    std::string Read(const std::string& name) {
        std::string bytes;
        files_.Read(In(name), bytes);
        return bytes;
    }
    // A batch that starts the child for ms milliseconds and then ends; its
    // length is what a rewritten file is measured against.
    std::string ChildBatch(int ms) const {
        return "@echo off\r\n\"" + ExeFolder() + "\\BatchChild.exe\" " + std::to_string(ms) + " \"" + InBatch("child") + "\"\r\n";
    }

    std::string folder_;
    Win32Files files_;
    Win32Shell shell_;
};

TEST_F(BatchTest, RunsTheFileFromAFolderWithBlanksAndSigns) {
    ASSERT_TRUE(files_.Write(In("Merotan.bat"), "@echo off\r\necho ran>\"" + InBatch("ran.txt") + "\"\r\n"));
    ASSERT_TRUE(shell_.StartBatch(In("Merotan.bat"), ShowStyle::Hidden));
    ASSERT_TRUE(AppearsWithin("ran.txt", 20));
}

TEST_F(BatchTest, SignsBetweenDoubleQuotesReachTheProgramAsWrittenEvenWhenTheRegistryAsksForDelayedExpansion) {
    // The user's own setting is put back afterwards.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Command Processor", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD before = 0, size = sizeof before, type = 0;
    const bool had = RegQueryValueExA(key, "DelayedExpansion", nullptr, &type, reinterpret_cast<BYTE*>(&before),
                                      &size) == ERROR_SUCCESS;
    const DWORD on = 1;
    RegSetValueExA(key, "DelayedExpansion", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);

    ASSERT_TRUE(files_.Write(In("Merotan.bat"),
                             "@echo off\r\necho \"50%% ^ !PATH! & <x> | ^^y\">\"" + InBatch("out.txt") + "\"\r\n"));
    const bool started = shell_.StartBatch(In("Merotan.bat"), ShowStyle::Hidden);
    const bool ran = started && AppearsWithin("out.txt", 20);
    Sleep(200);  // the interpreter may still be writing

    if (had) RegSetValueExA(key, "DelayedExpansion", 0, type, reinterpret_cast<const BYTE*>(&before), size);
    else RegDeleteValueA(key, "DelayedExpansion");
    RegCloseKey(key);

    ASSERT_TRUE(ran);
    EXPECT_EQ(Read("out.txt"), "\"50% ^ !PATH! & <x> | ^^y\"\r\n");
}

// The rewritten file is longer than the running one; from the old file's
// end on it holds a command that must never run.
std::string Rewritten(const std::string& running, const std::string& marker) {
    std::string text = "@echo off\r\n";
    while (text.size() < running.size()) text += "rem\r\n";
    return text.substr(0, running.size() - 1) + "\n" + "echo owned>\"" + marker + "\"\r\n";
}

TEST_F(BatchTest, ARunningBatchSpoilsTheRewriteOfItsFile) {
    // What EndBatch guards against, seen without it: an interpreter that
    // keeps its file open refuses the rewrite (Wine), one that opens it for
    // every line goes on in the new file from where it stopped in the old
    // one (Windows).
    const std::string running = ChildBatch(1500);
    ASSERT_TRUE(files_.Write(In("Merotan.bat"), running));
    ASSERT_TRUE(shell_.StartBatch(In("Merotan.bat"), ShowStyle::Hidden));
    ASSERT_TRUE(AppearsWithin("child.started", 20));
    const bool rewritten = files_.Write(In("Merotan.bat"), Rewritten(running, InBatch("owned.txt")));
    if (rewritten) EXPECT_TRUE(AppearsWithin("owned.txt", 20));
    else EXPECT_EQ(Read("Merotan.bat"), running);
}

TEST_F(BatchTest, EndBatchEndsTheInterpreterAndWhatItStartedBeforeTheFileChanges) {
    const std::string running = ChildBatch(1500);
    ASSERT_TRUE(files_.Write(In("Merotan.bat"), running));
    ASSERT_TRUE(shell_.StartBatch(In("Merotan.bat"), ShowStyle::Hidden));
    ASSERT_TRUE(AppearsWithin("child.started", 20));
    shell_.EndBatch();
    ASSERT_TRUE(files_.Write(In("Merotan.bat"), Rewritten(running, InBatch("owned.txt"))));
    Sleep(3000);  // the child's time and then some
    EXPECT_FALSE(Exists("owned.txt"));
    EXPECT_FALSE(Exists("child"));
}

TEST_F(BatchTest, EndBatchLeavesAFinishedBatchAndNothingAlone) {
    shell_.EndBatch();
    ASSERT_TRUE(files_.Write(In("Merotan.bat"), ChildBatch(0)));
    ASSERT_TRUE(shell_.StartBatch(In("Merotan.bat"), ShowStyle::Hidden));
    ASSERT_TRUE(AppearsWithin("child", 20));
    Sleep(500);
    shell_.EndBatch();
    shell_.EndBatch();
    EXPECT_TRUE(Exists("child"));
}

}  // namespace
}  // namespace sw::test
