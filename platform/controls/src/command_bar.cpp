#include "tlx/controls/command_bar.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace tlx::controls {

CommandBar::CommandBar(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
}

void CommandBar::AddButton(const QString& text, const QString& key, bool abort) {
    auto* button = new QPushButton(text, this);
    button->setMinimumWidth(90);
    if (buttons_.empty()) button->setDefault(true);
    layout()->addWidget(button);
    buttons_.push_back({button, key});
    if (abort) abortKey_ = key;
    connect(button, &QPushButton::clicked, this, [this, key] { emit Command(key); });
}

void CommandBar::SetText(int index, const QString& text) {
    if (QPushButton* b = Button(index)) b->setText(text);
}

QString CommandBar::Key(int index) const {
    return index >= 0 && index < Count() ? buttons_[static_cast<std::size_t>(index)].key
                                         : QString();
}

QPushButton* CommandBar::Button(int index) const {
    return index >= 0 && index < Count() ? buttons_[static_cast<std::size_t>(index)].button
                                         : nullptr;
}

}  // namespace tlx::controls
