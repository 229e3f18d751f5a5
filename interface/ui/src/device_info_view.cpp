#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

#include "pixmap.h"
#include "tlx/controls/frame.h"
#include "tlx/controls/image_box.h"
#include "tlx/controls/label.h"
#include "tlx/controls/list_view.h"
#include "vodex/ui/views.h"

namespace vodex::ui {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QLabel* Value(QWidget* parent, const std::string& text) {
    auto* label = new QLabel(Q(text), parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

// A list whose columns share `width`, less room for the scroll bar, by `shares` (percent).
tlx::controls::ListView* NewList(QWidget* parent, const char* name,
                                 std::initializer_list<int> shares, int width) {
    auto* list = new tlx::controls::ListView(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    for (const int share : shares)
        list->AddColumn({}, (width - 24) * share / 100);
    list->setMinimumSize(width + 4, 110);
    return list;
}

}  // namespace

DeviceInfoView::DeviceInfoView(DeviceInfoModel& model, QWidget* parent)
    : ModelDialog(model, parent) {
    auto* top = new QHBoxLayout;
    auto* fields = new QGridLayout;
    int row = 0;
    auto field = [&](const char* caption, QWidget* value) {
        fields->addWidget(NewLabel(caption), row, 0, Qt::AlignTop);
        fields->addWidget(value, row++, 1);
    };
    auto* name = Value(this, model.Name());
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    field("lab_NameCaption", name);
    field("lab_ManufacturerCaption", Value(this, model.Manufacturer()));
    field("lab_DescriptionCaption", Value(this, model.Description()));
    field("lab_IdentifierCaption", Value(this, model.Identifier()));
    // The information address opens through the core library, not as a link of the label.
    auto* url = Value(this, model.InfoUrl());
    url->setObjectName("lab_InfoUrl");
    if (!model.InfoUrl().empty()) {
        url->setText("<a href=\"#\">" + Q(model.InfoUrl()).toHtmlEscaped() + "</a>");
        url->setTextFormat(Qt::RichText);
        url->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        url->setCursor(Qt::PointingHandCursor);
        connect(url, &QLabel::linkActivated, this, [&model] { model.OpenInfoUrl(); });
    }
    field("lab_InfoUrlCaption", url);
    field("lab_FileDateCaption", Value(this, model.FileDate()));
    fields->setColumnStretch(1, 1);
    top->addLayout(fields, 1);
    auto* pictures = new QVBoxLayout;
    auto* image = new tlx::controls::ImageBox(this);
    image->setObjectName("img_Image");
    image->SetPicture(PictureOf(model.Image()));
    auto* icon = new tlx::controls::ImageBox(this);
    icon->setObjectName("img_Icon");
    icon->SetPicture(PictureOf(model.Icon()));
    pictures->addWidget(image);
    pictures->addWidget(icon, 0, Qt::AlignHCenter);
    pictures->addStretch(1);
    top->addLayout(pictures);
    Body()->addLayout(top);

    auto* properties = new tlx::controls::Frame({}, this);
    properties->setObjectName("fra_Properties");
    auto* grid = new QGridLayout(properties);
    int line = 0;
    for (const auto& p : model.Properties()) {
        grid->addWidget(new QLabel(Q(p.label), properties), line / 2, (line % 2) * 2);
        grid->addWidget(new QLabel(Q(p.value), properties), line / 2, (line % 2) * 2 + 1);
        ++line;
    }
    QStringList activators;
    for (const auto& a : model.Activators())
        activators << Q(a);
    const int last = (line + 1) / 2;
    grid->addWidget(new QLabel(Q(model.SupportsLabel()), properties), last, 0, Qt::AlignTop);
    auto* supports = new QLabel(activators.join(", "), properties);
    supports->setWordWrap(true);
    grid->addWidget(supports, last, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    Body()->addWidget(properties);

    auto* lists = new QHBoxLayout;
    auto* channelFrame = new tlx::controls::Frame({}, this);
    channelFrame->setObjectName("fra_Channels");
    auto* channels = NewList(channelFrame, "lst_Channels", {40, 20, 20, 20}, 400);
    for (const auto& c : model.Channels())
        channels->addTopLevelItem(
            new QTreeWidgetItem({Q(c.name), Q(c.size), Q(c.factor), Q(c.offset)}));
    (new QVBoxLayout(channelFrame))->addWidget(channels);
    auto* portFrame = new tlx::controls::Frame({}, this);
    portFrame->setObjectName("fra_Ports");
    auto* ports = NewList(portFrame, "lst_Ports", {50, 50}, 240);
    for (const auto& p : model.Ports())
        ports->addTopLevelItem(new QTreeWidgetItem({Q(p.name), Q(p.available)}));
    (new QVBoxLayout(portFrame))->addWidget(ports);
    lists->addWidget(channelFrame, 2);
    lists->addWidget(portFrame, 1);
    Body()->addLayout(lists, 1);
    SetCloseBox([&model] { model.Command("DIALOG.OK();"); });
    ShowDesign();
}

}  // namespace vodex::ui
