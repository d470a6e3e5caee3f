// The history of changes: the differences between two exports as stored,
// the file's round trip for every kind of value, a record cut at any byte,
// and one record per pair of runs as the side files take them.
#include <gtest/gtest.h>

#include "history/History.h"
#include "history/HistoryFormat.h"
#include "registry/RegistryApi.h"
#include "unit/ExportText.h"

namespace sw {
namespace {

const std::string kServices = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services";

std::string Utf16(const std::string& utf8) { return test::Utf16File(utf8, false); }
StoredValue Sz(const std::string& text) { return {kRegSz, Utf16(text) + std::string(2, '\0')}; }
StoredValue Dword(std::uint32_t n) {
    return {kRegDword, std::string{static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                                   static_cast<char>(n >> 24)}};
}

ExportKey Entry(const std::string& path, std::vector<ExportValue> values = {}) {
    ExportKey key;
    key.path = path;
    key.values = std::move(values);
    return key;
}

// An export of the Services key with these entries' keys (paths relative to
// the Services key), as the registry editor writes it.
std::string Export(std::vector<ExportKey> keys) {
    for (ExportKey& key : keys) key.path = kServices + "\\" + key.path;
    keys.insert(keys.begin(), Entry(kServices));
    return WriteRegFile(keys);
}

HistoryPair Pair(const LocalTime& from, const LocalTime& to) {
    HistoryPair pair;
    pair.from = from;
    pair.to = to;
    return pair;
}

HistoryRecord Record(const std::string& key, Change change, std::optional<StoredValue> before,
                     std::optional<StoredValue> after) {
    HistoryRecord record;
    record.entry = record.key = key;
    record.change = change;
    record.before = std::move(before);
    record.after = std::move(after);
    return record;
}

const LocalTime kMonday{{2026, 12, 7}, 9, 15, 2};
const LocalTime kTuesday{{2026, 12, 8}, 17, 4, 59};

// Values of every type and odd names, as a removed entry's subtree keeps
// them and a changed value carries them.
std::vector<ExportValue> EveryKindOfValue() {
    return {
        {"", Sz("Standardwert")},
        {"Text mit NUL", Sz("C:\\x.exe")},
        {"Text ohne NUL", {kRegSz, Utf16("ohne")}},
        {"Leerer Text", {kRegSz, ""}},
        {"Erweitert", {kRegExpandSz, Utf16("%SystemRoot%\\a.sys") + std::string(2, '\0')}},
        {"Mehrere", {kRegMultiSz, Utf16("a") + std::string(2, '\0') + Utf16("b") + std::string(4, '\0')}},
        {"Zahl", Dword(0xFEEDBEEF)},
        {"Groß", {kRegQword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)}},
        {"Binär", {kRegBinary, std::string("\0\xFF\r\n\"\\", 6)}},
        {"Nichts", {kRegNone, ""}},
        {"Ungewöhnlich", {0x1234, std::string("\x7F", 1)}},
        {"Zitat \" und \\ und ü€😀", Dword(1)},
    };
}

TEST(HistoryTest, DifferencesKeepEveryChangeAsStoredAndARemovedEntrysWholeSubtree) {
    const std::string earlier = Export({
        Entry("Bleibt", {{"Start", Dword(2)}, {"ImagePath", Sz("C:\\alt.exe")}, {"DisplayName", Sz("Bleibt")}}),
        Entry("Geht", {{"ImagePath", {kRegExpandSz, Utf16("%SystemRoot%\\geht.sys") + std::string(2, '\0')}}}),
        Entry("Geht\\Parameters", EveryKindOfValue()),
        Entry("Geht\\Parameters\\Tief \"ü\"", {{"x", Dword(7)}}),
        Entry("Svc", {{"Type", Dword(0x60)}, {"ImagePath", Sz("svc.exe")}}),
    });
    const std::string later = Export({
        Entry("Bleibt", {{"Start", Dword(4)}, {"ImagePath", {kRegSz, Utf16("C:\\neu.exe")}}, {"DisplayName", Sz("Bleibt")}}),
        Entry("Neu", {{"ImagePath", Sz("C:\\neu.sys")}}),
        Entry("Svc", {{"Type", Dword(0x60)}, {"ImagePath", Sz("svc.exe")}}),
        Entry("Svc_4a2b", {{"Type", Dword(0xE0)}, {"ImagePath", Sz("svc.exe")}}),  // a per-user instance
    });
    std::string why;
    const auto pair = DifferencesBetween(earlier, later, kMonday, kTuesday, &why);
    ASSERT_TRUE(pair) << why;
    EXPECT_EQ(pair->from, kMonday);
    EXPECT_EQ(pair->to, kTuesday);
    EXPECT_EQ(pair->fromChecksum, ExportChecksum(earlier));
    EXPECT_EQ(pair->toChecksum, ExportChecksum(later));
    EXPECT_EQ(pair->instancesLeftOut, 1u);
    ASSERT_EQ(pair->records.size(), 4u);

    const HistoryRecord& start = pair->records[0];
    EXPECT_EQ(start.key, "Bleibt");
    EXPECT_EQ(start.change, (Change{ChangeKind::ValueChanged, &ComparedByField(ManagerField::Start)}));
    EXPECT_EQ(start.before, Dword(2));
    EXPECT_EQ(start.after, Dword(4));
    const HistoryRecord& image = pair->records[1];
    EXPECT_EQ(image.change.value, &ComparedByField(ManagerField::ImagePath));
    EXPECT_EQ(image.after, (StoredValue{kRegSz, Utf16("C:\\neu.exe")})) << "without its NUL, as stored";

    const HistoryRecord& removed = pair->records[2];
    EXPECT_EQ(removed.key, "Geht");
    EXPECT_EQ(removed.change.kind, ChangeKind::EntryRemoved);
    EXPECT_EQ(removed.before->type, kRegExpandSz) << "its ImagePath before";
    EXPECT_FALSE(removed.after);
    ASSERT_EQ(removed.removedSubtree.size(), 3u);
    EXPECT_EQ(removed.removedSubtree[0].path, "");
    EXPECT_EQ(removed.removedSubtree[1].path, "Parameters");
    EXPECT_EQ(removed.removedSubtree[1].values, EveryKindOfValue());
    EXPECT_EQ(removed.removedSubtree[2].path, "Parameters\\Tief \"ü\"");

    const HistoryRecord& added = pair->records[3];
    EXPECT_EQ(added.key, "Neu");
    EXPECT_EQ(added.change.kind, ChangeKind::EntryAdded);
    EXPECT_FALSE(added.before);
    EXPECT_EQ(added.after, Sz("C:\\neu.sys"));

    // The file gives back exactly what was found.
    const History read = ReadHistory(PairBytes(*pair));
    EXPECT_EQ(read.damage, "");
    ASSERT_EQ(read.pairs.size(), 1u);
    EXPECT_EQ(read.pairs[0], *pair);
}

TEST(HistoryTest, EveryValueTypeAndNameRoundTripsThroughTheFile) {
    HistoryPair pair = Pair(kMonday, kTuesday);
    pair.instancesLeftOut = 3;
    pair.fromChecksum = 0xDEADBEEF;
    pair.toChecksum = 0x01020304;
    for (const ExportValue& value : EveryKindOfValue()) {
        HistoryRecord record = Record(value.name, {ChangeKind::ValueChanged, &kComparedValues[3]}, value.stored,
                                      StoredValue{value.stored.type, value.stored.data + std::string(1, '\0')});
        record.entry = "Anzeige \"ü\"\\";
        pair.records.push_back(record);
    }
    HistoryRecord gone = Record("Geht", {ChangeKind::EntryRemoved}, std::nullopt, std::nullopt);
    gone.entry = "";
    gone.notAnInstance = true;
    ExportKey empty = Entry("Leer", {{"Weg", {}, true}});
    empty.removed = true;
    gone.removedSubtree = {Entry("", EveryKindOfValue()), empty};
    pair.records.push_back(gone);
    const std::string bytes = PairBytes(pair) + PairBytes(Pair(kTuesday, kTuesday));
    const History read = ReadHistory(bytes);
    EXPECT_EQ(read.damage, "");
    ASSERT_EQ(read.pairs.size(), 2u);
    EXPECT_EQ(read.pairs[0], pair);
    EXPECT_EQ(read.pairs[1], Pair(kTuesday, kTuesday));
}

TEST(HistoryTest, AnExportThatIsNotWholeOrHoldsNoServicesKeyGivesNoPair) {
    const std::string whole = Export({Entry("A", {{"Start", Dword(2)}})});
    std::string why;
    EXPECT_FALSE(DifferencesBetween(whole, whole.substr(0, whole.size() - 4), kMonday, kTuesday, &why));
    EXPECT_NE(why.find("dieses Laufs ist nicht vollständig"), std::string::npos) << why;
    // Cut at a section's end it still reads, but it does not end as an export does.
    const std::string atSection = whole.substr(0, whole.size() - 4);
    EXPECT_FALSE(DifferencesBetween(atSection, whole, kMonday, kTuesday, &why));
    EXPECT_NE(why.find("frühere Export der Dienste ist nicht"), std::string::npos) << why;
    const std::string other = WriteRegFile({Entry("HKEY_LOCAL_MACHINE\\Software")});
    EXPECT_FALSE(DifferencesBetween(whole, other, kMonday, kTuesday, &why));
    EXPECT_NE(why.find("Schlüssel der Dienste nicht"), std::string::npos) << why;
    const auto same = DifferencesBetween(whole, whole, kMonday, kTuesday, &why);
    ASSERT_TRUE(same);
    EXPECT_TRUE(same->records.empty());
}

TEST(HistoryTest, ACutLastPairLeavesEveryEarlierPairReadAndSaysSo) {
    HistoryPair first = Pair(kMonday, kTuesday);
    first.records.push_back(Record("A", {ChangeKind::EntryAdded}, std::nullopt, Sz("a.exe")));
    HistoryPair second = Pair(kTuesday, kTuesday);
    second.records.push_back(Record("B", {ChangeKind::ValueRemoved, &kComparedValues[0]}, Dword(3), std::nullopt));
    const std::string earlier = PairBytes(first) + PairBytes(first);
    const std::string last = PairBytes(second);
    for (std::size_t cut = 0; cut <= last.size(); ++cut) {
        const std::string bytes = earlier + last.substr(0, cut);
        const History read = ReadHistory(bytes);
        const bool whole = cut == last.size();
        ASSERT_EQ(read.pairs.size(), whole ? 3u : 2u) << cut;
        EXPECT_EQ(read.pairs[1], first) << cut;
        EXPECT_EQ(read.damage.empty(), whole || cut == 0) << cut;
        const FrameScan scan = ScanFrames(bytes);
        EXPECT_EQ(scan.wholeEnd, whole ? bytes.size() : earlier.size()) << cut;
        EXPECT_FALSE(scan.pairAfterDamage) << cut;
    }
    // Damage inside the file is told from a cut tail: a whole pair follows it.
    std::string damaged = earlier + last;
    damaged[PairBytes(first).size() + 20] ^= 1;
    const FrameScan scan = ScanFrames(damaged);
    EXPECT_EQ(scan.wholeEnd, PairBytes(first).size());
    EXPECT_TRUE(scan.pairAfterDamage);
    EXPECT_NE(ReadHistory(damaged).damage.find("1 Vorgänge davor"), std::string::npos);
}

}  // namespace
}  // namespace sw
