// The handheld multimeters' 14-byte packets, each checked against what a person reads off the
// meter's display; and the handheld driver against the virtual handheld meter.
#include <gtest/gtest.h>

#include "dmm14_protocol.h"

namespace {

using vodex::dmm14::Decode;
using vodex::dmm14::Packet;
using vodex::dmm14::PacketReader;

struct Shown {
    const char* display;  // what the display shows, for the failure message
    Packet packet;
    double value;
    bool overload;
    const char* unit;
    const char* shownUnit;
    const char* flags;  // A ac, D dc, U auto, H hold, R rel, B low battery
};

// Built by hand from the segments: the digits' first bytes carry E F A (and the sign or the
// point before the digit), the second bytes D C G B.
const Shown kShown[] = {
    {"-3.071 V DC AUTO",
     {0x17, 0x29, 0x3F, 0x4F, 0x5D, 0x61, 0x75, 0x80, 0x95, 0xA0, 0xB0, 0xC0, 0xD4, 0xE0},
     -3.071,
     false,
     "V",
     "V",
     "DU"},
    {"12.34 mV AC",
     {0x19, 0x20, 0x35, 0x45, 0x5B, 0x69, 0x7F, 0x82, 0x97, 0xA0, 0xB8, 0xC0, 0xD4, 0xE0},
     0.01234,
     false,
     "V",
     "mV",
     "A"},
    {" OL  MΩ AUTO",
     {0x13, 0x20, 0x30, 0x47, 0x5D, 0x66, 0x78, 0x80, 0x90, 0xA0, 0xB2, 0xC4, 0xD0, 0xE0},
     0.0,
     true,
     "Ω",
     "MΩ",
     "U"},
    {"999.9 kHz",
     {0x11, 0x23, 0x3F, 0x43, 0x5F, 0x63, 0x7F, 0x8B, 0x9F, 0xA2, 0xB0, 0xC0, 0xD2, 0xE0},
     999900.0,
     false,
     "Hz",
     "kHz",
     ""},
    {"0.470 µF HOLD",
     {0x11, 0x27, 0x3D, 0x4A, 0x57, 0x61, 0x75, 0x87, 0x9D, 0xA8, 0xB0, 0xC9, 0xD0, 0xE0},
     0.47e-6,
     false,
     "F",
     "µF",
     "H"},
    {"47.00 nF",
     {0x11, 0x22, 0x37, 0x41, 0x55, 0x6F, 0x7D, 0x87, 0x9D, 0xA4, 0xB0, 0xC8, 0xD0, 0xE0},
     47.0e-9,
     false,
     "F",
     "nF",
     ""},
    {"  25.0 °C",
     {0x11, 0x20, 0x30, 0x45, 0x5B, 0x63, 0x7E, 0x8F, 0x9D, 0xA0, 0xB0, 0xC0, 0xD0, 0xE2},
     25.0,
     false,
     "°C",
     "°C",
     ""},
    {"  98.6 °F",
     {0x11, 0x20, 0x30, 0x43, 0x5F, 0x67, 0x7F, 0x8F, 0x9E, 0xA0, 0xB0, 0xC0, 0xD0, 0xE4},
     98.6,
     false,
     "°F",
     "°F",
     ""},
    {"  12 %",
     {0x11, 0x20, 0x30, 0x40, 0x50, 0x60, 0x75, 0x85, 0x9B, 0xA0, 0xB4, 0xC0, 0xD0, 0xE0},
     12.0,
     false,
     "%",
     "%",
     ""},
    {"1.000 A REL, battery low",
     {0x11, 0x20, 0x35, 0x4F, 0x5D, 0x67, 0x7D, 0x87, 0x9D, 0xA0, 0xB0, 0xC2, 0xD9, 0xE0},
     1.0,
     false,
     "A",
     "A",
     "RB"},
};

std::string Flags(const vodex::dmm14::Display& d) {
    std::string f;
    if (d.ac) f += 'A';
    if (d.dc) f += 'D';
    if (d.autoRange) f += 'U';
    if (d.hold) f += 'H';
    if (d.relative) f += 'R';
    if (d.lowBattery) f += 'B';
    return f;
}

TEST(HandheldPackets, EachReadsAsTheDisplayShowsIt) {
    for (const Shown& s : kShown) {
        SCOPED_TRACE(s.display);
        const auto d = Decode(s.packet);
        ASSERT_TRUE(d);
        EXPECT_NEAR(d->value, s.value, std::abs(s.value) * 1e-12);
        EXPECT_EQ(d->overload, s.overload);
        EXPECT_EQ(d->unit, s.unit);
        EXPECT_EQ(d->shownUnit, s.shownUnit);
        EXPECT_EQ(Flags(*d), s.flags);
    }
    // Segments that are no digit, two units at once, two points, a byte out of place.
    Packet noDigit = kShown[0].packet;
    noDigit[2] = 0x31;
    Packet twoUnits = kShown[0].packet;
    twoUnits[12] = 0xDC;
    Packet twoPoints = kShown[0].packet;
    twoPoints[5] |= 0x8;
    Packet misplaced = kShown[0].packet;
    misplaced[7] = 0x95;
    for (const Packet& bad : {noDigit, twoUnits, twoPoints, misplaced})
        EXPECT_FALSE(Decode(bad));
}

TEST(HandheldPackets, TheReaderResynchronisesAndNeverMixesPackets) {
    const Packet& a = kShown[0].packet;
    const Packet& b = kShown[1].packet;
    auto bytes = [](std::initializer_list<std::span<const std::uint8_t>> parts) {
        std::vector<std::uint8_t> all;
        for (auto p : parts)
            all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    const struct {
        const char* what;
        std::vector<std::uint8_t> stream;
        std::vector<Packet> packets;
    } cases[] = {
        {"whole", bytes({a, b}), {a, b}},
        {"a byte lost", bytes({std::span(a).first(5), std::span(a).subspan(6), b}), {b}},
        {"started one byte late", bytes({std::span(a).subspan(1), b}), {b}},
        {"noise between", bytes({a, std::vector<std::uint8_t>{0x00, 0xFF, 0x5A}, b}), {a, b}},
        {"cut short at the end", bytes({a, std::span(b).first(13)}), {a}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (std::size_t piece : {std::size_t{1}, std::size_t{5}, c.stream.size()}) {
            PacketReader reader;
            std::vector<Packet> got;
            for (std::size_t at = 0; at < c.stream.size(); at += piece) {
                reader.Feed(std::span(c.stream).subspan(at, std::min(piece, c.stream.size() - at)),
                            got);
            }
            EXPECT_EQ(got, c.packets) << "read " << piece << " at a time";
        }
    }
}

}  // namespace

#include <chrono>
#include <thread>

#include "components.h"
#include "tlx/dispatch.h"
#include "tlx/port_map.h"
#include "tlx/tools.h"
#include "vodex/sim/virtual_multimeter.h"

namespace {

using vodex::sim::VirtualMultimeter;

// The driver registered in the test's home; of four serial ports, port 4 leads to a virtual
// handheld meter on DC volts (-3.071 V; 1500 Ω when turned to resistance), the others nowhere.
class Handheld : public vodex::test::SerialDriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(Attach(VODEX_HANDHELD_DMM_COMPONENT,
                                       "Vodex_HandheldDmm.cls_HandheldDmm", 4, meter->Path()));
    }
    // Connects on port 4 and measures the display from then on.
    bool Connect() {
        const bool connected = device->CONNECT(4);
        Display()->MEASURE(true);
        return connected;
    }
    std::shared_ptr<vodex::cls_DeviceChannel> Display() {
        return device->CHANNELS()->Item(1, true);
    }
    // Measures until `done` holds, at most for `seconds`.
    bool MeasureUntil(const std::function<bool()>& done, double seconds = 3.0) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < end) {
            device->EXECUTE();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    static VirtualMultimeter::Options Meter(const std::string& link, double drop = 0.0) {
        VirtualMultimeter::Options o;
        o.link = link;
        o.protocol = VirtualMultimeter::Protocol::Dmm14;
        o.values = {{"VDC", -3.071}, {"OHM", 1500.0}};
        o.dropBytes = drop;
        return o;
    }

    std::unique_ptr<VirtualMultimeter> meter =
        std::make_unique<VirtualMultimeter>(Meter(home.File("hand")));
};

TEST_F(Handheld, TheChannelFollowsTheRotarySwitch) {
    ASSERT_TRUE(Connect()) << device->DEBUGINFO();
    device->EXECUTE();  // the first cycle measures what connecting saw
    EXPECT_TRUE(Display()->MEASURED());
    EXPECT_EQ(Display()->NAME() + " " + Display()->SIZE(), "Gleichspannung V");
    EXPECT_DOUBLE_EQ(Display()->VALUE(), -3.071);
    meter->SetFunction("OHM");
    EXPECT_TRUE(MeasureUntil([&] { return Display()->SIZE() == "Ω"; }));
    EXPECT_EQ(Display()->NAME(), "Widerstand");
    EXPECT_DOUBLE_EQ(Display()->VALUE(), 1500.0);
    meter->SetOverload(true);
    EXPECT_TRUE(
        MeasureUntil([&] { return Display()->STATUS() == vodex::ID_ChannelStatus_ErrOverflow; }));
    EXPECT_FALSE(Display()->MEASURED());
}

TEST_F(Handheld, SilenceIsAnErrorUntilPacketsReturn) {
    tlx::SetPropertyByName(driver, "SILENCE", tlx::Variant(0.4));
    ASSERT_TRUE(Connect());
    meter->SetSilent(true);
    EXPECT_TRUE(MeasureUntil([&] { return device->STATUS() == vodex::ID_DeviceStatus_Error; }));
    EXPECT_NE(device->DEBUGINFO().find("sends nothing"), std::string::npos) << device->DEBUGINFO();
    meter->SetSilent(false);
    EXPECT_TRUE(MeasureUntil([&] { return device->STATUS() == vodex::ID_DeviceStatus_Ready; }));
    EXPECT_DOUBLE_EQ(Display()->VALUE(), -3.071);
}

TEST_F(Handheld, LostBytesCostPacketsNeverAWrongValue) {
    meter = std::make_unique<VirtualMultimeter>(Meter(home.File("hand"), 0.03));
    ASSERT_TRUE(Connect()) << device->DEBUGINFO();
    int measured = 0;
    MeasureUntil(
        [&] {
            if (Display()->MEASURED()) {
                ++measured;
                EXPECT_DOUBLE_EQ(Display()->VALUE(), -3.071);
            }
            return measured >= 8;
        },
        10.0);
    EXPECT_GE(measured, 8);
}

TEST_F(Handheld, DetectionAndTheCommandLineFindTheMeter) {
    EXPECT_TRUE(device->AUTOSENSE());
    EXPECT_EQ(device->PORT(), 4);
    device->DESTROY();
    device = nullptr;
    auto vodex = [](std::vector<std::string> args) {
        args.insert(args.begin(), VODEX_CLI);
        return vodex::test::RunProgram(args);
    };
    ASSERT_EQ(vodex({"install", "--quiet", VODEX_HANDHELD_DMM_COMPONENT}).exitCode, 0);
    meter = std::make_unique<VirtualMultimeter>([&] {
        auto o = Meter(home.File("hand"));
        o.switchEvery = 2.0;  // DC volts, then AC volts, ...
        return o;
    }());
    const auto run = vodex({"measure", "Vodex_HandheldDmm", "--port", "4", "--cycles", "8",
                            "--interval", "0.4", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(
        run.output.find("{\"id\":1,\"name\":\"Gleichspannung\",\"unit\":\"V\",\"value\":-3.071,"
                        "\"status\":0,\"measured\":true}"),
        run.output.find("{\"id\":1"))
        << run.output;  // the first cycle's reading
    EXPECT_NE(run.errors.find("Channel 1 now measures Wechselspannung in V"), std::string::npos)
        << run.errors;
}

}  // namespace

#include "pseudo_terminal.h"
#include "vodex/sim/virtual_balance.h"

namespace {

// Three instruments of three kinds on three of 32 ports, the others silent terminals: the
// detection finds each once, on its own port.
TEST(DetectingMultimeters, AMeterOfEachKindAndABalanceAmongSilentPortsAreEachFoundOnce) {
    vodex::test::TempHome home;
    auto vodex = [](std::vector<std::string> args) {
        args.insert(args.begin(), VODEX_CLI);
        return vodex::test::RunProgram(args);
    };
    for (const char* driver :
         {VODEX_BALANCE_COMPONENT, VODEX_SCPI_COMPONENT, VODEX_HANDHELD_DMM_COMPONENT}) {
        ASSERT_EQ(vodex({"install", "--quiet", driver}).exitCode, 0) << driver;
    }
    std::vector<std::unique_ptr<vodex::test::PseudoTerminal>> silent;
    for (std::int32_t n = 1; n <= 32; ++n) {
        silent.push_back(std::make_unique<vodex::test::PseudoTerminal>());
        tlx::SetPortDevicePath(n, silent.back()->Path());
    }
    vodex::sim::VirtualBalance balance({.link = home.File("waage"), .weight = 12.0});
    VirtualMultimeter::Options bench;
    bench.link = home.File("scpi");
    VirtualMultimeter scpi(bench);
    VirtualMultimeter::Options handheld;
    handheld.link = home.File("hand");
    handheld.protocol = VirtualMultimeter::Protocol::Dmm14;
    VirtualMultimeter hand(handheld);
    tlx::SetPortDevicePath(5, balance.Path());
    tlx::SetPortDevicePath(17, scpi.Path());
    tlx::SetPortDevicePath(30, hand.Path());
    const auto found = vodex({"detect", "--json"});
    ASSERT_EQ(found.exitCode, 0) << found.errors;
    for (const auto& [driver, port] : {std::pair{"Vodex_Balance", 5}, std::pair{"Vodex_Scpi", 17},
                                       std::pair{"Vodex_HandheldDmm", 30}}) {
        const std::string entry = "\"class\":\"" + std::string(driver) + "\"";
        EXPECT_EQ(found.output.find(entry), found.output.rfind(entry)) << found.output;
        const std::size_t at = found.output.find(entry);
        ASSERT_NE(at, std::string::npos) << found.output;
        EXPECT_EQ(found.output.find("\"port\":" + std::to_string(port) + ",", at),
                  found.output.find("\"port\":", at))
            << found.output;
    }
}

}  // namespace
