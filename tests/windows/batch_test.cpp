// Running a batch file through Win32Shell: the system's command interpreter
// in a hidden window, with delayed expansion off, and ending a batch that
// still runs before its file is rewritten.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>

#include "win32/Win32FileIdentity.h"
#include "win32/Win32Platform.h"
#include "win32/WideText.h"

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
        for (const char* name : {"Merotan.bat", "ran.txt", "out.txt", "owned.txt", "child", "child.started",
                                 "whole.dat", "whole.dat.part", "folder.dat.part", "moved.reg", "from.reg", "ident.tmr",
                                 "other.tmr", "Verlauf.dat", "export.part"})
            DeleteFileA(In(name).c_str());
        RemoveDirectoryA(In("folder.dat").c_str());
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
    // The file's bytes once its writer has written a whole line and let go
    // of it: the interpreter creates the file of a redirection before it
    // writes, and holds it open meanwhile.
    std::string WrittenWithin(const std::string& name, double seconds) {
        std::string bytes;
        for (int i = 0; i < seconds * 20; ++i) {
            if (files_.Read(In(name), bytes) && bytes.size() >= 2 && bytes.substr(bytes.size() - 2) == "\r\n")
                return bytes;
            Sleep(50);
        }
        return bytes;
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
    ASSERT_TRUE(shell_.StartBatch(In("Merotan.bat"), ShowStyle::Hidden, nullptr));
    ASSERT_TRUE(AppearsWithin("ran.txt", 20));
}

TEST_F(BatchTest, AnEndedBatchsOutputAndErrorsReachItsOnEndAndAQuestionInItGetsNoAnswerToWaitFor) {
    // "set /p" reads a line from the input: from a console nobody sees, it
    // would wait forever.
    ASSERT_TRUE(files_.Write(In("Merotan.bat"),
                             "@echo off\r\necho Ausgabe\r\necho Fehler 1>&2\r\nset /p x=Frage? \r\necho Ende\r\n"));
    std::optional<std::string> output;
    ASSERT_TRUE(shell_.StartBatch(In("Merotan.bat"), ShowStyle::Hidden,
                                  [&](const std::string& text) { output = text; }));
    // The end is seen by a thread timer, which the message loop serves.
    const DWORD deadline = GetTickCount() + 20000;
    while (!output && static_cast<LONG>(GetTickCount() - deadline) < 0) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    ASSERT_TRUE(output.has_value()) << "the batch's end was not reported within 20 s";
    for (const char* said : {"Ausgabe", "Fehler", "Frage?", "Ende"})
        EXPECT_NE(output->find(said), std::string::npos) << said << " missing from: " << *output;
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
    const bool started = shell_.StartBatch(In("Merotan.bat"), ShowStyle::Hidden, nullptr);
    const std::string out = started ? WrittenWithin("out.txt", 20) : std::string();

    if (had) RegSetValueExA(key, "DelayedExpansion", 0, type, reinterpret_cast<const BYTE*>(&before), size);
    else RegDeleteValueA(key, "DelayedExpansion");
    RegCloseKey(key);

    ASSERT_TRUE(started);
    EXPECT_EQ(out, "\"50% ^ !PATH! & <x> | ^^y\"\r\n");
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
    ASSERT_TRUE(shell_.StartBatch(In("Merotan.bat"), ShowStyle::Hidden, nullptr));
    ASSERT_TRUE(AppearsWithin("child.started", 20));
    const bool rewritten = files_.Write(In("Merotan.bat"), Rewritten(running, InBatch("owned.txt")));
    if (rewritten) EXPECT_TRUE(AppearsWithin("owned.txt", 20));
    else EXPECT_EQ(Read("Merotan.bat"), running);
}

TEST_F(BatchTest, EndBatchEndsTheInterpreterAndWhatItStartedBeforeTheFileChanges) {
    const std::string running = ChildBatch(1500);
    ASSERT_TRUE(files_.Write(In("Merotan.bat"), running));
    ASSERT_TRUE(shell_.StartBatch(In("Merotan.bat"), ShowStyle::Hidden, nullptr));
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
    ASSERT_TRUE(shell_.StartBatch(In("Merotan.bat"), ShowStyle::Hidden, nullptr));
    ASSERT_TRUE(AppearsWithin("child", 20));
    Sleep(500);
    shell_.EndBatch();
    shell_.EndBatch();
    EXPECT_TRUE(Exists("child"));
}

std::string SystemFolderA() {
    char path[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path, n);
}

TEST_F(BatchTest, TheInterpreterRunsInTheSystemFolderSoItsCommandsAreTheSystems) {
    ASSERT_TRUE(files_.Write(In("Merotan.bat"), "@echo off\r\ncd>\"" + InBatch("out.txt") + "\"\r\n"));
    ASSERT_TRUE(shell_.StartBatch(In("Merotan.bat"), ShowStyle::Hidden, nullptr));
    std::string shown = WrittenWithin("out.txt", 20), expected = SystemFolderA() + "\r\n";
    CharUpperBuffA(shown.data(), static_cast<DWORD>(shown.size()));
    CharUpperBuffA(expected.data(), static_cast<DWORD>(expected.size()));
    EXPECT_EQ(shown, expected);
}

// Handles the messages that arrive until done() or seconds have passed.
template <class Done>
bool PumpUntil(Done done, double seconds) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > seconds * 1000) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    return true;
}

TEST_F(BatchTest, AWatchedProgramsEndComesThroughTheMessageLoopWithItsExitCode) {
    const std::string cmd = "\"" + SystemFolderA() + "\\cmd.exe\" /D /C exit 7";
    int calls = 0;
    std::optional<std::uint32_t> exitCode;
    ASSERT_TRUE(shell_.StartWatched(cmd, ShowStyle::Hidden, [&](std::optional<std::uint32_t> code) {
        ++calls;
        exitCode = code;
    }));
    EXPECT_EQ(calls, 0) << "never from inside the start";
    ASSERT_TRUE(PumpUntil([&] { return calls > 0; }, 20));
    EXPECT_EQ(exitCode, 7u);
    PumpUntil([] { return false; }, 0.5);
    EXPECT_EQ(calls, 1) << "reported once";

    // At the end of the program: a bounded wait, and the end is reported.
    const std::string slow = "\"" + ExeFolder() + "\\BatchChild.exe\" 300 \"" + In("child") + "\"";
    calls = 0;
    ASSERT_TRUE(shell_.StartWatched(slow, ShowStyle::Hidden, [&](std::optional<std::uint32_t> code) {
        ++calls;
        exitCode = code;
    }));
    shell_.FinishWatched(20);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(Exists("child"));
    shell_.FinishWatched(0);
    EXPECT_EQ(calls, 1);

    // A program that cannot be started is no watch.
    EXPECT_FALSE(shell_.StartWatched("\"" + In("missing.exe") + "\"", ShowStyle::Hidden,
                                     [&](std::optional<std::uint32_t>) { ++calls; }));
    shell_.FinishWatched(0);
    EXPECT_EQ(calls, 1);
}

TEST_F(BatchTest, WriteWholeReplacesOnlyWhenItCanAndLeavesNoTemporaryFile) {
    ASSERT_TRUE(files_.Write(In("whole.dat"), "old"));
    ASSERT_TRUE(files_.WriteWhole(In("whole.dat"), "new|2\r\n\r\n"));
    EXPECT_EQ(Read("whole.dat"), "new|2\r\n\r\n");
    EXPECT_FALSE(Exists("whole.dat.part"));

    // A folder of the name cannot be replaced: false, nothing left behind.
    ASSERT_TRUE(CreateDirectoryA(In("folder.dat").c_str(), nullptr));
    EXPECT_FALSE(files_.WriteWhole(In("folder.dat"), "x"));
    EXPECT_FALSE(Exists("folder.dat.part"));
    EXPECT_TRUE(GetFileAttributesA(In("folder.dat").c_str()) & FILE_ATTRIBUTE_DIRECTORY);

    // Move replaces an existing file; a missing source changes nothing.
    ASSERT_TRUE(files_.Write(In("from.reg"), "export"));
    ASSERT_TRUE(files_.Write(In("moved.reg"), "older"));
    ASSERT_TRUE(files_.Move(In("from.reg"), In("moved.reg")));
    EXPECT_EQ(Read("moved.reg"), "export");
    EXPECT_FALSE(Exists("from.reg"));
    EXPECT_FALSE(files_.Move(In("from.reg"), In("moved.reg")));
    EXPECT_EQ(Read("moved.reg"), "export");

    // The last write in the local time of its own day, here a summer's
    // day and a winter's; a missing file has none.
    for (const SYSTEMTIME& wanted : {SYSTEMTIME{2026, 7, 3, 15, 14, 5, 9, 0}, SYSTEMTIME{2025, 12, 1, 24, 23, 59, 58, 0}}) {
        SYSTEMTIME utc{};
        FILETIME stamp{};
        ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &wanted, &utc));
        ASSERT_TRUE(SystemTimeToFileTime(&utc, &stamp));
        HANDLE file = CreateFileA(In("moved.reg").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &stamp));
        CloseHandle(file);
        const std::optional<LocalTime> read = files_.LastWritten(In("moved.reg"));
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(std::tie(read->date.year, read->date.month, read->date.day, read->hour, read->minute, read->second),
                  std::make_tuple(int(wanted.wYear), int(wanted.wMonth), int(wanted.wDay), int(wanted.wHour),
                                  int(wanted.wMinute), int(wanted.wSecond)));
    }
    EXPECT_FALSE(files_.LastWritten(In("from.reg")).has_value());
}

// The history grows only by appending: a damaged tail is cut first, the
// bytes before it stay, and a file another program holds open (a registry
// editor still writing its export, in whatever sharing) is not read as ended.
TEST_F(BatchTest, AppendCutsToWhatIsKeptAndReadUnsharedWaitsForTheWriterToLetGo) {
    ASSERT_TRUE(files_.Append(In("Verlauf.dat"), 0, "first"));
    ASSERT_TRUE(files_.Append(In("Verlauf.dat"), 5, "second-cut"));
    ASSERT_TRUE(files_.Append(In("Verlauf.dat"), 11, "third"));
    EXPECT_EQ(Read("Verlauf.dat"), "firstsecondthird");
    EXPECT_FALSE(files_.Append(In("Verlauf.dat"), 17, "beyond its end"));
    EXPECT_EQ(Read("Verlauf.dat"), "firstsecondthird");

    ASSERT_TRUE(files_.Write(In("export.part"), "written"));
    std::string bytes;
    for (const DWORD sharing : {DWORD{0}, DWORD{FILE_SHARE_READ}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}}) {
        HANDLE writer = CreateFileA(In("export.part").c_str(), GENERIC_WRITE, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(writer, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(files_.ReadUnshared(In("export.part"), bytes)) << sharing;
        CloseHandle(writer);
    }
    ASSERT_TRUE(files_.ReadUnshared(In("export.part"), bytes));
    EXPECT_EQ(bytes, "written");
    EXPECT_FALSE(files_.ReadUnshared(In("missing.part"), bytes));
}

// Paths in the registry name folders through environment strings; the
// expansion takes names in any case, keeps unknown ones, and a result longer
// than a path (beyond the first buffer) whole, in UTF-8.
TEST_F(BatchTest, ExpandEnvironmentReplacesKnownNamesWholeAndKeepsUnknownOnes) {
    const std::wstring longValue = L"C:\\Gr\u00fc\u00dfe\\" + std::wstring(400, L'x');
    ASSERT_TRUE(SetEnvironmentVariableW(L"SW_PROBE_FOLDER", longValue.c_str()));
    const std::string expected = "C:\\Gr\xc3\xbc\xc3\x9f" "e\\" + std::string(400, 'x');
    EXPECT_EQ(files_.ExpandEnvironment("%sw_probe_folder%\\a.exe -k %SW_NOT_THERE%"),
              expected + "\\a.exe -k %SW_NOT_THERE%");
    EXPECT_EQ(files_.ExpandEnvironment("ohne"), "ohne");
    SetEnvironmentVariableW(L"SW_PROBE_FOLDER", nullptr);
}

// The check's output is told from the program's records by the file a path
// reaches: "\\?\", a short name and another case reach the same file; a
// file that is not there yet is made long in the folder that is.
TEST_F(BatchTest, FileIdentityTellsTheFileBehindEverySpelling) {
    Win32FileIdentity identity;
    ASSERT_TRUE(files_.Write(In("ident.tmr"), "x"));
    ASSERT_TRUE(files_.Write(In("other.tmr"), "y"));
    wchar_t shortForm[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW(Wide(In("ident.tmr")).c_str(), shortForm, MAX_PATH), 0u);
    const std::string shortPath = Utf8(shortForm);
    const std::string shortFolder = shortPath.substr(0, shortPath.find_last_of('\\'));
    ASSERT_NE(shortFolder, folder_) << "the folder's name has a short form of its own";
    std::string upper = In("IDENT.TMR");
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    const std::optional<FileId> id = identity.IdOf(In("ident.tmr"));
    ASSERT_TRUE(id.has_value());
    for (const std::string& spelling : {shortPath, "\\\\?\\" + In("ident.tmr"), upper, In("x\\..\\ident.tmr")})
        EXPECT_EQ(identity.IdOf(spelling), id) << spelling;
    EXPECT_NE(identity.IdOf(In("other.tmr")), id);
    EXPECT_EQ(identity.IdOf(In("fehlt.tmr")), std::nullopt);
    EXPECT_TRUE(identity.IdOf(shortFolder).has_value()) << "a folder has an identity as well";
    EXPECT_EQ(identity.IdOf(shortFolder), identity.IdOf(folder_));

    EXPECT_EQ(identity.LongPath(shortPath), In("ident.tmr"));
    EXPECT_EQ(identity.LongPath("\\\\?\\" + In("ident.tmr")), In("ident.tmr"));
    EXPECT_EQ(identity.LongPath(shortFolder + "\\fehlt.csv"), In("fehlt.csv"));
    EXPECT_EQ(identity.LongPath("\\\\?\\" + shortFolder + "\\x\\..\\fehlt.csv"), In("fehlt.csv"));
    EXPECT_EQ(identity.LongPath(shortFolder + "\\fehlt\\tiefer.csv"), In("fehlt\\tiefer.csv"));
}

}  // namespace
}  // namespace sw::test
