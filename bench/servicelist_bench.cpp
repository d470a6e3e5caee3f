// The service-list build over the in-memory registry. Reported per service
// and per registry value read, so growth and cost per read can be compared.
#include <benchmark/benchmark.h>

#include "catalogue/EntryLists.h"
#include "changes/ServiceChanges.h"
#include "unit/ExportText.h"
#include "unit/Fakes.h"

namespace {

void SeedServices(sw::test::RootFixture& f, int count) {
    for (int i = 0; i < count; ++i) {
        const std::string key = "svc" + std::to_string(i * 7919 % count);
        f.Service(key, "Dienst " + std::to_string(i * 31 % count) + " mit einem Anzeigenamen",
                  "Beschreibung des Dienstes " + key, 2 + i % 3);
    }
}

// The service view's lines from the registry, as the window gets them
// (sorting them is the list control's work, not measured here).
void BM_ServiceListBuild(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    sw::test::RootFixture f;
    SeedServices(f, count);
    const std::vector<std::string> names =
        sw::ListAndBuildServices(f.registry, sw::kHkeyLocalMachine, sw::kServicesPath).keys.names;
    for (auto _ : state) {
        const sw::ServiceList list = sw::BuildServiceList(f.registry, names);
        benchmark::DoNotOptimize(list.lines.data());
    }
    // Three value reads per service (description, display name, start).
    state.counters["reads"] = benchmark::Counter(static_cast<double>(state.iterations()) * count * 3,
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetComplexityN(count);
}
BENCHMARK(BM_ServiceListBuild)->Arg(500)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

// The start's pass: the listing and the lines through one open per entry.
void BM_StartListBuild(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    sw::test::RootFixture f;
    SeedServices(f, count);
    for (auto _ : state) {
        const sw::ServiceView view = sw::ListAndBuildServices(f.registry, sw::kHkeyLocalMachine, sw::kServicesPath);
        benchmark::DoNotOptimize(view.list.lines.data());
    }
    state.SetComplexityN(count);
}
BENCHMARK(BM_StartListBuild)->Arg(500)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

// "Changes since the last start" over the same services: reading the
// previous run's export (as the registry editor writes it: UTF-16, image
// paths as hex(2) over continuation lines, a Parameters subkey for every
// fourth entry) and comparing it with the registry. Compare with
// BM_StartListBuild, the start's own list build, at the same count.
std::string HexOfWide(const std::string& ascii) {
    std::string out;
    const char* digits = "0123456789abcdef";
    for (std::size_t i = 0; i <= ascii.size(); ++i) {
        const unsigned char c = i < ascii.size() ? static_cast<unsigned char>(ascii[i]) : 0;
        out += {digits[c >> 4], digits[c & 15], ',', '0', '0'};
        if (i < ascii.size()) out += (i % 12 == 11) ? ",\\\r\n  " : ",";
    }
    return out;
}

std::string ExportOf(sw::test::RootFixture& f, int count) {
    std::string sections;
    for (int i = 0; i < count; ++i) {
        const std::string key = "svc" + std::to_string(i);
        const std::string path = sw::ServiceKeyPath(key);
        const std::string image = "%SystemRoot%\\System32\\svchost.exe -k netsvcs -p " + key;
        f.memory.SetRaw(sw::kHkeyLocalMachine, path, "ImagePath", sw::kRegExpandSz, image + std::string(1, '\0'));
        f.memory.SetDword(sw::kHkeyLocalMachine, path, "Type", 0x20);
        sections += "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\" + key + "]\r\n";
        // The values as the registry holds them, with one start type in a
        // hundred changed since.
        const std::string display = f.memory.GetRaw(sw::kHkeyLocalMachine, path, "DisplayName")->Utf8Data();
        const auto start = static_cast<unsigned char>(f.memory.GetRaw(sw::kHkeyLocalMachine, path, "Start")->data[0]);
        sections += "\"DisplayName\"=\"" + display.substr(0, display.size() - 1) + "\"\r\n";
        sections += "\"Description\"=\"Beschreibung des Dienstes " + key + "\"\r\n";
        sections += "\"ErrorControl\"=dword:00000001\r\n";
        sections += "\"ImagePath\"=hex(2):" + HexOfWide(image) + "\r\n";
        sections += "\"ObjectName\"=\"LocalSystem\"\r\n";
        sections += "\"Start\"=dword:0000000" + std::to_string(i % 100 == 0 ? 4 : start) + "\r\n";
        sections += "\"Type\"=dword:00000020\r\n\r\n";
        if (i % 4 == 0) {
            f.memory.SetRaw(sw::kHkeyLocalMachine, path + "\\Parameters", "ServiceDll", sw::kRegExpandSz,
                            "%SystemRoot%\\System32\\" + key + ".dll" + std::string(1, '\0'));
            sections += "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\" + key + "\\Parameters]\r\n";
            sections += "\"ServiceDll\"=hex(2):" + HexOfWide("%SystemRoot%\\System32\\" + key + ".dll") + "\r\n\r\n";
        }
    }
    return sw::test::ServicesExport(sections);
}

void BM_ChangesSinceLastStart(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    sw::test::RootFixture f;
    SeedServices(f, count);
    const std::string file = ExportOf(f, count);
    std::size_t rows = 0;
    for (auto _ : state) {
        const sw::RegExport previous = sw::ReadServicesExport(file);
        const auto before = sw::ServicesInExport(previous);
        auto now = sw::ServicesNow(f.registry);
        sw::RecheckAbsent(f.registry, *before, *now);
        rows = sw::CompareServices(*before, *now).size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["export_MB"] = static_cast<double>(file.size()) / 1e6;
    state.SetComplexityN(count);
}
BENCHMARK(BM_ChangesSinceLastStart)->Arg(500)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

// The reading of the export alone, as the comparison reads it (every line
// checked, the compared values kept) and whole.
void BM_ReadExport(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    sw::test::RootFixture f;
    SeedServices(f, count);
    const std::string file = ExportOf(f, count);
    for (auto _ : state) benchmark::DoNotOptimize(sw::ReadServicesExport(file).keys.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_ReadExport)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_ReadWholeExport(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    sw::test::RootFixture f;
    SeedServices(f, count);
    const std::string file = ExportOf(f, count);
    for (auto _ : state) benchmark::DoNotOptimize(sw::ReadRegExport(file).keys.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_ReadWholeExport)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace
