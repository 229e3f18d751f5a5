// The device core's dialogs as models, without a window: the error checklists, the choice of
// a driver and the choice of port and channel.
#include <gtest/gtest.h>

#include "components.h"
#include "tlx/tools.h"
#include "vodex/core/device.h"
#include "vodex/core/device_tool.h"
#include "vodex/tools/device_choice_models.h"
#include "vodex/tools/error_checklist_model.h"

namespace {

using vodex::ErrorChecklistModel;

TEST(ErrorChecklist, BoxesComeOneAfterTheOtherAndOnlyOkConfirms) {
    ErrorChecklistModel connect(ErrorChecklistModel::Kind::Connect, "Zufallsgenerator");
    connect.Load();
    ASSERT_EQ(connect.Count(), 7);
    EXPECT_EQ(connect.Item(0).caption,
              "Ist 'Zufallsgenerator' wirklich der von Ihnen ausgewählte Wandler?");
    EXPECT_NE(connect.Explanation().find("'Zufallsgenerator'"), std::string::npos);
    for (std::int32_t i = 0; i < 7; ++i)
        EXPECT_EQ(connect.Item(i).enabled, i == 0) << i;
    connect.Tick(2);  // not yet available
    EXPECT_FALSE(connect.Item(2).ticked);
    connect.Tick(0);
    EXPECT_TRUE(connect.Item(1).enabled);
    EXPECT_EQ(connect.Focus(), 1);
    connect.Command("OK");
    EXPECT_TRUE(connect.RESULT());

    ErrorChecklistModel range(ErrorChecklistModel::Kind::Range, "Waage", "Masse");
    range.Load();
    ASSERT_EQ(range.Count(), 2);
    EXPECT_NE(range.Item(1).caption.find("'Masse'"), std::string::npos);
    range.Tick(0);
    range.Tick(1);
    EXPECT_EQ(range.Focus(), -1);  // the command bar after the last box
    range.Command("ABORT");
    EXPECT_TRUE(range.Closed());
    EXPECT_FALSE(range.RESULT());
    range.Load();
    range.CloseBox();
    EXPECT_FALSE(range.RESULT());
}

// The random generator and the balance installed, the balance disabled.
class DeviceChoice : public vodex::test::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_EQ(vodex::test::RunRegistration(VODEX_BALANCE_COMPONENT), 0);
        auto& reg = tlx::CoreTools().REGISTRY();
        const std::string devices = "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices\\";
        reg.WRITE(tlx::HKEY_LOCAL_MACHINE, devices + "Vodex_Randomizer",
                  tlx::Variant(VODEX_RANDOMIZER_COMPONENT));
        reg.WRITE(tlx::HKEY_LOCAL_MACHINE, devices + "Vodex_Balance",
                  tlx::Variant(VODEX_BALANCE_COMPONENT));
        registry = std::make_shared<vodex::cls_DeviceTool>();
        registry->DISABLE("Vodex_Balance");
    }
    std::shared_ptr<vodex::cls_DeviceTool> registry;
};

TEST_F(DeviceChoice, SelectionListsEnabledDriversAndAbortChoosesNothing) {
    vodex::DeviceSelectModel select;
    select.Registry(registry);
    select.Load();
    ASSERT_EQ(select.Rows().size(), 1u);  // the disabled balance is not offered
    EXPECT_EQ(select.Rows()[0].driverClass, "Vodex_Randomizer");
    EXPECT_EQ(select.Rows()[0].device, "Zufallsgenerator");
    select.Activate(0);
    EXPECT_EQ(select.CLASS(), "Vodex_Randomizer");
    select.Load();
    select.Command("DIALOG.OK");  // nothing marked
    EXPECT_EQ(select.CLASS(), "");
    select.Select(0);
    select.Command("DIALOG.ABORT");
    EXPECT_EQ(select.CLASS(), "");
    EXPECT_EQ(vodex::DeviceSelectModel::ColumnWidths(126), std::make_pair(60, 40));
}

TEST_F(DeviceChoice, SettingsGiveTheIdentifiersOfPortAndChannel) {
    vodex::DeviceSettingsModel settings;
    const auto device = std::make_shared<vodex::int_Device>();
    device->INFO()->NAME("Zufallsgenerator");
    device->PORTS()->COMPORTS();
    settings.Device(device);
    settings.Load();
    EXPECT_TRUE(settings.Channels().empty());  // a device without channels
    EXPECT_EQ(settings.CHANNEL(), 0);
    ASSERT_FALSE(settings.Ports().empty());
    device->CHANNELS()->CREATE(7, "pH", "", 1.0, 0.0);
    device->CHANNELS()->CREATE(9, "Temperatur", "°C", 1.0, 0.0);
    settings.Load();
    settings.SelectChannel(1);
    settings.Command("DIALOG.OK");
    EXPECT_TRUE(settings.CONFIRMED());
    EXPECT_EQ(settings.CHANNEL(), 9);
    EXPECT_EQ(settings.PORT(), settings.Ports()[0].id);
    settings.Load();  // an earlier OK does not confirm the next showing
    settings.Command("DIALOG.ABORT");
    EXPECT_FALSE(settings.CONFIRMED());
}

}  // namespace
