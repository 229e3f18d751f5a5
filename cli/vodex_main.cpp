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
//
// Exit code 0 on success, 2 for a usage error, 1 for a failure, with a one-line message on
// standard error.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "arguments.h"
#include "commands.h"
#include "tlx/tools.h"
#include "tlx/ui.h"

namespace {

const char* const kUsage =
    "usage: vodex drivers [--all] [--json]\n"
    "       vodex info CLASS [--json]\n"
    "       vodex measure CLASS [--port N] [--channels 1,3,...] [--cycles N] [--interval S]\n"
    "                           [--format table|csv|json | --json]\n"
    "       vodex enable CLASS | disable CLASS | check\n"
    "       vodex install [--quiet] PACKAGE.msi | COMPONENT\n"
    "       vodex uninstall [--quiet] CLASS\n"
    "       vodex package [--out FOLDER] [--quiet] COMPONENT\n"
    "       vodex packages [--folder FOLDER] [--json]\n"
    "       vodex detect [--logger] [--json]\n"
    "       vodex ports [--json] | ports set N PATH | ports reset N\n";

}  // namespace

int main(int argc, char** argv) {
    using Command = int (*)(const vodex::cli::Args&);
    const std::map<std::string, Command> commands = {
        {"drivers", vodex::cli::Drivers},     {"info", vodex::cli::Info},
        {"measure", vodex::cli::Measure},     {"enable", vodex::cli::Enable},
        {"disable", vodex::cli::Disable},     {"check", vodex::cli::Check},
        {"install", vodex::cli::Install},     {"detect", vodex::cli::Detect},
        {"ports", vodex::cli::Ports},         {"package", vodex::cli::Package},
        {"uninstall", vodex::cli::Uninstall}, {"packages", vodex::cli::Packages},
    };
    tlx::SetUiProvider(nullptr);  // a command line never opens windows, even on a desktop
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "help" || name == "-h") {
        std::fputs(kUsage, stdout);
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
        return command->second(args);
    } catch (const vodex::cli::UsageError& e) {
        return fail(e.what(), 2);
    } catch (const std::exception& e) {
        return fail(e.what(), 1);
    }
}
