// Helpers for instruments that answer in lines of text ("S S    120.50 g\r\n"): what most
// balances, meters and thermometers on a serial port speak. Header-only and installed with the
// toolkit, so the toolkit's drivers, the driver template and drivers built elsewhere share them.
#pragma once

#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>
#include <vector>

namespace vodex::line_protocol {

// The line without the carriage returns and line feeds at its end.
inline std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    return line;
}

// The words of a line, separated by one blank or more (values often come right-aligned).
inline std::vector<std::string_view> Words(std::string_view line) {
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

// A whole word as a finite number, as "-3.25" or "+120.50", into `value`; false (and `value`
// unspecified) for anything else.
inline bool Number(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

}  // namespace vodex::line_protocol
