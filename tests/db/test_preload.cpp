// The splash's preload: a connection prepared on a worker thread is taken
// over by the first data source that opens the same file, once.
#include "db/DataSource.h"
#include "db/DatabasePreload.h"
#include "db/DbError.h"
#include "support/Fixture.h"

#include <QTest>

using namespace velmora::db;
using velmora::test::Fixture;

class TestPreload : public QObject {
    Q_OBJECT
private slots:
    void theFirstSourceTakesThePreparedConnection()
    {
        Fixture fixture;
        const QString path = fixture.file("\\data\\sj1.data");
        const QString query = "select * from sj where 中文名称 like '*酸*' order by 中文标记";
        DatabasePreload::start(path, ";pwd=5817402", query);
        // Another file or another mode does not take it.
        QVERIFY(!DatabasePreload::take(fixture.file("\\data\\index.data"), ";pwd=5817402", Database::Mode::ReadWrite));
        QVERIFY(!DatabasePreload::take(path, ";pwd=5817402", Database::Mode::ReadOnly));

        DataSource ds;
        ds.setConnect(";pwd=5817402");
        ds.setDatabaseName(path);
        ds.setRecordSource(query);
        ds.refresh();
        QCOMPARE(ds.recordCount(), 4);
        QCOMPARE(ds.text("中文名称"), QString("苯酚；石炭酸"));
        // Handed out once.
        QVERIFY(!DatabasePreload::take(path, ";pwd=5817402", Database::Mode::ReadWrite));
    }

    void aFailedPreloadLeavesTheSourceToReportItself()
    {
        Fixture fixture;
        const QString path = fixture.file("\\data\\sj1.data");
        DatabasePreload::start(path, ";pwd=wrong", "sj");
        QVERIFY(!DatabasePreload::take(path, ";pwd=wrong", Database::Mode::ReadWrite));
        DataSource ds;
        ds.setConnect(";pwd=wrong");
        ds.setDatabaseName(path);
        ds.setRecordSource("sj");
        QVERIFY_THROWS_EXCEPTION(DbError, ds.refresh());
    }
};

QTEST_GUILESS_MAIN(TestPreload)
#include "test_preload.moc"
