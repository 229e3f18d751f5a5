#include <QGridLayout>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

#include "pixmap.h"
#include "tlx/controls/frame.h"
#include "tlx/controls/image_box.h"
#include "tlx/controls/label.h"
#include "tlx/controls/list_view.h"
#include "tlx/controls/progress_bar.h"
#include "vodex/ui/qt_form.h"
#include "vodex/ui/views.h"

namespace vodex::ui {
namespace {

constexpr int kTickMs = 100;

}  // namespace

QPixmap AutoSenseView::AnimationFrame(int frame) {
    // A magnifying glass circling over a serial plug, with a trail that fades.
    constexpr int kSize = 64;
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 96, 110), 2));
    p.setBrush(QColor(200, 205, 215));
    p.drawRoundedRect(QRectF(18, 24, 28, 16), 4, 4);  // the plug
    p.setBrush(QColor(90, 96, 110));
    for (int pin = 0; pin < 4; ++pin)
        p.drawEllipse(QPointF(24.5 + pin * 5, 32), 1.5, 1.5);
    const double step = 2 * std::numbers::pi / AutoSenseModel::kFrames;
    for (int back = 3; back >= 0; --back) {
        const double a = (frame - back) * step;
        const QPointF centre(32 + 16 * std::cos(a), 32 + 16 * std::sin(a));
        QColor glass(40, 110, 200);
        glass.setAlphaF(back == 0 ? 1.0f : 0.25f / static_cast<float>(back));
        p.setPen(QPen(glass, back == 0 ? 3 : 2));
        p.setBrush(back == 0 ? QBrush(QColor(220, 235, 255, 120)) : QBrush(Qt::NoBrush));
        p.drawEllipse(centre, 8, 8);
        if (back == 0) {
            p.drawLine(centre + QPointF(5.7, 5.7), centre + QPointF(12, 12));  // the handle
        }
    }
    return pixmap;
}

AutoSenseView::AutoSenseView(AutoSenseModel& model, QWidget* parent)
    : ModelDialog(model, parent),
      model_(model),
      icon_(new tlx::controls::ImageBox(this)),
      animation_(new tlx::controls::ImageBox(this)),
      progress_(new tlx::controls::ProgressBar(this)),
      found_(new tlx::controls::ListView(this)),
      start_(new QTimer(this)),
      animate_(new QTimer(this)) {
    auto* trying = new tlx::controls::Frame({}, this);
    trying->setObjectName("fra_Frame");
    QtForm::SetIndex(*trying, 0);
    auto* grid = new QGridLayout(trying);
    for (int i = 0; i < 3; ++i) {
        steps_[i] = NewLabel(i == 0 ? "lab_Step1" : i == 1 ? "lab_Step2" : "lab_Step3");
        steps_[i]->setMinimumWidth(300);
        grid->addWidget(steps_[i], i, 1);
    }
    icon_->setObjectName("img_Device");
    icon_->setFixedSize(36, 36);
    grid->addWidget(icon_, 0, 0, 3, 1, Qt::AlignTop);
    animation_->setObjectName("pic_AutoSense");
    animation_->setFixedSize(64, 64);
    grid->addWidget(animation_, 0, 2, 3, 1);
    progress_->setObjectName("bar_Percent");
    grid->addWidget(progress_, 3, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    Body()->addWidget(trying);

    auto* already = new tlx::controls::Frame({}, this);
    already->setObjectName("fra_Frame");
    QtForm::SetIndex(*already, 1);
    auto* list = new QVBoxLayout(already);
    found_->setObjectName("lst_Found");
    for (int width : {170, 120, 80, 0})
        found_->AddColumn({}, width);
    found_->setMinimumSize(500, 130);
    found_->setIconSize(QSize(16, 16));
    list->addWidget(found_);
    Body()->addWidget(already, 1);

    SetCloseBox([this] { model_.QueryClose(); });
    ShowDesign();
    // The search runs inside the start timer's tick, once the window shows.
    start_->setSingleShot(true);
    start_->setInterval(kTickMs);
    connect(start_, &QTimer::timeout, this, [this] { Run([this] { model_.Search(); }); });
    animate_->setInterval(kTickMs);
    connect(animate_, &QTimer::timeout, this, [this] {
        model_.AnimationTick();
        Mirror();
    });
    start_->start();
    animate_->start();
    Mirror();
}

void AutoSenseView::Mirror() {
    const std::string* texts[] = {&model_.Step1(), &model_.Step2(), &model_.Step3()};
    for (int i = 0; i < 3; ++i)
        steps_[i]->SetCaption(QString::fromStdString(*texts[i]));
    icon_->SetPicture(PictureOf(model_.Icon()));
    animation_->SetPicture(AnimationFrame(model_.Frame()));
    progress_->SetRange(0, model_.ProgressMax());
    progress_->SetValue(model_.Progress());
    const auto& rows = model_.Rows();
    for (auto i = static_cast<std::size_t>(found_->topLevelItemCount()); i < rows.size(); ++i) {
        const auto& row = rows[i];
        auto* item = new QTreeWidgetItem(
            {QString::fromStdString(row.device), QString::fromStdString(row.manufacturer),
             QString::fromStdString(row.port), QString::fromStdString(row.channel)});
        const auto image = model_.Images().find(row.driverClass);
        if (image != model_.Images().end()) item->setIcon(0, PictureOf(image->second));
        found_->addTopLevelItem(item);
    }
    if (!model_.Animating()) animate_->stop();
}

}  // namespace vodex::ui
