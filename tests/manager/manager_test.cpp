// The device manager: its panel, the setup command with and without the setup program, and
// "-auto", which checks and ends without a window.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QPushButton>
#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>

#include "components.h"
#include "main_window.h"
#include "manager_model.h"
#include "running_program.h"
#include "tlx/convert.h"
#include "tlx/tools.h"
#include "vodex/text/language.h"

namespace {

using vodex::manager::ManagerModel;

class Manager : public vodex::test::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        for (const auto& [cls, file] : {std::pair{"Vodex_Randomizer", VODEX_RANDOMIZER_COMPONENT},
                                        std::pair{"VODEX_TESTDRIVER", VODEX_TEST_DRIVER_COMPONENT},
                                        std::pair{"Vodex_Balance", VODEX_BALANCE_COMPONENT}}) {
            tlx::CoreTools().REGISTRY().WRITE(
                tlx::HKEY_LOCAL_MACHINE,
                std::string("Software\\VQ Morvane\\VQ ReziraDovarir\\Devices\\") + cls,
                tlx::Variant(std::string(file)));
        }
    }
    std::shared_ptr<vodex::cls_DeviceTool> registry = std::make_shared<vodex::cls_DeviceTool>();
};

TEST_F(Manager, ThePanelCountsActiveAndDisabledDrivers) {
    registry->CHECK();
    registry->DISABLE("VODEX_TESTDRIVER");
    ManagerModel model(registry, home.File("vodex-setup"));
    model.Load();
    EXPECT_EQ(model.Info().count, "3");
    EXPECT_EQ(model.Info().active, "2");
    EXPECT_EQ(model.Info().inactive, "1");
    EXPECT_NE(model.Info().size, "0 Bytes");  // the three components' files
}

TEST_F(Manager, AButtonRunsTheCommandOfItsTag) {
    ManagerModel model(registry, home.File("vodex-setup"));
    model.Load();
    vodex::manager::MainWindow window(model);
    for (auto* button : window.findChildren<QPushButton*>("but_Command")) {
        if (button->property("Index").toInt() == 3) button->click();  // "CHECK"
    }
    ASSERT_EQ(dialogs->Count(), 1u);
    EXPECT_EQ(dialogs->ShownAll()[0].text,
              vodex::hLanguageText("Überprüfung abgeschlossen.", "The check is complete."));
}

TEST(SizeTexts, AreRoundedBeforeTheUnitIsChosen) {
    const struct {
        double bytes;
        char decimal;
        const char* text;
    } cases[] = {{0, '.', "0 Bytes"},
                 {1023, '.', "1023 Bytes"},
                 {1536, ',', "1,5 KB"},
                 {1024 * 1024 - 20, '.', "1.0 MB"},
                 {3.25 * (1 << 30), '.', "3.3 GB"}};
    for (const auto& c : cases)
        EXPECT_EQ(tlx::SizeText(c.bytes, c.decimal), c.text) << c.bytes;
}

TEST(ReadingTexts, ShowAtMostSevenDigitsWhateverTheLocale) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{7.0123456789, "7.012346"}, {120.5, "120.5"},  {219.9999, "219.9999"},
                 {0.000123, "0.000123"},     {-0.0, "0"},       {12345678.9, "12345679"},
                 {-3.25, "-3.25"},           {std::nan(""), ""}};
    for (const auto& c : cases)
        EXPECT_EQ(tlx::ReadingText(c.value), c.text) << c.value;
}

TEST_F(Manager, SetupStartsTheSetupProgramOrSaysItIsMissing) {
    const std::string setup = home.File("vodex-setup");
    ManagerModel model(registry, setup);
    model.Load();
    model.Command("setup");
    EXPECT_FALSE(model.Closed());
    ASSERT_EQ(dialogs->Count(), 1u);
    EXPECT_EQ(dialogs->ShownAll()[0].text,
              "Das Programm 'VQ ZarivuZarud' wurde nicht gefunden. Installieren Sie das Rezira "
              "Dovarir ggf. neu");
    // A setup program that leaves a mark: started, and the manager ends.
    std::ofstream(setup) << "#!/bin/sh\ntouch '" << home.File("started") << "'\n";
    ::chmod(setup.c_str(), 0755);
    model.Command("SETUP");
    EXPECT_TRUE(model.Closed());
    for (int i = 0; i < 100 && !std::filesystem::exists(home.File("started")); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(std::filesystem::exists(home.File("started")));
}

TEST_F(Manager, AutoInAnyCaseChecksAndEndsWithoutAWindow) {
    const struct {
        std::vector<std::string> arguments;
        bool automatic;
    } cases[] = {{{"-auto"}, true},
                 {{"x", "-AuTo"}, true},
                 {{"auto"}, false},
                 {{"--picture", "/tmp/x-auto.png"}, false},
                 {{}, false}};
    for (const auto& c : cases)
        EXPECT_EQ(ManagerModel::AutoRequested(c.arguments), c.automatic);
    // A window would wait for a click on the offscreen platform; the program must end by itself.
    vodex::test::RunningProgram manager({VODEX_MANAGER, "-Auto"});
    EXPECT_EQ(manager.Wait(std::chrono::seconds(20)), 0);
}

}  // namespace
