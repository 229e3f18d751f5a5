// The device test dialog without a window: the measurement cycle with the random generator on
// a clock of the test's own, and the rules for drivers without ports, with a channel out of
// range, and without any driver installed.
#include <gtest/gtest.h>

#include "components.h"
#include "tlx/dispatch.h"
#include "tlx/tools.h"
#include "vodex/core/device.h"
#include "vodex/enums.h"
#include "vodex/tools/device_test_model.h"

namespace {

using vodex::DeviceTestModel;

constexpr const char* kDevices = "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices\\";

class DeviceTestDialog : public vodex::test::DriverTest {
  protected:
    void Install(const std::string& cls, const std::string& file) {
        tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_LOCAL_MACHINE, std::string(kDevices) + cls,
                                          tlx::Variant(file));
    }
    std::unique_ptr<DeviceTestModel> Open(const std::string& cls) {
        auto model = std::make_unique<DeviceTestModel>(std::make_shared<vodex::cls_DeviceTool>(),
                                                       [this] { return clock; });
        model->DeviceClass(cls);
        model->Load();
        return model;
    }
    double clock = 1000;
};

TEST_F(DeviceTestDialog, TheCycleMeasuresCheckedChannelsAndRestartsTheRateWindow) {
    Install("Vodex_Randomizer", VODEX_RANDOMIZER_COMPONENT);
    auto model = Open("Vodex_Randomizer");
    ASSERT_FALSE(model->Closed());
    ASSERT_EQ(model->Ports().size(), 1u);
    EXPECT_EQ(model->Ports()[0].substr(0, 3), "1: ");
    ASSERT_GE(model->Channels().size(), 2u);
    EXPECT_EQ(model->Channels()[1].key, "2k");
    model->CheckChannel(0, true);
    const auto second = model->Device()->CHANNELS()->Item(tlx::Variant(2));
    // Rates after each tick, one second apart: 1 to 6 counted, then the window restarts.
    const char* rates[] = {"", "2.00", "1.50", "1.33", "1.25", "1.20", "1.00"};
    for (const char* rate : rates) {
        second->VALUE(5);  // an unchecked channel reads 0 after every cycle
        second->STATUS(vodex::ID_ChannelStatus_ErrRange);
        ASSERT_TRUE(model->TimerEnabled());
        model->Tick();
        EXPECT_EQ(model->Channels()[0].cells[DeviceTestModel::ColRate], rate);
        EXPECT_EQ(second->VALUE(), 0);
        EXPECT_EQ(second->STATUS(), 0);
        clock += 1;
    }
    EXPECT_EQ(model->Chart()[0].size(), 7u);
    EXPECT_TRUE(model->Chart()[1].empty());
    // Closing takes two steps: the first is refused, the next tick closes and lets the device go.
    model->Command("DIALOG.OK();");
    EXPECT_FALSE(model->Closed());
    model->Tick();
    EXPECT_TRUE(model->Closed());
    EXPECT_EQ(model->Device(), nullptr);
}

TEST_F(DeviceTestDialog, DriversWithoutPortsOrOutOfRangeAndNoDriverAtAll) {
    // Nothing installed: the message, and the dialog closes before anything else.
    EXPECT_TRUE(Open("VODEX_TESTDRIVER")->Closed());
    ASSERT_EQ(dialogs->Count(), 1u);
    EXPECT_EQ(dialogs->ShownAll()[0].text, "Es sind keine Wandler installiert!");

    Install("VODEX_TESTDRIVER", VODEX_TEST_DRIVER_COMPONENT);
    auto model = Open("VODEX_TESTDRIVER");
    ASSERT_TRUE(model->Device());
    EXPECT_TRUE(model->Ports().empty());
    const tlx::ObjectRef driver = model->Device()->PARENT();
    auto log = [&] { return tlx::GetPropertyByName(driver, "LOG").ToText(); };
    EXPECT_EQ(log().find("DeviceConnect"), std::string::npos);  // no port, no connect

    // The driver gains two channels and is ready: the rows are made anew on the next tick.
    model->Device()->CHANNELS()->CREATE(tlx::Variant(1), "A", "V");
    model->Device()->CHANNELS()->CREATE(tlx::Variant(2), "B", "V");
    model->Device()->STATUS(vodex::ID_DeviceStatus_Ready);
    model->Device()->INFO()->AUTOCHANNEL(true);
    for (const char* answer : {"rDone", "rSuccess"})
        tlx::SetPropertyByName(driver, std::string("DeviceAutoChannel.") + answer,
                               tlx::Variant(true));
    tlx::SetPropertyByName(driver, "DeviceAutoChannel.rChannel", tlx::Variant(2));
    model->Tick();
    ASSERT_EQ(model->Channels().size(), 2u);
    // Channel 1 reports a range error: the automatic channel step checks channel 2 alone.
    model->AutoChannelOption(true);
    model->CheckChannel(0, true);
    model->Device()->CHANNELS()->Item(tlx::Variant(1))->STATUS(vodex::ID_ChannelStatus_ErrRange);
    tlx::SetPropertyByName(driver, "LOG", tlx::Variant());
    model->Tick();
    EXPECT_FALSE(model->Channels()[0].checked);
    EXPECT_TRUE(model->Channels()[1].checked);
    const std::string events = log();
    EXPECT_EQ(events.find("DeviceAutoChannel"), events.rfind("DeviceAutoChannel"));  // once
    EXPECT_NE(events.find("DeviceAutoChannel"), std::string::npos);
}

}  // namespace
