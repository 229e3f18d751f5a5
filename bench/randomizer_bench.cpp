// The event path of a measuring cycle, against calling the same work directly, in the same
// run with the two sides interleaved block by block (A B A B ...), in wall and processor time:
//   - a full cycle of the random-generator device with all seven channels measured: EXECUTE
//     and the event dispatch to the driver loaded as a component, against the driver's cycle
//     function called directly on a device with the same channels;
//   - the dispatch alone: EXECUTE on a device whose handler does nothing, against a virtual
//     call of the same empty handler.
// Three runs, each reported.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "cycle.h"
#include "tlx/component.h"
#include "tlx/dispatch.h"
#include "vodex/core/device.h"

namespace {

using vodex::bench::Interleaved;
using vodex::bench::Range;
using vodex::bench::Totals;

void MeasureAll(vodex::int_Device& device) {
    for (int i = 1; i <= device.CHANNELS()->COUNT(); ++i)
        device.CHANNELS()->Item(i)->MEASURE(true);
}

class EmptyHandler : public vodex::int_DeviceEvents {
  public:
    void DeviceExecute() override { benchmark::ClobberMemory(); }
};

struct Figures {
    Range eventNs, directNs, addedNs, wallPercent, processorPercent;
    void Add(const std::pair<Totals, Totals>& t, double calls) {
        eventNs.Add(t.first.processor / calls * 1e9);
        directNs.Add(t.second.processor / calls * 1e9);
        addedNs.Add((t.first.processor - t.second.processor) / calls * 1e9);
        wallPercent.Add((t.first.wall / t.second.wall - 1) * 100);
        processorPercent.Add((t.first.processor / t.second.processor - 1) * 100);
    }
};

}  // namespace

int main() {
    // The driver is registered, as installing it would, in a home of this run's own.
    const std::string home = vodex::bench::MakeBenchHome();
    if (home.empty()) return 1;
    const tlx_component_table& entry = tlx::LoadComponent(VODEX_RANDOMIZER_COMPONENT);
    if (entry.register_component(VODEX_RANDOMIZER_COMPONENT) != 0) return 1;

    // A full cycle: through the component's event handler, and the cycle function itself on a
    // device with the same channels.
    tlx::ObjectRef driver = tlx::CreateObject("VODEX_RANDOMIZER.cls_RANDOMIZER");
    auto viaEvents = tlx::GetPropertyByName(driver, "DEVICE").As<vodex::int_Device>();
    viaEvents->CONNECT(1);
    MeasureAll(*viaEvents);
    vodex::int_Device direct;
    direct.DATA()->COPY(*viaEvents);
    direct.STATUS(vodex::ID_DeviceStatus_Ready);
    MeasureAll(direct);
    vodex::randomizer::CycleState cycle;
    cycle.start = cycle.clock.Now();

    // The dispatch alone.
    const auto handler = std::make_shared<EmptyHandler>();
    auto idle = std::make_shared<vodex::int_Device>();
    if (!idle->WithEvents(handler)) return 1;
    vodex::int_DeviceEvents* target = handler.get();

    constexpr int kRuns = 3;
    constexpr int kRounds = 200;
    constexpr int kCycleBlock = 2000;
    constexpr int kDispatchBlock = 100000;
    Figures cycles;
    Figures dispatch;
    for (int run = 0; run < kRuns; ++run) {
        cycles.Add(Interleaved([&] { viaEvents->EXECUTE(); },
                               [&] { vodex::randomizer::MeasuringCycle(direct, cycle); }, kRounds,
                               kCycleBlock),
                   double{kRounds} * kCycleBlock);
        dispatch.Add(Interleaved([&] { idle->EXECUTE(); },
                                 [&] {
                                     benchmark::DoNotOptimize(target);
                                     target->DeviceExecute();
                                 },
                                 kRounds, kDispatchBlock),
                     double{kRounds} * kDispatchBlock);
    }
    viaEvents->DESTROY();

    std::printf(
        "Three runs, each %d rounds of the two sides in turn:\n"
        "full cycle (seven channels): through EXECUTE and the event %.0f to %.0f ns of "
        "processor time, the cycle function called directly %.0f to %.0f ns; the event path "
        "costs %+.1f%% to %+.1f%% processor time, %+.1f%% to %+.1f%% wall time (aim: at most "
        "20%%)\n"
        "dispatch alone (empty handler): EXECUTE %.1f to %.1f ns, a virtual call of the same "
        "handler %.1f to %.1f ns; the dispatch adds %.1f to %.1f ns per call\n",
        kRounds, cycles.eventNs.low, cycles.eventNs.high, cycles.directNs.low, cycles.directNs.high,
        cycles.processorPercent.low, cycles.processorPercent.high, cycles.wallPercent.low,
        cycles.wallPercent.high, dispatch.eventNs.low, dispatch.eventNs.high, dispatch.directNs.low,
        dispatch.directNs.high, dispatch.addedNs.low, dispatch.addedNs.high);
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return 0;
}
