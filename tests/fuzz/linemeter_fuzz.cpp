// A text-line meter's description followed by what its meter sends, apart at the first line
// "---": a description is read or refused with a message naming the file, never more; the
// meter's bytes give lines no longer than a meter's, and each channel reads a finite value
// within its limits or no value.
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "description.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t apart = input.find("\n---\n");
    const std::string_view text = input.substr(0, apart);
    vodex::linemeter::Description d;
    try {
        d = vodex::linemeter::ParseDescription(text, "fuzz.linemeter");
    } catch (const vodex::linemeter::DescriptionError& e) {
        if (std::string_view(e.what()).substr(0, 14) != "fuzz.linemeter") std::abort();
        return 0;
    }
    if (d.channels.empty() || d.id.empty()) std::abort();
    if (apart == std::string_view::npos) return 0;
    vodex::linemeter::LineSplitter splitter;
    std::vector<std::string> lines;
    splitter.Append(input.substr(apart + 5), lines);
    for (const std::string& line : lines) {
        if (line.empty() || line.size() > vodex::linemeter::kMostLineBytes) std::abort();
        for (const auto& c : d.channels) {
            const auto r = vodex::linemeter::ReadChannel(c, line);
            if (r.kind != vodex::linemeter::ChannelReading::Kind::Value) continue;
            if (!std::isfinite(r.value) || (c.min && r.value < *c.min) ||
                (c.max && r.value > *c.max)) {
                std::abort();
            }
        }
    }
    return 0;
}
