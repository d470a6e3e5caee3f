// The start-type check and the printed list over the in-memory registry.
// Both index or read the visible list directly, so their time is to grow
// linearly with the number of services.
#include <benchmark/benchmark.h>

#include <vector>

#include "unit/FakePrinter.h"

namespace {

// Counts what is printed instead of recording it, so that the figures are
// those of the code under test and not of the log's allocations.
class CountingPrinters final : public sw::PrinterFactory {
public:
    std::size_t operations = 0;
    std::size_t documents = 0;
    std::unique_ptr<sw::Printer> Open() override { return std::make_unique<Counter>(*this); }

private:
    class Counter final : public sw::Printer {
    public:
        explicit Counter(CountingPrinters& owner) : owner_(owner) {}
        void PrintLine(const std::string& text) override { Count(text.size()); }
        void PrintKeep(const std::string& text) override { Count(text.size()); }
        void SetCurrentX(float) override { Count(0); }
        float CurrentY() const override { return 0; }
        void SetBold(bool) override { Count(0); }
        void Line(float, float, float, float, std::uint32_t) override { Count(0); }
        bool EndDoc() override {
            ++owner_.documents;
            return true;
        }
        std::string Error() const override { return {}; }

    private:
        void Count(std::size_t bytes) {
            ++owner_.operations;
            benchmark::DoNotOptimize(bytes);
        }
        CountingPrinters& owner_;
    };
};

struct BenchFixture : sw::test::PrintingFixture {
    CountingPrinters counting;
    BenchFixture() { services.printers = &counting; }
};

// Services in scrambled registry order, a previous snapshot of them, and a
// start type changed since then on every hundredth service.
void Prepare(BenchFixture& f, int count) {
    for (int i = 0; i < count; ++i) {
        const std::string key = "svc" + std::to_string(i * 7919 % count);
        f.Service(key, "Dienst " + std::to_string(i * 31 % count) + " mit einem Anzeigenamen",
                  "Beschreibung des Dienstes " + key, 2 + i % 3);
    }
    f.Build();
    f.files.files[f.SideFile("Merotan.tmd")] = f.files.files[f.SideFile("Merotan.dat")];
    for (int i = 0; i < count; i += 100)
        f.memory.SetDword(sw::kHkeyLocalMachine, sw::ServiceKeyPath("svc" + std::to_string(i)), "Start", 4);
    f.LObjekte.SetListIndex(count / 2);
}

// Larger than the processor's caches. Touching it before a run lets the run
// start as a user's click does, with none of its data cached: warm runs of a
// small list find everything in the cache, which a large list never can, and
// their ratio says more about the cache than about the code.
void EvictCaches() {
    static std::vector<unsigned char> junk(64u << 20);
    for (std::size_t i = 0; i < junk.size(); i += 64) junk[i] = static_cast<unsigned char>(junk[i] + 1);
    benchmark::DoNotOptimize(junk.data());
}

// Runs action once per iteration; with cold, after evicting the caches
// outside the timed part.
template <class Action>
void Run(benchmark::State& state, bool cold, Action action) {
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            EvictCaches();
            state.ResumeTiming();
        }
        action();
    }
}

void StartTypeCheck(benchmark::State& state, bool cold) {
    const int count = static_cast<int>(state.range(0));
    BenchFixture f;
    Prepare(f, count);
    Run(state, cold, [&] {
        f.messages.shown.clear();
        f.root.bChecker_Click();
    });
    // One report per run, one printed text each, the selection back where it was.
    const auto runs = static_cast<std::size_t>(state.iterations());
    if (f.counting.documents != runs || f.counting.operations != runs || f.LObjekte.ListIndex() != count / 2)
        state.SkipWithError("report not printed as expected");
    state.SetComplexityN(count);
}

void PrintServiceList(benchmark::State& state, bool cold) {
    const int count = static_cast<int>(state.range(0));
    BenchFixture f;
    Prepare(f, count);
    Run(state, cold, [&] { f.root.bDrucken_Click(); });
    // Six operations per printed entry.
    if (f.counting.operations < static_cast<std::size_t>(state.iterations()) * static_cast<std::size_t>(count) * 6)
        state.SkipWithError("entries missing");
    state.SetComplexityN(count);
}

void BM_StartTypeCheck(benchmark::State& state) { StartTypeCheck(state, false); }
void BM_StartTypeCheckCold(benchmark::State& state) { StartTypeCheck(state, true); }
void BM_PrintServiceList(benchmark::State& state) { PrintServiceList(state, false); }
void BM_PrintServiceListCold(benchmark::State& state) { PrintServiceList(state, true); }

BENCHMARK(BM_StartTypeCheck)->Arg(1000)->Arg(5000)->Arg(30000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_StartTypeCheckCold)->Arg(1000)->Arg(5000)->Arg(30000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_PrintServiceList)->Arg(1000)->Arg(5000)->Arg(30000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_PrintServiceListCold)->Arg(1000)->Arg(5000)->Arg(30000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
