// The journeys' eyes inside a program: a Qt plug-in that the journeys load into the real
// programs (QT_QPA_GENERIC_PLUGINS=vodexprobe) and that answers, on a local socket, where a
// window or a control is on the screen and what it shows. It never acts: every click and key
// of a journey goes through the X server. The socket is "$VODEX_JOURNEY_PROBE/<pid>".
//
// Requests are lines of tab-separated fields; every answer is one line of JSON.
//   hello                         the program's name and process
//   windows                       the visible windows, the active one first
//   find  WINDOW CONTROL          a control: where it is, whether it can be used, what it shows
//   item  WINDOW CONTROL TEXT     where the row (or drop-down entry) holding TEXT is
//   dump  WINDOW                  every named control of a window
//   shot  FILE                    the whole screen into a PNG file
// WINDOW is a window's title, its object name, or "*" for the active window (a drop-down's
// open list counts as the window it belongs to). CONTROL is an object name, optionally with the
// index of a control array ("but_Command[2]"), or "text=Caption" (the shortcut marks ignored).
#include <unistd.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSeries>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QGenericPlugin>
#include <QGroupBox>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeWidget>

namespace {

QString Plain(QString text) {
    return text.remove('&').trimmed();
}

QString TextOf(const QWidget* w) {
    if (auto* box = qobject_cast<const QMessageBox*>(w)) return box->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return Plain(b->text());
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
    if (auto* c = qobject_cast<const QComboBox*>(w)) return c->currentText();
    if (auto* t = qobject_cast<const QPlainTextEdit*>(w)) return t->toPlainText();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    if (auto* view = qobject_cast<const QChartView*>(w)) {  // the names of its lines
        QStringList names;
        for (const QAbstractSeries* series : view->chart()->series())
            if (!names.contains(series->name())) names << series->name();
        return names.join('\t');
    }
    const QVariant caption = w->property("Caption");  // the control set's labels and bars
    if (caption.isValid()) return caption.toString();
    // A band of labels (a title bar): their texts, one a line.
    QStringList lines;
    for (const QLabel* label : w->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (!label->text().isEmpty()) lines << label->text();
    return lines.join('\n');
}

QJsonArray Rect(const QWidget* w, QRect local) {
    const QPoint at = w->mapToGlobal(local.topLeft());
    return {at.x(), at.y(), local.width(), local.height()};
}

// The rows of an item view as texts, the columns joined by tabs.
QJsonArray Rows(const QAbstractItemView* view) {
    QJsonArray rows;
    const QAbstractItemModel* m = view->model();
    if (!m) return rows;
    for (int r = 0; r < m->rowCount(view->rootIndex()); ++r) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(view->rootIndex()); ++c)
            cells << m->index(r, c, view->rootIndex()).data().toString();
        rows.append(cells.join('\t'));
    }
    return rows;
}

QJsonObject Describe(const QWidget* w) {
    QJsonObject o{{"found", true},
                  {"name", w->objectName()},
                  {"class", w->metaObject()->className()},
                  {"rect", Rect(w, w->rect())},
                  {"visible", w->isVisible()},
                  {"enabled", w->isEnabled()},
                  {"text", TextOf(w)}};
    if (auto* b = qobject_cast<const QAbstractButton*>(w); b && b->isCheckable())
        o["checked"] = b->isChecked();
    if (auto* c = qobject_cast<const QComboBox*>(w)) {
        QJsonArray items;
        for (int i = 0; i < c->count(); ++i)
            items.append(c->itemText(i));
        o["items"] = items;
        o["current"] = c->currentIndex();
    }
    if (auto* v = qobject_cast<const QAbstractItemView*>(w)) {
        o["items"] = Rows(v);
        o["current"] = v->currentIndex().isValid() ? v->currentIndex().row() : -1;
    }
    if (auto* t = qobject_cast<const QTreeWidget*>(w)) {
        QJsonArray checked;
        for (int i = 0; i < t->topLevelItemCount(); ++i)
            checked.append(t->topLevelItem(i)->checkState(0) == Qt::Checked);
        o["checks"] = checked;
        QJsonArray headers, icons;
        bool fit = true;  // every header's text fits its column
        const QFontMetrics metrics(t->header()->font());
        for (int c = 0; c < t->columnCount(); ++c) {
            headers.append(t->headerItem()->text(c));
            fit = fit && metrics.horizontalAdvance(t->headerItem()->text(c)) + 8 <=
                             t->header()->sectionSize(c);
        }
        for (int i = 0; i < t->topLevelItemCount(); ++i)
            icons.append(!t->topLevelItem(i)->icon(0).isNull());
        o["headers"] = headers;
        o["headersFit"] = fit;
        o["icons"] = icons;
    }

    if (w->isWindow()) {
        o["title"] = w->windowTitle();
        o["active"] = w->isActiveWindow();
    }
    const QVariant index = w->property("Index");
    if (index.isValid()) o["index"] = index.toInt();
    return o;
}

QList<QWidget*> VisibleWindows() {
    QList<QWidget*> windows;
    QWidget* active = QApplication::activeModalWidget();
    if (!active) active = QApplication::activeWindow();
    if (active && active->isVisible()) windows << active;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w != active && !w->inherits("QComboBoxPrivateContainer") &&
            !w->inherits("QMenu") && !w->inherits("QToolTip") && !w->inherits("QTipLabel"))
            windows << w;
    }
    return windows;
}

QWidget* FindWindow(const QString& key) {
    for (QWidget* w : VisibleWindows()) {
        if (key == "*" || w->windowTitle() == key || w->objectName() == key) return w;
    }
    return nullptr;
}

QWidget* FindControl(QWidget* window, const QString& key) {
    const bool byText = key.startsWith("text=");
    const QString wanted = byText ? Plain(key.mid(5)) : key.section('[', 0, 0);
    const int index = key.contains('[') ? key.section('[', 1).chopped(1).toInt() : -1;
    if (!byText && window->objectName() == wanted && index < 0) return window;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        if (byText) {
            if (Plain(TextOf(w)) == wanted) return w;
        } else if (w->objectName() == wanted &&
                   (index < 0 || w->property("Index").toInt() == index)) {
            return w;
        }
    }
    return nullptr;
}

// The view whose rows a control shows: the open list of a drop-down, or the item view itself.
QAbstractItemView* ItemView(QWidget* control) {
    if (auto* c = qobject_cast<QComboBox*>(control)) {
        return c->view() && c->view()->isVisible() ? c->view() : nullptr;
    }
    return qobject_cast<QAbstractItemView*>(control);
}

QJsonObject Item(QWidget* control, const QString& text) {
    QAbstractItemView* view = ItemView(control);
    if (!view || !view->model()) return {{"found", false}, {"why", "no open list"}};
    const QAbstractItemModel* m = view->model();
    for (int r = 0; r < m->rowCount(view->rootIndex()); ++r) {
        for (int c = 0; c < m->columnCount(view->rootIndex()); ++c) {
            const QModelIndex index = m->index(r, c, view->rootIndex());
            if (!index.data().toString().contains(text)) continue;
            view->scrollTo(index);
            const QRect rect = view->visualRect(index);
            QJsonObject answer{{"found", true}, {"row", r}, {"rect", Rect(view->viewport(), rect)}};
            const QModelIndex first = m->index(r, 0, view->rootIndex());
            if (first.flags() & Qt::ItemIsUserCheckable) {
                // Where the row's tick box is drawn.
                QStyleOptionViewItem option;
                option.initFrom(view);
                option.rect = view->visualRect(first);
                option.features |= QStyleOptionViewItem::HasCheckIndicator;
                const QRect box = view->style()->subElementRect(
                    QStyle::SE_ItemViewItemCheckIndicator, &option, view);
                answer["check"] = Rect(view->viewport(), box);
            }
            return answer;
        }
    }
    return {{"found", false}, {"why", "no row holds the text"}};
}

QJsonObject Answer(const QStringList& f) {
    const QString command = f.value(0);
    if (command == "hello") {
        return {{"pid", static_cast<qint64>(::getpid())},
                {"program", QCoreApplication::applicationName()}};
    }
    if (command == "windows") {
        QJsonArray list;
        for (QWidget* w : VisibleWindows())
            list.append(Describe(w));
        return {{"windows", list}};
    }
    if (command == "shot") {
        QScreen* screen = QGuiApplication::primaryScreen();
        const bool saved = screen && screen->grabWindow(0).save(f.value(1), "PNG");
        return {{"saved", saved}};
    }
    QWidget* window = FindWindow(f.value(1));
    if (!window) return {{"found", false}, {"why", "no such window"}};
    if (command == "dump") {
        QJsonArray list;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_"))
                list.append(Describe(w));
        }
        return {{"window", Describe(window)}, {"controls", list}};
    }
    QWidget* control = FindControl(window, f.value(2));
    if (!control) return {{"found", false}, {"why", "no such control"}};
    if (command == "find") return Describe(control);
    if (command == "item") return Item(control, f.value(3));
    return {{"found", false}, {"why", "unknown request"}};
}

class Probe : public QObject {
  public:
    explicit Probe(const QString& folder) {
        QDir().mkpath(folder);
        const QString path = folder + "/" + QString::number(::getpid());
        QLocalServer::removeServer(path);
        server_.listen(path);
        connect(&server_, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* peer = server_.nextPendingConnection()) {
                connect(peer, &QLocalSocket::readyRead, peer, [peer] {
                    while (peer->canReadLine()) {
                        const QString line = QString::fromUtf8(peer->readLine()).chopped(1);
                        const QJsonObject answer = Answer(line.split('\t'));
                        peer->write(QJsonDocument(answer).toJson(QJsonDocument::Compact) + "\n");
                        peer->flush();
                    }
                });
                connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            }
        });
    }

  private:
    QLocalServer server_;
};

}  // namespace

class ProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "probe.json")
  public:
    QObject* create(const QString& key, const QString&) override {
        const QString folder = qEnvironmentVariable("VODEX_JOURNEY_PROBE");
        if (key.compare("vodexprobe", Qt::CaseInsensitive) != 0 || folder.isEmpty()) return nullptr;
        return new Probe(folder);
    }
};

#include "probe_plugin.moc"
