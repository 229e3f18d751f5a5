#include "measure_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "curve_widget.h"
#include "tlx/pump.h"
#include "vodex/tools/language.h"

namespace vodex::example {
namespace {

QString Say(const char* german, const char* english) {
    return QString::fromStdString(vodex::hLanguageText(german, english));
}

}  // namespace

MeasureWindow::MeasureWindow() {
    setWindowTitle(Say("Vodex Messprogramm", "Vodex measuring program"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* buttons = new QHBoxLayout;
    choose_ = new QPushButton(Say("Gerät wählen ...", "Choose device ..."), this);
    connect_ = new QPushButton(Say("Verbinden", "Connect"), this);
    connect_->setObjectName("cmd_Connect");
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
    curve_ = new CurveWidget(this);
    body->addWidget(curve_, 1);
    layout->addLayout(body, 1);
    setCentralWidget(central);
    statusBar()->showMessage(Say("Bereit", "Ready"));
    // The library runs window events while it waits, so these clicks may come during a
    // cycle: only stopping is taken then, the rest waits for the cycle to end.
    connect(choose_, &QPushButton::clicked, this, [this] {
        if (!busy_ && session_.Choose()) Connect();
    });
    connect(connect_, &QPushButton::clicked, this, [this] { ConnectOrStop(); });
    connect(settings_, &QPushButton::clicked, this, [this] {
        if (!busy_) session_.CommunicationSettings();
    });
    connect(&timer_, &QTimer::timeout, this, [this] { Measure(); });
    Show();
}

bool MeasureWindow::Start(const std::string& driverClass, std::int32_t port, std::int32_t channel) {
    session_.Use(driverClass, port, channel);
    return Connect();
}

void MeasureWindow::Measure() {
    if (busy_) return;  // the timer fired while the last cycle still waits
    busy_ = true;
    session_.Cycle(clock_.SECONDSELAPSED());
    Finish();
    Show();
}

void MeasureWindow::Finish() {
    busy_ = false;
    if (!stopAsked_) return;
    stopAsked_ = false;
    tlx::CancelWaits(false);
    timer_.stop();
    session_.Disconnect();
}

bool MeasureWindow::Connect() {
    busy_ = true;
    session_.Connect();
    Finish();
    clock_.START();
    if (session_.Connected()) timer_.start(250);
    Show();
    return session_.Connected();
}

void MeasureWindow::ConnectOrStop() {
    if (busy_) {
        // Ends the library's wait for the instrument; the cycle then returns.
        stopAsked_ = true;
        tlx::CancelWaits(true);
        statusBar()->showMessage(Say("Wird getrennt ...", "Disconnecting ..."));
    } else if (session_.Connected()) {
        timer_.stop();
        session_.Disconnect();
        Show();
    } else {
        Connect();
    }
}

void MeasureWindow::Show() {
    statusBar()->showMessage(Say("Bereit", "Ready"));
    connect_->setText(session_.Connected() ? Say("Trennen", "Disconnect")
                                           : Say("Verbinden", "Connect"));
    connect_->setEnabled(!session_.DriverClass().empty());
    settings_->setEnabled(!session_.DriverClass().empty());
    device_->setText(session_.Connected() ? QString::fromStdString(session_.DeviceName() + " - " +
                                                                   session_.StatusText())
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

}  // namespace vodex::example
