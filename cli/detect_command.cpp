// vodex detect: the automatic detection, without a window.
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "arguments.h"
#include "commands.h"
#include "interrupt.h"
#include "json_writer.h"
#include "tlx/pump.h"
#include "tlx/text.h"
#include "vodex/core/device_tool.h"
#include "vodex/tools/autosense_model.h"

namespace vodex::cli {

int Detect(const Args& args) {
    const Arguments a(args, "detect");
    if (!a.Positional().empty()) throw UsageError("'detect' takes no further arguments");
    AutoSenseModel model(DeviceTool());
    model.LOGGER(a.Has("logger"));
    // Where the window would service its events: Ctrl-C stands for its abort button, and on a
    // terminal the progress lines are shown as they change.
    const Interruptible interruptible;
    const bool showProgress = ::isatty(STDERR_FILENO) != 0;
    std::string shown;
    struct PumpGuard {
        std::function<void()> previous;
        ~PumpGuard() { tlx::SetMessagePump(std::move(previous)); }
    } guard{tlx::SetMessagePump([&] {
        if (Interruptible::Interrupted()) model.Abort();
        std::string now = model.Step1();
        if (!model.Step2().empty()) now += " - " + model.Step2();
        if (showProgress && now != shown) {
            std::fprintf(stderr, "%s\n", tlx::OneLine(now).c_str());
            shown = now;
        }
    })};
    model.Load();
    model.Search();

    const auto& rows = model.Rows();
    const auto result = model.RESULT();
    if (a.Has("json")) {
        Json json = Json::array();
        for (std::int32_t i = 1; i <= result->COUNT(); ++i) {
            const auto& record = result->Item(tlx::Variant(i)).ToArray();
            const auto& row = rows[static_cast<std::size_t>(i - 1)];
            json.push_back({{"class", result->KEY(i)},
                            {"name", record[1].ToText()},
                            {"manufacturer", record[2].ToText()},
                            {"port", record[3].ToInt32()},
                            {"portName", row.port},
                            {"channel", record[4].ToInt32()},
                            {"channelName", row.channel}});
        }
        std::printf("%s\n", JsonText(std::move(json)).c_str());
        return 0;
    }
    if (rows.empty()) {
        std::printf("%s\n", Say("Suche erfolglos", "Nothing found").c_str());
        return 0;
    }
    std::printf("%-24s %-20s %-10s %s\n", Say("Gerät", "Device").c_str(),
                Say("Hersteller", "Manufacturer").c_str(), Say("Anschluss", "Port").c_str(),
                Say("Messkanal", "Channel").c_str());
    for (const auto& row : rows) {
        std::printf("%-24s %-20s %-10s %s\n", Shown(row.device).c_str(),
                    Shown(row.manufacturer).c_str(), Shown(row.port).c_str(),
                    Shown(row.channel).c_str());
    }
    return 0;
}

}  // namespace vodex::cli
