// The balance driver, created by programmatic identifier like any driver, against the virtual
// balance on a pseudo-terminal; and the reading of the balances' answers.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "components.h"
#include "protocol.h"
#include "tlx/cominfo.h"
#include "tlx/dispatch.h"
#include "tlx/port_map.h"
#include "tlx/tools.h"
#include "vodex/sim/virtual_balance.h"

namespace {

using vodex::int_Device;
using vodex::balance::ParseIdentity;
using vodex::balance::ParseWeight;
using vodex::balance::ParseZeroed;
using vodex::balance::Reading;
using vodex::sim::VirtualBalance;

TEST(BalanceAnswers, WeightsAndTheirStates) {
    auto w = ParseWeight("S S     100.00 g\r\n");
    EXPECT_EQ(w.reading, Reading::Stable);
    EXPECT_DOUBLE_EQ(w.grams, 100.0);
    w = ParseWeight("S D      -3.25 g");
    EXPECT_EQ(w.reading, Reading::Dynamic);
    EXPECT_DOUBLE_EQ(w.grams, -3.25);
    EXPECT_DOUBLE_EQ(ParseWeight("S S 1.5 kg\r\n").grams, 1500.0);
    EXPECT_DOUBLE_EQ(ParseWeight("S S 250 mg\r\n").grams, 0.25);
    EXPECT_DOUBLE_EQ(ParseWeight("S S +2.00 g\r\n").grams, 2.0);
    EXPECT_EQ(ParseWeight("S +\r\n").reading, Reading::Overload);
    EXPECT_EQ(ParseWeight("S -\r\n").reading, Reading::Underload);
    EXPECT_EQ(ParseWeight("S I\r\n").reading, Reading::NotNow);
    for (const char* bad : {"", "\r\n", "ES\r\n", "S", "S S\r\n", "S S 1.0\r\n", "S S abc g",
                            "S S 1.0 lb", "S X 1.0 g", "S S 1.0 g extra", "SI S 1.0 g",
                            "S S 1e999 g", "S S nan g", "S ?", "\x15\xFE#%\x07?\r\n"}) {
        EXPECT_EQ(ParseWeight(bad).reading, Reading::Invalid) << bad;
    }
}

TEST(BalanceAnswers, IdentityAndZero) {
    EXPECT_EQ(ParseIdentity("I4 A \"B021045183\"\r\n"), "B021045183");
    EXPECT_EQ(ParseIdentity("I4 A \"\"\r\n"), "");
    for (const char* bad :
         {"I4 A B02\r\n", "I4 I\r\n", "I4 A \"B0\"2\"\r\n", "I4 A \"B02", "ES\r\n", ""}) {
        EXPECT_FALSE(ParseIdentity(bad)) << bad;
    }
    EXPECT_TRUE(ParseZeroed("Z A\r\n"));
    EXPECT_FALSE(ParseZeroed("Z I\r\n"));
    EXPECT_FALSE(ParseZeroed("Z +\r\n"));
}

// The driver registered in the test's home; the machine has four serial ports, of which port 3
// leads to a virtual balance of 100 g and the others nowhere.
class Balance : public vodex::test::SerialDriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(
            Attach(VODEX_BALANCE_COMPONENT, "Vodex_Balance.cls_Balance", 3, balance.Path(), 0.3));
    }
    // Connects to `port` and measures the mass from then on.
    bool Connect(std::int32_t port) {
        const bool connected = device->CONNECT(port);
        Mass()->MEASURE(true);
        return connected;
    }
    std::shared_ptr<vodex::cls_DeviceChannel> Mass() { return device->CHANNELS()->Item(1, true); }

    VirtualBalance balance{{.link = home.File("waage"), .weight = 100.0}};
};

TEST_F(Balance, DescribesItself) {
    const auto info = device->INFO();
    EXPECT_EQ(info->CATEGORY(), vodex::ID_DevCat_Balance);
    EXPECT_TRUE(info->AUTOSENSE());
    EXPECT_TRUE(info->AUTOPORT());
    EXPECT_TRUE(info->SETZERO());
    EXPECT_TRUE(info->COMSETTINGS());
    ASSERT_EQ(device->CHANNELS()->COUNT(), 1);
    EXPECT_EQ(Mass()->NAME(), "Masse");
    EXPECT_EQ(Mass()->SIZE(), "g");
    EXPECT_TRUE(info->COMBAUD()->EXISTS(tlx::Variant(9600)));
    const auto com = device->SETTINGSCOM();
    EXPECT_EQ(com->BAUD(), 9600);
    EXPECT_EQ(com->PARITY(), vodex::ID_DeviceComParity_None);
    EXPECT_EQ(com->DATABITS(), vodex::ID_DeviceComData_8);
    EXPECT_EQ(com->STOPBITS(), vodex::ID_DeviceComStop_1_0);
    // The serial ports of the machine: port 3 is there, port 4 is not.
    EXPECT_EQ(device->PORTS()->COUNT(), 4);
    EXPECT_TRUE(device->PORTS()->Item(3, false)->AVAILABLE());
    EXPECT_FALSE(device->PORTS()->Item(4, false)->AVAILABLE());
    // The component describes itself too, with the driver's icon.
    const auto component =
        tlx::GetPropertyByName(CreateDriver("Vodex_Balance.inf_Balance"), "COMINFO")
            .As<tlx::cls_CoreComInfo>();
    ASSERT_TRUE(component);
    EXPECT_EQ(component->KEY(), "VQ\\DEVICES\\BALANCE");
    EXPECT_NE(component->FILENAME().find("Vodex_Balance"), std::string::npos);
    EXPECT_EQ(component->ICON()->BYTES(), info->ICON()->BYTES());
}

TEST_F(Balance, MeasuresStableMovingAndOutOfRangeWeights) {
    ASSERT_TRUE(Connect(3));
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Ready);
    device->EXECUTE();
    EXPECT_TRUE(Mass()->MEASURED());
    EXPECT_DOUBLE_EQ(Mass()->VALUE(), 100.0);
    EXPECT_EQ(Mass()->STATUS(), vodex::ID_ChannelStatus_Ready);

    balance.MoveTo(150.0, 60.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    device->EXECUTE();
    EXPECT_FALSE(Mass()->MEASURED());
    EXPECT_EQ(Mass()->STATUS(), vodex::ID_ChannelStatus_Busy);
    EXPECT_GT(Mass()->VALUE(), 100.0);
    EXPECT_LT(Mass()->VALUE(), 150.0);
    balance.SetWeight(150.0);  // settled
    device->EXECUTE();
    EXPECT_TRUE(Mass()->MEASURED());
    EXPECT_DOUBLE_EQ(Mass()->VALUE(), 150.0);

    balance.SetWeight(5000.0);
    device->EXECUTE();
    EXPECT_EQ(Mass()->STATUS(), vodex::ID_ChannelStatus_ErrOverflow);
    EXPECT_FALSE(Mass()->MEASURED());
    balance.SetWeight(-50.0);
    device->EXECUTE();
    EXPECT_EQ(Mass()->STATUS(), vodex::ID_ChannelStatus_ErrUnderrun);
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Ready);  // the balance did answer

    // Zeroing: the weight on the pan reads 0 afterwards.
    balance.SetWeight(20.0);
    EXPECT_TRUE(device->SWITCH(vodex::ID_DeviceSwitch_Zero));
    device->EXECUTE();
    EXPECT_DOUBLE_EQ(Mass()->VALUE(), 0.0);
    EXPECT_FALSE(device->SWITCH(vodex::ID_DeviceSwitch_Motor1));
    EXPECT_EQ(balance.Commands().front(), "I4");  // the connection asked who is there
}

TEST_F(Balance, SilenceAndGarbageAreErrorsWithinTheTimeOut) {
    ASSERT_TRUE(Connect(3));
    balance.SetSilent(true);
    auto start = std::chrono::steady_clock::now();
    device->EXECUTE();
    const double silent =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(silent, 0.3 * 2 + 0.5);  // the request and the answer each within 0.3 s
    EXPECT_EQ(Mass()->STATUS(), vodex::ID_ChannelStatus_ErrUnknown);
    EXPECT_FALSE(Mass()->MEASURED());
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Error);
    balance.SetSilent(false);
    balance.Send("S S     999.00 g\r\n");  // an answer too late for its request
    device->EXECUTE();                     // is not taken for this one
    EXPECT_TRUE(Mass()->MEASURED());
    EXPECT_DOUBLE_EQ(Mass()->VALUE(), 100.0);
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Ready);

    balance.SetGarbage(true);
    device->EXECUTE();
    EXPECT_EQ(Mass()->STATUS(), vodex::ID_ChannelStatus_ErrUnknown);
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Error);
}

TEST_F(Balance, AnUnpluggedBalanceIsAnErrorUntilResetBringsItBack) {
    ASSERT_TRUE(Connect(3));
    // A long time-out, so that ending early shows the unplugging was noticed.
    tlx::SetPropertyByName(driver, "TIMEOUT", tlx::Variant(2.0));
    balance.SetSilent(true);  // the request is read, the answer never comes: unplugged mid-read
    std::thread unplug([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        balance.Vanish();
    });
    const auto start = std::chrono::steady_clock::now();
    device->EXECUTE();
    unplug.join();
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
    EXPECT_EQ(Mass()->STATUS(), vodex::ID_ChannelStatus_ErrUnknown);
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Error);
    device->EXECUTE();  // nothing hangs while it is away
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Error);

    balance.SetSilent(false);
    balance.Return();
    device->RESET();
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Ready);
    Mass()->MEASURE(true);
    device->EXECUTE();
    EXPECT_TRUE(Mass()->MEASURED());
    EXPECT_DOUBLE_EQ(Mass()->VALUE(), 100.0);
}

TEST_F(Balance, NoBalanceNoConnection) {
    EXPECT_FALSE(Connect(4));  // nothing behind port 4
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Error);
    balance.SetSilent(true);
    EXPECT_FALSE(Connect(3));  // a port without an answering balance
    device->EXECUTE();
    EXPECT_EQ(Mass()->STATUS(), vodex::ID_ChannelStatus_ErrUnknown);
}

TEST_F(Balance, DetectionAsksEveryAvailablePort) {
    EXPECT_TRUE(device->AUTOSENSE());
    EXPECT_EQ(device->PORT(), 3);
    EXPECT_TRUE(device->AUTOPORT());
    // Connected, it finds the balance on its own port, which it holds.
    ASSERT_TRUE(Connect(3));
    EXPECT_TRUE(device->AUTOPORT());
    EXPECT_EQ(device->PORT(), 3);
    device->DISCONNECT();
    // Without a balance on any port it finds nothing.
    balance.SetSilent(true);
    device->PORT(0);
    EXPECT_FALSE(device->AUTOSENSE());
    EXPECT_EQ(device->PORT(), 0);
}

}  // namespace
