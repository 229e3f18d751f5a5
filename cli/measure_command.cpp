// vodex measure: a device through the device manager of an entry object, measured in cycles.
#include <algorithm>
#include <cstdio>
#include <sstream>

#include "arguments.h"
#include "commands.h"
#include "interrupt.h"
#include "reading_writers.h"
#include "tlx/clock.h"
#include "tlx/port_map.h"
#include "tlx/tools.h"
#include "vodex/tools/measuring_session.h"

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
constexpr double kFlushEvery = 0.05;

// Waits `seconds`, in short slices, until then or until Ctrl-C.
void Pause(double seconds) {
    const tlx::cls_CoreTimer paused;
    while (!Interruptible::Interrupted() && !paused.ELAPSED(seconds)) {
        tlx::CoreTools().CLOCK().WAIT(std::min(seconds - paused.SECONDSELAPSED(), 0.05));
    }
}

}  // namespace

int Measure(const Args& args) {
    const Arguments a(args, "measure");
    if (a.Positional().size() != 1)
        throw UsageError("'measure' needs exactly one driver class name");
    if (a.Has("json") && a.Has("format")) throw UsageError("--json and --format go not together");
    const auto writer =
        MakeReadingWriter(a.Has("json") ? "json" : a.Value("format").value_or("table"));
    if (!writer) throw UsageError("--format is table, csv or json");
    const long cycles = a.Number("cycles", 0, 100000000).value_or(10);
    const double interval = a.Real("interval", 0, 86400).value_or(0.5);
    std::optional<std::int32_t> port;
    if (auto n = a.Number("port", 1, tlx::kPortCount)) port = static_cast<std::int32_t>(*n);
    std::vector<std::int32_t> chosen;
    if (auto list = a.Value("channels")) chosen = ParseChannels(*list);

    // From here on Ctrl-C ends the measurement instead of the program, so the device is
    // always released.
    const Interruptible interruptible;
    MeasuringSession session(a.Positional()[0], port);
    session.Choose(chosen);
    writer->Head(session);
    tlx::cls_CoreTimer flushed;
    for (long cycle = 1; (cycles == 0 || cycle <= cycles) && !Interruptible::Interrupted();
         ++cycle) {
        // A device in error is asked again no faster than a few times a second, whatever the
        // interval: its driver tries to reach it anew each time.
        if (cycle > 1) Pause(session.InError() ? std::max(interval, kErrorPause) : interval);
        if (Interruptible::Interrupted()) break;
        const MeasuringSession::Cycle measured = session.Measure();
        if (measured.changed) {
            Tell(Say("Das Gerät an Anschluss ", "The device on port ") + session.Where() +
                 (measured.inError
                      ? Say(" meldet einen Fehler: ", " reports an error: ") + session.Trouble()
                      : Say(" antwortet wieder", " answers again")));
        }
        for (const std::int32_t id : measured.renamed) {
            const auto c = session.Device().CHANNELS()->Item(id, true);
            Tell(Say("Kanal ", "Channel ") + std::to_string(id) +
                 Say(" misst jetzt ", " now measures ") + c->NAME() +
                 (c->SIZE().empty() ? "" : Say(" in ", " in ") + c->SIZE()));
        }
        writer->Line(session, cycle, measured.seconds);
        // Paced readings reach the reader at once; at full speed at least every 50 ms, so that
        // a fast run does not spend a write on every reading.
        if (interval > 0 || flushed.ELAPSED(kFlushEvery)) {
            std::fflush(stdout);
            flushed.START();
        }
    }
    std::fflush(stdout);
    if (!session.Replaced().empty()) {
        Tell(session.Replaced());
        return 1;
    }
    // The device's error was told when it began; the exit code tells it once more.
    return session.InError() ? 1 : 0;
}

}  // namespace vodex::cli
