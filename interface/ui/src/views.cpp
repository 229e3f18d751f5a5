#include "vodex/ui/views.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "pixmap.h"
#include "tlx/controls/command_bar.h"
#include "tlx/controls/label.h"
#include "tlx/controls/list_view.h"
#include "tlx/controls/status_bar.h"
#include "tlx/controls/title_bar.h"
#include "tlx/error.h"
#include "vodex/ui/qt_form.h"

namespace vodex::ui {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

ModelDialog::ModelDialog(DialogModel& model, QWidget* parent)
    : QDialog(parent),
      model_(model),
      title_(new tlx::controls::TitleBar(this)),
      body_(new QVBoxLayout),
      bar_(new tlx::controls::CommandBar(this)) {
    FormModel& design = model.Design();
    setObjectName(Q(design.Name()));
    setModal(true);
    title_->setObjectName("bar_Title");
    // The design's command bar, whatever its name.
    ControlModel* found = nullptr;
    for (FormControl* c : design.Controls()) {
        if (!found && c->TypeName() == "CommandBar") found = dynamic_cast<ControlModel*>(c);
    }
    if (!found) throw tlx::Error("the dialog " + design.Name() + " has no command bar");
    ControlModel& bar = *found;
    bar_->setObjectName(Q(bar.Name()));
    const auto count = bar.CollectionCount(ControlCollection::Buttons).value_or(0);
    for (std::int32_t i = 1; i <= count; ++i) {
        const TextModel& button = bar.Member(ControlCollection::Buttons, i);
        bar_->AddButton(Q(button.Text("Text")), Q(button.Text("Tag")), i == 2);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 14);
    layout->addWidget(title_);
    body_->setContentsMargins(14, 10, 14, 4);
    layout->addLayout(body_, 1);
    auto* barRow = new QHBoxLayout;
    barRow->setContentsMargins(14, 0, 14, 0);
    barRow->addWidget(bar_);
    layout->addLayout(barRow);
    connect(bar_, &tlx::controls::CommandBar::Command, this,
            [this](const QString& key) { Run([&] { model_.Command(key.toStdString()); }); });
}

void ModelDialog::ShowDesign() {
    QtForm window(*this);
    ShowDesignTexts(model_.Design(), window);
    title_->setVisible(!title_->Title().isEmpty());
}

tlx::controls::Label* ModelDialog::NewLabel(const char* name, std::optional<int> index) {
    auto* label = new tlx::controls::Label({}, this);
    label->setObjectName(name);
    if (index) QtForm::SetIndex(*label, *index);
    return label;
}

void ModelDialog::Run(const std::function<void()>& command) {
    command();
    Mirror();
    if (model_.Closed()) done(QDialog::Accepted);
}

void ModelDialog::reject() {
    // Escape and the close box: the model decides, as its window's close box would.
    if (model_.Closed()) {
        QDialog::reject();
        return;
    }
    if (closeBox_) Run(closeBox_);
    if (!model_.Closed()) return;
    QDialog::reject();
}

void ModelDialog::closeEvent(QCloseEvent* event) {
    if (model_.Closed()) {
        event->accept();
        return;
    }
    event->ignore();
    reject();
}

CommSettingsView::CommSettingsView(CommSettingsModel& model, QWidget* parent)
    : ModelDialog(model, parent) {
    auto* form = new QFormLayout;
    const char* labels[] = {"lab_Baud", "lab_Parity", "lab_Stopbits", "lab_Databits",
                            "lab_Handshake"};
    for (std::size_t i = 0; i < CommSettingsModel::kLists; ++i) {
        const auto id = static_cast<CommSettingsModel::ListId>(i);
        const auto& list = model.Items(id);
        auto* combo = new QComboBox(this);
        combo->setObjectName(CommSettingsModel::kListNames[i]);
        for (const auto& entry : list.entries)
            combo->addItem(Q(entry.text), entry.code);  // the code rides along, unseen
        combo->setCurrentIndex(list.selected);
        combo->setEnabled(list.enabled);
        connect(combo, &QComboBox::currentIndexChanged, this,
                [&model, id](int index) { model.Select(id, index); });
        auto* label = NewLabel(labels[i]);
        label->setWordWrap(false);
        form->addRow(label, combo);
    }
    Body()->addLayout(form);
    SetCloseBox([&model] { model.Command("DIALOG.ABORT();"); });
    ShowDesign();
}

ErrorChecklistView::ErrorChecklistView(ErrorChecklistModel& model, QWidget* parent)
    : ModelDialog(model, parent), model_(model) {
    Body()->addWidget(NewLabel("Label1"));
    Body()->addSpacing(6);
    for (std::int32_t i = 0; i < model.Count(); ++i) {
        auto* box = new QCheckBox(this);
        box->setObjectName("opt_Check");
        QtForm::SetIndex(*box, i);
        boxes_.push_back(box);
        Body()->addWidget(box);
        connect(box, &QCheckBox::toggled, this,
                [this, i](bool on) { Run([&] { model_.Tick(i, on); }); });
    }
    auto* status = new tlx::controls::StatusBar(this);
    status->setObjectName("bar_Status");
    status->AddPanel();
    Body()->addSpacing(6);
    Body()->addWidget(status);
    SetCloseBox([this] { model_.CloseBox(); });
    ShowDesign();
    Mirror();
}

void ErrorChecklistView::Mirror() {
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const auto& state = model_.Item(static_cast<std::int32_t>(i));
        const QSignalBlocker quiet(boxes_[i]);
        boxes_[i]->setEnabled(state.enabled);
        boxes_[i]->setChecked(state.ticked);
    }
    const std::int32_t focus = model_.Focus();
    if (focus >= 0 && focus < static_cast<std::int32_t>(boxes_.size())) {
        boxes_[static_cast<std::size_t>(focus)]->setFocus();
    } else if (focus < 0 && Bar()->Button(0)) {
        Bar()->Button(0)->setFocus();
    }
}

DeviceSelectView::DeviceSelectView(DeviceSelectModel& model, QWidget* parent)
    : ModelDialog(model, parent) {
    auto* list = new tlx::controls::ListView(this);
    list->setObjectName("lst_Devices");
    list->AddColumn({});
    list->AddColumn({});
    list->setIconSize(QSize(24, 24));
    for (const auto& row : model.Rows()) {
        auto* item = new QTreeWidgetItem({Q(row.device), Q(row.manufacturer)});
        item->setIcon(0, QIcon(PictureOf(row.icon)));
        list->addTopLevelItem(item);
    }
    list->setMinimumSize(420, 200);
    const auto widths = DeviceSelectModel::ColumnWidths(list->minimumWidth());
    list->setColumnWidth(0, widths.first);
    list->setColumnWidth(1, widths.second);
    if (model.Selected() >= 0) list->setCurrentItem(list->topLevelItem(model.Selected()));
    Body()->addWidget(list);
    connect(list, &QTreeWidget::currentItemChanged, this, [list, &model](QTreeWidgetItem* item) {
        model.Select(item ? list->indexOfTopLevelItem(item) : -1);
    });
    connect(list, &QTreeWidget::itemActivated, this, [this, list, &model](QTreeWidgetItem* item) {
        Run([&] { model.Activate(list->indexOfTopLevelItem(item)); });
    });
    SetCloseBox([&model] { model.Command("DIALOG.ABORT"); });
    ShowDesign();
}

DeviceSettingsView::DeviceSettingsView(DeviceSettingsModel& model, QWidget* parent)
    : ModelDialog(model, parent) {
    auto* form = new QFormLayout;
    form->addRow(NewLabel("lab_Info", 0), NewLabel("lab_Device"));
    auto fill = [this](const std::vector<DeviceSettingsModel::Choice>& choices,
                       std::int32_t selected, const char* name) {
        auto* combo = new QComboBox(this);
        combo->setObjectName(name);
        for (const auto& c : choices)
            combo->addItem(Q(c.text));
        combo->setCurrentIndex(selected);
        combo->setMinimumWidth(220);
        return combo;
    };
    auto* ports = fill(model.Ports(), model.SelectedPort(), "lst_Port");
    auto* channels = fill(model.Channels(), model.SelectedChannel(), "lst_Channel");
    form->addRow(NewLabel("lab_Info", 1), ports);
    form->addRow(NewLabel("lab_Info", 2), channels);
    Body()->addLayout(form);
    connect(ports, &QComboBox::currentIndexChanged, this, [&model](int i) { model.SelectPort(i); });
    connect(channels, &QComboBox::currentIndexChanged, this,
            [&model](int i) { model.SelectChannel(i); });
    SetCloseBox([&model] { model.Command("DIALOG.ABORT"); });
    ShowDesign();
}

}  // namespace vodex::ui
