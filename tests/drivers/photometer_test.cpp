// The scanning photometer: what it says, read; its driver, created by programmatic identifier
// like any driver, against the virtual photometer on a pseudo-terminal (a band at 510 nm):
// readings, the wavelength set, scans longer than one time-out, and scans that are stopped or
// broken off; and the spectrum through `vodex scan`.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "components.h"
#include "photometer_protocol.h"
#include "tlx/clock.h"
#include "tlx/dispatch.h"
#include "tlx/port_map.h"
#include "tlx/pump.h"
#include "tlx/tools.h"
#include "vodex/sim/virtual_photometer.h"

namespace {

using vodex::int_Device;
using vodex::sim::VirtualPhotometer;
namespace ph = vodex::photometer;

TEST(PhotometerAnswers, ReadAsThePhotometerSaysThem) {
    using Kind = ph::Answer::Kind;
    const struct {
        const char* line;
        Kind kind;
        std::size_t points;
    } cases[] = {
        {"OK\r\n", Kind::Ok, 0},
        {"ERR 5 lamp warming up 3 s\r\n", Kind::Error, 0},
        {"ABS 0.8123\r\n", Kind::Value, 0},
        {"ABS OVER", Kind::Over, 0},
        {"SCAN 301", Kind::ScanStart, 0},
        {"D 400:0.0123,401:0.013", Kind::Data, 2},
        {"END", Kind::End, 0},
        {"END ABORTED", Kind::Aborted, 0},
        {"Vodex Messtechnik,VP-400,PH0815,1.2", Kind::Identity, 0},
        {"ABS nan", Kind::Invalid, 0},
        {"SCAN 0", Kind::Invalid, 0},
        {"SCAN 2.5", Kind::Invalid, 0},
        {"D 400:0.01,200:0.02", Kind::Invalid, 0},  // a wavelength it does not have
        {"D 400:0.01,", Kind::Invalid, 0},
        {"ERR x", Kind::Invalid, 0},
        {",VP-400,1,2", Kind::Invalid, 0},
        {"ABS \x07", Kind::Invalid, 0},
    };
    for (const auto& c : cases) {
        const ph::Answer a = ph::ParseAnswer(c.line);
        EXPECT_EQ(a.kind, c.kind) << c.line;
        EXPECT_EQ(a.points.size(), c.points) << c.line;
    }
    EXPECT_EQ(ph::ScanPoints(400, 700, 1), 301);
    EXPECT_EQ(ph::ScanPoints(400, 700, 7), 43);
    for (const auto& [from, to, step] : {std::tuple{700.0, 400.0, 1.0},
                                         {300.0, 400.0, 1.0},
                                         {400.0, 700.0, 0.0},
                                         {340.0, 1000.0, 0.01}}) {
        EXPECT_EQ(ph::ScanPoints(from, to, step), 0) << from << " " << to << " " << step;
    }
}

// The driver registered in the test's home; port 2 of four leads to the virtual photometer,
// the others nowhere. The driver waits half a second for each answer or line of a scan.
class Photometer : public vodex::test::SerialDriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(Attach(VODEX_PHOTOMETER_COMPONENT,
                                       "Vodex_Photometer.cls_Photometer", 2, photometer.Path(),
                                       0.5));
    }
    void TearDown() override {
        tlx::SetMessagePump(nullptr);
        tlx::CancelWaits(false);
        SerialDriverTest::TearDown();
    }
    bool Activate(const std::string& command, std::int32_t activation,
                  std::vector<tlx::Variant> values) {
        tlx::VariantArray parameters(1, std::move(values));
        return device->ACTIVATE(command, activation, parameters);
    }
    bool Scan(double from, double to, double step) {
        return Activate("SCAN", vodex::ID_DeviceAct_On, {from, to, step});
    }
    // The scanned points are in order, each within the noise of the solution's absorbance.
    void ExpectTrueToTheSolution() {
        const auto field = device->DATAFIELD();
        for (std::int32_t i = 1; i <= field->COUNT(); ++i) {
            if (i > 1) {
                ASSERT_GT(field->x(i), field->x(i - 1));
            }
            ASSERT_NEAR(field->Y(i), photometer.Absorbance(field->x(i)), 0.02) << field->x(i);
        }
    }

    VirtualPhotometer photometer{
        {.link = home.File("photometer"), .bands = {{.centre = 510, .peak = 0.8, .width = 30}}}};
};

TEST_F(Photometer, SetsItsWaveMeasuresAndScansLongerThanOneTimeOut) {
    const auto info = device->INFO();
    EXPECT_TRUE(info->MANUALWAVE() && info->MANUALSCAN());
    EXPECT_EQ(info->WAVESTART(), 340);
    EXPECT_TRUE(info->SUPPORTEDACTIVATORS()->EXISTS("SCAN"));
    ASSERT_TRUE(device->AUTOSENSE());
    EXPECT_EQ(device->PORT(), 2);
    ASSERT_TRUE(device->CONNECT(2)) << device->DEBUGINFO();
    ASSERT_TRUE(Activate("WAVE", vodex::ID_DeviceAct_Set, {510.0})) << device->DEBUGINFO();
    EXPECT_EQ(photometer.Wave(), 510);
    for (std::int32_t id = 1; id <= 3; ++id)
        device->CHANNELS()->Item(id, true)->MEASURE(true);
    device->EXECUTE();
    EXPECT_NEAR(device->CHANNELS()->Item(1, true)->VALUE(), 0.8, 0.01);
    EXPECT_NEAR(device->CHANNELS()->Item(2, true)->VALUE(), 100 * std::pow(10, -0.8), 0.5);
    EXPECT_EQ(device->CHANNELS()->Item(3, true)->VALUE(), 510);
    // 301 points at 5 ms each: three times the driver's time-out.
    ASSERT_TRUE(Scan(400, 700, 1)) << device->DEBUGINFO();
    const auto field = device->DATAFIELD();
    ASSERT_EQ(field->COUNT(), 301);
    EXPECT_EQ(field->x(1), 400);
    EXPECT_EQ(field->x(301), 700);
    ExpectTrueToTheSolution();
    const std::int32_t top = field->YNEAREST(field->Ymax());
    EXPECT_NEAR(field->x(top), 510, 5);
    // A step that is no whole number: every wavelength as the photometer was asked.
    ASSERT_TRUE(Scan(400, 401, 0.1234567)) << device->DEBUGINFO();
    EXPECT_EQ(field->COUNT(), 9);
    EXPECT_DOUBLE_EQ(field->x(9), 400 + 8 * 0.1234567);
    // What it cannot do is refused with the reason, the device still well.
    EXPECT_FALSE(Scan(200, 700, 1));
    EXPECT_NE(device->DEBUGINFO().find("340 to 1000 nm"), std::string::npos) << device->DEBUGINFO();
    EXPECT_FALSE(Activate("WAVE", vodex::ID_DeviceAct_Set, {1200.0}));
    EXPECT_FALSE(Activate("COLOUR", vodex::ID_DeviceAct_On, {}));
    EXPECT_FALSE(Activate("WAVE", vodex::ID_DeviceAct_Set, {tlx::Variant("blau")}));
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Ready);
}

TEST_F(Photometer, AScanStoppedOrBrokenOffKeepsItsPointsAndSaysWhy) {
    // What happens 0.3 s into the scan, in the driver's wait, and what the device says then.
    const struct {
        const char* what;
        std::function<void()> happen;
        std::int32_t status;
        const char* reason;
    } cases[] = {
        {"the program stops it", [] { tlx::CancelWaits(true); }, vodex::ID_DeviceStatus_Ready,
         "the scan was stopped"},
        {"a line that is no scan", [&] { photometer.Send("D 700:1,400:2\r\n"); },
         vodex::ID_DeviceStatus_Error, "makes no sense"},
        {"the photometer falls silent", [&] { photometer.SetSilent(true); },
         vodex::ID_DeviceStatus_Error, "stopped sending its scan"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        photometer.SetSilent(false);
        ASSERT_TRUE(device->CONNECT(2)) << device->DEBUGINFO();
        const tlx::cls_CoreTimer timer;
        bool happened = false;
        tlx::SetMessagePump([&] {
            if (!happened && timer.ELAPSED(0.3)) {
                happened = true;
                c.happen();
            }
        });
        EXPECT_FALSE(Scan(400, 700, 1));
        tlx::SetMessagePump(nullptr);
        tlx::CancelWaits(false);
        const std::int32_t count = device->DATAFIELD()->COUNT();
        EXPECT_TRUE(count > 10 && count < 301) << count;
        ExpectTrueToTheSolution();
        EXPECT_EQ(device->STATUS(), c.status);
        EXPECT_NE(device->DEBUGINFO().find(c.reason), std::string::npos) << device->DEBUGINFO();
        EXPECT_NE(device->DEBUGINFO().find(std::to_string(count) + " of 301"), std::string::npos);
        device->DISCONNECT();
    }
}

TEST(PhotometerCommandLine, ScansASpectrumAsCsv) {
    vodex::test::TempHome home;
    VirtualPhotometer photometer(
        {.link = home.File("photometer"), .bands = {{.centre = 510, .peak = 0.8, .width = 30}}});
    tlx::SetPortDevicePath(5, photometer.Path());
    ASSERT_EQ(vodex::test::RunProgram({VODEX_CLI, "install", "--quiet", VODEX_PHOTOMETER_COMPONENT})
                  .exitCode,
              0);
    const auto run =
        vodex::test::RunProgram({VODEX_CLI, "scan", "Vodex_Photometer", "--port", "5", "--from",
                                 "400", "--to", "700", "--step", "1", "--format", "csv"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    std::istringstream lines(run.output);
    std::string line;
    std::getline(lines, line);  // the head
    std::vector<std::pair<double, double>> points;
    while (std::getline(lines, line)) {
        const std::size_t comma = line.find(',');
        points.emplace_back(std::stod(line.substr(0, comma)), std::stod(line.substr(comma + 1)));
    }
    ASSERT_EQ(points.size(), 301u);
    const auto top = std::max_element(points.begin(), points.end(),
                                      [](auto& a, auto& b) { return a.second < b.second; });
    EXPECT_TRUE(top->first >= 505 && top->first <= 515) << top->first;
}

}  // namespace
