#include "measure_window.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "tlx/controls/readings_chart.h"
#include "tlx/pump.h"
#include "vodex/text/language.h"

namespace vodex::example {
namespace {

QString Say(const char* german, const char* english) {
    return QString::fromStdString(vodex::hLanguageText(german, english));
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QPushButton* NewButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

}  // namespace

MeasureWindow::MeasureWindow() {
    setObjectName("frm_Measure");
    setWindowTitle(Say("Vodex Messprogramm", "Vodex measuring program"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* buttons = new QHBoxLayout;
    choose_ = NewButton(Say("Gerät wählen ...", "Choose device ..."), "cmd_Choose", this);
    connect_ = NewButton(Say("Verbinden", "Connect"), "cmd_Connect", this);
    settings_ = NewButton(Say("Schnittstelle ...", "Communication ..."), "cmd_Settings", this);
    saveCsv_ = NewButton(Say("Als CSV speichern ...", "Save as CSV ..."), "cmd_SaveCsv", this);
    savePicture_ =
        NewButton(Say("Bild speichern ...", "Save picture ..."), "cmd_SavePicture", this);
    for (QPushButton* b : {choose_, connect_, settings_})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(saveCsv_);
    buttons->addWidget(savePicture_);
    layout->addLayout(buttons);
    device_ = new QLabel(Say("Kein Gerät gewählt", "No device chosen"), this);
    device_->setObjectName("lab_Device");
    layout->addWidget(device_);
    // The spectrum of a device that scans: from, to and step in nm.
    scanRow_ = new QWidget(this);
    scanRow_->setObjectName("fra_Scan");
    auto* scanLayout = new QHBoxLayout(scanRow_);
    scanLayout->setContentsMargins(0, 0, 0, 0);
    auto field = [this, scanLayout](const char* name) {
        auto* edit = new QLineEdit(scanRow_);
        edit->setObjectName(name);
        edit->setMaximumWidth(70);
        scanLayout->addWidget(edit);
        return edit;
    };
    scanLayout->addWidget(new QLabel(Say("Spektrum von", "Spectrum from"), scanRow_));
    from_ = field("txt_From");
    scanLayout->addWidget(new QLabel(Say("bis", "to"), scanRow_));
    to_ = field("txt_To");
    scanLayout->addWidget(new QLabel(Say("nm, Schritt", "nm, step"), scanRow_));
    step_ = field("txt_Step");
    scanLayout->addWidget(new QLabel("nm", scanRow_));
    scan_ = NewButton(Say("Spektrum aufnehmen", "Record spectrum"), "cmd_Scan", scanRow_);
    scanLayout->addWidget(scan_);
    scanLayout->addStretch(1);
    scanRow_->hide();
    layout->addWidget(scanRow_);
    auto* body = new QHBoxLayout;
    table_ = new QTableWidget(0, 2, this);
    table_->setObjectName("lst_Channels");
    table_->setHorizontalHeaderLabels({Say("Kanal", "Channel"), Say("Wert", "Value")});
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setColumnWidth(0, 150);
    table_->setMinimumWidth(300);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    body->addWidget(table_);
    chart_ = new tlx::controls::ReadingsChart(this);
    chart_->setObjectName("pic_Chart");
    body->addWidget(chart_, 1);
    layout->addLayout(body, 1);
    setCentralWidget(central);
    status_ = new QLabel(this);
    status_->setObjectName("lab_Status");
    statusBar()->addWidget(status_, 1);
    // The library runs window events while it waits, so these clicks may come during a
    // cycle: only stopping is taken then, the rest waits for the cycle to end.
    connect(choose_, &QPushButton::clicked, this, [this] {
        if (!busy_ && session_.Choose()) Connect();
        Show();
    });
    connect(connect_, &QPushButton::clicked, this, [this] { ConnectOrStop(); });
    connect(settings_, &QPushButton::clicked, this, [this] {
        if (busy_) return;
        // A connected device takes confirmed settings when it is reached again.
        if (session_.CommunicationSettings() && session_.Connected()) Connect();
    });
    connect(saveCsv_, &QPushButton::clicked, this, [this] { AskAndSave(true); });
    connect(savePicture_, &QPushButton::clicked, this, [this] { AskAndSave(false); });
    connect(table_, &QTableWidget::cellClicked, this, [this](int row, int) {
        session_.Show(static_cast<std::size_t>(row));
        showSpectrum_ = false;
        Show();
        DrawChart();
    });
    connect(scan_, &QPushButton::clicked, this, [this] { ScanOrStop(); });
    connect(&progress_, &QTimer::timeout, this, [this] {
        session_.TakeSpectrum();
        DrawChart();
    });
    connect(&timer_, &QTimer::timeout, this, [this] { Measure(); });
    Show();
    DrawChart();
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
    DrawChart();
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
    timer_.stop();
    // While the driver reaches its instrument, the window says so and shows the wait.
    status_->setPalette(palette());
    status_->setText(Say("Verbinde mit {0} an Anschluss {1} ...", "Connecting {0} on port {1} ...")
                         .replace("{0}", Q(session_.ChosenName()))
                         .replace("{1}", QString::number(session_.Port())));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents();
    session_.Connect();
    QApplication::restoreOverrideCursor();
    Finish();
    showSpectrum_ = false;
    if (session_.CanScan()) {
        // Visible light, as far as the device reaches, at its own interval.
        from_->setText(QString::number(std::max(session_.WaveStart(), 400.0)));
        to_->setText(QString::number(std::min(session_.WaveEnd(), 700.0)));
        step_->setText(QString::number(session_.WaveInterval()));
    }
    clock_.START();
    if (session_.Connected()) timer_.start(250);
    Show();
    DrawChart();
    return session_.Connected();
}

void MeasureWindow::ConnectOrStop() {
    if (busy_) {
        // Ends the library's wait for the instrument; the cycle then returns.
        stopAsked_ = true;
        tlx::CancelWaits(true);
        status_->setText(Say("Wird getrennt ...", "Disconnecting ..."));
    } else if (session_.Connected()) {
        timer_.stop();
        session_.Disconnect();
        Show();
    } else {
        Connect();
    }
}

void MeasureWindow::ScanOrStop() {
    if (scanning_) {
        tlx::CancelWaits(true);  // the driver stops the scan, keeping its points
        return;
    }
    if (busy_ || !session_.CanScan()) return;
    auto number = [](const QLineEdit* edit, bool& ok) {
        return QString(edit->text()).replace(',', '.').trimmed().toDouble(&ok);
    };
    bool ok[3] = {};
    const double from = number(from_, ok[0]), to = number(to_, ok[1]), step = number(step_, ok[2]);
    if (!ok[0] || !ok[1] || !ok[2]) {
        status_->setText(
            Say("Von, bis und Schritt sind Zahlen in nm.", "From, to and step are numbers in nm."));
        return;
    }
    busy_ = scanning_ = true;
    timer_.stop();
    showSpectrum_ = true;
    scanFrom_ = from;
    scanTo_ = to;
    scan_->setText(Say("Scan abbrechen", "Stop scan"));
    status_->setPalette(palette());
    status_->setText(Say("Das Spektrum wird aufgenommen ...", "Recording the spectrum ..."));
    progress_.start(100);
    session_.Scan(from, to, step);
    progress_.stop();
    scanning_ = false;
    tlx::CancelWaits(false);
    scan_->setText(Say("Spektrum aufnehmen", "Record spectrum"));
    Finish();
    if (session_.Connected()) timer_.start(250);
    Show();
    DrawChart();
}

void MeasureWindow::Show() {
    // The device's own status: its error with the driver's reason, and ready again when it
    // answers.
    QPalette colours = palette();
    if (session_.InError()) colours.setColor(QPalette::WindowText, QColor(200, 0, 0));
    status_->setPalette(colours);
    status_->setText(session_.Connected() ? Q(session_.StatusText())
                                          : Say("Nicht verbunden", "Not connected"));
    connect_->setText(session_.Connected() ? Say("Trennen", "Disconnect")
                                           : Say("Verbinden", "Connect"));
    const bool chosen = !session_.DriverClass().empty();
    connect_->setEnabled(chosen);
    settings_->setEnabled(chosen);
    saveCsv_->setEnabled(showSpectrum_ ? !session_.Spectrum().empty()
                                       : !session_.Readings().empty());
    scanRow_->setVisible(session_.CanScan());
    scan_->setEnabled(session_.Connected() && (!busy_ || scanning_));
    savePicture_->setEnabled(session_.Connected() || !session_.Readings().empty());
    device_->setText(
        session_.Connected()
            ? Q(session_.DeviceName()) + " - " +
                  Say("Anschluss {0}", "port {0}").replace("{0}", QString::number(session_.Port()))
        : chosen ? Q(session_.ChosenName())
                 : Say("Kein Gerät gewählt", "No device chosen"));
    const auto rows = session_.Rows();
    table_->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int row = static_cast<int>(i);
        table_->setItem(row, 0, new QTableWidgetItem(Q(rows[i].channel)));
        table_->setItem(row, 1, new QTableWidgetItem(Q(rows[i].value)));
    }
    if (!rows.empty()) table_->selectRow(static_cast<int>(session_.Shown()));
}

void MeasureWindow::DrawChart() {
    if (showSpectrum_) {
        tlx::controls::ReadingsChart::Line line{
            Say("Spektrum", "Spectrum"), QColor(153, 51, 153), {}};
        for (const auto& [x, y] : session_.Spectrum())
            line.points.emplace_back(x, y);
        chart_->SetXAxis(Say("Wellenlänge (nm)", "Wavelength (nm)"), scanFrom_, scanTo_);
        chart_->SetValueCaption(Say("Extinktion", "Absorbance"));
        chart_->SetLines({line});
        return;
    }
    const auto& readings = session_.Readings();
    const std::size_t from = session_.PresentFrom();
    tlx::controls::ReadingsChart::Line line{Q(session_.ShownName()), QColor(0, 102, 204), {}};
    line.points.reserve(readings.size() - from);
    for (std::size_t i = from; i < readings.size(); ++i)
        line.points.emplace_back(readings[i].seconds, readings[i].value);
    const double first = from < readings.size() ? readings[from].seconds : 0;
    const double last = readings.empty() ? 0 : readings.back().seconds;
    chart_->SetTimeAxis(Say("Zeit (s)", "Time (s)"), std::floor(first),
                        std::max(std::ceil(last), std::floor(first) + 10));
    chart_->SetValueCaption(Q(session_.ShownUnit()));
    chart_->SetLines({line});
}

bool MeasureWindow::SaveCsv(const QString& file) {
    std::string why;
    if (session_.SaveCsv(file.toStdString(), why)) return true;
    QMessageBox::warning(this, windowTitle(),
                         Say("Die Datei {0} kann nicht geschrieben werden ({1}).",
                             "The file {0} cannot be written ({1}).")
                             .replace("{0}", file)
                             .replace("{1}", Q(why)));
    return false;
}

bool MeasureWindow::SavePicture(const QString& file) {
    if (chart_->grab().save(file, "PNG")) return true;
    QMessageBox::warning(
        this, windowTitle(),
        Say("Das Bild {0} kann nicht geschrieben werden.", "The picture {0} cannot be written.")
            .replace("{0}", file));
    return false;
}

void MeasureWindow::AskAndSave(bool csv) {
    if (busy_) return;
    if (csv && showSpectrum_) {
        const QString file = QFileDialog::getSaveFileName(
            this, Say("Spektrum speichern", "Save spectrum"), "spektrum.csv",
            Say("CSV-Dateien", "CSV files") + " (*.csv)");
        std::string why;
        if (!file.isEmpty() && !session_.SaveSpectrumCsv(file.toStdString(), why)) {
            QMessageBox::warning(this, windowTitle(),
                                 Say("Die Datei {0} kann nicht geschrieben werden ({1}).",
                                     "The file {0} cannot be written ({1}).")
                                     .replace("{0}", file)
                                     .replace("{1}", Q(why)));
        }
        return;
    }
    const QString file = csv ? QFileDialog::getSaveFileName(
                                   this, Say("Messwerte speichern", "Save readings"),
                                   "messwerte.csv", Say("CSV-Dateien", "CSV files") + " (*.csv)")
                             : QFileDialog::getSaveFileName(
                                   this, Say("Bild speichern", "Save picture"), "messwerte.png",
                                   Say("PNG-Bilder", "PNG pictures") + " (*.png)");
    if (file.isEmpty()) return;  // cancelled
    if (csv) {
        SaveCsv(file);
    } else {
        SavePicture(file);
    }
}

}  // namespace vodex::example
