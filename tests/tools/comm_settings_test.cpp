// The communication settings dialog as a model: only what the driver declares, written on OK.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "vodex/core/device.h"
#include "vodex/tools/comm_settings_model.h"

namespace {

using vodex::CommSettingsModel;

class CommSettings : public vodex::test::HomeTest {
  protected:
    CommSettings() {
        const auto info = device->INFO();
        info->COMBAUDADD(9600);
        for (std::int32_t p : {vodex::ID_DeviceComParity_None, vodex::ID_DeviceComParity_Even})
            info->COMPARITIESADD(p);
        for (std::int32_t d : {vodex::ID_DeviceComData_8, vodex::ID_DeviceComData_7})
            info->COMDATABITSADD(d);
        info->COMHANDSHAKEADD(vodex::ID_DeviceComHand_None);
        com->BAUD(1200);
        com->PARITY(vodex::ID_DeviceComParity_Odd);  // not declared
        com->DATABITS(vodex::ID_DeviceComData_7);
        com->STOPBITS(vodex::ID_DeviceComStop_2_0);  // no stop bits declared at all
    }
    std::shared_ptr<vodex::int_Device> device = std::make_shared<vodex::int_Device>();
    std::shared_ptr<vodex::cls_DeviceComsettings> com = device->SETTINGSCOM();
    CommSettingsModel model{device};
};

TEST_F(CommSettings, OffersWhatTheDriverDeclaresAndWritesItOnOk) {
    model.Load();
    const auto& baud = model.Items(CommSettingsModel::Baud);
    ASSERT_EQ(baud.entries.size(), 1u);
    EXPECT_EQ(baud.entries[0].text, "9600");
    EXPECT_EQ(baud.selected, 0);
    const auto& parity = model.Items(CommSettingsModel::Parity);
    ASSERT_EQ(parity.entries.size(), 2u);
    EXPECT_EQ(parity.entries[1].text, "Gerade (Even)");  // the text alone, never the code
    EXPECT_EQ(parity.selected, 0);                       // the current one is not offered
    EXPECT_EQ(model.Items(CommSettingsModel::DataBits).selected, 1);  // "7", the current one
    const auto& stop = model.Items(CommSettingsModel::StopBits);
    EXPECT_TRUE(stop.entries.empty());
    EXPECT_FALSE(stop.enabled);

    model.Command("dialog.ok();");
    EXPECT_TRUE(model.CONFIRMED());
    EXPECT_TRUE(model.Closed());
    EXPECT_EQ(com->BAUD(), 9600);
    EXPECT_EQ(com->PARITY(), vodex::ID_DeviceComParity_None);
    EXPECT_EQ(com->DATABITS(), vodex::ID_DeviceComData_7);
    EXPECT_EQ(com->STOPBITS(), vodex::ID_DeviceComStop_2_0);  // its list was disabled
}

TEST_F(CommSettings, AbortWritesNothingAndHelpKeepsTheDialogOpen) {
    model.Load();
    model.Select(CommSettingsModel::Parity, 1);
    model.Command("DIALOG.HELP();");
    EXPECT_FALSE(model.Closed());
    ASSERT_EQ(dialogs->Count(), 1u);
    EXPECT_NE(dialogs->ShownAll()[0].text.find("Grau gestellte Parameter"), std::string::npos);
    model.Command("DIALOG.ABORT();");
    EXPECT_FALSE(model.CONFIRMED());
    EXPECT_EQ(com->PARITY(), vodex::ID_DeviceComParity_Odd);
    EXPECT_EQ(com->BAUD(), 1200);
}

}  // namespace
