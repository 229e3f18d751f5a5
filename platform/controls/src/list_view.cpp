#include "tlx/controls/list_view.h"

#include <QHeaderView>

namespace tlx::controls {

ListView::ListView(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setColumnCount(0);
    header()->setStretchLastSection(true);
}

void ListView::AddColumn(const QString& text, int width) {
    const int column = columnCount();
    setColumnCount(column + 1);
    headerItem()->setText(column, text);
    if (width > 0) setColumnWidth(column, width);
}

void ListView::SetColumnText(int column, const QString& text) {
    if (column >= 0 && column < columnCount()) headerItem()->setText(column, text);
}

QString ListView::ColumnText(int column) const {
    return column >= 0 && column < columnCount() ? headerItem()->text(column) : QString();
}

}  // namespace tlx::controls
