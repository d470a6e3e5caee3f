// The window "Verlauf der Änderungen" over a long history: 2,500 pairs of
// runs with 20 changes each (50,000 rows). Reading them into rows with their
// notes happens once per opening; a sort per header click and a filter per
// key typed into the filter box must stay quick.
#include <benchmark/benchmark.h>

#include "history/HistoryView.h"
#include "shared/ChangeRows.h"
#include "unit/Fakes.h"

namespace {

sw::History LongHistory() {
    sw::History history;
    for (int p = 0; p < 2500; ++p) {
        sw::HistoryPair pair;
        pair.from = {{2020 + p / 365, 1 + p / 31 % 12, 1 + p % 28}, 8, 0, 0};
        pair.to = {{2020 + (p + 1) / 365, 1 + (p + 1) / 31 % 12, 1 + (p + 1) % 28}, 8, 0, 0};
        for (int r = 0; r < 20; ++r) {
            const std::string key = "Dienst" + std::to_string((p * 20 + r) % 5000);
            const bool start = r % 4 != 0;
            pair.records.push_back({key, key, sw::test::ChangeNamed(start ? "Start" : "ImagePath"),
                                    start ? sw::test::NumberStored(2) : sw::test::TextStored("C:\\Alt\\x.exe"),
                                    start ? sw::test::NumberStored(4) : sw::test::TextStored("C:\\Neu\\x.exe"), {}});
        }
        history.pairs.push_back(std::move(pair));
    }
    return history;
}

struct View {
    sw::test::RootFixture f;
    sw::ChangesServices services{f.registry, f.files, f.program, f.clock, f.messages};
    sw::HistoryView view{services, nullptr};
};

void BM_HistoryShow(benchmark::State& state) {
    const sw::History history = LongHistory();
    View v;
    for (auto _ : state) v.view.Show(history, "C:\\Tools\\Merotan-Verlauf.dat");
    state.counters["rows"] = static_cast<double>(v.view.Count());
}
BENCHMARK(BM_HistoryShow)->Unit(benchmark::kMillisecond);

void BM_HistorySortByText(benchmark::State& state) {
    View v;
    v.view.Show(LongHistory(), "C:\\Tools\\Merotan-Verlauf.dat");
    for (auto _ : state) v.view.SortBy(4);  // "Vorher"
}
BENCHMARK(BM_HistorySortByText)->Unit(benchmark::kMillisecond);

void BM_HistoryFilter(benchmark::State& state) {
    View v;
    v.view.Show(LongHistory(), "C:\\Tools\\Merotan-Verlauf.dat");
    const char* typed[] = {"d", "di", "dienst", "dienst1", "dienst12", "dienst123"};
    for (auto _ : state)
        for (const char* text : typed) v.view.Filter(text);
    state.counters["keys"] = 6;
}
BENCHMARK(BM_HistoryFilter)->Unit(benchmark::kMillisecond);

}  // namespace
