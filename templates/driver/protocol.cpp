#include "protocol.h"

#include <vector>

#include "vodex/drivers/line_protocol.h"

namespace mymeter {

using vodex::line_protocol::Number;
using vodex::line_protocol::WithoutLineEnd;
using vodex::line_protocol::Words;

std::optional<std::string> ParseIdentity(std::string_view line) {
    line = WithoutLineEnd(line);
    constexpr std::string_view head = "I4 A \"";
    if (!line.starts_with(head) || line.size() < head.size() + 1 || line.back() != '"') {
        return std::nullopt;
    }
    const std::string_view serial = line.substr(head.size(), line.size() - head.size() - 1);
    if (serial.find('"') != std::string_view::npos) return std::nullopt;
    return std::string(serial);
}

Reading ParseReading(std::string_view line) {
    using Kind = Reading::Kind;
    const std::vector<std::string_view> w = Words(WithoutLineEnd(line));
    if (w.size() == 2 && w[0] == "S") {
        if (w[1] == "I") return {Kind::Busy, 0.0};
        if (w[1] == "+") return {Kind::Over, 0.0};
        if (w[1] == "-") return {Kind::Under, 0.0};
    }
    // CHANGE: the unit your instrument answers in; the channel's unit (mymeter.cpp) says the
    // same. Any other unit is no reading of this driver.
    if (w.size() == 4 && w[0] == "S" && (w[1] == "S" || w[1] == "D") && w[3] == "g") {
        double value = 0.0;
        if (Number(w[2], value)) return {w[1] == "S" ? Kind::Value : Kind::Settling, value};
    }
    return {};
}

}  // namespace mymeter
