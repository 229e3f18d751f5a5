// vodex-sim: a virtual instrument on a pseudo-terminal, until interrupted.
//
//   vodex-sim balance --link PATH [--weight GRAMS] [--serial TEXT]
//
// Map a port number to PATH (vodex ports set N PATH) and measure it like a real instrument.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "vodex/sim/virtual_balance.h"

namespace {

constexpr const char* kHelp =
    "Usage: vodex-sim balance --link PATH [--weight GRAMS] [--serial TEXT]\n"
    "A virtual balance on a pseudo-terminal, answering like a real one until interrupted.\n"
    "Map a port number to PATH (vodex ports set N PATH) and measure it like a real instrument.\n"
    "\n"
    "Options:\n"
    "  --link PATH      where the balance's side appears (a link to its terminal)\n"
    "  --weight GRAMS   the weight on the balance (0 when not given)\n"
    "  --serial TEXT    the serial number it gives when asked\n"
    "  -h, --help       show this help\n"
    "  -V, --version    show the version\n";

int Usage() {
    std::fputs(kHelp, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string first = argc > 1 ? argv[1] : "";
    if (first == "--help" || first == "-h") {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (first == "--version" || first == "-V") {
        std::printf("vodex-sim %d.%d.%d\n", VODEX_VERSION_MAJOR, VODEX_VERSION_MINOR,
                    VODEX_VERSION_REVISION);
        return 0;
    }
    if (first != "balance") return Usage();
    vodex::sim::VirtualBalance::Options options;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return Usage();
        const std::string value = argv[++i];
        if (arg == "--link") {
            options.link = value;
        } else if (arg == "--weight") {
            char* end = nullptr;
            options.weight = std::strtod(value.c_str(), &end);
            if (end == value.c_str() || *end != '\0') return Usage();
        } else if (arg == "--serial") {
            options.serialNumber = value;
        } else {
            return Usage();
        }
    }
    if (options.link.empty()) return Usage();
    // The signals are taken by sigwait below, never by the instrument's thread.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGHUP);  // its terminal closed: end and take the link away too
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    try {
        vodex::sim::VirtualBalance balance(options);
        std::printf("balance on %s (terminal %s), %.2f g; Ctrl-C ends it\n", balance.Path().c_str(),
                    balance.DevicePath().c_str(), options.weight);
        std::fflush(stdout);
        int signal = 0;
        sigwait(&stop, &signal);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vodex-sim: %s\n", e.what());
        return 1;
    }
    return 0;
}
