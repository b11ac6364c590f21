// The data source on built fixture files: every query shape read back through
// the grid, bound edits, new and deleted records, two sources on one file,
// passwords and quote doubling.
#include "db/AppFolder.h"
#include "db/DataSource.h"
#include "db/DbError.h"
#include "db/SqlText.h"
#include "support/FakeBox.h"
#include "support/Fixture.h"

#include <QFile>
#include <QTest>

using namespace velmora::db;
using velmora::test::FakeBox;
using velmora::test::Fixture;

namespace {


QStringList column(const ReadingGrid &g, const QString &field)
{
    QStringList out;
    const int c = g.column(field);
    for (int r = 1; r < g.rows(); ++r)
        out << g.text(r, c);
    return out;
}

} // namespace

class TestDataSource : public QObject {
    Q_OBJECT
    std::unique_ptr<Fixture> fixture;

    void openSj(DataSource &ds, const QString &source)
    {
        ds.setConnect(";pwd=5817402");
        ds.setDatabaseName(fixture->file("\\data\\sj1.data"));
        ds.setRecordSource(source);
        ds.refresh();
    }

private slots:
    void init() { fixture = std::make_unique<Fixture>(); }

    void nameSearchReadsThroughTheGrid()
    {
        DataSource ds;
        openSj(ds, "select * from sj where 中文名称 like '*酸*' order by 中文标记");
        const ReadingGrid &g = ds.grid();
        QCOMPARE(g.text(0, 0), QString());
        QCOMPARE(g.text(0, 1), QString("编号"));
        QCOMPARE(g.text(0, 2), QString("中文名称"));
        QCOMPARE(g.cols(), 27); // selector column + 26 fields
        // Ordered by pinyin: 甲酸 (jia), 硫酸铜 (liu), 苯酚；石炭酸 -> ben... first.
        QCOMPARE(column(g, "中文名称"),
                 (QStringList{"苯酚；石炭酸", "甲酸；蚁酸", "硫酸铜；胆矾", "乙酸；醋酸；冰醋酸"}));
        QCOMPARE(ds.currentRow(), 1);
        QCOMPARE(ds.text("中文名称"), QString("苯酚；石炭酸"));
        // A picture reads as empty text, but its bytes are there.
        QCOMPARE(g.text(1, g.column("图")), QString());
        QVERIFY(g.blob(1, g.column("图")).startsWith("\x89PNG"));
    }

    void queryShapes_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("english, sorted by english key")
            << "select * from sj where 英文名称 like '*acid*' order by 英文标记"
            << QStringList{"乙酸；醋酸；冰醋酸", "甲酸；蚁酸", "苯酚；石炭酸"};
        QTest::newRow("latin case ignored")
            << "select * from sj where 英文名称 like '*ACID*' order by 英文标记"
            << QStringList{"乙酸；醋酸；冰醋酸", "甲酸；蚁酸", "苯酚；石炭酸"};
        QTest::newRow("property prefix") << "select * from sj where 熔点 like '8*' order by 中文标记"
                                         << QStringList{"甲酸；蚁酸", "氯化钠；食盐", "熔点八度样品"};
        QTest::newRow("formula prefix") << "select * from sj where 分子式 like 'C6H6*' order by 中文标记"
                                        << QStringList{"苯", "苯酚；石炭酸"};
        QTest::newRow("use, two keywords")
            << "select * from sj where 用途 like '*塑料*' and 用途 like '*填料*' order by 中文标记"
            << QStringList{"苯酚；石炭酸", "对苯二胺", "氯化钠；食盐"};
        QTest::newRow("use, trailing empty keyword")
            << "select * from sj where 用途 like '*塑料*' and 用途 like '**' order by 中文标记"
            << QStringList{"苯酚；石炭酸", "对苯二胺", "甲酸；蚁酸", "氯化钠；食盐", "乙酸；醋酸；冰醋酸"};
        QTest::newRow("exact fetch") << "Select * from sj where 中文名称 = '甲酸；蚁酸'"
                                     << QStringList{"甲酸；蚁酸"};
        QTest::newRow("exact fetch ignores latin case")
            << "Select * from sj where 英文名称 = 'BENZENE;BENZOL'" << QStringList{"苯"};
        QTest::newRow("category node")
            << "Select * From sj Where 第一级标题 = '芳香烃' Or 第二级标题 = '芳香烃' Or 第三级标题 = '芳香烃' "
               "Or 中文名称 Like '芳香烃' Order by 第一级标题"
            << QStringList{"苯", "苯酚；石炭酸"};
        QTest::newRow("wizard fetch with two spaces") << "Select * from sj  Where 中文名称 = '苯'"
                                                      << QStringList{"苯"};
        QTest::newRow("nothing found") << "select * from sj where 中文名称 like '*不存在*' order by 中文标记"
                                       << QStringList{};
    }
    void queryShapes()
    {
        QFETCH(QString, sql);
        QFETCH(QStringList, names);
        DataSource ds;
        openSj(ds, sql);
        QCOMPARE(column(ds.grid(), "中文名称"), names);
        QCOMPARE(ds.grid().rows(), names.size() + 1);
        QCOMPARE(ds.eof(), names.isEmpty());
    }

    void indexAndPeriodic()
    {
        DataSource index;
        index.setConnect(";pwd=5817402");
        index.setDatabaseName(fixture->file("\\data\\index.data"));
        index.setReadOnly(true);
        index.setRecordSource("select * from index where 第一级标题 like '*' order by 第二级标题");
        index.refresh();
        QCOMPARE(index.grid().text(0, 2), QString("第一级标题"));
        QCOMPARE(index.grid().rows(), 9);
        QCOMPARE(index.grid().text(1, 3), QString("芳香烃")); // pinyin order: fang before suo, zhong

        DataSource periodic;
        periodic.setConnect("Access");
        periodic.setFixedColumns(0);
        periodic.setDatabaseName(fixture->file("\\data\\periodic.data"));
        periodic.setRecordSource("periodic");
        periodic.refresh();
        QCOMPARE(periodic.grid().rows(), 11);
        QCOMPARE(periodic.grid().cols(), 19);
        QCOMPARE(periodic.grid().text(1, 1), QString("H"));
        QCOMPARE(periodic.grid().text(4, 8), QString("Fe"));
        QCOMPARE(periodic.grid().text(8, 5), QString());
    }

    void failuresKeepThePreviousResult_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("number");
        QTest::newRow("unescaped quote") << "select * from sj where 中文名称 like '*it's*' order by 中文标记" << 3075;
        QTest::newRow("missing field") << "select * from sj where 蒸汽压 like '1*' order by 中文标记" << 3061;
        QTest::newRow("invalid pattern") << "select * from sj where 中文名称 like '*[*' order by 中文标记" << 93;
        QTest::newRow("missing table") << "select * from nosuch" << 3078;
    }
    void failuresKeepThePreviousResult()
    {
        QFETCH(QString, sql);
        QFETCH(int, number);
        DataSource ds;
        openSj(ds, "select * from sj where 中文名称 like '*苯*' order by 中文标记");
        const int before = ds.grid().rows();
        ds.setRecordSource(sql);
        try {
            ds.refresh();
            QFAIL("the refresh did not fail");
        } catch (const DbError &error) {
            QCOMPARE(error.number(), number);
        }
        QCOMPARE(ds.grid().rows(), before);
        QCOMPARE(ds.text("中文名称"), QString("苯"));
    }

    void passwordsAndFiles()
    {
        auto expectError = [](DataSource &ds, int number) {
            try {
                ds.refresh();
                QFAIL("opened");
            } catch (const DbError &e) {
                QCOMPARE(e.number(), number);
            }
        };
        DataSource ds;
        ds.setDatabaseName(fixture->file("\\data\\sj1.data"));
        ds.setRecordSource("sj");
        ds.setConnect("Access");
        expectError(ds, 3031);
        ds.setConnect(";pwd=wrong");
        expectError(ds, 3031);
        ds.setConnect(";pwd=5817402");
        ds.refresh();
        QCOMPARE(ds.recordCount(), 10);

        DataSource missing;
        missing.setConnect(";pwd=5817402");
        missing.setDatabaseName(fixture->file("\\data\\nothere.data"));
        missing.setRecordSource("sj");
        expectError(missing, 3024);
        QVERIFY(!QFile::exists(fixture->file("\\data\\nothere.data")));

        QFile junk(fixture->file("\\data\\junk.data"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        missing.setDatabaseName(junk.fileName());
        expectError(missing, 3343);
    }

    void quoteDoubling()
    {
        DataSource ds;
        const QString name = "2,2'-bipyridine";
        openSj(ds, "select * from sj where 英文名称 like '*" + sqlValue(name) + "*' order by 英文标记");
        QCOMPARE(column(ds.grid(), "中文名称"), QStringList{"2,2'-联吡啶"});
        ds.setRecordSource("Select * from sj where 中文名称 = '" + sqlValue("2,2'-联吡啶") + "'");
        ds.refresh();
        QCOMPARE(ds.recordCount(), 1);
        // Crafted text stays a value.
        ds.setRecordSource("Select * from sj where 中文名称 = '" + sqlValue("x' or 中文名称 like '*") + "'");
        ds.refresh();
        QCOMPARE(ds.recordCount(), 0);
    }

    void boundEditsAreWrittenWhenTheRecordIsLeft()
    {
        DataSource ds;
        openSj(ds, "select * from sj where 第一级标题 = '有机化学品' order by 中文标记");
        FakeBox uses("用途"), name("中文名称");
        ds.bind(&uses);
        ds.bind(&name);
        QCOMPARE(name.shown.toString(), QString("2,2'-联吡啶"));
        uses.type(QString("新的用途。"));
        ds.moveNext(); // leaving the record writes it
        QVERIFY(!uses.isDataChanged());
        QCOMPARE(name.shown.toString(), QString("苯"));

        DataSource other;
        openSj(other, "Select * from sj where 中文名称 = '2,2''-联吡啶'");
        QCOMPARE(other.text("用途"), QString("新的用途。"));

        // Pending edits are also written by a refresh.
        name.type(QString("苯；安息油"));
        ds.setRecordSource("Select * from sj where 中文名称 = '苯；安息油'");
        ds.refresh();
        QCOMPARE(ds.recordCount(), 1);
        QCOMPARE(name.shown.toString(), QString("苯；安息油"));
    }

    void twoSourcesOnOneFile()
    {
        DataSource reader, writer;
        openSj(reader, "select * from sj where 中文名称 like '*酸*' order by 中文标记");
        openSj(writer, "Select * From sj Where 中文名称 = '甲酸；蚁酸'");
        FakeBox density("密度");
        writer.bind(&density);
        density.type(QString("1.22"));
        writer.updateRecord();
        // The reader's grid sees the change of the row it has not read yet.
        const int row = reader.grid().rowOf(writer.grid().rowId(1));
        QVERIFY(row > 0);
        QCOMPARE(reader.grid().text(row, reader.grid().column("密度")), QString("1.22"));
        reader.setRecordSource("select * from sj where 密度 like '1.22*' order by 中文标记");
        reader.refresh();
        QCOMPARE(column(reader.grid(), "中文名称"), QStringList{"甲酸；蚁酸"});
    }

    void newRecordsAndDeletion()
    {
        DataSource ds;
        openSj(ds, "sj");
        const int before = ds.recordCount();
        FakeBox name("中文名称"), picture("图");
        ds.bind(&name);
        ds.bind(&picture);

        // A new record with nothing entered is never stored.
        ds.addNew();
        QVERIFY(ds.isNewRecord());
        QVERIFY(name.shown.isNull());
        ds.moveLast();
        QCOMPARE(ds.recordCount(), before);

        ds.addNew();
        name.type(QString("新化学品"));
        picture.type(QByteArray("\x89PNG fake"));
        ds.moveLast();
        QCOMPARE(ds.recordCount(), before + 1);
        QCOMPARE(ds.currentRow(), before + 1);
        QCOMPARE(ds.text("中文名称"), QString("新化学品"));
        QCOMPARE(ds.picture("图"), QByteArray("\x89PNG fake"));

        // Deleting makes the next record current; at the end there is none.
        ds.moveTo(1);
        const QString second = ds.grid().text(2, ds.grid().column("中文名称"));
        ds.deleteCurrent();
        QCOMPARE(ds.text("中文名称"), second);
        ds.moveLast();
        ds.deleteCurrent();
        QVERIFY(ds.eof());
        DataSource check;
        openSj(check, "sj");
        QCOMPARE(check.recordCount(), before - 1);
        QCOMPARE(check.grid().text(1, 2), second);
    }

    void readOnlySourceRefusesWrites()
    {
        DataSource ds;
        ds.setConnect(";pwd=5817402");
        ds.setDatabaseName(fixture->file("\\data\\index.data"));
        ds.setReadOnly(true);
        ds.setRecordSource("index");
        ds.refresh();
        QVERIFY_THROWS_EXCEPTION(DbError, ds.deleteCurrent());
    }
};

QTEST_GUILESS_MAIN(TestDataSource)
#include "test_datasource.moc"
