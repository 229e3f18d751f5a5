// The Qt views of the library's dialogs on the offscreen platform: they show their model's
// translated texts and hand the user's clicks to it. Run once in German and once in English.
#include "vodex/ui/views.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QValueAxis>
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

TEST(ReadingsChart, TheValueAxisIsLabelledWithRoundNumbers) {
    // The labels as the axis draws them: from its tick anchor in steps of its interval.
    const std::vector<std::vector<double>> cases = {{0.125},      {-3.071, 229.8}, {1e-6, 3e-6},
                                                    {-0.4, 0.35}, {1.2e6, 1.25e6}, {120.5}};
    for (const auto& values : cases) {
        tlx::controls::ReadingsChart chart;
        tlx::controls::ReadingsChart::Line line{"a", Qt::blue, {}};
        for (double v : values)
            line.points.emplace_back(line.points.size(), v);
        chart.SetLines({line});
        const auto* axis = qobject_cast<QValueAxis*>(chart.chart()->axes(Qt::Vertical).front());
        ASSERT_NE(axis, nullptr);
        std::vector<std::string> labels;
        const auto label = [&](double v) {
            labels.push_back(QString::asprintf("%g", v).toStdString());
        };
        if (axis->tickType() == QValueAxis::TicksFixed) {
            const double step = (axis->max() - axis->min()) / (axis->tickCount() - 1);
            for (int i = 0; i < axis->tickCount(); ++i)
                label(axis->min() + i * step);
        } else {
            const double step = axis->tickInterval();
            ASSERT_GT(step, 0);
            for (double k = std::ceil((axis->min() - axis->tickAnchor()) / step);
                 axis->tickAnchor() + k * step <= axis->max() + step / 1e6; ++k) {
                label(axis->tickAnchor() + k * step);
            }
        }
        EXPECT_TRUE(labels.size() >= 3 && labels.size() <= 12) << values.front();
        EXPECT_LE(axis->min(), values.front());
        for (const std::string& text : labels)
            EXPECT_LE(text.size(), 8u) << text;  // "-0.35", "1.21e+06"
    }
}

}  // namespace
