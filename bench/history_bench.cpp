// The history of changes: the comparison of two exports of 5,000 services,
// which runs when an export ends and, for an export left over by a closed
// window, at start-up; and the bytes a year of runs adds to the file.
#include <benchmark/benchmark.h>

#include "history/History.h"
#include "history/HistoryFile.h"
#include "registry/RegistryApi.h"
#include "unit/ExportText.h"
#include "unit/Fakes.h"

namespace {

using sw::ExportKey;
using sw::ExportValue;
using sw::StoredValue;

const std::string kServices = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services";

StoredValue Text(std::uint32_t type, const std::string& text) {
    return {type, sw::test::Utf16File(text, false) + std::string(2, '\0')};
}
StoredValue Number(std::uint32_t n) {
    return {sw::kRegDword, std::string{static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                                       static_cast<char>(n >> 24)}};
}

ExportKey Key(const std::string& path, std::vector<ExportValue> values) {
    ExportKey key;
    key.path = path;
    key.values = std::move(values);
    return key;
}

// An export of count services with the values a real entry has (a binary
// security descriptor and failure actions among them), every fifth with a
// service DLL; changes of 20 services: 16 start types, 2 programs, one
// entry removed and one added.
std::string Export(int count, bool changed) {
    std::vector<ExportKey> keys{Key(kServices, {})};
    for (int i = 0; i < count; ++i) {
        if (changed && i == 7) continue;
        const std::string name = "Dienst" + std::to_string(i);
        const bool startChanged = changed && i % 300 == 1 && i < 16 * 300;
        const bool programChanged = changed && (i == 2 || i == 3);
        ExportKey key = Key(kServices + "\\" + name,
                      {{"DisplayName", Text(sw::kRegSz, "Anzeigename des Dienstes " + name)},
                       {"Description", Text(sw::kRegSz, "Eine Beschreibung, wie sie Dienste oft haben: " + name)},
                       {"ErrorControl", Number(1)},
                       {"ImagePath", Text(sw::kRegExpandSz, programChanged ? "C:\\Neu\\x.exe"
                                                                           : "%SystemRoot%\\system32\\svchost.exe -k netsvcs")},
                       {"ObjectName", Text(sw::kRegSz, "LocalSystem")},
                       {"Start", Number(startChanged ? 4 : 2 + i % 3)},
                       {"Type", Number(0x20)},
                       {"FailureActions", {sw::kRegBinary, std::string(44, '\x01')}}});
        keys.push_back(std::move(key));
        if (i % 5 == 0)
            keys.push_back(Key(kServices + "\\" + name + "\\Parameters",
                           {{"ServiceDll", Text(sw::kRegExpandSz, "%SystemRoot%\\system32\\" + name + ".dll")}}));
        keys.push_back(Key(kServices + "\\" + name + "\\Security", {{"Security", {sw::kRegBinary, std::string(120, 'S')}}}));
    }
    if (changed) keys.push_back(Key(kServices + "\\Neu", {{"ImagePath", Text(sw::kRegSz, "C:\\Users\\Public\\neu.exe")}}));
    return sw::WriteRegFile(keys);
}

const sw::LocalTime kFrom{{2026, 12, 7}, 9, 0, 0};
const sw::LocalTime kTo{{2026, 12, 8}, 9, 0, 0};

void BM_DifferencesBetween(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string earlier = Export(count, false), later = Export(count, true);
    std::size_t records = 0;
    for (auto _ : state) {
        const auto pair = sw::DifferencesBetween(earlier, later, kFrom, kTo, nullptr);
        records = pair ? pair->records.size() : 0;
        benchmark::DoNotOptimize(records);
    }
    state.counters["records"] = static_cast<double>(records);
    state.counters["export_bytes"] = static_cast<double>(later.size());
}
BENCHMARK(BM_DifferencesBetween)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

// What a left-over export costs at start-up: the history of a year read,
// the pair compared and appended.
void BM_RecordPairAfterAYear(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string earlier = Export(count, false), later = Export(count, true);
    const auto pair = sw::DifferencesBetween(earlier, later, kFrom, kTo, nullptr);
    std::string year;
    for (int run = 0; run < 365; ++run) {
        sw::HistoryPair another = *pair;
        another.from.date.year = another.to.date.year = 2025;  // a year before: none is this pair
        another.to.date.day = 1 + run % 28;
        year += sw::PairBytes(another);
    }
    sw::test::FakeFiles files;
    for (auto _ : state) {
        state.PauseTiming();
        files.files["Verlauf.dat"] = year;
        state.ResumeTiming();
        benchmark::DoNotOptimize(sw::RecordPair(files, "Verlauf.dat", earlier, later, kFrom, kTo));
    }
    state.counters["history_bytes"] = static_cast<double>(year.size());
}
BENCHMARK(BM_RecordPairAfterAYear)->Arg(5000)->Unit(benchmark::kMillisecond);

// The bytes of a pair without changes and of one with the 20 changes above
// (with a removed entry's whole subtree), and a year of 365 runs of such.
void BM_PairBytes(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string earlier = Export(count, false), later = Export(count, true);
    const auto same = sw::DifferencesBetween(earlier, earlier, kFrom, kTo, nullptr);
    const auto changed = sw::DifferencesBetween(earlier, later, kFrom, kTo, nullptr);
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = sw::PairBytes(*changed).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["records"] = static_cast<double>(changed->records.size());
    state.counters["no_change_bytes"] = static_cast<double>(sw::PairBytes(*same).size());
    state.counters["pair_bytes"] = static_cast<double>(bytes);
    state.counters["year_bytes"] = static_cast<double>(bytes * 365);
}
BENCHMARK(BM_PairBytes)->Arg(5000);

}  // namespace
