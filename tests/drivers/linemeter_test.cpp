// The text-line meters: descriptions read or refused with the file and line; channels reading
// their numbers; the driver a description makes, against the virtual line meter on a
// pseudo-terminal, created by programmatic identifier like any driver; and a description's
// whole way through the command line: installed, detected, measured, packaged, uninstalled.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "components.h"
#include "description.h"
#include "tlx/dispatch.h"
#include "tlx/port_map.h"
#include "tlx/tools.h"
#include "vodex/sim/virtual_linemeter.h"

namespace {

using vodex::int_Device;
using vodex::sim::VirtualLineMeter;
namespace lm = vodex::linemeter;
namespace fs = std::filesystem;

const std::string kExamples = std::string(VODEX_SOURCE_DIR) + "/drivers/linemeter/examples/";

TEST(LineMeterDescriptions, FaultsAreRefusedNamingTheFileAndLine) {
    const std::string head = "ID=T1\nNAME=Test\n";
    const std::string channel = "[CHANNEL]\nNAME=pH\n";
    const struct {
        std::string text;
        const char* said;
    } cases[] = {
        {head + channel + "PATTERN=pH [0-9.]+\n", "line 5: PATTERN has no capture group"},
        {head + channel + "PATTERN=(pH) ([0-9.]+)\n", "line 5: PATTERN has 2 capture groups"},
        {head + channel + "PATTERN=pH ([0-9.]+\n", "line 5: PATTERN is no pattern: missing )"},
        {head + channel + "PATTERN=((a{1000}){1000})\n", "line 5: PATTERN is no pattern"},
        {head + channel + "PATTERN=(x)\nPATTERN=(y)\n", "line 6: PATTERN is given twice"},
        {head + channel + "PATTERN=(x)\nCOLOUR=red\n", "line 6: \"COLOUR\" is no key of a"},
        {head + channel + "PATTERN=(x)\nMIN=5\nMAX=1\n", "line 3: MIN is not below MAX"},
        {head + channel + "PATTERN=(x)\nFACTOR=0\n", "line 6: FACTOR is 0"},
        {head + "SETTINGS=9600,N,9,1\n" + channel + "PATTERN=(x)\n", "line 3: SETTINGS are"},
        {head + "REQUEST=READ\\q\n" + channel + "PATTERN=(x)\n", "line 3: REQUEST: \\q is no"},
        {head + "IDENTIFY=ID?\n" + channel + "PATTERN=(x)\n", "line 3: IDENTIFY needs"},
        {head + "[CHANEL]\n", "line 3: \"[CHANEL]\" is no section"},
        {head + "pH 7.01\n", "line 3: \"pH 7.01\" is no KEY=value line"},
        {"ID=T-1\n", "line 1: ID is 1 to 20 letters"},
        {head, "the description describes no channel"},
        {"NAME=x\n" + channel + "PATTERN=(x)\n", "the description gives no ID"},
        {head + std::string("NAME2=\xff\xfe\x00", 9), "is no text"},
        {head + std::string(70 * 1024, '#'), "is larger than 64 KiB"},
    };
    for (const auto& c : cases) {
        try {
            lm::ParseDescription(c.text, "meter.linemeter");
            ADD_FAILURE() << "accepted: " << c.text.substr(0, 80);
        } catch (const lm::DescriptionError& e) {
            const std::string said = e.what();
            EXPECT_TRUE(said.starts_with("meter.linemeter") &&
                        said.find(c.said) != std::string::npos)
                << said;
        }
    }
    for (const char* example : {"ph_meter", "conductivity_meter", "temperature_logger"})
        EXPECT_NO_THROW(lm::ReadDescription(kExamples + example + ".linemeter")) << example;
}

TEST(LineMeterDescriptions, ChannelsReadTheirNumberAndNothingElse) {
    using Kind = lm::ChannelReading::Kind;
    const lm::Description d = lm::ParseDescription(
        "ID=T1\nNAME=Test\n[CHANNEL]\nNAME=a\nPATTERN=^pH ([-+]?[0-9.,]+)\nMIN=0\nMAX=14\n"
        "[CHANNEL]\nNAME=b\nPATTERN=T=(\\S+)\nFACTOR=0.1\nOFFSET=-273.15\n"
        "[CHANNEL]\nNAME=c\nPATTERN=(a+)+$\n",
        "t.linemeter");
    const std::string backtracking(50000, 'a');
    const struct {
        std::size_t channel;
        std::string line;
        Kind kind;
        double value;
    } cases[] = {
        {0, "pH 7.01 25.3C", Kind::Value, 7.01},
        {0, "pH +7,01", Kind::Value, 7.01},  // a decimal comma
        {0, "pH 14.5", Kind::Over, 0},
        {0, "pH -0.2", Kind::Under, 0},
        {0, "pH 7.0.1", Kind::NotANumber, 0},
        {0, "  pH 7.01", Kind::NoMatch, 0},
        {1, "T=2981.5", Kind::Value, 2981.5 * 0.1 - 273.15},
        {1, "T=1e999", Kind::NotANumber, 0},
        {1, "T=nan", Kind::NotANumber, 0},
        // A pattern that backtracking would take years over is linear here.
        {2, backtracking + "b", Kind::NoMatch, 0},
    };
    for (const auto& c : cases) {
        const lm::ChannelReading r = lm::ReadChannel(d.channels[c.channel], c.line);
        EXPECT_EQ(r.kind, c.kind) << c.line;
        EXPECT_NEAR(r.value, c.value, 1e-9) << c.line;
    }
    // A line longer than a meter sends is dropped; the line after it counts.
    lm::LineSplitter splitter;
    std::vector<std::string> lines;
    splitter.Append(std::string(1 << 20, 'x') + "\r\npH 7", lines);
    splitter.Append("\n\n", lines);
    EXPECT_EQ(lines, std::vector<std::string>{"pH 7"});
    EXPECT_EQ(splitter.Overlong(), 1u);
    EXPECT_EQ(lm::Unescape("READ\\r\\n\\x1B\\\\"), "READ\r\n\x1b\\");
}

// The pH meter's description installed as its driver's component in the test's home, the
// meter streaming on port 2 of four; the others lead nowhere.
class LineMeter : public vodex::test::SerialDriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        const std::string component = home.File("Vodex_Line_PH20.so");
        fs::copy_file(VODEX_LINEMETER_COMPONENT, component);
        fs::copy_file(kExamples + "ph_meter.linemeter", home.File("Vodex_Line_PH20.linemeter"));
        ASSERT_NO_FATAL_FAILURE(
            Attach(component, "Vodex_Line_PH20.cls_Line_PH20", 2, meter.Path(), 0.4));
    }
    std::shared_ptr<vodex::cls_DeviceChannel> Channel(std::int32_t id) {
        return device->CHANNELS()->Item(id, true);
    }
    // Connects on port 2 and marks both channels to be measured.
    void Connect() {
        ASSERT_TRUE(device->CONNECT(2)) << device->DEBUGINFO();
        for (std::int32_t id = 1; id <= 2; ++id)
            Channel(id)->MEASURE(true);
    }

    VirtualLineMeter meter{{.link = home.File("ph"),
                            .description = kExamples + "ph_meter.linemeter",
                            .values = {{"pH-Wert", 6.54}, {"Temperatur", 21.7}},
                            .every = std::chrono::milliseconds(100)}};
};

TEST_F(LineMeter, MeasuresWhatTheMeterSendsAndItsLimits) {
    EXPECT_EQ(device->INFO()->NAME(), "pH-Meter PH-20");
    EXPECT_EQ(Channel(2)->SIZE(), "°C");
    ASSERT_TRUE(device->AUTOSENSE());
    EXPECT_EQ(device->PORT(), 2);
    ASSERT_NO_FATAL_FAILURE(Connect());
    device->EXECUTE();
    EXPECT_TRUE(Channel(1)->MEASURED() && Channel(2)->MEASURED());
    EXPECT_DOUBLE_EQ(Channel(1)->VALUE(), 6.54);
    EXPECT_DOUBLE_EQ(Channel(2)->VALUE(), 21.7);
    // The newest line counts: what the meter sends after a change, beyond the pH's limit.
    meter.SetValue("pH-Wert", 16.5);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    device->EXECUTE();
    EXPECT_FALSE(Channel(1)->MEASURED());
    EXPECT_EQ(Channel(1)->STATUS(), vodex::ID_ChannelStatus_ErrOverflow);
    EXPECT_TRUE(Channel(2)->MEASURED());
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Ready);
}

TEST_F(LineMeter, WhatIsNoLineOfTheMeterIsADeviceErrorNeverAValue) {
    const struct {
        const char* what;
        std::string sent;
        const char* reason;
    } cases[] = {
        {"silence", "", "sends no line"},
        {"random bytes", std::string("\x15\xfe\x80 pH ?? \x07\r\n\x01\x02\n", 15),
         "match no channel"},
        {"a line of 1 MiB without end", std::string(1 << 20, '7'), "longer than 4096 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        meter.SetSilent(false);
        ASSERT_NO_FATAL_FAILURE(Connect());
        meter.SetSilent(true);
        device->EXECUTE();  // what the meter sent before it fell silent
        if (!c.sent.empty()) meter.Send(c.sent);
        device->EXECUTE();
        EXPECT_FALSE(Channel(1)->MEASURED() || Channel(2)->MEASURED());
        EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Error);
        EXPECT_NE(device->DEBUGINFO().find(c.reason), std::string::npos) << device->DEBUGINFO();
        device->DISCONNECT();
    }
}

// As a teacher installs two described meters and uses them from the command line.
TEST(LineMeterCommandLine, DescriptionsAreDriversInstalledDetectedMeasuredAndRemoved) {
    vodex::test::TempHome home;
    auto vodex = [](std::vector<std::string> args) {
        args.insert(args.begin(), VODEX_CLI);
        return vodex::test::RunProgram(args);
    };
    for (const char* example : {"ph_meter", "conductivity_meter"}) {
        const auto installed = vodex({"install", "--quiet", kExamples + example + ".linemeter"});
        ASSERT_EQ(installed.exitCode, 0) << installed.errors;
    }
    for (std::int32_t n = 1; n <= 8; ++n)
        tlx::SetPortDevicePath(n, home.File("nichts" + std::to_string(n)));
    VirtualLineMeter ph({.link = home.File("ph"),
                         .description = kExamples + "ph_meter.linemeter",
                         .values = {{"1", 7.25}}});
    VirtualLineMeter lf({.link = home.File("lf"),
                         .description = kExamples + "conductivity_meter.linemeter",
                         .values = {{"Leitfähigkeit", 0.084}}});
    tlx::SetPortDevicePath(3, ph.Path());
    tlx::SetPortDevicePath(6, lf.Path());
    const auto found = vodex({"detect", "--json"});
    ASSERT_EQ(found.exitCode, 0) << found.errors;
    for (const auto& [driver, port] :
         {std::pair{"Vodex_Line_PH20", 3}, std::pair{"Vodex_Line_LF300", 6}}) {
        const std::string entry = "\"class\":\"" + std::string(driver) + "\"";
        const std::size_t at = found.output.find(entry);
        ASSERT_NE(at, std::string::npos) << found.output;
        EXPECT_EQ(at, found.output.rfind(entry)) << found.output;
        EXPECT_EQ(found.output.find("\"port\":" + std::to_string(port) + ",", at),
                  found.output.find("\"port\":", at))
            << found.output;
    }
    const auto run =
        vodex({"measure", "Vodex_Line_LF300", "--port", "6", "--cycles", "2", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_NE(run.output.find("\"unit\":\"mS/cm\",\"value\":0.084,"), std::string::npos)
        << run.output;
    const auto packaged =
        vodex({"package", "--quiet", "--out", home.File("out"), kExamples + "ph_meter.linemeter"});
    ASSERT_EQ(packaged.exitCode, 0) << packaged.errors;
    EXPECT_TRUE(fs::exists(home.File("out/vodex_line_ph20.msi")));
    // A changed description is a newer driver: its version is the description's.
    std::ifstream example(kExamples + "ph_meter.linemeter");
    std::string text(std::istreambuf_iterator<char>(example), {});
    text.insert(text.find("TIMEOUT="), "VERSION=1.2.3\n");
    std::ofstream(home.File("ph2.linemeter")) << text;
    ASSERT_EQ(vodex({"install", "--quiet", home.File("ph2.linemeter")}).exitCode, 0);
    const auto updated = vodex({"drivers"});
    EXPECT_NE(updated.output.find("1.2.3"), std::string::npos) << updated.output;
    ASSERT_EQ(vodex({"uninstall", "--quiet", "Vodex_Line_PH20"}).exitCode, 0);
    const auto left = vodex({"drivers", "--all"});
    EXPECT_EQ(left.output.find("Vodex_Line_PH20"), std::string::npos) << left.output;
    EXPECT_NE(left.output.find("Vodex_Line_LF300"), std::string::npos) << left.output;
}

}  // namespace
