// The help of `vodex`: the overall help, each command's help with its options, the version,
// the man page's commands section and the bash completion, all made from the command table, so
// they cannot drift apart from each other or from what the program accepts.
#pragma once

#include <string>

#include "command_table.h"

namespace vodex::cli {

// "vodex --help": usage, the commands with their summaries, the program's own options.
std::string OverallHelp();
// "vodex help COMMAND" and "vodex COMMAND --help".
std::string CommandHelpText(const Command& command);
// The commands' help as a section of the man page, in help2man's include format.
std::string ManSections();
// "vodex --version".
std::string VersionText();
// A bash completion script for commands, their options and installed driver classes.
std::string BashCompletion();

}  // namespace vodex::cli
