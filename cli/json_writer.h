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

// A number as JsonText writes it ("null" for what JSON cannot hold), without building a JSON
// value: for output that is written line after line.
void AppendJsonNumber(std::string& out, double value);
// A text as JsonText writes it: made valid UTF-8, quoted, with quotes, backslashes and control
// characters escaped.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace vodex::cli
