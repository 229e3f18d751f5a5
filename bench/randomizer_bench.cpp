// Measuring cycles of the random-generator device with all seven channels measured: through
// EXECUTE and the event dispatch to the driver loaded as a component, against the same
// cycle function called directly on a device with the same channels, in the same run.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "cycle.h"
#include "ratio_reporter.h"
#include "tlx/component.h"
#include "tlx/dispatch.h"
#include "vodex/core/device.h"

namespace {

void MeasureAll(vodex::int_Device& device) {
    for (int i = 1; i <= device.CHANNELS()->COUNT(); ++i)
        device.CHANNELS()->Item(i)->MEASURE(true);
}

// With state.range(0) set, both paths run on a fixed clock, which leaves the cost of the event
// dispatch itself to compare; otherwise the wall clock is read as the driver does.
void BM_CycleThroughEvents(benchmark::State& state) {
    tlx::ObjectRef driver = tlx::CreateObject("VODEX_RANDOMIZER.cls_RANDOMIZER");
    auto device = tlx::GetPropertyByName(driver, "DEVICE").As<vodex::int_Device>();
    if (state.range(0)) tlx::SetPropertyByName(driver, "TESTCLOCK", tlx::Variant(3600.0));
    device->CONNECT(1);
    MeasureAll(*device);
    for (auto _ : state)
        device->EXECUTE();
    state.SetItemsProcessed(state.iterations());
    device->DESTROY();
}

void BM_CycleDirect(benchmark::State& state) {
    // A device with the driver's channels, measured by the cycle function itself.
    tlx::ObjectRef driver = tlx::CreateObject("VODEX_RANDOMIZER.cls_RANDOMIZER");
    auto source = tlx::GetPropertyByName(driver, "DEVICE").As<vodex::int_Device>();
    vodex::int_Device device;
    device.DATA()->COPY(*source);
    device.STATUS(vodex::ID_DeviceStatus_Ready);
    MeasureAll(device);
    vodex::randomizer::CycleState cycle;
    if (state.range(0)) cycle.clock.Fix(3600.0);
    cycle.start = cycle.clock.Now();
    for (auto _ : state)
        vodex::randomizer::MeasuringCycle(device, cycle);
    state.SetItemsProcessed(state.iterations());
    source->DESTROY();
}

BENCHMARK(BM_CycleThroughEvents)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleDirect)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    // The driver is registered, as installing it would, in a home of this run's own.
    std::string home = (std::filesystem::temp_directory_path() / "vodex-bench-XXXXXX").string();
    if (!::mkdtemp(home.data())) return 1;
    ::setenv("VODEX_HOME", home.c_str(), 1);
    const tlx_component_table& entry = tlx::LoadComponent(VODEX_RANDOMIZER_COMPONENT);
    if (entry.register_component(VODEX_RANDOMIZER_COMPONENT) != 0) return 1;

    benchmark::Initialize(&argc, argv);
    vodex::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* clock : {"0", "1"}) {
        const double events = reporter.Time(std::string("BM_CycleThroughEvents/") + clock);
        const double direct = reporter.Time(std::string("BM_CycleDirect/") + clock);
        if (events <= 0 || direct <= 0) continue;
        std::printf(
            "%s: %.0f cycles of seven channels per second through EXECUTE and the event, "
            "%.0f called directly; the event path costs %.1f%% more (aim: at most 20%%)\n",
            clock[0] == '0' ? "wall clock" : "fixed clock", 1e6 / events, 1e6 / direct,
            (events / direct - 1) * 100);
    }
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return 0;
}
