#pragma once

// Shared steps of the wizard tests: reading back what the wizards stored, and
// typing and clicking as a person does.

#include "db/AppFolder.h"
#include "db/DataSource.h"
#include "db/SqlText.h"
#include "maintenance/BoundTextBox.h"
#include "maintenance/WizardForm.h"
#include "app/MainWindow.h"
#include "support/WindowInput.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <functional>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QStringList>
#include <QTest>
#include <QTextCursor>
#include <QToolBar>
#include <QTreeWidget>
#include <QWindow>

namespace velmora::test {

// The values of one field over the rows of a query on the program's files.
inline QStringList readField(const QString &file, const QString &sql, const QString &field)
{
    db::DataSource d;
    d.setConnect(QStringLiteral(";pwd=5817402"));
    d.setDatabaseName(db::AppFolder::file(file));
    d.setRecordSource(sql);
    d.refresh();
    QStringList values;
    const int col = d.grid().column(field);
    for (int r = 1; r < d.grid().rows(); ++r)
        values << d.grid().text(r, col);
    return values;
}

inline QString byName(const QString &name)
{
    return QStringLiteral("Select * From sj Where 中文名称 = '") + db::sqlValue(name) + QStringLiteral("'");
}

// A field of every chemical stored under this Chinese name, oldest first.
inline QStringList chemical(const QString &name, const QString &field)
{
    return readField(QStringLiteral("\\data\\sj1.data"), byName(name), field);
}

inline QByteArray picture(const QString &name)
{
    db::DataSource d;
    d.setConnect(QStringLiteral(";pwd=5817402"));
    d.setDatabaseName(db::AppFolder::file(QStringLiteral("\\data\\sj1.data")));
    d.setRecordSource(byName(name));
    d.refresh();
    return d.picture(QStringLiteral("图"));
}

inline int chemicalCount()
{
    return readField(QStringLiteral("\\data\\sj1.data"), QStringLiteral("sj"), QStringLiteral("中文名称")).size();
}

// Every index row as "level1|level2|level3", in stored order.
inline QStringList indexRows()
{
    const QString file = QStringLiteral("\\data\\index.data");
    const QString all = QStringLiteral("index");
    const QStringList a = readField(file, all, QStringLiteral("第一级标题"));
    const QStringList b = readField(file, all, QStringLiteral("第二级标题"));
    const QStringList c = readField(file, all, QStringLiteral("第三级标题"));
    QStringList rows;
    for (int i = 0; i < a.size(); ++i)
        rows << a[i] + QLatin1Char('|') + b[i] + QLatin1Char('|') + c[i];
    return rows;
}

// Input goes through the window, as a person's does (support/WindowInput).
inline QWindow *windowOf(QWidget *w) { return input::windowOf(w); }

inline void clickAt(QWidget *w, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
{
    input::click(w, pos, button);
}

inline void clickOn(QWidget *w) { input::click(w); }

// Keys to whatever has the focus in the widget's window.
inline void pressKey(QWidget *w, Qt::Key key) { input::key(w, key); }

// Text as a person types it: ASCII as key presses, Chinese committed by the
// input method.
inline void typeText(QWidget *w, const QString &text) { input::type(w, text); }

// Types text at the end of a box: a click into it, Ctrl+End, the text.
inline void typeInto(maintenance::BoundTextBox *box, const QString &text)
{
    clickOn(box->viewport());
    QTest::keyClick(windowOf(box), Qt::Key_End, Qt::ControlModifier);
    typeText(box, text);
}

// Replaces the whole text of a box by typing over it.
inline void retype(maintenance::BoundTextBox *box, const QString &text)
{
    clickOn(box->viewport());
    QTest::keyClick(windowOf(box), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(windowOf(box), Qt::Key_Delete);
    typeText(box, text);
}

// A toolbar button of a wizard, clicked.
inline void clickButton(maintenance::WizardForm &f, int index)
{
    QWidget *button = f.Toolbar1->widgetForAction(f.toolbarButton(index));
    clickOn(button);
}

inline void stepOn(maintenance::WizardForm &f) { clickButton(f, 6); }
inline void stepBack(maintenance::WizardForm &f) { clickButton(f, 5); }

inline int itemNamed(const maintenance::WizardForm &f, const QString &text)
{
    for (int i = 1; i <= f.itemCount(); ++i)
        if (f.itemText(i) == text)
            return i;
    return 0;
}

// A click on an item of the list.
inline void clickItem(maintenance::WizardForm &f, const QString &text)
{
    QTreeWidgetItem *node = f.TreeView1->topLevelItem(itemNamed(f, text) - 1);
    f.TreeView1->scrollToItem(node);
    clickAt(f.TreeView1->viewport(), f.TreeView1->visualItemRect(node).center());
}

// Types a heading into the picker and presses Enter.
inline void typeHeading(maintenance::WizardForm &f, const QString &text)
{
    clickOn(f.Combo1->lineEdit());
    QTest::keyClick(windowOf(f.Combo1), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(windowOf(f.Combo1), Qt::Key_Delete);
    typeText(f.Combo1, text);
    QTest::keyClick(windowOf(f.Combo1), Qt::Key_Return);
}

// Opens the picker's list and clicks an entry.
inline void pickHeading(maintenance::WizardForm &f, const QString &text)
{
    f.Combo1->showPopup();
    QAbstractItemView *view = f.Combo1->view();
    const QModelIndex index = view->model()->index(f.Combo1->findText(text), 0);
    view->scrollTo(index);
    clickAt(view->viewport(), view->visualRect(index).center());
}

// Chooses an entry of a popup menu that a click opens (the click may run the
// menu's own event loop, so the entry is clicked from inside it).
inline void chooseFromMenu(QMenu *menu, int entry, const std::function<void()> &open)
{
    QTimer poll;
    poll.setInterval(10);
    bool chosen = false;
    QObject::connect(&poll, &QTimer::timeout, menu, [&] {
        if (chosen || !menu->isVisible())
            return;
        chosen = true;
        input::clickMenuEntry(menu, menu->actions().at(entry));
    });
    poll.start();
    open();
    QTRY_VERIFY(chosen && !menu->isVisible());
}

// A main-window toolbar button, clicked through the main window.
inline void clickMainButton(app::MainWindow &main, int index)
{
    QWidget *button = main.Toolbar1->widgetForAction(main.toolbarButton(index));
    windowOf(button);
    QCoreApplication::processEvents();
    clickOn(button);
}

// A click on the close button of the window's painted caption, at the right
// end of the caption (the skin places it 15 pixels from the right edge).
inline void closeByCaption(QWidget *w)
{
    QWidget *top = w->window();
    QWindow *window = windowOf(top);
    QTest::qWait(0); // the caption is painted, so its buttons are placed
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, QPoint(top->width() - 15, 12));
}

// Lets windows closed with deletion on close go away.
inline void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

} // namespace velmora::test
