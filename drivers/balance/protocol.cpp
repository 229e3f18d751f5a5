#include "protocol.h"

#include <vector>

#include "vodex/drivers/line_protocol.h"

namespace vodex::balance {

using vodex::line_protocol::Number;
using vodex::line_protocol::WithoutLineEnd;
using vodex::line_protocol::Words;

Weight ParseWeight(std::string_view line) {
    const std::vector<std::string_view> w = Words(WithoutLineEnd(line));
    if (w.size() < 2 || w[0] != "S") return {};
    if (w.size() == 2) {
        if (w[1] == "+") return {Reading::Overload, 0};
        if (w[1] == "-") return {Reading::Underload, 0};
        if (w[1] == "I") return {Reading::NotNow, 0};
        return {};
    }
    if (w.size() != 4 || (w[1] != "S" && w[1] != "D")) return {};
    double value = 0;
    if (!Number(w[2], value)) return {};
    double factor = 0;
    if (w[3] == "g") {
        factor = 1;
    } else if (w[3] == "kg") {
        factor = 1000;
    } else if (w[3] == "mg") {
        factor = 0.001;
    } else {
        return {};
    }
    return {w[1] == "S" ? Reading::Stable : Reading::Dynamic, value * factor};
}

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

bool ParseZeroed(std::string_view line) {
    return WithoutLineEnd(line) == "Z A";
}

}  // namespace vodex::balance
