// vodex-sim: a virtual instrument on a pseudo-terminal, until interrupted.
//
//   vodex-sim balance --link PATH [--weight GRAMS] [--serial TEXT]
//   vodex-sim multimeter --link PATH [--protocol scpi|dmm14] [--value F=X]... [--function F]
//             [--overload] [--crlf] [--echo] [--drop-bytes P] [--switch-every S]
//   vodex-sim linemeter --link PATH --description FILE [--value CHANNEL=X]... [--every S]
//   vodex-sim photometer --link PATH [--band NM:A:WIDTH]... [--noise A] [--warmup S]
//
// Map a port number to PATH (vodex ports set N PATH) and measure it like a real instrument.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "vodex/sim/virtual_balance.h"
#include "vodex/sim/virtual_linemeter.h"
#include "vodex/sim/virtual_multimeter.h"
#include "vodex/sim/virtual_photometer.h"

namespace {

constexpr const char* kHelp =
    "Usage: vodex-sim balance --link PATH [--weight GRAMS] [--serial TEXT]\n"
    "       vodex-sim multimeter --link PATH [--protocol scpi|dmm14] [--value F=X]...\n"
    "                 [--function F] [--overload] [--crlf] [--echo] [--drop-bytes P]\n"
    "                 [--switch-every S]\n"
    "       vodex-sim linemeter --link PATH --description FILE [--value CHANNEL=X]...\n"
    "                 [--every S]\n"
    "       vodex-sim photometer --link PATH [--band NM:A:WIDTH]... [--noise A] [--warmup S]\n"
    "                 [--pace S]\n"
    "A virtual instrument on a pseudo-terminal, answering like a real one until interrupted.\n"
    "Map a port number to PATH (vodex ports set N PATH) and measure it like a real instrument.\n"
    "\n"
    "Options of the balance:\n"
    "  --link PATH      where the instrument's side appears (a link to its terminal)\n"
    "  --weight GRAMS   the weight on the balance (0 when not given)\n"
    "  --serial TEXT    the serial number it gives when asked\n"
    "Options of the multimeter (functions F: VDC, VAC, ADC, AAC, OHM, HZ, TEMP, CAP, DUTY):\n"
    "  --protocol P     scpi: a bench meter answering SCPI commands (the default); dmm14: a\n"
    "                   handheld meter streaming its display in 14-byte packets\n"
    "  --value F=X      the reading of function F (0 when not given; may be repeated)\n"
    "  --function F     scpi: what READ? reads until CONF chooses; dmm14: the rotary switch\n"
    "                   (VDC)\n"
    "  --overload       every reading an overload (9.9E37; OL on the display)\n"
    "  --crlf           scpi: answers end in CR LF instead of LF\n"
    "  --echo           scpi: every command is sent back before its answer\n"
    "  --drop-bytes P   dmm14: each byte lost with the chance P (0 to 1)\n"
    "  --switch-every S dmm14: the rotary switch turns to the next function every S seconds\n"
    "Options of the line meter (it sends the description's EXAMPLE lines):\n"
    "  --description FILE  the meter's description (*.linemeter)\n"
    "  --value CHANNEL=X   the reading of a channel, by name or number (its example's when not\n"
    "                      given; may be repeated)\n"
    "  --every S           a streaming meter sends its lines every S seconds (0.5)\n"
    "Options of the photometer (a scanning one, 340 to 1000 nm):\n"
    "  --band NM:A:WIDTH   an absorption band of the solution: its centre in nm, its\n"
    "                      absorbance there and its width at half height in nm (may be\n"
    "                      repeated; none: a clear solution)\n"
    "  --noise A           the noise of each absorbance (0.002)\n"
    "  --warmup S          the lamp warms up for S seconds before it measures (0)\n"
    "  --pace S            a scan takes S seconds a point (0.005)\n"
    "\n"
    "  -h, --help       show this help\n"
    "  -V, --version    show the version\n";

int Usage() {
    std::fputs(kHelp, stderr);
    return 2;
}

bool Number(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0';
}

// Reads the options after the instrument's name: `flag` takes the ones without a value,
// `option` the ones with; false for anything it does not know.
bool ReadOptions(int argc, char** argv, const std::function<bool(const std::string&)>& flag,
                 const std::function<bool(const std::string&, const std::string&)>& option) {
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (flag(arg)) continue;
        if (i + 1 >= argc || !option(arg, argv[i + 1])) return false;
        ++i;
    }
    return true;
}

// Runs the instrument made by `start` until a signal ends it.
int Serve(const std::function<std::string()>& start) {
    // The signals are taken by sigwait below, never by the instrument's thread.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGHUP);  // its terminal closed: end and take the link away too
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    try {
        const std::string said = start();
        std::printf("%s; Ctrl-C ends it\n", said.c_str());
        std::fflush(stdout);
        int signal = 0;
        sigwait(&stop, &signal);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vodex-sim: %s\n", e.what());
        return 1;
    }
    return 0;
}

int Balance(int argc, char** argv) {
    vodex::sim::VirtualBalance::Options options;
    const bool read = ReadOptions(
        argc, argv, [](const std::string&) { return false; },
        [&](const std::string& arg, const std::string& value) {
            if (arg == "--link") options.link = value;
            if (arg == "--serial") options.serialNumber = value;
            return arg == "--link" || arg == "--serial" ||
                   (arg == "--weight" && Number(value, options.weight));
        });
    if (!read || options.link.empty()) return Usage();
    std::unique_ptr<vodex::sim::VirtualBalance> balance;
    return Serve([&] {
        balance = std::make_unique<vodex::sim::VirtualBalance>(options);
        char weight[64];
        std::snprintf(weight, sizeof weight, "%.2f g", options.weight);
        return "balance on " + balance->Path() + " (terminal " + balance->DevicePath() + "), " +
               weight;
    });
}

int Multimeter(int argc, char** argv) {
    vodex::sim::VirtualMultimeter::Options options;
    const bool read = ReadOptions(
        argc, argv,
        [&](const std::string& arg) {
            if (arg == "--overload") options.overload = true;
            if (arg == "--crlf") options.crlf = true;
            if (arg == "--echo") options.echo = true;
            return arg == "--overload" || arg == "--crlf" || arg == "--echo";
        },
        [&](const std::string& arg, const std::string& value) {
            if (arg == "--link") options.link = value;
            if (arg == "--function") options.function = value;
            if (arg == "--value") {
                const std::size_t equals = value.find('=');
                double x = 0;
                if (equals == std::string::npos || !Number(value.substr(equals + 1), x) ||
                    !vodex::sim::IsMultimeterFunction(value.substr(0, equals))) {
                    return false;
                }
                options.values[value.substr(0, equals)] = x;
            }
            if (arg == "--protocol" && value == "dmm14") {
                options.protocol = vodex::sim::VirtualMultimeter::Protocol::Dmm14;
            }
            return arg == "--link" || arg == "--function" || arg == "--value" ||
                   (arg == "--protocol" && (value == "scpi" || value == "dmm14")) ||
                   (arg == "--drop-bytes" && Number(value, options.dropBytes) &&
                    options.dropBytes >= 0 && options.dropBytes <= 1) ||
                   (arg == "--switch-every" && Number(value, options.switchEvery) &&
                    options.switchEvery >= 0);
        });
    if (!read || options.link.empty() || !vodex::sim::IsMultimeterFunction(options.function)) {
        return Usage();
    }
    std::unique_ptr<vodex::sim::VirtualMultimeter> meter;
    return Serve([&] {
        meter = std::make_unique<vodex::sim::VirtualMultimeter>(options);
        const bool scpi = options.protocol == vodex::sim::VirtualMultimeter::Protocol::Scpi;
        return std::string(scpi ? "SCPI multimeter" : "handheld multimeter") + " on " +
               meter->Path() + " (terminal " + meter->DevicePath() + ")";
    });
}

int LineMeter(int argc, char** argv) {
    vodex::sim::VirtualLineMeter::Options options;
    double every = 0.5;
    const bool read = ReadOptions(
        argc, argv, [](const std::string&) { return false; },
        [&](const std::string& arg, const std::string& value) {
            if (arg == "--link") options.link = value;
            if (arg == "--description") options.description = value;
            if (arg == "--value") {
                const std::size_t equals = value.rfind('=');
                double x = 0;
                if (equals == std::string::npos || !Number(value.substr(equals + 1), x)) {
                    return false;
                }
                options.values[value.substr(0, equals)] = x;
            }
            return arg == "--link" || arg == "--description" || arg == "--value" ||
                   (arg == "--every" && Number(value, every) && every >= 0.01 && every <= 60);
        });
    if (!read || options.link.empty() || options.description.empty()) return Usage();
    options.every = std::chrono::milliseconds(static_cast<long>(every * 1000));
    std::unique_ptr<vodex::sim::VirtualLineMeter> meter;
    return Serve([&] {
        meter = std::make_unique<vodex::sim::VirtualLineMeter>(options);
        return "line meter on " + meter->Path() + " (terminal " + meter->DevicePath() + ")";
    });
}

int Photometer(int argc, char** argv) {
    vodex::sim::VirtualPhotometer::Options options;
    std::string badBand;
    const bool read = ReadOptions(
        argc, argv, [](const std::string&) { return false; },
        [&](const std::string& arg, const std::string& value) {
            if (arg == "--link") options.link = value;
            if (arg == "--band") {
                try {
                    options.bands.push_back(vodex::sim::ParseBand(value));
                } catch (const std::exception& e) {
                    badBand = e.what();
                    return false;
                }
            }
            return arg == "--link" || arg == "--band" ||
                   (arg == "--noise" && Number(value, options.noise) && options.noise >= 0 &&
                    options.noise <= 1) ||
                   (arg == "--warmup" && Number(value, options.warmup) && options.warmup >= 0) ||
                   (arg == "--pace" && Number(value, options.pointSeconds) &&
                    options.pointSeconds >= 0.0001 && options.pointSeconds <= 10);
        });
    if (!badBand.empty()) std::fprintf(stderr, "vodex-sim: %s\n", badBand.c_str());
    if (!read || options.link.empty()) return Usage();
    std::unique_ptr<vodex::sim::VirtualPhotometer> photometer;
    return Serve([&] {
        photometer = std::make_unique<vodex::sim::VirtualPhotometer>(options);
        return "photometer on " + photometer->Path() + " (terminal " + photometer->DevicePath() +
               ")";
    });
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
    if (first == "balance") return Balance(argc, argv);
    if (first == "multimeter") return Multimeter(argc, argv);
    if (first == "linemeter") return LineMeter(argc, argv);
    if (first == "photometer") return Photometer(argc, argv);
    return Usage();
}
