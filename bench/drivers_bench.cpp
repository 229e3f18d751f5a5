// `vodex drivers` as a whole process with 50 installed drivers against the same with one, in
// rounds that alternate the two: a driver's file is checked in a child process once per version
// of the file, so the list's cost must not grow with the drivers. The drivers are text-line
// meters made from one description under 50 IDs, installed as a user would (vodex install). The
// first listing of the 50 (every file new, checked several at a time) is reported apart.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

const std::string kVodex = std::string(VODEX_CLI_FOLDER) + "/vodex";

// Runs vodex with `words` in the home `home`, its output thrown away; its seconds, negative
// when it failed.
double Run(const std::string& home, std::vector<std::string> words) {
    ::setenv("VODEX_HOME", home.c_str(), 1);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    words.insert(words.begin(), kVodex);
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    const auto start = Clock::now();
    pid_t pid = -1;
    int status = 0;
    const bool ran =
        ::posix_spawn(&pid, kVodex.c_str(), &actions, nullptr, argv.data(), environ) == 0 &&
        ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    ::posix_spawn_file_actions_destroy(&actions);
    return ran ? std::chrono::duration<double>(Clock::now() - start).count() : -1;
}

// A home with `count` line meter drivers installed, made from the pH meter's description.
std::string HomeWith(int count) {
    const std::string home = vodex::bench::MakeBenchHome();
    if (home.empty()) return {};
    std::ifstream in(std::string(VODEX_SOURCE_DIR) +
                     "/drivers/linemeter/examples/ph_meter.linemeter");
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    for (int i = 1; i <= count; ++i) {
        std::string described = text;
        described.replace(described.find("ID=PH20"), 7, "ID=B" + std::to_string(i));
        const std::string file = home + "/b" + std::to_string(i) + ".linemeter";
        std::ofstream(file) << described;
        if (Run(home, {"install", "--quiet", file}) < 0) return {};
    }
    return home;
}

}  // namespace

int main() {
    constexpr int kMany = 50;
    const std::string one = HomeWith(1);
    const std::string many = HomeWith(kMany);
    if (one.empty() || many.empty()) {
        std::printf("the drivers could not be installed\n");
        return 1;
    }
    const double first = Run(many, {"drivers"});
    Run(one, {"drivers"});
    constexpr int kRounds = 15;
    std::vector<double> ones, manys, ratios;
    for (int r = 0; r < kRounds; ++r) {
        const double a = Run(one, {"drivers"});
        const double b = Run(many, {"drivers"});
        if (a <= 0 || b <= 0) return 1;
        ones.push_back(a * 1e3);
        manys.push_back(b * 1e3);
        ratios.push_back(b / a);
    }
    std::printf(
        "vodex drivers, %d rounds, each one run with 1 and with %d installed drivers:\n"
        "  1 driver:   %.1f / %.1f / %.1f ms (min / median / max)\n"
        "  %d drivers: %.1f / %.1f / %.1f ms\n"
        "  ratio %d to 1: %.2f / %.2f / %.2f (target: within 1.5)\n"
        "  the first listing of the %d, every file new: %.0f ms\n",
        kRounds, kMany, *std::min_element(ones.begin(), ones.end()), vodex::bench::Median(ones),
        *std::max_element(ones.begin(), ones.end()), kMany,
        *std::min_element(manys.begin(), manys.end()), vodex::bench::Median(manys),
        *std::max_element(manys.begin(), manys.end()), kMany,
        *std::min_element(ratios.begin(), ratios.end()), vodex::bench::Median(ratios),
        *std::max_element(ratios.begin(), ratios.end()), kMany, first * 1e3);
    std::filesystem::remove_all(one);
    std::filesystem::remove_all(many);
    return 0;
}
