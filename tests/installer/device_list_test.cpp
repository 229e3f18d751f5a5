// The list of installed drivers without a window: the search, the check boxes, OK and
// uninstalling, with the random generator, the balance installed from its package and a
// driver whose component is gone.
#include <gtest/gtest.h>

#include <fstream>

#include "components.h"
#include "tlx/dialogs.h"
#include "tlx/process.h"
#include "tlx/tools.h"
#include "vodex/text/language.h"
#include "vodex/tools/device_info_model.h"
#include "vodex/tools/device_list_model.h"

namespace {

using vodex::DeviceListModel;

constexpr const char* kDevices = "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices\\";

class DeviceList : public vodex::test::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        auto& reg = tlx::CoreTools().REGISTRY();
        reg.WRITE(tlx::HKEY_LOCAL_MACHINE, std::string(kDevices) + "Vodex_Randomizer",
                  tlx::Variant(std::string(VODEX_RANDOMIZER_COMPONENT)));
        ASSERT_EQ(vodex::test::RunProgram({VODEX_MSIEXEC, "/quiet", "/i", VODEX_BALANCE_PACKAGE})
                      .exitCode,
                  0);
        // A driver whose component is damaged.
        const std::string broken = home.File("Vodex_Kaputt.so");
        std::ofstream(broken) << "not a component";
        reg.WRITE(tlx::HKEY_LOCAL_MACHINE, std::string(kDevices) + "Vodex_Kaputt",
                  tlx::Variant(broken));
        registry->CHECK();
        model.Load();
        model.Search("kaputt");  // the damaged driver reports itself once per opening
        model.Search("<Suchbegriff>");
        ASSERT_EQ(dialogs->Count(), 1u);
    }
    // The texts of the listed rows, with a "+" for a checked one.
    std::vector<std::string> Listed() const {
        std::vector<std::string> rows;
        for (const auto& r : model.Rows())
            rows.push_back((r.checked ? "+" : "") + r.text);
        return rows;
    }
    std::int32_t RowOf(const std::string& cls) const {
        for (std::size_t i = 0; i < model.Rows().size(); ++i) {
            if (model.Rows()[i].driverClass == cls) return static_cast<std::int32_t>(i);
        }
        return -1;
    }
    std::shared_ptr<vodex::cls_DeviceTool> registry = std::make_shared<vodex::cls_DeviceTool>();
    DeviceListModel model{registry};
};

TEST_F(DeviceList, SearchChecksAndOkFollowTheRules) {
    EXPECT_EQ(model.SearchText(), "<Suchbegriff>");  // the placeholder lists every driver
    EXPECT_EQ(Listed(), (std::vector<std::string>{"+Zufallsgenerator", "+Laborwaage",
                                                  "Vodex_Kaputt - DEFEKT"}));
    EXPECT_EQ(model.Rows()[2].status, "-DEFEKT-");
    // A search hiding the random generator: with nothing checked, OK is refused.
    model.Search("laborWAAGE");
    EXPECT_EQ(Listed(), (std::vector<std::string>{"+Laborwaage"}));
    model.DeactivateAll();
    model.Command("DIALOG.OK();");
    EXPECT_FALSE(model.Closed());
    ASSERT_EQ(dialogs->Count(), 2u);
    // Every driver listed: the random generator cannot be unchecked.
    model.Search("");
    model.DeactivateAll();
    model.Check(RowOf("Vodex_Randomizer"), false);
    EXPECT_EQ(Listed(), (std::vector<std::string>{"+Zufallsgenerator", "Laborwaage",
                                                  "Vodex_Kaputt - DEFEKT"}));
    model.Command("DIALOG.OK();");
    EXPECT_TRUE(model.Closed());
    EXPECT_FALSE(registry->EXISTS("Vodex_Balance"));
    EXPECT_TRUE(registry->EXISTS("Vodex_Randomizer"));
    // OK applies the listed rows only: the balance, hidden by the search, stays inactive.
    DeviceListModel again(registry);
    again.Load();
    again.Search("zufall");
    again.Command("DIALOG.OK();");
    EXPECT_TRUE(again.Closed());
    EXPECT_FALSE(registry->EXISTS("Vodex_Balance"));
}

TEST_F(DeviceList, UninstallingRefusesTheRandomGeneratorAndRunsTheInstaller) {
    EXPECT_FALSE(model.Uninstall(RowOf("Vodex_Randomizer")));
    ASSERT_EQ(dialogs->Count(), 2u);
    EXPECT_FALSE(dialogs->ShownAll()[1].question);  // refused before any question
    dialogs->Answer(tlx::ID_Answer_No);
    EXPECT_FALSE(model.Uninstall(RowOf("Vodex_Balance")));
    EXPECT_TRUE(registry->EXISTSALL("Vodex_Balance"));
    dialogs->Answer(tlx::ID_Answer_Yes);
    EXPECT_TRUE(model.Uninstall(RowOf("Vodex_Balance")));
    EXPECT_EQ(RowOf("Vodex_Balance"), -1);
    EXPECT_FALSE(registry->EXISTSALL("Vodex_Balance"));
    dialogs->Answer(tlx::ID_Answer_Yes);
    EXPECT_FALSE(model.Uninstall(RowOf("Vodex_Kaputt")));  // no package: the failure message
    EXPECT_EQ(dialogs->ShownAll().back().text,
              "Beim Versuch den Wandlertreiber zu entfernen ist ein Fehler aufgetreten.");
}

TEST_F(DeviceList, TheInformationDialogShowsTheRecordAndOpensOnlyWebAddresses) {
    const auto balance = registry->CREATE("Vodex_Balance");
    ASSERT_TRUE(balance);
    vodex::DeviceInfoModel info(balance, registry->FILENAME("Vodex_Balance"));
    info.Load();
    EXPECT_EQ(info.Name(), "Laborwaage");
    EXPECT_EQ(info.FileDate().size(), 19u);  // "yyyy-mm-dd HH:MM:SS"
    ASSERT_EQ(info.Properties().size(), 8u);
    EXPECT_EQ(info.Properties()[1].value, vodex::hLanguageText("Ja", "Yes"));  // auto port
    ASSERT_FALSE(info.Channels().empty());
    EXPECT_EQ(info.Channels()[0].size, "g");
    EXPECT_FALSE(info.OpenInfoUrl());  // no address
    balance->DESTROY();                // the device and its driver let each other go
    for (const char* address : {"file:///bin/sh", "/usr/bin/xterm", "javascript:x", ""})
        EXPECT_FALSE(tlx::OpenAddress(address)) << address;
}

}  // namespace
