// The Qt side as a whole: a window built from the control set translates itself through the
// control tree, captions mark bold only where asked, the library's waits keep windows alive,
// and a program that chose no provider gets the windows only on a display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>

#include "components.h"
#include "fixtures.h"
#include "measure_window.h"
#include "pseudo_terminal.h"
#include "running_program.h"
#include "tlx/controls/command_bar.h"
#include "tlx/controls/frame.h"
#include "tlx/controls/header.h"
#include "tlx/controls/label.h"
#include "tlx/controls/list_view.h"
#include "tlx/controls/panel.h"
#include "tlx/controls/status_bar.h"
#include "tlx/controls/title_bar.h"
#include "tlx/port_map.h"
#include "tlx/pump.h"
#include "vodex/port/vq_port.h"
#include "vodex/sim/virtual_balance.h"
#include "vodex/tools/language.h"
#include "vodex/tools/translate.h"
#include "vodex/ui/qt_form.h"
#include "vodex/ui/qt_ui.h"

namespace {

using namespace tlx::controls;

class Windows : public vodex::test::HomeTest {};

TEST_F(Windows, AWindowOfTheControlSetTranslatesItselfThroughTheControlTree) {
    QDialog window;
    window.setObjectName("frm_Sample");
    window.setWindowTitle("Messung|Measurement");
    auto* layout = new QVBoxLayout(&window);
    auto add = [&](QWidget* w, const char* name) {
        w->setObjectName(name);
        layout->addWidget(w);
        return w;
    };
    auto* title = static_cast<TitleBar*>(add(new TitleBar, "bar_Title"));
    title->SetTitle("Titel|Title");
    title->SetExplanation("Erklärung|Explanation");
    auto* hint = static_cast<Label*>(add(new Label("<B>Fett</B>|<B>Bold</B>"), "lab_Hint"));
    auto* frame = static_cast<Frame*>(add(new Frame("Rahmen|Frame"), "fra_Box"));
    auto* header = static_cast<Header*>(add(new Header("Kopf|Head"), "hdr_Top"));
    auto* panel = static_cast<Panel*>(add(new Panel, "pan_Info"));
    panel->SetCaption("Tafel|Panel");
    panel->setToolTip("Hinweis|Hint");
    QCheckBox* boxes[2];
    for (int i = 0; i < 2; ++i) {
        boxes[i] = static_cast<QCheckBox*>(add(new QCheckBox(i ? "Zwei|Two" : "Eins|One"), "opt"));
        vodex::ui::QtForm::SetIndex(*boxes[i], i);
    }
    auto* list = static_cast<ListView*>(add(new ListView, "lst_Rows"));
    list->AddColumn("Gerät|Device");
    auto* status = static_cast<StatusBar*>(add(new StatusBar, "bar_Status"));
    status->AddPanel("Bereit|Ready");
    auto* bar = static_cast<CommandBar*>(add(new CommandBar, "bar_Buttons"));
    bar->AddButton("Abbrechen|Cancel", "DIALOG.ABORT();");

    const bool german = vodex::hLanguageIsGerman();
    auto pick = [&](const char* de, const char* en) { return QString(german ? de : en); };
    tlx::cls_CoreCollection store;
    vodex::ui::QtForm form(window);
    for (int pass = 0; pass < 2; ++pass) {  // a second load applies what the first kept
        vodex::hTranslateForm(form, store);
        const std::pair<QString, QString> shown[] = {
            {window.windowTitle(), pick("Messung", "Measurement")},
            {title->Title(), pick("Titel", "Title")},
            {title->Explanation(), pick("Erklärung", "Explanation")},
            {hint->Caption(), pick("<B>Fett</B>", "<B>Bold</B>")},
            {frame->title(), pick("Rahmen", "Frame")},
            {header->Caption(), pick("Kopf", "Head")},
            {panel->Caption(), pick("Tafel", "Panel")},
            {panel->toolTip(), pick("Hinweis", "Hint")},
            {boxes[0]->text(), pick("Eins", "One")},
            {boxes[1]->text(), pick("Zwei", "Two")},
            {list->ColumnText(0), pick("Gerät", "Device")},
            {status->PanelText(0), pick("Bereit", "Ready")},
            {bar->Button(0)->text(), pick("Abbrechen", "Cancel")},
        };
        for (const auto& [is, expected] : shown)
            EXPECT_EQ(is, expected) << "pass " << pass;
    }
    EXPECT_EQ(bar->Key(0), "DIALOG.ABORT();");  // the key is not a text to translate
}

TEST_F(Windows, OnlyTheBoldMarkupOfACaptionBecomesMarkup) {
    const std::pair<const char*, const char*> cases[] = {
        {"Treiber <B>Waage</B> fehlt", "Treiber <b>Waage</b> fehlt"},
        {"<b>klein</b> & <i>roh</i>", "<b>klein</b> &amp; &lt;i&gt;roh&lt;/i&gt;"},
        {"<B>offen", "<b>offen</b>"},
        {"zwei\nZeilen", "zwei<br>Zeilen"},
    };
    for (const auto& [caption, rich] : cases) {
        EXPECT_EQ(Label::RichText(caption).toStdString(), rich) << caption;
    }
}

TEST_F(Windows, ALongSerialWaitKeepsTheWindowsAlive) {
    vodex::test::PseudoTerminal silent;
    tlx::SetPortDevicePath(5, silent.Path());
    vodex::cls_VQPort port;
    ASSERT_TRUE(port.CONNECT(5, "9600,N,8,1"));
    const auto ui = tlx::SetUiProvider(nullptr);
    const auto pump = tlx::SetMessagePump({});
    vodex::ui::InstallQtUi();
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    EXPECT_EQ(port.INPUTLINE(0.5), "");  // the instrument never answers
    EXPECT_GE(ticks, 10);                // a window's timer ran all the while
    tlx::SetMessagePump(pump);
    tlx::SetUiProvider(ui);
}

// The sample program measuring a balance on port 3.
class SampleProgram : public vodex::test::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_EQ(vodex::test::RunRegistration(VODEX_BALANCE_COMPONENT), 0);
        tlx::SetPortDevicePath(3, balance.Path());
        pump_ = tlx::SetMessagePump({});
        ui_ = tlx::SetUiProvider(nullptr);
        vodex::ui::InstallQtUi();
    }
    void TearDown() override {
        tlx::SetMessagePump(pump_);
        tlx::SetUiProvider(ui_);
    }
    vodex::sim::VirtualBalance balance{{.link = home.File("waage"), .weight = 100.0}};
    std::function<void()> pump_;
    std::shared_ptr<tlx::UiProvider> ui_;
};

TEST_F(SampleProgram, DisconnectingWhileTheInstrumentIsSilentEndsTheWaitAtOnce) {
    vodex::example::MeasureWindow window;
    ASSERT_TRUE(window.Start("Vodex_Balance", 3, 1));
    window.Measure();
    balance.SetSilent(true);
    auto* stop = window.findChild<QPushButton*>("cmd_Connect");
    ASSERT_NE(stop, nullptr);
    QTimer::singleShot(50, stop, &QPushButton::click);  // "Trennen", while the cycle waits
    const auto start = std::chrono::steady_clock::now();
    window.Measure();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took.count(), 0.6);  // waiting for the answer alone takes the driver a second
    EXPECT_FALSE(window.Connected());
}

TEST_F(Windows, AProgramWithoutProviderGetsThemOnItsMainThreadOnADisplayOnly) {
    const struct {
        const char* platform;
        const char* expected;
    } cases[] = {{"offscreen", "windows none"}, {nullptr, "none none"}};
    vodex::test::ScopedEnv noX("DISPLAY", nullptr);
    vodex::test::ScopedEnv noWayland("WAYLAND_DISPLAY", nullptr);
    for (const auto& c : cases) {
        vodex::test::ScopedEnv platform("QT_QPA_PLATFORM", c.platform);
        vodex::test::RunningProgram probe({VODEX_WINDOWS_PROBE});
        EXPECT_EQ(probe.Line(std::chrono::seconds(20)).value_or("(nothing)"), c.expected);
        EXPECT_EQ(probe.Wait(std::chrono::seconds(20)), 0) << probe.Errors();
    }
}

}  // namespace
