#include "help.h"

#include <set>

namespace vodex::cli {

std::string OverallHelp() {
    std::string text =
        "Usage: vodex [--log LEVEL] COMMAND [ARGUMENTS...]\n"
        "Lists, tests and installs the drivers of measuring instruments, and measures with them.\n"
        "\nCommands:\n";
    for (const Command& c : Commands()) {
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

std::string CommandHelpText(const Command& command) {
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
    for (const Command& c : Commands()) {
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
    for (const Command& c : Commands()) {
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
