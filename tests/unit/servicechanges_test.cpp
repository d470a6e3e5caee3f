// The comparison of the previous run's export with the registry now: every
// kind of change, values that are gone or of another type, key names that
// differ only in case or look like the export format's signs.
#include <gtest/gtest.h>

#include "changes/ChangesView.h"
#include "changes/RestoreTexts.h"
#include "changes/ServiceChanges.h"
#include "unit/FakePrinter.h"
#include "unit/ExportText.h"

namespace sw {
namespace {

const std::string kServicesExportPath = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\";

std::string Section(const std::string& key, const std::string& values) {
    return "[" + kServicesExportPath + key + "]\r\n" + values + "\r\n";
}

struct ChangesFixture : test::RootFixture {
    // Compares as the window does; the export read for the comparison must
    // give the same entries as the whole file read.
    std::vector<ChangeRow> Compare(const std::string& sections) {
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
        for (const auto& value : key.values) line += " " + value.name + "=" + std::to_string(value.data.size());
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
    EXPECT_EQ(f.memory.QueryCallCount() - queries, 3u * 8u + 1u);
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

// The window's model: the previous export by the program's base name, the
// line that says what happened, sorting, printing and saving.
class FakeSaveDialog final : public SaveDialog {
public:
    std::optional<SaveChoice> answer;
    std::vector<std::string> asked;
    std::optional<SaveChoice> Ask(const std::string& suggestedName) override {
        asked.push_back(suggestedName);
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
    RestorePlan Plan(const std::vector<ChangeRow>& selected) override {
        std::vector<std::string> keys;
        for (const auto& row : selected) keys.push_back(row.key + "/" + row.change);
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
    bool Confirm(const std::string& text, bool cancelIsDefault) override {
        previews.emplace_back(text, cancelIsDefault);
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
        for (const auto& row : f.view.Rows()) out.push_back(row.change);
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
    EXPECT_EQ(f.view.Rows()[0].change, "ObjectName");
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
              "Eintrag;Schlüssel;Änderung;Vorher;Jetzt\r\n"
              "\"Erster; \"\"Dienst\"\"\";Alpha;Start;Automatisch;Deaktiviert\r\n"
              "Beta;Beta;ObjectName;NT AUTHORITY\\LocalService;LocalSystem\r\n");
    f.save.answer = SaveChoice{"D:\\a.txt", SaveFormat::Text};
    f.view.Save();
    EXPECT_EQ(f.files.files["D:\\a.txt"],
              "\xEF\xBB\xBF"
              "Änderungen seit dem letzten Start\r\n"
              "Verglichen mit C:\\Tools\\Merotan.tmr: 2 Änderungen.\r\n\r\n"
              "Eintrag\tSchlüssel\tÄnderung\tVorher\tJetzt\r\n"
              "Erster; \"Dienst\"\tAlpha\tStart\tAutomatisch\tDeaktiviert\r\n"
              "Beta\tBeta\tObjectName\tNT AUTHORITY\\LocalService\tLocalSystem\r\n");
    EXPECT_TRUE(f.messages.shown.empty());

    f.files.readOnly.insert("D:\\fest.txt");
    f.save.answer = SaveChoice{"D:\\fest.txt", SaveFormat::Text};
    f.view.Save();
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, "Die Datei konnte nicht gespeichert werden:\nD:\\fest.txt");
}

// The restore's texts: every write with its full texts, what will not be
// restored and why, the boot warning, added entries only disabled.
TEST(RestoreTextsTest, ThePreviewListsEveryWriteTheRowsLeftOutAndWhatHappensToAnAddedEntry) {
    RestorePlan plan;
    const std::string longPath = "C:\\" + std::string(300, 'p') + "\\dienst.exe -k netsvcs";
    plan.writes = {{"Neues Programm", "SwImage", "ImagePath", "C:\\boese.exe", longPath},
                   {"Neuer Dienst", "SwNew", "Start", "Manuell", "Deaktiviert"},
                   {"Gruppe", "Gruppe", "Group", "", kValueAbsent},
                   {"Zeilen", "Zeilen", "DisplayName", "a\r\nb", "c\nd"}};
    plan.skipped = {{"Anderes Konto", "SwAccount", "ObjectName",
                     "Das Konto \".\\Hans\" braucht ein Kennwort; LocalSystem verwenden."}};
    const std::vector<ChangeRow> selected = {{"Neuer Dienst", "SwNew", kEntryAdded, "", "C:\\neu.exe"},
                                             {"Nicht geplant", "SwOther", kEntryAdded, "", "C:\\x.exe"}};
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
    result.rows = {{"Anderer Start", "SwStart", "Start", RestoreOutcomeKind::Restored, ""},
                   {"Neue DLL", "SwDll", "Parameters\\ServiceDll", RestoreOutcomeKind::AfterNextRestart,
                    "Der Dienstmanager kennt diesen Wert nicht"},
                   {"Unbekannt", "Unbekannt", "Start", RestoreOutcomeKind::AfterNextRestart,
                    "Die Dienstverwaltung kennt den Eintrag nicht; wirksam nach dem nächsten Neustart."},
                   {"Neuer Dienst", "SwNew", kEntryAdded, RestoreOutcomeKind::Restored,
                    "Der Eintrag wurde nicht gelöscht, sondern deaktiviert."},
                   {"Geschützt", "Geschützt", "ImagePath", RestoreOutcomeKind::NotRestored,
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
    f.restorer.plan.writes = {{"Erster; \"Dienst\"", "Alpha", "Start", "Deaktiviert", "Automatisch"}};
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
    f.restorer.result.rows = {{"Erster; \"Dienst\"", "Alpha", "Start", RestoreOutcomeKind::Restored, ""}};
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
    f.restorer.plan.skipped = {{"Beta", "Beta", "ObjectName", "Das Konto braucht ein Kennwort."}};
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
    f.restorer.plan.writes = {{"Beta", "Beta", "ObjectName", "LocalSystem", "NT AUTHORITY\\LocalService"}};
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

}  // namespace
}  // namespace sw
