// Measurement demo: the built-in random-generator driver measured for a few seconds in real
// time through a measuring session, as `vodex measure` does it.
//
// The demo registers the driver in a temporary folder of its own (VODEX_HOME), so the user's
// registry stays untouched.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tlx/component.h"
#include "tlx/tools.h"
#include "vodex/core/device.h"
#include "vodex/text/language.h"
#include "vodex/tools/measuring_session.h"

namespace {

void PrintRow(const vodex::MeasuringSession& session, double t) {
    std::printf("%8.1f", t);
    for (std::int32_t id : session.Channels()) {
        auto c = session.Device().CHANNELS()->Item(id, false);
        if (c->MEASURED()) {
            std::printf(" %9.3f", c->VALUE());
        } else {
            std::printf(" %9s", c->STATUSTEXTSHORT().c_str());
        }
    }
    std::printf("\n");
}

int Run() {
    auto text = [](const char* german, const char* english) {
        return vodex::hLanguageText(german, english);
    };
    // The session makes the device through the shared device manager and connects it on the
    // driver's first port; it gives the device back however the demo ends.
    vodex::MeasuringSession session("VODEX_RANDOMIZER", std::nullopt);
    session.Choose({});
    vodex::int_Device& device = session.Device();
    std::printf("%s %s (%s), %s %s\n", text("Gerät:", "Device:").c_str(),
                device.INFO()->NAME().c_str(), device.INFO()->MANUFACTURER().c_str(),
                text("Anschluss:", "Port:").c_str(), session.Where().c_str());
    for (std::int32_t id : session.Channels()) {
        auto c = device.CHANNELS()->Item(id, false);
        std::printf("  %s %d: %s\n", text("Kanal", "Channel").c_str(), c->ID(), c->NAME().c_str());
    }
    std::printf("Status: %s\n\n%s\n", device.STATUSTEXT().c_str(),
                text("Messung in Echtzeit:", "Measuring in real time:").c_str());
    std::printf("%8s", "t/s");
    for (std::int32_t id : session.Channels()) {
        const std::string unit = device.CHANNELS()->Item(id, false)->SIZE();
        std::printf(" %9s", (unit.empty() ? std::string("#") : unit).c_str());
    }
    std::printf("\n");
    for (int cycle = 0; cycle < 8; ++cycle) {
        if (cycle > 0) tlx::CoreTools().CLOCK().WAIT(0.5);
        PrintRow(session, session.Measure().seconds);
    }
    return 0;
}

}  // namespace

int main() {
    std::string home = (std::filesystem::temp_directory_path() / "vodex-demo-XXXXXX").string();
    if (!::mkdtemp(home.data())) {
        std::fprintf(stderr, "vodex_measure_demo: no temporary folder can be made\n");
        return 1;
    }
    ::setenv("VODEX_HOME", home.c_str(), 1);
    int rc = 1;
    try {
        const tlx_component_table& entry = tlx::LoadComponent(VODEX_RANDOMIZER_COMPONENT);
        if (entry.register_component(VODEX_RANDOMIZER_COMPONENT) != 0) {
            throw tlx::Error("the built-in driver could not be registered");
        }
        rc = Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vodex_measure_demo: %s\n", e.what());
    }
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return rc;
}
