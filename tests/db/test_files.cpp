// The application folder joining rule and the one-line result file.
#include "db/AppFolder.h"
#include "db/ResultFile.h"

#include <QDir>
#include <QFileInfo>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

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
        QTest::newRow("line feed") << "甲酸\n乙酸";
        QTest::newRow("CR LF inside and at the end") << "a\r\nb\r\n";
        QTest::newRow("lone CR") << "a\rb";
        QTest::newRow("quote then line break") << "\"\n\"";
        QTest::newRow("only quotes") << "\"\"\"";
        QTest::newRow("spaces kept") << "  苯  ";
        QTest::newRow("tab and NUL") << QString("a\tb") + QChar(0) + "c";
        QTest::newRow("beyond the BMP") << "𠀀𝐀";
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

    void oldFormStillReads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("quoted line") << QByteArray("\"甲酸\"\r\n") << "甲酸";
        QTest::newRow("no line end") << QByteArray("\"甲酸\"") << "甲酸";
        QTest::newRow("LF only") << QByteArray("\"甲酸\"\n") << "甲酸";
        QTest::newRow("unquoted line") << QByteArray("甲酸\r\n") << "甲酸";
        QTest::newRow("undoubled quotes inside") << QByteArray("\"say \"hi\"\"\r\n") << "say \"hi\"";
        QTest::newRow("second line ignored") << QByteArray("\"甲酸\"\r\n\"乙酸\"\r\n") << "甲酸";
        QTest::newRow("empty quoted") << QByteArray("\"\"\r\n") << "";
        QTest::newRow("empty file") << QByteArray() << "";
    }
    void oldFormStillReads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString path = dir.filePath("result");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QCOMPARE(ResultFile::read(path), text);
    }

    // Anything but a regular file of sane size reads as empty, at once: a
    // pipe with no writer, an endless device, a folder, a huge file.
    void oddResultFilesReadAsEmpty_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("pipe") << "fifo";
        QTest::newRow("link to /dev/zero") << "zero";
        QTest::newRow("folder") << "dir";
        QTest::newRow("huge") << "huge";
        QTest::newRow("dangling link") << "dangling";
    }
    void oddResultFilesReadAsEmpty()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath("result");
        if (kind == "fifo") {
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        } else if (kind == "zero") {
            QVERIFY(QFile::link("/dev/zero", path));
        } else if (kind == "dir") {
            QVERIFY(QDir(dir.path()).mkdir("result"));
        } else if (kind == "dangling") {
            QVERIFY(QFile::link(dir.filePath("nothing"), path));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("\"");
            QVERIFY(f.resize(ResultFile::SizeLimit + 10));
        }
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(ResultFile::read(path), QString());
        QVERIFY(clock.elapsed() < 5000); // never waits on a pipe
        // Writing leaves what is not a regular file alone.
        if (kind == "fifo" || kind == "zero" || kind == "dir") {
            QVERIFY(!ResultFile::write(path, "甲酸"));
            const QFileInfo after(path);
            QVERIFY(!after.isFile() || after.isSymLink());
        }
    }

    void readOnlyResultIsLeftAlone()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("result");
        QVERIFY(ResultFile::write(path, "苯"));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        struct stat before {};
        QCOMPARE(stat(QFile::encodeName(path).constData(), &before), 0);
        QVERIFY(!ResultFile::write(path, "甲酸"));
        struct stat after {};
        QCOMPARE(stat(QFile::encodeName(path).constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino); // not replaced by a rename
        QCOMPARE(ResultFile::read(path), QString("苯"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"result"}); // no temporary left
    }

    void linkedResultKeepsItsLink()
    {
        QTemporaryDir dir;
        const QString real = dir.filePath("real");
        const QString path = dir.filePath("result");
        QVERIFY(ResultFile::write(real, "苯"));
        QVERIFY(QFile::link(real, path));
        QVERIFY(ResultFile::write(path, "甲酸"));
        QVERIFY(QFileInfo(path).isSymLink());
        QCOMPARE(ResultFile::read(real), QString("甲酸"));
    }

    void halfSurrogatesAreDropped()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("result");
        QVERIFY(ResultFile::write(path, QString("a") + QChar(0xD800) + "b" + QChar(0xDC00)));
        QCOMPARE(ResultFile::read(path), QString("ab"));
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
