// The command line's --json output, written by nlohmann::json. Objects keep their keys in the
// order they were given, so the output reads the same on every run.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace vodex::cli {

using Json = nlohmann::ordered_json;

// `value` as compact JSON text. Every text in it (keys included) is made valid UTF-8 first: a
// driver's text in the ANSI code page keeps its characters instead of breaking the output.
// Numbers that JSON cannot hold (NaN, infinities) are written as null.
std::string JsonText(Json value);
// `text` with each byte that starts no well-formed UTF-8 sequence replaced by the character
// the ANSI code page gives it.
std::string ValidUtf8(std::string_view text);

}  // namespace vodex::cli
