// Instruments on another machine's serial ports, served by a real ser2net with the bench
// configuration of the documentation: detected and measured through `vodex` over RFC 2217 and
// raw TCP, the line set through RFC 2217, and the server killed in the middle of a
// measurement and started again.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "components.h"
#include "fixtures.h"
#include "running_program.h"
#include "tlx/comm_control.h"
#include "tlx/port_map.h"
#include "vodex/sim/virtual_balance.h"

namespace {

using std::chrono::milliseconds;
using vodex::sim::VirtualBalance;
using vodex::test::RunningProgram;
using vodex::test::RunProgram;

// A TCP port that nothing listens on now.
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

bool Listening(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return up;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

class Ser2net : public vodex::test::HomeTest {
  protected:
    void SetUp() override {
        ASSERT_FALSE(std::string(SER2NET).empty())
            << "ser2net is not installed (scripts/setup.sh installs it)";
        // The documentation's bench, its adapters replaced by the virtual balances and its
        // ports by free ones on 127.0.0.1.
        std::ifstream in(VODEX_SER2NET_EXAMPLE);
        std::stringstream config;
        config << in.rdbuf();
        std::string text = config.str();
        text = Replaced(text, "/dev/ttyUSB0", rfcBalance.Path());
        text = Replaced(text, "/dev/ttyUSB1", rawBalance.Path());
        text = Replaced(text, "tcp,2001", "tcp,127.0.0.1," + std::to_string(rfcPort));
        text = Replaced(text, "tcp,2002", "tcp,127.0.0.1," + std::to_string(rawPort));
        std::ofstream(home.File("ser2net.yaml")) << text;
        Start();
        tlx::SetPortDevicePath(9, "rfc2217://127.0.0.1:" + std::to_string(rfcPort));
        tlx::SetPortDevicePath(8, "socket://127.0.0.1:" + std::to_string(rawPort));
        ASSERT_EQ(Vodex({"install", "--quiet", VODEX_BALANCE_COMPONENT}).exitCode, 0);
    }

    void Start() {
        server = std::make_unique<RunningProgram>(std::vector<std::string>{
            SER2NET, "-n", "-u", "-c", home.File("ser2net.yaml"), "-P", home.File("ser2net.pid")});
        const auto end = std::chrono::steady_clock::now() + milliseconds(5000);
        while (!(Listening(rfcPort) && Listening(rawPort)) &&
               std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(milliseconds(20));
        }
        ASSERT_TRUE(Listening(rfcPort) && Listening(rawPort)) << "ser2net did not start";
    }

    static vodex::test::ProgramRun Vodex(std::vector<std::string> args) {
        args.insert(args.begin(), VODEX_CLI);
        return RunProgram(args);
    }

    VirtualBalance rfcBalance{{.link = "", .weight = 33.3}};
    VirtualBalance rawBalance{{.link = "", .weight = 12.5}};
    int rfcPort = FreePort();
    int rawPort = FreePort();
    std::unique_ptr<RunningProgram> server;
};

TEST_F(Ser2net, BalancesAreDetectedAndMeasuredThroughBothKindsOfPort) {
    const auto found = Vodex({"detect", "--json"});
    ASSERT_EQ(found.exitCode, 0) << found.errors;
    for (const char* port : {"\"port\":9,", "\"port\":8,"}) {
        EXPECT_NE(found.output.find("{\"class\":\"Vodex_Balance\",\"name\":\"Laborwaage\","
                                    "\"manufacturer\":\"Vodex\"," +
                                    std::string(port)),
                  std::string::npos)
            << found.output;
    }
    for (const auto& [port, value] : {std::pair{"9", "33.3"}, std::pair{"8", "12.5"}}) {
        const auto run =
            Vodex({"measure", "Vodex_Balance", "--port", port, "--cycles", "2", "--json"});
        ASSERT_EQ(run.exitCode, 0) << run.errors;
        const std::regex reading("\"value\":" + std::string(value) +
                                 ",\"status\":0,\"measured\":true");
        EXPECT_EQ(std::distance(std::sregex_iterator(run.output.begin(), run.output.end(), reading),
                                std::sregex_iterator()),
                  2)
            << run.output;
    }
}

TEST_F(Ser2net, TheBaudRateIsSetOnTheServersPort) {
    tlx::CommControl control;
    control.CommPort(9);
    control.Settings("19200,N,8,1");
    control.PortOpen(true);
    EXPECT_EQ(rfcBalance.LineBaud(), 19200);
    control.Settings("4800,N,8,1");
    EXPECT_EQ(rfcBalance.LineBaud(), 4800);
}

TEST_F(Ser2net, AKilledServerIsAnErrorUntilItIsBack) {
    RunningProgram measuring({VODEX_CLI, "measure", "Vodex_Balance", "--port", "9", "--cycles", "0",
                              "--interval", "0.05", "--json"});
    // Lines until one says `what` (within a few seconds).
    auto until = [&](const std::string& what) {
        for (int i = 0; i < 200; ++i) {
            const auto line = measuring.Line(milliseconds(5000));
            if (!line) return false;
            if (line->find(what) != std::string::npos) return true;
        }
        return false;
    };
    const std::string measured = "\"value\":33.3,\"status\":0,\"measured\":true";
    ASSERT_TRUE(until(measured));
    server.reset();  // killed
    EXPECT_TRUE(until("\"measured\":false"));
    Start();
    EXPECT_TRUE(until(measured));
    measuring.Interrupt();
    EXPECT_EQ(measuring.Wait(milliseconds(5000)), 0);
    EXPECT_NE(measuring.Errors().find("was lost"), std::string::npos) << measuring.Errors();
}

}  // namespace
