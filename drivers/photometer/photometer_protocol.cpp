#include "photometer_protocol.h"

#include <charconv>
#include <cmath>

#include "vodex/drivers/line_protocol.h"

namespace vodex::photometer {
namespace {

using line_protocol::Number;
using line_protocol::WithoutLineEnd;

bool Printable(std::string_view text) {
    for (char c : text) {
        if (c >= 0 && c < ' ') return false;
    }
    return true;
}

// "400:0.0123,401:0.0130": the points of a data line, each wavelength inside the range and each
// absorbance finite; nothing when one is not.
std::optional<std::vector<std::pair<double, double>>> Points(std::string_view text) {
    std::vector<std::pair<double, double>> points;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        const std::string_view point = text.substr(start, comma - start);
        const std::size_t colon = point.find(':');
        double x = 0, y = 0;
        if (colon == std::string_view::npos || !Number(point.substr(0, colon), x) ||
            !Number(point.substr(colon + 1), y) || x < kLowestWave || x > kHighestWave ||
            points.size() == kMostChunkPoints) {
            return std::nullopt;
        }
        points.emplace_back(x, y);
        if (comma == std::string_view::npos) return points;
        start = comma + 1;
    }
}

}  // namespace

Answer ParseAnswer(std::string_view line) {
    line = WithoutLineEnd(line);
    Answer a;
    if (!Printable(line)) return a;
    if (line == "OK") {
        a.kind = Answer::Kind::Ok;
    } else if (line == "END") {
        a.kind = Answer::Kind::End;
    } else if (line == "END ABORTED") {
        a.kind = Answer::Kind::Aborted;
    } else if (line.starts_with("ERR ")) {
        const std::string_view rest = line.substr(4);
        const std::size_t blank = rest.find(' ');
        const std::string_view code = rest.substr(0, blank);
        const auto [end, ec] = std::from_chars(code.data(), code.data() + code.size(), a.code);
        if (ec != std::errc() || end != code.data() + code.size()) return {};
        a.text = blank == std::string_view::npos ? "" : std::string(rest.substr(blank + 1));
        a.kind = Answer::Kind::Error;
    } else if (line == "ABS OVER") {
        a.kind = Answer::Kind::Over;
        a.word = "ABS";
    } else if (line.starts_with("WL ") || line.starts_with("ABS ") || line.starts_with("TRA ")) {
        const std::size_t blank = line.find(' ');
        if (!Number(line.substr(blank + 1), a.value)) return {};
        a.word = std::string(line.substr(0, blank));
        a.kind = Answer::Kind::Value;
    } else if (line.starts_with("SCAN ")) {
        if (!Number(line.substr(5), a.value) || a.value < 1 || a.value > kMostScanPoints ||
            a.value != std::floor(a.value)) {
            return {};
        }
        a.kind = Answer::Kind::ScanStart;
    } else if (line.starts_with("D ")) {
        auto points = Points(line.substr(2));
        if (!points) return {};
        a.points = std::move(*points);
        a.kind = Answer::Kind::Data;
    } else {
        // An identity: four fields, a maker and a model.
        std::size_t fields = 1;
        for (char c : line)
            fields += c == ',' ? 1 : 0;
        if (fields != 4 || line.front() == ',' || line.find(",,") == 0) return {};
        if (line.substr(0, line.find(',')).empty()) return {};
        const std::string_view model = line.substr(line.find(',') + 1);
        if (model.empty() || model.front() == ',') return {};
        a.text = std::string(line);
        a.kind = Answer::Kind::Identity;
    }
    return a;
}

std::int32_t ScanPoints(double from, double to, double step) {
    if (!(step > 0) || !(to >= from) || from < kLowestWave || to > kHighestWave) return 0;
    const double points = std::floor((to - from) / step + 1e-9) + 1;
    return points > kMostScanPoints ? 0 : static_cast<std::int32_t>(points);
}

}  // namespace vodex::photometer
