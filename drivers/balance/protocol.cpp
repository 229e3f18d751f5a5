#include "protocol.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace vodex::balance {
namespace {

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    return line;
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ')
            ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

bool Number(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

}  // namespace

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
