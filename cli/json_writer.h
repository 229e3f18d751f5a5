// The command line's --json output, written by nlohmann::json. Objects keep their keys in the
// order they were given, so the output reads the same on every run.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace vodex::cli {

using Json = nlohmann::ordered_json;

// `value` as compact JSON text. Every text in it is made valid UTF-8 first: a
// driver's text in the ANSI code page keeps its characters instead of breaking the output.
// Numbers that JSON cannot hold (NaN, infinities) are written as null.
std::string JsonText(Json value);

}  // namespace vodex::cli
