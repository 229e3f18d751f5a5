// The Qt side as a whole: a window built from the control set translates itself through the
// control tree, captions mark bold only where asked, the library's waits keep windows alive,
// and a program that chose no provider gets the windows only on a display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
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
#include "tlx/tools.h"
#include "vodex/port/vq_port.h"
#include "vodex/sim/virtual_balance.h"
#include "vodex/text/language.h"
#include "vodex/text/translate.h"
#include "vodex/tools/autosense_model.h"
#include "vodex/tools/device_list_model.h"
#include "vodex/tools/device_test_model.h"
#include "vodex/ui/qt_form.h"
#include "vodex/ui/qt_ui.h"
#include "vodex/ui/views.h"

namespace {

using namespace tlx::controls;

class Windows : public vodex::test::HomeTest {};

// The library's windows installed for the calling thread while it lives; what was installed
// before comes back afterwards.
class QtWindows {
  public:
    QtWindows() : pump_(tlx::SetMessagePump({})), ui_(tlx::SetUiProvider(nullptr)) {
        vodex::ui::InstallQtUi();
    }
    ~QtWindows() {
        tlx::SetMessagePump(pump_);
        tlx::SetUiProvider(ui_);
    }
    QtWindows(const QtWindows&) = delete;
    QtWindows& operator=(const QtWindows&) = delete;

  private:
    std::function<void()> pump_;
    std::shared_ptr<tlx::UiProvider> ui_;
};

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
    const QtWindows windows;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    EXPECT_EQ(port.INPUTLINE(0.5), "");  // the instrument never answers
    EXPECT_GE(ticks, 10);                // a window's timer ran all the while
}

// The sample program measuring a balance on port 3.
class SampleProgram : public vodex::test::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_EQ(vodex::test::RunRegistration(VODEX_BALANCE_COMPONENT), 0);
        tlx::SetPortDevicePath(3, balance.Path());
    }
    vodex::sim::VirtualBalance balance{{.link = home.File("waage"), .weight = 100.0}};
    const QtWindows windows;
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

TEST_F(SampleProgram, ConnectingSaysSoAndAFailedConnectionLeavesNoOldCurve) {
    vodex::example::MeasureWindow window;
    ASSERT_TRUE(window.Start("Vodex_Balance", 3, 1));
    window.Measure();
    ASSERT_FALSE(window.Session().Readings().empty());
    balance.SetSilent(true);
    std::string said;
    bool waiting = false;
    QTimer::singleShot(100, &window, [&] {  // while the driver waits for the silent balance
        said = window.findChild<QLabel*>("lab_Status")->text().toStdString();
        waiting = QApplication::overrideCursor() &&
                  QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    });
    QTimer closer;  // the connection checklist that follows is closed as a user would
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->done(QDialog::Rejected);
    });
    closer.start(200);
    EXPECT_FALSE(window.Start("Vodex_Balance", 3, 1));
    EXPECT_EQ(said, vodex::hLanguageText("Verbinde mit Laborwaage an Anschluss 3 ...",
                                         "Connecting Laborwaage on port 3 ..."));
    EXPECT_TRUE(waiting);
    EXPECT_TRUE(window.Session().Readings().empty());
}

// Installs the balance driver with `ports` serial ports on the machine.
void InstallBalance(int ports) {
    ASSERT_EQ(vodex::test::RunRegistration(VODEX_BALANCE_COMPONENT), 0);
    auto& reg = tlx::CoreTools().REGISTRY();
    const std::string root = "Software\\VQ Morvane\\VQ ReziraDovarir\\";
    reg.WRITE(tlx::HKEY_LOCAL_MACHINE, root + "Devices\\Vodex_Balance",
              tlx::Variant(std::string(VODEX_BALANCE_COMPONENT)));
    reg.WRITE(tlx::HKEY_LOCAL_MACHINE, root + "PortMax", tlx::Variant(ports));
}

// The detection window with the balance driver: nothing answers on port 1 and balances on
// ports 2 to 4, so the driver's passes find them one after another and its fourth pass waits
// one time-out for port 1 unless stopped.
class DetectionWindow : public vodex::test::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(InstallBalance(4));
        tlx::SetPortDevicePath(1, silent.Path());
        for (int n = 2; n <= 4; ++n)
            tlx::SetPortDevicePath(n, balances[n - 2].Path());
    }
    vodex::test::PseudoTerminal silent;
    vodex::sim::VirtualBalance balances[3] = {
        vodex::sim::VirtualBalance({.link = home.File("w2"), .serialNumber = "W2"}),
        vodex::sim::VirtualBalance({.link = home.File("w3"), .serialNumber = "W3"}),
        vodex::sim::VirtualBalance({.link = home.File("w4"), .serialNumber = "W4"})};
    const QtWindows windows;
};

TEST_F(DetectionWindow, TheAbortButtonAndTheCloseBoxStopTheSearchWhileADriverWaits) {
    for (const bool closeBox : {false, true}) {
        vodex::AutoSenseModel model(std::make_shared<vodex::cls_DeviceTool>());
        model.Load();
        vodex::ui::AutoSenseView view(model);
        int framesAtClick = -1;
        std::chrono::steady_clock::time_point clicked;
        QTimer watch;  // the click comes while the fourth pass waits for port 1
        QObject::connect(&watch, &QTimer::timeout, &view, [&] {
            if (model.Rows().size() < 3) return;
            watch.stop();
            QTimer::singleShot(200, &view, [&] {
                framesAtClick = model.Frame();
                clicked = std::chrono::steady_clock::now();
                if (closeBox) {
                    view.close();
                } else {
                    view.findChild<tlx::controls::CommandBar*>()->Button(0)->click();
                }
            });
        });
        watch.start(20);
        view.show();
        view.exec();
        const std::chrono::duration<double> after = std::chrono::steady_clock::now() - clicked;
        EXPECT_GE(framesAtClick, 3) << "the animation stood still while the driver waited";
        EXPECT_LT(after.count(), 0.4) << "the search went on after the click";  // 0.8 s were left
        EXPECT_TRUE(model.Closed());
        EXPECT_EQ(model.Rows().size(), 3u);  // what was found until then is kept
    }
}

TEST_F(Windows, TheDriverListKeepsTheRandomGeneratorChecked) {
    tlx::CoreTools().REGISTRY().WRITE(
        tlx::HKEY_LOCAL_MACHINE,
        "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices\\Vodex_Randomizer",
        tlx::Variant(std::string(VODEX_RANDOMIZER_COMPONENT)));
    ASSERT_EQ(vodex::test::RunRegistration(VODEX_RANDOMIZER_COMPONENT), 0);
    vodex::DeviceListModel model(std::make_shared<vodex::cls_DeviceTool>());
    model.Load();
    vodex::ui::DeviceListView view(model);
    auto* list = view.findChild<tlx::controls::ListView*>("lst_Devices");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->ColumnText(2).toStdString(),
              vodex::hLanguageIsGerman() ? "Hersteller" : "Manufacturer");
    list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);  // a click on its box
    QCoreApplication::processEvents();                       // the list is drawn anew after it
    EXPECT_EQ(list->topLevelItem(0)->checkState(0), Qt::Checked);
    view.findChild<tlx::controls::CommandBar*>()->Button(0)->click();
    EXPECT_TRUE(model.Closed());
}

class TestWindow : public vodex::test::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(InstallBalance(1));
        tlx::SetPortDevicePath(1, balance.Path());
        balance.SetWeight(123.4);
    }
    vodex::sim::VirtualBalance balance{{.link = home.File("waage"), .serialNumber = "W1"}};
    const QtWindows windows;
};

TEST_F(TestWindow, TheBalanceIsMeasuredAndReconnectedWhenItComesBack) {
    vodex::DeviceTestModel model(std::make_shared<vodex::cls_DeviceTool>());
    model.DeviceClass("Vodex_Balance");
    model.Load();
    vodex::ui::DeviceTestView view(model);
    auto* list = view.findChild<tlx::controls::ListView*>("lst_Channels");
    ASSERT_TRUE(list && list->topLevelItemCount() >= 1);
    list->topLevelItem(0)->setCheckState(0, Qt::Checked);  // a click on the row's box
    view.show();
    auto value = [&] { return list->topLevelItem(0)->text(vodex::DeviceTestModel::ColValue); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return value() == "123.4"; }, 5000)) << value().toStdString();
    EXPECT_FALSE(model.Chart()[0].empty());
    // Unplugged: the device's error status shows; with the retry box it comes back by itself.
    balance.Vanish();
    EXPECT_TRUE(QTest::qWaitFor([&] { return model.StatusIsError(); }, 5000));
    view.findChild<QCheckBox*>("opt_Retry")->setChecked(true);
    balance.SetWeight(56.7);
    balance.Return();
    EXPECT_TRUE(QTest::qWaitFor([&] { return value() == "56.7"; }, 8000)) << value().toStdString();
    // The close box closes at the next tick.
    view.close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view.isVisible(); }, 5000));
    EXPECT_EQ(model.Device(), nullptr);
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
