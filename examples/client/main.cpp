// A client of the installed toolkit: asks the registry for the built-in random generator,
// connects it and reads its channels for a few cycles. Built outside the toolkit's own build,
// with find_package(Vodex) (CMakeLists.txt) or with pkg-config:
//
//   g++ -std=c++20 main.cpp $(pkg-config --cflags --libs vodex) -o vodex_client
#include <cstdio>

#include "vodex/core/device.h"
#include "vodex/core/device_tool.h"
#include "vodex/core/sys_device.h"

int main() {
    const auto registry = vodex::SysDevice()->DEVICETOOL();
    const auto device = registry->CREATE("VODEX_RANDOMIZER");
    if (!device || !device->CONNECT(1)) {
        std::fprintf(stderr, "vodex_client: the random generator is not installed\n");
        return 1;
    }
    const auto channels = device->CHANNELS();
    for (int i = 1; i <= channels->COUNT(); ++i)
        channels->Item(i)->MEASURE(true);
    for (int cycle = 1; cycle <= 3; ++cycle) {
        device->EXECUTE();
        std::printf("%d", cycle);
        for (int i = 1; i <= channels->COUNT(); ++i) {
            const auto c = channels->Item(i);
            std::printf(" %s=%.3f", c->NAME().c_str(), c->MEASURED() ? c->VALUE() : 0.0);
        }
        std::printf("\n");
    }
    device->DESTROY();
    return 0;
}
