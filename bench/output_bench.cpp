// What a measuring cycle's line costs in each output format of `vodex measure`: JSON against CSV
// (the baseline), both written by the program's own writers for the random generator's seven
// channels to /dev/null, interleaved block by block in the same run. Processor time; five runs,
// each a ratio of its own.
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "reading_writers.h"
#include "tlx/component.h"
#include "tlx/tools.h"
#include "vodex/tools/measuring_session.h"

int main() {
    const std::string home = vodex::bench::MakeBenchHome();
    if (home.empty()) return 1;
    tlx::RegisterComponent(VODEX_RANDOMIZER_COMPONENT);
    tlx::CoreTools().REGISTRY().WRITE(
        tlx::HKEY_LOCAL_MACHINE,
        "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices\\Vodex_Randomizer",
        tlx::Variant(std::string(VODEX_RANDOMIZER_COMPONENT)));
    vodex::MeasuringSession session("Vodex_Randomizer", 1);
    session.Choose({});
    session.Measure();
    const auto json = vodex::cli::MakeReadingWriter("json");
    const auto csv = vodex::cli::MakeReadingWriter("csv");
    // The lines go nowhere; what is measured is making and writing them.
    if (!std::freopen("/dev/null", "w", stdout)) return 1;
    long cycle = 0;
    constexpr int kRuns = 5;
    constexpr int kRounds = 100;
    constexpr int kBlock = 2000;
    vodex::bench::Range jsonUs, csvUs, ratio;
    for (int run = 0; run < kRuns; ++run) {
        const auto [j, c] = vodex::bench::Interleaved(
            [&] {
                ++cycle;
                json->Line(session, cycle, 0.25 * static_cast<double>(cycle));
            },
            [&] {
                ++cycle;
                csv->Line(session, cycle, 0.25 * static_cast<double>(cycle));
            },
            kRounds, kBlock);
        const double lines = double{kRounds} * kBlock;
        jsonUs.Add(j.processor / lines * 1e6);
        csvUs.Add(c.processor / lines * 1e6);
        ratio.Add(j.processor / c.processor);
    }
    std::fflush(stdout);
    std::fprintf(stderr,
                 "a cycle's line of seven channels, %d runs of %d lines each, processor time:\n"
                 "  JSON: %.2f-%.2f us   CSV: %.2f-%.2f us   JSON / CSV: %.2f-%.2f "
                 "(target: within 1.3)\n",
                 kRuns, kRounds * kBlock, jsonUs.low, jsonUs.high, csvUs.low, csvUs.high, ratio.low,
                 ratio.high);
    std::filesystem::remove_all(home);
    return 0;
}
