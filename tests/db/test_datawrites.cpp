// How a data source's writes reach the file: keys never given twice (also in
// a file that lacks the side table), deleted rows kept and put back, a row of
// another file stored in the same transaction, and the record set untouched
// by a write that fails.
#include "db/DataSource.h"
#include "db/DbError.h"
#include "support/FakeBox.h"
#include "support/Fixture.h"

#include <QTest>
#include <sqlite3.h>

using namespace velmora::db;
using velmora::test::FakeBox;
using velmora::test::Fixture;

namespace {


// Runs SQL on a connection of its own; the first column of the first row.
QVariant scalar(const QString &path, const QString &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_stmt *s = nullptr;
    QVariant out;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW) {
        if (sqlite3_column_type(s, 0) == SQLITE_INTEGER)
            out = qint64(sqlite3_column_int64(s, 0));
        else if (sqlite3_column_type(s, 0) != SQLITE_NULL)
            out = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, 0)));
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return out;
}

void run(const QString &path, const QString &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

int denyUpdates(void *, int action, const char *, const char *, const char *, const char *)
{
    return action == SQLITE_UPDATE ? SQLITE_DENY : SQLITE_OK;
}

} // namespace

class TestDataWrites : public QObject {
    Q_OBJECT
    std::unique_ptr<Fixture> fixture;
    QString sj, index;

    void open(DataSource &ds, const QString &source)
    {
        ds.setConnect(";pwd=5817402");
        ds.setDatabaseName(sj);
        ds.setRecordSource(source);
        ds.refresh();
    }
    qint64 insert(DataSource &ds, FakeBox &name, const QString &text)
    {
        ds.addNew();
        name.type(text);
        ds.updateRecord();
        return ds.currentKey();
    }

private slots:
    void init()
    {
        fixture = std::make_unique<Fixture>();
        sj = fixture->file("\\data\\sj1.data");
        index = fixture->file("\\data\\index.data");
    }

    void keysAreNeverGivenTwice_data()
    {
        QTest::addColumn<bool>("sideTable");
        QTest::newRow("file with its side table") << true;
        QTest::newRow("older file without it") << false;
    }
    void keysAreNeverGivenTwice()
    {
        QFETCH(bool, sideTable);
        if (!sideTable)
            run(sj, "DROP TABLE velmora_keys; DROP TABLE velmora_deleted_sj");
        DataSource ds;
        FakeBox name("中文名称");
        ds.bind(&name);
        open(ds, "sj");
        const qint64 first = insert(ds, name, "测试键一");
        QVERIFY(first > 0);
        // The highest row deleted: the next one must not take its key.
        ds.deleteCurrent();
        const qint64 second = insert(ds, name, "测试键二");
        QVERIFY(second > first);
        QCOMPARE(scalar(sj, "SELECT high FROM velmora_keys WHERE tbl = 'sj'").toLongLong(), second);
        QCOMPARE(scalar(sj, "SELECT count(*) FROM velmora_deleted_sj WHERE 中文名称 = '测试键一'").toInt(), 1);
    }

    void aDeletedRowComesBackWhole()
    {
        DataSource ds;
        open(ds, "Select * From sj Where 中文名称 = '苯'");
        const qint64 key = ds.currentKey();
        const QString picture = scalar(sj, QString("SELECT hex(图) FROM sj WHERE rowid = %1").arg(key)).toString();
        const qint64 copy = ds.deleteCurrent();
        QVERIFY(copy > 0);
        QCOMPARE(ds.restore("sj", copy), key);
        QCOMPARE(scalar(sj, QString("SELECT hex(图) FROM sj WHERE rowid = %1").arg(key)).toString(), picture);
        QCOMPARE(scalar(sj, QString("SELECT 英文名称 FROM sj WHERE rowid = %1").arg(key)).toString(),
                 QString("benzene;benzol"));
        QCOMPARE(scalar(sj, "SELECT count(*) FROM velmora_deleted_sj").toInt(), 0);
        // Restored once: there is nothing left to restore.
        try {
            ds.restore("sj", copy);
            QFAIL("restored twice");
        } catch (const WriteFailure &failure) {
            QCOMPARE(failure.reason(), WriteFailure::Reason::RowGone);
        }
    }

    void searchKeysFollowTheRow()
    {
        // A chemical added, edited, deleted and put back is found by its CAS
        // number, formula and pinyin exactly while it is in table sj.
        DataSource ds;
        FakeBox name("中文名称"), cas("CAS号"), formula("分子式");
        ds.bind(&name);
        ds.bind(&cas);
        ds.bind(&formula);
        open(ds, "sj");
        ds.addNew();
        name.type("测试醇");
        cas.type("50-00-0");
        ds.updateRecord();
        const qint64 key = ds.currentKey();
        const QString keys = QString("SELECT cas || '|' || ifnull(composition, '') || '|' || pinyin "
                                     "FROM velmora_search WHERE rowkey = %1").arg(key);
        QCOMPARE(scalar(sj, keys).toString().section('|', 0, 0), QString("50-00-0"));
        formula.type("C2H5OH");
        ds.updateRecord();
        QCOMPARE(scalar(sj, keys).toString().section('|', 1, 1), QString("C2H6O"));
        QVERIFY(scalar(sj, keys).toString().section('|', 2).contains("ce shi chun"));
        QCOMPARE(scalar(sj, QString("SELECT count(*) FROM velmora_elements WHERE rowkey = %1").arg(key)).toInt(), 3);
        const qint64 copy = ds.deleteCurrent();
        QCOMPARE(scalar(sj, QString("SELECT count(*) FROM velmora_search WHERE rowkey = %1").arg(key)).toInt(), 0);
        QCOMPARE(scalar(sj, QString("SELECT count(*) FROM velmora_elements WHERE rowkey = %1").arg(key)).toInt(), 0);
        QCOMPARE(ds.restore("sj", copy), key);
        QCOMPARE(scalar(sj, keys).toString().section('|', 0, 1), QString("50-00-0|C2H6O"));
    }

    void aRestoreWhoseKeyWasTakenGetsANewOne()
    {
        DataSource ds;
        open(ds, "Select * From sj Where 中文名称 = '苯'");
        const qint64 key = ds.currentKey();
        const qint64 copy = ds.deleteCurrent();
        // Another tool wrote a row under that key meanwhile.
        run(sj, QString("INSERT INTO sj (rowid, 中文名称) VALUES (%1, '别的')").arg(key));
        const qint64 back = ds.restore("sj", copy);
        QVERIFY(back != key);
        QCOMPARE(scalar(sj, QString("SELECT 中文名称 FROM sj WHERE rowid = %1").arg(back)).toString(), QString("苯"));
        QCOMPARE(scalar(sj, QString("SELECT 中文名称 FROM sj WHERE rowid = %1").arg(key)).toString(), QString("别的"));
    }

    void aRowOfAnotherFileGoesWithTheWrite()
    {
        DataSource ds;
        FakeBox heading("第二级标题");
        ds.bind(&heading);
        open(ds, "Select * From sj Where 中文名称 = '苯'");
        const qint64 key = ds.currentKey();
        const int rows = scalar(index, "SELECT count(*) FROM \"index\"").toInt();
        heading.type("新二级");
        ds.addCompanionRow(index, "index", {"第一级标题", "第二级标题"}, {"有机化学品", "新二级"});
        sqlite3_set_authorizer(ds.connection()->handle(), denyUpdates, nullptr);
        try {
            ds.updateRecord();
            QFAIL("the update was allowed");
        } catch (const WriteFailure &failure) {
            QCOMPARE(failure.reason(), WriteFailure::Reason::Refused);
        }
        // Neither file changed, and the edit is still pending.
        QCOMPARE(scalar(index, "SELECT count(*) FROM \"index\"").toInt(), rows);
        QVERIFY(heading.changed);
        QVERIFY(ds.hasPendingEdits());
        sqlite3_set_authorizer(ds.connection()->handle(), nullptr, nullptr);
        ds.updateRecord();
        QCOMPARE(scalar(index, "SELECT count(*) FROM \"index\"").toInt(), rows + 1);
        QCOMPARE(scalar(index, "SELECT 第二级标题 FROM \"index\" ORDER BY rowid DESC").toString(), QString("新二级"));
        QCOMPARE(scalar(sj, QString("SELECT 第二级标题 FROM sj WHERE rowid = %1").arg(key)).toString(), QString("新二级"));
        QVERIFY(!ds.hasPendingEdits());
    }

    void aFailedInsertLeavesTheNewRecordPending()
    {
        DataSource ds;
        FakeBox name("中文名称");
        ds.bind(&name);
        open(ds, "sj");
        const int count = scalar(sj, "SELECT count(*) FROM sj").toInt();
        ds.addNew();
        name.type("测试待存");
        sqlite3_exec(ds.connection()->handle(), "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
        QVERIFY_THROWS_EXCEPTION(WriteFailure, ds.updateRecord());
        QVERIFY(ds.isNewRecord());
        QVERIFY(name.changed);
        // A refresh may not drop it either.
        QVERIFY_THROWS_EXCEPTION(WriteFailure, ds.refresh());
        QVERIFY(ds.isNewRecord());
        sqlite3_exec(ds.connection()->handle(), "PRAGMA query_only = 0", nullptr, nullptr, nullptr);
        ds.refresh();
        QCOMPARE(scalar(sj, "SELECT count(*) FROM sj").toInt(), count + 1);
        QCOMPARE(scalar(sj, "SELECT count(*) FROM sj WHERE 中文名称 = '测试待存'").toInt(), 1);
    }

    void aReadOnlySourceRefusesWithItsReason()
    {
        DataSource ds;
        ds.setReadOnly(true);
        FakeBox name("英文名称");
        ds.bind(&name);
        open(ds, "Select * From sj Where 中文名称 = '苯'");
        name.type("x");
        try {
            ds.updateRecord();
            QFAIL("written");
        } catch (const WriteFailure &failure) {
            QCOMPARE(failure.reason(), WriteFailure::Reason::ReadOnly);
            QVERIFY(failure.explanation().startsWith("数据文件是只读的"));
        }
        QCOMPARE(scalar(sj, "SELECT 英文名称 FROM sj WHERE 中文名称 = '苯'").toString(), QString("benzene;benzol"));
    }
};

QTEST_GUILESS_MAIN(TestDataWrites)
#include "test_datawrites.moc"
