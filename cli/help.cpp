#include "help.h"

#include <set>

namespace vodex::cli {

const std::vector<CommandHelp>& Commands() {
    static const std::vector<CommandHelp> commands = {
        {"drivers",
         "drivers [--all] [--json]",
         "List the installed drivers with name, maker, version and state.",
         {{"--all", "also list the disabled drivers"}, {"--json", "write a JSON array"}}},
        {"info",
         "info CLASS [--json]",
         "Describe a driver: what it can do, its channels and its ports.",
         {{"--json", "write a JSON object"}},
         true},
        {"measure",
         "measure CLASS [--port N] [--channels 1,3,...] [--cycles N] [--interval S] "
         "[--format table|csv|json | --json]",
         "Connect a driver's device and measure its channels.",
         {{"--port N",
           "the port number to connect on, 1 to 32 (the driver's first port when not given)"},
          {"--channels 1,3,...", "the channels to measure (all when not given)"},
          {"--cycles N", "how many measuring cycles (10 when not given; 0: until Ctrl-C)"},
          {"--interval S", "seconds of pause between the cycles (0.5 when not given)"},
          {"--format F", "table (the default), csv or json (one object per cycle)"},
          {"--json", "the same as --format json"}},
         true},
        {"enable", "enable CLASS", "Make a disabled driver active again.", {}, true},
        {"disable",
         "disable CLASS",
         "Disable a driver: measuring programs are no longer offered it.",
         {},
         true},
        {"check",
         "check",
         "Read the installed drivers anew and say how many are installed and active.",
         {}},
        {"install",
         "install [--quiet] PACKAGE.msi | COMPONENT",
         "Install a driver package, or register a driver's component file.",
         {{"--quiet", "say nothing on success"}}},
        {"uninstall",
         "uninstall [--quiet] CLASS",
         "Remove an installed driver, its files and its registry values.",
         {{"--quiet", "say nothing on success"}},
         true},
        {"package",
         "package [--out FOLDER] [--quiet] COMPONENT",
         "Make a driver package (vodex_<class>.msi) and its description files.",
         {{"--out FOLDER", "where to write them (the current folder when not given)"},
          {"--quiet", "say nothing on success"}}},
        {"packages",
         "packages [--folder FOLDER] [--json]",
         "List every driver known from the installed ones, a driver folder and the catalogue.",
         {{"--folder FOLDER", "the driver folder to compare with"},
          {"--json", "write a JSON array"}}},
        {"detect",
         "detect [--logger] [--json]",
         "Search the serial ports for connected instruments.",
         {{"--logger", "try only the drivers of data loggers"}, {"--json", "write a JSON array"}}},
        {"ports",
         "ports [--json] | ports set N PATH | ports reset N",
         "Show or change which device file each port number opens.",
         {{"--json", "write a JSON array"},
          {"set N PATH", "let port N open PATH"},
          {"reset N", "give port N its default device file again"}}},
        {"language",
         "language [DE|EN|auto]",
         "Show or choose the interface language of the programs and windows for this user; "
         "auto lets the system's language decide. The choice takes effect at the next start.",
         {}},
    };
    return commands;
}

const CommandHelp* FindCommand(std::string_view name) {
    for (const CommandHelp& c : Commands()) {
        if (name == c.name) return &c;
    }
    return nullptr;
}

std::string OverallHelp() {
    std::string text =
        "Usage: vodex [--log LEVEL] COMMAND [ARGUMENTS...]\n"
        "Lists, tests and installs the drivers of measuring instruments, and measures with them.\n"
        "\nCommands:\n";
    for (const CommandHelp& c : Commands()) {
        std::string name = std::string("  ") + c.name;
        name.resize(14, ' ');
        text += name + c.summary + "\n";
    }
    text +=
        "\nOptions:\n"
        "  -h, --help     show this help ('vodex help COMMAND' or 'vodex COMMAND --help' show\n"
        "                 a command's help with its options)\n"
        "  -V, --version  show the version\n"
        "  --log LEVEL    write the log up to LEVEL to standard error: error (the default),\n"
        "                 warning, info or debug (the bytes the serial ports send and\n"
        "                 receive); the same as VODEX_LOG=LEVEL\n"
        "\nExit status: 0 on success, 1 for a failure, 2 for a usage error; a failure is named in\n"
        "one line on standard error.\n";
    return text;
}

std::string CommandHelpText(const CommandHelp& command) {
    std::string text =
        std::string("Usage: vodex ") + command.synopsis + "\n" + command.summary + "\n";
    if (!command.options.empty()) {
        text += "\nOptions:\n";
        for (const OptionHelp& o : command.options) {
            std::string option = std::string("  ") + o.option;
            option.resize(option.size() < 22 ? 22 : option.size() + 2, ' ');
            text += option + o.text + "\n";
        }
    }
    return text;
}

std::string ManSections() {
    // help2man's include format: a section name in brackets, then the section's roff.
    std::string text = "[COMMANDS]\n";
    for (const CommandHelp& c : Commands()) {
        text += std::string(".SS ") + c.name + "\n.nf\n";
        for (const char ch : CommandHelpText(c)) {
            if (ch == '\\') {
                text += "\\e";
            } else {
                text += ch;
            }
        }
        text += ".fi\n";
    }
    return text;
}

std::string VersionText() {
    return "vodex " + std::to_string(VODEX_VERSION_MAJOR) + "." +
           std::to_string(VODEX_VERSION_MINOR) + "." + std::to_string(VODEX_VERSION_REVISION) +
           "\n";
}

std::string BashCompletion() {
    std::string commands, classCommands;
    std::string cases;
    for (const CommandHelp& c : Commands()) {
        commands += std::string(commands.empty() ? "" : " ") + c.name;
        if (c.takesClass) classCommands += std::string(classCommands.empty() ? "" : "|") + c.name;
        std::set<std::string> words;
        for (const OptionHelp& o : c.options) {
            std::string word = o.option;
            word = word.substr(0, word.find(' '));
            words.insert(word);
        }
        std::string list;
        for (const std::string& w : words)
            list += (list.empty() ? "" : " ") + w;
        cases += std::string("        ") + c.name + ") options=\"" + list + " --help\" ;;\n";
    }
    return "# bash completion for vodex: commands, their options and installed driver classes.\n"
           "_vodex() {\n"
           "    local current=${COMP_WORDS[COMP_CWORD]}\n"
           "    if [[ $COMP_CWORD -eq 1 ]]; then\n"
           "        COMPREPLY=($(compgen -W \"" +
           commands +
           " help --help --version\" -- \"$current\"))\n"
           "        return\n"
           "    fi\n"
           "    local command=${COMP_WORDS[1]} options=\"\"\n"
           "    case $command in\n" +
           cases + "        help) COMPREPLY=($(compgen -W \"" + commands +
           "\" -- \"$current\")); return ;;\n"
           "    esac\n"
           "    if [[ $current == -* ]]; then\n"
           "        COMPREPLY=($(compgen -W \"$options\" -- \"$current\"))\n"
           "    elif [[ $COMP_CWORD -eq 2 && $command =~ ^(" +
           classCommands +
           ")$ ]]; then\n"
           "        local classes\n"
           "        classes=$(\"${COMP_WORDS[0]}\" drivers --all --json 2>/dev/null |\n"
           "                  grep -o '\"class\":\"[^\"]*\"' | cut -d'\"' -f4)\n"
           "        COMPREPLY=($(compgen -W \"$classes\" -- \"$current\"))\n"
           "    else\n"
           "        COMPREPLY=($(compgen -f -- \"$current\"))\n"
           "    fi\n"
           "}\n"
           "complete -F _vodex vodex\n";
}

}  // namespace vodex::cli
