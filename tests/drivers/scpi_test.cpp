// The SCPI multimeter driver, created by programmatic identifier like any driver, against the
// virtual SCPI meter on a pseudo-terminal; and the reading of what SCPI meters answer.
#include <gtest/gtest.h>

#include "components.h"
#include "scpi_protocol.h"
#include "tlx/dispatch.h"
#include "tlx/port_map.h"
#include "tlx/tools.h"
#include "vodex/sim/virtual_multimeter.h"

namespace {

using vodex::int_Device;
using vodex::sim::VirtualMultimeter;
namespace scpi = vodex::scpi;

TEST(ScpiAnswers, IdentitiesReadingsAndErrors) {
    const auto id = scpi::ParseIdentity("Vodex Messtechnik, VM-2000,MM0451,1.07\r\n");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->maker + "|" + id->model + "|" + id->serial + "|" + id->firmware,
              "Vodex Messtechnik|VM-2000|MM0451|1.07");
    for (const char* bad :
         {"", "\n", "VM-2000,MM0451,1.07", "a,b,c,d,e", ",VM,1,2", "*IDN?\n", "a,\x07,c,d"}) {
        EXPECT_FALSE(scpi::ParseIdentity(bad)) << bad;
    }
    using Kind = scpi::Reading::Kind;
    const struct {
        const char* line;
        Kind kind;
        double value;
    } readings[] = {
        {"+1.23450000E+00\n", Kind::Value, 1.2345},
        {"-3.07100000E-03\r\n", Kind::Value, -0.003071},
        {"  42\n", Kind::Value, 42.0},
        {"+9.90000000E+37\n", Kind::Overload, 0},
        {"-9.9E37\n", Kind::Overload, 0},
        {"+1.23", Kind::Value, 1.23},
        {"", Kind::Invalid, 0},
        {"+1.23E+00 V\n", Kind::Invalid, 0},
        {"MEAS:VOLT:DC? AUTO\n", Kind::Invalid, 0},
        {"nan\n", Kind::Invalid, 0},
        {"\x15\xFE#%\x07?\x80\n", Kind::Invalid, 0},
        {"1e999\n", Kind::Invalid, 0},
    };
    for (const auto& r : readings) {
        const scpi::Reading got = scpi::ParseReading(r.line);
        EXPECT_EQ(got.kind, r.kind) << r.line;
        EXPECT_DOUBLE_EQ(got.value, r.value) << r.line;
    }
    const auto entry = scpi::ParseQueueEntry("-113,\"Undefined header\"\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->code, -113);
    EXPECT_EQ(entry->text, "Undefined header");
    EXPECT_EQ(scpi::ParseQueueEntry("+0,\"No error\"")->code, 0);
    for (const char* bad : {"", "-113", "-113,Undefined", "x,\"y\"", "1.5,\"y\""})
        EXPECT_FALSE(scpi::ParseQueueEntry(bad)) << bad;
}

// The driver registered in the test's home; of four serial ports, port 2 leads to a virtual
// SCPI meter (1.2345 V DC, 1500 Ω, no temperature function) and the others nowhere.
class Scpi : public vodex::test::SerialDriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(
            Attach(VODEX_SCPI_COMPONENT, "Vodex_Scpi.cls_Scpi", 2, meter.Path(), 0.3));
    }
    std::shared_ptr<vodex::cls_DeviceChannel> Channel(std::int32_t id) {
        return device->CHANNELS()->Item(id, true);
    }
    // Measures the channels given once.
    void Measure(std::initializer_list<std::int32_t> ids) {
        for (std::int32_t id : ids)
            Channel(id)->MEASURE(true);
        device->EXECUTE();
    }

    VirtualMultimeter meter{{.link = home.File("dmm"),
                             .values = {{"VDC", 1.2345}, {"OHM", 1500.0}},
                             .missing = {"TEMP"}}};
};

TEST_F(Scpi, KnowsTheMeterAndMeasuresEachFunction) {
    EXPECT_EQ(device->INFO()->CATEGORY(), vodex::ID_DevCat_Multimeter);
    ASSERT_EQ(device->CHANNELS()->COUNT(), 7);
    EXPECT_EQ(Channel(5)->SIZE(), "Ω");
    ASSERT_TRUE(device->CONNECT(2)) << device->DEBUGINFO();
    EXPECT_EQ(tlx::GetPropertyByName(driver, "IDENTITY").ToText(),
              "Vodex Messtechnik,VM-2000,MM0451,1.07");
    EXPECT_NE(device->INFO()->DESCRIPTION().find("VM-2000"), std::string::npos);
    Measure({1, 5});
    EXPECT_TRUE(Channel(1)->MEASURED() && Channel(5)->MEASURED());
    EXPECT_DOUBLE_EQ(Channel(1)->VALUE(), 1.2345);
    EXPECT_DOUBLE_EQ(Channel(5)->VALUE(), 1500.0);
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Ready);
    const auto commands = meter.Commands();
    for (const char* sent : {"*IDN?", "*RST", "*CLS", "MEAS:VOLT:DC? AUTO", "MEAS:RES? AUTO"})
        EXPECT_NE(std::find(commands.begin(), commands.end(), sent), commands.end()) << sent;
    device->DISCONNECT();
    EXPECT_TRUE(device->AUTOSENSE());
    EXPECT_EQ(device->PORT(), 2);
}

TEST_F(Scpi, WhatIsNoReadingIsAnErrorNeverAValue) {
    // Each case: what the meter does, the channel measured, its status, whether the device
    // goes into error, and part of the device's reason ("" for none).
    const struct {
        const char* what;
        std::function<void()> make;
        std::int32_t channel;
        std::int32_t status;
        bool error;
        const char* reason;
    } cases[] = {
        {"overload", [&] { meter.SetOverload(true); }, 1, vodex::ID_ChannelStatus_ErrOverflow,
         false, ""},
        {"a function the meter lacks", [] {}, 7, vodex::ID_ChannelStatus_ErrUnknown, false,
         "reports the error -113 (Undefined header)"},
        {"bytes that are no answer", [&] { meter.SetGarbage(true); }, 1,
         vodex::ID_ChannelStatus_ErrUnknown, true, "makes no sense"},
        {"an answer cut off", [&] { meter.SetCutOff(true); }, 1, vodex::ID_ChannelStatus_ErrUnknown,
         true, "makes no sense"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        meter.SetOverload(false);
        meter.SetGarbage(false);
        meter.SetSilent(false);
        meter.SetCutOff(false);
        ASSERT_TRUE(device->CONNECT(2)) << device->DEBUGINFO();
        c.make();
        Measure({c.channel});
        EXPECT_FALSE(Channel(c.channel)->MEASURED());
        EXPECT_EQ(Channel(c.channel)->STATUS(), c.status);
        EXPECT_EQ(device->STATUS(),
                  c.error ? vodex::ID_DeviceStatus_Error : vodex::ID_DeviceStatus_Ready);
        if (*c.reason) {
            EXPECT_NE(device->DEBUGINFO().find(c.reason), std::string::npos) << device->DEBUGINFO();
        }
        device->DISCONNECT();
        Channel(c.channel)->MEASURE(false);
    }
}

TEST_F(Scpi, AChannelNotReachedInACycleIsNotMeasuredInIt) {
    ASSERT_TRUE(device->CONNECT(2));
    Measure({1, 5});
    ASSERT_TRUE(Channel(5)->MEASURED());
    meter.SetSilent(true);  // the cycle ends at channel 1
    device->EXECUTE();
    EXPECT_FALSE(Channel(1)->MEASURED() || Channel(5)->MEASURED());
}

TEST_F(Scpi, AMeterThatEchoesIsNoMeter) {
    VirtualMultimeter::Options echo;
    echo.link = home.File("echo");
    echo.echo = true;
    VirtualMultimeter echoing(echo);
    tlx::SetPortDevicePath(3, echoing.Path());
    EXPECT_FALSE(device->CONNECT(3));
    EXPECT_NE(device->DEBUGINFO().find("no SCPI multimeter answers"), std::string::npos)
        << device->DEBUGINFO();
}

}  // namespace

namespace {

// As a user finds and measures the meter: `vodex detect` and `vodex measure`.
TEST_F(Scpi, TheCommandLineDetectsAndMeasuresTheMeter) {
    auto vodex = [](std::vector<std::string> args) {
        args.insert(args.begin(), VODEX_CLI);
        return vodex::test::RunProgram(args);
    };
    ASSERT_EQ(vodex({"install", "--quiet", VODEX_SCPI_COMPONENT}).exitCode, 0);
    const auto found = vodex({"detect", "--json"});
    ASSERT_EQ(found.exitCode, 0) << found.errors;
    EXPECT_NE(found.output.find("{\"class\":\"Vodex_Scpi\",\"name\":\"SCPI-Multimeter\","
                                "\"manufacturer\":\"Vodex\",\"port\":2,"),
              std::string::npos)
        << found.output;
    const auto run = vodex({"measure", "Vodex_Scpi", "--port", "2", "--cycles", "2", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const std::string reading =
        "{\"id\":1,\"name\":\"Gleichspannung\",\"unit\":\"V\",\"value\":1.2345,\"status\":0,"
        "\"measured\":true}";
    std::size_t cycles = 0;
    for (std::size_t at = 0; (at = run.output.find(reading, at)) != std::string::npos; ++at)
        ++cycles;
    EXPECT_EQ(cycles, 2u) << run.output;
}

}  // namespace
