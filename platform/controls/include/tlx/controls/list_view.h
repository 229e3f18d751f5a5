// A list in report view: rows of texts under column headers, without a tree's decoration.
#pragma once

#include <QString>
#include <QTreeWidget>

namespace tlx::controls {

class ListView : public QTreeWidget {
    Q_OBJECT

  public:
    explicit ListView(QWidget* parent = nullptr);

    // Appends a column; a width of 0 leaves it to the list.
    void AddColumn(const QString& text, int width = 0);
    // Columns count from 0; a column that does not exist is ignored, and reads as "".
    void SetColumnText(int column, const QString& text);
    QString ColumnText(int column) const;
};

}  // namespace tlx::controls
