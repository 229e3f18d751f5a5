#include "tlx/controls/status_bar.h"

#include <QHBoxLayout>
#include <QLabel>

namespace tlx::controls {

StatusBar::StatusBar(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
}

void StatusBar::AddPanel(const QString& text, bool stretch) {
    auto* panel = new QLabel(text, this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setWordWrap(true);
    panel->setMargin(2);
    static_cast<QHBoxLayout*>(layout())->addWidget(panel, stretch ? 1 : 0);
    panels_.push_back(panel);
}

QLabel* StatusBar::PanelLabel(int panel) const {
    return panel >= 0 && panel < PanelCount() ? panels_[static_cast<std::size_t>(panel)] : nullptr;
}

void StatusBar::SetPanelText(int panel, const QString& text) {
    if (QLabel* label = PanelLabel(panel)) label->setText(text);
}

QString StatusBar::PanelText(int panel) const {
    const QLabel* label = PanelLabel(panel);
    return label ? label->text() : QString();
}

}  // namespace tlx::controls
