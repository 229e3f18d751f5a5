// How long `vodex detect` takes with 32 serial ports where nothing answers (pseudo-terminals
// that never reply), as a whole process, against the balance driver's time-out of one second
// and against the same command with no port to try (the start-up and the listing of ports);
// and how soon it ends after Ctrl-C in the middle of the drivers' wait; and with a balance, an
// SCPI meter and a handheld meter among those silent ports, each driver installed, against the
// sum of the three drivers' time-outs: each kind has to listen to every silent port at its own
// settings for its whole time-out, one kind after the other, so that sum is what detection
// cannot go below.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "tlx/port_map.h"
#include "tlx/process.h"
#include "vodex/sim/virtual_balance.h"
#include "vodex/sim/virtual_multimeter.h"

extern char** environ;

namespace {

using vodex::bench::Range;

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Starts `vodex detect` with its output thrown away; the process id, or -1.
pid_t StartDetect(const std::string& vodex) {
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> words{vodex, "detect"};
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, vodex.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    ::posix_spawn_file_actions_destroy(&actions);
    return pid;
}

bool Ended(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Seconds of one whole `vodex detect`; negative when it failed.
double TimeDetect(const std::string& vodex) {
    const auto start = Clock::now();
    const pid_t pid = StartDetect(vodex);
    if (pid < 0 || !Ended(pid)) return -1;
    return Since(start);
}

// Seconds from Ctrl-C, given `after` seconds into the run, to the end of `vodex detect`.
double TimeInterrupt(const std::string& vodex, double after) {
    const pid_t pid = StartDetect(vodex);
    if (pid < 0) return -1;
    std::this_thread::sleep_for(std::chrono::duration<double>(after));
    const auto start = Clock::now();
    ::kill(pid, SIGINT);
    if (!Ended(pid)) return -1;
    return Since(start);
}

}  // namespace

int main() {
    const std::string home = vodex::bench::MakeBenchHome();
    if (home.empty()) return 1;
    const std::string vodex = std::string(VODEX_CLI_FOLDER) + "/vodex";
    if (tlx::RunAndWait(
            std::vector<std::string>{vodex, "install", "--quiet", VODEX_BALANCE_COMPONENT}) != 0) {
        std::printf("the balance driver could not be installed\n");
        return 1;
    }
    // No port to try: every port number leads to a path that does not exist.
    for (std::int32_t port = 1; port <= tlx::kPortCount; ++port)
        tlx::SetPortDevicePath(port, home + "/missing" + std::to_string(port));
    constexpr int kRuns = 3;
    Range empty;
    for (int i = 0; i < kRuns; ++i)
        empty.Add(TimeDetect(vodex));

    // 32 pseudo-terminals whose other side never answers.
    std::vector<int> masters;
    for (std::int32_t port = 1; port <= tlx::kPortCount; ++port) {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return 1;
        masters.push_back(master);
        tlx::SetPortDevicePath(port, ::ptsname(master));
    }
    Range silent;
    Range interrupted;
    for (int i = 0; i < kRuns; ++i) {
        silent.Add(TimeDetect(vodex));
        interrupted.Add(TimeInterrupt(vodex, 0.5));
    }

    // One instrument of each kind on ports 5, 17 and 30, the other ports still silent.
    Range mixed;
    {
        for (const char* driver : {VODEX_SCPI_COMPONENT, VODEX_HANDHELD_DMM_COMPONENT}) {
            if (tlx::RunAndWait(std::vector<std::string>{vodex, "install", "--quiet", driver}) !=
                0) {
                std::printf("%s could not be installed\n", driver);
                return 1;
            }
        }
        using vodex::sim::VirtualMultimeter;
        vodex::sim::VirtualBalance balance({.link = home + "/waage", .weight = 12.0});
        VirtualMultimeter::Options bench;
        bench.link = home + "/scpi";
        VirtualMultimeter scpi(bench);
        VirtualMultimeter::Options handheld;
        handheld.link = home + "/hand";
        handheld.protocol = VirtualMultimeter::Protocol::Dmm14;
        VirtualMultimeter hand(handheld);
        tlx::SetPortDevicePath(5, balance.Path());
        tlx::SetPortDevicePath(17, scpi.Path());
        tlx::SetPortDevicePath(30, hand.Path());
        for (int i = 0; i < kRuns; ++i)
            mixed.Add(TimeDetect(vodex));
    }
    for (int master : masters)
        ::close(master);
    std::filesystem::remove_all(home);

    // The balance and the SCPI meter wait 1 s for an answer, the handheld meter listens 1.5 s.
    constexpr double kTimeoutSum = 3.5;
    const bool failed = empty.low < 0 || silent.low < 0 || interrupted.low < 0 || mixed.low < 0;
    std::printf(
        "vodex detect, %d runs each (the balance driver's time-out is 1 s):\n"
        "  no port to try:                  %.2f to %.2f s\n"
        "  32 ports where nothing answers:  %.2f to %.2f s, %.2f to %.2f times the time-out "
        "(target: within 2)\n"
        "  Ctrl-C 0.5 s into that search:   ends %.3f to %.3f s later (target: within 0.5 s)\n"
        "  a balance, an SCPI and a handheld meter among them: %.2f to %.2f s, %.2f to %.2f "
        "times the sum of the drivers' time-outs (target: within 1.5)\n",
        kRuns, empty.low, empty.high, silent.low, silent.high, silent.low / 1.0, silent.high / 1.0,
        interrupted.low, interrupted.high, mixed.low, mixed.high, mixed.low / kTimeoutSum,
        mixed.high / kTimeoutSum);
    if (failed) std::printf("a run of vodex detect failed\n");
    return failed ? 1 : 0;
}
