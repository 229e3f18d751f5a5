#include "main_window.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "tlx/controls/header.h"
#include "tlx/controls/label.h"
#include "vodex/ui/qt_form.h"

namespace vodex::manager {
namespace {

tlx::controls::Header* NewHeader(QWidget* parent, const char* name) {
    auto* header = new tlx::controls::Header({}, parent);
    header->setObjectName(name);
    return header;
}

}  // namespace

MainWindow::MainWindow(ManagerModel& model, QWidget* parent)
    : ModelDialog(model, parent), model_(model) {
    auto* columns = new QHBoxLayout;
    columns->setSpacing(24);
    auto* left = new QVBoxLayout;
    auto facts = [&](std::initializer_list<std::pair<const char*, const char*>> rows) {
        auto* grid = new QGridLayout;
        int line = 0;
        for (const auto& [caption, value] : rows) {
            auto* text = NewLabel(caption);
            text->setWordWrap(false);
            grid->addWidget(text, line, 0);
            auto* label = NewLabel(value);
            label->setMinimumWidth(110);
            grid->addWidget(label, line++, 1);
        }
        grid->setColumnStretch(1, 1);
        return grid;
    };
    left->addWidget(NewHeader(this, "hdr_General"));
    left->addLayout(facts({{"lab_CountText", "lab_Count"},
                           {"lab_ActiveText", "lab_Active"},
                           {"lab_InactiveText", "lab_Inactive"},
                           {"lab_SizeText", "lab_Size"}}));
    left->addSpacing(10);
    left->addWidget(NewHeader(this, "hdr_Versions"));
    left->addLayout(facts({{"lab_VersionInterfaceText", "lab_VersionInterface"},
                           {"lab_VersionManagerText", "lab_VersionManager"}}));
    left->addStretch(1);
    columns->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    std::vector<QPushButton*> commands;
    for (std::size_t i = 0; i < std::size(ManagerModel::kCommands); ++i) {
        auto* button = new QPushButton(this);
        button->setObjectName("but_Command");
        ui::QtForm::SetIndex(*button, static_cast<int>(i));
        button->setMinimumWidth(300);
        button->setProperty("Tag", ManagerModel::kCommands[i]);
        // A click runs the command of the button's tag.
        connect(button, &QPushButton::clicked, this, [this, button] {
            Run([&] { model_.Command(button->property("Tag").toString().toStdString()); });
        });
        commands.push_back(button);
    }
    auto* updates = new QPushButton(this);
    updates->setObjectName("but_UpdatesX");
    connect(updates, &QPushButton::clicked, this, [this] { Run([this] { model_.UpdatesX(); }); });
    right->addWidget(NewHeader(this, "hdr_Drivers"));
    right->addWidget(commands[0]);  // SETUP
    right->addWidget(updates);
    right->addSpacing(10);
    right->addWidget(NewHeader(this, "hdr_Devices"));
    for (std::size_t i = 1; i <= 3; ++i)
        right->addWidget(commands[i]);
    right->addSpacing(10);
    right->addWidget(NewHeader(this, "hdr_Options"));
    auto* languageRow = new QHBoxLayout;
    auto* languageText = NewLabel("lab_Language");
    languageText->setWordWrap(false);
    auto* language = new QComboBox(this);
    language->setObjectName("lst_Language");
    for (const std::string& name : ManagerModel::Languages())
        language->addItem(QString::fromStdString(name));
    language->setCurrentIndex(model_.Language());
    connect(language, &QComboBox::activated, this,
            [this](int choice) { Run([&] { model_.ChooseLanguage(choice); }); });
    languageRow->addWidget(languageText);
    languageRow->addWidget(language, 1);
    right->addLayout(languageRow);
    right->addWidget(commands[4]);  // WEB
    right->addStretch(1);
    columns->addLayout(right);
    Body()->addLayout(columns, 1);
    SetCloseBox([this] { model_.Command("QUIT"); });
    ShowDesign();
    Mirror();
}

void MainWindow::Mirror() {
    const ManagerModel::Panel& p = model_.Info();
    const std::pair<const char*, const std::string*> values[] = {
        {"lab_Count", &p.count},
        {"lab_Active", &p.active},
        {"lab_Inactive", &p.inactive},
        {"lab_Size", &p.size},
        {"lab_VersionInterface", &p.versionInterface},
        {"lab_VersionManager", &p.versionManager}};
    for (const auto& [name, value] : values) {
        if (auto* label = findChild<tlx::controls::Label*>(name))
            label->SetCaption(QString::fromStdString(*value));
    }
}

}  // namespace vodex::manager
