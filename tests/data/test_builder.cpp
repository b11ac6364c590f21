// The data builder's computed fields: molecular weights and sort keys, and the
// shipped files' shape.
#include "DataBuilder.h"
#include "Formula.h"
#include "db/DataSource.h"
#include "db/SortKeys.h"
#include "support/Fixture.h"

#include <QTest>

using namespace velmora;

class TestBuilder : public QObject {
    Q_OBJECT
    QHash<QString, double> weights{{"H", 1.008}, {"C", 12.011}, {"O", 15.999}, {"N", 14.007},
                                   {"S", 32.06}, {"Cu", 63.546}, {"Cl", 35.45}, {"Na", 22.990},
                                   {"Ca", 40.078}, {"P", 30.974}, {"Fe", 55.845}};

private slots:
    void molecularWeights_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<double>("weight");
        QTest::newRow("formic acid") << "CH2O2" << 46.025;
        QTest::newRow("two-letter symbols") << "NaCl" << 58.44;
        QTest::newRow("hydrate") << "CuSO4·5H2O" << 249.677;
        QTest::newRow("hydrate with a dot") << "CuSO4.5H2O" << 249.677;
        QTest::newRow("parentheses") << "Ca3(PO4)2" << 310.174;
        QTest::newRow("nested") << "Fe4(Fe(CN)6)3" << 859.239;
    }
    void molecularWeights()
    {
        QFETCH(QString, formula);
        QFETCH(double, weight);
        const auto mw = data::molecularWeight(formula, weights);
        QVERIFY(mw.has_value());
        QVERIFY2(qAbs(*mw - weight) < 0.01, qPrintable(QString::number(*mw)));
    }

    void noDefiniteFormula_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::newRow("polymer") << "(C2H4)n";
        QTest::newRow("unknown element") << "Xx2";
        QTest::newRow("lower case start") << "nacl";
        QTest::newRow("unbalanced") << "Ca3(PO4";
        QTest::newRow("empty") << "";
    }
    void noDefiniteFormula()
    {
        QFETCH(QString, formula);
        QVERIFY(!data::molecularWeight(formula, weights).has_value());
    }

    void sortKeys()
    {
        QCOMPARE(db::chineseSortKey("甲酸；蚁酸"), QString("jiasuan"));
        QCOMPARE(db::chineseSortKey("2,2'-联吡啶"), QString("22lianbiding"));
        QCOMPARE(db::englishSortKey("Formic acid;methanoic acid"), QString("formic acid"));
    }

    void fixtureFilesHaveTheStoredFieldOrder()
    {
        test::Fixture fixture;
        db::DataSource ds;
        ds.setConnect(";pwd=5817402");
        ds.setDatabaseName(fixture.file("\\data\\sj1.data"));
        ds.setRecordSource("Select * from sj where 中文名称 = '甲酸；蚁酸'");
        ds.refresh();
        QCOMPARE(ds.grid().fieldNames(), data::sjFields());
        QCOMPARE(ds.text("分子量"), QString("46.03"));
        QCOMPARE(ds.text("中文标记"), QString("jiasuan"));
        QCOMPARE(ds.text("英文标记"), QString("formic acid"));
        QCOMPARE(ds.text("通用名、商品名"), QString());
        QCOMPARE(ds.text("CAS号"), QString("64-18-6"));
    }
};

QTEST_GUILESS_MAIN(TestBuilder)
#include "test_builder.moc"
