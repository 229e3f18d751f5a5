#include "protocol.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace mymeter {
namespace {

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    return line;
}

// The words of a line, separated by one blank or more (values come right-aligned).
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

// A whole word as a finite number, as "-3.25" or "+120.50".
bool Number(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

}  // namespace

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
