// The baseline of the Python module's benchmark, as a module of its own that only the
// benchmark loads: a device of a driver, every channel measured, `cycles` measuring cycles read
// as the benchmark's Python loop reads them, in C++. The seconds they took.
#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>

#include "tlx/clock.h"
#include "tlx/error.h"
#include "vodex/core/device_tool.h"

namespace py = pybind11;

namespace {

double MeasureInCxx(const std::string& driverClass, int cycles) {
    py::gil_scoped_release free;
    const auto device = vodex::DeviceTool()->CREATE(driverClass);
    if (!device || !device->CONNECT(1)) throw tlx::Error("'" + driverClass + "' cannot measure");
    const auto channels = device->CHANNELS();
    for (std::int32_t i = 1; i <= channels->COUNT(); ++i)
        channels->Item(i)->MEASURE(true);
    const tlx::cls_CoreTimer timer;
    double sum = 0;
    for (int c = 0; c < cycles; ++c) {
        device->EXECUTE();
        for (std::int32_t i = 1; i <= channels->COUNT(); ++i) {
            const auto channel = channels->Item(i);
            if (channel->MEASURED()) sum += channel->VALUE();
        }
    }
    const double seconds = timer.SECONDSELAPSED();
    (void)sum;
    device->DISCONNECT();
    device->DESTROY();
    return seconds;
}

}  // namespace

PYBIND11_MODULE(vodex_baseline, m) {
    m.def("measure_in_cxx", &MeasureInCxx, py::arg("driver_class"), py::arg("cycles"));
}
