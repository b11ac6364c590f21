// The large database for measurements: the shipped rows first, then unique,
// well-formed derivatives that the program can open and search.
#include "SyntheticData.h"
#include "db/DataSource.h"
#include "db/SortKeys.h"
#include "support/Fixture.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;

namespace {

// Every row of sj, field by field.
QList<QStringList> rowsOf(const QString &appFolder, QStringList *fields = nullptr)
{
    db::DataSource ds;
    ds.setConnect(";pwd=5817402");
    ds.setDatabaseName(appFolder + "/data/sj1.data");
    ds.setRecordSource("sj");
    ds.refresh();
    const db::ReadingGrid &g = ds.grid();
    if (fields)
        *fields = g.fieldNames();
    QList<QStringList> rows;
    for (int r = 1; r < g.rows(); ++r) {
        QStringList row;
        for (int c = 1; c < g.cols(); ++c)
            row << g.text(r, c);
        rows << row;
    }
    return rows;
}

} // namespace

class TestSynthetic : public QObject {
    Q_OBJECT
    test::Fixture fixture;
    QTemporaryDir out;

private slots:
    void derivativesFollowTheShippedRows()
    {
        data::SyntheticOptions o;
        o.shippedData = fixture.folder() + "/data";
        o.out = out.path();
        o.chemicals = 400;
        const data::SyntheticReport report = data::makeSynthetic(o);
        QCOMPARE(report.chemicals, 400);

        QStringList shippedFields, fields;
        const QList<QStringList> shipped = rowsOf(fixture.folder(), &shippedFields);
        const QList<QStringList> rows = rowsOf(out.path(), &fields);
        QCOMPARE(fields, shippedFields);
        QCOMPARE(rows.size(), 400);
        QCOMPARE(report.shipped, int(shipped.size()));
        QCOMPARE(rows.mid(0, shipped.size()), shipped);

        const int zh = int(fields.indexOf("中文名称")), en = int(fields.indexOf("英文名称"));
        const int keyZh = int(fields.indexOf("中文标记")), keyEn = int(fields.indexOf("英文标记"));
        QSet<QString> names;
        for (const QStringList &row : rows) {
            QVERIFY2(!names.contains(row[zh]), qPrintable(row[zh]));
            names.insert(row[zh]);
            QVERIFY(!row[zh].contains('[') && !row[zh].contains(']'));
        }
        for (const QStringList &row : rows.mid(shipped.size())) {
            QCOMPARE(row[keyZh], db::chineseSortKey(row[zh]));
            QCOMPARE(row[keyEn], db::englishSortKey(row[en]));
        }
    }

    void everyFileOpensAndTheProgramFindsDerivatives()
    {
        data::SyntheticOptions o;
        o.shippedData = fixture.folder() + "/data";
        o.out = out.path();
        o.chemicals = 300;
        data::makeSynthetic(o);

        db::DataSource sj;
        sj.setConnect(";pwd=5817402");
        sj.setDatabaseName(out.path() + "/data/sj1.data");
        sj.setRecordSource("select * from sj where 中文名称 like '*甲酸*' order by 中文标记");
        sj.refresh();
        QVERIFY(sj.recordCount() > 1); // formic acid and some of its derivatives
        int pictures = 0;
        for (int r = 1; r <= sj.recordCount(); ++r)
            pictures += sj.grid().blob(r, sj.grid().column("图")).startsWith("\x89PNG") ? 1 : 0;
        QVERIFY(pictures > 0);

        db::DataSource index;
        index.setConnect(";pwd=5817402");
        index.setDatabaseName(out.path() + "/data/index.data");
        index.setRecordSource("select * from index where 第一级标题 like '*' order by 第一级标题");
        index.refresh();
        QVERIFY(index.recordCount() > 0);

        db::DataSource periodic;
        periodic.setConnect("Access");
        periodic.setDatabaseName(out.path() + "/data/periodic.data");
        periodic.setRecordSource("periodic");
        periodic.refresh();
        QCOMPARE(periodic.recordCount(), 10);
    }

    void theSameSeedMakesTheSameFile()
    {
        data::SyntheticOptions o;
        o.shippedData = fixture.folder() + "/data";
        o.chemicals = 250;
        QTemporaryDir a, b;
        o.out = a.path();
        data::makeSynthetic(o);
        o.out = b.path();
        data::makeSynthetic(o);
        QCOMPARE(rowsOf(a.path()), rowsOf(b.path()));
    }

    void missingShippedFilesAreReported()
    {
        data::SyntheticOptions o;
        o.shippedData = out.path() + "/nothing";
        o.out = out.path() + "/made";
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, data::makeSynthetic(o));
    }
};

QTEST_GUILESS_MAIN(TestSynthetic)
#include "test_synthetic.moc"
