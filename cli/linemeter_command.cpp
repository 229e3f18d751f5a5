// Text-line meters on the command line: checking a description against sample lines, and the
// driver a description makes, ready to be packaged.
#include "linemeter_command.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "arguments.h"
#include "commands.h"
#include "description.h"
#include "tlx/error.h"
#include "tlx/text.h"
#include "vodex/core/device_tool.h"

namespace vodex::cli {
namespace {

namespace fs = std::filesystem;
using linemeter::ChannelReading;
using linemeter::Description;

// The most sample lines the check shows, and the most bytes it reads.
constexpr std::size_t kMostSampleLines = 100000;
constexpr std::size_t kMostSampleBytes = 64 << 20;

// The component every description's driver is a copy of: among the shipped drivers of an
// installed toolkit, beside the toolkit's library in the build tree.
std::string SharedComponent() {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&cls_DeviceTool::ProgId), &info) || !info.dli_fname) {
        throw tlx::Error("the toolkit's library cannot be found");
    }
    const fs::path libraries = fs::path(info.dli_fname).parent_path();
    const fs::path installed = libraries / "vodex" / "drivers" / "Vodex_LineMeter.so";
    std::error_code ec;
    if (fs::is_regular_file(installed, ec)) return installed.string();
    const fs::path built = libraries / "Vodex_LineMeter.so";
    if (!fs::is_regular_file(built, ec)) {
        throw tlx::Error("the component of the text-line meters is missing: " + installed.string());
    }
    return built.string();
}

std::string ReadingText(const linemeter::ChannelDescription& c, const ChannelReading& r) {
    switch (r.kind) {
        case ChannelReading::Kind::Value: {
            char number[32];
            std::snprintf(number, sizeof number, "%.10g", r.value);
            return std::string(number) + (c.unit.empty() ? "" : " " + c.unit);
        }
        case ChannelReading::Kind::Over:
            return Say("über dem Höchstwert", "above its maximum") + (" (" + r.captured + ")");
        case ChannelReading::Kind::Under:
            return Say("unter dem Mindestwert", "below its minimum") + (" (" + r.captured + ")");
        case ChannelReading::Kind::NotANumber:
            return Say("keine Zahl: ", "no number: ") + ("\"" + r.captured + "\"");
        case ChannelReading::Kind::NoMatch:
            break;
    }
    return Say("passt nicht", "no match");
}

void ShowLine(const Description& d, const std::string& line) {
    std::printf("%s\n", Shown(line).c_str());
    for (const auto& c : d.channels)
        std::printf("  %s: %s\n", Shown(c.name).c_str(),
                    Shown(ReadingText(c, linemeter::ReadChannel(c, line))).c_str());
}

}  // namespace

StagedLineMeter::StagedLineMeter(const std::string& description) {
    const Description d = linemeter::ReadDescription(description);
    const std::string cls = linemeter::DriverClass(d);
    const std::string shared = SharedComponent();
    char pattern[] = "/tmp/vodex-linemeter-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (!made) throw tlx::Error("no temporary folder for the driver of " + description);
    folder_ = made;
    component_ = folder_ + "/" + cls + ".so";
    try {
        fs::copy_file(shared, component_);
        fs::copy_file(description, folder_ + "/" + cls + ".linemeter");
    } catch (const fs::filesystem_error& e) {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);  // the destructor does not run for a throwing constructor
        throw tlx::Error("the driver of " + description + " cannot be made: " + e.what());
    }
}

StagedLineMeter::~StagedLineMeter() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

bool IsLineMeterDescription(const std::string& file) {
    return tlx::UCase(file).ends_with(".LINEMETER");
}

int LineMeter(const Args& args) {
    const Arguments a(args, "linemeter");
    if (a.Positional().size() != 2 || a.Positional()[0] != "check") {
        throw UsageError("'linemeter' needs: check FILE");
    }
    const std::string file = a.Positional()[1];
    const Description d = linemeter::ReadDescription(file);
    const std::string mode = !d.request.empty() ? Say("wird gefragt", "asked with a request")
                                                : Say("sendet von selbst", "streaming");
    std::printf("%s: %s \"%s\", %zu %s, %s\n", Shown(file).c_str(),
                linemeter::DriverClass(d).c_str(), Shown(d.name).c_str(), d.channels.size(),
                d.channels.size() == 1 ? Say("Kanal", "channel").c_str()
                                       : Say("Kanäle", "channels").c_str(),
                mode.c_str());
    // The sample lines: from standard input when it is no terminal, else the description's.
    if (::isatty(STDIN_FILENO)) {
        for (const std::string& line : d.examples)
            ShowLine(d, line);
        return 0;
    }
    linemeter::LineSplitter splitter;
    std::vector<std::string> lines;
    std::string chunk(4096, '\0');
    std::size_t shown = 0;
    std::size_t read = 0;
    while (shown < kMostSampleLines && read < kMostSampleBytes) {
        std::cin.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(std::cin.gcount());
        if (got == 0) break;
        read += got;
        splitter.Append(std::string_view(chunk.data(), got), lines);
        for (const std::string& line : lines) {
            if (shown++ < kMostSampleLines) ShowLine(d, line);
        }
        lines.clear();
    }
    splitter.Append("\n", lines);  // the last line needs no line end
    for (const std::string& line : lines)
        ShowLine(d, line);
    if (splitter.Overlong() > 0) {
        Tell(std::to_string(splitter.Overlong()) + " " +
             Say("Zeilen länger als 4096 Bytes übergangen",
                 "lines longer than 4096 bytes passed over"));
    }
    return 0;
}

}  // namespace vodex::cli
