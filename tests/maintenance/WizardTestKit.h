#pragma once

// Shared steps of the wizard tests: reading back what the wizards stored, and
// typing and clicking as a person does.

#include "db/AppFolder.h"
#include "db/DataSource.h"
#include "db/SqlText.h"
#include "maintenance/BoundTextBox.h"
#include "maintenance/WizardForm.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStringList>
#include <QTextCursor>

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

// Types text at the end of a box, as an input method delivers it.
inline void typeInto(maintenance::BoundTextBox *box, const QString &text)
{
    box->moveCursor(QTextCursor::End);
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(box, &release);
    }
}

// Replaces the whole text of a box by typing over it.
inline void retype(maintenance::BoundTextBox *box, const QString &text)
{
    box->selectAll();
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(box, &del);
    typeInto(box, text);
}

inline int itemNamed(const maintenance::WizardForm &f, const QString &text)
{
    for (int i = 1; i <= f.itemCount(); ++i)
        if (f.itemText(i) == text)
            return i;
    return 0;
}

// A click on an item: the list selects it, then the click runs.
inline void clickItem(maintenance::WizardForm &f, const QString &text)
{
    const int item = itemNamed(f, text);
    f.selectItem(item);
    f.TreeView1_NodeClick(item);
}

// Lets windows closed with deletion on close go away.
inline void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

} // namespace velmora::test
