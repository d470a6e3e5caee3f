// The comparison of the previous run's export with the registry now: every
// kind of change, values that are gone or of another type, key names that
// differ only in case or look like the export format's signs; and the way
// back from it.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "changes/ChangeNotes.h"
#include "changes/ChangesRestorer.h"
#include "changes/ChangesView.h"
#include "changes/RestoreTexts.h"
#include "changes/ServiceChanges.h"
#include "changes/ServicesWatch.h"
#include "history/HistoryView.h"
#include "history/StateAtRun.h"
#include "platform/CaseFold.h"
#include "platform/Utf16.h"
#include "shared/CallerLine.h"
#include "shared/ChangeRows.h"
#include "unit/ExportText.h"
#include "unit/FakePrinter.h"
#include "unit/SettingsFakes.h"

namespace sw {
namespace {

const std::string kServicesExportPath = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\";

// The rows of the compared values that the tests set and read.
const std::size_t kTypeIndex = IndexOf(ManagerField::Type);
const std::size_t kImagePathIndex = IndexOf(ManagerField::ImagePath);
const std::size_t kObjectNameIndex = IndexOf(ManagerField::Account);
const std::size_t kFailureCommandIndex = IndexOf(ManagerField::FailureCommand);
const std::size_t kDisplayNameIndex = IndexOf(ManagerField::DisplayName);
const std::size_t kParametersServiceDllIndex = IndexOf(*ComparedByLabel("Parameters\\ServiceDll"));
const std::size_t kServiceDllIndex = IndexOf(*ComparedByLabel("ServiceDll"));
std::string Label(std::size_t index) { return std::string(kComparedValues[index].label); }

std::string Section(const std::string& key, const std::string& values) {
    return "[" + kServicesExportPath + key + "]\r\n" + values + "\r\n";
}

struct ChangesFixture : test::RootFixture {
    // Compares as the window does; the export read for the comparison must
    // give the same entries as the whole file read.
    std::vector<ChangeRow> Compare(const std::string& sections, std::size_t* instancesLeftOut = nullptr) {
        const std::string bytes = test::ServicesExport(sections);
        const RegExport file = ReadServicesExport(bytes);
        EXPECT_TRUE(file.Ok()) << file.error;
        const auto before = ServicesInExport(file);
        EXPECT_TRUE(before.has_value());
        EXPECT_EQ(before, ServicesInExport(ReadRegExport(bytes)));
        auto now = ServicesNow(registry);
        EXPECT_TRUE(now.has_value());
        if (!before || !now) return {};
        RecheckAbsent(registry, *before, *now);
        return CompareServices(*before, *now, instancesLeftOut);
    }
    void Set(const std::string& key, const std::string& name, std::uint32_t type, const std::string& data) {
        memory.SetRaw(kHkeyLocalMachine, ServiceKeyPath(key), name, type, data);
    }
};

std::string Row(const ChangeRow& row) { return test::RowText(row); }

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
    f.Set(key, "ImagePath", kRegExpandSz, std::string("C:\\b\xc3\xa4se.exe\0", 13));
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
    // How each changed: the failure command came, the others changed; the
    // rows keep the values as read, numbers as numbers.
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].change.kind, i == 5 ? ChangeKind::ValueAdded : ChangeKind::ValueChanged) << i;
    EXPECT_EQ(rows[0].before, (FoundValue{FoundValue::Kind::Number, 2, ""}));
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
    for (const ChangeRow& row : rows) EXPECT_EQ(row.change.value, nullptr) << Row(row);
}

// Rows name an entry by its display name resolved now where it is indirect;
// the comparison itself is of stored texts, so an unchanged reference gives
// no row.
TEST(ServiceChangesTest, IndirectDisplayNamesAreShownResolvedAndComparedAsStored) {
    ChangesFixture f;
    SeedSame(f);
    const std::string ref = "@%SystemRoot%\\system32\\wuaueng.dll,-105";
    f.Set("wuauserv", "DisplayName", kRegSz, ref + '\0');
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("wuauserv"), "Start", 2);
    f.Set("lost", "DisplayName", kRegSz, std::string("@C:\\fehlt.dll,-1") + '\0');
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("lost"), "Start", 2);
    f.memory.SetIndirect(ref, "Windows Update");
    const auto rows = f.Compare(
        Section("Gleich", kSame) +
        Section("wuauserv", "\"DisplayName\"=\"@%SystemRoot%\\\\system32\\\\wuaueng.dll,-105\"\r\n\"Start\"=dword:00000003\r\n") +
        Section("lost", "\"DisplayName\"=\"@C:\\\\fehlt.dll,-1\"\r\n\"Start\"=dword:00000003\r\n"));
    const std::vector<std::string> expected = {
        "@C:\\fehlt.dll,-1 | lost | Start | Manuell | Automatisch",
        "Windows Update | wuauserv | Start | Manuell | Automatisch",
    };
    EXPECT_EQ(Rows(rows), expected);
}

TEST(ServiceChangesTest, KeyNamesMatchWithoutRegardToCase) {
    ChangesFixture f;
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("\xc3\x84nderbarDienst"), "Start", 2);  // "Ä"
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
    f.Set("Typen", "DisplayName", kRegBinary, std::string(6, 'x'));            // was a text, is a long binary
    const auto rows = f.Compare(Section("Typen",
                                        "\"Start\"=dword:00000002\r\n"
                                        "\"ImagePath\"=hex(7):61,00,00,00,00,00\r\n"
                                        "\"ObjectName\"=hex(1):6f,00,68,00,6e,00,65,00,20,00,4e,00,55,00,4c,00\r\n"
                                        "\"Group\"=hex:01,01,01,01,01,01,01,01\r\n"
                                        "\"Type\"=dword:00000010\r\n"
                                        "\"DisplayName\"=\"Alt\"\r\n"));
    const std::vector<std::string> expected = {
        "Typen | Typen | Start | Automatisch | 2",
        "Typen | Typen | DisplayName | Alt | (anderer Werttyp)",
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

// The registry editor imports "[...\\AccSvcAuto\\]" as AccSvcAuto: the rows
// are those of the same export without the backslash.
TEST(ServiceChangesTest, AKeyLineWithTrailingOrDoubledBackslashesNamesTheSameEntry) {
    ChangesFixture f;
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("AccSvcAuto"), "Start", 2);
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("AccSvcAuto") + "\\Parameters", "ServiceDll", "neu.dll");
    const std::string values = "\"Start\"=dword:00000004\r\n";
    const std::string dll = "\"ServiceDll\"=\"alt.dll\"\r\n";
    const auto plain = Rows(f.Compare(Section("AccSvcAuto", values) + Section("AccSvcAuto\\Parameters", dll)));
    const std::vector<std::string> expected = {
        "AccSvcAuto | AccSvcAuto | Start | Deaktiviert | Automatisch",
        "AccSvcAuto | AccSvcAuto | Parameters\\ServiceDll | alt.dll | neu.dll",
    };
    EXPECT_EQ(plain, expected);
    EXPECT_EQ(Rows(f.Compare(Section("AccSvcAuto\\", values) + Section("AccSvcAuto\\Parameters\\", dll))), plain);
    EXPECT_EQ(Rows(f.Compare(Section("AccSvcAuto\\\\\\", values) + Section("AccSvcAuto\\\\Parameters", dll))), plain);
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

// The export is read whole, but the comparison keeps only what it compares;
// a fault anywhere still makes the file unreadable.
TEST(ServiceChangesTest, TheExportReadForTheComparisonKeepsOnlyTheComparedValuesAndChecksTheRest) {
    const std::string sections =
        Section("Svc", "\"Description\"=\"lang\"\r\n\"START\"=dword:00000002\r\n\"ErrorControl\"=dword:00000001\r\n"
                       "\"ImagePath\"=hex(2):43,00,3a,00,\\\r\n  00,00\r\n") +
        Section("Svc\\Parameters", "\"ServiceDll\"=\"a.dll\"\r\n\"Other\"=\"x\"\r\n") +
        Section("Svc\\Security", "\"Security\"=hex:01,02\r\n") + "[HKEY_LOCAL_MACHINE\\Software\\X]\r\n\"Start\"=dword:1\r\n\r\n";
    const RegExport file = ReadServicesExport(test::ServicesExport(sections));
    ASSERT_TRUE(file.Ok()) << file.error;
    std::vector<std::string> kept;
    for (const auto& key : file.keys) {
        std::string line = key.path.substr(key.path.rfind("Services"));
        for (const auto& value : key.values) line += " " + value.name + "=" + std::to_string(value.stored.data.size());
        kept.push_back(line);
    }
    const std::vector<std::string> expected = {"Services", "Services\\Svc START=4 ImagePath=6",
                                               "Services\\Svc\\Parameters ServiceDll=12"};
    EXPECT_EQ(kept, expected);

    for (const std::string broken : {"\"Description\"=\"offen\r\n", "\"ErrorControl\"=dword:xyz\r\n",
                                     "\"Security\"=hex:01,,02\r\n", "Unsinn\r\n"}) {
        const RegExport bad = ReadServicesExport(test::ServicesExport(Section("Svc\\Security", broken)));
        EXPECT_FALSE(bad.Ok()) << broken;
        EXPECT_EQ(bad.error, ReadRegExport(test::ServicesExport(Section("Svc\\Security", broken))).error);
        EXPECT_TRUE(bad.keys.empty());
    }
}

// Each entry costs the registry round trips of the list build: one open of
// its key for all its values (an indirect display name resolved through it)
// and one of its Parameters subkey, which reads only where there is one.
TEST(ServiceChangesTest, ReadingTheRegistryOpensEachEntryOnceAndItsParametersOnce) {
    test::RootFixture f;
    for (const std::string key : {"A", "B", "C"}) f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath(key), "Start", 2);
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("B") + "\\Parameters", "ServiceDll", "b.dll");
    const std::string ref = "@%SystemRoot%\\system32\\c.dll,-1";
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("C"), "DisplayName", ref);
    f.memory.SetIndirect(ref, "Dienst C");
    const auto opens = f.memory.OpenCallCount();
    const auto queries = f.memory.QueryCallCount();
    const auto now = ServicesNow(f.registry);
    ASSERT_TRUE(now.has_value());
    ASSERT_EQ(now->size(), 3u);
    EXPECT_EQ(f.memory.OpenCallCount() - opens, 1u + 3u * 2u);
    EXPECT_EQ(f.memory.QueryCallCount() - queries, 3u * 9u + 1u);
    EXPECT_EQ(f.memory.LoadMuiCallCount(), 1u);
    EXPECT_EQ((*now)[1].values[8].text, "b.dll");
    EXPECT_EQ((*now)[2].resolvedDisplayName, "Dienst C");
    EXPECT_EQ((*now)[2].values[kDisplayNameIndex].text, ref);
    EXPECT_EQ(f.memory.OpenHandleCount(), 0u);

    // An entry's key that denies reading does not hide a Parameters subkey
    // that allows it.
    f.memory.FindKey(kHkeyLocalMachine, ServiceKeyPath("B"))->denyRead = true;
    const auto denied = ServicesNow(f.registry);
    ASSERT_TRUE(denied.has_value());
    EXPECT_EQ((*denied)[1].values[0].kind, FoundValue::Kind::Absent);
    EXPECT_EQ((*denied)[1].values[8].text, "b.dll");
    EXPECT_EQ(f.memory.OpenHandleCount(), 0u);
}

// Windows creates and removes instances of per-user services at every
// logon; added and removed ones are counted, not listed. The name and the
// instance bit alone hide nothing: the template must be there on that side.
TEST(ServiceChangesTest, PerUserInstancesAddedOrRemovedAreCountedNotListed) {
    ChangesFixture f;
    const auto type = [&f](const std::string& key, std::uint32_t t) {
        f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath(key), "Type", t);
    };
    type("CDPUserSvc", 0x50);
    type("CDPUserSvc_4a2b1", 0xD0);  // added instance
    type("CDPUserSvc_77", 0xD0);     // on both sides, its program changed
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("CDPUserSvc_77"), "ImagePath", "C:\\neu.exe");
    type("Evil_1", 0xD0);            // no template
    type("Solo", 0x10);
    type("Solo_5", 0xD0);            // a template without the per-user bit
    type("CDPUserSvc_x", 0x10);      // no instance bit
    const std::string tpl = "\"Type\"=dword:00000050\r\n";
    const std::string inst = "\"Type\"=dword:000000d0\r\n";
    const std::string sections = Section("CDPUserSvc", tpl) + Section("cdpusersvc_9f", inst) +
                                 Section("CDPUserSvc_77", inst + "\"ImagePath\"=\"C:\\\\alt.exe\"\r\n") +
                                 Section("Solo", "\"Type\"=dword:00000010\r\n") + Section("Weg_3", inst);
    std::size_t leftOut = 99;
    const auto rows = f.Compare(sections, &leftOut);
    EXPECT_EQ(Rows(rows), (std::vector<std::string>{
                              "CDPUserSvc_77 | CDPUserSvc_77 | ImagePath | C:\\alt.exe | C:\\neu.exe",
                              "CDPUserSvc_x | CDPUserSvc_x | Eintrag hinzugefügt |  | ",
                              "Evil_1 | Evil_1 | Eintrag hinzugefügt |  | ",
                              "Solo_5 | Solo_5 | Eintrag hinzugefügt |  | ",
                              "Weg_3 | Weg_3 | Eintrag entfernt |  | ",
                          }));
    EXPECT_EQ(leftOut, 2u);  // CDPUserSvc_4a2b1 added, cdpusersvc_9f removed

    // Without its template on the side where it is, an instance is listed.
    f.memory.DeleteKey(kHkeyLocalMachine, ServiceKeyPath("CDPUserSvc"));
    EXPECT_EQ(f.Compare(sections, &leftOut).size(), rows.size() + 2);  // the template removed, the instance added
    EXPECT_EQ(leftOut, 1u);
}

// An entry is left out as an instance only where it runs its template's
// program; one that only carries the bit and the name is a row that says so.
TEST(ServiceChangesTest, AnInstanceIsLeftOutOnlyWhereItRunsItsTemplatesProgram) {
    ChangesFixture f;
    const std::string host = "C:\\Windows\\system32\\svchost.exe -k G";
    const auto entry = [&f](const std::string& key, std::uint32_t type, const std::string& image) {
        f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath(key), "Type", type);
        if (!image.empty()) f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath(key), "ImagePath", image);
    };
    const auto dll = [&f](const std::string& key, const std::string& place, const std::string& path) {
        f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath(key) + place, "ServiceDll", path);
    };
    entry("Vorlage", 0x50, host);
    dll("Vorlage", "\\Parameters", "C:\\Windows\\v.dll");
    entry("Vorlage_echt", 0xD0, host);
    dll("Vorlage_echt", "\\Parameters", "C:\\Windows\\v.dll");
    entry("Vorlage_ohnedll", 0xD0, host);  // runs the template's DLL
    entry("Vorlage_bild", 0xD0, "C:\\Users\\Public\\x.exe");
    entry("Vorlage_dll", 0xD0, host);
    dll("Vorlage_dll", "\\Parameters", "C:\\boese.dll");
    entry("Vorlage_eigen", 0xD0, host);
    dll("Vorlage_eigen", "", "C:\\Windows\\v.dll");  // where the template names none
    entry("Vorlage_ohnebild", 0xD0, "");
    entry("Vorlage_77", 0x10, "");  // no instance bit: an entry like any
    entry("Allein_1", 0xD0, host);  // no template
    const std::string hostExported = "\"ImagePath\"=\"C:\\\\Windows\\\\system32\\\\svchost.exe -k G\"\r\n";
    const std::string instance = "\"Type\"=dword:000000d0\r\n";
    const std::string sections =
        Section("Vorlage", "\"Type\"=dword:00000050\r\n" + hostExported) +
        Section("Vorlage\\Parameters", "\"ServiceDll\"=\"C:\\\\Windows\\\\v.dll\"\r\n") +
        Section("Vorlage_alt", instance + hostExported) +
        Section("Vorlage_weg", instance + "\"ImagePath\"=\"C:\\\\weg.exe\"\r\n");
    std::size_t leftOut = 0;
    std::vector<ChangeRow> rows = f.Compare(sections, &leftOut);
    EXPECT_EQ(leftOut, 3u);  // Vorlage_echt and Vorlage_ohnedll added, Vorlage_alt removed

    f.files.files["C:\\Windows\\system32\\svchost.exe"] = "";
    f.files.files["C:\\Windows\\v.dll"] = "";
    NoteRows(rows, *ServicesNow(f.registry), f.files, f.program.windowsFolder);
    std::vector<std::string> listed;
    for (const auto& row : rows) listed.push_back(row.key + " " + ChangeText(row.change) + ": " + row.note);
    const std::string forged = "Keine echte Instanz";
    EXPECT_EQ(listed, (std::vector<std::string>{
                          "Allein_1 Eintrag hinzugefügt: " + forged,
                          "Vorlage_77 Eintrag hinzugefügt: ",
                          "Vorlage_bild Eintrag hinzugefügt: " + forged + "; Pfad für Benutzer beschreibbar; Datei fehlt",
                          "Vorlage_dll Eintrag hinzugefügt: " + forged + "; Pfad für Benutzer beschreibbar; Datei fehlt",
                          "Vorlage_eigen Eintrag hinzugefügt: " + forged,
                          "Vorlage_ohnebild Eintrag hinzugefügt: " + forged,
                          "Vorlage_weg Eintrag entfernt: " + forged,
                      }));
}

// A service DLL in the entry's own key and one in "Parameters" are two
// values: each row names its place, and a restore puts back that place.
TEST(ServiceChangesTest, BothPlacesOfAServiceDllAreComparedAndRestoredApart) {
    ChangesFixture f;
    const std::string key = ServiceKeyPath("Dll");
    f.memory.SetString(kHkeyLocalMachine, key, "ServiceDll", "C:\\neu.dll");
    f.memory.SetString(kHkeyLocalMachine, key + "\\Parameters", "ServiceDll", "C:\\p.dll");
    const std::string sections = Section("Dll", "\"ServiceDll\"=\"C:\\\\alt.dll\"\r\n") +
                                 Section("Dll\\Parameters", "\"ServiceDll\"=\"C:\\\\p.dll\"\r\n");
    EXPECT_EQ(Rows(f.Compare(sections)), std::vector<std::string>{"Dll | Dll | ServiceDll | C:\\alt.dll | C:\\neu.dll"});
    f.memory.SetString(kHkeyLocalMachine, key + "\\Parameters", "ServiceDll", "C:\\q.dll");
    f.memory.DeleteValue(kHkeyLocalMachine, key, "ServiceDll");
    const auto rows = f.Compare(sections);
    EXPECT_EQ(Rows(rows), (std::vector<std::string>{"Dll | Dll | Parameters\\ServiceDll | C:\\p.dll | C:\\q.dll",
                                                    "Dll | Dll | ServiceDll | C:\\alt.dll | (nicht vorhanden)"}));
    // Each row names its place by the table's row, and how the value changed.
    EXPECT_EQ(rows[0].change.value, &kComparedValues[kParametersServiceDllIndex]);
    EXPECT_EQ(rows[0].change.kind, ChangeKind::ValueChanged);
    EXPECT_EQ(rows[1].change.value, &kComparedValues[kServiceDllIndex]);
    EXPECT_EQ(rows[1].change.kind, ChangeKind::ValueRemoved);
    EXPECT_EQ(rows[1].now.kind, FoundValue::Kind::Absent);

    test::FakeServiceManager manager{f.memory};
    ChangesRestorer restorer{f.registry, manager, f.files, f.program, f.clock};
    f.files.files[f.SideFile("Merotan.tmr")] = test::ServicesExport(sections);
    for (const ChangeRow& row : rows) EXPECT_TRUE(CanRestore(row)) << Row(row);
    const RestoreResult result =
        restorer.CarryOut(restorer.Plan({rows[1]}, PreviousRunState(f.files, f.program, {rows[1]})));
    ASSERT_EQ(result.failure, "");
    const ServiceValues after = ReadServiceNow(f.registry, "Dll");
    EXPECT_EQ(after.values[kServiceDllIndex].text, "C:\\alt.dll");
    EXPECT_EQ(after.values[kParametersServiceDllIndex].text, "C:\\q.dll");
}

// The notes of one row: an entry whose values now are set, one row about
// the value changed (or the entry added), and the files that exist.
struct NotesFixture : test::RootFixture {
    ServiceValues service;
    NotesFixture() {
        service.keyName = "Dienst";
        service.folded = "dienst";
        Number(kTypeIndex, 0x10);
        files.environment["WINDIR"] = "C:\\Windows";
    }
    void Number(std::size_t index, std::uint32_t n) {
        service.values[index] = FoundValue{FoundValue::Kind::Number, n, ""};
    }
    void Text(std::size_t index, const std::string& text) {
        service.values[index] = FoundValue{FoundValue::Kind::Text, 0, text};
    }
    void There(const std::string& path) { files.files[path] = ""; }
    std::string Note(const std::string& change) {
        std::vector<ChangeRow> rows{test::RowOf("Dienst", "DIENST", change)};
        NoteRows(rows, {service}, files, program.windowsFolder);
        return rows[0].note;
    }
    // The note of a row about this value, set to text.
    std::string NoteOf(std::size_t index, const std::string& text) {
        Text(index, text);
        return Note(Label(index));
    }
};

const std::string kWritable = "Pfad für Benutzer beschreibbar";

TEST(ChangeNotesTest, PathsBelowFoldersThatUsersCanWrite) {
    NotesFixture f;
    for (const char* path : {"C:\\Users\\Public\\x.exe", "c:\\users\\a\\x.exe", "C:\\ProgramData\\x\\y.exe",
                             "C:\\x.exe", "D:\\x.exe", "C:\\Windows\\Temp\\x.exe", "D:\\Apps\\AppData\\x.exe",
                             "C:\\Program Files\\..\\Users\\Public\\x.exe", "C:\\PROGRAMDATA\\Y.EXE",
                             "C:\\PerfLogs\\x.exe", "c:\\perflogs\\Admin\\y.exe"}) {
        f.There(path);
        EXPECT_EQ(f.NoteOf(kImagePathIndex, std::string("\"") + path + "\" -a"), kWritable) << path;
    }
    f.There("C:\\ProgramData\\z.exe");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "%ProgramData%\\z.exe"), kWritable);
    f.There("C:\\ProgramData\\z.dll");
    EXPECT_EQ(f.NoteOf(kParametersServiceDllIndex, "%programdata%\\z.dll"), kWritable);
    EXPECT_EQ(f.NoteOf(kServiceDllIndex, "%ProgramData%\\z.dll"), kWritable);
    // Near misses.
    for (const char* path : {"C:\\Program Files\\x.exe", "C:\\ProgramDataX\\y.exe", "C:\\Windows\\Tempo\\x.exe",
                             "C:\\Windows\\system32\\users.exe", "\\\\server\\x.exe", "C:\\PerfLogsX\\y.exe",
                             "C:\\Windows\\PerfLogs.exe"}) {
        f.There(path);
        EXPECT_EQ(f.NoteOf(kImagePathIndex, std::string("\"") + path + "\""), "") << path;
    }
}

TEST(ChangeNotesTest, InterpretersUnquotedPathsAndMissingFiles) {
    NotesFixture f;
    f.There("C:\\Windows\\system32\\svchost.exe");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "%SystemRoot%\\system32\\svchost.exe -k netsvcs"), "");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "C:\\Windows\\system32\\svchost.exe -k netsvcs -p"), "");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "C:\\Windows\\system32\\fehlt.exe -k"), "Datei fehlt");
    f.There("C:\\Tools\\prog.exe");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "C:\\Tools\\prog -x"), "") << "run with .exe added";

    for (const char* command : {"cmd.exe /c echo x", "CMD /c x", "PowerShell -enc x", "pwsh.exe -c x", "wscript a.js",
                                "cscript //b a.vbs", "mshta http://x", "regsvr32 /s x.dll", "certutil -urlcache x"})
        EXPECT_EQ(f.NoteOf(kImagePathIndex, command), "Befehlsinterpreter") << command;
    f.There("C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "%windir%\\System32\\WindowsPowerShell\\v1.0\\powershell.exe -c x"),
              "Befehlsinterpreter");
    f.There("C:\\Tools\\cmdx.exe");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "C:\\Tools\\cmdx.exe /c"), "");
    // rundll32 loads the DLL its first argument names.
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "rundll32.exe C:\\Users\\Public\\x.dll,Start"),
              kWritable + "; Befehlsinterpreter; Datei fehlt");
    f.There("C:\\Windows\\a b.dll");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "rundll32 \"C:\\Windows\\a b.dll\",Start"), "Befehlsinterpreter");

    // A blank before the program's name, unquoted: a shorter path runs first.
    f.There("C:\\Program Files\\A B\\x.exe");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "C:\\Program Files\\A B\\x.exe -k"), "Pfad ohne Anführungszeichen");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "\"C:\\Program Files\\A B\\x.exe\" -k"), "");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "C:\\Users\\Public\\A B\\y.exe"),
              kWritable + "; Pfad ohne Anführungszeichen; Datei fehlt");
    // Only an "ImagePath" is a command line of the service itself.
    EXPECT_EQ(f.NoteOf(kFailureCommandIndex, "C:\\Program Files\\A B\\x.exe"), "");
    EXPECT_EQ(f.NoteOf(kFailureCommandIndex, "cmd /c C:\\x.bat"), "Befehlsinterpreter");
    EXPECT_EQ(f.NoteOf(kFailureCommandIndex, "C:\\Users\\Public\\m.cmd"), kWritable + "; Datei fehlt");

    // A driver's path is its file whole, relative ones in the Windows folder.
    f.Number(kTypeIndex, 1);
    f.There("C:\\Windows\\System32\\drivers\\x.sys");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "System32\\drivers\\x.sys"), "");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "\\SystemRoot\\System32\\drivers\\x.sys"), "");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "\\??\\C:\\Windows\\System32\\drivers\\x.sys"), "");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "system32\\DRIVERS\\y.sys"), "Datei fehlt");
    f.There("C:\\Program Files\\A B\\z.sys");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "\\??\\C:\\Program Files\\A B\\z.sys"), "");
    f.program.windowsFolder = "D:\\WIN";
    f.There("D:\\WIN\\System32\\drivers\\x.sys");
    EXPECT_EQ(f.NoteOf(kImagePathIndex, "\\SystemRoot\\System32\\drivers\\x.sys"), "");
}

TEST(ChangeNotesTest, AccountsNewDriversAndWhichRowsGetNotes) {
    NotesFixture f;
    for (const char* account : {".\\Verwalter", "DOMAENE\\dienst", "dienst@firma.de"})
        EXPECT_EQ(f.NoteOf(kObjectNameIndex, account), "Benutzerkonto") << account;
    for (const char* account : {"LocalSystem", "NT AUTHORITY\\LocalService", "nt authority\\networkservice",
                                "NT SERVICE\\MSSQLSERVER", ""})
        EXPECT_EQ(f.NoteOf(kObjectNameIndex, account), "") << account;

    // An added entry: every rule over its values now.
    f.Text(kImagePathIndex, "C:\\Users\\Public\\neu.exe");
    f.Text(kServiceDllIndex, "C:\\Users\\Public\\neu.dll");
    f.Text(kObjectNameIndex, ".\\Verwalter");
    EXPECT_EQ(f.Note(kEntryAdded), kWritable + "; Datei fehlt; Benutzerkonto");
    f.service.values[kImagePathIndex] = {};
    f.service.values[kServiceDllIndex] = {};
    f.Text(kFailureCommandIndex, "mshta http://x");
    EXPECT_EQ(f.Note(kEntryAdded), "Befehlsinterpreter; Benutzerkonto");
    f.Number(kTypeIndex, 2);  // a file-system driver; its "ObjectName" names no account
    f.service.values[kFailureCommandIndex] = {};
    f.Text(kImagePathIndex, "\\??\\C:\\Users\\Public\\neu.sys");
    EXPECT_EQ(f.Note(kEntryAdded), kWritable + "; Datei fehlt; Neuer Treiber");
    // Rows about other values, and removed entries, get none.
    for (const std::string& change : {Label(0), Label(kTypeIndex), Label(kDisplayNameIndex), kEntryRemoved})
        EXPECT_EQ(f.Note(change), "") << change;
    // Nor do values that are not texts now.
    f.service.values[kImagePathIndex] = {};
    EXPECT_EQ(f.Note(Label(kImagePathIndex)), "");
    f.Number(kServiceDllIndex, 5);
    EXPECT_EQ(f.Note(Label(kServiceDllIndex)), "");
}

// The window's model: the previous export by the program's base name, the
// line that says what happened, sorting, printing and saving.
class FakeSaveDialog final : public SaveDialog {
public:
    std::optional<SaveChoice> answer;
    std::vector<std::string> asked;
    std::function<void()> whileAsking;
    std::optional<SaveChoice> Ask(const std::string& suggestedName) override {
        asked.push_back(suggestedName);
        if (whileAsking) whileAsking();
        return answer;
    }
};

// A restore that plans what a test gives it and, when carried out, writes
// the previous start types back into the in-memory registry.
class FakeRestorer final : public Restorer {
public:
    explicit FakeRestorer(MemoryRegistry& memory) : memory_(memory) {}
    RestorePlan plan;
    RestoreResult result;
    std::vector<std::vector<std::string>> planned;  // keys of the rows asked about, per call
    std::vector<std::size_t> carriedOut;            // writes of each plan carried out
    std::vector<std::pair<std::string, std::uint32_t>> startsWritten;
    std::vector<EarlierState> earlier;  // what each call was given
    RestorePlan Plan(const std::vector<ChangeRow>& selected, const EarlierState& state) override {
        earlier.push_back(state);
        std::vector<std::string> keys;
        for (const auto& row : selected) keys.push_back(row.key + "/" + ChangeText(row.change));
        planned.push_back(keys);
        return plan;
    }
    RestoreResult CarryOut(const RestorePlan& p) override {
        carriedOut.push_back(p.writes.size());
        for (const auto& [key, start] : startsWritten) memory_.SetDword(kHkeyLocalMachine, ServiceKeyPath(key), "Start", start);
        return result;
    }

private:
    MemoryRegistry& memory_;
};

class FakeRestoreDialogs final : public RestoreDialogs {
public:
    bool confirm = false;
    std::vector<std::pair<std::string, bool>> previews;  // text, cancel is the default
    std::vector<std::string> results;
    std::function<void()> whileResultShown;
    std::function<void()> whileConfirming;
    bool Confirm(const std::string& text, bool cancelIsDefault) override {
        previews.emplace_back(text, cancelIsDefault);
        if (whileConfirming) whileConfirming();
        return confirm;
    }
    void ShowResult(const std::string& text) override {
        results.push_back(text);
        if (whileResultShown) whileResultShown();
    }
};

struct ViewFixture : test::RootFixture {
    test::RecordingPrinters printers;
    FakeSaveDialog save;
    FakeRestorer restorer{memory};
    FakeRestoreDialogs restoreDialogs;
    ChangesServices changes{registry, files, program, clock, messages, &printers, &save, &restorer, &restoreDialogs, &ui};
    ChangesView view{changes};

    ViewFixture() {
        memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Alpha"), "Start", 4);
        memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Alpha"), "DisplayName", "Erster; \"Dienst\"");
        memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Beta"), "Start", 3);
        memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Beta"), "ObjectName", "LocalSystem");
    }
    void PreviousExport(const std::string& bytes) { files.files[program.folder + "\\" + program.baseName + ".tmr"] = bytes; }
    void TwoChanges() {
        PreviousExport(test::ServicesExport(
            Section("Alpha", "\"Start\"=dword:00000002\r\n\"DisplayName\"=\"Erster; \\\"Dienst\\\"\"\r\n") +
            Section("Beta", "\"Start\"=dword:00000003\r\n\"ObjectName\"=\"NT AUTHORITY\\\\LocalService\"\r\n")));
        view.Load();
    }
};

TEST(ChangesViewTest, WithoutAReadablePreviousExportItSaysSoAndDoesNothingElse) {
    ViewFixture f;
    f.program.baseName = "Werkzeug";
    f.view.Load();
    EXPECT_FALSE(f.view.Compared());
    EXPECT_EQ(f.view.Status(), "Kein Export vom letzten Start gefunden: C:\\Tools\\Werkzeug.tmr");
    f.view.Print();
    f.view.Save();
    EXPECT_EQ(f.printers.opened, 0);
    EXPECT_TRUE(f.save.asked.empty());
    EXPECT_TRUE(f.messages.shown.empty());

    f.PreviousExport(test::Utf16File(test::kExportHeader + "[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n"));
    f.view.Load();
    EXPECT_EQ(f.view.Status(),
              "Der Export vom letzten Start enthält den Schlüssel der Dienste nicht: C:\\Tools\\Werkzeug.tmr");
    f.PreviousExport("Windows Registry Editor Version 5.00\r\n");
    f.view.Load();
    EXPECT_FALSE(f.view.Compared());
    EXPECT_EQ(f.view.Status().rfind("Der Export vom letzten Start ist nicht lesbar (C:\\Tools\\Werkzeug.tmr): Die Datei "
                                    "ist in UTF-8 oder ANSI gespeichert",
                                    0),
              0u)
        << f.view.Status();
    f.files.files.clear();
    f.files.folders.insert("C:\\Tools\\Werkzeug.tmr");
    f.view.Load();
    EXPECT_EQ(f.view.Status(), "Der Export vom letzten Start kann nicht geöffnet werden: C:\\Tools\\Werkzeug.tmr");
    EXPECT_TRUE(f.view.Rows().empty());
}

TEST(ChangesViewTest, SortsByAColumnAndReversesOnTheSecondClick) {
    ViewFixture f;
    f.TwoChanges();
    ASSERT_TRUE(f.view.Compared());
    EXPECT_EQ(f.view.Status(), "Verglichen mit C:\\Tools\\Merotan.tmr: 2 Änderungen.");
    const auto changes = [&f] {
        std::vector<std::string> out;
        for (const auto& row : f.view.Rows()) out.push_back(ChangeText(row.change));
        return out;
    };
    EXPECT_EQ(changes(), (std::vector<std::string>{"Start", "ObjectName"}));
    f.view.SortBy(2);
    EXPECT_EQ(changes(), (std::vector<std::string>{"ObjectName", "Start"}));
    EXPECT_FALSE(f.view.Descending());
    f.view.SortBy(2);
    EXPECT_EQ(changes(), (std::vector<std::string>{"Start", "ObjectName"}));
    EXPECT_TRUE(f.view.Descending());
    // A selection moves along with its rows.
    std::vector<std::size_t> selected = {1, 9};  // ObjectName, and a row that is not there
    f.view.SortBy(3, &selected);  // before: "Automatisch" < "NT AUTHORITY..."
    EXPECT_EQ(changes(), (std::vector<std::string>{"Start", "ObjectName"}));
    EXPECT_FALSE(f.view.Descending());
    EXPECT_EQ(f.view.SortColumn(), 3);
    EXPECT_EQ(selected, std::vector<std::size_t>{1});
    f.view.SortBy(3, &selected);
    EXPECT_EQ(selected, std::vector<std::size_t>{0});
    EXPECT_EQ(ChangeText(f.view.Rows()[0].change), "ObjectName");
}

TEST(ChangesViewTest, PrintsEveryRowWithBeforeAndNowAndReportsAFailedPrint) {
    ViewFixture f;
    f.TwoChanges();
    f.view.Print();
    const std::vector<std::string>& log = f.printers.log;
    const auto at = [&log](const std::string& entry) { return std::find(log.begin(), log.end(), entry) - log.begin(); };
    EXPECT_LT(at("line:Änderungen seit dem letzten Start - Ausdruck vom 07.03.2026"), at("keep:Erster; \"Dienst\""));
    EXPECT_LT(at("keep:Erster; \"Dienst\""), at("line:Vorher: Automatisch"));
    EXPECT_LT(at("line:Vorher: Automatisch"), at("line:Jetzt: Deaktiviert"));
    EXPECT_LT(at("line:Jetzt: Deaktiviert"), at("line:Vorher: NT AUTHORITY\\LocalService"));
    EXPECT_LT(at("line:Jetzt: LocalSystem"), static_cast<std::ptrdiff_t>(log.size()));
    EXPECT_EQ(log.back(), "end");
    EXPECT_TRUE(f.messages.shown.empty());

    f.printers.failWith = "Der Druckauftrag wurde abgebrochen.";
    f.view.Print();
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text,
              "Die Änderungen konnten nicht gedruckt werden.    \nDer Druckauftrag wurde abgebrochen.");
    f.printers.noPrinter = true;
    f.view.Print();
    ASSERT_EQ(f.messages.shown.size(), 2u);
    EXPECT_NE(f.messages.shown[1].text.find(kNoDefaultPrinter), std::string::npos);
    EXPECT_EQ(f.messages.shown[1].title, " Drucken");
}

TEST(ChangesViewTest, CsvCellsThatASpreadsheetWouldRunStayText) {
    EXPECT_EQ(CsvField("=HYPERLINK(\"x\")"), "\"'=HYPERLINK(\"\"x\"\")\"");
    EXPECT_EQ(CsvField("+1"), "'+1");
    EXPECT_EQ(CsvField("-k netsvcs"), "'-k netsvcs");
    EXPECT_EQ(CsvField("@cmd"), "'@cmd");
    EXPECT_EQ(CsvField("C:\\a-b.exe"), "C:\\a-b.exe");
    EXPECT_EQ(CsvField(""), "");
}

TEST(ChangesViewTest, SavesUtf8TextOrCsvWhereTheUserChose) {
    ViewFixture f;
    f.TwoChanges();
    f.view.Save();  // cancelled
    ASSERT_EQ(f.save.asked, std::vector<std::string>{"Merotan-Änderungen.txt"});
    EXPECT_EQ(std::count_if(f.files.log.begin(), f.files.log.end(),
                            [](const std::string& e) { return e.rfind("write", 0) == 0; }),
              0);

    f.save.answer = SaveChoice{"D:\\a.csv", SaveFormat::Csv};
    f.view.Save();
    EXPECT_EQ(f.files.files["D:\\a.csv"],
              "\xEF\xBB\xBF"
              "Eintrag;Schlüssel;Änderung;Vorher;Jetzt;Hinweis\r\n"
              "\"Erster; \"\"Dienst\"\"\";Alpha;Start;Automatisch;Deaktiviert;\r\n"
              "Beta;Beta;ObjectName;NT AUTHORITY\\LocalService;LocalSystem;\r\n");
    f.save.answer = SaveChoice{"D:\\a.txt", SaveFormat::Text};
    f.view.Save();
    EXPECT_EQ(f.files.files["D:\\a.txt"],
              "\xEF\xBB\xBF"
              "Änderungen seit dem letzten Start\r\n"
              "Verglichen mit C:\\Tools\\Merotan.tmr: 2 Änderungen.\r\n\r\n"
              "Eintrag\tSchlüssel\tÄnderung\tVorher\tJetzt\tHinweis\r\n"
              "Erster; \"Dienst\"\tAlpha\tStart\tAutomatisch\tDeaktiviert\t\r\n"
              "Beta\tBeta\tObjectName\tNT AUTHORITY\\LocalService\tLocalSystem\t\r\n");
    EXPECT_TRUE(f.messages.shown.empty());

    // A full disk keeps the file as it was saved before.
    const std::string saved = f.files.files["D:\\a.txt"];
    f.files.capacity = f.files.Used() + 10;
    f.save.answer = SaveChoice{"D:\\a.txt", SaveFormat::Csv};
    f.view.Save();
    EXPECT_EQ(f.files.files["D:\\a.txt"], saved);
    EXPECT_EQ(f.files.files.count("D:\\a.txt.part"), 0u);
    f.files.capacity.reset();

    f.files.readOnly.insert("D:\\fest.txt");
    f.save.answer = SaveChoice{"D:\\fest.txt", SaveFormat::Text};
    f.view.Save();
    ASSERT_EQ(f.messages.shown.size(), 2u);
    EXPECT_EQ(f.messages.shown[1].text, "Die Datei konnte nicht gespeichert werden:\nD:\\fest.txt");
}

// Noted rows come first, the rest in entry order; the line above the list
// counts the per-user instances left out; the note is a column like any.
TEST(ChangesViewTest, NotedRowsComeFirstAndInstancesLeftOutAreCounted) {
    ViewFixture f;
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Gamma"), "ImagePath", "C:\\Users\\Public\\g.exe");
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Vorlage"), "Type", 0x50);
    for (const std::string key : {"Vorlage_1a", "Vorlage_2b"})
        f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath(key), "Type", 0xD0);
    f.PreviousExport(test::ServicesExport(
        Section("Alpha", "\"Start\"=dword:00000002\r\n\"DisplayName\"=\"Erster; \\\"Dienst\\\"\"\r\n") +
        Section("Beta", "\"Start\"=dword:00000003\r\n\"ObjectName\"=\"NT AUTHORITY\\\\LocalService\"\r\n") +
        Section("Gamma", "\"ImagePath\"=\"C:\\\\Tools\\\\g.exe\"\r\n") +
        Section("Vorlage", "\"Type\"=dword:00000050\r\n") + Section("Vorlage_0c", "\"Type\"=dword:000000d0\r\n")));
    f.view.Load();
    const std::string note = "Pfad für Benutzer beschreibbar; Datei fehlt";
    const auto keysAndNotes = [&f] {
        std::vector<std::string> out;
        for (const auto& row : f.view.Rows()) out.push_back(row.key + " " + ChangeText(row.change) + ": " + row.note);
        return out;
    };
    EXPECT_EQ(keysAndNotes(), (std::vector<std::string>{"Gamma ImagePath: " + note, "Alpha Start: ",
                                                        "Beta ObjectName: "}));
    EXPECT_EQ(f.view.Status(), "Verglichen mit C:\\Tools\\Merotan.tmr: 3 Änderungen; 3 Instanzen benutzerbezogener "
                               "Dienste nicht aufgeführt.");
    EXPECT_EQ(f.view.SortColumn(), -1);
    f.view.SortBy(5);
    EXPECT_EQ(keysAndNotes(), (std::vector<std::string>{"Alpha Start: ", "Beta ObjectName: ", "Gamma ImagePath: " + note}));
    EXPECT_EQ(ChangesView::Cell(f.view.Rows()[2], 5), note);
    EXPECT_NE(f.view.SavedText(SaveFormat::Csv).find("Gamma;Gamma;ImagePath;C:\\Tools\\g.exe;C:\\Users\\Public\\g.exe;\"" +
                                                     note + "\"\r\n"),
              std::string::npos);
    f.view.Print();
    EXPECT_NE(std::find(f.printers.log.begin(), f.printers.log.end(), "line:Hinweis: " + note), f.printers.log.end());

    f.memory.DeleteKey(kHkeyLocalMachine, ServiceKeyPath("Vorlage_1a"));
    f.memory.DeleteKey(kHkeyLocalMachine, ServiceKeyPath("Vorlage_2b"));
    f.view.Load();
    EXPECT_EQ(f.view.Status(), "Verglichen mit C:\\Tools\\Merotan.tmr: 3 Änderungen; 1 Instanz benutzerbezogener "
                               "Dienste nicht aufgeführt.");
    EXPECT_EQ(f.view.Rows()[0].key, "Gamma");
}

// The Services key of the in-memory registry as the registry editor exports
// it: every key below it with every value in its type.
std::string ExportOfRegistry(const MemoryRegistry& memory) {
    std::vector<ExportKey> keys;
    const std::function<void(const MemoryRegistry::Key&, const std::string&)> add =
        [&keys, &add](const MemoryRegistry::Key& key, const std::string& path) {
            ExportKey exported{path, {}};
            for (const auto& [name, value] : key.values)
                exported.values.push_back({FromUtf16(name), StoredValue{value.type, value.data}});
            keys.push_back(std::move(exported));
            for (const auto& child : key.children) add(*child, path + "\\" + FromUtf16(child->name));
        };
    add(*memory.FindKey(kHkeyLocalMachine, kServicesPath), kServicesExportPath.substr(0, kServicesExportPath.size() - 1));
    return WriteRegFile(keys);
}

// The window with the Services key watched: this run's export stands in
// for the registry while it is whole and unchanged, and the looks of the
// watch's timer run the fresh comparisons of an open window.
struct WatchedViewFixture : ViewFixture {
    ServicesWatch watch;
    bool exportWhole = true;
    std::vector<std::size_t> selected;
    int compared = 0;  // fresh comparisons the watch started

    WatchedViewFixture() {
        changes.watch = &watch;
        watch.Start(&registryWatch, [this] { return exportWhole; });
        watch.Listen([this] {
            const bool done = view.RegistryChanged(selected);
            compared += done ? 1 : 0;
            return done;
        });
    }
    void ThisRunsExport() { files.files[program.folder + "\\" + program.baseName + ".reg"] = ExportOfRegistry(memory); }
    // The registry's opens of one comparison.
    std::uint64_t OpensOfLoad() {
        const auto opens = memory.OpenCallCount();
        view.Load();
        return memory.OpenCallCount() - opens;
    }
};

// The export stands in for the registry only while it ended whole and the
// watch saw no change since it began; a registry changed behind the watch's
// back shows which was read.
TEST(ChangesViewTest, ThisRunsExportStandsForTheRegistryOnlyWhileWholeAndUnchanged) {
    WatchedViewFixture f;
    EXPECT_EQ(f.registryWatch.startedOn, kServicesPath);
    f.TwoChanges();
    f.ThisRunsExport();
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Alpha"), "Start", 2);  // unseen
    EXPECT_EQ(f.OpensOfLoad(), 0u);
    EXPECT_EQ(f.view.Rows().size(), 2u) << "the export's Alpha is still disabled";
    EXPECT_EQ(f.view.Status(), "Verglichen mit C:\\Tools\\Merotan.tmr: 2 Änderungen.");

    f.exportWhole = false;  // still running, or ended without a whole file
    EXPECT_GT(f.OpensOfLoad(), 0u);
    EXPECT_EQ(f.view.Rows().size(), 1u);
    f.exportWhole = true;
    f.files.files.erase("C:\\Tools\\Merotan.reg");
    EXPECT_GT(f.OpensOfLoad(), 0u);
    EXPECT_EQ(f.view.Rows().size(), 1u);
    f.ThisRunsExport();
    EXPECT_EQ(f.OpensOfLoad(), 0u);
    // Once a change was seen, never again, though the watch is quiet now.
    f.registryWatch.changed = true;
    EXPECT_GT(f.OpensOfLoad(), 0u);
    EXPECT_GT(f.OpensOfLoad(), 0u);

    // A watch that cannot start, or none (the check without a window).
    WatchedViewFixture unwatched;
    ServicesWatch failing;
    unwatched.registryWatch.startFails = true;
    failing.Start(&unwatched.registryWatch, [] { return true; });
    unwatched.changes.watch = &failing;
    unwatched.TwoChanges();
    unwatched.ThisRunsExport();
    EXPECT_GT(unwatched.OpensOfLoad(), 0u);
    unwatched.changes.watch = nullptr;
    EXPECT_GT(unwatched.OpensOfLoad(), 0u);
}

// Whichever source the registry now comes from, the rows are the same: every
// value type, indirect names (the rows' resolved through the registry, a
// removed entry's as stored), instances, the service DLL's two places and
// the notes.
TEST(ChangesViewTest, TheRegistryAndItsExportGiveTheSameRows) {
    WatchedViewFixture f;
    const auto set = [&f](const std::string& key, const std::string& name, std::uint32_t type, const std::string& data) {
        f.memory.SetRaw(kHkeyLocalMachine, ServiceKeyPath(key), name, type, data);
    };
    const std::string ref = "@%SystemRoot%\\system32\\wuaueng.dll,-105";
    f.memory.SetIndirect(ref, "Windows Update");
    set("wuauserv", "DisplayName", kRegSz, ref + '\0');
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("wuauserv"), "Start", 2);
    set("lost", "DisplayName", kRegExpandSz, std::string("@C:\\fehlt.dll,-1") + '\0');
    set("Typen", "Start", kRegSz, std::string("2\0", 2));
    set("Typen", "ImagePath", kRegMultiSz, std::string("a\0\0", 3));
    set("Typen", "ObjectName", kRegSz, "ohne NUL");
    set("Typen", "Group", kRegBinary, std::string(8, '\x01'));
    set("Typen", "Type", kRegBinary, std::string("\x10\0", 2));
    set("Typen", "DisplayName", kRegBinary, std::string(6, 'x'));
    set("Typen", "FailureCommand", kRegQword, std::string(8, '\0'));
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Gamma"), "ImagePath", "C:\\Users\\Public\\g.exe");
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Gamma") + "\\Parameters", "ServiceDll", "C:\\neu.dll");
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Vorlage"), "Type", 0x50);
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Vorlage_1a"), "Type", 0xD0);
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Fremd_2b"), "Type", 0xD0);
    f.PreviousExport(test::ServicesExport(
        Section("Alpha", "\"Start\"=dword:00000002\r\n") + Section("Beta", "\"Start\"=dword:00000003\r\n") +
        Section("wuauserv", "\"DisplayName\"=\"" + std::string("@%SystemRoot%\\\\system32\\\\wuaueng.dll,-105") +
                                "\"\r\n\"Start\"=dword:00000003\r\n") +
        Section("lost", "\"DisplayName\"=\"@C:\\\\fehlt.dll,-1\"\r\n\"Start\"=dword:00000003\r\n") +
        Section("Fort", "\"DisplayName\"=\"@%SystemRoot%\\\\system32\\\\wuaueng.dll,-105\"\r\n") +
        Section("Typen", "\"Start\"=dword:00000002\r\n\"ObjectName\"=\"alt\"\r\n\"DisplayName\"=\"Alt\"\r\n"
                         "\"Group\"=hex:01,01,01,01,01,01,01,01\r\n\"Type\"=dword:00000010\r\n") +
        Section("Gamma", "\"ImagePath\"=\"C:\\\\Tools\\\\g.exe\"\r\n") + Section("Gamma\\Parameters", "") +
        Section("Vorlage", "\"Type\"=dword:00000050\r\n")));
    f.ThisRunsExport();
    const auto cells = [&f] {
        std::vector<std::string> out{f.view.Status()};
        for (const auto& row : f.view.Rows()) {
            std::string line;
            for (int column = 0; column < static_cast<int>(kChangesColumns.size()); ++column)
                line += ChangesView::Cell(row, column) + " | ";
            out.push_back(line + (row.notAnInstance ? "!" : ""));
        }
        return out;
    };
    EXPECT_EQ(f.OpensOfLoad(), 2u) << "the two rows' indirect names, nothing else";
    const auto fromExport = cells();
    f.registryWatch.changed = true;
    EXPECT_GT(f.OpensOfLoad(), 10u);
    EXPECT_EQ(cells(), fromExport);
    EXPECT_GE(fromExport.size(), 12u);
    EXPECT_NE(std::find(fromExport.begin(), fromExport.end(),
                        "Windows Update | wuauserv | Start | Manuell | Automatisch |  | "),
              fromExport.end());
}

// A change below the Services key while the window is open gives one fresh
// comparison once its burst has settled (or at the latest kLongestBurst
// looks into one that goes on); the sort and the selected rows stay, and
// the status line says so when the rows changed.
TEST(ChangesViewTest, AChangeWhileOpenComparesAfreshOnceItsBurstHasSettled) {
    WatchedViewFixture f;
    f.TwoChanges();  // Alpha: Start, Beta: ObjectName
    const std::string status = "Verglichen mit C:\\Tools\\Merotan.tmr: ";
    f.registryWatch.Look(false);
    EXPECT_EQ(f.compared, 0);

    // A change that no row shows: compared, nothing to say.
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Alpha"), "Description", "neu");
    f.registryWatch.Look(true);
    f.registryWatch.Look(false);
    EXPECT_EQ(f.compared, 1);
    EXPECT_EQ(f.view.Status(), status + "2 Änderungen.");

    f.view.SortBy(2);  // ObjectName (Beta), Start (Alpha)
    f.selected = {1};
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Beta"), "Start", 2);
    for (int i = 0; i < 3; ++i) f.registryWatch.Look(true);
    EXPECT_EQ(f.compared, 1) << "not within the burst";
    f.registryWatch.Look(false);
    EXPECT_EQ(f.compared, 2);
    EXPECT_EQ(f.view.Status().rfind(kChangedWhileRunning + " (", 0), 0u) << f.view.Status();
    EXPECT_NE(f.view.Status().find("). " + status + "3 Änderungen."), std::string::npos) << f.view.Status();
    EXPECT_EQ(f.view.SortColumn(), 2);
    EXPECT_FALSE(f.view.Descending());
    std::vector<std::string> order;
    for (const auto& row : f.view.Rows()) order.push_back(row.key + " " + ChangeText(row.change));
    EXPECT_EQ(order, (std::vector<std::string>{"Beta ObjectName", "Alpha Start", "Beta Start"}));
    EXPECT_EQ(f.selected, std::vector<std::size_t>{1});
    f.registryWatch.Look(false);
    f.registryWatch.Look(false);
    EXPECT_EQ(f.compared, 2);

    // A burst that goes on is compared at bounded intervals; the opening
    // stays while rows stay as they are.
    for (int i = 0; i < 2 * ServicesWatch::kLongestBurst; ++i) f.registryWatch.Look(true);
    EXPECT_EQ(f.compared, 4);
    EXPECT_EQ(f.view.Status().rfind(kChangedWhileRunning, 0), 0u);
    // Opened anew, the window says nothing of earlier changes; closed, it
    // is not compared.
    f.view.Load();
    EXPECT_EQ(f.view.Status(), status + "3 Änderungen.");
    f.watch.Listen({});
    EXPECT_FALSE(f.registryWatch.onLook);
}

// The restore's own writes signal; its comparison at the end covers them.
// A change during a preview that is cancelled, or while the save dialog is
// open, is compared afterwards: the rows stay as they are meanwhile.
TEST(ChangesViewTest, ARestoreComparesOnceForItsOwnWritesAndASaveKeepsItsRows) {
    WatchedViewFixture f;
    f.TwoChanges();
    f.save.answer = SaveChoice{"D:\\a.csv", SaveFormat::Csv};
    f.save.whileAsking = [&f] {
        f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Beta"), "Start", 2);
        f.registryWatch.Look(true);
        f.registryWatch.Look(false);
    };
    f.view.Save();
    EXPECT_EQ(f.compared, 0);
    EXPECT_EQ(std::count(f.files.files["D:\\a.csv"].begin(), f.files.files["D:\\a.csv"].end(), '\n'), 3);
    f.registryWatch.Look(false);
    EXPECT_EQ(f.compared, 1);
    EXPECT_EQ(f.view.Rows().size(), 3u);
    f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Beta"), "Start", 3);
    f.registryWatch.Look(true);
    f.registryWatch.Look(false);
    ASSERT_EQ(f.compared, 2);
    f.restorer.plan.writes = {
        test::WriteOf("Erster; \"Dienst\"", "Alpha", "Start", test::NumberStored(4), test::NumberStored(2))};
    f.restoreDialogs.whileConfirming = [&f] {
        f.registryWatch.Look(true);
        f.registryWatch.Look(false);
    };
    f.view.Restore({0});
    EXPECT_EQ(f.compared, 2);
    f.registryWatch.Look(false);
    EXPECT_EQ(f.compared, 3);

    f.restoreDialogs.whileConfirming = nullptr;
    f.restoreDialogs.confirm = true;
    f.restorer.startsWritten = {{"Alpha", 2}};
    f.restoreDialogs.whileResultShown = [&f] {
        f.registryWatch.Look(true);
        f.registryWatch.Look(false);
        f.registryWatch.Look(false);
    };
    const auto opens = f.memory.OpenCallCount();
    EXPECT_TRUE(f.view.Restore({0}));
    const auto opensOfRestore = f.memory.OpenCallCount() - opens;
    f.registryWatch.Look(false);
    EXPECT_EQ(f.compared, 3);
    EXPECT_EQ(f.view.Rows().size(), 1u);
    EXPECT_EQ(opensOfRestore, f.OpensOfLoad()) << "one comparison";
}

// The restore's texts: every write with its full texts, what will not be
// restored and why, the boot warning, added entries only disabled.
TEST(RestoreTextsTest, ThePreviewListsEveryWriteTheRowsLeftOutAndWhatHappensToAnAddedEntry) {
    RestorePlan plan;
    const std::string longPath = "C:\\" + std::string(300, 'p') + "\\dienst.exe -k netsvcs";
    using test::TextStored;
    plan.writes = {test::WriteOf("Neues Programm", "SwImage", "ImagePath", TextStored("C:\\boese.exe"), TextStored(longPath)),
                   test::WriteOf("Neuer Dienst", "SwNew", "Start", test::NumberStored(3), test::NumberStored(4)),
                   test::WriteOf("Gruppe", "Gruppe", "Group", TextStored(""), std::nullopt),
                   test::WriteOf("Zeilen", "Zeilen", "DisplayName", TextStored("a\r\nb"), TextStored("c\nd"))};
    plan.skipped = {{"Anderes Konto", "SwAccount", test::ChangeNamed("ObjectName"),
                     "Das Konto \".\\Hans\" braucht ein Kennwort; LocalSystem verwenden."}};
    const std::vector<ChangeRow> selected = {test::RowOf("Neuer Dienst", "SwNew", kEntryAdded, "", "C:\\neu.exe"),
                                             test::RowOf("Nicht geplant", "SwOther", kEntryAdded, "", "C:\\x.exe")};
    EXPECT_EQ(RestorePreviewText(plan, selected, "C:\\Tools"),
              "Diese Werte werden auf den Stand vom letzten Start zurückgesetzt (Eintrag – Wert: jetzt → vorher):\n"
              "  Neues Programm (SwImage) – ImagePath: C:\\boese.exe → " + longPath + "\n"
              "  Neuer Dienst (SwNew) – Start: Manuell → Deaktiviert\n"
              "  Gruppe – Group: \"\" → (nicht vorhanden)\n"
              "  Zeilen – DisplayName: a↵b → c↵d\n"
              "\nHinzugefügte Einträge werden nicht gelöscht, sondern auf \"Deaktiviert\" gesetzt, so dass sie nicht "
              "mehr starten:\n"
              "  Neuer Dienst (SwNew)\n"
              "\nNicht zurückgesetzt werden:\n"
              "  Anderes Konto (SwAccount) – ObjectName: Das Konto \".\\Hans\" braucht ein Kennwort; LocalSystem "
              "verwenden.\n"
              "\nVor der ersten Änderung wird der jetzige Stand dieser Werte in eine Rückgängig-Datei im "
              "Programmordner geschrieben (C:\\Tools); ihr Import in den Registrierungs-Editor stellt ihn wieder her.");

    plan.touchesBootOrSystemStart = true;
    const std::string warned = RestorePreviewText(plan, {}, "C:\\Tools");
    EXPECT_EQ(warned.rfind("Achtung: Ein Starttyp \"Boot\" oder \"System\" ist beteiligt. Ein falscher Wert kann "
                           "verhindern, dass Windows startet.\n\nDiese Werte",
                           0),
              0u)
        << warned;
    EXPECT_EQ(warned.find("Hinzugefügte"), std::string::npos);

    EXPECT_EQ(NothingToRestoreText(plan),
              "Keine der gewählten Zeilen kann zurückgesetzt werden:\n  Anderes Konto (SwAccount) – ObjectName: Das "
              "Konto \".\\Hans\" braucht ein Kennwort; LocalSystem verwenden.");
    EXPECT_EQ(NothingToRestoreText(RestorePlan{}),
              "Es gibt nichts zu schreiben: Die gewählten Werte haben schon den Stand vom letzten Start.");
    RestorePlan failed;
    failed.failure = "Der Export vom letzten Start ist nicht lesbar.";
    EXPECT_EQ(NothingToRestoreText(failed), "Es kann nichts zurückgesetzt werden:\nDer Export vom letzten Start ist "
                                            "nicht lesbar.");
}

TEST(RestoreTextsTest, TheResultNamesTheUndoFileAndEachRowsOutcomeOrThatNothingWasChanged) {
    RestoreResult result;
    result.undoFile = "C:\\Tools\\Merotan-Rückgängig-2026-03-07-140502.reg";
    result.rows = {{"Anderer Start", "SwStart", test::ChangeNamed("Start"), RestoreOutcomeKind::Restored, ""},
                   {"Neue DLL", "SwDll", test::ChangeNamed("Parameters\\ServiceDll"), RestoreOutcomeKind::AfterNextRestart,
                    "Der Dienstmanager kennt diesen Wert nicht"},
                   {"Unbekannt", "Unbekannt", test::ChangeNamed("Start"), RestoreOutcomeKind::AfterNextRestart,
                    "Die Dienstverwaltung kennt den Eintrag nicht; wirksam nach dem nächsten Neustart."},
                   {"Neuer Dienst", "SwNew", test::ChangeNamed(kEntryAdded), RestoreOutcomeKind::Restored,
                    "Der Eintrag wurde nicht gelöscht, sondern deaktiviert."},
                   {"Geschützt", "Geschützt", test::ChangeNamed("ImagePath"), RestoreOutcomeKind::NotRestored,
                    "Zugriff verweigert (5: Zugriff verweigert)"}};
    EXPECT_EQ(RestoreResultText(result),
              "Zurückgesetzt: 4, davon 2 wirksam nach dem nächsten Neustart. Nicht zurückgesetzt: 1.\n\n"
              "Rückgängig-Datei: C:\\Tools\\Merotan-Rückgängig-2026-03-07-140502.reg\n"
              "Ihr Import in den Registrierungs-Editor (Doppelklick) stellt den Stand vor dem Zurücksetzen wieder "
              "her.\n\n"
              "  Anderer Start (SwStart) – Start: zurückgesetzt\n"
              "  Neue DLL (SwDll) – Parameters\\ServiceDll: zurückgesetzt, wirksam nach dem nächsten Neustart (Der "
              "Dienstmanager kennt diesen Wert nicht)\n"
              "  Unbekannt – Start: zurückgesetzt: Die Dienstverwaltung kennt den Eintrag nicht; wirksam nach dem "
              "nächsten Neustart.\n"
              "  Neuer Dienst (SwNew) – Eintrag hinzugefügt: deaktiviert, nicht gelöscht\n"
              "  Geschützt – ImagePath: nicht zurückgesetzt: Zugriff verweigert (5: Zugriff verweigert)");

    result.failure = "Die Rückgängig-Datei kann nicht geschrieben werden: C:\\Tools\\Merotan-Rückgängig-2026-03-07-"
                     "140502.reg";
    EXPECT_EQ(RestoreResultText(result),
              "Es wurde nichts geändert.\nDie Rückgängig-Datei kann nicht geschrieben werden: "
              "C:\\Tools\\Merotan-Rückgängig-2026-03-07-140502.reg");
}

// The window's restore: the selected rows as sorted now go to the plan; a
// cancelled preview writes nothing; a confirmed one writes, shows the result
// and compares afresh, so that restored rows are gone.
TEST(ChangesViewTest, RestoreAsksThePlanPreviewsItAndWritesOnlyWhenConfirmed) {
    ViewFixture f;
    f.TwoChanges();  // Alpha: Start, Beta: ObjectName
    EXPECT_FALSE(f.view.CanRestoreAny({}));
    EXPECT_FALSE(f.view.CanRestoreAny({7}));
    EXPECT_TRUE(f.view.CanRestoreAny({7, 0}));
    f.view.SortBy(2);  // ObjectName, Start
    f.restorer.plan.writes = {
        test::WriteOf("Erster; \"Dienst\"", "Alpha", "Start", test::NumberStored(4), test::NumberStored(2))};
    f.restorer.plan.touchesBootOrSystemStart = true;

    f.view.Restore({1, 5});
    ASSERT_EQ(f.restorer.planned, (std::vector<std::vector<std::string>>{{"Alpha/Start"}}));
    ASSERT_EQ(f.restoreDialogs.previews.size(), 1u);
    EXPECT_EQ(f.restoreDialogs.previews[0].first, RestorePreviewText(f.restorer.plan, {f.view.Rows()[1]}, "C:\\Tools"));
    EXPECT_TRUE(f.restoreDialogs.previews[0].second);
    EXPECT_TRUE(f.restorer.carriedOut.empty());
    EXPECT_TRUE(f.restoreDialogs.results.empty());
    EXPECT_EQ(f.view.Rows().size(), 2u);
    EXPECT_EQ(f.view.SortColumn(), 2);  // not compared afresh either

    f.restoreDialogs.confirm = true;
    f.restorer.plan.touchesBootOrSystemStart = false;
    f.restorer.startsWritten = {{"Alpha", 2}};
    f.restorer.result.undoFile = "C:\\Tools\\Merotan-Rückgängig-2026-03-07-140502.reg";
    f.restorer.result.rows = {{"Erster; \"Dienst\"", "Alpha", test::ChangeNamed("Start"), RestoreOutcomeKind::Restored, ""}};
    f.restoreDialogs.whileResultShown = [&f] { EXPECT_EQ(f.view.Rows().size(), 2u); };
    f.view.Restore({0, 1});
    EXPECT_EQ(f.restorer.planned.back(), (std::vector<std::string>{"Beta/ObjectName", "Alpha/Start"}));
    EXPECT_FALSE(f.restoreDialogs.previews.back().second);
    EXPECT_EQ(f.restorer.carriedOut, std::vector<std::size_t>{1});
    EXPECT_EQ(f.restoreDialogs.results, std::vector<std::string>{RestoreResultText(f.restorer.result)});
    ASSERT_EQ(f.view.Rows().size(), 1u);
    EXPECT_EQ(f.view.Rows()[0].key, "Beta");
    EXPECT_EQ(f.ui.pointer, kPointerDefault);
    EXPECT_TRUE(f.messages.shown.empty());
}

TEST(ChangesViewTest, RestoreWithNothingToWriteSaysWhyInsteadOfAnEmptyPreview) {
    ViewFixture f;
    f.TwoChanges();
    f.restoreDialogs.confirm = true;
    f.restorer.plan.skipped = {{"Beta", "Beta", test::ChangeNamed("ObjectName"), "Das Konto braucht ein Kennwort."}};
    f.view.Restore({1});
    const std::string nothing = NothingToRestoreText(f.restorer.plan);
    f.restorer.plan.failure = "Der Export vom letzten Start ist nicht lesbar.";
    f.view.Restore({0, 1});
    ASSERT_EQ(f.messages.shown.size(), 2u);
    EXPECT_EQ(f.messages.shown[0].text, nothing);
    EXPECT_EQ(f.messages.shown[0].title, " Zurücksetzen");
    EXPECT_EQ(f.messages.shown[1].text.rfind("Es kann nichts zurückgesetzt werden:\nDer Export", 0), 0u);
    EXPECT_TRUE(f.restoreDialogs.previews.empty());
    EXPECT_TRUE(f.restorer.carriedOut.empty());

    // A failed undo file is shown as the result; nothing was written.
    f.restorer.plan = RestorePlan{};
    f.restorer.plan.writes = {test::WriteOf("Beta", "Beta", "ObjectName", test::TextStored("LocalSystem"),
                                             test::TextStored("NT AUTHORITY\\LocalService"))};
    f.restorer.result.failure = "Die Rückgängig-Datei kann nicht geschrieben werden: C:\\Tools\\x.reg";
    f.view.Restore({1});
    ASSERT_EQ(f.restoreDialogs.results.size(), 1u);
    EXPECT_EQ(f.restoreDialogs.results[0], "Es wurde nichts geändert.\n" + f.restorer.result.failure);
    EXPECT_EQ(f.view.Rows().size(), 2u);

    // Without a comparison there is nothing to restore.
    f.files.files.clear();
    f.view.Load();
    f.view.Restore({0});
    EXPECT_FALSE(f.view.CanRestoreAny({0}));
    EXPECT_EQ(f.restorer.planned.size(), 3u);
}


// The restore: the previous export's values put back through the service
// manager and the registry, with an undo file written first.
namespace restore {

// UTF-16LE bytes of a text with its NUL, as the registry stores texts.
std::string W(const std::string& utf8) {
    std::string out;
    for (const char16_t unit : ToUtf16(utf8)) {
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
    }
    return out.append(2, '\0');
}
std::string Dword(std::uint32_t n) {
    return std::string{static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                       static_cast<char>(n >> 24)};
}

// Before: "Wechsel" with every compared value and a service DLL, "Abgang"
// with subkeys of its own; "Zugang" was not there.
const std::string kBefore =
    Section("Abgang",
            "\"DisplayName\"=\"Fort\"\r\n\"Type\"=dword:00000010\r\n\"Start\"=dword:00000003\r\n"
            "\"ErrorControl\"=dword:00000001\r\n\"ImagePath\"=\"C:\\\\alt.exe\"\r\n\"ObjectName\"=\"LocalSystem\"\r\n"
            "\"Liste\"=hex(7):61,00,00,00,00,00\r\n") +
    Section("Abgang\\Parameters", "\"ServiceDll\"=\"C:\\\\p.dll\"\r\n\"Roh\"=hex:01,02,03,04,05\r\n") +
    Section("Abgang\\Security", "\"Security\"=hex:01,00,14,80\r\n") +
    Section("Wechsel",
            "\"DisplayName\"=\"Alter Name\"\r\n\"Start\"=dword:00000002\r\n\"DelayedAutostart\"=dword:00000001\r\n"
            "\"Type\"=dword:00000020\r\n\"ImagePath\"=hex(2):25,00,53,00,25,00,5c,00,61,00,00,00\r\n"
            "\"ObjectName\"=\"NT AUTHORITY\\\\LocalService\"\r\n\"Group\"=\"Netz\"\r\n") +
    Section("Wechsel\\Parameters", "\"ServiceDll\"=hex(2):43,00,3a,00,5c,00,61,00,00,00\r\n");

struct RestoreFixture : ChangesFixture {
    test::FakeServiceManager manager{memory};
    ChangesRestorer restorer{registry, manager, files, program, clock};

    RestoreFixture() {
        files.files[SideFile("Merotan.tmr")] = test::ServicesExport(kBefore);
        const std::string w = ServiceKeyPath("Wechsel");
        memory.SetString(kHkeyLocalMachine, w, "DisplayName", "Neuer Name");
        memory.SetString(kHkeyLocalMachine, w, "Description", "Neu");
        memory.SetDword(kHkeyLocalMachine, w, "Start", 4);
        memory.SetDword(kHkeyLocalMachine, w, "DelayedAutostart", 0);
        memory.SetDword(kHkeyLocalMachine, w, "Type", 0x10);
        Set("Wechsel", "ImagePath", kRegSz, std::string("C:\\b\xc3\xb6se.exe\0", 13));
        memory.SetString(kHkeyLocalMachine, w, "ObjectName", "LocalSystem");
        memory.SetString(kHkeyLocalMachine, w, "FailureCommand", "cmd /c x");
        memory.SetString(kHkeyLocalMachine, w + "\\Parameters", "ServiceDll", "C:\\neu.dll");
        const std::string z = ServiceKeyPath("Zugang");
        memory.SetString(kHkeyLocalMachine, z, "ObjectName", "LocalSystem");
        memory.SetDword(kHkeyLocalMachine, z, "Start", 2);
    }
    std::vector<ChangeRow> Rows() { return Compare(kBefore); }
    // Plans back to the previous run's export, as the changes window does.
    RestorePlan Plan(const std::vector<ChangeRow>& rows) {
        return restorer.Plan(rows, PreviousRunState(files, program, rows));
    }
    RestoreResult RestoreAll() { return restorer.CarryOut(Plan(Rows())); }
    std::optional<StoredValue> Stored(const std::string& path, const std::string& name) {
        StoredValue value;
        if (registry.ReadStored(kHkeyLocalMachine, path, name, value) != kErrorSuccess) return std::nullopt;
        return value;
    }
    std::string UndoPath() const { return SideFile("Merotan-R\xc3\xbc" "ckg\xc3\xa4ngig-2026-03-07-100000.reg"); }
    // Every key and value below an entry, as lines, to compare the registry
    // before and after.
    std::vector<std::string> Dump(const std::string& key) {
        std::vector<std::string> lines;
        const std::function<void(const MemoryRegistry::Key&, const std::string&)> walk =
            [&](const MemoryRegistry::Key& k, const std::string& at) {
                lines.push_back("[" + at + "]");
                for (const auto& [name, value] : k.values)
                    lines.push_back(FromUtf16(name) + "=" + std::to_string(value.type) + ":" + value.data);
                for (const auto& child : k.children) walk(*child, at + "\\" + FromUtf16(child->name));
            };
        if (const auto* k = memory.FindKey(kHkeyLocalMachine, ServiceKeyPath(key))) walk(*k, key);
        return lines;
    }
    // What the registry editor's import of a file does.
    void Import(const RegExport& file) {
        const std::string machine = "HKEY_LOCAL_MACHINE\\";
        for (const ExportKey& key : file.keys) {
            const std::string path = key.path.substr(machine.size());
            if (key.removed) {
                memory.DeleteKey(kHkeyLocalMachine, path);
                continue;
            }
            registry.CreateKey(kHkeyLocalMachine, path);
            for (const ExportValue& value : key.values) {
                if (value.removed) registry.DeleteStoredValue(kHkeyLocalMachine, path, value.name);
                else registry.WriteStored(kHkeyLocalMachine, path, value.name, {value.stored.type, value.stored.data});
            }
        }
    }
    // Every value of an entry's keys in the export is in the registry, in
    // its exported type.
    void ExpectAsExported(const std::string& key, test::Caller caller = test::Caller::current()) {
        test::CalledFrom at(caller);
        const auto subtree = EntrySubtree(ReadRegExport(test::ServicesExport(kBefore)), key);
        ASSERT_TRUE(subtree);
        for (const ExportKey& k : *subtree)
            for (const ExportValue& v : k.values)
                EXPECT_EQ(Stored(ServiceKeyPath(key) + (k.path.empty() ? "" : "\\" + k.path), v.name),
                          (StoredValue{v.stored.type, v.stored.data}))
                    << key << "\\" << k.path << " " << v.name;
    }
};

std::vector<std::string> Outcomes(const RestoreResult& result) {
    std::vector<std::string> out;
    for (const auto& row : result.rows)
        out.push_back(row.key + " " + ChangeText(row.change) + ": " + std::to_string(static_cast<int>(row.kind)));
    return out;
}

TEST(RestoreTest, EveryKindOfRowGoesBackInItsExportedTypeAndTheUndoFileTakesItBack) {
    RestoreFixture f;
    const auto before = std::make_tuple(f.Dump("Wechsel"), f.Dump("Abgang"), f.Dump("Zugang"));
    const auto rows = f.Rows();
    ASSERT_EQ(rows.size(), 11u);
    for (const auto& row : rows) EXPECT_TRUE(CanRestore(row)) << Row(row);

    const RestorePlan plan = f.Plan(rows);
    ASSERT_EQ(plan.failure, "");
    EXPECT_TRUE(plan.skipped.empty());
    EXPECT_FALSE(plan.touchesBootOrSystemStart);
    std::vector<std::string> writes;
    for (const auto& w : plan.writes) {
        const WriteTexts texts = TextsOf(w);
        writes.push_back(w.key + " – " + texts.value + ": " + texts.now + " → " + texts.before);
    }
    const std::vector<std::string> expectedWrites = {
        "Abgang – (ganzer Eintrag): (nicht vorhanden) → neu angelegt wie im Export vom letzten Start: 10 Werte in 3 "
        "Schlüsseln",
        "Wechsel – Start: Deaktiviert → Automatisch",
        "Wechsel – DelayedAutostart: 0x00000000 (0) → 0x00000001 (1)",
        "Wechsel – Type: 0x00000010 (16) → 0x00000020 (32)",
        "Wechsel – ImagePath: C:\\böse.exe → %S%\\a",
        "Wechsel – ObjectName: LocalSystem → NT AUTHORITY\\LocalService",
        "Wechsel – FailureCommand: cmd /c x → (nicht vorhanden)",
        "Wechsel – DisplayName: Neuer Name → Alter Name",
        "Wechsel – Group: (nicht vorhanden) → Netz",
        "Wechsel – Parameters\\ServiceDll: C:\\neu.dll → C:\\a",
        "Zugang – Start: Automatisch → Deaktiviert (der Eintrag wird nicht gelöscht)",
    };
    EXPECT_EQ(writes, expectedWrites);
    EXPECT_TRUE(f.files.files.count(f.UndoPath()) == 0) << "planning writes nothing";

    const RestoreResult result = f.restorer.CarryOut(plan);
    ASSERT_EQ(result.failure, "");
    EXPECT_EQ(result.undoFile, f.UndoPath());
    ASSERT_EQ(result.rows.size(), 11u);
    // The removed service is registered anew; the manager knows none of
    // the others, so the registry alone holds them now.
    EXPECT_EQ(result.rows[0].kind, RestoreOutcomeKind::Restored) << result.rows[0].reason;
    for (std::size_t i = 1; i < result.rows.size(); ++i) {
        const auto& row = result.rows[i];
        EXPECT_EQ(row.kind, RestoreOutcomeKind::AfterNextRestart) << row.key << " " << ChangeText(row.change) << ": " << row.reason;
        EXPECT_NE(row.reason.find("wirksam nach dem nächsten Neustart"), std::string::npos)
            << row.reason;
    }
    EXPECT_NE(result.rows.back().reason.find("nicht gelöscht, sondern deaktiviert"), std::string::npos);
    f.ExpectAsExported("Wechsel");
    f.ExpectAsExported("Abgang");
    EXPECT_FALSE(f.Stored(ServiceKeyPath("Wechsel"), "FailureCommand")) << "not in the export: removed";
    EXPECT_EQ(f.Stored(ServiceKeyPath("Wechsel"), "Description"), (StoredValue{kRegSz, W("Neu")})) << "not compared";
    EXPECT_EQ(f.Stored(ServiceKeyPath("Zugang"), "Start"), (StoredValue{kRegDword, Dword(4)}));
    EXPECT_TRUE(f.manager.log.empty() || f.manager.log.front().rfind("create", 0) == 0);
    // The comparison afresh lists only the added entry, which stays.
    EXPECT_EQ(Rows(f.Rows()), (std::vector<std::string>{"Zugang | Zugang | Eintrag hinzugefügt |  | "}));

    // The undo file, read with the program's own reader: the values as they
    // were, each in its type, "=-" for one that was not there, "[-key]" for
    // the entry that was created.
    const RegExport undo = ReadRegFile(f.files.files[f.UndoPath()]);
    ASSERT_TRUE(undo.Ok()) << undo.error;
    const std::string services = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\";
    const std::vector<ExportKey> expected = {
        {services + "Abgang", {}, true},
        {services + "Wechsel",
         {{"Start", kRegDword, Dword(4)},
          {"DelayedAutostart", kRegDword, Dword(0)},
          {"Type", kRegDword, Dword(0x10)},
          {"ImagePath", kRegSz, W("C:\\b\xc3\xb6se.exe")},
          {"ObjectName", kRegSz, W("LocalSystem")},
          {"FailureCommand", kRegSz, W("cmd /c x")},
          {"DisplayName", kRegSz, W("Neuer Name")},
          {"Group", 0, "", true}}},
        {services + "Wechsel\\Parameters", {{"ServiceDll", kRegSz, W("C:\\neu.dll")}}},
        {services + "Zugang", {{"Start", kRegDword, Dword(2)}}},
    };
    ASSERT_EQ(undo.keys.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(undo.keys[k].path, expected[k].path);
        EXPECT_EQ(undo.keys[k].removed, expected[k].removed) << expected[k].path;
        ASSERT_EQ(undo.keys[k].values.size(), expected[k].values.size()) << expected[k].path;
        for (std::size_t v = 0; v < expected[k].values.size(); ++v) {
            const ExportValue& is = undo.keys[k].values[v];
            const ExportValue& was = expected[k].values[v];
            EXPECT_EQ(is.name, was.name);
            EXPECT_EQ(is.removed, was.removed) << was.name;
            EXPECT_EQ(is.stored.type, was.stored.type) << was.name;
            EXPECT_EQ(is.stored.data, was.stored.data) << was.name;
        }
    }
    // Imported, it puts the registry back as it was before the restore.
    f.Import(undo);
    EXPECT_EQ(std::make_tuple(f.Dump("Wechsel"), f.Dump("Abgang"), f.Dump("Zugang")), before);
}

TEST(RestoreTest, TheServiceManagerIsToldFirstOnlyWhatDiffersAndTheRegistryKeepsTheExportedTypes) {
    RestoreFixture f;
    f.manager.known["Wechsel"] = ServiceConfig{0x10, 4, 1, "C:\\b\xc3\xb6se.exe", "", "LocalSystem", "Neuer Name", false,
                                               "cmd /c x"};
    // "ImagePath" was a plain text before: the manager writes its copy as an
    // expandable one, the registry gets the exported type after it.
    f.files.files[f.SideFile("Merotan.tmr")] = test::ServicesExport(
        Section("Wechsel", "\"DisplayName\"=\"Neuer Name\"\r\n\"Start\"=dword:00000003\r\n\"Type\"=dword:00000010\r\n"
                           "\"ImagePath\"=\"C:\\\\gut.exe\"\r\n\"ObjectName\"=\"LocalSystem\"\r\n"
                           "\"DelayedAutostart\"=dword:00000000\r\n\"FailureCommand\"=\"cmd /c x\"\r\n") +
        Section("Wechsel\\Parameters", "\"ServiceDll\"=\"C:\\\\neu.dll\"\r\n"));
    f.memory.SetString(kHkeyLocalMachine, ServiceKeyPath("Wechsel"), "Group", "Eigen");
    const std::vector<ChangeRow> rows = {test::RowOf("Neuer Name", "Wechsel", "Start", "Manuell", "Deaktiviert"),
                                         test::RowOf("Neuer Name", "Wechsel", "ImagePath", "C:\\gut.exe", "C:\\böse.exe")};
    const RestorePlan plan = f.Plan(rows);
    ASSERT_EQ(plan.writes.size(), 2u) << "DelayedAutostart is 0 on both sides: not written";
    const RestoreResult result = f.restorer.CarryOut(plan);
    EXPECT_EQ(f.manager.log, (std::vector<std::string>{"change Wechsel start=3 image=C:\\gut.exe"}));
    EXPECT_EQ(Outcomes(result), (std::vector<std::string>{"Wechsel Start: 0", "Wechsel ImagePath: 0"}));
    EXPECT_EQ(f.Stored(ServiceKeyPath("Wechsel"), "ImagePath"), (StoredValue{kRegSz, W("C:\\gut.exe")}));
    EXPECT_EQ(f.Stored(ServiceKeyPath("Wechsel"), "Start"), (StoredValue{kRegDword, Dword(3)}));
    EXPECT_EQ(f.Stored(ServiceKeyPath("Wechsel"), "ObjectName"), (StoredValue{kRegSz, W("LocalSystem")}));
    // The manager's copy lacks the group set behind its back; no row was
    // about it, so it stays.
    EXPECT_EQ(f.Stored(ServiceKeyPath("Wechsel"), "Group"), (StoredValue{kRegSz, W("Eigen")}));
    EXPECT_EQ(f.Stored(ServiceKeyPath("Wechsel"), "Description"), (StoredValue{kRegSz, W("Neu")}));

    // Asked again, nothing differs: the plan has nothing to write and says so.
    const RestorePlan again = f.Plan(rows);
    EXPECT_TRUE(again.writes.empty());
    ASSERT_EQ(again.skipped.size(), 2u);
    EXPECT_NE(again.skipped[0].reason.find("schon wieder wie"), std::string::npos);
    const std::size_t undoFiles = f.files.files.size();
    EXPECT_NE(f.restorer.CarryOut(again).failure, "");
    EXPECT_EQ(f.files.files.size(), undoFiles) << "no undo file when nothing is written";
}

TEST(RestoreTest, RefusalsAreNamedAndTheRegistryStandsInOrNothingChanges) {
    {
        // The manager refuses: the registry holds the value, effective after
        // a restart, and the row names the refusal with the system's text.
        RestoreFixture f;
        f.manager.known["Wechsel"] = ServiceConfig{0x10, 4, 1, "x", "", "LocalSystem", "Neuer Name", false, ""};
        f.manager.refusals["Wechsel"] = 5;
        const RestoreResult result =
            f.restorer.CarryOut(f.Plan({test::RowOf("Neuer Name", "Wechsel", "Start", "Automatisch", "Deaktiviert")}));
        ASSERT_EQ(result.rows.size(), 1u) << "DelayedAutostart goes back with its row";
        EXPECT_EQ(result.rows[0].kind, RestoreOutcomeKind::AfterNextRestart);
        EXPECT_NE(result.rows[0].reason.find("Fehler 5: Zugriff verweigert"), std::string::npos) << result.rows[0].reason;
        EXPECT_EQ(f.Stored(ServiceKeyPath("Wechsel"), "Start"), (StoredValue{kRegDword, Dword(2)}));
        EXPECT_EQ(f.Stored(ServiceKeyPath("Wechsel"), "DelayedAutostart"), (StoredValue{kRegDword, Dword(1)}));
    }
    {
        // Like Wine's: the delayed start refused with 124, the failure
        // command reported done but not kept.
        RestoreFixture f;
        f.manager.likeWine = true;
        f.manager.known["Wechsel"] = ServiceConfig{0x10, 2, 1, "x", "", "LocalSystem", "Neuer Name", false, ""};
        f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Wechsel"), "Start", 2);
        f.files.files[f.SideFile("Merotan.tmr")] = test::ServicesExport(
            Section("Wechsel", "\"Start\"=dword:00000002\r\n\"DelayedAutostart\"=dword:00000001\r\n"
                               "\"FailureCommand\"=\"C:\\\\heil.cmd\"\r\n"));
        const RestoreResult result = f.restorer.CarryOut(
            f.Plan({test::RowOf("W", "Wechsel", "DelayedAutostart", "", ""), test::RowOf("W", "Wechsel", "FailureCommand", "", "")}));
        ASSERT_EQ(result.rows.size(), 2u);
        EXPECT_EQ(result.rows[0].kind, RestoreOutcomeKind::AfterNextRestart);
        EXPECT_NE(result.rows[0].reason.find("Fehler 124"), std::string::npos) << result.rows[0].reason;
        EXPECT_EQ(result.rows[1].kind, RestoreOutcomeKind::AfterNextRestart);
        EXPECT_NE(result.rows[1].reason.find("nicht übernommen"), std::string::npos) << result.rows[1].reason;
        EXPECT_EQ(f.Stored(ServiceKeyPath("Wechsel"), "FailureCommand"), (StoredValue{kRegSz, W("C:\\heil.cmd")}));
        EXPECT_EQ(f.Stored(ServiceKeyPath("Wechsel"), "DelayedAutostart"), (StoredValue{kRegDword, Dword(1)}));
    }
    {
        // The key allows only reading: not restored, the registry's refusal
        // named, nothing else of the entry changed.
        RestoreFixture f;
        const auto before = f.Dump("Wechsel");
        f.memory.FindKey(kHkeyLocalMachine, ServiceKeyPath("Wechsel"))->denyFull = true;
        const RestoreResult result =
            f.restorer.CarryOut(f.Plan({test::RowOf("N", "Wechsel", "ImagePath", "", ""), test::RowOf("N", "Wechsel", "Group", "", "")}));
        EXPECT_EQ(result.failure, "");
        ASSERT_EQ(result.rows.size(), 2u);
        for (const auto& row : result.rows) {
            EXPECT_EQ(row.kind, RestoreOutcomeKind::NotRestored);
            EXPECT_NE(row.reason.find("verweigert das Schreiben (Fehler 5"), std::string::npos) << row.reason;
        }
        EXPECT_EQ(f.Dump("Wechsel"), before);
    }
    {
        // The entry is gone between the plan and the writes: its values do
        // not make a new one.
        RestoreFixture f;
        const RestorePlan plan = f.Plan({test::RowOf("N", "Wechsel", "Group", "", "")});
        ASSERT_EQ(plan.writes.size(), 1u);
        f.memory.DeleteKey(kHkeyLocalMachine, ServiceKeyPath("Wechsel"));
        const RestoreResult result = f.restorer.CarryOut(plan);
        ASSERT_EQ(result.rows.size(), 1u);
        EXPECT_EQ(result.rows[0].kind, RestoreOutcomeKind::NotRestored);
        EXPECT_FALSE(f.registry.KeyExists(kHkeyLocalMachine, ServiceKeyPath("Wechsel")));
        EXPECT_NE(f.Plan({test::RowOf("N", "Wechsel", "Group", "", "")}).skipped.at(0).reason.find("nicht mehr"),
                  std::string::npos);
    }
    {
        // The undo file cannot be written: nothing is changed, and the
        // result says where it was tried.
        RestoreFixture f;
        f.files.readOnly.insert(f.UndoPath());
        const auto before = std::make_tuple(f.Dump("Wechsel"), f.Dump("Abgang"), f.Dump("Zugang"));
        const std::uint64_t writes = f.memory.WriteCallCount();
        const RestoreResult result = f.RestoreAll();
        EXPECT_NE(result.failure.find(f.UndoPath()), std::string::npos) << result.failure;
        EXPECT_EQ(f.memory.WriteCallCount(), writes);
        EXPECT_TRUE(f.manager.log.empty());
        EXPECT_EQ(std::make_tuple(f.Dump("Wechsel"), f.Dump("Abgang"), f.Dump("Zugang")), before);
        EXPECT_EQ(result.rows.size(), 11u) << "one line per row";
        for (const auto& row : result.rows) EXPECT_EQ(row.kind, RestoreOutcomeKind::NotRestored);
    }
}

TEST(RestoreTest, ARemovedServiceIsRegisteredAgainAndKeepsOnlyWhatTheExportHad) {
    RestoreFixture f;
    const RestoreResult result =
        f.restorer.CarryOut(f.Plan({test::RowOf("Fort", "Abgang", kEntryRemoved, "C:\\alt.exe")}));
    EXPECT_EQ(f.manager.log, (std::vector<std::string>{"create Abgang type=16 start=3 image=C:\\alt.exe"}));
    EXPECT_EQ(Outcomes(result), (std::vector<std::string>{"Abgang Eintrag entfernt: 0"}));
    f.ExpectAsExported("Abgang");
    EXPECT_FALSE(f.Stored(ServiceKeyPath("Abgang"), "Group")) << "the manager's empty group is not kept";

    // Removed from the registry only, the manager still knows it: it is told
    // the configuration instead.
    RestoreFixture g;
    g.manager.known["Abgang"] = ServiceConfig{0x10, 4, 1, "C:\\x.exe", "", "LocalSystem", "X", false, ""};
    const RestoreResult again =
        g.restorer.CarryOut(g.Plan({test::RowOf("Fort", "Abgang", kEntryRemoved, "C:\\alt.exe", "")}));
    ASSERT_EQ(g.manager.log.size(), 2u);
    EXPECT_EQ(g.manager.log[1].rfind("change Abgang type=16 start=3 image=C:\\alt.exe", 0), 0u) << g.manager.log[1];
    EXPECT_EQ(Outcomes(again), (std::vector<std::string>{"Abgang Eintrag entfernt: 0"}));
    g.ExpectAsExported("Abgang");

    // A second restore in the same second keeps the first one's undo file.
    EXPECT_EQ(again.undoFile, g.UndoPath());
    g.memory.DeleteKey(kHkeyLocalMachine, ServiceKeyPath("Abgang"));
    g.clock.now = 36000.0;
    const RestoreResult third =
        g.restorer.CarryOut(g.Plan({test::RowOf("Fort", "Abgang", kEntryRemoved, "C:\\alt.exe", "")}));
    EXPECT_EQ(third.undoFile, g.SideFile("Merotan-R\xc3\xbc" "ckg\xc3\xa4ngig-2026-03-07-100000-2.reg"));
    EXPECT_TRUE(g.files.files.count(g.UndoPath()));
}

TEST(RestoreTest, AnAccountThatNeedsAPasswordIsNotRestoredAndSaysWhatToUseInstead) {
    for (const char* account : {"LocalSystem", "NT AUTHORITY\\LocalService", "nt authority\\networkservice",
                                "NT SERVICE\\TrustedInstaller", ""})
        EXPECT_TRUE(AccountNeedsNoPassword(account)) << account;
    for (const char* account : {".\\Benutzer", "DOMAIN\\svc", "NT SERVICE\\", "NT AUTHORITY\\SYSTEMX"})
        EXPECT_FALSE(AccountNeedsNoPassword(account)) << account;
    RestoreFixture f;
    const ChangeRow row = test::RowOf("N", "Wechsel", "ObjectName", ".\\Benutzer", "LocalSystem");
    EXPECT_FALSE(CanRestore(row));
    EXPECT_TRUE(CanRestore(test::RowOf("N", "Wechsel", "ObjectName", "NT SERVICE\\Wechsel", "LocalSystem")));
    // What a row shows is not read back: an account whose name reads like
    // the text for a missing value still needs its password, one that was
    // missing does not.
    EXPECT_FALSE(CanRestore(test::RowOf("N", "Wechsel", "ObjectName", kValueAbsent, "LocalSystem")));
    ChangeRow missing = row;
    missing.before = {};
    EXPECT_TRUE(CanRestore(missing));
    const RestorePlan plan = f.Plan({row});
    EXPECT_TRUE(plan.writes.empty());
    ASSERT_EQ(plan.skipped.size(), 1u);
    for (const char* words : {"Kennwort", "LocalSystem", "NT AUTHORITY\\LocalService", "NT SERVICE\\"})
        EXPECT_NE(plan.skipped[0].reason.find(words), std::string::npos) << plan.skipped[0].reason;
}

TEST(RestoreTest, BootAndSystemStartTypesOnEitherSideAreFlagged) {
    const auto flagged = [](std::uint32_t was, std::uint32_t is, const std::string& change) {
        RestoreFixture f;
        f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Wechsel"), "Start", is);
        f.memory.SetDword(kHkeyLocalMachine, ServiceKeyPath("Zugang"), "Start", is);
        f.files.files[f.SideFile("Merotan.tmr")] =
            test::ServicesExport(Section("Wechsel", "\"Start\"=dword:0000000" + std::to_string(was) + "\r\n") +
                                 Section("Abgang", "\"Type\"=dword:00000001\r\n\"Start\"=dword:0000000" +
                                                       std::to_string(was) + "\r\n"));
        const std::string key = change == "Start" ? "Wechsel" : change == kEntryAdded ? "Zugang" : "Abgang";
        const RestorePlan plan = f.Plan({test::RowOf(key, key, change)});
        EXPECT_FALSE(plan.writes.empty()) << was << " " << is << " " << change;
        return plan.touchesBootOrSystemStart;
    };
    EXPECT_TRUE(flagged(1, 3, "Start"));
    EXPECT_TRUE(flagged(3, 0, "Start"));
    EXPECT_FALSE(flagged(2, 4, "Start"));
    EXPECT_TRUE(flagged(3, 1, kEntryAdded));
    EXPECT_FALSE(flagged(3, 2, kEntryAdded));
    EXPECT_TRUE(flagged(0, 3, kEntryRemoved));
    EXPECT_FALSE(flagged(3, 3, kEntryRemoved));
}

}  // namespace restore

// The history window's model and the way back to an earlier run. Three
// pairs of runs: R0 → R1 changes "Wechsel"'s program and "Abgang"'s start
// type, R1 → R2 the program again, the start type of "Wechsel", and removes
// "Abgang", R2 → R3 adds "Zugang". The dates sort otherwise as texts.
namespace history {

LocalTime At(int day, int month, int hour) { return {{2026, month, day}, hour, 0, 0}; }
const LocalTime kR0 = At(30, 11, 8), kR1 = At(1, 12, 9), kR2 = At(2, 12, 10), kR3 = At(10, 12, 11);
const std::string kSystem = "C:\\Windows\\System32\\";

HistoryRecord ValueRecord(const std::string& entry, const std::string& key, const std::string& label,
                          const StoredValue& before, const StoredValue& after) {
    return {entry, key, test::ChangeNamed(label), before, after, {}};
}

History ThreeGenerations() {
    using test::NumberStored;
    using test::TextStored;
    HistoryRecord removed{"Fort", "Abgang", {ChangeKind::EntryRemoved}, TextStored("C:\\alt.exe"), std::nullopt, {}};
    removed.removedSubtree = {
        {"", {{"DisplayName", TextStored("Fort")}, {"Type", NumberStored(0x10)}, {"Start", NumberStored(4)},
              {"ErrorControl", NumberStored(1)}, {"ImagePath", TextStored("C:\\alt.exe")},
              {"ObjectName", TextStored("LocalSystem")}}},
        {"Parameters", {{"Roh", StoredValue{kRegBinary, "\x01\x02"}}}}};
    const auto pair = [](LocalTime from, LocalTime to, std::size_t instances, std::vector<HistoryRecord> records) {
        HistoryPair p;
        p.from = from;
        p.to = to;
        p.instancesLeftOut = instances;
        p.records = std::move(records);
        return p;
    };
    History history;
    history.pairs = {
        pair(kR0, kR1, 0,
             {ValueRecord("Wechsel", "Wechsel", "ImagePath", TextStored(kSystem + "a.exe"), TextStored(kSystem + "b.exe")),
              ValueRecord("Fort", "Abgang", "Start", NumberStored(3), NumberStored(4))}),
        pair(kR1, kR2, 2,
             {ValueRecord("Wechsel", "Wechsel", "ImagePath", TextStored(kSystem + "b.exe"), TextStored(kSystem + "c.exe")),
              ValueRecord("Wechsel", "Wechsel", "Start", NumberStored(3), NumberStored(2)), removed}),
        pair(kR2, kR3, 0,
             {{"Zugang", "Zugang", {ChangeKind::EntryAdded}, std::nullopt, TextStored(kSystem + "z.exe"), {}}})};
    return history;
}

// The registry now: as R3 left it, "Wechsel" with a delayed start the
// history never saw change.
void SeedNow(test::RootFixture& f) {
    const std::string w = ServiceKeyPath("Wechsel"), z = ServiceKeyPath("Zugang");
    f.memory.SetString(kHkeyLocalMachine, w, "ImagePath", kSystem + "c.exe");
    f.memory.SetDword(kHkeyLocalMachine, w, "Start", 2);
    f.memory.SetDword(kHkeyLocalMachine, w, "DelayedAutostart", 1);
    f.memory.SetDword(kHkeyLocalMachine, w, "Type", 0x10);
    f.memory.SetString(kHkeyLocalMachine, z, "ImagePath", kSystem + "z.exe");
    f.memory.SetDword(kHkeyLocalMachine, z, "Start", 2);
    f.files.files[kSystem + "c.exe"] = "";
}

class FakeRunChooser final : public RunChooser {
public:
    std::optional<std::size_t> answer;
    std::vector<std::pair<std::vector<std::string>, std::size_t>> asked;
    std::optional<std::size_t> Choose(const std::vector<std::string>& runs, std::size_t preselected) override {
        asked.emplace_back(runs, preselected);
        return answer;
    }
};

struct HistoryFixture : ViewFixture {
    FakeRunChooser chooser;
    HistoryView history{changes, &chooser};

    HistoryFixture() { SeedNow(*this); }
    void Show() { history.Show(ThreeGenerations(), SideFile("Merotan-Verlauf.dat")); }
    // Each shown row as "Gefunden | Eintrag | Änderung".
    std::vector<std::string> Shown() const {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < history.Count(); ++i)
            out.push_back(history.Cell(i, 0) + " | " + history.Cell(i, 1) + " | " + history.Cell(i, 3));
        return out;
    }
};

const std::string kP0 = "vom 30.11.2026 08:00:00 bis 01.12.2026 09:00:00";
const std::string kP1 = "vom 01.12.2026 09:00:00 bis 02.12.2026 10:00:00";
const std::string kP2 = "vom 02.12.2026 10:00:00 bis 10.12.2026 11:00:00";

TEST(HistoryViewTest, RowsComeNewestFirstAndSortByTimeOrTextAndTheFilterNarrowsThem) {
    HistoryFixture f;
    f.Show();
    ASSERT_TRUE(f.history.Loaded());
    EXPECT_EQ(f.history.Status(),
              "Verlauf aus C:\\Tools\\Merotan-Verlauf.dat: 4 Läufe, 6 Änderungen; 2 Instanzen benutzerbezogener "
              "Dienste nicht aufgeführt.");
    const std::vector<std::string> newestFirst = {
        kP2 + " | Zugang | Eintrag hinzugefügt", kP1 + " | Wechsel | ImagePath", kP1 + " | Wechsel | Start",
        kP1 + " | Fort | Eintrag entfernt",      kP0 + " | Wechsel | ImagePath", kP0 + " | Fort | Start"};
    EXPECT_EQ(f.Shown(), newestFirst);
    EXPECT_EQ(f.history.SortColumn(), 0);
    EXPECT_TRUE(f.history.Descending());
    // The later run's value is "Nachher"; the notes are the changes window's.
    EXPECT_EQ(f.history.Cell(1, 4), kSystem + "b.exe");
    EXPECT_EQ(f.history.Cell(1, 5), kSystem + "c.exe");
    EXPECT_EQ(f.history.Cell(1, 6), "");
    EXPECT_EQ(f.history.Cell(4, 6), kNoteMissing);

    // "Gefunden" again: oldest first, by time (as text "vom 30.11." would come last).
    std::vector<std::size_t> selected = {0};  // Zugang
    f.history.SortBy(0, &selected);
    EXPECT_EQ(f.Shown(), (std::vector<std::string>{newestFirst[4], newestFirst[5], newestFirst[1], newestFirst[2],
                                                   newestFirst[3], newestFirst[0]}));
    EXPECT_EQ(selected, std::vector<std::size_t>{5});
    f.history.SortBy(1, &selected);  // Eintrag, stable within equal names
    EXPECT_EQ(f.Shown(), (std::vector<std::string>{newestFirst[5], newestFirst[3], newestFirst[4], newestFirst[1],
                                                   newestFirst[2], newestFirst[0]}));
    EXPECT_EQ(selected, std::vector<std::size_t>{5});
    f.history.SortBy(1, &selected);
    EXPECT_EQ(f.history.Cell(0, 1), "Zugang");
    EXPECT_EQ(selected, std::vector<std::size_t>{0});
    for (int column = 2; column < 7; ++column) {
        f.history.SortBy(column);
        for (std::size_t i = 1; i < f.history.Count(); ++i)
            EXPECT_LE(FoldCase(f.history.Cell(i - 1, column)), FoldCase(f.history.Cell(i, column))) << column;
    }

    // By entry or key name, case ignored: "ABG" finds "Fort" by its key.
    f.history.SortBy(0);
    f.history.Filter("ABG");
    EXPECT_EQ(f.Shown(), (std::vector<std::string>{newestFirst[5], newestFirst[3]}));
    f.history.Filter("ng");
    EXPECT_EQ(f.history.Count(), 3u);
    EXPECT_NE(f.history.Status().find("Gefiltert: 3 gezeigt."), std::string::npos);
    f.history.Filter("");
    EXPECT_EQ(f.history.Count(), 6u);
}

TEST(HistoryViewTest, WithoutAHistoryItSaysWhereItLookedAndADamagedEndIsSaid) {
    HistoryFixture f;
    f.history.Load();
    EXPECT_FALSE(f.history.Loaded());
    EXPECT_EQ(f.history.Status(), "Noch kein Verlauf vorhanden; gesucht wurde C:\\Tools\\Merotan-Verlauf.dat");
    EXPECT_EQ(f.history.Count(), 0u);
    f.history.Print();
    f.history.Save();
    EXPECT_EQ(f.printers.opened, 0);
    EXPECT_TRUE(f.save.asked.empty());
    EXPECT_FALSE(f.history.CanRestoreAny({0}));

    // The file as the record writes it, cut short in its last pair.
    History history = ThreeGenerations();
    std::string bytes;
    for (const HistoryPair& pair : history.pairs) bytes += PairBytes(pair);
    f.files.files[f.SideFile("Merotan-Verlauf.dat")] = bytes.substr(0, bytes.size() - 3);
    f.history.Load();
    ASSERT_TRUE(f.history.Loaded());
    const History read = ReadHistory(bytes.substr(0, bytes.size() - 3));
    ASSERT_FALSE(read.damage.empty());
    EXPECT_EQ(f.history.Count(), 5u);
    EXPECT_EQ(f.history.Status(), "Verlauf aus C:\\Tools\\Merotan-Verlauf.dat: 3 Läufe, 5 Änderungen; 2 Instanzen "
                                  "benutzerbezogener Dienste nicht aufgeführt. " + read.damage);
}

TEST(HistoryViewTest, PrintsAndSavesTheRowsShownWithWhenTheyWereFound) {
    HistoryFixture f;
    f.Show();
    f.history.Filter("zugang");
    EXPECT_EQ(f.history.SavedText(SaveFormat::Csv),
              "\xEF\xBB\xBFGefunden;Eintrag;Schlüssel;Änderung;Vorher;Nachher;Hinweis\r\n" + kP2 +
                  ";Zugang;Zugang;Eintrag hinzugefügt;;" + kSystem + "z.exe;Datei fehlt\r\n");
    f.save.answer = SaveChoice{"C:\\Daten\\v.txt", SaveFormat::Text};
    f.history.Save();
    EXPECT_EQ(f.save.asked, std::vector<std::string>{"Merotan-Verlauf.txt"});
    EXPECT_EQ(f.files.files.at("C:\\Daten\\v.txt").rfind("\xEF\xBB\xBFVerlauf der Änderungen\r\nVerlauf aus ", 0), 0u);

    f.history.Filter("");
    f.history.Print();
    const std::vector<std::string>& log = f.printers.log;
    const auto at = [&log](const std::string& entry) { return std::find(log.begin(), log.end(), entry) - log.begin(); };
    EXPECT_LT(at("line:Verlauf der Änderungen - Ausdruck vom 07.03.2026"), at("keep:Zugang"));
    EXPECT_LT(at("keep:Zugang"), at("line:Nachher: " + kSystem + "z.exe"));
    EXPECT_LT(at("line:Nachher: " + kSystem + "z.exe"), at("line:Gefunden: " + kP2));
    EXPECT_LT(at("line:Gefunden: " + kP0), static_cast<std::ptrdiff_t>(log.size()));
    EXPECT_EQ(log.back(), "end");
}

// "Wechsel" row by row, "Abgang" whole from its removal with the start type
// it had before, "Zugang" as not there.
std::vector<std::string> RowsOf(const RestoreToRun& back) {
    std::vector<std::string> out;
    for (const ChangeRow& row : back.rows) out.push_back(row.key + " " + ChangeText(row.change) + " " + BeforeText(row));
    return out;
}

TEST(StateAtRunTest, EachValueTakesTheBeforeOfItsOldestChangeSinceAndEntriesComeAndGo) {
    const History history = ThreeGenerations();
    EXPECT_EQ(RunsOf(history), (std::vector<LocalTime>{kR0, kR1, kR2, kR3}));
    const std::vector<std::string> keys = {"wechsel", "Abgang", "Zugang", "Unberührt"};
    const auto exists = [](const std::string& key) { return FoldCase(key) != "abgang"; };

    const RestoreToRun r0 = StateAtRun(history, 0, keys, exists);
    EXPECT_EQ(RowsOf(r0), (std::vector<std::string>{"wechsel ImagePath " + kSystem + "a.exe", "wechsel Start Manuell",
                                                    "Abgang Eintrag entfernt C:\\alt.exe", "Zugang Eintrag hinzugefügt "}));
    EXPECT_EQ(r0.earlier.name.when, "vom 30.11.2026 08:00:00");
    const EarlierEntry* wechsel = r0.earlier.Find("WECHSEL");
    ASSERT_NE(wechsel, nullptr);
    EXPECT_FALSE(wechsel->whole);
    ASSERT_EQ(wechsel->subtree.size(), 1u);
    EXPECT_EQ(wechsel->subtree[0].values.size(), 2u);
    const EarlierEntry* abgang = r0.earlier.Find("Abgang");
    ASSERT_NE(abgang, nullptr);
    EXPECT_TRUE(abgang->whole);
    ASSERT_EQ(abgang->subtree.size(), 2u);
    const auto start = std::find_if(abgang->subtree[0].values.begin(), abgang->subtree[0].values.end(),
                                    [](const ExportValue& v) { return v.name == "Start"; });
    ASSERT_NE(start, abgang->subtree[0].values.end());
    EXPECT_EQ(start->stored, test::NumberStored(3));  // R0's, not the 4 it had when removed
    EXPECT_EQ(r0.earlier.Find("Zugang"), nullptr);
    EXPECT_EQ(r0.earlier.Find("Unberührt"), nullptr);

    // From R1 on, the first program change and the start type before it are past.
    EXPECT_EQ(RowsOf(StateAtRun(history, 1, keys, exists)),
              (std::vector<std::string>{"wechsel ImagePath " + kSystem + "b.exe", "wechsel Start Manuell",
                                        "Abgang Eintrag entfernt C:\\alt.exe", "Zugang Eintrag hinzugefügt "}));
    EXPECT_EQ(RowsOf(StateAtRun(history, 2, keys, exists)), std::vector<std::string>{"Zugang Eintrag hinzugefügt "});
    EXPECT_TRUE(StateAtRun(history, 3, keys, exists).rows.empty());
    // An entry added since that is gone again needs nothing; one removed
    // since that is there again gets every compared value back.
    const RestoreToRun again = StateAtRun(history, 0, {"Abgang", "Zugang"}, [](const std::string&) { return false; });
    EXPECT_EQ(RowsOf(again), std::vector<std::string>{"Abgang Eintrag entfernt C:\\alt.exe"});
    const RestoreToRun back = StateAtRun(history, 0, {"Abgang"}, [](const std::string&) { return true; });
    EXPECT_EQ(back.rows.size(), kComparedValues.size());
    EXPECT_TRUE(back.earlier.Find("Abgang")->whole);
}

TEST(StateAtRunTest, TheRestoreToTheFirstRunPutsEveryEntryBackAsItWasThen) {
    HistoryFixture f;
    test::FakeServiceManager manager{f.memory};
    ChangesRestorer restorer{f.registry, manager, f.files, f.program, f.clock};
    const RestoreToRun back = StateAtRun(ThreeGenerations(), 0, {"Wechsel", "Abgang", "Zugang"}, [&f](const std::string& key) {
        return f.registry.KeyExists(kHkeyLocalMachine, ServiceKeyPath(key));
    });
    const RestorePlan plan = restorer.Plan(back.rows, back.earlier);
    ASSERT_EQ(plan.failure, "");
    EXPECT_TRUE(plan.skipped.empty());
    std::vector<std::string> writes;
    for (const PlannedWrite& w : plan.writes) {
        const WriteTexts texts = TextsOf(w, plan.name);
        writes.push_back(w.key + " " + texts.value + ": " + texts.now + " -> " + texts.before);
    }
    // The delayed start, which no record names, stays as it is now.
    EXPECT_EQ(writes, (std::vector<std::string>{
                          "Wechsel ImagePath: " + kSystem + "c.exe -> " + kSystem + "a.exe",
                          "Wechsel Start: Automatisch -> Manuell",
                          "Abgang (ganzer Eintrag): (nicht vorhanden) -> neu angelegt wie im Stand vom 30.11.2026 "
                          "08:00:00: 7 Werte in 2 Schlüsseln",
                          "Zugang Start: Automatisch -> Deaktiviert (der Eintrag wird nicht gelöscht)"}));
    EXPECT_EQ(RestorePreviewText(plan, back.rows, "C:\\Tools")
                  .rfind("Diese Werte werden auf den Stand vom 30.11.2026 08:00:00 zurückgesetzt", 0),
              0u);

    const RestoreResult result = restorer.CarryOut(plan);
    ASSERT_EQ(result.failure, "");
    const ServiceValues wechsel = ReadServiceNow(f.registry, "Wechsel");
    EXPECT_EQ(wechsel.values[IndexOf(ManagerField::ImagePath)].text, kSystem + "a.exe");
    EXPECT_EQ(wechsel.values[IndexOf(ManagerField::Start)].number, 3u);
    EXPECT_EQ(wechsel.values[IndexOf(ManagerField::DelayedAutoStart)].number, 1u);
    EXPECT_EQ(ReadServiceNow(f.registry, "Abgang").values[IndexOf(ManagerField::Start)].number, 3u);
    StoredValue raw;
    EXPECT_EQ(f.registry.ReadStored(kHkeyLocalMachine, ServiceKeyPath("Abgang") + "\\Parameters", "Roh", raw), kErrorSuccess);
    EXPECT_EQ(ReadServiceNow(f.registry, "Zugang").values[IndexOf(ManagerField::Start)].number, 4u);
    EXPECT_TRUE(f.files.files.count(result.undoFile));

    // Gone since the last run, so that no record holds it whole: it is not
    // made again from the few values the history knows.
    const RestoreToRun partly = StateAtRun(ThreeGenerations(), 0, {"Wechsel"}, [](const std::string&) { return false; });
    const RestorePlan none = restorer.Plan(partly.rows, partly.earlier);
    EXPECT_TRUE(none.writes.empty());
    ASSERT_EQ(none.skipped.size(), 1u);
    EXPECT_EQ(none.skipped[0].reason,
              "Der Stand vom 30.11.2026 08:00:00 kennt nur einige Werte des Eintrags; er kann nicht angelegt werden.");
}

TEST(HistoryViewTest, RestoreOffersTheEarlierRunOfTheOldestRowAndGoesBackToTheRunChosen) {
    HistoryFixture f;
    f.Show();
    EXPECT_FALSE(f.history.CanRestoreAny({}));
    ASSERT_TRUE(f.history.CanRestoreAny({0, 2}));
    EXPECT_FALSE(f.history.Restore({0, 2}));  // cancelled: nothing planned
    ASSERT_EQ(f.chooser.asked.size(), 1u);
    EXPECT_EQ(f.chooser.asked[0].first, (std::vector<std::string>{"30.11.2026 08:00:00", "01.12.2026 09:00:00",
                                                                  "02.12.2026 10:00:00", "10.12.2026 11:00:00"}));
    EXPECT_EQ(f.chooser.asked[0].second, 1u);  // "Wechsel | Start" was found after R1
    EXPECT_TRUE(f.restorer.planned.empty());

    f.chooser.answer = 0;
    f.restorer.plan.writes.push_back(test::WriteOf("Wechsel", "Wechsel", "Start", test::NumberStored(2), test::NumberStored(3)));
    f.restoreDialogs.confirm = true;
    EXPECT_TRUE(f.history.Restore({0, 2}));
    ASSERT_EQ(f.restorer.planned.size(), 1u);
    EXPECT_EQ(f.restorer.planned[0], (std::vector<std::string>{"Zugang/Eintrag hinzugefügt", "Wechsel/ImagePath",
                                                               "Wechsel/Start"}));
    EXPECT_EQ(f.restorer.earlier[0].name.source, "Stand vom 30.11.2026 08:00:00");
    EXPECT_EQ(f.restorer.carriedOut, std::vector<std::size_t>{1});
    EXPECT_EQ(f.restoreDialogs.results.size(), 1u);

    // The last run: the history knows no change since.
    f.chooser.answer = 3;
    EXPECT_FALSE(f.history.Restore({0}));
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text,
              "Es gibt nichts zu schreiben: Die gewählten Werte haben schon den Stand vom 10.12.2026 11:00:00.");
}

}  // namespace history

}  // namespace
}  // namespace sw
