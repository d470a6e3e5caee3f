// The service-list build over the in-memory registry. Reported per service
// and per registry value read, so growth and cost per read can be compared.
#include <benchmark/benchmark.h>

#include "unit/Fakes.h"

namespace {

void SeedServices(sw::test::RootFixture& f, int count) {
    for (int i = 0; i < count; ++i) {
        const std::string key = "svc" + std::to_string(i * 7919 % count);
        f.Service(key, "Dienst " + std::to_string(i * 31 % count) + " mit einem Anzeigenamen",
                  "Beschreibung des Dienstes " + key, 2 + i % 3);
    }
}

void BM_ServiceListBuild(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    sw::test::RootFixture f;
    SeedServices(f, count);
    f.root.GetProfile(sw::kHkeyLocalMachine, sw::kServicesPath);
    for (auto _ : state) {
        f.bBackups.SetTag("1");
        f.root.ReadProfile();
        benchmark::DoNotOptimize(f.LObjekte.ListCount());
    }
    // Three value reads per service (description, display name, start).
    state.counters["reads"] = benchmark::Counter(static_cast<double>(state.iterations()) * count * 3,
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetComplexityN(count);
}
BENCHMARK(BM_ServiceListBuild)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

void BM_GetProfile(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    sw::test::RootFixture f;
    SeedServices(f, count);
    for (auto _ : state) {
        f.root.GetProfile(sw::kHkeyLocalMachine, sw::kServicesPath);
        benchmark::DoNotOptimize(f.LProfile.ListCount());
    }
    state.SetComplexityN(count);
}
BENCHMARK(BM_GetProfile)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
