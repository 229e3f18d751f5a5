// The driver registry with 1,000 installed drivers: REBUILDINDEX and CONTENT, each against
// the same number of plain registry reads in the same run; CREATE of the random-generator
// driver the first and the tenth time; INFO from the device cache against a bare cache look-up.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "ratio_reporter.h"
#include "tlx/process.h"
#include "tlx/tools.h"
#include "vodex/core/device_tool.h"
#include "vodex/records/resource.h"

namespace {

constexpr int kDrivers = 1000;
constexpr const char* kDevices = "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices\\";

std::string DriverName(int i) {
    return "Drv" + std::to_string(10000 + i).substr(1);
}

void BM_RebuildIndex(benchmark::State& state) {
    vodex::cls_DeviceTool tool;
    for (auto _ : state)
        tool.REBUILDINDEX();
    if (tool.COUNTALL() < kDrivers) state.SkipWithError("the index is incomplete");
}

void BM_Content(benchmark::State& state) {
    vodex::cls_DeviceTool tool;
    for (auto _ : state)
        benchmark::DoNotOptimize(tool.CONTENT());
}

// Baseline: one registry read per installed driver.
void BM_PlainReads(benchmark::State& state) {
    tlx::cls_CoreRegistry& reg = tlx::CoreTools().REGISTRY();
    for (auto _ : state) {
        for (int i = 1; i <= kDrivers; ++i) {
            benchmark::DoNotOptimize(
                reg.READTEXT(tlx::HKEY_LOCAL_MACHINE, kDevices + DriverName(i), ""));
        }
    }
}

void BM_InfoFromCache(benchmark::State& state) {
    vodex::cls_DeviceTool tool;
    auto first = tool.INFO("VODEX_RANDOMIZER");  // from the description file, then cached
    for (auto _ : state)
        benchmark::DoNotOptimize(tool.INFO("VODEX_RANDOMIZER"));
}

// Baseline: the bare look-up in the device cache.
void BM_CacheLookup(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(vodex::Resource().hDeviceFind("VODEX_RANDOMIZER"));
}

BENCHMARK(BM_RebuildIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Content)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainReads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InfoFromCache)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CacheLookup)->Unit(benchmark::kMicrosecond);

double Seconds(const std::chrono::steady_clock::time_point& since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string home = vodex::bench::MakeBenchHome();
    if (home.empty()) return 1;
    // 1,000 installed drivers, each a file of its own, and the built-in driver with its
    // description.
    tlx::cls_CoreRegistry& reg = tlx::CoreTools().REGISTRY();
    for (int i = 1; i <= kDrivers; ++i) {
        const std::string file = home + "/" + DriverName(i) + ".so";
        std::ofstream(file) << "x";
        reg.WRITE(tlx::HKEY_LOCAL_MACHINE, kDevices + DriverName(i), tlx::Variant(file));
    }
    // Registered by the registration program, so that this process loads the component only
    // at the first CREATE.
    if (tlx::RunAndWait(std::string("\"") + VODEX_REGSVR + "\" /s \"" + VODEX_RANDOMIZER_COMPONENT +
                        "\"") != 0) {
        return 1;
    }

    // CREATE the first time (the component is loaded then) and the tenth time.
    double first = 0;
    double tenth = 0;
    {
        vodex::cls_DeviceTool tool;
        for (int i = 1; i <= 10; ++i) {
            const auto start = std::chrono::steady_clock::now();
            auto device = tool.CREATE("VODEX_RANDOMIZER");
            const double took = Seconds(start);
            if (!device) return 1;
            device->DESTROY();
            if (i == 1) first = took;
            if (i == 10) tenth = took;
        }
    }
    reg.WRITE(tlx::HKEY_LOCAL_MACHINE, std::string(kDevices) + "VODEX_RANDOMIZER",
              tlx::Variant(std::string(VODEX_RANDOMIZER_COMPONENT)));

    benchmark::Initialize(&argc, argv);
    vodex::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double plain = reporter.Time("BM_PlainReads");
    if (plain > 0) {
        std::printf(
            "\nwith %d drivers installed: REBUILDINDEX %.2f ms (%.1fx %d plain reads), "
            "CONTENT %.2f ms (%.1fx)\n",
            kDrivers + 1, reporter.Time("BM_RebuildIndex"),
            reporter.Time("BM_RebuildIndex") / plain, kDrivers, reporter.Time("BM_Content"),
            reporter.Time("BM_Content") / plain);
    }
    std::printf(
        "CREATE of the random-generator driver: first %.3f ms (loading the component), "
        "tenth %.3f ms\n",
        first * 1e3, tenth * 1e3);
    const double lookup = reporter.Time("BM_CacheLookup");
    if (lookup > 0) {
        std::printf("INFO from the cache: %.3f us (%.1fx the bare cache look-up)\n",
                    reporter.Time("BM_InfoFromCache"), reporter.Time("BM_InfoFromCache") / lookup);
    }
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return 0;
}
