// Serial ports across the network against servers the tests script: well-behaved ones, and
// ones that never answer, cut their sequences into single bytes, refuse settings, flood, or
// close in the middle of a line.
#include "tlx/network_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "fixtures.h"
#include "scripted_server.h"
#include "tlx/comm_control.h"
#include "tlx/port_map.h"
#include "tlx/tools.h"

namespace {

using vodex::test::Peer;
using vodex::test::PortCommand;
using vodex::test::PortServerOpening;
using vodex::test::ScriptedServer;
using vodex::test::ServePortCommands;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::string Bytes(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

class NetworkPort : public vodex::test::HomeTest {
  protected:
    // The messages in English, as the cases name them.
    void SetUp() override { tlx::CoreTools().LANGUAGE(9); }
    void TearDown() override { tlx::CoreTools().LANGUAGE(7); }

    // A control on port 7, mapped to `address`, opened with the settings given.
    static std::unique_ptr<tlx::CommControl> Open(const std::string& address,
                                                  const std::string& settings = "9600,N,8,1") {
        tlx::SetPortDevicePath(7, address);
        auto control = std::make_unique<tlx::CommControl>();
        control->CommPort(7);
        control->OpenTimeout(1.0);
        control->Settings(settings);
        control->PortOpen(true);
        return control;
    }
    // What arrives within `within`, or once `count` bytes have.
    static std::string Take(tlx::CommControl& control, std::size_t count,
                            milliseconds within = milliseconds(3000)) {
        const auto end = Clock::now() + within;
        std::string got;
        while (got.size() < count && Clock::now() < end) {
            control.WaitInput(0.05);
            got += Bytes(control.Input());
        }
        return got;
    }
};

TEST(NetworkPortAddress, AddressesAreReadOrRefusedWithTheReason) {
    struct Case {
        const char* path;
        const char* place;  // "" for an address that is refused, "-" for a device path
        const char* reason;
    } cases[] = {
        {"rfc2217://bench3.local:2001", "bench3.local:2001", ""},
        {"socket://10.0.0.5:4001", "10.0.0.5:4001", ""},
        {"rfc2217://[fe80::1]:2001", "[fe80::1]:2001", ""},
        {"/dev/ttyUSB0", "-", ""},
        {"telnet://host:23", "", "unknown"},
        {"socket://host", "", "port number is missing"},
        {"socket://:4001", "", "host is missing"},
        {"socket://host:0", "", "1 to 65535"},
        {"socket://host:65536", "", "1 to 65535"},
        {"socket://host:40x", "", "1 to 65535"},
        {"socket://fe80::1:2001", "", "brackets"},
        {"socket://[fe80::1:2001", "", "bracket"},
        {"socket://ho st:1", "", "characters"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        if (std::string(c.place).empty()) {
            try {
                tlx::ParseNetworkPort(c.path);
                ADD_FAILURE() << "accepted";
            } catch (const tlx::Error& e) {
                EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
            }
            continue;
        }
        const auto port = tlx::ParseNetworkPort(c.path);
        EXPECT_EQ(port ? tlx::NetworkPortPlace(*port) : "-", c.place);
    }
}

TEST_F(NetworkPort, TheClientSetsTheLineAndHearsTheModemLines) {
    ScriptedServer server([](Peer& peer) {
        peer.SplitSends();  // the answers to lines and settings arrive interleaved
        peer.Send(PortServerOpening());
        ServePortCommands(peer, [&](std::uint8_t code, std::string value) {
            // Told of every change, the client hears CTS and DSR up.
            if (code == 11) peer.Send(PortCommand(107, "\x30"));
            return std::optional(value);
        });
    });
    {
        tlx::SetPortDevicePath(7, server.Address("rfc2217"));
        tlx::CommControl control;
        control.CommPort(7);
        control.Settings("19200,E,7,2");
        control.DTREnable(true);
        control.RTSEnable(true);
        control.PortOpen(true);
        const auto end = Clock::now() + milliseconds(2000);
        while (!(control.CTSHolding() && control.DSRHolding()) && Clock::now() < end)
            control.WaitInput(0.02);
        EXPECT_TRUE(control.CTSHolding() && control.DSRHolding());
        control.Output(std::string("A\xff", 2));
        control.InBufferCount(0);
        control.OutBufferCount(0);
        // The lines' answers are no answers to the settings that follow.
        control.Settings("19200,E,7,2");
        EXPECT_EQ(control.Settings(), "19200,E,7,2");
    }
    const std::string last = PortCommand(12, "\x01");
    const auto end = Clock::now() + milliseconds(3000);
    while (server.Received().find(last) == std::string::npos && Clock::now() < end)
        std::this_thread::sleep_for(milliseconds(10));
    const std::string sent = server.Received();
    const std::string expected[] = {PortCommand(1, std::string("\0\0\x4b\x00", 4)),  // 19200 baud
                                    PortCommand(2, "\x07"),
                                    PortCommand(3, "\x03"),
                                    PortCommand(4, "\x02"),
                                    PortCommand(5, "\x01"),  // no flow control
                                    PortCommand(5, "\x08"),
                                    PortCommand(5, "\x0b"),       // DTR and RTS on
                                    std::string("A\xff\xff", 3),  // the data's IAC doubled
                                    PortCommand(12, "\x01")};     // the server's input purged
    for (const std::string& part : expected)
        EXPECT_NE(sent.find(part), std::string::npos) << ::testing::PrintToString(part);
}

TEST_F(NetworkPort, HostileServersGiveAClearErrorOrTheRightData) {
    const std::string data(
        "A\xff"
        "B\r\n",
        5);
    struct Case {
        const char* name;
        const char* scheme;
        ScriptedServer::Script script;
        const char* error;  // part of the error, "" when the data arrive
    };
    const Case cases[] = {
        {"never answers the negotiation", "rfc2217",
         [](Peer& peer) { peer.Receive(milliseconds(3000), SIZE_MAX); }, "did not answer in time"},
        {"cuts every sequence into single bytes", "rfc2217",
         [&](Peer& peer) {
             peer.SplitSends();
             peer.Send(PortServerOpening());
             ServePortCommands(peer, [&](std::uint8_t code, std::string value) {
                 // The data comes while the client still waits for the last answer.
                 if (code == 5 && value == "\x01")
                     peer.Send(
                         std::string("A\xff\xff"
                                     "B\r\n",
                                     6));
                 return std::optional(value);
             });
         },
         ""},
        {"never answers the settings", "rfc2217",
         [](Peer& peer) {
             peer.Send(PortServerOpening());
             ServePortCommands(peer, [](std::uint8_t code, std::string value) {
                 return code == 1 && value == std::string("\0\0\x25\x80", 4)
                            ? std::optional(value)  // the query, as a live server answers it
                            : std::nullopt;
             });
         },
         "did not answer in time"},
        {"sends its notice in two pieces on a raw port", "socket",
         [](Peer& peer) {
             peer.Send("Port alr");
             peer.Receive(milliseconds(150), SIZE_MAX);
             peer.Send("eady in use\r\n");
         },
         "in use by another program"},
        {"refuses the baud rate", "rfc2217",
         [](Peer& peer) {
             peer.Send(PortServerOpening());
             ServePortCommands(peer, [](std::uint8_t code, std::string value) {
                 return std::optional(code == 1 ? std::string("\0\0\x12\xc0", 4) : value);
             });
         },
         "does not take the settings \"9600,N,8,1\" (it set 4800,N,8,1)"},
        {"serves another client", "rfc2217",
         [](Peer& peer) { peer.Send(PortServerOpening() + "Port already in use\r\n"); },
         "in use by another program"},
        {"says no to the port option", "rfc2217",
         [](Peer& peer) {
             peer.Send("\xff\xfc\x2c");  // WONT COM-PORT-OPTION
             peer.Send("\xff\xfe\x2c");  // DONT COM-PORT-OPTION
             peer.Receive(milliseconds(2000), SIZE_MAX);
         },
         "offers no RFC 2217 serial port"},
        {"speaks Telnet to a raw client", "socket",
         [](Peer& peer) {
             peer.Send(PortServerOpening());
             peer.Receive(milliseconds(2000), SIZE_MAX);
         },
         "use rfc2217://"},
        {"ends the connection at once", "socket", [](Peer&) {}, "was lost"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(c.script);
        const auto start = Clock::now();
        try {
            auto control = Open(server.Address(c.scheme));
            const std::string got = Take(*control, data.size());
            if (*c.error) {
                Take(*control, 1, milliseconds(500));  // a loss shows when the port is read
                ADD_FAILURE() << "no error";
            } else {
                EXPECT_EQ(got, data);
            }
        } catch (const tlx::Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
            EXPECT_NE(std::string(c.error), "") << e.what();
        }
        // Never a wait beyond the open time-out (1 s), however the server behaves; the notice
        // of a port in use is asked again for half a second.
        EXPECT_LT(Clock::now() - start, milliseconds(1800));
    }
}

TEST_F(NetworkPort, ALineCutShortIsDeliveredThenTheDeviceIsGone) {
    ScriptedServer server([](Peer& peer) {
        peer.Send(PortServerOpening());
        ServePortCommands(peer,
                          [&](std::uint8_t code, std::string value) -> std::optional<std::string> {
                              if (code != 5 || value != "\x01") return value;
                              peer.Send(PortCommand(105, value) + "S S  3");
                              peer.Hangup();
                              return std::nullopt;
                          });
    });
    auto control = Open(server.Address("rfc2217"));
    EXPECT_EQ(Take(*control, 6), "S S  3");
    EXPECT_THROW(
        for (int i = 0; i < 100; ++i) {
            control->WaitInput(0.02);
            control->Input();
        },
        tlx::PortGoneError);
}

TEST_F(NetworkPort, AConnectionLostWhileSendingIsAGoneDeviceAtOnce) {
    ScriptedServer server([](Peer& peer) {
        peer.Send(PortServerOpening());
        ServePortCommands(peer,
                          [&](std::uint8_t code, std::string value) -> std::optional<std::string> {
                              if (code == 5 && value == "\x01") {
                                  peer.Send(PortCommand(105, value));
                                  peer.Hangup();
                                  return std::nullopt;
                              }
                              return value;
                          });
    });
    auto control = Open(server.Address("rfc2217"));
    const auto start = Clock::now();
    EXPECT_THROW(
        for (int i = 0; i < 1000; ++i) {
            control->Output(std::string(1000, 'x'));
            control->WaitOutput(0.01);
            control->OutBufferCount();
        },
        tlx::PortGoneError);
    EXPECT_LT(Clock::now() - start, milliseconds(1000));
}

TEST_F(NetworkPort, AFloodArrivesWholeAndBounded) {
    // Four MiB of data with the server's option requests among them: every data byte arrives
    // once, no request becomes data, and the control never keeps more than its megabyte.
    constexpr std::size_t kFlood = 4 << 20;
    ScriptedServer server([&](Peer& peer) {
        peer.Send(PortServerOpening());
        ServePortCommands(peer,
                          [&](std::uint8_t code, std::string value) -> std::optional<std::string> {
                              if (code != 5 || value != "\x01") return value;
                              peer.Send(PortCommand(105, value));
                              const std::string chunk(64 * 1024 - 3, 'x');
                              for (std::size_t sent = 0; sent < kFlood && !peer.Stopping();
                                   sent += chunk.size()) {
                                  peer.Send(chunk.substr(0, std::min(chunk.size(), kFlood - sent)) +
                                            "\xff\xfd\x63");
                              }
                              return std::nullopt;
                          });
    });
    auto control = Open(server.Address("rfc2217"));
    std::size_t received = 0;
    bool onlyData = true;
    const auto end = Clock::now() + milliseconds(20000);
    while (received < kFlood && Clock::now() < end) {
        control->WaitInput(0.05);
        EXPECT_FALSE(control->InputHeld((1 << 20) + 1));
        const auto got = control->Input();
        received += got.size();
        onlyData = onlyData && std::all_of(got.begin(), got.end(), [](auto b) { return b == 'x'; });
    }
    EXPECT_EQ(received, kFlood);
    EXPECT_TRUE(onlyData);
}

}  // namespace
