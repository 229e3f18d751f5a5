#include "installer_window.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QTreeWidgetItem>
#include <QVBoxLayout>
#include <algorithm>

#include "status_icons.h"
#include "tlx/controls/frame.h"
#include "tlx/controls/label.h"
#include "tlx/controls/list_view.h"
#include "vodex/text/language.h"
#include "vodex/ui/qt_form.h"

namespace vodex::setup {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// A label that acts as a link: underlined, blue, with the hand cursor.
tlx::controls::Label* AsLink(tlx::controls::Label* label) {
    label->setCursor(Qt::PointingHandCursor);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, QColor(0, 0, 204));
    label->setPalette(colours);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    return label;
}

}  // namespace

HelpWindow::HelpWindow(HelpModel& model, QWidget* parent) : ModelDialog(model, parent) {
    setWindowIcon(StatusIcon("help"));
    for (const auto& topic : model.Topics()) {
        auto* heading = new QLabel(Q(topic.heading), this);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        auto* text = new QLabel(Q(topic.text), this);
        text->setWordWrap(true);
        text->setMinimumWidth(460);
        Body()->addWidget(heading);
        Body()->addWidget(text);
        Body()->addSpacing(6);
    }
    SetCloseBox([&model] { model.Command("DIALOG.OK();"); });
    ShowDesign();
}

InstallerWindow::InstallerWindow(SetupModel& model, QWidget* parent)
    : ModelDialog(model, parent),
      model_(model),
      folder_(new QComboBox(this)),
      filter_(new QComboBox(this)),
      search_(new QLineEdit(this)),
      list_(new tlx::controls::ListView(this)),
      panel_(new QLabel(this)),
      internet_(new QLabel(this)),
      poll_(new QTimer(this)) {
    Body()->addLayout(ChoiceRows());
    AddList();
    Body()->addLayout(BottomRow());
    SetCloseBox([this] { model_.Command("DIALOG.ABORT();"); });
    ShowDesign();
    FitToTexts();
    search_->setText(Q(model_.SearchText()));
    ConnectControls();
    Mirror();
}

QLayout* InstallerWindow::ChoiceRows() {
    auto* top = new QGridLayout;
    folder_->setObjectName("lst_Folder");
    folder_->setEditable(true);
    folder_->setInsertPolicy(QComboBox::NoInsert);  // a typed folder is chosen, not listed
    folder_->setMinimumWidth(260);
    for (const auto& drive : model_.Drives())
        folder_->addItem(Q(drive));
    auto* browse = new QPushButton(this);
    browse->setObjectName("but_Folder");
    filter_->setObjectName("lst_Filter");
    for (const auto& [de, en] : {std::pair{"Alle anzeigen", "Show all"},
                                 {"Nur Wandler mit Updates", "Updates only"},
                                 {"Neue Wandler + Updates", "New drivers + updates"},
                                 {"Nur installierte Wandler!", "Installed drivers only!"}})
        filter_->addItem(Q(hLanguageText(de, en)));
    search_->setObjectName("txt_Search");
    auto caption = [this](const char* name) {
        auto* label = NewLabel(name);
        label->setWordWrap(false);
        return label;
    };
    top->addWidget(caption("lab_Folder"), 0, 0);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse);
    top->addLayout(folderRow, 0, 1);
    top->addWidget(caption("lab_Filter"), 1, 0);
    top->addWidget(filter_, 1, 1);
    top->addWidget(caption("lab_Search"), 2, 0);
    top->addWidget(search_, 2, 1);
    top->setColumnStretch(1, 1);
    connect(browse, &QPushButton::clicked, this,
            [this] { Run([this] { model_.BrowseFolder(); }); });
    return top;
}

void InstallerWindow::AddList() {
    list_->setObjectName("lst_Devices");
    list_->setRootIsDecorated(false);
    list_->setIconSize(QSize(16, 16));
    list_->setMinimumSize(860, 300);
    const int shares[] = {25, 24, 15, 12, 12, 12};
    for (const int share : shares)
        list_->AddColumn({}, (list_->minimumWidth() - 24) * share / 100);
    list_->header()->setSectionsClickable(true);
    Body()->addWidget(list_, 1);
    panel_->setObjectName("pan_Wait");
    panel_->setAlignment(Qt::AlignCenter);
    panel_->setAutoFillBackground(true);
    panel_->setVisible(false);
    Body()->addWidget(panel_);
    internet_->setObjectName("lab_Internet");
    Body()->addWidget(internet_);
}

QLayout* InstallerWindow::BottomRow() {
    auto* bottom = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* hint = NewLabel("lab_Hint");
    hint->setWordWrap(true);
    hint->setMinimumWidth(520);
    left->addWidget(hint);
    left->addStretch(1);
    for (const int index : {0, 2}) {
        auto* link = AsLink(NewLabel("lab_Link", index));
        link->installEventFilter(this);
        left->addWidget(link);
        link->setProperty("link", index);
    }
    bottom->addLayout(left, 1);
    auto* actions = new tlx::controls::Frame({}, this);
    actions->setObjectName("fra_Actions");
    auto* actionBox = new QVBoxLayout(actions);
    for (int i = 0; i < 3; ++i) {
        auto* install = new QPushButton(actions);
        install->setObjectName("but_Install");
        ui::QtForm::SetIndex(*install, i);
        actionBox->addWidget(install);
        connect(install, &QPushButton::clicked, this, [this, i] {
            Run([&] { model_.Install(static_cast<SetupModel::InstallSource>(i)); });
        });
    }
    auto* remove = new QPushButton(actions);
    remove->setObjectName("but_Remove");
    actionBox->addWidget(remove);
    bottom->addWidget(actions);
    connect(remove, &QPushButton::clicked, this, [this] { Run([this] { model_.Remove(); }); });
    return bottom;
}

void InstallerWindow::FitToTexts() {
    // Each column is at least as wide as its header.
    const QFontMetrics header(list_->header()->font());
    int total = 0;
    for (int c = 0; c < list_->columnCount(); ++c) {
        const int needed = header.horizontalAdvance(list_->headerItem()->text(c)) + 28;
        if (list_->columnWidth(c) < needed) list_->setColumnWidth(c, needed);
        total += list_->columnWidth(c);
    }
    list_->setMinimumWidth(std::max(list_->minimumWidth(), total + 24));
    // A wrapped label takes the height its text needs at its width.
    if (auto* hint = findChild<QLabel*>("lab_Hint")) {
        hint->setMinimumHeight(hint->heightForWidth(hint->minimumWidth()));
    }
}

void InstallerWindow::ConnectControls() {
    connect(folder_, &QComboBox::activated, this,
            [this](int index) { Run([&] { model_.ChooseDrive(index); }); });
    connect(folder_->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        const std::string typed = folder_->currentText().toStdString();
        Run([&] { model_.ChooseFolder(typed); });
    });
    // The wait panel shows before the work behind it starts; the list as soon as it changed.
    model_.OnPanel([this] { ShowState(); });
    connect(filter_, &QComboBox::activated, this, [this](int index) {
        Run([&] { model_.SetFilter(static_cast<SetupModel::Filter>(index)); });
    });
    connect(search_, &QLineEdit::textEdited, this,
            [this](const QString& text) { Run([&] { model_.Search(text.toStdString()); }); });
    connect(list_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column != 0) return;
        // The list is drawn anew after this signal has returned: the item still belongs to
        // the list while Qt finishes the change.
        model_.Check(list_->indexOfTopLevelItem(item), item->checkState(0) == Qt::Checked);
        QMetaObject::invokeMethod(
            this, [this] { Mirror(); }, Qt::QueuedConnection);
    });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        const int row = list_->indexOfTopLevelItem(item);
        Run([&] { model_.OpenInfo(row); });
    });
    connect(list_->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { Run([&] { model_.Sort(column); }); });
    // The catalogue arrives in the background.
    poll_->setInterval(100);
    connect(poll_, &QTimer::timeout, this, [this] {
        if (model_.Poll()) Run([] {});
    });
    poll_->start();
}

InstallerWindow::~InstallerWindow() {
    model_.OnPanel({});
}

bool InstallerWindow::eventFilter(QObject* watched, QEvent* event) {
    // A click on a link label runs the link.
    if (event->type() == QEvent::MouseButtonRelease && watched->property("link").isValid()) {
        const int index = watched->property("link").toInt();
        Run([&] { model_.Link(index); });
        return true;
    }
    return ModelDialog::eventFilter(watched, event);
}

void InstallerWindow::Mirror() {
    if (model_.TakeHelpRequest()) {
        HelpModel help;
        help.Load();
        HelpWindow(help, this).exec();
    }
    ShowState();
}

void InstallerWindow::ShowState() {
    panel_->setText(Q(model_.Panel()));
    panel_->setVisible(!model_.Panel().empty());
    internet_->setText(Q(model_.Internet()));
    {
        const QSignalBlocker quiet(folder_);
        folder_->setEditText(Q(model_.Folder()));
    }
    {
        const QSignalBlocker quiet(filter_);
        filter_->setCurrentIndex(model_.CurrentFilter());
    }
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (const auto& row : model_.Rows()) {
        auto* item = new QTreeWidgetItem;
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, row.checked ? Qt::Checked : Qt::Unchecked);
        item->setData(0, Qt::UserRole, Q(row.key));
        item->setData(1, Qt::UserRole, Q(row.className));
        const auto picture = model_.Catalogue().Images().find(row.image);
        item->setIcon(0, picture != model_.Catalogue().Images().end() && picture->second
                             ? DriverIcon(*picture->second)
                             : StatusIcon("generic"));
        for (int c = 0; c < SetupModel::kColumns; ++c) {
            item->setText(c, Q(row.cells[static_cast<std::size_t>(c)]));
            QFont font = item->font(c);
            font.setBold(c == row.boldColumn || (c == 1 && row.statusBold));
            item->setFont(c, font);
            if (row.red[static_cast<std::size_t>(c)]) {
                item->setForeground(c, QColor(255, 0, 0));
            } else if (row.grey[static_cast<std::size_t>(c)]) {
                item->setForeground(c, QColor(128, 128, 128));
            }
        }
        item->setForeground(1, QColor(row.statusRed, row.statusGreen, row.statusBlue));
        if (!row.statusIcon.empty()) item->setIcon(1, StatusIcon(row.statusIcon));
        list_->addTopLevelItem(item);
    }
}

}  // namespace vodex::setup
