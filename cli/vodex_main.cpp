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
// commands (help.cpp holds every help text; the man page is made from them).
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "arguments.h"
#include "commands.h"
#include "help.h"
#include "tlx/log.h"
#include "tlx/tools.h"
#include "tlx/ui.h"
#include "vodex/core/device_tool.h"
#include "vodex/text/language.h"

int main(int argc, char** argv) {
    using Command = int (*)(const vodex::cli::Args&);
    const std::map<std::string, Command> commands = {
        {"drivers", vodex::cli::Drivers},     {"info", vodex::cli::Info},
        {"measure", vodex::cli::Measure},     {"enable", vodex::cli::Enable},
        {"disable", vodex::cli::Disable},     {"check", vodex::cli::Check},
        {"install", vodex::cli::Install},     {"detect", vodex::cli::Detect},
        {"ports", vodex::cli::Ports},         {"package", vodex::cli::Package},
        {"uninstall", vodex::cli::Uninstall}, {"packages", vodex::cli::Packages},
        {"language", vodex::cli::Language},
    };
    tlx::SetUiProvider(nullptr);  // a command line never opens windows, even on a desktop
    // "--log LEVEL" or "--log=LEVEL" before the command: the log's level, for this program
    // and the programs it starts, through the environment the log reads.
    if (argc >= 2 && std::string_view(argv[1]).starts_with("--log")) {
        const std::string_view option = argv[1];
        const bool joined = option.starts_with("--log=");
        if (!joined && option != "--log") {
            vodex::cli::Tell("unknown option '" + std::string(option) +
                             "'; 'vodex help' lists the options");
            return 2;
        }
        const char* level = joined ? argv[1] + 6 : (argc >= 3 ? argv[2] : "");
        tlx::LogLevel named = tlx::LogLevel::Error;
        if (!tlx::LogLevelNamed(level, named)) {
            vodex::cli::Tell("--log needs a level: error, warning, info or debug");
            return 2;
        }
        ::setenv("VODEX_LOG", level, 1);
        const int used = joined ? 1 : 2;
        argv[used] = argv[0];
        argv += used;
        argc -= used;
    }
    if (argc < 2) {
        std::fputs(vodex::cli::OverallHelp().c_str(), stderr);
        return 2;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || (name == "help" && argc == 2)) {
        std::fputs(vodex::cli::OverallHelp().c_str(), stdout);
        return 0;
    }
    if (name == "--version" || name == "-V") {
        std::fputs(vodex::cli::VersionText().c_str(), stdout);
        return 0;
    }
    // The build writes the completion script and the man page's commands section with these.
    if (name == "--bash-completion" || name == "--man-sections") {
        const std::string text =
            name == "--bash-completion" ? vodex::cli::BashCompletion() : vodex::cli::ManSections();
        std::fputs(text.c_str(), stdout);
        return 0;
    }
    // "vodex help COMMAND" and "vodex COMMAND --help".
    const std::string helped = name == "help" ? argv[2] : name;
    bool wantsHelp = name == "help";
    for (int i = 2; i < argc && !wantsHelp; ++i) {
        const std::string arg = argv[i];
        wantsHelp = arg == "--help" || arg == "-h";
    }
    if (wantsHelp) {
        const vodex::cli::CommandHelp* help = vodex::cli::FindCommand(helped);
        if (!help) {
            vodex::cli::Tell("unknown command '" + helped + "'; 'vodex help' lists the commands");
            return 2;
        }
        std::fputs(vodex::cli::CommandHelpText(*help).c_str(), stdout);
        return 0;
    }
    // Every message stays on one line, whatever the arguments or paths in it hold.
    auto fail = [](const std::string& what, int code) {
        vodex::cli::Tell(what);
        return code;
    };
    auto command = commands.find(name);
    if (command == commands.end()) {
        return fail("unknown command '" + name + "'; 'vodex help' lists the commands", 2);
    }
    try {
        const vodex::cli::Args args(argv + 2, argv + argc);
        // A hive that cannot be used is named, with the reason, before anything reads it and
        // takes its silence for an empty registry.
        tlx::CoreTools().REGISTRY().CHECK(tlx::HKEY_LOCAL_MACHINE);
        tlx::CoreTools().REGISTRY().CHECK(tlx::HKEY_CURRENT_USER);
        vodex::hLanguageInit();  // every text from here on is in the user's language
        // What the registry could not do as it started (a shipped driver it could not install
        // on first use) is said once, and the command goes on with what there is.
        if (const std::string why = vodex::DeviceTool()->TakeLastError(); !why.empty()) {
            vodex::cli::Tell(why);
        }
        return command->second(args);
    } catch (const vodex::cli::UsageError& e) {
        return fail(e.what(), 2);
    } catch (const std::exception& e) {
        return fail(e.what(), 1);
    }
}
