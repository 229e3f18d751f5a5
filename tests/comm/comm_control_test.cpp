// The serial control on the fake transport (modem lines, slow output, refused settings, a
// device that goes) and the settings texts.
#include "tlx/comm_control.h"

#include <gtest/gtest.h>

#include "fake_transport.h"
#include "fixtures.h"
#include "tlx/port_map.h"

namespace {

using vodex::test::FakePort;

TEST(SerialSettings, TextsAreReadStrictly) {
    const tlx::SerialSettings s = tlx::ParseSerialSettings(" 4800 , e ,7, 2");
    EXPECT_EQ(s.baud, 4800);
    EXPECT_EQ(s.parity, 'E');
    EXPECT_EQ(s.dataBits, 7);
    EXPECT_EQ(s.stopTenths, 20);
    EXPECT_EQ(tlx::FormatSerialSettings(s), "4800,E,7,2");
    EXPECT_EQ(tlx::FormatSerialSettings(tlx::ParseSerialSettings("1200,N,5,1.5")), "1200,N,5,1.5");
    for (const char* bad :
         {"", "9600", "9600,N,8", "9600,N,8,1,1", "x,N,8,1", "-9600,N,8,1", "9600,X,8,1",
          "9600,NO,8,1", "9600,N,9,1", "9600,N,4,1", "9600,N,8,3", "9600,N,8,", "9600,N,8,1,"}) {
        EXPECT_THROW(tlx::ParseSerialSettings(bad), tlx::Error) << bad;
    }
}

class Control : public vodex::test::HomeTest {
  protected:
    std::shared_ptr<FakePort> port = std::make_shared<FakePort>();
    tlx::CommControl control{vodex::test::MakeFakeTransport(port)};
};

TEST_F(Control, OpeningUsesTheMappedPathTheSettingsAndTheLines) {
    tlx::SetPortDevicePath(3, "/dev/ttyUSB7");
    control.CommPort(3);
    control.Settings("19200,O,7,1");
    control.RTSEnable(true);
    control.PortOpen(true);
    EXPECT_EQ(port->openedPath, "/dev/ttyUSB7");
    EXPECT_EQ(tlx::FormatSerialSettings(port->applied), "19200,O,7,1");
    EXPECT_TRUE(port->rts);
    EXPECT_FALSE(port->dtr);
    // While open: the number stays, lines move at once, the input lines are read.
    EXPECT_THROW(control.CommPort(4), tlx::Error);
    EXPECT_THROW(control.PortOpen(true), tlx::Error);
    control.DTREnable(true);
    EXPECT_TRUE(port->dtr);
    port->cts = true;
    EXPECT_TRUE(control.CTSHolding());
    EXPECT_FALSE(control.DSRHolding());
    control.PortOpen(false);
    EXPECT_FALSE(port->open);
    EXPECT_THROW(control.CTSHolding(), tlx::Error);
    EXPECT_THROW(control.CommPort(0), tlx::Error);
    EXPECT_THROW(control.CommPort(33), tlx::Error);
    EXPECT_EQ(control.CommPort(), 3);
}

TEST_F(Control, RefusedSettingsLeaveTheOldOnesInForce) {
    control.PortOpen(true);
    port->refusedSettings = {"300,M,8,1"};
    EXPECT_THROW(control.Settings("300,M,8,1"), tlx::Error);
    EXPECT_EQ(control.Settings(), "9600,N,8,1");
    EXPECT_THROW(control.Settings("300,Q,8,1"), tlx::Error);
    control.Settings("2400,S,8,2");
    EXPECT_EQ(tlx::FormatSerialSettings(port->applied), "2400,S,8,2");
    // Settings given while closed that the port refuses when it opens are dropped then; the
    // port opens with those in force before.
    control.PortOpen(false);
    control.Settings("1200,N,7,1");
    port->refusedSettings = {"1200,N,7,1"};
    control.PortOpen(true);
    EXPECT_EQ(tlx::FormatSerialSettings(port->applied), "2400,S,8,2");
    EXPECT_EQ(control.Settings(), "2400,S,8,2");
    // When it takes neither, it stays closed.
    control.PortOpen(false);
    control.Settings("1200,N,7,1");
    port->refusedSettings = {"1200,N,7,1", "2400,S,8,2"};
    EXPECT_THROW(control.PortOpen(true), tlx::Error);
    EXPECT_FALSE(control.PortOpen());
    EXPECT_FALSE(port->open);
}

TEST_F(Control, APortWithoutModemLinesStillOpens) {
    port->hasLines = false;
    control.RTSEnable(true);
    control.PortOpen(true);
    EXPECT_TRUE(control.PortOpen());
    EXPECT_THROW(control.RTSEnable(false), tlx::Error);
    EXPECT_TRUE(control.RTSEnable());  // unchanged
    EXPECT_THROW(control.DSRHolding(), tlx::Error);
}

TEST_F(Control, OutputThePortDoesNotTakeAtOnceWaitsInTheControl) {
    control.PortOpen(true);
    port->takesPerWrite = 3;
    port->drains = false;
    control.Output(std::string("Zähler"));  // one byte per character
    EXPECT_EQ(port->sent, (std::vector<std::uint8_t>{'Z', 0xE4, 'h'}));
    EXPECT_EQ(control.OutBufferCount(), 6);  // 3 held by the control, 3 queued in the port
    EXPECT_EQ(port->sent.size(), 6u);        // counting hands on what the port takes
    control.OutBufferCount(0);
    EXPECT_EQ(control.OutBufferCount(), 0);
    EXPECT_EQ(port->outputDiscards, 1);
    EXPECT_THROW(control.OutBufferCount(5), tlx::Error);
}

TEST_F(Control, InputIsTakenByLengthOrWhole) {
    control.PortOpen(true);
    port->arriving = {'a', 'b', 'c', 'd', 'e'};
    EXPECT_EQ(control.InBufferCount(), 5);
    control.InputLen(2);
    EXPECT_EQ(control.Input(), (std::vector<std::uint8_t>{'a', 'b'}));
    control.InputLen(0);
    EXPECT_EQ(control.Input(), (std::vector<std::uint8_t>{'c', 'd', 'e'}));
    EXPECT_TRUE(control.Input().empty());
    port->arriving = {'x'};
    EXPECT_EQ(control.InBufferCount(), 1);
    control.InBufferCount(0);
    EXPECT_EQ(control.InBufferCount(), 0);
    EXPECT_THROW(control.InputLen(-1), tlx::Error);
}

TEST_F(Control, ADeviceThatWentIsReportedNotWaitedFor) {
    control.PortOpen(true);
    port->gone = true;
    EXPECT_THROW(control.InBufferCount(), tlx::PortGoneError);
    EXPECT_THROW(control.WaitInput(10.0), tlx::PortGoneError);  // at once
    control.PortOpen(false);
    EXPECT_THROW(control.Input(), tlx::Error);
}

}  // namespace
