// A balance reading through ser2net on 127.0.0.1 against the same reading through the local
// pseudo-terminal: the median round trip of a request and its answer line (OUT of "SI" CR LF,
// then the line up to CR LF) on three virtual balances, one read directly, one served by
// ser2net with RFC 2217 and one as raw TCP (the documentation's bench configuration), the
// three exchanges in turn, in three rounds. Needs ser2net (scripts/setup.sh installs it).
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "tlx/port_map.h"
#include "vodex/port/vq_port.h"
#include "vodex/sim/virtual_balance.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using vodex::bench::Median;
using vodex::bench::Range;

int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// The least a client can do through the server: a TCP socket without delay, the request
// written, then read until CR LF.
class MinimalTcpClient {
  public:
    explicit MinimalTcpClient(int port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int on = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        ok_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~MinimalTcpClient() { ::close(fd_); }
    bool Exchange() {
        if (!ok_ || ::send(fd_, "SI\r\n", 4, MSG_NOSIGNAL) != 4) return false;
        std::string line;
        char buffer[64];
        while (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) {
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) return false;
            line.append(buffer, static_cast<std::size_t>(n));
        }
        return true;
    }

  private:
    int fd_;
    bool ok_ = false;
};

}  // namespace

int main() {
    const std::string home = vodex::bench::MakeBenchHome();
    if (home.empty() || std::string(SER2NET).empty()) {
        std::fprintf(stderr, "network_bench: ser2net is not installed\n");
        return 1;
    }
    vodex::sim::VirtualBalance local({.link = home + "/local", .weight = 100.0});
    vodex::sim::VirtualBalance served({.link = home + "/served", .weight = 100.0});
    vodex::sim::VirtualBalance raw({.link = home + "/raw", .weight = 100.0});
    const int rfcPort = FreePort();
    const int rawPort = FreePort();
    std::stringstream config;
    config << std::ifstream(VODEX_SER2NET_EXAMPLE).rdbuf();
    std::string text = config.str();
    text = Replaced(text, "/dev/ttyUSB0", served.Path());
    text = Replaced(text, "/dev/ttyUSB1", raw.Path());
    text = Replaced(text, "tcp,2001", "tcp,127.0.0.1," + std::to_string(rfcPort));
    text = Replaced(text, "tcp,2002", "tcp,127.0.0.1," + std::to_string(rawPort));
    std::ofstream(home + "/ser2net.yaml") << text;
    const std::string yaml = home + "/ser2net.yaml";
    const std::string pid = home + "/ser2net.pid";
    const char* argv[] = {SER2NET, "-n", "-u", "-c", yaml.c_str(), "-P", pid.c_str(), nullptr};
    pid_t server = -1;
    if (::posix_spawn(&server, SER2NET, nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    tlx::SetPortDevicePath(1, local.Path());
    tlx::SetPortDevicePath(2, "rfc2217://127.0.0.1:" + std::to_string(rfcPort));
    tlx::SetPortDevicePath(3, "socket://127.0.0.1:" + std::to_string(rawPort));

    int failures = 0;
    constexpr int kRounds = 3;
    constexpr int kExchanges = 2000;
    const char* names[] = {"local pseudo-terminal", "ser2net, RFC 2217", "ser2net, raw TCP"};
    Range medians[3];
    Range ratios[3];
    Range minimalMedians;
    Range minimalRatios;  // the bare socket's median of the latest round, in seconds
    Range baseOverBare;
    for (int round = 0; round < kRounds; ++round) {
        {
            // The raw port's least: a bare socket, while the port objects wait their turn.
            MinimalTcpClient client(rawPort);
            std::vector<double> bare;
            for (int n = 0; n < kExchanges; ++n) {
                const auto start = Clock::now();
                if (!client.Exchange()) ++failures;
                bare.push_back(std::chrono::duration<double>(Clock::now() - start).count());
            }
            minimalMedians.Add(Median(bare) * 1e6);
            minimalRatios = Range{};
            minimalRatios.Add(Median(bare));
        }
        vodex::cls_VQPort ports[3];
        for (int i = 0; i < 3; ++i) {
            if (!ports[i].CONNECT(i + 1, "9600,N,8,1")) {
                std::fprintf(stderr, "network_bench: %s\n", ports[i].LastError().c_str());
                ::kill(server, SIGTERM);
                return 1;
            }
        }
        std::vector<double> times[3];
        for (int n = 0; n < kExchanges; ++n) {
            for (int i = 0; i < 3; ++i) {
                const auto start = Clock::now();
                if (!ports[i].OUT("SI\r\n") || ports[i].INPUTTILL("\r\n", 1.0).empty()) {
                    ++failures;
                }
                times[i].push_back(std::chrono::duration<double>(Clock::now() - start).count());
            }
        }
        for (int i = 0; i < 3; ++i) {
            medians[i].Add(Median(times[i]) * 1e6);
            ratios[i].Add(Median(times[i]) / Median(times[0]));
        }
        baseOverBare.Add(Median(times[2]) / minimalRatios.high);
    }
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    std::printf("round trip SI, median of %d exchanges, %d rounds (the three in turn):\n",
                kExchanges, kRounds);
    for (int i = 0; i < 3; ++i) {
        std::printf("  %-22s %7.1f-%7.1f us  %.2f-%.2fx the local port%s\n", names[i],
                    medians[i].low, medians[i].high, ratios[i].low, ratios[i].high,
                    i == 0 ? "" : " (target within 1.3x)");
    }
    std::printf("  %-22s %7.1f-%7.1f us  (the raw port object: %.2f-%.2fx of it)\n",
                "bare socket, raw TCP", minimalMedians.low, minimalMedians.high, baseOverBare.low,
                baseOverBare.high);
    if (failures) std::printf("%d exchanges failed\n", failures);
    std::filesystem::remove_all(home);
    return failures ? 1 : 0;
}
