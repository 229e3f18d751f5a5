#include "scpi_protocol.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "vodex/drivers/line_protocol.h"

namespace vodex::scpi {
namespace {

using vodex::line_protocol::Number;
using vodex::line_protocol::WithoutLineEnd;

constexpr FunctionInfo kFunctions[] = {
    {Function::VoltageDc, "Gleichspannung", "V", "VOLT:DC", "VDC"},
    {Function::VoltageAc, "Wechselspannung", "V", "VOLT:AC", "VAC"},
    {Function::CurrentDc, "Gleichstrom", "A", "CURR:DC", "ADC"},
    {Function::CurrentAc, "Wechselstrom", "A", "CURR:AC", "AAC"},
    {Function::Resistance, "Widerstand", "Ω", "RES", "OHM"},
    {Function::Frequency, "Frequenz", "Hz", "FREQ", "HZ"},
    {Function::Temperature, "Temperatur", "°C", "TEMP", "TEMP"},
};

// SCPI's mark of a value beyond the range: 9.9E37 (some meters send it negative).
constexpr double kOverload = 9.9e37;

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'a' && x <= 'z' ? x - 32 : x) == (y >= 'a' && y <= 'z' ? y - 32 : y);
           });
}

}  // namespace

std::span<const FunctionInfo> Functions() {
    return kFunctions;
}

std::optional<Function> FunctionNamed(std::string_view option) {
    for (const FunctionInfo& f : kFunctions) {
        if (EqualNoCase(option, f.option)) return f.function;
    }
    return std::nullopt;
}

std::optional<Identity> ParseIdentity(std::string_view line) {
    line = WithoutLineEnd(line);
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(Trimmed(line.substr(start, comma - start)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (fields.size() != 4 || fields[0].empty() || fields[1].empty()) return std::nullopt;
    for (std::string_view f : fields) {
        if (std::any_of(f.begin(), f.end(), [](char c) { return c >= 0 && c < ' '; })) {
            return std::nullopt;
        }
    }
    return Identity{std::string(fields[0]), std::string(fields[1]), std::string(fields[2]),
                    std::string(fields[3])};
}

Reading ParseReading(std::string_view line) {
    double value = 0;
    if (!Number(Trimmed(WithoutLineEnd(line)), value)) return {};
    if (std::fabs(value) >= kOverload * 0.999) return {Reading::Kind::Overload, 0.0};
    return {Reading::Kind::Value, value};
}

std::optional<QueueEntry> ParseQueueEntry(std::string_view line) {
    line = WithoutLineEnd(line);
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    double code = 0;
    if (!Number(Trimmed(line.substr(0, comma)), code) || code != std::floor(code) ||
        std::fabs(code) > 1e6) {
        return std::nullopt;
    }
    std::string_view text = Trimmed(line.substr(comma + 1));
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return std::nullopt;
    return QueueEntry{static_cast<std::int32_t>(code),
                      std::string(text.substr(1, text.size() - 2))};
}

}  // namespace vodex::scpi
