// The serial port against the virtual balance, each figure against a baseline measured in the
// same run:
//   (a) processor time used during a 3-second Inp time-out without data, against a bare
//       poll() of 3 seconds;
//   (b) the median round trip of a request and its answer line (OUT of "SI" CR LF, then the
//       line up to CR LF), against a minimal termios + poll client doing the same exchange;
//   (c) readings per second of `vodex measure` on the balance driver, against a pyserial
//       script doing the same request/response loop and reading what has arrived (skipped
//       without python3-serial), and against the same loop in C (termios and poll), the
//       limit of this machine; seven rounds, the three loops in turn.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "tlx/port_map.h"
#include "tlx/process.h"
#include "tlx/pump.h"
#include "vodex/port/vq_port.h"
#include "vodex/sim/virtual_balance.h"

namespace {

using vodex::bench::Range;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double ProcessorSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The share of the wall time that `wait` keeps the processor busy, in percent.
template <class F>
double BusyPercent(F&& wait) {
    const double cpu = ProcessorSeconds();
    const auto start = Clock::now();
    wait();
    return 100.0 * (ProcessorSeconds() - cpu) / Seconds(start);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The minimal client: raw terminal, write the request, poll and read until CR LF.
class MinimalClient {
  public:
    explicit MinimalClient(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        termios tio{};
        if (fd_ >= 0 && ::tcgetattr(fd_, &tio) == 0) {
            ::cfmakeraw(&tio);
            tio.c_cc[VMIN] = 1;
            ::tcsetattr(fd_, TCSANOW, &tio);
        }
    }
    ~MinimalClient() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Exchange() {
        if (::write(fd_, "SI\r\n", 4) != 4) return false;
        std::string line;
        char buf[64];
        while (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 1000) <= 0) return false;
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n <= 0) return false;
            line.append(buf, static_cast<std::size_t>(n));
        }
        return true;
    }

  private:
    int fd_;
};

// The last value of the "t" column of `vodex measure --format csv`: seconds from the first
// cycle to the last.
double LastTime(const std::string& csv) {
    const auto end = csv.find_last_of('\n', csv.size() - 2);
    const std::string last = csv.substr(end + 1);
    return std::stod(last.substr(last.find(',') + 1));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The fair pyserial loop: each reading is requested and its line read from what has arrived
// (read(in_waiting or 1)), not byte by byte.
constexpr const char* kPyserialScript = R"(import sys, time
import serial
port = serial.Serial(sys.argv[1], 9600, timeout=1)
n = int(sys.argv[2])
start = None
for i in range(n):
    port.reset_input_buffer()
    port.write(b"SI\r\n")
    port.flush()
    line = b""
    while not line.endswith(b"\r\n"):
        chunk = port.read(port.in_waiting or 1)
        if not chunk:
            raise SystemExit("no answer")
        line += chunk
    float(line.split()[2])
    if i == 0:
        start = time.monotonic()
print((n - 1) / (time.monotonic() - start))
)";

}  // namespace

int main() {
    const std::string home = vodex::bench::MakeBenchHome();
    if (home.empty()) return 1;
    int failures = 0;
    {
        vodex::sim::VirtualBalance balance({.link = home + "/waage", .weight = 100.0});
        tlx::SetPortDevicePath(1, balance.Path());

        // (a)
        double idle = 0;
        double waiting = 0;
        {
            vodex::cls_VQPort port;
            if (!port.CONNECT(1, "9600,N,8,1")) return 1;
            idle = BusyPercent([] { ::poll(nullptr, 0, 3000); });
            waiting = BusyPercent([&] {
                if (!port.Inp(5, 3.0).empty()) ++failures;
            });
        }
        std::printf(
            "(a) Inp time-out of 3 s without data: processor %.3f%% of the wall time "
            "(bare poll: %.3f%%; target under 1%%)\n",
            waiting, idle);
        // The same with window events to run, which wakes the wait every 20 ms.
        {
            vodex::cls_VQPort port;
            if (!port.CONNECT(1, "9600,N,8,1")) return 1;
            auto old = tlx::SetMessagePump([] {});
            const double pumping = BusyPercent([&] {
                if (!port.Inp(5, 3.0).empty()) ++failures;
            });
            tlx::SetMessagePump(old);
            std::printf("    the same while window events run between the slices: %.3f%%\n",
                        pumping);
        }

        // (b) Turn about, exchange by exchange, so that neither side profits from a quieter
        // moment of the machine. The minimal client opens the terminal first: the port object
        // then takes it for itself, which keeps others from opening it, not from using it.
        constexpr int kExchanges = 4000;
        std::vector<double> toolkit;
        std::vector<double> minimal;
        {
            MinimalClient client(balance.Path());
            vodex::cls_VQPort port;
            if (!port.CONNECT(1, "9600,N,8,1")) return 1;
            for (int i = 0; i < kExchanges; ++i) {
                auto start = Clock::now();
                if (!port.OUT("SI\r\n") || port.INPUTTILL("\r\n", 1.0).empty()) ++failures;
                toolkit.push_back(Seconds(start));
                start = Clock::now();
                if (!client.Exchange()) ++failures;
                minimal.push_back(Seconds(start));
            }
        }
        const double ours = Median(toolkit) * 1e6;
        const double theirs = Median(minimal) * 1e6;
        std::printf(
            "(b) round trip SI, median of %d: cls_VQPort %.1f us, minimal termios + poll "
            "client %.1f us: %.2fx (target within 1.2x)\n",
            kExchanges, ours, theirs, ours / theirs);

        // (c) Seven rounds, the three loops in turn within each.
        constexpr int kReadings = 5000;
        constexpr int kRounds = 7;
        const std::string bin = VODEX_CLI_FOLDER;
        const std::string out = home + "/measure.csv";
        const std::string measure = "exec \"" + bin +
                                    "/vodex\" measure Vodex_Balance --port 1 "
                                    "--cycles " +
                                    std::to_string(kReadings) + " --interval 0 --format csv > \"" +
                                    out + "\"";
        const std::string script = home + "/loop.py";
        std::ofstream(script) << kPyserialScript;
        const std::string rateFile = home + "/rate";
        // Debian's python3-serial belongs to the system's interpreter.
        const std::string python =
            std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
        const bool installed =
            tlx::RunAndWait(std::vector<std::string>{bin + "/vodex", "install", "--quiet",
                                                     VODEX_BALANCE_COMPONENT}) == 0;
        Range vodexRate;
        vodex::bench::Spread pyRatio;
        vodex::bench::Spread cRatio;
        bool pyserial = true;
        for (int round = 0; round < kRounds && installed; ++round) {
            if (tlx::RunAndWait(std::vector<std::string>{"/bin/sh", "-c", measure}) != 0) {
                ++failures;
                break;
            }
            const double rate = (kReadings - 1) / LastTime(ReadFile(out));
            vodexRate.Add(rate);
            pyserial = pyserial && tlx::RunAndWait(std::vector<std::string>{
                                       "/bin/sh", "-c",
                                       "exec " + python + " \"" + script + "\" \"" +
                                           balance.Path() + "\" " + std::to_string(kReadings) +
                                           " > \"" + rateFile + "\" 2>/dev/null"}) == 0;
            if (pyserial) pyRatio.Add(rate / std::stod(ReadFile(rateFile)));
            const bool limited =
                tlx::RunAndWait(std::vector<std::string>{
                    "/bin/sh", "-c",
                    "exec \"" + std::string(VODEX_TERMIOS_LOOP) + "\" \"" + balance.Path() + "\" " +
                        std::to_string(kReadings) + " > \"" + rateFile + "\""}) == 0;
            const double limit = limited ? std::stod(ReadFile(rateFile)) : 0.0;
            if (limit <= 0) {
                ++failures;
                break;
            }
            cRatio.Add(rate / limit);
        }
        if (!installed || vodexRate.low > vodexRate.high) {
            std::printf("(c) vodex measure failed\n");
            ++failures;
        } else {
            std::printf(
                "(c) readings per second of vodex measure, %d rounds: %.0f to %.0f; against "
                "a pyserial loop that requests each reading and reads its line from what has "
                "arrived: ",
                kRounds, vodexRate.low, vodexRate.high);
            if (pyserial) {
                std::printf("lowest %.2fx, median %.2fx, highest %.2fx (target at least 1.3x); ",
                            pyRatio.Low(), pyRatio.Middle(), pyRatio.High());
            } else {
                std::printf("skipped (python3-serial missing); ");
            }
            std::printf(
                "against the same loop in C with termios and poll: lowest %.2fx, median %.2fx, "
                "highest %.2fx (target at least 0.95x)\n",
                cRatio.Low(), cRatio.Middle(), cRatio.High());
        }
    }
    std::filesystem::remove_all(home);
    if (failures) std::printf("%d exchanges failed\n", failures);
    return failures == 0 ? 0 : 1;
}
