// The installer of driver packages:
//
//   vodex_msiexec [/norestart] [/passive | /quiet] /i PACKAGE
//   vodex_msiexec [/norestart] [/passive | /quiet] /uninstall PACKAGE-OR-PRODUCT-CODE
//   vodex_msiexec [/passive | /quiet] /x PRODUCT-CODE-OR-PACKAGE
//
// Installing is all-or-nothing; /uninstall and /x both take a product code or a package. A
// package of the toolkit itself (a Debian package, as the toolkit update downloads it) goes to
// the system's package tool.
// Options are not case-sensitive and may start with "-". Ctrl-C (SIGINT, SIGTERM, SIGHUP)
// stops an installation that has not switched its driver over yet, leaving nothing of it. The
// results are the installer's well-known codes: 0 success, 1602 stopped, 1603 a fatal error, 1605
// an unknown product, 1618 another installation in progress, 1619 a package that cannot be opened,
// 1620 an invalid package, 1639 a command line it does not understand. An exit status holds one
// byte here, so the program exits with the code's low byte (1603 - 1536 = 67, ...; every code is
// 1536 plus its status), and names the whole code at the end of the one line that says on standard
// error what failed. /quiet keeps the success line off standard output.
#include <cstdio>
#include <string>

#include "installer.h"
#include "tlx/text.h"

namespace {

constexpr const char* kHelp =
    "Usage: vodex_msiexec [/norestart] [/passive | /quiet] /i PACKAGE\n"
    "  or:  vodex_msiexec [/norestart] [/passive | /quiet] /uninstall PACKAGE\n"
    "  or:  vodex_msiexec [/norestart] [/passive | /quiet] /x PRODUCTCODE\n"
    "Installs and removes driver packages, all-or-nothing; a package of the toolkit itself goes\n"
    "to the system's package tool.\n"
    "\n"
    "Options:\n"
    "  /i PACKAGE            install the package (a newer one replaces the installed driver)\n"
    "  /uninstall, /x CODE   remove the product of a product code or of a package\n"
    "  /passive              say in one line what was done (the default)\n"
    "  /quiet                say nothing on success\n"
    "  /norestart            accepted; nothing here needs a restart\n"
    "  -h, --help            show this help\n"
    "  -V, --version         show the version\n"
    "\n"
    "Exit status: the installer's code less 1536 (0 success, 66 stopped, 67 a fatal error, 69\n"
    "an unknown product, 82 another installation running, 83 a package that cannot be opened,\n"
    "84 an invalid package, 103 a command line it does not understand); the whole code ends\n"
    "the one line on standard error that says what failed.\n";

int Usage() {
    std::fputs(kHelp, stderr);
    return tlx::installer::kBadCommandLine & 0xff;
}

}  // namespace

namespace tlx::installer {

int Main(int argc, char** argv) {
    const std::string first = argc > 1 ? argv[1] : "";
    if (first == "--help" || first == "-h") {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (first == "--version" || first == "-V") {
        std::printf("vodex_msiexec %d.%d.%d\n", VODEX_VERSION_MAJOR, VODEX_VERSION_MINOR,
                    VODEX_VERSION_REVISION);
        return 0;
    }
    enum class Action { None, Install, Uninstall } action = Action::None;
    std::string target;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return Usage();
        const std::string option = tlx::UCase(arg.substr(1));
        if (option == "NORESTART" || option == "PASSIVE" || option == "QB") continue;
        if (option == "QUIET" || option == "QN" || option == "Q") {
            quiet = true;
            continue;
        }
        const bool install = option == "I" || option == "PACKAGE";
        const bool uninstall = option == "X" || option == "UNINSTALL";
        if ((!install && !uninstall) || action != Action::None || i + 1 >= argc) return Usage();
        action = install ? Action::Install : Action::Uninstall;
        target = argv[++i];
    }
    if (action == Action::None || target.empty()) return Usage();
    tlx::installer::StopOnSignals();
    tlx::installer::Outcome outcome;
    // Whatever fails outside the installer's own steps (a driver folder that cannot be made,
    // a hive that cannot be read) ends as a failed installation with its reason, never as an
    // aborted program.
    try {
        outcome = action == Action::Uninstall ? tlx::installer::Uninstall(target)
                  : tlx::installer::IsToolkitPackage(target)
                      ? tlx::installer::InstallToolkit(target)
                      : tlx::installer::Install(target);
    } catch (const std::exception& e) {
        outcome = {tlx::installer::kFatal, e.what()};
    } catch (...) {
        outcome = {tlx::installer::kFatal, "the installer failed for an unknown reason"};
    }
    if (outcome.code != tlx::installer::kSuccess) {
        std::fprintf(stderr, "vodex_msiexec: %s (%d)\n", tlx::OneLine(outcome.message).c_str(),
                     outcome.code);
    } else if (!quiet) {
        std::printf("%s\n", tlx::OneLine(outcome.message).c_str());
    }
    return outcome.code & 0xff;
}

}  // namespace tlx::installer
