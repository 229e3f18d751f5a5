// vodex measure: a device through the device manager of an entry object, measured in cycles.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "arguments.h"
#include "commands.h"
#include "interrupt.h"
#include "json_writer.h"
#include "tlx/error.h"
#include "tlx/port_map.h"
#include "tlx/text.h"
#include "tlx/tools.h"
#include "vodex/core/sys_device.h"

namespace vodex::cli {
namespace {

std::vector<std::int32_t> ParseChannels(const std::string& text) {
    std::vector<std::int32_t> ids;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ',')) {
        try {
            std::size_t used = 0;
            const long id = std::stol(part, &used);
            if (used != part.size() || id < 1 || id > 2147483647L)
                throw std::invalid_argument(part);
            ids.push_back(static_cast<std::int32_t>(id));
        } catch (const std::exception&) {
            throw UsageError("--channels needs channel numbers separated by commas, as 1,3");
        }
    }
    if (ids.empty()) throw UsageError("--channels needs at least one channel number");
    return ids;
}

// The shortest pause between cycles while the device is in error.
constexpr double kErrorPause = 0.5;
constexpr std::chrono::milliseconds kFlushEvery{50};

// Waits `seconds`, in short slices, until then or until Ctrl-C.
void Pause(double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!Interruptible::Interrupted() && std::chrono::steady_clock::now() < until) {
        const double left =
            std::chrono::duration<double>(until - std::chrono::steady_clock::now()).count();
        tlx::CoreTools().CLOCK().WAIT(std::min(left, 0.05));
    }
}

// `text` as one CSV field, as text output shows it: quoted, with its quotes doubled, when it
// holds a comma or a quote.
std::string Csv(const std::string& shown) {
    const std::string text = Shown(shown);
    if (text.find_first_of(",\"") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

}  // namespace

int Measure(const Args& args) {
    const Arguments a(args, "measure");
    if (a.Positional().size() != 1)
        throw UsageError("'measure' needs exactly one driver class name");
    if (a.Has("json") && a.Has("format")) throw UsageError("--json and --format go not together");
    const std::string format = a.Has("json") ? "json" : a.Value("format").value_or("table");
    if (format != "table" && format != "csv" && format != "json") {
        throw UsageError("--format is table, csv or json");
    }
    const long cycles = a.Number("cycles", 0, 100000000).value_or(10);
    const double interval = a.Real("interval", 0, 86400).value_or(0.5);
    std::optional<long> port = a.Number("port", 1, tlx::kPortCount);
    std::optional<std::vector<std::int32_t>> chosen;
    if (auto list = a.Value("channels")) chosen = ParseChannels(*list);

    // From here on Ctrl-C ends the measurement instead of the program, so the device is
    // always released.
    const Interruptible interruptible;

    const auto entry = SysDevice();
    const auto tool = entry->DEVICE();
    const auto manager = entry->DEVICEMAN();
    std::string cls = a.Positional()[0];
    // The built-in driver stands in for a missing or broken one; the user is told once, and
    // the measurement counts as failed, since the driver asked for did not measure.
    std::string replaced;
    auto standIn = [&](const std::string& why) {
        if (tlx::UCase(tlx::Trim(cls)) == tlx::UCase(tool->RANDOMIZERID())) return false;
        tool->SURECREATE(nullptr, nullptr);
        replaced = why + Say("; der eingebaute Zufallsgenerator hat an seiner Stelle gemessen",
                             "; the built-in random generator measured in its place");
        cls = tool->RANDOMIZERID();
        return true;
    };
    auto broken = [&] { return Broken(cls, tool->TakeLastError()); };
    // A driver that is not installed at all has nothing to repair.
    tool->TakeLastError();
    if (!tool->EXISTSALL(cls)) standIn(NotInstalled(cls));
    // The port: the one asked for, else the first port the driver describes.
    auto firstPort = [&]() -> std::optional<std::int32_t> {
        if (port) return static_cast<std::int32_t>(*port);
        const auto described = tool->INFO(cls);
        if (!described) return std::nullopt;  // broken beyond repair, and already said so
        std::int32_t first = 1;
        if (auto p = described->PORTS()->Item(1)) first = p->ID();
        if (described->PARENT()) described->DESTROY();  // a driver made only to describe it
        return first;
    };
    std::optional<std::int32_t> usePort = firstPort();
    if (!usePort && standIn(broken())) usePort = firstPort();
    if (!usePort) throw tlx::Error(broken());
    std::shared_ptr<int_Device> device;
    try {
        device = manager->CREATE(cls, *usePort);
    } catch (const tlx::Error&) {
        if (!standIn(broken())) throw;
        usePort = firstPort();
        if (!usePort) throw;
        device = manager->CREATE(cls, *usePort);
    }
    if (!device) throw tlx::Error(Say("Es ist kein Gerät frei", "No device is free"));
    // However the measurement ends, the device is released through the manager, which
    // disconnects it, and then its driver is let go.
    struct Release {
        std::shared_ptr<cls_DeviceManager> manager;
        std::string cls;
        std::int32_t port;
        std::shared_ptr<int_Device> device;
        ~Release() {
            try {
                manager->DEINIT(cls, port);
                device->DESTROY();
            } catch (...) {
            }
        }
    } release{manager, cls, *usePort, device};
    // Where the device is, and what it says about its trouble, for messages.
    const std::string where = tlx::PortDescription(*usePort);
    auto trouble = [&device] {
        return device->DEBUGINFO().empty() ? device->STATUSTEXT() : device->DEBUGINFO();
    };
    if (device->STATUS() == ID_DeviceStatus_Off || device->STATUS() == ID_DeviceStatus_Error) {
        throw tlx::Error(Say("Das Gerät ist an Anschluss ", "The device did not connect on port ") +
                         where + Say(" nicht verbunden: ", ": ") + trouble());
    }

    const auto channels = device->CHANNELS();
    std::vector<std::int32_t> ids;
    if (chosen) {
        for (std::int32_t id : *chosen) {
            if (!channels->EXISTS(id)) {
                throw tlx::Error(Say("Das Gerät hat keinen Kanal ", "The device has no channel ") +
                                 std::to_string(id));
            }
            ids.push_back(id);
        }
    } else {
        for (std::int32_t i = 1; i <= channels->COUNT(); ++i)
            ids.push_back(channels->Item(i)->ID());
    }
    for (std::int32_t id : ids)
        channels->Item(id, false)->MEASURE(true);

    if (format == "table") {
        std::printf("%s: %s, %s %s, %s\n", Say("Gerät", "Device").c_str(),
                    Shown(device->INFO()->NAME()).c_str(), Say("Anschluss", "port").c_str(),
                    std::to_string(*usePort).c_str(), Shown(device->STATUSTEXT()).c_str());
        std::printf("%6s %8s", "#", "t/s");
        for (std::int32_t id : ids) {
            const auto c = channels->Item(id, false);
            std::printf(" %14s", Shown(c->NAME().substr(0, 14)).c_str());
        }
        std::printf("\n");
    } else if (format == "csv") {
        std::printf("cycle,t");
        for (std::int32_t id : ids) {
            const auto c = channels->Item(id, false);
            std::printf(",%s",
                        Csv(c->NAME() + (c->SIZE().empty() ? "" : " [" + c->SIZE() + "]")).c_str());
        }
        std::printf("\n");
    }

    const auto start = std::chrono::steady_clock::now();
    auto flushed = start;
    bool inError = false;
    for (long cycle = 1; (cycles == 0 || cycle <= cycles) && !Interruptible::Interrupted();
         ++cycle) {
        // A device in error is asked again no faster than a few times a second, whatever the
        // interval: its driver tries to reach it anew each time.
        if (cycle > 1) Pause(inError ? std::max(interval, kErrorPause) : interval);
        if (Interruptible::Interrupted()) break;
        device->EXECUTE();
        const bool failing = device->STATUS() == ID_DeviceStatus_Error;
        if (failing != inError) {
            Tell(Say("Das Gerät an Anschluss ", "The device on port ") + where +
                 (failing ? Say(" meldet einen Fehler: ", " reports an error: ") + trouble()
                          : Say(" antwortet wieder", " answers again")));
            inError = failing;
        }
        const double t =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double seconds = std::round(t * 1000) / 1000;
        std::string line;
        Json json;
        if (format == "json") {
            json = {{"cycle", cycle}, {"t", seconds}, {"channels", Json::array()}};
        } else if (format == "csv") {
            line = std::to_string(cycle) + "," + Json(seconds).dump();
        } else {
            char head[32];
            std::snprintf(head, sizeof head, "%6ld %8.3f", cycle, t);
            line = head;
        }
        for (std::int32_t id : ids) {
            const auto c = channels->Item(id, false);
            if (format == "json") {
                json["channels"].push_back({{"id", c->ID()},
                                            {"name", c->NAME()},
                                            {"unit", c->SIZE()},
                                            {"value", c->VALUE()},
                                            {"status", c->STATUS()},
                                            {"measured", c->MEASURED()}});
            } else if (format == "csv") {
                line += "," + (c->MEASURED() ? Json(c->VALUE()).dump() : Csv(c->STATUSTEXTSHORT()));
            } else {
                char cell[48];
                if (c->MEASURED()) {
                    std::snprintf(cell, sizeof cell, " %14.4f", c->VALUE());
                } else {
                    std::snprintf(cell, sizeof cell, " %14s", Shown(c->STATUSTEXTSHORT()).c_str());
                }
                line += cell;
            }
        }
        if (format == "json") line = JsonText(std::move(json));
        std::printf("%s\n", line.c_str());
        // Paced readings reach the reader at once; at full speed at least every 50 ms, so that
        // a fast run does not spend a write on every reading.
        const auto now = std::chrono::steady_clock::now();
        if (interval > 0 || now - flushed >= kFlushEvery) {
            std::fflush(stdout);
            flushed = now;
        }
    }
    std::fflush(stdout);
    if (!replaced.empty()) {
        Tell(replaced);
        return 1;
    }
    // The device's error was told when it began; the exit code tells it once more.
    return inError ? 1 : 0;
}

}  // namespace vodex::cli
