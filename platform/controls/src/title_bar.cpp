#include "tlx/controls/title_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QVBoxLayout>

namespace tlx::controls {

TitleBar::TitleBar(QWidget* parent)
    : QWidget(parent),
      title_(new QLabel(this)),
      explanation_(new QLabel(this)),
      icon_(new QLabel(this)) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::Base));
    setPalette(p);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    explanation_->setWordWrap(true);
    explanation_->setIndent(12);
    icon_->hide();
    auto* texts = new QVBoxLayout;
    texts->addWidget(title_);
    texts->addWidget(explanation_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 8, 10, 8);
    row->addLayout(texts, 1);
    row->addWidget(icon_, 0, Qt::AlignTop);
}

void TitleBar::SetTitle(const QString& title) {
    title_->setText(title);
}

void TitleBar::SetExplanation(const QString& text) {
    explanation_->setText(text);
}

void TitleBar::SetIcon(const QPixmap& icon) {
    icon_->setPixmap(icon);
    icon_->setVisible(!icon.isNull());
}

QString TitleBar::Title() const {
    return title_->text();
}

QString TitleBar::Explanation() const {
    return explanation_->text();
}

}  // namespace tlx::controls
