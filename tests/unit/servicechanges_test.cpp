// The comparison of the previous run's export with the registry now: every
// kind of change, values that are gone or of another type, key names that
// differ only in case or look like the export format's signs.
#include <gtest/gtest.h>

#include "changes/ServiceChanges.h"
#include "unit/ExportText.h"
#include "unit/Fakes.h"

namespace sw {
namespace {

const std::string kServicesExportPath = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\";

std::string Section(const std::string& key, const std::string& values) {
    return "[" + kServicesExportPath + key + "]\r\n" + values + "\r\n";
}

struct ChangesFixture : test::RootFixture {
    std::vector<ChangeRow> Compare(const std::string& sections) {
        const RegExport file = ReadRegExport(test::ServicesExport(sections));
        EXPECT_TRUE(file.Ok()) << file.error;
        const auto before = ServicesInExport(file);
        EXPECT_TRUE(before.has_value());
        const auto now = ServicesNow(registry);
        EXPECT_TRUE(now.has_value());
        if (!before || !now) return {};
        return CompareServices(*before, *now);
    }
    void Set(const std::string& key, const std::string& name, std::uint32_t type, const std::string& data) {
        memory.SetRaw(kHkeyLocalMachine, ServiceKeyPath(key), name, type, data);
    }
};

std::string Row(const ChangeRow& row) {
    return row.entry + " | " + row.key + " | " + row.change + " | " + row.before + " | " + row.now;
}

std::vector<std::string> Rows(const std::vector<ChangeRow>& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows) out.push_back(Row(row));
    return out;
}

// One entry as both the export and the registry hold it.
const std::string kSame =
    "\"DisplayName\"=\"Gleich\"\r\n\"Start\"=dword:00000003\r\n\"Type\"=dword:00000020\r\n"
    "\"ImagePath\"=hex(2):25,00,53,00,25,00,00,00\r\n\"ObjectName\"=\"LocalSystem\"\r\n";

void SeedSame(ChangesFixture& f) {
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Gleich"), "DisplayName", "Gleich");
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Gleich"), "Start", 3);
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Gleich"), "Type", 0x20);
    f.Set("Gleich", "ImagePath", kRegExpandSz, std::string("%S%\0", 4));
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Gleich"), "ObjectName", "LocalSystem");
}

TEST(ServiceChangesTest, UnchangedEntriesGiveNoRows) {
    ChangesFixture f;
    SeedSame(f);
    EXPECT_TRUE(f.Compare(Section("Gleich", kSame)).empty());
}

TEST(ServiceChangesTest, EveryComparedValueIsReportedWithBeforeAndNow) {
    ChangesFixture f;
    SeedSame(f);
    const std::string key = "Wechsel";
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath(key), "DisplayName", "Neuer Name");
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath(key), "Start", 4);
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath(key), "DelayedAutostart", 1);
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath(key), "Type", 0x10);
    f.Set(key, "ImagePath", kRegExpandSz, std::string("C:\\b\xe4se.exe\0", 14));
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath(key), "ObjectName", "LocalSystem");
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath(key), "FailureCommand", "cmd /c x");
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath(key), "Group", "");
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath(key) + "\\Parameters", "ServiceDll", "C:\\neu.dll");

    const auto rows = f.Compare(
        Section("Gleich", kSame) +
        Section(key,
                "\"DisplayName\"=\"Alter Name\"\r\n\"Start\"=dword:00000002\r\n\"DelayedAutostart\"=dword:00000000\r\n"
                "\"Type\"=dword:00000020\r\n\"ImagePath\"=\"C:\\\\gut.exe\"\r\n"
                "\"ObjectName\"=\"NT AUTHORITY\\\\LocalService\"\r\n\"Group\"=\"Netz\"\r\n") +
        Section(key + "\\Parameters", "\"ServiceDll\"=hex(2):43,00,3a,00,5c,00,61,00,6c,00,74,00,00,00\r\n"));
    const std::vector<std::string> expected = {
        "Neuer Name | Wechsel | Start | Automatisch | Deaktiviert",
        "Neuer Name | Wechsel | DelayedAutostart | 0x00000000 (0) | 0x00000001 (1)",
        "Neuer Name | Wechsel | Type | 0x00000020 (32) | 0x00000010 (16)",
        "Neuer Name | Wechsel | ImagePath | C:\\gut.exe | C:\\bäse.exe",
        "Neuer Name | Wechsel | ObjectName | NT AUTHORITY\\LocalService | LocalSystem",
        "Neuer Name | Wechsel | FailureCommand | (nicht vorhanden) | cmd /c x",
        "Neuer Name | Wechsel | DisplayName | Alter Name | Neuer Name",
        "Neuer Name | Wechsel | Group | Netz | ",
        "Neuer Name | Wechsel | Parameters\\ServiceDll | C:\\alt | C:\\neu.dll",
    };
    EXPECT_EQ(Rows(rows), expected);
}

TEST(ServiceChangesTest, EntriesAddedAndRemovedShowTheProgramTheyRun) {
    ChangesFixture f;
    SeedSame(f);
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Zugang"), "DisplayName", "Hinzu");
    f.Set("Zugang", "ImagePath", kRegSz, std::string("C:\\neu.exe\0", 11));
    f.memory.CreateKey(kHkeyLocalMachine, ServiceKeyPath("Nackt"));
    const auto rows = f.Compare(Section("Gleich", kSame) +
                                Section("Abgang", "\"DisplayName\"=\"Fort\"\r\n\"ImagePath\"=\"C:\\\\alt.exe\"\r\n") +
                                Section("Abgang\\Parameters", "") + Section("Leer", ""));
    const std::vector<std::string> expected = {
        "Fort | Abgang | Eintrag entfernt | C:\\alt.exe | ",
        "Leer | Leer | Eintrag entfernt |  | ",
        "Nackt | Nackt | Eintrag hinzugefügt |  | ",
        "Hinzu | Zugang | Eintrag hinzugefügt |  | C:\\neu.exe",
    };
    EXPECT_EQ(Rows(rows), expected);
}

TEST(ServiceChangesTest, KeyNamesMatchWithoutRegardToCase) {
    ChangesFixture f;
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("\xc4nderbarDienst"), "Start", 2);  // "Ä" in CP1252
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("PARAMS"), "Start", 2);
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("PARAMS") + "\\Parameters", "ServiceDll", "a.dll");
    const auto rows = f.Compare(
        Section("äNDERBARdienst", "\"start\"=dword:00000002\r\n") + Section("params", "\"START\"=dword:00000002\r\n") +
        Section("Params\\PARAMETERS", "\"servicedll\"=\"a.dll\"\r\n") +
        Section("params\\Parameters\\Tiefer", "\"ServiceDll\"=\"anders.dll\"\r\n"));
    EXPECT_EQ(Rows(rows), std::vector<std::string>{});
}

TEST(ServiceChangesTest, ValuesOfOtherTypesAndUnterminatedTexts) {
    ChangesFixture f;
    f.Set("Typen", "Start", kRegSz, std::string("2\0", 2));                      // a start type as text
    f.Set("Typen", "ImagePath", kRegMultiSz, std::string("a\0\0", 3));         // not a text the list shows
    f.Set("Typen", "ObjectName", kRegSz, "ohne NUL");                           // stored without its NUL
    f.Set("Typen", "Group", kRegBinary, std::string(8, '\x01'));              // too long for a number
    f.Set("Typen", "Type", kRegBinary, std::string("\x10\0", 2));              // short binary reads as number
    const auto rows = f.Compare(Section("Typen",
                                        "\"Start\"=dword:00000002\r\n"
                                        "\"ImagePath\"=hex(7):61,00,00,00,00,00\r\n"
                                        "\"ObjectName\"=hex(1):6f,00,68,00,6e,00,65,00,20,00,4e,00,55,00,4c,00\r\n"
                                        "\"Group\"=hex:01,01,01,01,01,01,01,01\r\n"
                                        "\"Type\"=dword:00000010\r\n"));
    const std::vector<std::string> expected = {
        "Typen | Typen | Start | Automatisch | 2",
    };
    EXPECT_EQ(Rows(rows), expected);
}

TEST(ServiceChangesTest, KeyNamesWithExportSignsKeepTheirNames) {
    ChangesFixture f;
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("a]b"), "Start", 3);
    // The entry whose name holds U+FF3C is gone now: it must be named as
    // itself, not split at its look-alike.
    const auto rows = f.Compare(Section("a]b", "\"Start\"=dword:00000002\r\n") +
                                Section("x＼y", "\"Start\"=dword:00000002\r\n"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(Row(rows[0]), "a]b | a]b | Start | Automatisch | Manuell");
    EXPECT_EQ(Row(rows[1]), "x＼y | x＼y | Eintrag entfernt |  | ");
}

TEST(ServiceChangesTest, AnExportWithoutTheServicesKeyOrARegistryThatCannotBeListedCompareNothing) {
    const RegExport other =
        ReadRegExport(test::Utf16File(test::kExportHeader + "[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n"));
    ASSERT_TRUE(other.Ok());
    EXPECT_FALSE(ServicesInExport(other).has_value());
    const RegExport siblings = ReadRegExport(test::Utf16File(
        test::kExportHeader + "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\ServicesX]\r\n\r\n"));
    EXPECT_FALSE(ServicesInExport(siblings).has_value());

    test::RootFixture f;
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("A"), "Start", 2);
    f.memory.FindKey(kHkeyLocalMachine, kServicesPath)->denyRead = true;
    EXPECT_FALSE(ServicesNow(f.registry).has_value());
}

TEST(ServiceChangesTest, FoldCaseCoversTheLettersOfWesternAndCyrillicNames) {
    EXPECT_EQ(FoldCase("ÄÖÜ ÀÞ Ā Ĺ Ŋ Ÿ Ź Σ Ж Ё"), FoldCase("äöü àþ ā ĺ ŋ ÿ ź σ ж ё"));
    EXPECT_EQ(FoldCase("äöü àþ ā ĺ ŋ ÿ ź σ ж ё"), "äöü àþ ā ĺ ŋ ÿ ź σ ж ё");
    EXPECT_NE(FoldCase("ß"), FoldCase("ss"));
    EXPECT_EQ(FoldCase(std::string("\xff\xc3", 2)), std::string("\xff\xc3", 2));  // broken bytes stay
}

}  // namespace
}  // namespace sw
