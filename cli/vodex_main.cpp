// vodex: the toolkit on the command line, for people without a window system and for scripts.
//
//   vodex drivers [--all] [--json]
//   vodex info CLASS [--json]
//   vodex measure CLASS [--port N] [--channels 1,3,...] [--cycles N] [--interval SECONDS]
//                       [--format table|csv|json | --json]
//   vodex enable CLASS | disable CLASS | check
//   vodex install [--quiet] PACKAGE.msi | COMPONENT
//   vodex uninstall [--quiet] CLASS
//   vodex package [--out FOLDER] [--quiet] COMPONENT
//   vodex packages [--folder FOLDER] [--json]
//   vodex detect [--logger] [--json]
//   vodex ports [--json] | ports set N PATH | ports reset N
//   vodex language [DE|EN|auto]
//
// "vodex --log LEVEL COMMAND ..." writes the log up to LEVEL (see tlx/log.h).
//
// Exit code 0 on success, 2 for a usage error, 1 for a failure, with a one-line message on
// standard error. "vodex --help", "vodex help COMMAND" and "vodex COMMAND --help" describe the
// commands (command_table.cpp holds them; the help, the man page and the completion are made
// from it).
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "arguments.h"
#include "command_table.h"
#include "help.h"
#include "tlx/log.h"
#include "tlx/tools.h"
#include "tlx/ui.h"
#include "vodex/core/device_tool.h"
#include "vodex/text/language.h"

namespace {

using vodex::cli::Tell;

// "--log LEVEL" or "--log=LEVEL" before the command sets the log's level, for this program and
// the programs it starts, through the environment the log reads; the option is taken out of
// the arguments. Gives an exit code when the option is wrong.
std::optional<int> TakeLogOption(int& argc, char**& argv) {
    if (argc < 2 || !std::string_view(argv[1]).starts_with("--log")) return std::nullopt;
    const std::string_view option = argv[1];
    const bool joined = option.starts_with("--log=");
    if (!joined && option != "--log") {
        Tell("unknown option '" + std::string(option) + "'; 'vodex help' lists the options");
        return 2;
    }
    const char* level = joined ? argv[1] + 6 : (argc >= 3 ? argv[2] : "");
    tlx::LogLevel named = tlx::LogLevel::Error;
    if (!tlx::LogLevelNamed(level, named)) {
        Tell("--log needs a level: error, warning, info or debug");
        return 2;
    }
    ::setenv("VODEX_LOG", level, 1);
    const int used = joined ? 1 : 2;
    argv[used] = argv[0];
    argv += used;
    argc -= used;
    return std::nullopt;
}

int Write(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    return 0;
}

// The program's own options and the help of the commands: "--help", "--version", what the
// build writes the completion script and the man page with, "vodex help COMMAND" and
// "vodex COMMAND --help". Gives an exit code when the arguments asked for one of these.
std::optional<int> AnswerHelp(int argc, char** argv) {
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || (name == "help" && argc == 2)) {
        return Write(vodex::cli::OverallHelp());
    }
    if (name == "--version" || name == "-V") return Write(vodex::cli::VersionText());
    if (name == "--bash-completion") return Write(vodex::cli::BashCompletion());
    if (name == "--man-sections") return Write(vodex::cli::ManSections());
    bool wantsHelp = name == "help";
    for (int i = 2; i < argc && !wantsHelp; ++i) {
        const std::string_view arg = argv[i];
        wantsHelp = arg == "--help" || arg == "-h";
    }
    if (!wantsHelp) return std::nullopt;
    const std::string helped = name == "help" ? argv[2] : argv[1];
    const vodex::cli::Command* command = vodex::cli::FindCommand(helped);
    if (!command) {
        Tell("unknown command '" + helped + "'; 'vodex help' lists the commands");
        return 2;
    }
    return Write(vodex::cli::CommandHelpText(*command));
}

// Runs `command` with its arguments; every message stays on one line, whatever the arguments
// or paths in it hold.
int Run(const vodex::cli::Command& command, const vodex::cli::Args& args) {
    try {
        // A hive that cannot be used is named, with the reason, before anything reads it and
        // takes its silence for an empty registry.
        tlx::CoreTools().REGISTRY().CHECK(tlx::HKEY_LOCAL_MACHINE);
        tlx::CoreTools().REGISTRY().CHECK(tlx::HKEY_CURRENT_USER);
        vodex::hLanguageInit();  // every text from here on is in the user's language
        // What the registry could not do as it started (a shipped driver it could not install
        // on first use) is said once, and the command goes on with what there is.
        if (const std::string why = vodex::DeviceTool()->TakeLastError(); !why.empty()) {
            Tell(why);
        }
        return command.run(args);
    } catch (const vodex::cli::UsageError& e) {
        Tell(e.what());
        return 2;
    } catch (const std::exception& e) {
        Tell(e.what());
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    tlx::SetUiProvider(nullptr);  // a command line never opens windows, even on a desktop
    if (const auto code = TakeLogOption(argc, argv)) return *code;
    if (argc < 2) {
        std::fputs(vodex::cli::OverallHelp().c_str(), stderr);
        return 2;
    }
    if (const auto code = AnswerHelp(argc, argv)) return *code;
    const vodex::cli::Command* command = vodex::cli::FindCommand(argv[1]);
    if (!command) {
        Tell("unknown command '" + std::string(argv[1]) + "'; 'vodex help' lists the commands");
        return 2;
    }
    return Run(*command, vodex::cli::Args(argv + 2, argv + argc));
}
