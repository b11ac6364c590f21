#include "app/TestHook.h"

#include "search/ResultList.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMenu>
#include <QMetaMethod>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

namespace velmora::app {

namespace {

QJsonArray rectJson(const QRect &r) { return QJsonArray{r.x(), r.y(), r.width(), r.height()}; }

// Screen rectangle of a widget; a window's includes its frame. A frameless
// window's frame is its own (drawn by the skin): asking Qt for the window
// manager's frame would query the X server, and a query while the window is
// being mapped leaves Qt a passing frame for good.
QRect screenRect(const QWidget *w)
{
    if (w->isWindow())
        return w->windowFlags().testFlag(Qt::FramelessWindowHint) ? w->geometry() : w->frameGeometry();
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

QString plainActionText(const QAction *a)
{
    QString t = a->text();
    t.remove(QLatin1Char('&'));
    return t.section(QLatin1Char('\t'), 0, 0);
}

QJsonObject brief(const QObject *o)
{
    QJsonObject j;
    if (!o)
        return j;
    j[QStringLiteral("objectName")] = o->objectName();
    j[QStringLiteral("class")] = QString::fromLatin1(o->metaObject()->className());
    if (auto *w = qobject_cast<const QWidget *>(o)) {
        j[QStringLiteral("window")] = w->window()->objectName();
        if (w->isWindow())
            j[QStringLiteral("title")] = w->windowTitle();
    }
    return j;
}

QJsonObject actionJson(QAction *a)
{
    QJsonObject j;
    j[QStringLiteral("objectName")] = a->objectName();
    j[QStringLiteral("text")] = a->text();
    j[QStringLiteral("separator")] = a->isSeparator();
    j[QStringLiteral("enabled")] = a->isEnabled();
    j[QStringLiteral("visible")] = a->isVisible();
    j[QStringLiteral("checked")] = a->isChecked();
    j[QStringLiteral("shortcut")] = a->shortcut().toString(QKeySequence::PortableText);
    return j;
}

bool itemVisible(const QAbstractItemView *view, const QRect &rect)
{
    return view->isVisible() && rect.isValid() && view->viewport()->rect().intersects(rect);
}

QJsonObject scrollJson(const QScrollBar *bar)
{
    return QJsonObject{{QStringLiteral("value"), bar->value()},
                       {QStringLiteral("minimum"), bar->minimum()},
                       {QStringLiteral("maximum"), bar->maximum()}};
}

QJsonObject widgetJson(QWidget *w)
{
    QJsonObject j = brief(w);
    j[QStringLiteral("enabled")] = w->isEnabled();
    j[QStringLiteral("visible")] = w->isVisible();
    j[QStringLiteral("geometry")] = rectJson(screenRect(w));
    j[QStringLiteral("hasFocus")] = w->hasFocus();
    j[QStringLiteral("isActiveWindow")] = w->isActiveWindow();
    j[QStringLiteral("toolTip")] = w->toolTip();
    j[QStringLiteral("sizeHint")] = QJsonArray{w->sizeHint().width(), w->sizeHint().height()};
    if (w->hasHeightForWidth())
        j[QStringLiteral("heightForWidth")] = w->heightForWidth(w->width());
    if (w->isWindow()) {
        j[QStringLiteral("windowTitle")] = w->windowTitle();
        j[QStringLiteral("minimized")] = w->isMinimized();
        j[QStringLiteral("maximized")] = w->isMaximized();
        j[QStringLiteral("minimumSize")] = QJsonArray{w->minimumWidth(), w->minimumHeight()};
        // Inside the frame that the skin keeps in the contents margins.
        const QRect inner = w->contentsRect();
        j[QStringLiteral("contentsGeometry")] = rectJson(QRect(w->mapToGlobal(inner.topLeft()), inner.size()));
        j[QStringLiteral("winId")] = QString::number(quint64(w->internalWinId()));
    }

    if (auto *combo = qobject_cast<QComboBox *>(w)) {
        j[QStringLiteral("currentText")] = combo->currentText();
        j[QStringLiteral("currentIndex")] = combo->currentIndex();
        QJsonArray items;
        for (int i = 0; i < combo->count(); ++i)
            items.append(combo->itemText(i));
        j[QStringLiteral("items")] = items;
        j[QStringLiteral("popupVisible")] = combo->view() && combo->view()->isVisible();
        if (QLineEdit *edit = combo->lineEdit()) {
            j[QStringLiteral("editText")] = edit->text();
            j[QStringLiteral("editHasFocus")] = edit->hasFocus();
            j[QStringLiteral("cursorPosition")] = edit->cursorPosition();
        }
    }
    if (auto *edit = qobject_cast<QLineEdit *>(w)) {
        j[QStringLiteral("text")] = edit->text();
        j[QStringLiteral("cursorPosition")] = edit->cursorPosition();
        j[QStringLiteral("selectedText")] = edit->selectedText();
        j[QStringLiteral("readOnly")] = edit->isReadOnly();
    }
    if (auto *button = qobject_cast<QAbstractButton *>(w)) {
        j[QStringLiteral("text")] = button->text();
        j[QStringLiteral("checked")] = button->isChecked();
        j[QStringLiteral("checkable")] = button->isCheckable();
    }
    if (auto *label = qobject_cast<QLabel *>(w))
        j[QStringLiteral("text")] = label->text();
    if (auto *group = qobject_cast<QGroupBox *>(w))
        j[QStringLiteral("title")] = group->title();
    if (auto *status = qobject_cast<QStatusBar *>(w))
        j[QStringLiteral("text")] = status->currentMessage();
    if (auto *text = qobject_cast<QTextEdit *>(w)) {
        j[QStringLiteral("plainText")] = text->toPlainText();
        j[QStringLiteral("selectedText")] = text->textCursor().selectedText();
        j[QStringLiteral("selectionStart")] = text->textCursor().selectionStart();
        j[QStringLiteral("selectionEnd")] = text->textCursor().selectionEnd();
        j[QStringLiteral("readOnly")] = text->isReadOnly();
    }
    if (auto *area = qobject_cast<QAbstractScrollArea *>(w)) {
        j[QStringLiteral("verticalScroll")] = scrollJson(area->verticalScrollBar());
        j[QStringLiteral("horizontalScroll")] = scrollJson(area->horizontalScrollBar());
    }
    if (auto *list = qobject_cast<QListWidget *>(w)) {
        QJsonArray entries;
        for (int i = 0; i < list->count(); ++i)
            entries.append(list->item(i)->text());
        j[QStringLiteral("entries")] = entries;
        j[QStringLiteral("currentRow")] = list->currentRow();
        QListWidgetItem *current = list->currentItem();
        j[QStringLiteral("currentText")] = current ? current->text() : QString();
        j[QStringLiteral("currentVisible")] = current && itemVisible(list, list->visualItemRect(current));
    }
    if (auto *list = qobject_cast<search::ResultList *>(w)) {
        QJsonArray entries;
        for (int i = 0; i < list->count(); ++i)
            entries.append(list->text(i));
        j[QStringLiteral("entries")] = entries;
        const int current = list->currentRow();
        j[QStringLiteral("currentRow")] = current;
        j[QStringLiteral("currentText")] = list->currentText();
        j[QStringLiteral("currentVisible")] = current >= 0 && itemVisible(list, list->visualRowRect(current));
    }
    if (auto *tree = qobject_cast<QTreeWidget *>(w)) {
        QJsonArray top;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            top.append(tree->topLevelItem(i)->text(0));
        j[QStringLiteral("topLevel")] = top;
        QTreeWidgetItem *current = tree->currentItem();
        j[QStringLiteral("currentText")] = current ? current->text(0) : QString();
        QJsonArray path;
        for (QTreeWidgetItem *i = current; i; i = i->parent())
            path.prepend(i->text(0));
        j[QStringLiteral("currentPath")] = path;
        j[QStringLiteral("currentVisible")] = current && itemVisible(tree, tree->visualItemRect(current));
    }
    if (auto *table = qobject_cast<QTableWidget *>(w)) {
        j[QStringLiteral("rowCount")] = table->rowCount();
        j[QStringLiteral("columnCount")] = table->columnCount();
        j[QStringLiteral("currentRow")] = table->currentRow();
        j[QStringLiteral("currentColumn")] = table->currentColumn();
        QTableWidgetItem *current = table->currentItem();
        j[QStringLiteral("currentText")] = current ? current->text() : QString();
    }
    QTabBar *tabs = qobject_cast<QTabBar *>(w);
    if (!tabs)
        tabs = w->findChild<QTabBar *>(QString(), Qt::FindDirectChildrenOnly);
    if (tabs) {
        QJsonArray texts;
        for (int i = 0; i < tabs->count(); ++i)
            texts.append(tabs->tabText(i));
        j[QStringLiteral("tabs")] = texts;
        j[QStringLiteral("currentTab")] = tabs->currentIndex();
    }
    if (auto *menu = qobject_cast<QMenu *>(w)) {
        j[QStringLiteral("title")] = menu->title();
        QJsonArray actions;
        for (QAction *a : menu->actions()) {
            QJsonObject aj = actionJson(a);
            const QRect r = menu->actionGeometry(a);
            aj[QStringLiteral("geometry")] = rectJson(QRect(menu->mapToGlobal(r.topLeft()), r.size()));
            actions.append(aj);
        }
        j[QStringLiteral("actions")] = actions;
        j[QStringLiteral("activeAction")] = menu->activeAction() ? plainActionText(menu->activeAction()) : QString();
    }
    return j;
}

QJsonObject objectJson(QObject *o)
{
    if (auto *w = qobject_cast<QWidget *>(o))
        return widgetJson(w);
    QJsonObject j = brief(o);
    if (auto *a = qobject_cast<QAction *>(o)) {
        const QJsonObject aj = actionJson(a);
        for (auto it = aj.begin(); it != aj.end(); ++it)
            j[it.key()] = it.value();
        // Where a person clicks it: its toolbar button, or its line in an open menu.
        for (QObject *owner : a->associatedObjects()) {
            QWidget *place = nullptr;
            QRect rect;
            if (auto *bar = qobject_cast<QToolBar *>(owner)) {
                place = bar->widgetForAction(a);
                if (place)
                    rect = screenRect(place);
            } else if (auto *menu = qobject_cast<QMenu *>(owner)) {
                place = menu;
                const QRect r = menu->actionGeometry(a);
                rect = QRect(menu->mapToGlobal(r.topLeft()), r.size());
            } else if (auto *button = qobject_cast<QAbstractButton *>(owner)) {
                place = button;
                rect = screenRect(button);
            }
            if (place && place->isVisible()) {
                j[QStringLiteral("geometry")] = rectJson(rect);
                break;
            }
        }
    }
    return j;
}

QWidget *topLevel(const QString &name)
{
    QWidget *hidden = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() != name)
            continue;
        if (w->isVisible())
            return w;
        if (!hidden)
            hidden = w;
    }
    return hidden;
}

QObject *resolve(const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return nullptr;
    QObject *o = topLevel(parts.first());
    for (int i = 1; o && i < parts.size(); ++i)
        o = o->findChild<QObject *>(parts[i]);
    return o;
}

QModelIndex findIndex(const QAbstractItemModel *model, const QModelIndex &parent, const QString &text)
{
    for (int r = 0; r < model->rowCount(parent); ++r) {
        for (int c = 0; c < model->columnCount(parent); ++c) {
            const QModelIndex index = model->index(r, c, parent);
            if (index.data(Qt::DisplayRole).toString() == text)
                return index;
        }
        const QModelIndex first = model->index(r, 0, parent);
        if (model->hasChildren(first)) {
            const QModelIndex found = findIndex(model, first, text);
            if (found.isValid())
                return found;
        }
    }
    return {};
}

// The screen rectangle of an entry shown by a widget, by its text.
QJsonObject itemJson(QObject *o, const QString &text)
{
    QJsonObject j;
    auto found = [&j](const QRect &rect, bool visible) {
        j[QStringLiteral("found")] = true;
        j[QStringLiteral("geometry")] = rectJson(rect);
        j[QStringLiteral("visible")] = visible;
    };
    j[QStringLiteral("found")] = false;
    auto *w = qobject_cast<QWidget *>(o);
    if (!w)
        return j;
    if (auto *menu = qobject_cast<QMenu *>(w)) {
        for (QAction *a : menu->actions()) {
            if (a->isSeparator() || (a->text() != text && plainActionText(a) != text))
                continue;
            const QRect r = menu->actionGeometry(a);
            found(QRect(menu->mapToGlobal(r.topLeft()), r.size()), menu->isVisible() && a->isVisible());
            break;
        }
        return j;
    }
    QAbstractItemView *view = qobject_cast<QAbstractItemView *>(w);
    if (auto *combo = qobject_cast<QComboBox *>(w))
        view = combo->view();
    if (view) {
        const QModelIndex index = view->model() ? findIndex(view->model(), view->rootIndex(), text) : QModelIndex();
        if (index.isValid()) {
            const QRect r = view->visualRect(index);
            found(QRect(view->viewport()->mapToGlobal(r.topLeft()), r.size()), itemVisible(view, r));
        }
        return j;
    }
    QTabBar *tabs = qobject_cast<QTabBar *>(w);
    if (!tabs)
        tabs = w->findChild<QTabBar *>();
    if (tabs) {
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->tabText(i) == text) {
                const QRect r = tabs->tabRect(i);
                found(QRect(tabs->mapToGlobal(r.topLeft()), r.size()), tabs->isVisible());
                break;
            }
        }
    }
    return j;
}

} // namespace

void TestHook::installIfAsked()
{
    if (qEnvironmentVariableIsEmpty("VELMORA_TEST_HOOK"))
        return;
    // Made once the application object exists, listening from its event loop.
    qAddPreRoutine([] {
        QTimer::singleShot(0, qApp, [] { new TestHook(qEnvironmentVariable("VELMORA_TEST_HOOK")); });
    });
}

TestHook::TestHook(const QString &path) : QObject(qApp)
{
    setObjectName(QStringLiteral("TestHook"));
    m_server = new QLocalServer(this);
    QLocalServer::removeServer(path);
    if (!m_server->listen(path)) {
        qWarning("test hook: cannot listen on %s", qPrintable(path));
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequests(socket); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    watchMainWindow();
}

void TestHook::readRequests(QLocalSocket *socket)
{
    while (socket->canReadLine()) {
        const QJsonDocument request = QJsonDocument::fromJson(socket->readLine());
        const QJsonObject reply = answer(request.object());
        socket->write(QJsonDocument(reply).toJson(QJsonDocument::Compact) + '\n');
        socket->flush();
    }
}

void TestHook::watchMainWindow()
{
    if (m_watching)
        return;
    QWidget *main = topLevel(QStringLiteral("sq"));
    const int signal = main ? main->metaObject()->indexOfSignal("commandRequested(QString)") : -1;
    if (signal < 0) {
        // The main window is made by the splash; look again shortly.
        QTimer::singleShot(20, this, &TestHook::watchMainWindow);
        return;
    }
    connect(main, &QObject::destroyed, this, [this] { m_watching = false; });
    QObject::connect(main, main->metaObject()->method(signal), this,
                     metaObject()->method(metaObject()->indexOfSlot("noteCommand(QString)")));
    m_watching = true;
}

void TestHook::noteCommand(const QString &name) { m_commands.append(name); }

QJsonObject TestHook::answer(const QJsonObject &request)
{
    const QString cmd = request.value(QStringLiteral("cmd")).toString();
    QJsonObject reply;
    reply[QStringLiteral("ok")] = true;
    if (cmd == QLatin1String("state")) {
        reply[QStringLiteral("activeWindow")] = brief(QApplication::activeWindow());
        QWidget *focus = QApplication::focusWidget();
        reply[QStringLiteral("focus")] = brief(focus);
        if (focus && focus->parentWidget())
            reply[QStringLiteral("focusParent")] = brief(focus->parentWidget());
        QWidget *popup = QApplication::activePopupWidget();
        reply[QStringLiteral("popup")] = popup ? widgetJson(popup) : QJsonObject();
        reply[QStringLiteral("modal")] = brief(QApplication::activeModalWidget());
        reply[QStringLiteral("clipboard")] = QGuiApplication::clipboard()->text();
        reply[QStringLiteral("commands")] = QJsonArray::fromStringList(m_commands);
        reply[QStringLiteral("mouseButtons")] = int(QGuiApplication::mouseButtons());
    } else if (cmd == QLatin1String("windows")) {
        QJsonArray windows;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() && !w->isMinimized())
                continue;
            windows.append(widgetJson(w));
        }
        reply[QStringLiteral("windows")] = windows;
    } else if (cmd == QLatin1String("get") || cmd == QLatin1String("item") || cmd == QLatin1String("tree")) {
        const QString path = request.value(QStringLiteral("path")).toString();
        QObject *o = resolve(path);
        if (!o) {
            reply[QStringLiteral("ok")] = false;
            reply[QStringLiteral("error")] = QStringLiteral("no object ") + path;
        } else if (cmd == QLatin1String("get")) {
            reply[QStringLiteral("object")] = objectJson(o);
        } else if (cmd == QLatin1String("tree")) {
            // Every visible widget below the object.
            QJsonArray widgets;
            for (QWidget *w : o->findChildren<QWidget *>())
                if (w->isVisible() && !w->isWindow())
                    widgets.append(widgetJson(w));
            reply[QStringLiteral("widgets")] = widgets;
        } else {
            reply[QStringLiteral("item")] = itemJson(o, request.value(QStringLiteral("text")).toString());
        }
    } else {
        reply[QStringLiteral("ok")] = false;
        reply[QStringLiteral("error")] = QStringLiteral("unknown command ") + cmd;
    }
    return reply;
}

} // namespace velmora::app
