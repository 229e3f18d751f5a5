// Measurement demo: the built-in random-generator driver, created by its programmatic
// identifier like any driver, connected and measured for a few seconds in real time.
//
// The demo registers the driver in a temporary folder of its own (VODEX_HOME), so the user's
// registry stays untouched.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tlx/component.h"
#include "tlx/dispatch.h"
#include "tlx/tools.h"
#include "vodex/core/device.h"
#include "vodex/text/language.h"

namespace {

void PrintHeader(vodex::int_Device& device) {
    std::printf("%8s", "t/s");
    for (int i = 1; i <= device.CHANNELS()->COUNT(); ++i) {
        auto c = device.CHANNELS()->Item(i);
        std::printf(" %9s", (c->SIZE().empty() ? std::string("#") : c->SIZE()).c_str());
    }
    std::printf("\n");
}

void PrintRow(vodex::int_Device& device, double t) {
    std::printf("%8.1f", t);
    for (int i = 1; i <= device.CHANNELS()->COUNT(); ++i) {
        auto c = device.CHANNELS()->Item(i);
        if (c->MEASURED()) {
            std::printf(" %9.3f", c->VALUE());
        } else {
            std::printf(" %9s", c->STATUSTEXTSHORT().c_str());
        }
    }
    std::printf("\n");
}

int Run() {
    tlx::ObjectRef driver = tlx::CreateObject("VODEX_RANDOMIZER.cls_RANDOMIZER");
    auto device = tlx::GetPropertyByName(driver, "DEVICE").As<vodex::int_Device>();
    driver.reset();  // the device keeps its driver

    auto text = [](const char* german, const char* english) {
        return vodex::hLanguageText(german, english);
    };
    std::printf("%s %s (%s), %s %s\n", text("Gerät:", "Device:").c_str(),
                device->INFO()->NAME().c_str(), device->INFO()->MANUFACTURER().c_str(),
                text("Anschluss:", "Port:").c_str(), device->PORTS()->Item(1)->NAME().c_str());
    for (int i = 1; i <= device->CHANNELS()->COUNT(); ++i) {
        auto c = device->CHANNELS()->Item(i);
        std::printf("  %s %d: %s\n", text("Kanal", "Channel").c_str(), c->ID(), c->NAME().c_str());
    }
    if (!device->CONNECT(1)) {
        std::fprintf(stderr, "vodex_measure_demo: the device did not connect\n");
        return 1;
    }
    // Connecting starts a new measurement: every channel is chosen anew.
    for (int i = 1; i <= device->CHANNELS()->COUNT(); ++i)
        device->CHANNELS()->Item(i)->MEASURE(true);
    std::printf("Status: %s\n\n%s\n", device->STATUSTEXT().c_str(),
                text("Messung in Echtzeit:", "Measuring in real time:").c_str());
    PrintHeader(*device);
    for (int cycle = 0; cycle < 8; ++cycle) {
        if (cycle > 0) tlx::CoreTools().CLOCK().WAIT(0.5);
        device->EXECUTE();
        PrintRow(*device, 0.5 * cycle);
    }
    device->DISCONNECT();
    device->DESTROY();
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
