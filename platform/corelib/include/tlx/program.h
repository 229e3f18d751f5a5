// What every program of the toolkit answers before it does anything else: "--help" (or "-h"
// alone) prints its help, "--version" (or "-V" alone) its name and the toolkit's version, both
// on standard output, without a window and whatever else the command line holds.
#pragma once

#include <optional>
#include <string_view>

namespace tlx {

// The exit code 0 when the first argument asked for the help or the version (and it was
// printed); nothing otherwise.
std::optional<int> AnswerHelpOrVersion(int argc, char** argv, std::string_view program,
                                       std::string_view help);

}  // namespace tlx
