// The random-generator driver, created by programmatic identifier from its registered
// component, a test build of it (randomizer_hooks.cpp) whose clock is fixed through the
// late-bound TESTCLOCK so that the curves can be read at exact times.
#include <gtest/gtest.h>

#include <cmath>

#include "components.h"
#include "tlx/cominfo.h"
#include "tlx/dispatch.h"
#include "vodex/interface_ids.h"

namespace {

using tlx::Variant;
using vodex::int_Device;

constexpr const char* kRandomizer = "VODEX_RANDOMIZER.cls_RANDOMIZER";
constexpr double kStart = 1000;  // seconds since midnight when the test connects

double L(double a) {
    return a > 0 ? std::log(a) : 100;
}

// The curves as the driver's description gives them, without noise.
double Curve(int channel, double t) {
    const double x = t / 10000;
    switch (channel) {
        case 1:
            if (t < 100) return -std::log10(0.1 - 9 * x);
            if (t == 100) return 7;
            return 14 + std::log10(11 * x - 0.1);
        case 2:
            if (x == 0) return -7.6 / L(10) + 4.75;
            if (t < 100) return -L((0.001 - 0.1 * x) / (0.1 * x)) / L(10) + 4.75;
            if (t == 100) return 7;
            return 14 + std::log10(11 * x - 0.1);
        case 3: {
            double v = t < 100 ? 0.95 - 0.009 * t : 0.006 * (t - 100) + 0.05;
            if (t > 90 && t < 100) v += 0.004 * (t - 90);
            if (t >= 100 && t < 108) v += 0.005 * (108 - t);
            return 5 * v;
        }
        case 4:
            if (t <= 30) return 0;
            if (t < 50) return 5 * (t - 30);
            if (t < 170) return 100;
            return 100 + 3 * (t - 169);
        case 5:
            return 2 * (std::exp(-0.007 * t) - 1);
        default:
            return 0;
    }
}

// The chromatogram at the test times, from the driver's peak table.
double Chromatogram(double t) {
    if (t == 10) return 10;
    if (t == 80) return 80;
    if (t == 81) return 70.76352;
    if (t == 100) return 2.076785e-07;
    if (t == 150) return 57.47369;
    return 0;
}

struct Band {
    double low;
    double high;
};

// Where a channel's value may lie around its curve.
Band NoiseBand(int channel) {
    switch (channel) {
        case 1:
        case 2:
            return {-0.004, 0.004};
        case 3:
            return {-0.02, 0.02};
        case 4:
            return {-1, 1};
        case 5:
            return {-0.008, 0.008};
        case 6:
            return {0, 0.5};
        default:
            return {0, 1};
    }
}

class Randomizer : public vodex::test::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_EQ(vodex::test::RunRegistration(VODEX_RANDOMIZER_WITH_HOOKS), 0);
        driver = CreateDriver(kRandomizer);
        device = DeviceOf(driver);
        ASSERT_TRUE(device);
    }
    void TearDown() override {
        if (device) device->DESTROY();
    }
    void Clock(double seconds) { tlx::SetPropertyByName(driver, "TESTCLOCK", Variant(seconds)); }
    void MeasureAll() {
        for (int i = 1; i <= device->CHANNELS()->COUNT(); ++i) {
            device->CHANNELS()->Item(i)->MEASURE(true);
        }
    }
    // Connects at kStart and measures once `t` seconds later.
    void MeasureAt(double t) {
        Clock(kStart);
        ASSERT_TRUE(device->CONNECT(1));
        MeasureAll();
        Clock(kStart + t);
        device->EXECUTE();
    }
    double Value(int channel) { return device->CHANNELS()->Item(channel, false)->VALUE(); }

    tlx::ObjectRef driver;
    std::shared_ptr<int_Device> device;
};

TEST_F(Randomizer, ANewDriverDescribesItsDevice) {
    auto info = device->INFO();
    EXPECT_EQ(info->NAME(), "Zufallsgenerator");
    EXPECT_EQ(info->MANUFACTURER(), "DE Vedaruzo");
    EXPECT_EQ(info->DESCRIPTION(), "Einfacher Zufallsgenerator");
    EXPECT_EQ(info->IDENTIFIER(), "ZFG");
    EXPECT_EQ(info->CATEGORY(), vodex::ID_DevCat_Other);
    EXPECT_TRUE(info->AUTOPORT());
    EXPECT_FALSE(info->AUTOSENSE());
    EXPECT_FALSE(info->SETUPSCREEN());
    EXPECT_EQ(info->INFOURL(), "");
    ASSERT_TRUE(info->IMAGE());
    ASSERT_TRUE(info->ICON());
    EXPECT_STREQ(info->IMAGE()->FORMAT(), "PNG");
    EXPECT_EQ(info->ICON()->WIDTH(), 16);
    EXPECT_EQ(info->WAVETIMEFIRST(), -1);  // everything else keeps its default

    const std::pair<const char*, const char*> channels[] = {
        {"pH a 0 - 14", "pH"}, {"pH b 0 - 14", "pH"},  {"LF 0 - 5 mS", "mS"}, {"T 0 - 200", "T"},
        {"m -2 - 0g", "m"},    {"GC -10 - 100", "GC"}, {"Zahl 0 - 1", ""}};
    ASSERT_EQ(device->CHANNELS()->COUNT(), 7);
    for (int i = 1; i <= 7; ++i) {
        auto c = device->CHANNELS()->Item(i);
        EXPECT_EQ(c->ID(), i);
        EXPECT_EQ(c->NAME(), channels[i - 1].first);
        EXPECT_EQ(c->SIZE(), channels[i - 1].second);
        EXPECT_EQ(c->FACTOR(), 1.0);
        EXPECT_EQ(c->OFFSET(), 0.0);
    }
    ASSERT_EQ(device->PORTS()->COUNT(), 1);
    EXPECT_EQ(device->PORTS()->Item(1)->ID(), 1);
    EXPECT_EQ(device->PORTS()->Item(1)->NAME(), "Eingebaut");
    EXPECT_TRUE(device->PORTS()->Item(1)->AVAILABLE());
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Off);
    EXPECT_EQ(device->PARENT(), driver);
    EXPECT_TRUE(driver->Implements(vodex::iid::tmp_Device[0]));
}

TEST_F(Randomizer, EventAnswers) {
    EXPECT_TRUE(device->AUTOPORT());
    EXPECT_EQ(device->PORT(), 1);
    EXPECT_TRUE(device->SETUPSCREEN());
    for (int s = 1; s <= 10; ++s)
        EXPECT_FALSE(device->SWITCH(s));
    EXPECT_FALSE(device->AUTOSENSE());
    EXPECT_EQ(device->AUTOCHANNEL(), -1);
    tlx::VariantArray none(0);
    EXPECT_FALSE(device->ACTIVATE("X", 1, none));
    EXPECT_TRUE(device->CONNECT(1));
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Ready);
    EXPECT_FALSE(device->DISCONNECT());  // the driver does not report success
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Off);
}

TEST_F(Randomizer, EveryCurveWithinItsNoiseBand) {
    for (double t : {0.0, 10.0, 50.0, 80.0, 81.0, 100.0, 150.0, 200.0}) {
        MeasureAt(t);
        for (int channel = 1; channel <= 7; ++channel) {
            const double expected = channel == 6   ? Chromatogram(t)
                                    : channel == 7 ? 0
                                                   : Curve(channel, t);
            const Band band = NoiseBand(channel);
            const double noise = Value(channel) - expected;
            EXPECT_GE(noise, band.low - 1e-4) << "channel " << channel << " at " << t << " s";
            EXPECT_LT(noise, band.high + 1e-4) << "channel " << channel << " at " << t << " s";
            EXPECT_TRUE(device->CHANNELS()->Item(channel, false)->MEASURED());
        }
        device->DISCONNECT();
    }
}

TEST_F(Randomizer, EveryChannelTakesItsDrawsInTurn) {
    // Ten distinct draws: one for the noise of every channel, a second one for channels 4, 6
    // and 7, in channel order.
    const float d[] = {0.05f, 0.15f, 0.25f, 0.35f, 0.45f, 0.55f, 0.65f, 0.75f, 0.85f, 0.95f};
    std::vector<Variant> draws;
    for (float f : d)
        draws.emplace_back(static_cast<double>(f));
    tlx::SetPropertyByName(driver, "TESTDRAWS", Variant::Array(0, draws));
    const double t = 50;
    MeasureAt(t);
    auto noise = [](float r) { return static_cast<double>((40 * r - 20) / 5); };
    const double expected[] = {
        (noise(d[0]) + 1000 * Curve(1, t)) / 1000,
        (noise(d[1]) + 1000 * Curve(2, t)) / 1000,
        (noise(d[2]) + 1000 * Curve(3, t) / 5) * 0.005,
        2 * d[4] + Curve(4, t) - 1,  // d[3] is its noise draw, which it does not use
        (noise(d[5]) + 1000 * Curve(5, t) / 2) / 500,
        Chromatogram(t) + d[7] / 2,  // d[6] likewise
        d[9],                        // d[8] likewise
    };
    for (int channel = 1; channel <= 7; ++channel) {
        EXPECT_NEAR(Value(channel), expected[channel - 1], 2e-5) << "channel " << channel;
    }
}

TEST_F(Randomizer, PHJumpsAcrossTheEquivalencePoint) {
    MeasureAt(99);
    EXPECT_NEAR(Value(1), 1.96, 0.01);
    MeasureAt(101);
    EXPECT_NEAR(Value(1), 12.05, 0.01);
    MeasureAt(50);
    EXPECT_NEAR(Value(2), 4.75, 0.0041);
}

TEST_F(Randomizer, TheTimeBaseRestartsAfter200Seconds) {
    MeasureAt(250);
    // The first measured channel still saw 250 s; the ones after it see the new start.
    EXPECT_NEAR(Value(1), Curve(1, 250), 0.0041);
    EXPECT_NEAR(Value(2), Curve(2, 0), 0.0041);
    EXPECT_NEAR(Value(3), Curve(3, 0), 0.021);
    Clock(kStart + 250 + 50);
    device->EXECUTE();
    EXPECT_NEAR(Value(2), Curve(2, 50), 0.0041);
}

TEST_F(Randomizer, TheTimeBaseRunsOnAcrossMidnightAndDisconnecting) {
    Clock(86350);
    ASSERT_TRUE(device->CONNECT(1));
    MeasureAll();
    Clock(10);  // 60 s later, after midnight
    device->EXECUTE();
    EXPECT_NEAR(Value(2), Curve(2, 60), 0.0041);

    Clock(kStart);
    device->CONNECT(1);
    device->DISCONNECT();  // keeps the start of the time base
    MeasureAll();
    Clock(kStart + 50);
    device->EXECUTE();
    EXPECT_NEAR(Value(2), Curve(2, 50), 0.0041);
}

TEST_F(Randomizer, ReplacingTheDevice) {
    auto fresh = std::make_shared<int_Device>();
    tlx::SetPropertyByName(driver, "DEVICE", Variant(fresh));
    EXPECT_EQ(tlx::GetPropertyByName(driver, "DEVICE").As<int_Device>(), fresh);
    EXPECT_EQ(fresh->PARENT(), driver);
    EXPECT_FALSE(device->PARENT());
    EXPECT_FALSE(device->AUTOPORT());  // the old device reaches the driver no more
    EXPECT_TRUE(fresh->AUTOPORT());
    EXPECT_TRUE(fresh->CONNECT(1));
    EXPECT_EQ(fresh->STATUS(), vodex::ID_DeviceStatus_Ready);

    // A device that another driver handles is refused.
    auto other = DeviceOf(CreateDriver(kRandomizer));
    EXPECT_THROW(tlx::SetPropertyByName(driver, "DEVICE", Variant(other)), tlx::Error);
    EXPECT_EQ(tlx::GetPropertyByName(driver, "DEVICE").As<int_Device>(), fresh);
    other->DESTROY();

    // Without a device nothing reaches the driver, and nothing fails.
    tlx::SetPropertyByName(driver, "DEVICE", Variant(tlx::ObjectRef()));
    EXPECT_FALSE(fresh->CONNECT(1));
    fresh->DESTROY();
}

TEST_F(Randomizer, OnlyChannelsToBeMeasuredAreTouched) {
    Clock(kStart);
    device->CONNECT(1);
    device->CHANNELS()->Item(3)->VALUE(-42);
    device->CHANNELS()->Item(1)->MEASURE(true);
    device->EXECUTE();
    EXPECT_TRUE(device->CHANNELS()->Item(1)->MEASURED());
    EXPECT_FALSE(device->CHANNELS()->Item(3)->MEASURED());
    EXPECT_EQ(device->CHANNELS()->Item(3)->VALUE(), -42);

    device->STATUS(vodex::ID_DeviceStatus_Error);
    device->CHANNELS()->Item(1)->VALUE(-1);
    device->CHANNELS()->Item(1)->MEASURED(false);
    device->EXECUTE();
    EXPECT_EQ(device->CHANNELS()->Item(1)->VALUE(), -1);
    EXPECT_FALSE(device->CHANNELS()->Item(1)->MEASURED());
}

TEST_F(Randomizer, RandomNumbersStayBelowOne) {
    tlx::SetPropertyByName(driver, "TESTCLOCK", Variant());  // the real clock
    device->CONNECT(1);
    MeasureAll();
    for (int cycle = 0; cycle < 2000; ++cycle) {
        device->EXECUTE();
        const double r = Value(7);
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
    }
}

TEST_F(Randomizer, PrepareMeasuresAtOnce) {
    Clock(40000);
    MeasureAll();
    device->PREPARE();
    // The first cycle found far more than 200 s elapsed and restarted the time base.
    EXPECT_TRUE(device->CHANNELS()->Item(2)->MEASURED());
    EXPECT_NEAR(Value(2), Curve(2, 0), 0.0041);
}

TEST_F(Randomizer, ChromatogramTable) {
    auto gc = [&](double t) {
        std::vector<Variant> args = {Variant(t), Variant(0.0)};
        tlx::InvokeByName(driver, "GC", args);
        return args[1].ToDouble();
    };
    EXPECT_NEAR(gc(81), 70.76352, 1e-4);
    EXPECT_EQ(gc(80), 80.0);
    EXPECT_EQ(gc(120), static_cast<double>(6.778557f));  // a table time: no interpolation
    EXPECT_EQ(gc(-5), 0.0);
    EXPECT_EQ(gc(250), 0.0);
    EXPECT_NEAR(gc(11), 5.0, 1e-6);  // halfway down from the spike at 10 s
}

TEST_F(Randomizer, ZtestCorrectsForMidnight) {
    Clock(10);  // ten seconds after midnight
    std::vector<Variant> args = {Variant(86390.0), Variant(0.0)};
    tlx::InvokeByName(driver, "Ztest", args);
    EXPECT_EQ(args[0].ToDouble(), 86390.0 - 86400);
    EXPECT_NEAR(args[1].ToDouble(), 20.0, 1e-3);
    args = {Variant(5.0), Variant(0.0)};
    tlx::InvokeByName(driver, "Ztest", args);
    EXPECT_EQ(args[0].ToDouble(), 5.0);
    EXPECT_NEAR(args[1].ToDouble(), 5.0, 1e-3);
}

TEST_F(Randomizer, ComponentInformation) {
    ASSERT_EQ(vodex::test::RunRegistration(VODEX_RANDOMIZER_COMPONENT), 0);  // the shipped one
    auto info = tlx::GetPropertyByName(CreateDriver("VODEX_RANDOMIZER.inf_Randomizer"), "COMINFO")
                    .As<tlx::cls_CoreComInfo>();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->KEY(), "VQ\\DEVICES\\RAND");
    EXPECT_EQ(info->VERSION(), "2.0");
    EXPECT_EQ(info->GROUP(), "Devices");
    EXPECT_EQ(info->TITLE(), "Randomizer Device");
    EXPECT_EQ(info->MAKER(), "DE Vedaruzo");
    EXPECT_EQ(info->DATE(), tlx::Date::FromParts(2001, 12, 5));
    EXPECT_EQ(info->FILENAME(), VODEX_RANDOMIZER_COMPONENT);
    ASSERT_TRUE(info->ICON());
}

TEST_F(Randomizer, TheDriverGoesWithItsLastReference) {
    std::weak_ptr<tlx::Object> weakDriver = driver;
    driver.reset();
    device->CONNECT(1);
    EXPECT_FALSE(weakDriver.expired());
    device->DESTROY();
    EXPECT_TRUE(weakDriver.expired());
    std::weak_ptr<int_Device> weakDevice = device;
    device.reset();
    EXPECT_TRUE(weakDevice.expired());
}

}  // namespace
