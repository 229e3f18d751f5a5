// A small JSON writer for the command line's --json output.
#pragma once

#include <string>
#include <string_view>

namespace vodex::cli {

// `text` as a JSON string, quotes included.
std::string JsonString(std::string_view text);
// `value` as a JSON number in its shortest exact form; null for what JSON cannot hold.
std::string JsonNumber(double value);
inline std::string JsonBool(bool value) {
    return value ? "true" : "false";
}

}  // namespace vodex::cli
