#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "pixmap.h"
#include "tlx/controls/list_view.h"
#include "tlx/ui.h"
#include "vodex/core/detail/release_device.h"
#include "vodex/core/device.h"
#include "vodex/core/device_dialog.h"
#include "vodex/core/device_tool.h"
#include "vodex/text/language.h"
#include "vodex/ui/views.h"

namespace vodex::ui {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QPushButton* NewButton(QWidget* parent, const char* name) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    return button;
}

}  // namespace

DeviceListView::DeviceListView(DeviceListModel& model, QWidget* parent)
    : ModelDialog(model, parent),
      model_(model),
      search_(new QLineEdit(this)),
      list_(new tlx::controls::ListView(this)) {
    search_->setObjectName("txt_Search");
    search_->installEventFilter(this);
    Body()->addWidget(search_);
    list_->setObjectName("lst_Devices");
    for (int i = 0; i < 4; ++i)
        list_->AddColumn({});
    list_->setMinimumSize(800, 260);
    list_->setIconSize(QSize(16, 16));
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->header()->setSectionsClickable(true);
    list_->header()->setSortIndicatorShown(false);
    Body()->addWidget(list_, 1);
    auto* buttons = new QHBoxLayout;
    auto* activate = NewButton(this, "but_ActivateAll");
    auto* deactivate = NewButton(this, "but_DeactivateAll");
    auto* info = NewButton(this, "but_DeviceInfo");
    auto* test = NewButton(this, "but_DeviceTest");
    for (QPushButton* b : {activate, deactivate})
        buttons->addWidget(b);
    buttons->addStretch(1);
    for (QPushButton* b : {info, test})
        buttons->addWidget(b);
    Body()->addLayout(buttons);
    SetCloseBox([this] { model_.Command("DIALOG.ABORT();"); });
    ShowDesign();
    search_->setText(Q(model_.SearchText()));

    connect(search_, &QLineEdit::textEdited, this,
            [this](const QString& text) { Run([&] { model_.Search(text.toStdString()); }); });
    connect(activate, &QPushButton::clicked, this,
            [this] { Run([this] { model_.ActivateAll(); }); });
    connect(deactivate, &QPushButton::clicked, this,
            [this] { Run([this] { model_.DeactivateAll(); }); });
    connect(info, &QPushButton::clicked, this, [this] { OpenInfo(Selected(), false); });
    connect(test, &QPushButton::clicked, this, [this] { OpenInfo(Selected(), true); });
    connect(list_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column != 0) return;
        // The list is drawn anew after this signal has returned: the item still belongs to
        // the list while Qt finishes the change.
        model_.Check(list_->indexOfTopLevelItem(item), item->checkState(0) == Qt::Checked);
        QMetaObject::invokeMethod(
            this, [this] { Mirror(); }, Qt::QueuedConnection);
    });
    connect(list_->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { Run([&] { model_.Sort(column); }); });
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowMenu(at); });
    Mirror();
}

bool DeviceListView::eventFilter(QObject* watched, QEvent* event) {
    // The search box selects its whole text when it gains the focus.
    if (watched == search_ && event->type() == QEvent::FocusIn) {
        QTimer::singleShot(0, search_, &QLineEdit::selectAll);
    }
    return ModelDialog::eventFilter(watched, event);
}

void DeviceListView::Mirror() {
    const QSignalBlocker quiet(list_);
    const int selected = Selected();
    list_->clear();
    const QIcon error = style()->standardIcon(QStyle::SP_MessageBoxCritical);
    for (const auto& row : model_.Rows()) {
        auto* item = new QTreeWidgetItem(
            {Q(row.text), Q(row.status), Q(row.manufacturer), Q(row.description)});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, row.checked ? Qt::Checked : Qt::Unchecked);
        item->setData(0, Qt::UserRole, Q(row.driverClass));
        const auto image = model_.Images().find(row.image);
        if (row.broken) {
            item->setIcon(0, error);
        } else if (image != model_.Images().end() && image->second) {
            item->setIcon(0, PictureOf(image->second));
        }
        list_->addTopLevelItem(item);
    }
    // The columns share the width: 30, 15, 25 and 30 percent.
    const int width = list_->viewport()->width() > 100 ? list_->viewport()->width() : 800;
    const int shares[] = {30, 15, 25};
    for (int i = 0; i < 3; ++i)
        list_->setColumnWidth(i, width * shares[i] / 100);
    if (selected >= 0 && selected < list_->topLevelItemCount()) {
        list_->setCurrentItem(list_->topLevelItem(selected));
    }
}

std::int32_t DeviceListView::Selected() const {
    QTreeWidgetItem* item = list_->currentItem();
    return item ? list_->indexOfTopLevelItem(item) : -1;
}

void DeviceListView::ShowMenu(const QPoint& at) {
    QTreeWidgetItem* item = list_->itemAt(at);
    if (!item) return;
    list_->setCurrentItem(item);
    const std::int32_t row = Selected();
    QMenu menu(this);
    menu.setObjectName("mnu_Device");
    QAction* info = menu.addAction(Q(hLanguageText("Informationen...", "Information...")));
    menu.setDefaultAction(info);
    QAction* test = menu.addAction(Q(hLanguageText("Testen...", "Test...")));
    menu.addSeparator();
    QAction* on = menu.addAction(Q(hLanguageText("Aktivieren", "Activate")));
    QAction* off = menu.addAction(Q(hLanguageText("Deaktivieren", "Deactivate")));
    menu.addSeparator();
    QAction* remove = menu.addAction(Q(hLanguageText("Entfernen...", "Uninstall...")));
    QAction* chosen = menu.exec(list_->viewport()->mapToGlobal(at));
    if (chosen == info || chosen == test) {
        OpenInfo(row, chosen == test);
    } else if (chosen == on || chosen == off) {
        Run([&] { model_.Check(row, chosen == on); });
    } else if (chosen == remove) {
        Run([&] { model_.Uninstall(row); });
    }
}

void DeviceListView::OpenInfo(std::int32_t row, bool test) {
    if (row < 0 || row >= static_cast<std::int32_t>(model_.Rows().size())) return;
    const std::string cls = model_.Rows()[static_cast<std::size_t>(row)].driverClass;
    if (test) {
        // The device test dialog, for the driver class.
        tlx::DialogRequest request{"frm_DeviceTest", nullptr, {{"CLASS", tlx::Variant(cls)}}, {}};
        tlx::ShowModalDialog(request);
        return;
    }
    const auto device = DeviceTool()->INFO(cls);
    if (!device) return;
    device->DIALOG()->INFO();
    detail::ReleaseDevice(device);
}

}  // namespace vodex::ui
