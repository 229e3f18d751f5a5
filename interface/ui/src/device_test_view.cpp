#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "tlx/controls/frame.h"
#include "tlx/controls/label.h"
#include "tlx/controls/list_view.h"
#include "tlx/controls/readings_chart.h"
#include "vodex/text/language.h"
#include "vodex/ui/qt_form.h"
#include "vodex/ui/views.h"

namespace vodex::ui {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QPushButton* NewButton(QWidget* parent, const char* name, std::optional<int> index = {}) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    if (index) QtForm::SetIndex(*button, *index);
    return button;
}

// The colour of a channel row's line in the chart.
QColor ColourOf(std::size_t row) {
    static const QColor colours[] = {QColor(0, 102, 204), QColor(204, 51, 0),  QColor(0, 153, 51),
                                     QColor(153, 0, 153), QColor(204, 153, 0), QColor(0, 153, 153)};
    return colours[row % std::size(colours)];
}

// A coloured square for a channel row, matching its line in the chart.
QIcon Marker(QColor colour) {
    QPixmap square(10, 10);
    square.fill(colour);
    return QIcon(square);
}

}  // namespace

DeviceTestView::DeviceTestView(DeviceTestModel& model, QWidget* parent)
    : ModelDialog(model, parent),
      model_(model),
      port_(new QComboBox(this)),
      channels_(new tlx::controls::ListView(this)),
      chart_(new tlx::controls::ReadingsChart(this)),
      status_(new QLabel(this)),
      debug_(new QLabel(this)),
      log_(new QPlainTextEdit(this)),
      autoChannel_(new QCheckBox(this)),
      retry_(new QCheckBox(this)),
      timer_(new QTimer(this)),
      chartTimer_(new QTimer(this)) {
    auto* columns = new QHBoxLayout;
    columns->addLayout(MeasuringColumn(), 1);
    columns->addLayout(CommandColumn());
    Body()->addLayout(columns, 1);

    SetCloseBox([this] { model_.QueryClose(); });
    ShowDesign();
    for (const auto& entry : model_.Ports())
        port_->addItem(Q(entry));
    ConnectControls();
    Mirror();
    DrawChart();
}

QLayout* DeviceTestView::MeasuringColumn() {
    auto* left = new QVBoxLayout;
    auto* portRow = new QHBoxLayout;
    port_->setObjectName("lst_Port");
    port_->setMinimumWidth(200);
    portRow->addWidget(NewLabel("lab_Port"));
    portRow->addWidget(port_, 1);
    autoChannel_->setObjectName("opt_AutoChannel");
    retry_->setObjectName("opt_Retry");
    portRow->addSpacing(12);
    portRow->addWidget(autoChannel_);
    portRow->addWidget(retry_);
    left->addLayout(portRow);

    auto* channelFrame = new tlx::controls::Frame({}, this);
    channelFrame->setObjectName("fra_Channels");
    auto* channelBox = new QVBoxLayout(channelFrame);
    channels_->setObjectName("lst_Channels");
    channels_->setRootIsDecorated(false);
    channels_->setMinimumSize(640, 120);
    for (int i = 0; i < DeviceTestModel::ColumnCount; ++i)
        channels_->AddColumn({});
    // The columns share the list's width equally, less room for the scroll bar.
    const int width = (channels_->minimumWidth() - 26) / DeviceTestModel::ColumnCount;
    for (int i = 0; i < DeviceTestModel::ColumnCount; ++i)
        channels_->setColumnWidth(i, width);
    channelBox->addWidget(channels_);
    chart_->setObjectName("pic_Chart");
    chart_->setMinimumHeight(200);
    channelBox->addWidget(chart_, 1);
    left->addWidget(channelFrame, 1);
    status_->setObjectName("lab_Status");
    left->addWidget(status_);

    auto* historyFrame = new tlx::controls::Frame({}, this);
    historyFrame->setObjectName("fra_History");
    auto* historyBox = new QVBoxLayout(historyFrame);
    debug_->setObjectName("lab_Debug");
    debug_->setWordWrap(true);
    log_->setObjectName("txt_Log");
    log_->setReadOnly(true);
    log_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    log_->setMaximumHeight(90);
    historyBox->addWidget(debug_);
    historyBox->addWidget(log_);
    left->addWidget(historyFrame);
    return left;
}

QLayout* DeviceTestView::CommandColumn() {
    auto* right = new QVBoxLayout;
    auto* commandFrame = new tlx::controls::Frame({}, this);
    commandFrame->setObjectName("fra_Commands");
    auto* commandBox = new QVBoxLayout(commandFrame);
    const struct {
        const char* name;
        void (DeviceTestModel::*run)();
    } commands[] = {{"but_AutoChannel", &DeviceTestModel::AutoChannelButton},
                    {"but_AutoPort", &DeviceTestModel::AutoPortButton},
                    {"but_AutoSense", &DeviceTestModel::AutoSenseButton},
                    {"but_Setup", &DeviceTestModel::SetupButton}};
    for (const auto& c : commands) {
        auto* button = NewButton(commandFrame, c.name);
        commandBox->addWidget(button);
        const auto run = c.run;
        connect(button, &QPushButton::clicked, this,
                [this, run] { Run([&] { (model_.*run)(); }); });
    }
    auto* copy = NewButton(commandFrame, "but_CopyDebug");
    commandBox->addWidget(copy);
    connect(copy, &QPushButton::clicked, this, [this] {
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->clear();
        clipboard->setText(Q(model_.DebugForClipboard()));
    });
    right->addWidget(commandFrame);

    auto* switchFrame = new tlx::controls::Frame({}, this);
    switchFrame->setObjectName("fra_Switches");
    auto* switchGrid = new QGridLayout(switchFrame);
    int line = 0;
    for (const auto& s : model_.Switches()) {
        auto* box = new QCheckBox(switchFrame);
        box->setObjectName("but_Relais");
        QtForm::SetIndex(*box, s.number);
        auto* value = NewButton(switchFrame, "but_Value", s.number);
        value->setMaximumWidth(36);
        switchGrid->addWidget(box, line, 0);
        switchGrid->addWidget(value, line++, 1);
        switches_.push_back(box);
        const std::int32_t number = s.number;
        connect(box, &QCheckBox::clicked, this,
                [this, number](bool on) { Run([&] { model_.SwitchClicked(number, on); }); });
        connect(value, &QPushButton::clicked, this,
                [this, number] { Run([&] { model_.SwitchValue(number); }); });
    }
    right->addWidget(switchFrame);
    right->addStretch(1);
    return right;
}

void DeviceTestView::ConnectControls() {
    connect(port_, &QComboBox::activated, this,
            [this](int entry) { Run([&] { model_.SelectPort(entry); }); });
    connect(autoChannel_, &QCheckBox::toggled, this,
            [this](bool on) { model_.AutoChannelOption(on); });
    connect(retry_, &QCheckBox::toggled, this, [this](bool on) { model_.RetryOption(on); });
    connect(channels_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column != 0) return;
        model_.CheckChannel(channels_->indexOfTopLevelItem(item),
                            item->checkState(0) == Qt::Checked);
    });
    // The cycle runs as often as the event loop allows, one at a time: the timer is off while
    // a cycle runs.
    timer_->setInterval(1);
    connect(timer_, &QTimer::timeout, this, [this] { Cycle(); });
    // The chart follows four times a second: drawing it at every cycle would slow measuring.
    chartTimer_->setInterval(250);
    connect(chartTimer_, &QTimer::timeout, this, [this] { DrawChart(); });
    chartTimer_->start();
}

void DeviceTestView::DrawChart() {
    const double now = model_.Now();
    const auto& rows = model_.Channels();
    const auto& chart = model_.Chart();
    std::vector<tlx::controls::ReadingsChart::Line> lines;
    QStringList units;
    for (std::size_t i = 0; i < rows.size() && i < chart.size(); ++i) {
        if (!rows[i].checked) continue;
        const QString unit = Q(rows[i].cells[DeviceTestModel::ColSize]);
        if (!unit.isEmpty() && !units.contains(unit)) units << unit;
        tlx::controls::ReadingsChart::Line line{
            Q(rows[i].cells[DeviceTestModel::ColName]), ColourOf(i), {}};
        line.points.reserve(chart[i].size());
        for (const auto& point : chart[i])
            line.points.emplace_back(point.time - now, point.value);
        lines.push_back(std::move(line));
    }
    chart_->SetTimeAxis(Q(hLanguageText("Zeit (s)", "Time (s)")), -DeviceTestModel::kChartSeconds,
                        0);
    chart_->SetValueCaption(units.join(", "));
    chart_->SetLines(lines);
}

void DeviceTestView::Cycle() {
    timer_->stop();
    Run([this] { model_.Tick(); });
}

void DeviceTestView::Mirror() {
    {
        const QSignalBlocker quiet(port_);
        if (port_->count() != static_cast<int>(model_.Ports().size())) {
            port_->clear();
            for (const auto& entry : model_.Ports())
                port_->addItem(Q(entry));
        }
        port_->setCurrentIndex(model_.SelectedPort());
    }
    {
        const QSignalBlocker quiet(channels_);
        const auto& rows = model_.Channels();
        if (channels_->topLevelItemCount() != static_cast<int>(rows.size()) ||
            (!rows.empty() &&
             channels_->topLevelItem(0)->data(0, Qt::UserRole).toString() != Q(rows[0].key))) {
            channels_->clear();
            for (std::size_t i = 0; i < rows.size(); ++i) {
                auto* item = new QTreeWidgetItem;
                item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                item->setData(0, Qt::UserRole, Q(rows[i].key));
                item->setIcon(0, Marker(ColourOf(i)));
                channels_->addTopLevelItem(item);
            }
        }
        for (std::size_t i = 0; i < rows.size(); ++i) {
            QTreeWidgetItem* item = channels_->topLevelItem(static_cast<int>(i));
            item->setCheckState(0, rows[i].checked ? Qt::Checked : Qt::Unchecked);
            for (int c = 0; c < DeviceTestModel::ColumnCount; ++c) {
                const QString text = Q(rows[i].cells[static_cast<std::size_t>(c)]);
                if (item->text(c) != text) item->setText(c, text);
            }
        }
    }
    {
        const QSignalBlocker a(autoChannel_), b(retry_);
        autoChannel_->setChecked(model_.AutoChannelOption());
        retry_->setChecked(model_.RetryOption());
    }
    for (std::size_t i = 0; i < switches_.size(); ++i) {
        const QSignalBlocker quiet(switches_[i]);
        switches_[i]->setChecked(model_.Switches()[i].checked);
    }
    status_->setText(Q(model_.StatusText()));
    // Light red for an error, else the colour of the debug label.
    QPalette colours = debug_->palette();
    if (model_.StatusIsError()) colours.setColor(QPalette::WindowText, QColor(255, 85, 85));
    status_->setPalette(colours);
    const QString debug = Q(model_.DebugText());
    if (debug_->text() != debug) {
        debug_->setText(debug);
        log_->setPlainText(debug);
        log_->moveCursor(QTextCursor::End);  // the caret after the last character
    }
    if (model_.TimerEnabled() && !model_.Closed()) {
        if (!timer_->isActive()) timer_->start();
    } else {
        timer_->stop();
    }
}

}  // namespace vodex::ui
