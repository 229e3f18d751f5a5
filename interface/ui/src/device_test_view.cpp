#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
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
#include "vodex/ui/qt_form.h"
#include "vodex/ui/views.h"

namespace vodex::ui {

// The values of the checked channels over the last minute, one line per channel in the
// colour of its row's marker; the scale follows the values shown.
class ChannelChart : public QWidget {
  public:
    explicit ChannelChart(const DeviceTestModel& model, QWidget* parent)
        : QWidget(parent), model_(model) {
        setObjectName("pic_Chart");
        setMinimumHeight(130);
    }

    static QColor ColourOf(std::size_t row) {
        static const QColor colours[] = {QColor(0, 102, 204), QColor(204, 51, 0),
                                         QColor(0, 153, 51),  QColor(153, 0, 153),
                                         QColor(204, 153, 0), QColor(0, 153, 153)};
        return colours[row % std::size(colours)];
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), palette().base());
        const QFontMetrics fm(font());
        const QRect plot =
            rect().adjusted(fm.horizontalAdvance("-0000.00") + 10, 8, -10, -fm.height() - 6);
        p.setPen(palette().mid().color());
        p.drawRect(plot);
        const double now = model_.Now();
        double low = INFINITY, high = -INFINITY;
        const auto& chart = model_.Chart();
        const auto& rows = model_.Channels();
        for (std::size_t i = 0; i < chart.size() && i < rows.size(); ++i) {
            if (!rows[i].checked) continue;
            for (const auto& point : chart[i]) {
                low = std::min(low, point.value);
                high = std::max(high, point.value);
            }
        }
        p.setPen(palette().text().color());
        p.drawText(QRect(plot.left(), plot.bottom() + 3, plot.width(), fm.height()), Qt::AlignLeft,
                   "-60 s");
        p.drawText(QRect(plot.left(), plot.bottom() + 3, plot.width(), fm.height()), Qt::AlignRight,
                   "0 s");
        if (low > high) return;  // nothing measured yet
        if (high - low < 1e-9) {
            low -= 1;
            high += 1;
        }
        const double margin = (high - low) * 0.05;  // lines never run along the frame
        low -= margin;
        high += margin;
        const QRect labels(0, plot.top() - fm.height() / 2, plot.left() - 6,
                           plot.height() + fm.height());
        p.drawText(labels, Qt::AlignRight | Qt::AlignTop, QString::number(high, 'g', 6));
        p.drawText(labels, Qt::AlignRight | Qt::AlignBottom, QString::number(low, 'g', 6));
        auto x = [&](double t) {
            return plot.left() + (t - (now - DeviceTestModel::kChartSeconds)) /
                                     DeviceTestModel::kChartSeconds * plot.width();
        };
        auto y = [&](double v) { return plot.bottom() - (v - low) / (high - low) * plot.height(); };
        p.setClipRect(plot.adjusted(1, 1, 0, 0));
        for (std::size_t i = 0; i < chart.size() && i < rows.size(); ++i) {
            if (!rows[i].checked || chart[i].empty()) continue;
            QPainterPath path;
            path.moveTo(x(chart[i].front().time), y(chart[i].front().value));
            for (const auto& point : chart[i])
                path.lineTo(x(point.time), y(point.value));
            p.setPen(QPen(ColourOf(i), 1.6));
            p.drawPath(path);
        }
    }

  private:
    const DeviceTestModel& model_;
};

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
      chart_(new ChannelChart(model, this)),
      status_(new QLabel(this)),
      debug_(new QLabel(this)),
      log_(new QPlainTextEdit(this)),
      autoChannel_(new QCheckBox(this)),
      retry_(new QCheckBox(this)),
      timer_(new QTimer(this)) {
    auto* columns = new QHBoxLayout;
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
    columns->addLayout(left, 1);

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
    columns->addLayout(right);
    Body()->addLayout(columns, 1);

    SetCloseBox([this] { model_.QueryClose(); });
    ShowDesign();
    for (const auto& entry : model_.Ports())
        port_->addItem(Q(entry));

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
    Mirror();
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
                item->setIcon(0, Marker(ChannelChart::ColourOf(i)));
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
    chart_->update();
    if (model_.TimerEnabled() && !model_.Closed()) {
        if (!timer_->isActive()) timer_->start();
    } else {
        timer_->stop();
    }
}

}  // namespace vodex::ui
