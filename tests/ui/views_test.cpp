// The Qt views of the library's dialogs on the offscreen platform: they show their model's
// translated texts and hand the user's clicks to it. Run once in German and once in English.
#include "vodex/ui/views.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <cmath>

#include "fixtures.h"
#include "tlx/controls/command_bar.h"
#include "tlx/controls/readings_chart.h"
#include "tlx/controls/title_bar.h"
#include "vodex/core/device.h"
#include "vodex/text/language.h"

namespace {

class Views : public vodex::test::HomeTest {
  protected:
    const char* Pick(const char* german, const char* english) {
        return vodex::hLanguageIsGerman() ? german : english;
    }
};

TEST_F(Views, CommunicationSettingsShowTranslatedTextsAndOkWrites) {
    const auto device = std::make_shared<vodex::int_Device>();
    device->INFO()->COMBAUDADD(4800);
    device->SETTINGSCOM()->BAUD(1200);
    vodex::CommSettingsModel model(device);
    model.Load();
    vodex::ui::CommSettingsView view(model);
    const auto* title = view.findChild<tlx::controls::TitleBar*>();
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->Title().toStdString(), Pick("Kommunikation", "Communication"));
    const auto* bar = view.findChild<tlx::controls::CommandBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->Button(1)->text().toStdString(), Pick("Abbrechen", "Cancel"));
    QTest::mouseClick(bar->Button(0), Qt::LeftButton);
    EXPECT_TRUE(model.CONFIRMED());
    EXPECT_EQ(view.result(), QDialog::Accepted);
    EXPECT_EQ(device->SETTINGSCOM()->BAUD(), 4800);
}

TEST_F(Views, AChecklistMirrorsItsBoxesAndItsCloseBoxDoesNotConfirm) {
    vodex::ErrorChecklistModel model(vodex::ErrorChecklistModel::Kind::Connect, "Zufallsgenerator");
    model.Load();
    vodex::ui::ErrorChecklistView view(model);
    const auto boxes = view.findChildren<QCheckBox*>();
    ASSERT_EQ(boxes.size(), 7);
    EXPECT_FALSE(boxes[1]->isEnabled());
    QTest::mouseClick(boxes[0], Qt::LeftButton);
    EXPECT_TRUE(boxes[1]->isEnabled());
    view.show();
    view.close();  // the close box
    EXPECT_TRUE(model.Closed());
    EXPECT_FALSE(model.RESULT());
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // listing the tests needs no display either
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

namespace {

TEST(ReadingsChart, AMissingReadingBreaksTheLine) {
    tlx::controls::ReadingsChart chart;
    const double gap = std::nan("");
    chart.SetLines({{"a", Qt::blue, {{0, 1}, {1, 2}, {2, gap}, {3, 4}, {4, gap}, {5, gap}}},
                    {"b", Qt::red, {{0, gap}}}});
    EXPECT_EQ(chart.Pieces(0), 2);
    EXPECT_EQ(chart.Pieces(1), 0);  // nothing to draw
}

}  // namespace
