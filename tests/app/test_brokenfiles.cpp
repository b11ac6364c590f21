// A broken installation says so: a database file that cannot serve is told
// once, by name, place and fault, when the window is on screen; the window
// stays usable and the file is left as it was.
#include "app/MainWindow.h"
#include "app/Prompts.h"
#include "db/FileCheck.h"
#include "record/RichTextBox.h"
#include "search/HistoryCombo.h"
#include "support/Fixture.h"
#include "support/WindowInput.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <sqlite3.h>

using namespace velmora;
using test::Fixture;

namespace {

QByteArray digest(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

void breakFile(const QString &path, const QString &how)
{
    if (how == "missing") {
        QVERIFY(QFile::remove(path));
    } else if (how == "random bytes") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    } else if (how == "truncated") {
        QFile f(path);
        QVERIFY(f.resize(f.size() / 3));
    } else if (how == "table renamed") {
        sqlite3 *db = nullptr;
        QVERIFY(sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK);
        sqlite3_exec(db, "ALTER TABLE sj RENAME TO sj2", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "ALTER TABLE \"index\" RENAME TO index2", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
}

} // namespace

class TestBrokenFiles : public QObject {
    Q_OBJECT
    QStringList messages;

private slots:
    void init()
    {
        messages.clear();
        db::FileCheck::reset();
        app::Prompts::Script script;
        script.message = [this](const app::Prompts::Message &m) {
            messages << m.title + QLatin1Char('|') + m.text;
            return QMessageBox::Ok;
        };
        app::Prompts::setScript(script);
    }
    void cleanup() { app::Prompts::clearScript(); }

    void brokenFileIsToldOnce_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("words");
        QTest::newRow("sj1.data missing") << "sj1.data" << "missing" << "找不到这个文件";
        QTest::newRow("sj1.data random bytes") << "sj1.data" << "random bytes" << "不是Velmora的数据库文件";
        QTest::newRow("sj1.data truncated") << "sj1.data" << "truncated" << "文件不完整";
        QTest::newRow("sj1.data table renamed") << "sj1.data" << "table renamed" << "缺少数据表“sj”";
        QTest::newRow("index.data missing") << "index.data" << "missing" << "找不到这个文件";
        QTest::newRow("index.data table renamed") << "index.data" << "table renamed" << "缺少数据表“index”";
    }
    void brokenFileIsToldOnce()
    {
        QFETCH(QString, file);
        QFETCH(QString, how);
        QFETCH(QString, words);
        Fixture fixture;
        const QString path = fixture.file("\\data\\" + file);
        breakFile(path, how);
        const QByteArray before = digest(path);
        fixture.install();

        app::MainWindow w;
        w.Form_Load();
        QVERIFY(messages.isEmpty()); // not while the window is still hidden
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_COMPARE(messages.size(), 1);
        const QString text = messages.first();
        QVERIFY2(text.startsWith("警告！|"), qPrintable(text));
        QVERIFY2(text.contains("“" + file + "”"), qPrintable(text));
        QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
        QVERIFY2(text.contains(words), qPrintable(text));

        if (file == "sj1.data") {
            // The record pane says it too, where the welcome would stand.
            QVERIFY(w.RichTextBox1->toPlainText().contains("“sj1.data”不能使用"));
            QVERIFY(!w.RichTextBox1->toPlainText().contains("欢迎使用"));
            QCOMPARE(w.List1->count(), 0);
        } else {
            QCOMPARE(w.TreeView1->topLevelItemCount(), 0);
            QVERIFY(w.List1->count() > 0); // the chemicals are still found
        }

        // The window stays usable: a search typed and entered, and no second message.
        QVERIFY(test::input::showActive(&w));
        test::input::typeInto(w.Combo2->lineEdit(), "benz");
        test::input::key(&w, Qt::Key_Return);
        QTRY_VERIFY(w.Label3->text().startsWith("找到 "));
        QTest::qWait(50);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(digest(path), before);
    }

    void twoBrokenFilesInOneMessage()
    {
        Fixture fixture;
        breakFile(fixture.file("\\data\\sj1.data"), "missing");
        breakFile(fixture.file("\\data\\index.data"), "missing");
        fixture.install();
        app::MainWindow w;
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_COMPARE(messages.size(), 1);
        QVERIFY(messages.first().contains("“sj1.data”"));
        QVERIFY(messages.first().contains("“index.data”"));
    }

    void brokenPeriodicFileIsToldByItsWindow()
    {
        Fixture fixture;
        const QString path = fixture.file("\\data\\periodic.data");
        breakFile(path, "random bytes");
        fixture.install();
        app::MainWindow w;
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(50);
        QVERIFY(messages.isEmpty()); // the main window does not use it
        w.menuEntry("periodic")->trigger();
        QTRY_COMPARE(messages.size(), 1);
        QVERIFY(messages.first().contains("“periodic.data”"));
        QVERIFY(messages.first().contains("元素周期表无法显示"));
        // Opened again: not told twice.
        w.menuEntry("periodic")->trigger();
        QTest::qWait(50);
        QCOMPARE(messages.size(), 1);
    }

    void soundFilesSayNothing()
    {
        Fixture fixture;
        fixture.install();
        app::MainWindow w;
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(50);
        QVERIFY(messages.isEmpty());
        QVERIFY(w.List1->count() > 0);
        QVERIFY(!w.RichTextBox1->toPlainText().contains("不能使用"));
    }
};

QTEST_MAIN(TestBrokenFiles)
#include "test_brokenfiles.moc"
