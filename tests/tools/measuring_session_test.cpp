// The measuring session of programs without windows, with the random generator installed.
#include "vodex/tools/measuring_session.h"

#include <gtest/gtest.h>

#include "components.h"
#include "tlx/error.h"
#include "tlx/text.h"
#include "tlx/tools.h"

namespace {

class Session : public vodex::test::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        tlx::CoreTools().REGISTRY().WRITE(
            tlx::HKEY_LOCAL_MACHINE,
            "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices\\Vodex_Randomizer",
            tlx::Variant(std::string(VODEX_RANDOMIZER_COMPONENT)));
    }
};

// A driver that is not installed: the random generator measures in its place, the chosen
// channels in their order, and the device goes with the session.
TEST_F(Session, TheRandomGeneratorStandsInMeasuresAndGoes) {
    std::weak_ptr<vodex::int_Device> device;
    {
        vodex::MeasuringSession session("NICHT_DA", std::nullopt);
        EXPECT_EQ(tlx::UCase(session.DriverClass()), "VODEX_RANDOMIZER");
        EXPECT_NE(session.Replaced().find("NICHT_DA"), std::string::npos) << session.Replaced();
        EXPECT_THROW(session.Choose({1, 99}), tlx::Error);
        session.Choose({7, 1});
        EXPECT_EQ(session.Channels(), (std::vector<std::int32_t>{7, 1}));
        const vodex::MeasuringSession::Cycle first = session.Measure();
        tlx::CoreTools().CLOCK().WAIT(0.05, false);
        const vodex::MeasuringSession::Cycle second = session.Measure();
        EXPECT_FALSE(first.inError || first.changed || second.inError || second.changed);
        EXPECT_GE(second.seconds - first.seconds, 0.05);
        EXPECT_TRUE(session.Device().CHANNELS()->Item(7, false)->MEASURED());
        EXPECT_FALSE(session.Device().CHANNELS()->Item(2, false)->MEASURE());
        device = session.Device().weak_from_this();
    }
    EXPECT_TRUE(device.expired());
}

}  // namespace
