// The serial port object: on pseudo-terminals with the virtual balance on the other side for
// the data path, time-outs and unplugging; on the fake transport for what pseudo-terminals
// cannot do (modem lines, a slow output queue, refused settings).
#include "vodex/port/vq_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "fake_transport.h"
#include "fixtures.h"
#include "framing.h"
#include "port_holder.h"
#include "tlx/port_map.h"
#include "tlx/pump.h"
#include "vodex/port/port_tools.h"
#include "vodex/sim/virtual_balance.h"

namespace {

using vodex::cls_VQPort;
using vodex::sim::VirtualBalance;

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Port 2 leads to a virtual balance of 100 g.
class Port : public vodex::test::HomeTest {
  protected:
    void SetUp() override { tlx::SetPortDevicePath(2, balance.Path()); }
    VirtualBalance balance{{.link = home.File("waage"), .weight = 100.0}};
    cls_VQPort port;

    // Waits until `count` bytes have arrived; fails after five seconds.
    void WaitForInput(std::int32_t count) {
        const auto start = std::chrono::steady_clock::now();
        while (port.INCOUNT() < count) {
            ASSERT_LT(SecondsSince(start), 5.0) << "the bytes did not come";
            port.DIRECT()->WaitInput(0.1);
        }
    }
};

TEST_F(Port, ARequestAndItsAnswer) {
    ASSERT_TRUE(port.CONNECT(2, "9600,N,8,1"));
    EXPECT_EQ(port.DIRECT()->Settings(), "9600,N,8,1");
    EXPECT_TRUE(port.OUT("SI\r\n"));
    EXPECT_EQ(port.INPUTTILL("\r\n", 2.0), "S S     100.00 g\r\n");
    EXPECT_TRUE(port.OUT("I4\r\n", false));  // without waiting
    EXPECT_EQ(port.INPUTLINE(2.0), "I4 A \"B021045183\"\r");
    EXPECT_EQ(port.INPUTLINE(2.0), "\n");  // the LF comes alone
    EXPECT_EQ(balance.Commands(), (std::vector<std::string>{"SI", "I4"}));
    port.DISCONNECT();
    EXPECT_FALSE(port.DIRECT()->PortOpen());
}

TEST_F(Port, PartialInputTimesOutAndStaysReadable) {
    ASSERT_TRUE(port.CONNECT(2, "9600,N,8,1"));
    balance.Send("abc");
    WaitForInput(3);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.Inp(5, 0.2), "");
    EXPECT_GE(SecondsSince(start), 0.2);
    EXPECT_EQ(port.INCOUNT(), 3);
    EXPECT_EQ(port.Inp(3, 1.0), "abc");
    // Length 0 or -1: whatever waits, at once.
    EXPECT_EQ(port.Inp(0, 5.0), "");
    balance.Send("\xB5xy");  // the byte 0xB5 is one character
    EXPECT_EQ(port.Inp(2, 1.0), "µx");
    WaitForInput(1);
    EXPECT_EQ(port.Inp(-1), "y");
    // A time-out of BIN with clearing leaves nothing; one of Inp leaves the bytes.
    balance.Send("fg");
    WaitForInput(2);
    EXPECT_TRUE(port.BIN(5, 0.1, true).empty());
    EXPECT_EQ(port.INCOUNT(), 0);
    balance.Send("hi");
    EXPECT_EQ(port.BIN(2, 1.0), (std::vector<std::uint8_t>{'h', 'i'}));
    balance.Send("jk");
    WaitForInput(2);
    EXPECT_EQ(port.Inp(4, 0.1, false), "");
    EXPECT_EQ(port.INCOUNT(), 2);
    port.CLEAR();
    EXPECT_EQ(port.INCOUNT(), 0);
}

TEST_F(Port, ReadingUpToATerminator) {
    ASSERT_TRUE(port.CONNECT(2, "9600,N,8,1"));
    balance.Send("xyz");
    WaitForInput(3);
    EXPECT_EQ(port.INPUTTILL("", 1.0), "x");  // an empty terminator ends after one byte
    // Without the terminator: empty once the time-out has passed, the bytes are gone.
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.INPUTTILL("\r\n", 0.2), "");
    EXPECT_GE(SecondsSince(start), 0.2);
    EXPECT_EQ(port.INCOUNT(), 0);
    // Nothing at all: empty after one time-out.
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.INPUTLINE(0.2), "");
    EXPECT_GE(SecondsSince(start), 0.2);
    EXPECT_LT(SecondsSince(start), 1.0);
    // Clearing first drops what waited before.
    balance.Send("alt\r\n");
    WaitForInput(5);
    ASSERT_TRUE(port.OUT("I4\r\n"));
    WaitForInput(5 + 19);                              // the answer has come too
    EXPECT_EQ(port.INPUTTILL("\r\n", 0.3, true), "");  // and is cleared with the rest
    // A fresh answer is read whole (without clearing: the answer may well be in before the
    // read starts, and clearing would drop it).
    ASSERT_TRUE(port.OUT("I4\r\n"));
    EXPECT_EQ(port.INPUTTILL("\r\n", 2.0), "I4 A \"B021045183\"\r\n");
    // A closed port fails by its result, clearing first or not.
    port.DISCONNECT();
    for (const bool clear : {false, true}) {
        EXPECT_EQ(port.INPUTLINE(0.1, clear), "");
        EXPECT_NE(port.LastError(), "") << clear;
    }
}

TEST_F(Port, WindowEventsRunWhileAReadWaits) {
    ASSERT_TRUE(port.CONNECT(2, "9600,N,8,1"));
    int events = 0;
    auto old = tlx::SetMessagePump([&] { ++events; });
    EXPECT_EQ(port.Inp(1, 0.3), "");
    tlx::SetMessagePump(old);
    EXPECT_GE(events, 5);   // about every 20 ms
    EXPECT_LE(events, 60);  // sleeping between them, not spinning
}

TEST_F(Port, APortHeldByAnotherProgramIsRefused) {
    {
        const vodex::test::PortHolder holder(balance.Path());
        ASSERT_TRUE(holder.Held());
        EXPECT_FALSE(port.CONNECT(2, "9600,N,8,1"));
        EXPECT_FALSE(port.DIRECT()->PortOpen());
    }
    EXPECT_TRUE(port.CONNECT(2, "9600,N,8,1"));
    // And a second port object of this program is refused while the first holds it.
    cls_VQPort second;
    EXPECT_FALSE(second.CONNECT(2, "9600,N,8,1"));
}

TEST_F(Port, SettingsAPseudoTerminalCannotKeepAreRefused) {
    // A pseudo-terminal always carries eight bits without parity; the port reads that back.
    ASSERT_TRUE(port.CONNECT(2, "4800,E,7,1"));
    EXPECT_TRUE(port.DIRECT()->PortOpen());
    EXPECT_EQ(port.DIRECT()->Settings(), "9600,N,8,1");  // the control's own, still in force
    EXPECT_THROW(port.DIRECT()->Settings("4800,N,7,1"), tlx::Error);
    port.DIRECT()->Settings("4800,N,8,2");
    EXPECT_EQ(port.DIRECT()->Settings(), "4800,N,8,2");
    // A pseudo-terminal has no modem lines: the members that do not trap say so.
    EXPECT_THROW(port.RTS(true), tlx::Error);
    EXPECT_THROW(port.DSR(), tlx::Error);
}

TEST_F(Port, AnUnpluggedInstrumentEndsTheReadAndComesBack) {
    ASSERT_TRUE(port.CONNECT(2, "9600,N,8,1"));
    std::thread unplug([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        balance.Vanish();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.INPUTLINE(2.0), "");
    unplug.join();
    EXPECT_LT(SecondsSince(start), 1.0);  // at the unplugging, not at the time-out
    EXPECT_FALSE(port.OUT("SI\r\n"));
    EXPECT_EQ(port.Inp(1, 1.0), "");
    EXPECT_THROW(port.INCOUNT(), tlx::Error);
    EXPECT_FALSE(port.CONNECT(2, "9600,N,8,1"));  // nothing behind the path now
    balance.Return();
    ASSERT_TRUE(port.CONNECT(2, "9600,N,8,1"));
    ASSERT_TRUE(port.OUT("SI\r\n"));
    EXPECT_EQ(port.INPUTTILL("\r\n", 2.0), "S S     100.00 g\r\n");
}

TEST_F(Port, UnpluggedInTheMiddleOfALineEndsTheReadWithoutSpinning) {
    ASSERT_TRUE(port.CONNECT(2, "9600,N,8,1"));
    balance.Send("S S");  // the start of a line; the rest never comes
    std::thread unplug([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        balance.Vanish();
    });
    timespec before{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &before);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.INPUTLINE(2.0), "");
    const double elapsed = SecondsSince(start);
    timespec after{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &after);
    unplug.join();
    EXPECT_LT(elapsed, 1.0);
    const double processor = static_cast<double>(after.tv_sec - before.tv_sec) +
                             static_cast<double>(after.tv_nsec - before.tv_nsec) * 1e-9;
    EXPECT_LT(processor, 0.05);  // it slept while it waited
}

TEST_F(Port, NumbersAndTimeOutsOutOfRange) {
    EXPECT_FALSE(port.CONNECT(65536 + 2, "9600,N,8,1"));  // not port 2 cut to 16 bits
    EXPECT_FALSE(port.DIRECT()->PortOpen());
    EXPECT_FALSE(port.CONNECT(0, "9600,N,8,1"));
    ASSERT_TRUE(port.CONNECT(2, "9600,N,8,1"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.Inp(5, std::nan("")), "");  // no time-out at all
    EXPECT_EQ(port.INPUTLINE(std::nan("")), "");
    EXPECT_LT(SecondsSince(start), 1.0);
}

TEST_F(Port, CheckProbesAllPortsOncePerThread) {
    for (std::int32_t n = 1; n <= tlx::kPortCount; ++n) {
        if (n != 2) tlx::SetPortDevicePath(n, home.File("nichts" + std::to_string(n)));
    }
    vodex::test::OnFreshThread([&] {
        cls_VQPort checker;
        EXPECT_FALSE(checker.CHECK(0));
        EXPECT_FALSE(checker.CHECK(33));
        EXPECT_FALSE(checker.CHECK(-1));
        EXPECT_TRUE(checker.CHECK(2));
        EXPECT_FALSE(checker.CHECK(3));
        // The answers are kept: this program opening the port, or the instrument going,
        // changes nothing.
        cls_VQPort user;
        ASSERT_TRUE(user.CONNECT(2, "9600,N,8,1"));
        EXPECT_TRUE(cls_VQPort().CHECK(2));
        user.DISCONNECT();
        balance.Vanish();
        EXPECT_TRUE(checker.CHECK(2));
        balance.Return();
    });
    // Another thread probes afresh: port 2 is held by this thread's port object now.
    ASSERT_TRUE(port.CONNECT(2, "9600,N,8,1"));
    vodex::test::OnFreshThread([] { EXPECT_FALSE(cls_VQPort().CHECK(2)); });
}

// The fake transport, for what pseudo-terminals cannot do.
class FakePortTest : public vodex::test::HomeTest {
  protected:
    void SetUp() override {
        old_ =
            tlx::SetSerialTransportFactory([this] { return vodex::test::MakeFakeTransport(fake); });
    }
    void TearDown() override { tlx::SetSerialTransportFactory(old_); }
    std::shared_ptr<vodex::test::FakePort> fake = std::make_shared<vodex::test::FakePort>();
    tlx::SerialTransportFactory old_;
};

TEST_F(FakePortTest, OutputThatCannotLeaveInTimeIsDropped) {
    cls_VQPort port;
    ASSERT_TRUE(port.CONNECT(1, "9600,N,8,1"));
    fake->drains = false;
    EXPECT_TRUE(port.OUT("SI\r\n", false));  // not waiting: at once
    EXPECT_EQ(fake->queued, 4u);
    const int discardsBefore = fake->outputDiscards;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(port.OUT("SI\r\n", true, 0.1));
    EXPECT_GE(SecondsSince(start), 0.1);
    EXPECT_LT(SecondsSince(start), 1.0);
    EXPECT_EQ(fake->queued, 0u);                          // discarded
    EXPECT_EQ(fake->outputDiscards, discardsBefore + 2);  // before sending and after
    fake->drains = true;
    EXPECT_TRUE(port.OUT("SI\r\n", true, 1.0));
    EXPECT_EQ(fake->queued, 0u);
}

TEST_F(FakePortTest, OutputNotYetTakenGoesOnWhileReading) {
    cls_VQPort port;
    ASSERT_TRUE(port.CONNECT(1, "9600,N,8,1"));
    fake->takesPerWrite = 2;
    EXPECT_TRUE(port.OUT("SI\r\n", false));
    EXPECT_EQ(fake->sent, (std::vector<std::uint8_t>{'S', 'I'}));
    EXPECT_EQ(port.Inp(1, 0.1), "");  // the wait hands the rest on
    EXPECT_EQ(fake->sent, (std::vector<std::uint8_t>{'S', 'I', '\r', '\n'}));
    EXPECT_LE(fake->waits, 3);  // and sleeps rather than spins
}

TEST_F(FakePortTest, ModemLinesAndRefusedSettings) {
    cls_VQPort port;
    ASSERT_TRUE(port.CONNECT(1, "9600,N,8,1", true, false));
    EXPECT_TRUE(fake->rts);
    EXPECT_FALSE(fake->dtr);
    port.DTR(true);
    port.RTS(false);
    EXPECT_TRUE(fake->dtr);
    EXPECT_FALSE(fake->rts);
    fake->dsr = true;
    EXPECT_TRUE(port.DSR());
    EXPECT_FALSE(port.CTS());
    // Refused settings: CONNECT still succeeds with the settings that were in force.
    fake->refusedSettings = {"300,E,7,1"};
    ASSERT_TRUE(port.CONNECT(1, "300,E,7,1"));
    EXPECT_TRUE(port.DIRECT()->PortOpen());
    EXPECT_EQ(tlx::FormatSerialSettings(fake->applied), "9600,N,8,1");
    // A port that cannot be opened: False, and closed.
    fake->refuseOpen = true;
    EXPECT_FALSE(port.CONNECT(1, "9600,N,8,1"));
    EXPECT_FALSE(port.DIRECT()->PortOpen());
    EXPECT_THROW(port.DSR(), tlx::Error);
    EXPECT_FALSE(port.CONNECT(40, "9600,N,8,1"));  // a number the control refuses
}

TEST(VirtualBalance, AnAbandonedExclusivePortIsFreedAgain) {
    vodex::test::TempHome home;
    VirtualBalance balance({.link = home.File("waage")});
    // A program takes the port exclusively and ends without giving it back.
    const int fd = ::open(balance.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ioctl(fd, TIOCEXCL), 0);
    ::close(fd);
    const int look = ::open(balance.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(look, 0);  // the exclusive mode does not hold against root: look at it instead
    int exclusive = 0;
    ASSERT_EQ(::ioctl(look, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    const auto start = std::chrono::steady_clock::now();
    while (exclusive && SecondsSince(start) < 5.0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::ioctl(look, TIOCGEXCL, &exclusive);
    }
    EXPECT_EQ(exclusive, 0);
    ::close(look);
}

TEST(VirtualBalance, ItsLinkReplacesOnlyTheLinkOfAnEarlierInstrument) {
    vodex::test::TempHome home;
    const std::string link = home.File("waage");
    auto entries = [&home] {
        return std::distance(std::filesystem::directory_iterator(home.Path()),
                             std::filesystem::directory_iterator());
    };
    // A file of the user's, or a link that leads elsewhere, stays and is refused.
    vodex::test::WriteBytes(link, "Messwerte");
    EXPECT_THROW(VirtualBalance({.link = link}), std::runtime_error);
    EXPECT_EQ(vodex::test::ReadBytes(link), "Messwerte");
    std::filesystem::remove(link);
    std::filesystem::create_symlink(home.File("anderes"), link);
    EXPECT_THROW(VirtualBalance({.link = link}), std::runtime_error);
    EXPECT_EQ(std::filesystem::read_symlink(link), home.File("anderes"));
    EXPECT_EQ(entries(), 1);  // nothing left beside it
    // The link that a killed instrument left is taken over, and taken away at the end.
    std::filesystem::remove(link);
    std::filesystem::create_symlink("/dev/pts/99999", link);
    {
        VirtualBalance balance({.link = link});
        EXPECT_EQ(std::filesystem::read_symlink(link), balance.DevicePath());
        // Whatever takes the path meanwhile stays when the instrument ends.
        std::filesystem::remove(link);
        vodex::test::WriteBytes(link, "neu");
    }
    EXPECT_EQ(vodex::test::ReadBytes(link), "neu");
}

TEST(PortTools, TheElapsedTestRunsOnAcrossMidnight) {
    vodex::cls_VQPortTool tool;
    double now = 0.7;
    tool.TIMING(std::make_shared<vodex::cls_VQPortToolTime>([&now] { return now; }));
    double start = 86399.0;
    double duration = 1.7;
    EXPECT_TRUE(tool.TIMING()->OUT(start, duration));
    EXPECT_DOUBLE_EQ(start, -1.0);
    start = 86399.0;
    duration = 1.8;
    EXPECT_FALSE(tool.TIMING()->OUT(start, duration));
    now = 0.8;
    EXPECT_TRUE(tool.TIMING()->OUT(start, duration));  // already moved back, not again
    EXPECT_DOUBLE_EQ(start, -1.0);
    EXPECT_DOUBLE_EQ(tool.TIMING()->START(), 0.8);
}

TEST(PortTools, BinaryDigits) {
    vodex::cls_VQPortToolConv conv;
    EXPECT_EQ(conv.BIN2LNG("1111"), 15);
    EXPECT_EQ(conv.BIN2LNG("101"), 5);
    EXPECT_EQ(conv.BIN2LNG(""), 0);
    EXPECT_EQ(conv.BIN2LNG("1x1"), 5);  // other characters count as 0
    EXPECT_EQ(conv.BIN2LNG("1ä1"), 5);  // one character, however many bytes
    EXPECT_EQ(conv.BIN2LNG("12"), 4);   // a digit adds its value
    EXPECT_EQ(conv.BIN2LNG(std::string(31, '1')), 2147483647);
    EXPECT_THROW(conv.BIN2LNG("1" + std::string(31, '0')), tlx::Error);
    EXPECT_EQ(conv.LNG2BIN(1), "1");
    EXPECT_EQ(conv.LNG2BIN(0), "0");
    EXPECT_EQ(conv.LNG2BIN(6), "110");
    EXPECT_EQ(conv.LNG2BIN(-5), "-10-1");
    EXPECT_EQ(conv.BIN2LNG(conv.LNG2BIN(2147483647)), 2147483647);
}

}  // namespace
