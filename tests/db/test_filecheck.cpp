// Damaged database files are told apart by what is wrong with them, a file
// that failed its check is never written to, and a write that a crash left
// unfinished is rolled back on every file, the read-only index included.
#include "db/DataSource.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/FileCheck.h"
#include "support/Fixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <csignal>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velmora::db;
using velmora::test::Fixture;
using Fault = FileCheck::Fault;

Q_DECLARE_METATYPE(FileCheck::Fault)

namespace {

QString connectOf(const QString &file)
{
    return file == "periodic.data" ? QString("Access") : QString(";pwd=5817402");
}

QByteArray digest(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

void sql(const QString &path, const QString &text)
{
    sqlite3 *db = nullptr;
    QVERIFY(sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK);
    char *message = nullptr;
    const int rc = sqlite3_exec(db, text.toUtf8().constData(), nullptr, nullptr, &message);
    QVERIFY2(rc == SQLITE_OK, message);
    sqlite3_close(db);
}

void resizeTo(const QString &path, qint64 size)
{
    QFile f(path);
    QVERIFY(f.resize(size));
}

// Damages the file in one of the ways a copy of the program can be broken.
void damage(const QString &path, const QString &how, const QString &table)
{
    QRandomGenerator random(20);
    const qint64 size = QFileInfo(path).size();
    if (how == "missing") {
        QVERIFY(QFile::remove(path));
    } else if (how == "empty") {
        resizeTo(path, 0);
    } else if (how == "50 bytes") {
        resizeTo(path, 50);
    } else if (how == "half") {
        resizeTo(path, size / 2);
    } else if (how == "99.9%") {
        resizeTo(path, size * 999 / 1000);
    } else if (how == "random bytes") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray bytes(size, '\0');
        for (char &b : bytes)
            b = char(random.bounded(256));
        f.write(bytes);
    } else if (how == "damaged pages") {
        // Every page but the first gets garbage at the start of its header.
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const QByteArray head = f.read(18);
        const qint64 page = (quint8(head[16]) << 8) | quint8(head[17]);
        for (qint64 at = page; at < size; at += page) {
            f.seek(at);
            QByteArray junk(64, '\0');
            for (char &b : junk)
                b = char(random.bounded(256));
            f.write(junk);
        }
    } else if (how == "table renamed") {
        sql(path, QString("ALTER TABLE \"%1\" RENAME TO \"%1_old\"").arg(table));
    } else if (how == "field missing") {
        sql(path, table == "sj" ? QString("ALTER TABLE sj DROP COLUMN 用途")
                                : QString("ALTER TABLE \"index\" DROP COLUMN 第二级标题"));
    } else if (how == "wrong password") {
        sqlite3 *db = nullptr;
        QVERIFY(sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK);
        Database::setPassword(db, "1234567");
        sqlite3_close(db);
    } else {
        QFAIL("unknown damage");
    }
}

// Leaves a hot journal: a writer changes every row, the change spills into
// the file, and the writer is killed before it commits.
void killWriterMidWrite(const QString &path, const QString &table, const QString &field)
{
    const pid_t child = fork();
    if (child == 0) {
        sqlite3 *db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        sqlite3_exec(db, "PRAGMA cache_size = 10", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        const QString change = QString("UPDATE \"%1\" SET \"%2\" = 'BROKEN' || \"%2\"").arg(table, field);
        sqlite3_exec(db, change.toUtf8().constData(), nullptr, nullptr, nullptr);
        // Enough new rows that the page cache must spill into the file.
        const QString grow = QString("INSERT INTO \"%1\" (\"%2\") SELECT printf('%.900c', 'x') "
                                     "FROM (WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                     "WHERE i < 3000) SELECT i FROM n)")
                                 .arg(table, field);
        sqlite3_exec(db, grow.toUtf8().constData(), nullptr, nullptr, nullptr);
        raise(SIGKILL);
        _exit(1);
    }
    QVERIFY(child > 0);
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status));
    QVERIFY(QFileInfo::exists(path + "-journal"));
}

} // namespace

class TestFileCheck : public QObject {
    Q_OBJECT
private slots:
    void init() { FileCheck::reset(); }

    void sound()
    {
        Fixture fixture;
        for (const QString &file : {"sj1.data", "index.data", "periodic.data"}) {
            const FileCheck::Result r = FileCheck::check(fixture.file("\\data\\" + file), connectOf(file));
            QVERIFY2(r.ok(), qPrintable(file));
        }
    }

    void damagedFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("how");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("words");
        const QList<std::tuple<QString, Fault, QString>> kinds = {
            {"missing", Fault::Missing, "找不到这个文件"},
            {"empty", Fault::Empty, "文件是空的"},
            {"50 bytes", Fault::Truncated, "文件不完整（只有 50 字节）"},
            {"half", Fault::Truncated, "文件不完整"},
            {"99.9%", Fault::Truncated, "文件不完整"},
            {"random bytes", Fault::NotADatabase, "这不是Velmora的数据库文件"},
            {"damaged pages", Fault::Damaged, "文件已损坏"},
            {"table renamed", Fault::TableMissing, "缺少数据表"},
            {"field missing", Fault::FieldsMissing, "中缺少字段"},
            {"wrong password", Fault::WrongPassword, "密码不对"},
        };
        for (const QString file : {"sj1.data", "index.data", "periodic.data"}) {
            for (const auto &[how, fault, words] : kinds) {
                if (file == "periodic.data" && how == "field missing")
                    continue; // the program names none of its fields
                QTest::addRow("%s, %s", qPrintable(file), qPrintable(how)) << file << how << fault << words;
            }
        }
    }
    void damagedFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, how);
        QFETCH(Fault, fault);
        QFETCH(QString, words);
        Fixture fixture;
        const QString path = fixture.file("\\data\\" + file);
        damage(path, how, FileCheck::needsOf(path).table);
        const QByteArray before = digest(path);

        const FileCheck::Result r = FileCheck::check(path, connectOf(file));
        QCOMPARE(r.fault, fault);
        QVERIFY(FileCheck::hasFailed(path));
        const QString text = FileCheck::describe(path, r);
        QVERIFY2(text.contains("“" + file + "”"), qPrintable(text));
        QVERIFY2(text.contains(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())), qPrintable(text));
        QVERIFY2(text.contains(words), qPrintable(text));
        if (how == "table renamed")
            QVERIFY(text.contains("“" + FileCheck::needsOf(path).table + "”"));
        if (how == "field missing")
            QVERIFY(text.contains(file == "sj1.data" ? "“用途”" : "“第二级标题”"));

        // The file is left as it was, even by a connection that may write.
        try {
            Database db(path, connectOf(file), Database::Mode::ReadWrite);
            QVERIFY_THROWS_EXCEPTION(DbError, db.exec("CREATE TABLE written (x)"));
        } catch (const DbError &) {
            // Not even openable: nothing can be written either.
        }
        QCOMPARE(digest(path), before);
    }

    void damageMetByAQueryStopsWrites()
    {
        Fixture fixture;
        const QString path = fixture.file("\\data\\index.data");
        QVERIFY(FileCheck::check(path, ";pwd=5817402").ok());
        // Opened while sound; the pages of the table break afterwards.
        Database db(path, ";pwd=5817402");
        damage(path, "damaged pages", "index");
        const QByteArray before = digest(path);
        QVERIFY_THROWS_EXCEPTION(DbError, {
            Statement s(db.handle(), "SELECT * FROM \"index\" WHERE 第一级标题 LIKE 'x%'");
            while (s.step()) {
            }
        });
        QCOMPARE(FileCheck::failure(path).fault, Fault::Damaged);
        QVERIFY_THROWS_EXCEPTION(DbError, db.exec("CREATE TABLE written (x)"));
        try {
            Database later(path, ";pwd=5817402");
            QVERIFY_THROWS_EXCEPTION(DbError, later.exec("CREATE TABLE written (x)"));
        } catch (const DbError &) {
        }
        QCOMPARE(digest(path), before);
    }

    void unfinishedWriteIsRolledBack_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("source");
        QTest::newRow("index.data, read-only as the tree opens it")
            << "index.data" << true << "select * from index where 第一级标题 like '*' order by 第一级标题";
        QTest::newRow("sj1.data, for writing") << "sj1.data" << false << "select * from sj where 中文名称 like '*'";
    }
    void unfinishedWriteIsRolledBack()
    {
        QFETCH(QString, file);
        QFETCH(bool, readOnly);
        QFETCH(QString, source);
        Fixture fixture;
        const QString path = fixture.file("\\data\\" + file);
        const QString field = file == "index.data" ? "第一级标题" : "中文名称";
        const QString table = file == "index.data" ? "index" : "sj";

        auto rows = [&]() {
            DataSource ds;
            ds.setConnect(";pwd=5817402");
            ds.setDatabaseName(path);
            ds.setReadOnly(readOnly);
            ds.setRecordSource(source);
            ds.refresh();
            QStringList out;
            const int c = ds.grid().column(field);
            for (int r = 1; r < ds.grid().rows(); ++r)
                out << ds.grid().text(r, c);
            return out;
        };
        const QStringList before = rows();
        QVERIFY(!before.isEmpty());
        killWriterMidWrite(path, table, field);
        if (QTest::currentTestFailed())
            return;
        if (readOnly) {
            // The journal is hot: a plain read-only connection cannot read.
            sqlite3 *plain = nullptr;
            sqlite3_open_v2(path.toUtf8().constData(), &plain, SQLITE_OPEN_READONLY, nullptr);
            const int rc = sqlite3_exec(plain, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
            QCOMPARE(rc, SQLITE_READONLY);
            QCOMPARE(sqlite3_extended_errcode(plain), SQLITE_READONLY_ROLLBACK);
            sqlite3_close(plain);
        }

        QCOMPARE(rows(), before);
        QVERIFY(!QFileInfo::exists(path + "-journal"));
        QVERIFY(FileCheck::check(path, ";pwd=5817402").ok());
        // And the next start sees the same.
        QCOMPARE(rows(), before);
    }
};

QTEST_GUILESS_MAIN(TestFileCheck)
#include "test_filecheck.moc"
