// The commands of `vodex` as one table: each row names a command, its synopsis, its summary,
// its options and the function that runs it. The help, the man page, the bash completion, the
// options the argument reader accepts and the program's dispatch are all made from it, so a new
// command is a row here and a function in commands.h.
#pragma once

#include <string_view>
#include <vector>

#include "commands.h"

namespace vodex::cli {

struct OptionHelp {
    const char* option;  // "--port N"
    const char* text;
};

struct Command {
    const char* name;      // "measure"
    const char* synopsis;  // what follows "vodex", as "measure CLASS [--port N] ..."
    const char* summary;   // one line
    std::vector<OptionHelp> options;
    bool takesClass = false;  // its first argument is an installed driver class
    int (*run)(const Args& args) = nullptr;
};

const std::vector<Command>& Commands();
// The command of `name`, or nothing.
const Command* FindCommand(std::string_view name);

}  // namespace vodex::cli
