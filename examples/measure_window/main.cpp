// A sample measuring program, written as a client of the library would write it: choose a
// driver and its port and channel through the library's dialogs, connect through the device
// manager, measure on a timer, show every channel's reading and draw the chosen channel as a
// live curve. With --picture FILE it measures the random generator for a few seconds and
// writes a picture of its window instead.
#include <stdlib.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <cstring>

#include "curve_widget.h"
#include "session.h"
#include "tlx/clock.h"
#include "tlx/tools.h"
#include "vodex/tools/language.h"
#include "vodex/ui/qt_ui.h"

namespace {

QString Say(const char* german, const char* english) {
    return QString::fromStdString(vodex::hLanguageText(german, english));
}

class MeasureWindow : public QMainWindow {
  public:
    MeasureWindow() {
        setWindowTitle(Say("Vodex Messprogramm", "Vodex measuring program"));
        auto* central = new QWidget(this);
        auto* layout = new QVBoxLayout(central);
        auto* buttons = new QHBoxLayout;
        choose_ = new QPushButton(Say("Gerät wählen ...", "Choose device ..."), this);
        connect_ = new QPushButton(Say("Verbinden", "Connect"), this);
        settings_ = new QPushButton(Say("Schnittstelle ...", "Communication ..."), this);
        for (QPushButton* b : {choose_, connect_, settings_})
            buttons->addWidget(b);
        buttons->addStretch(1);
        layout->addLayout(buttons);
        device_ = new QLabel(Say("Kein Gerät gewählt", "No device chosen"), this);
        layout->addWidget(device_);
        auto* body = new QHBoxLayout;
        table_ = new QTableWidget(0, 2, this);
        table_->setHorizontalHeaderLabels({Say("Kanal", "Channel"), Say("Wert", "Value")});
        table_->verticalHeader()->hide();
        table_->horizontalHeader()->setStretchLastSection(true);
        table_->setColumnWidth(0, 150);
        table_->setMinimumWidth(300);
        table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        body->addWidget(table_);
        curve_ = new vodex::example::CurveWidget(this);
        body->addWidget(curve_, 1);
        layout->addLayout(body, 1);
        setCentralWidget(central);
        statusBar()->showMessage(Say("Bereit", "Ready"));
        connect(choose_, &QPushButton::clicked, this, [this] {
            if (session_.Choose()) Connect();
        });
        connect(connect_, &QPushButton::clicked, this, [this] {
            if (session_.Connected()) {
                session_.Disconnect();
                timer_.stop();
                Show();
            } else {
                Connect();
            }
        });
        connect(settings_, &QPushButton::clicked, this,
                [this] { session_.CommunicationSettings(); });
        connect(&timer_, &QTimer::timeout, this, [this] { Measure(); });
        Show();
    }

    // Measures `driverClass` without asking (for the pictures).
    bool Start(const std::string& driverClass, std::int32_t port, std::int32_t channel) {
        session_.Use(driverClass, port, channel);
        return Connect();
    }
    void Measure() {
        session_.Cycle(clock_.SECONDSELAPSED());
        Show();
    }

  private:
    bool Connect() {
        const bool connected = session_.Connect();
        clock_.START();
        if (connected) timer_.start(250);
        Show();
        return connected;
    }

    void Show() {
        connect_->setText(session_.Connected() ? Say("Trennen", "Disconnect")
                                               : Say("Verbinden", "Connect"));
        connect_->setEnabled(!session_.DriverClass().empty());
        settings_->setEnabled(!session_.DriverClass().empty());
        device_->setText(
            session_.Connected()
                ? QString::fromStdString(session_.DeviceName() + " - " + session_.StatusText())
                : Say("Nicht verbunden", "Not connected"));
        const auto rows = session_.Rows();
        table_->setRowCount(static_cast<int>(rows.size()));
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const int row = static_cast<int>(i);
            table_->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(rows[i].channel)));
            table_->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(rows[i].value)));
        }
        curve_->SetReadings(session_.Curve(), QString::fromStdString(session_.ChannelName()));
    }

    vodex::example::MeasureSession session_;
    tlx::cls_CoreTimer clock_;
    QTimer timer_;
    QPushButton* choose_;
    QPushButton* connect_;
    QPushButton* settings_;
    QLabel* device_;
    QTableWidget* table_;
    vodex::example::CurveWidget* curve_;
};

}  // namespace

int main(int argc, char** argv) {
    const bool picture = argc == 3 && std::strcmp(argv[1], "--picture") == 0;
    if (picture) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    vodex::ui::InstallQtUi();
    MeasureWindow window;
    window.resize(820, 420);
    if (!picture) {
        window.show();
        return QApplication::exec();
    }
    // The random generator's pH channel, measured for a few seconds.
    if (!window.Start("Vodex_Randomizer", 1, 1)) return 1;
    window.show();
    for (int i = 0; i < 40; ++i) {
        tlx::CoreTools().CLOCK().WAIT(0.05);
        window.Measure();
    }
    QApplication::processEvents();
    return window.grab().save(argv[2]) ? 0 : 1;
}
