// The search keys the builder writes beside table sj, looked up with what a
// person types, on the shipped data and on the fixtures.
#include "DataBuilder.h"
#include "db/CasNumber.h"
#include "db/Database.h"
#include "db/FormulaComposition.h"
#include "db/SearchKeys.h"
#include "support/Fixture.h"

#include <QTest>
#include <memory>
#include <sqlite3.h>

using velmora::db::CasNumber;
using velmora::db::Database;
using velmora::db::FormulaComposition;
using velmora::db::Statement;
namespace SearchKeys = velmora::db::SearchKeys;
using velmora::test::Fixture;

namespace {

QString firstName(sqlite3 *db, qint64 key)
{
    Statement q(db, QStringLiteral("SELECT \"中文名称\" FROM sj WHERE rowid = ?1"));
    q.bind(1, key);
    return q.step() ? q.text(0).section(QChar(0xFF1B), 0, 0) : QString();
}

QStringList names(sqlite3 *db, const std::vector<qint64> &keys)
{
    QStringList out;
    for (qint64 k : keys)
        out << firstName(db, k);
    return out;
}

QString formulaOf(sqlite3 *db, qint64 key)
{
    Statement q(db, QStringLiteral("SELECT \"分子式\" FROM sj WHERE rowid = ?1"));
    q.bind(1, key);
    return q.step() ? q.text(0) : QString();
}

} // namespace

class TestSearchKeys : public QObject {
    Q_OBJECT
    std::unique_ptr<Fixture> m_shipped;
    std::unique_ptr<Database> m_db;
    sqlite3 *db() const { return m_db->handle(); }

private slots:
    void initTestCase()
    {
        m_shipped = std::make_unique<Fixture>(Fixture::Sources::Shipped);
        m_db = std::make_unique<Database>(m_shipped->file(QStringLiteral("\\data\\sj1.data")),
                                          QStringLiteral(";pwd=5817402"), Database::Mode::ReadOnly);
    }

    void sjKeepsItsShape()
    {
        Statement q(db(), QStringLiteral("SELECT name FROM pragma_table_info('sj')"));
        QStringList fields;
        while (q.step())
            fields << q.text(0);
        QCOMPARE(fields, velmora::data::sjFields());
        QVERIFY(SearchKeys::hasTables(db()));
    }

    void cas_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("ethanol") << "64-17-5" << QStringList{"乙醇"};
        QTest::newRow("without hyphens") << "64175" << QStringList{"乙醇"};
        QTest::newRow("sulfuric acid") << "7664-93-9" << QStringList{"硫酸"};
        QTest::newRow("shared by two records") << "7647-01-0" << QStringList{"氯化氢", "盐酸"};
        QTest::newRow("hydrate") << "7758998" << QStringList{"五水硫酸铜"};
        QTest::newRow("valid but not in the handbook") << "50-00-0" << QStringList{"甲醛"};
    }
    void cas()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, found);
        const CasNumber cas = CasNumber::parse(typed);
        QVERIFY(cas.isValid());
        const QStringList got = names(db(), SearchKeys::findByCas(db(), cas.normalised));
        QCOMPARE(got, found);
    }

    void composition_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("first");
        QTest::newRow("H2SO4") << "H2SO4" << "硫酸";
        QTest::newRow("SO4H2") << "SO4H2" << "硫酸";
        QTest::newRow("C2H5OH") << "C2H5OH" << "乙醇";
        QTest::newRow("C2H6O, handbook order") << "C2H6O" << "乙醇";
        QTest::newRow("CH3OCH3, an ether") << "CH3OCH3" << "二甲醚";
        QTest::newRow("CH3COOH") << "CH3COOH" << "乙酸";
        QTest::newRow("HCOOCH3, an ester") << "HCOOCH3" << "甲酸甲酯";
        QTest::newRow("CuSO4·5H2O") << "CuSO4·5H2O" << "五水硫酸铜";
        QTest::newRow("CuSO4.5H2O") << "CuSO4.5H2O" << "五水硫酸铜";
        QTest::newRow("CuSO4*5H2O") << "CuSO4*5H2O" << "五水硫酸铜";
        QTest::newRow("Ca(OH)2") << "Ca(OH)2" << "氢氧化钙";
        QTest::newRow("(C2H4)n") << "(C2H4)n" << "聚乙烯";
        QTest::newRow("Co") << "Co" << "钴";
        QTest::newRow("CO") << "CO" << "一氧化碳";
        QTest::newRow("c2h6o") << "c2h6o" << "乙醇";
        QTest::newRow("Cr2O7K2") << "Cr2O7K2" << "重铬酸钾";
    }
    void composition()
    {
        QFETCH(QString, typed);
        QFETCH(QString, first);
        const auto c = FormulaComposition::parseTyped(typed);
        QVERIFY(c);
        const std::vector<qint64> keys = SearchKeys::findByComposition(db(), c->key(), typed);
        QVERIFY(!keys.empty());
        QCOMPARE(firstName(db(), keys.front()), first);
        for (qint64 k : keys) // every hit has that composition, however it is written
            QCOMPARE(FormulaComposition::parse(formulaOf(db(), k))->key(), c->key());
    }

    void elements_data()
    {
        QTest::addColumn<QStringList>("symbols");
        QTest::addColumn<QStringList>("includes");
        QTest::addColumn<QStringList>("excludes");
        QTest::newRow("iron anywhere") << QStringList{"Fe"} << QStringList{"亚铁氰化钾", "三氯化铁", "铁"}
                                       << QStringList{"氟化钠", "硫酸"};
        QTest::newRow("fluorine, not iron") << QStringList{"F"} << QStringList{"氟化钠"}
                                            << QStringList{"三氯化铁", "铁"};
        QTest::newRow("copper and sulfur") << QStringList{"Cu", "S"} << QStringList{"五水硫酸铜"}
                                           << QStringList{"硫酸", "铜"};
        QTest::newRow("cobalt, not carbon monoxide") << QStringList{"Co"} << QStringList{"钴"}
                                                     << QStringList{"一氧化碳"};
    }
    void elements()
    {
        QFETCH(QStringList, symbols);
        QFETCH(QStringList, includes);
        QFETCH(QStringList, excludes);
        const std::vector<qint64> keys = SearchKeys::findByElements(db(), symbols);
        const QStringList got = names(db(), keys);
        for (const QString &n : includes)
            QVERIFY2(got.contains(n), qPrintable(n));
        for (const QString &n : excludes)
            QVERIFY2(!got.contains(n), qPrintable(n));
        for (qint64 k : keys) {
            const QStringList have = FormulaComposition::parse(formulaOf(db(), k))->elements();
            for (const QString &s : symbols)
                QVERIFY2(have.contains(s), qPrintable(formulaOf(db(), k)));
        }
    }

    void pinyin_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("first");
        QTest::newRow("yichun") << "yichun" << "乙醇";
        QTest::newRow("yi chun") << "yi chun" << "乙醇";
        QTest::newRow("yc") << "yc" << "乙醇";
        QTest::newRow("乙chun") << "乙chun" << "乙醇";
        QTest::newRow("alias") << "jiujing" << "乙醇";
        QTest::newRow("dichromate") << "chonggesuanjia" << "重铬酸钾";
        QTest::newRow("dichromate initials") << "cgsj" << "重铬酸钾";
        QTest::newRow("acetonitrile") << "yijing" << "乙腈";
        QTest::newRow("anthraquinone") << "enkun" << "蒽醌";
    }
    void pinyin()
    {
        QFETCH(QString, typed);
        QFETCH(QString, first);
        const std::vector<qint64> keys = SearchKeys::findByPinyin(db(), typed);
        QVERIFY(!keys.empty());
        QCOMPARE(firstName(db(), keys.front()), first);
    }

    void sortKeyFollowsChemicalReadings()
    {
        Statement q(db(), QStringLiteral("SELECT \"中文标记\" FROM sj WHERE \"中文名称\" LIKE '重铬酸钾%'"));
        QVERIFY(q.step());
        QCOMPARE(q.text(0), QStringLiteral("chonggesuanjia"));
    }

    // The wizards keep the keys current through writeFor and eraseFor.
    void writeAndErase()
    {
        Fixture fixture;
        Database file(fixture.file(QStringLiteral("\\data\\sj1.data")), QStringLiteral(";pwd=5817402"));
        sqlite3 *h = file.handle();
        file.exec(QStringLiteral("INSERT INTO sj (\"中文名称\", \"中文标记\") VALUES ('乙醇；酒精', 'yichun')"));
        const qint64 row = sqlite3_last_insert_rowid(h);
        QVERIFY(SearchKeys::findByCas(h, QStringLiteral("64-17-5")).empty());

        SearchKeys::writeFor(h, row, QStringLiteral("乙醇；酒精"), QStringLiteral("64-17-5"), QStringLiteral("C2H6O"));
        QCOMPARE(SearchKeys::findByCas(h, QStringLiteral("64-17-5")), std::vector<qint64>{row});
        QCOMPARE(SearchKeys::findByComposition(h, QStringLiteral("C2H6O")), std::vector<qint64>{row});
        QCOMPARE(SearchKeys::findByPinyin(h, QStringLiteral("jiujing")), std::vector<qint64>{row});
        const auto oxygen = SearchKeys::findByElements(h, {QStringLiteral("O")});
        QVERIFY(std::find(oxygen.begin(), oxygen.end(), row) != oxygen.end());

        // An edit replaces the keys; the old ones no longer find the row.
        SearchKeys::writeFor(h, row, QStringLiteral("甲醇"), QStringLiteral("67-56-1"), QStringLiteral("CH4O"));
        QVERIFY(SearchKeys::findByCas(h, QStringLiteral("64-17-5")).empty());
        QVERIFY(SearchKeys::findByPinyin(h, QStringLiteral("jiujing")).empty());
        QCOMPARE(SearchKeys::findByComposition(h, QStringLiteral("CH4O")), std::vector<qint64>{row});
        const auto carbon = SearchKeys::findByElements(h, {QStringLiteral("C"), QStringLiteral("H"), QStringLiteral("O")});
        QVERIFY(std::find(carbon.begin(), carbon.end(), row) != carbon.end());

        SearchKeys::eraseFor(h, row);
        QVERIFY(SearchKeys::findByCas(h, QStringLiteral("67-56-1")).empty());
        QVERIFY(SearchKeys::findByComposition(h, QStringLiteral("CH4O")).empty());
        const auto after = SearchKeys::findByElements(h, {QStringLiteral("C"), QStringLiteral("H"), QStringLiteral("O")});
        QVERIFY(std::find(after.begin(), after.end(), row) == after.end());
    }

    // A file built before the keys existed gets them from sj.
    void rebuildFromSj()
    {
        Fixture fixture;
        Database file(fixture.file(QStringLiteral("\\data\\sj1.data")), QStringLiteral(";pwd=5817402"));
        file.exec(QStringLiteral("DROP TABLE velmora_search"));
        file.exec(QStringLiteral("DROP TABLE velmora_elements"));
        QVERIFY(!SearchKeys::hasTables(file.handle()));
        SearchKeys::rebuildAll(file.handle());
        QCOMPARE(names(file.handle(), SearchKeys::findByCas(file.handle(), QStringLiteral("64-18-6"))),
                 QStringList{"甲酸"});
    }
};

QTEST_GUILESS_MAIN(TestSearchKeys)
#include "test_searchkeys.moc"
