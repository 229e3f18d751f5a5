// vodex scan: a wavelength scan of a device that scans, as its data field's points.
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "arguments.h"
#include "commands.h"
#include "interrupt.h"
#include "json_writer.h"
#include "tlx/convert.h"
#include "tlx/port_map.h"
#include "tlx/pump.h"
#include "tlx/text.h"
#include "vodex/tools/measuring_session.h"

namespace vodex::cli {

int Scan(const Args& args) {
    const Arguments a(args, "scan");
    if (a.Positional().size() != 1) throw UsageError("'scan' needs exactly one driver class name");
    const std::string format = a.Value("format").value_or("table");
    if (format != "table" && format != "csv" && format != "json") {
        throw UsageError("--format is table, csv or json");
    }
    std::optional<std::int32_t> port;
    if (auto n = a.Number("port", 1, tlx::kPortCount)) port = static_cast<std::int32_t>(*n);
    const auto from = a.Real("from", 0, 100000);
    const auto to = a.Real("to", 0, 100000);
    const auto step = a.Real("step", 0.001, 100000);

    // From here on Ctrl-C stops the scan instead of the program: the points so far are shown.
    const Interruptible interruptible;
    MeasuringSession session(a.Positional()[0], port);
    int_Device& device = session.Device();
    const auto info = device.INFO();
    if (!info->MANUALSCAN()) {
        throw tlx::Error(a.Positional()[0] + Say(" nimmt keine Spektren auf", " does not scan"));
    }
    // The whole range of the device at its interval, unless given.
    const double first = from.value_or(info->WAVESTART());
    const double last = to.value_or(info->WAVEEND());
    const double interval = step.value_or(info->WAVEINTERVAL() > 0 ? info->WAVEINTERVAL() : 1.0);
    const bool showProgress = ::isatty(STDERR_FILENO) != 0;
    std::int32_t shown = -1;
    struct PumpGuard {
        std::function<void()> previous;
        ~PumpGuard() {
            tlx::SetMessagePump(std::move(previous));
            tlx::CancelWaits(false);
        }
    } guard{tlx::SetMessagePump([&] {
        if (Interruptible::Interrupted()) tlx::CancelWaits(true);
        const std::int32_t now = device.DATAFIELD()->COUNT();
        if (showProgress && now / 50 != shown / 50) {
            std::fprintf(stderr, "%s %d\r", Say("Punkte:", "points:").c_str(), now);
            shown = now;
        }
    })};
    tlx::VariantArray parameters(1,
                                 {tlx::Variant(first), tlx::Variant(last), tlx::Variant(interval)});
    const bool complete = device.ACTIVATE("SCAN", ID_DeviceAct_On, parameters);
    if (showProgress && shown >= 0) std::fprintf(stderr, "\n");

    const auto field = device.DATAFIELD();
    if (format == "json") {
        Json x = Json::array(), y = Json::array();
        for (std::int32_t i = 1; i <= field->COUNT(); ++i) {
            x.push_back(field->x(i));
            y.push_back(field->Y(i));
        }
        std::printf("%s\n", JsonText({{"class", a.Positional()[0]},
                                      {"from", first},
                                      {"to", last},
                                      {"step", interval},
                                      {"complete", complete},
                                      {"x", std::move(x)},
                                      {"y", std::move(y)}})
                                .c_str());
    } else {
        const char* separator = format == "csv" ? "," : "  ";
        if (format == "csv") {
            std::printf("%s,%s\n", Say("Wellenlänge (nm)", "Wavelength (nm)").c_str(),
                        Say("Extinktion", "Absorbance").c_str());
        } else {
            std::printf("%16s  %s\n", Say("Wellenlänge (nm)", "Wavelength (nm)").c_str(),
                        Say("Extinktion", "Absorbance").c_str());
        }
        for (std::int32_t i = 1; i <= field->COUNT(); ++i) {
            const std::string nm = tlx::ReadingText(field->x(i));
            std::printf(format == "csv" ? "%s%s%s\n" : "%16s%s%s\n", nm.c_str(), separator,
                        tlx::ReadingText(field->Y(i)).c_str());
        }
    }
    std::fflush(stdout);
    if (complete) return 0;
    // Stopped or failed: the points so far are out, the reason follows.
    Tell(session.Trouble());
    return Interruptible::Interrupted() ? 130 : 1;
}

}  // namespace vodex::cli
