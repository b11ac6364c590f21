// ORDER BY on text fields: Chinese by pinyin, ASCII as before (NOCASE), equal
// texts in stored order, one consistent order for mixed texts.
#include "db/ChineseOrder.h"
#include "db/DataSource.h"
#include "support/SqlFile.h"
#include "support/Fixture.h"

#include <QTest>
#include <algorithm>
#include <sqlite3.h>

using velmora::db::ChineseOrder;
using velmora::db::DataSource;
using velmora::test::Fixture;

using velmora::test::exec;

namespace {

// The values in `field` of table t, in the order of `order`, on a plain
// SQLite connection with the collation installed.
QStringList sorted(const QStringList &values, const QString &order)
{
    sqlite3 *raw = nullptr;
    sqlite3_open(":memory:", &raw);
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, &sqlite3_close);
    ChineseOrder::install(raw);
    sqlite3_exec(raw, "CREATE TABLE t (v TEXT)", nullptr, nullptr, nullptr);
    for (const QString &v : values) {
        sqlite3_stmt *put = nullptr;
        sqlite3_prepare_v2(raw, "INSERT INTO t VALUES (?1)", -1, &put, nullptr);
        const QByteArray bytes = v.toUtf8();
        sqlite3_bind_text(put, 1, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        sqlite3_step(put);
        sqlite3_finalize(put);
    }
    QStringList out;
    sqlite3_stmt *get = nullptr;
    sqlite3_prepare_v2(raw, ("SELECT v FROM t ORDER BY v COLLATE " + order + ", rowid").toUtf8().constData(), -1,
                       &get, nullptr);
    while (sqlite3_step(get) == SQLITE_ROW)
        out << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(get, 0)));
    sqlite3_finalize(get);
    return out;
}

int compare(const QString &a, const QString &b)
{
    const QByteArray x = a.toUtf8(), y = b.toUtf8();
    return ChineseOrder::compare({x.constData(), size_t(x.size())}, {y.constData(), size_t(y.size())});
}

} // namespace

class TestChineseOrder : public QObject {
    Q_OBJECT
private slots:
    void pinyin_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("first-level headings")
            << QStringList{"农药", "助剂", "化学矿物", "化学纤维", "化肥", "有机化学品", "无机化学品"}
            << QStringList{"化肥", "化学矿物", "化学纤维", "农药", "无机化学品", "有机化学品", "助剂"};
        QTest::newRow("Latin before Chinese, digits first")
            << QStringList{"甲酸", "ABS树脂", "2,2'-联吡啶", "abs", "乙酸"}
            << QStringList{"2,2'-联吡啶", "abs", "ABS树脂", "甲酸", "乙酸"};
        QTest::newRow("equal texts keep their stored order")
            << QStringList{"乙酸#2", "乙酸", "ABC", "甲酸", "abc", "乙酸#1", "Abc"}
            << QStringList{"ABC", "abc", "Abc", "甲酸", "乙酸", "乙酸#1", "乙酸#2"};
    }
    void pinyin()
    {
        QFETCH(QStringList, stored);
        QTEST(sorted(stored, ChineseOrder::Name), "expected");
    }

    // Sort keys in ASCII come back exactly as with NOCASE, punctuation,
    // digits and capitals included.
    void asciiAsBefore()
    {
        const QStringList keys = {"jiasuan", "yisuan", "Ben", "ben fen", "2,2'-bipyridine", "p-phenylenediamine",
                                  "a_b", "a[b", "a~b", "a b", "ab", "AB", "a-b", "a.b", "a{b", "a@b", "z", "10", "9"};
        QCOMPARE(sorted(keys, ChineseOrder::Name), sorted(keys, "NOCASE"));
    }

    // Mixed texts: every pair compares as the sorted order says, so the
    // order is one total order (ASCII pairs and mixed pairs agree).
    void oneConsistentOrder()
    {
        const QStringList values = {"a_b", "a中", "a[b", "ab", "a b", "a-b", "a~b", "A中b", "中", "zz",
                                    "钛白粉；钛白；C.I.颜料白6", "C.I.", "c_i", "ｃ", "9", "九", "a{b", "a@b"};
        const QStringList order = sorted(values, ChineseOrder::Name);
        QCOMPARE(order.size(), values.size());
        for (int i = 0; i < order.size(); ++i)
            for (int j = i + 1; j < order.size(); ++j)
                QVERIFY2(compare(order[i], order[j]) <= 0 && compare(order[j], order[i]) >= 0,
                         qPrintable(order[i] + " / " + order[j]));
    }

    // Through the program's query path: the category headings of the index.
    void headingsThroughADataSource()
    {
        Fixture fixture;
        fixture.install();
        const QString index = fixture.file("\\data\\index.data");
        exec(index, "DELETE FROM \"index\";"
                    "INSERT INTO \"index\" (第一级标题) VALUES ('农药'), ('助剂'), ('化学矿物'), ('化学纤维'), ('化肥')");
        DataSource ds;
        ds.setConnect(";pwd=5817402");
        ds.setDatabaseName(index);
        ds.setRecordSource("select * from index where 第一级标题 like '*' order by 第一级标题");
        ds.refresh();
        const auto &g = ds.grid();
        QStringList got;
        for (int r = 1; r < g.rows(); ++r)
            got << g.text(r, g.column("第一级标题"));
        QCOMPARE(got, (QStringList{"化肥", "化学矿物", "化学纤维", "农药", "助剂"}));
    }
};

QTEST_MAIN(TestChineseOrder)
#include "test_chineseorder.moc"
