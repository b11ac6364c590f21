// The application folder joining rule and the one-line result file.
#include "db/AppFolder.h"
#include "db/ResultFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora::db;

class TestFiles : public QObject {
    Q_OBJECT
private slots:
    void joiningKeepsBothParts()
    {
        QCOMPARE(AppFolder::join("/opt/velmora", "\\data\\sj1.data"), QString("/opt/velmora/data/sj1.data"));
        QCOMPARE(AppFolder::join("/opt/velmora", "\\result"), QString("/opt/velmora/result"));
        // A folder that ends with a separator gets a doubled one, unchanged.
        QCOMPARE(AppFolder::join("/", "\\result"), QString("//result"));
    }

    void resultRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("chinese") << "甲酸；蚁酸";
        QTest::newRow("empty") << "";
        QTest::newRow("quote inside") << "say \"hi\"";
        QTest::newRow("apostrophe") << "2,2'-bipyridine";
    }
    void resultRoundTrip()
    {
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString path = dir.filePath("result");
        QVERIFY(ResultFile::write(path, text));
        QCOMPARE(ResultFile::read(path), text);
    }

    void resultFormat()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("result");
        QVERIFY(ResultFile::write(path, "甲酸"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QString("\"甲酸\"\r\n").toUtf8());
    }

    void unreadableResultIsEmpty()
    {
        QTemporaryDir dir;
        QCOMPARE(ResultFile::read(dir.filePath("missing")), QString());
        QVERIFY(!ResultFile::write(dir.filePath("no/such/folder/result"), "x"));
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "test_files.moc"
