// The help of `vodex`, in one place: the overall help, each command's help with its options,
// the version, and the bash completion, all made from one table of commands. The man page is
// made from the help at build time, so the three cannot drift apart.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vodex::cli {

struct OptionHelp {
    const char* option;  // "--port N"
    const char* text;
};

struct CommandHelp {
    const char* name;      // "measure"
    const char* synopsis;  // what follows "vodex", as "measure CLASS [--port N] ..."
    const char* summary;   // one line
    std::vector<OptionHelp> options;
    bool takesClass = false;  // its first argument is an installed driver class
};

const std::vector<CommandHelp>& Commands();
// The command of `name`, or nothing.
const CommandHelp* FindCommand(std::string_view name);
// "vodex --help": usage, the commands with their summaries, the program's own options.
std::string OverallHelp();
// "vodex help COMMAND" and "vodex COMMAND --help".
std::string CommandHelpText(const CommandHelp& command);
// The commands' help as a section of the man page, in help2man's include format.
std::string ManSections();
// "vodex --version".
std::string VersionText();
// A bash completion script for commands, their options and installed driver classes.
std::string BashCompletion();

}  // namespace vodex::cli
