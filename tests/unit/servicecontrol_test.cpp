// Starting and stopping a service through the batch file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "catalogue/Lines.h"
#include "servicecontrol/NetBatch.h"
#include "unit/Fakes.h"
#include "shared/CallerLine.h"

namespace sw::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

const std::string kStars(69, '*');

std::string StartFile(const std::string& quoted) {
    return "@echo off\r\necho.\r\necho " + kStars + "\r\necho SERVICES WERDEN GESTARTET\r\necho " + kStars +
           "\r\necho.\r\nnet start \"" + quoted + "\"\r\n";
}

std::string StopFile(const std::string& quoted) {
    return "@echo off\r\necho.\r\necho " + kStars + "\r\necho " + kStars + "\r\necho.\r\nnet stop \"" + quoted +
           "\"\r\n";
}

class ServiceControlTest : public ::testing::Test {
protected:
    // Puts one line with its key into the list and selects it, as the list
    // builds do.
    void Select(const std::string& line, const std::string& key) {
        f.LObjekte.AddItem(line, key);
        f.LObjekte.SetListIndex(0);
    }
    void SelectService(const std::string& key, const std::string& display) {
        f.Service(key, display, "Beschreibung", 3);
        Select(ServiceLine(ShortServiceDisplay(display), "Beschreibung", key), key);
    }
    void SelectLine(const std::string& line) {
        for (int i = 0; i < f.LObjekte.ListCount(); ++i)
            if (f.LObjekte.List(i) == line) return f.LObjekte.SetListIndex(i);
        FAIL() << "no line " << line;
    }
    std::string Batch() { return f.files.files[Path()]; }
    std::string Path() { return f.SideFile("Merotan.bat"); }
    void ExpectStartedOnce(Caller caller = Caller::current()) {
        CalledFrom at(caller);
        EXPECT_THAT(f.shell.batches, ElementsAre(Pair(Path(), ShowStyle::Hidden)));
        EXPECT_THAT(f.shell.started, IsEmpty());
    }
    RootFixture f;
};

TEST_F(ServiceControlTest, StartWritesTheStartFileAndRunsItHiddenLeavingTheWindowAsItWas) {
    SelectService("Spooler", "Druckwarteschlange der lokalen und entfernten Drucker");
    const auto linesBefore = f.LObjekte.lines;
    const std::string captionBefore = f.bStartCaption.Caption();
    const int clicksBefore = f.LObjekte.clickCount;

    f.root.bStarten_Click();

    // The name is read whole from the registry, not the shortened list text.
    EXPECT_EQ(Batch(), StartFile("Druckwarteschlange der lokalen und entfernten Drucker"));
    ExpectStartedOnce();
    EXPECT_EQ(f.LObjekte.focusCount, 1);
    EXPECT_THAT(f.messages.shown, IsEmpty());
    EXPECT_EQ(f.LObjekte.lines, linesBefore);
    EXPECT_EQ(f.LObjekte.ListIndex(), 0);
    EXPECT_EQ(f.LObjekte.clickCount, clicksBefore);
    EXPECT_EQ(f.bStartCaption.Caption(), captionBefore);
}

TEST_F(ServiceControlTest, StopWritesTheStopFileAndAStopAfterAStartLeavesOnlyTheStopFile) {
    SelectService("Spooler", "Druckwarteschlange");
    f.root.bStarten_Click();
    f.root.bAnhalten_Click();
    EXPECT_EQ(Batch(), StopFile("Druckwarteschlange"));
    EXPECT_THAT(f.files.log, ElementsAre("write " + Path(), "write " + Path()));
    EXPECT_EQ(f.shell.batches.size(), 2u);
    EXPECT_EQ(f.shell.batchesEnded, 2);
    EXPECT_EQ(f.LObjekte.focusCount, 2);
    EXPECT_THAT(f.messages.shown, IsEmpty());
}

TEST_F(ServiceControlTest, AnEarlierBatchIsEndedBeforeTheFileIsRewritten) {
    SelectService("Spooler", "Druckwarteschlange");
    f.root.bStarten_Click();
    std::string seenAtEnd;
    f.shell.onEndBatch = [&] { seenAtEnd = Batch(); };
    f.root.bAnhalten_Click();
    EXPECT_EQ(seenAtEnd, StartFile("Druckwarteschlange"));
    EXPECT_EQ(Batch(), StopFile("Druckwarteschlange"));
}

TEST_F(ServiceControlTest, ServiceViewTakesOnlyTheThirdFieldAsKeyName) {
    // A service whose key went away since the list was built names a blank,
    // even when its description (the second field) is the key name of
    // another entry with a display name.
    f.Service("Beschreibung", "Anderer Dienst", "x", 3);
    Select(ServiceLine("Weg", "Beschreibung", "gone"), "gone");
    f.root.bStarten_Click();
    EXPECT_EQ(Batch(), StartFile(" "));
}

TEST_F(ServiceControlTest, DriverViewTakesTheSecondFieldAndNeverTheGroupAsKeyName) {
    f.Driver("disk", "Disk-Treiber", "SCSI miniport", 0);
    f.Driver("e1000", "Intel-Netzwerkkarte", "NDIS", 3);
    f.Driver("tcpip", "TCP/IP-Protokolltreiber", "PNP_TDI", 1);
    f.Driver("NDIS", "NDIS-Systemtreiber", "NDIS Wrapper", 0);  // a key named like a group
    f.Driver("PNP_TDI", "Gruppenschluessel", "", 3);
    f.bErweitert.enabled = false;  // no warning when switched by program
    f.bErweitert.SetValue(1);
    SelectLine("Disk-Treiber\tdisk\tSCSI miniport");
    f.root.bStarten_Click();
    EXPECT_EQ(Batch(), StartFile("Disk-Treiber"));

    SelectLine("Intel-Netzwerkkarte\te1000\tNDIS");
    f.root.bAnhalten_Click();
    EXPECT_EQ(Batch(), StopFile("Intel-Netzwerkkarte"));

    SelectLine("TCP/IP-Protokolltreiber\ttcpip\tPNP_TDI");
    f.root.bStarten_Click();
    EXPECT_EQ(Batch(), StartFile("TCP/IP-Protokolltreiber"));

    // An entry of the group's name still starts and stops under its own line.
    SelectLine("NDIS-Systemtreiber\tNDIS\tNDIS Wrapper");
    f.root.bAnhalten_Click();
    EXPECT_EQ(Batch(), StopFile("NDIS-Systemtreiber"));
    EXPECT_THAT(f.messages.shown, IsEmpty());
}

TEST_F(ServiceControlTest, TheNameIsCutAtItsFirstNulAndKeptWholeWithoutOne) {
    SelectService("cut", "x");
    f.memory.SetRaw(kHkeyLocalMachine, ServiceKeyPath("cut"), "DisplayName", kRegSz, std::string("Kurz\0Rest\0", 10));
    f.root.bStarten_Click();
    EXPECT_EQ(Batch(), StartFile("Kurz"));

    // Stored without NUL: delivered with the read buffer's trailing blank.
    f.memory.SetRaw(kHkeyLocalMachine, ServiceKeyPath("cut"), "DisplayName", kRegSz, "Ohne");
    f.root.bStarten_Click();
    EXPECT_EQ(Batch(), StartFile("Ohne "));
}

TEST_F(ServiceControlTest, MissingDisplayNameNamesTheKeyAndAnEmptyListASingleBlank) {
    SelectService("noname", "x");
    auto& values = f.memory.FindKey(kHkeyLocalMachine, ServiceKeyPath("noname"))->values;
    values.erase(values.begin() + 1);  // DisplayName
    f.root.bAnhalten_Click();
    EXPECT_EQ(Batch(), StopFile("noname"));

    RootFixture empty;
    empty.root.bStarten_Click();
    EXPECT_EQ(empty.files.files[empty.SideFile("Merotan.bat")], StartFile(" "));
    EXPECT_THAT(empty.shell.batches, ElementsAre(Pair(empty.SideFile("Merotan.bat"), ShowStyle::Hidden)));
    EXPECT_EQ(empty.LObjekte.focusCount, 1);
    EXPECT_THAT(empty.messages.shown, IsEmpty());
    EXPECT_THAT(empty.LObjekte.lines, IsEmpty());
}

// "net" takes a key name as readily as a display name, and looks for a key
// name first: a display name that another entry answers to (its key name or
// display name, stored or resolved, in any case), or a blank one, gives way
// to the entry's own key name. An entry gone since its line was built, whose
// key name another entry has for display name, is named by a blank.
TEST_F(ServiceControlTest, ADisplayNameThatAnotherEntryAnswersToOrABlankOneGivesWayToTheKeyName) {
    f.Service("AccProbe", "Probe-Dienst", "d", 3);
    f.Service("AccTwin", "Zwilling", "d", 3);
    f.Service("AccInd", "@C:\\x.dll,-1", "d", 3);
    f.memory.SetIndirect("@C:\\x.dll,-1", "Aufgeloest");
    f.Service("AccOther", "AccGone", "d", 3);
    const std::pair<std::string, std::string> cases[] = {
        {"AccProbe", "AccShadow"},  {"ZWILLING", "AccShadow"}, {"aufgeloest", "AccShadow"},
        {"accgone", "AccShadow"},   {"", "AccShadow"},         {"  ", "AccShadow"},
        {"accshadow", "accshadow"},  // its own key name names itself
        {"Ganz eigen", "Ganz eigen"},
    };
    for (const auto& [display, named] : cases) {
        f.memory.DeleteKey(kHkeyLocalMachine, ServiceKeyPath("AccShadow"));
        f.LObjekte.Clear();
        SelectService("AccShadow", display);
        f.root.bStarten_Click();
        EXPECT_EQ(Batch(), StartFile(named)) << display;
    }
    f.LObjekte.Clear();
    Select(ServiceLine("Weg", "d", "AccGone"), "AccGone");
    f.root.bStarten_Click();
    EXPECT_EQ(Batch(), StartFile(" "));
    EXPECT_THAT(f.messages.shown, IsEmpty());

    // A Services key that cannot be listed rules out no other entry.
    f.memory.FindKey(kHkeyLocalMachine, kServicesPath)->denyRead = true;
    f.LObjekte.Clear();
    SelectService("AccShadow", "Ganz eigen");
    f.root.bStarten_Click();
    EXPECT_EQ(Batch(), StartFile("AccShadow"));
    f.memory.FindKey(kHkeyLocalMachine, kServicesPath)->denyRead = false;

    // A key name that cannot stand in either: nothing is written or run.
    f.LObjekte.Clear();
    SelectService("AccKyr\u0416", "AccProbe");
    f.root.bStarten_Click();
    EXPECT_EQ(Batch(), StartFile("AccShadow"));
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_THAT(f.messages.shown[0].text, ::testing::HasSubstr("nicht unverändert bleiben"));
}

// A TAB in a display name moves no field: the entry of the line is started
// or stopped, by its key name (a TAB cannot stand in the batch line).
TEST_F(ServiceControlTest, ATabInADisplayNameReachesTheLinesOwnEntryInBothViews) {
    f.Service("AccSvcAuto", "Auto", "d", 2);
    f.Service("AccEvilName", "Harmlos\tx\tAccSvcAuto", "d", 3);
    f.Driver("AccDrvGroup", "Acc Treiber Gruppe", "", 1);
    f.Driver("AccDrvTab", "Harmlos\tAccDrvGroup", "", 3);
    f.root.GetProfile(kHkeyLocalMachine, kServicesPath);
    f.root.ReadProfile();
    SelectLine("Harmlos x AccSvcAuto\td\tAccEvilName");
    f.root.bStarten_Click();
    EXPECT_EQ(Batch(), StartFile("AccEvilName"));

    f.bErweitert.enabled = false;  // no warning when switched by program
    f.bErweitert.SetValue(1);
    SelectLine("Harmlos AccDrvGroup\tAccDrvTab\t(none)");
    f.root.bAnhalten_Click();
    EXPECT_EQ(Batch(), StopFile("AccDrvTab"));
    EXPECT_THAT(f.messages.shown, IsEmpty());
}

// "net" knows no indirect text: the key name stands in for it, resolvable
// or not.
TEST_F(ServiceControlTest, AnIndirectDisplayNameGivesWayToTheKeyName) {
    f.Service("wuauserv", "@%SystemRoot%\\system32\\wuaueng.dll,-105", "Beschreibung", 3);
    f.memory.SetIndirect("@%SystemRoot%\\system32\\wuaueng.dll,-105", "Windows Update");
    f.Service("lost", "@C:\\fehlt.dll,-1", "Beschreibung", 3);
    Select(ServiceLine("Windows Update", "Beschreibung", "wuauserv"), "wuauserv");
    f.root.bStarten_Click();
    EXPECT_EQ(Batch(), StartFile("wuauserv"));
    f.LObjekte.Clear();
    Select(ServiceLine("@C:\\fehlt.dll,-1", "Beschreibung", "lost"), "lost");
    f.root.bAnhalten_Click();
    EXPECT_EQ(Batch(), StopFile("lost"));
    EXPECT_TRUE(f.messages.shown.empty());
}

TEST_F(ServiceControlTest, ANameBeyondAsciiGivesWayToAnAsciiKeyNameAndIsOtherwiseRefused) {
    // The interpreter would read "ü" in its OEM code page and hand "net" a
    // name of no service; the key name names the same service.
    SelectService("Spooler", "Druckwarteschlange für alle Drucker");
    f.root.bStarten_Click();
    EXPECT_EQ(Batch(), StartFile("Spooler"));

    // A plain display name serves a key name beyond the code page.
    f.LObjekte.Clear();
    SelectService("AccKyr\u0416", "Kyrillischer Dienst");
    f.root.bAnhalten_Click();
    EXPECT_EQ(Batch(), StopFile("Kyrillischer Dienst"));
    EXPECT_THAT(f.messages.shown, IsEmpty());

    // Neither name reaches "net" unchanged ("\u0416" would be written as
    // "?", "ä" read as another letter): nothing is written or run.
    const std::string before = Batch();
    const auto log = f.files.log;
    const auto batches = f.shell.batches;
    const std::pair<std::string, std::string> unfit[] = {
        {"Dienstä", "Überwachung"}, {"AccKyr\u0416", "\u0421\u043B\u0443\u0436\u0431\u0430"}};
    for (const auto& [key, display] : unfit) {
        f.LObjekte.Clear();
        f.messages.shown.clear();
        SelectService(key, display);
        f.root.bStarten_Click();
        EXPECT_EQ(Batch(), before) << key;
        EXPECT_EQ(f.files.log, log) << key;
        EXPECT_EQ(f.shell.batches, batches) << key;
        ASSERT_EQ(f.messages.shown.size(), 1u) << key;
        EXPECT_EQ(f.messages.shown[0].text,
                  "Der Name dieses Dienstes enthält Zeichen, die in der Stapeldatei nicht unverändert bleiben, und "
                  "kann nicht an den Befehl \"net start\" übergeben werden.\nEs wurde nichts ausgeführt.");
        EXPECT_EQ(f.messages.shown[0].title, " Tavrine Startwart");
        EXPECT_EQ(f.messages.shown[0].flags, 48);
    }
}

// A display name as a read delivers one stored with its NUL.
std::optional<ValueHolder> ReadText(const std::string& text) { return ValueHolder(text + std::string("\0 ", 2)); }

TEST(NetCommand, PercentSignsAreDoubledAndOtherSignsBetweenQuotesStayAsTheyAre) {
    const NetCommand net = MakeNetCommand("start", "odd", ReadText("50% %COMSPEC% & <Co> | ^Partner! (neu)"));
    EXPECT_EQ(net.batchText, StartFile("50%% %%COMSPEC%% & <Co> | ^Partner! (neu)"));
    EXPECT_EQ(net.refusal, "");
}

TEST(NetCommand, ANameTheInterpreterWouldActOnOrNetWouldReadChangedGivesWayToItsKeyName) {
    const std::string hostile[] = {
        "Spooler\" & del /q C:\\* & \"",
        "Spooler\r\ndel /q C:\\*",
        "Spooler\ndel /q C:\\*",
        "Spooler\x1A" "del /q C:\\*",
        "Spooler\tx",
        std::string(257, 'A'),
        // "net" would read the backslash before the closing quote as
        // escaping it, and look for 'Acc Schraeg"'.
        "Acc Schraeg\\",
        "Acc Schraeg\\\\",
    };
    for (const auto& name : hostile) {
        const NetCommand net = MakeNetCommand("start", "Spo%oler", ReadText(name));
        EXPECT_EQ(net.batchText, StartFile("Spo%%oler")) << name;
        EXPECT_EQ(net.refusal, "") << name;
    }
    // As long as a service name may be is still written whole.
    EXPECT_EQ(MakeNetCommand("start", "long", ReadText(std::string(256, 'B'))).batchText,
              StartFile(std::string(256, 'B')));
    // A backslash anywhere else is a plain character to "net".
    EXPECT_EQ(MakeNetCommand("start", "k", ReadText("Acc\\Schraeg \\x")).batchText, StartFile("Acc\\Schraeg \\x"));
}

TEST_F(ServiceControlTest, WhenTheKeyNameCannotPassEitherNothingIsWrittenOrRunAndAMessageSaysSo) {
    f.files.files[Path()] = StartFile("Vorher");
    SelectService("bad\"key", "bad\" & echo owned > C:\\owned.txt & \"");
    f.root.bAnhalten_Click();
    EXPECT_EQ(Batch(), StartFile("Vorher"));
    EXPECT_THAT(f.files.log, IsEmpty());
    EXPECT_THAT(f.shell.batches, IsEmpty());
    EXPECT_EQ(f.shell.batchesEnded, 0);
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text,
              "Der Name dieses Dienstes ist zu lang oder enthält Anführungszeichen oder Steuerzeichen und kann "
              "nicht sicher an den Befehl \"net stop\" übergeben werden.\nEs wurde nichts ausgeführt.");
    EXPECT_EQ(f.messages.shown[0].title, " Tavrine Startwart");
    EXPECT_EQ(f.messages.shown[0].flags, kMbIconExclamation);
    EXPECT_EQ(f.LObjekte.focusCount, 1);
}

TEST_F(ServiceControlTest, AFileThatCannotBeWrittenIsNotRunSoTheEarlierOneNeverRunsInItsPlace) {
    SelectService("Spooler", "Druckwarteschlange");
    f.files.files[Path()] = StartFile("Druckwarteschlange");
    f.files.readOnly.insert(Path());
    f.root.bAnhalten_Click();
    EXPECT_THAT(f.files.log, ElementsAre("write " + Path()));
    EXPECT_THAT(f.shell.batches, IsEmpty());
    EXPECT_THAT(f.messages.shown, IsEmpty());
    EXPECT_EQ(f.LObjekte.focusCount, 1);
}

TEST_F(ServiceControlTest, StartOfADisabledServiceRunsNothingAndSaysSoWhileStopStillRuns) {
    f.Service("Fax", "Faxdienst", "x", 4);
    Select(ServiceLine("Faxdienst", "x", "Fax"), "Fax");
    f.root.bStarten_Click();
    EXPECT_THAT(f.files.log, IsEmpty());
    EXPECT_THAT(f.shell.batches, IsEmpty());
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text,
              "Der Dienst \"Faxdienst\" (Fax) ist deaktiviert und kann nicht gestartet werden.\n"
              "Mit \"Bearbeiten\" ändern Sie den Starttyp.\nEs wurde nichts ausgeführt.");
    EXPECT_EQ(f.messages.shown[0].flags, kMbIconExclamation);
    EXPECT_EQ(f.LObjekte.focusCount, 1);

    f.root.bAnhalten_Click();
    EXPECT_EQ(Batch(), StopFile("Faxdienst"));
}

// A, B and C run on top of S, and B on top of A as well; A names S back.
class DependentsTest : public ServiceControlTest {
protected:
    DependentsTest() {
        for (const char* key : {"A", "B", "C"}) f.Service(key, std::string("Dienst ") + key, "x", 2);
        SelectService("S", "Basisdienst");
        f.serviceStatus.dependents = {{"S", {"A", "C", "B"}}, {"A", {"B", "S"}}};
    }
    std::string Question() {
        return "Diese laufenden Dienste hängen von \"Basisdienst\" (S) ab:\n\n    \"Dienst B\" (B)\n    "
               "\"Dienst A\" (A)\n    \"Dienst C\" (C)\n\nSollen sie ebenfalls angehalten werden?\n"
               "Bei \"Nein\" wird nichts ausgeführt.";
    }
};

TEST_F(DependentsTest, YesStopsEveryDependentDeepestFirstEachOnItsOwnLineThenTheService) {
    f.messages.answers.push_back(kAnswerYes);
    f.root.bAnhalten_Click();
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, Question());
    EXPECT_EQ(f.messages.shown[0].flags, kMbYesNo | kMbIconQuestion);
    const std::string header = "@echo off\r\necho.\r\necho " + kStars + "\r\necho " + kStars + "\r\necho.\r\n";
    EXPECT_EQ(Batch(), header + "net stop \"Dienst B\"\r\nnet stop \"Dienst A\"\r\nnet stop \"Dienst C\"\r\n"
                                "net stop \"Basisdienst\"\r\n");
    ExpectStartedOnce();

    // Every line is looked after: B still running is named, the rest not.
    f.serviceStatus.states = {{"A", {kServiceStopped}}, {"B", {kServiceRunning}}, {"C", {kServiceStopPending}},
                              {"S", {kServiceStopped}}};
    f.shell.EndLastBatch("Der Dienst B wird nicht beendet.\r\n");
    ASSERT_EQ(f.messages.shown.size(), 2u);
    EXPECT_EQ(f.messages.shown[1].text,
              "\"net stop\" hat nicht erreicht, was verlangt war.\n\nDer Dienst \"Dienst B\" (B) konnte nicht "
              "angehalten werden.\nZustand: läuft\n\nAusgabe von \"net\":\nDer Dienst B wird nicht beendet.");
}

TEST_F(DependentsTest, EachLineGetsTheKeyNameWhereTheDisplayNameCouldNotReachNetWhole) {
    f.Service("B", "Dienst B\\", "x", 2);
    f.Service("S", "Basis\\", "Beschreibung", 3);
    f.messages.answers.push_back(kAnswerYes);
    f.root.bAnhalten_Click();
    EXPECT_EQ(Batch(), "@echo off\r\necho.\r\necho " + kStars + "\r\necho " + kStars +
                           "\r\necho.\r\nnet stop \"B\"\r\nnet stop \"Dienst A\"\r\nnet stop \"Dienst C\"\r\n"
                           "net stop \"S\"\r\n");
}

TEST_F(DependentsTest, NoRunsNothingAndAServiceWithoutRunningDependentsIsNotAsked) {
    f.messages.answers.push_back(kAnswerNo);
    f.root.bAnhalten_Click();
    EXPECT_EQ(f.messages.shown.size(), 1u);
    EXPECT_THAT(f.files.log, IsEmpty());
    EXPECT_THAT(f.shell.batches, IsEmpty());
    EXPECT_EQ(f.LObjekte.focusCount, 1);

    f.serviceStatus.dependents.clear();
    f.root.bAnhalten_Click();
    EXPECT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(Batch(), StopFile("Basisdienst"));
    // Starting asks nothing about dependents.
    f.serviceStatus.dependents = {{"S", {"A"}}};
    f.root.bStarten_Click();
    EXPECT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(Batch(), StartFile("Basisdienst"));
}

TEST_F(ServiceControlTest, AfterTheBatchTheServiceManagersStateDecidesWhetherAndWhatIsSaid) {
    SelectService("Spooler", "Druckwarteschlange");
    // Running or on its way: nothing shown.
    for (const std::uint32_t state : {kServiceRunning, kServiceStartPending}) {
        f.root.bStarten_Click();
        f.serviceStatus.states["Spooler"] = {state};
        f.shell.EndLastBatch("gestartet.\r\n");
    }
    EXPECT_THAT(f.messages.shown, IsEmpty());

    // Ended at once: its exit code with the system's text, and net's output.
    f.root.bStarten_Click();
    f.serviceStatus.states["Spooler"] = {kServiceStopped, 1067};
    // The batch's own banner before it is not net's.
    f.shell.EndLastBatch("\r\n" + kStars + "\r\nSERVICES WERDEN GESTARTET\r\n" + kStars +
                         "\r\n\r\nSystemfehler 1067 aufgetreten.\r\n\r\n");
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text,
              "\"net start\" hat nicht erreicht, was verlangt war.\n\nDer Dienst \"Druckwarteschlange\" (Spooler) "
              "konnte nicht gestartet werden.\nZustand: beendet\nFehlercode 1067: Systemtext 1067.\n\n"
              "Ausgabe von \"net\":\nSystemfehler 1067 aufgetreten.");
    EXPECT_EQ(f.messages.shown[0].flags, kMbIconExclamation);

    // A service's own code stands for itself.
    f.root.bStarten_Click();
    f.serviceStatus.states["Spooler"] = {kServiceStopped, kServiceSpecificError, 42};
    f.shell.EndLastBatch("");
    ASSERT_EQ(f.messages.shown.size(), 2u);
    EXPECT_THAT(f.messages.shown[1].text, ::testing::HasSubstr("Fehlercode des Dienstes: 42\n"));
    EXPECT_THAT(f.messages.shown[1].text, ::testing::EndsWith("\"net\" hat nichts ausgegeben."));

    // A stop that left it running is said too.
    f.root.bAnhalten_Click();
    f.serviceStatus.states["Spooler"] = {kServiceRunning};
    f.shell.EndLastBatch("Fehler.");
    ASSERT_EQ(f.messages.shown.size(), 3u);
    EXPECT_THAT(f.messages.shown[2].text, ::testing::HasSubstr("konnte nicht angehalten werden.\nZustand: läuft\n"));

    // An entry the service manager does not know: net's output says why.
    f.serviceStatus.states.clear();
    f.root.bStarten_Click();
    f.shell.EndLastBatch("Der Dienstname ist ungültig.\r\n");
    ASSERT_EQ(f.messages.shown.size(), 4u);
    EXPECT_EQ(f.messages.shown[3].text,
              "\"net start\" hat nicht erreicht, was verlangt war.\n\nDer Dienst \"Druckwarteschlange\" (Spooler) "
              "konnte nicht gestartet werden.\nDie Dienststeuerung kennt diesen Eintrag nicht.\n\n"
              "Ausgabe von \"net\":\nDer Dienstname ist ungültig.");
}

}  // namespace
}  // namespace sw::test
