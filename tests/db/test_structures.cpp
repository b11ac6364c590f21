// Structures: the engine (parse errors with their place, canonical form,
// InChIKey, formula), the structure search on the shipped data, and the side
// table kept in step with the writes of the chemical table.
#include "db/DataSource.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/StructureIndex.h"
#include "db/StructureKeys.h"
#include "structure/Structure.h"
#include "support/FakeBox.h"
#include "support/Fixture.h"

#include <QImage>
#include <QTest>
#include <memory>
#include <sqlite3.h>

using namespace velmora::db;
namespace structure = velmora::structure;
using velmora::test::FakeBox;
using velmora::test::Fixture;

namespace {

QString firstName(sqlite3 *db, qint64 key)
{
    Statement q(db, QStringLiteral("SELECT \"中文名称\" FROM sj WHERE rowid = ?1"));
    q.bind(1, key);
    return q.step() ? q.text(0).section(QChar(0xFF1B), 0, 0) : QString();
}

QStringList names(sqlite3 *db, const std::vector<StructureIndex::Hit> &hits)
{
    QStringList out;
    for (const auto &h : hits)
        out << firstName(db, h.key);
    return out;
}

QVariant scalar(const QString &path, const QString &sql)
{
    Database db(path, QStringLiteral(";pwd=5817402"), Database::Mode::ReadOnly);
    Statement s(db.handle(), sql);
    return s.step() ? (s.isNull(0) ? QVariant() : QVariant(s.text(0))) : QVariant();
}

} // namespace

class TestStructures : public QObject {
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

    // ---------------------------------------------------------- the engine

    void identifiers_data()
    {
        QTest::addColumn<QString>("smiles");
        QTest::addColumn<QString>("canonical");
        QTest::addColumn<QString>("inchiKey");
        QTest::newRow("ethanol") << "OCC" << "CCO" << "LFQSCWFLJHTTHZ-UHFFFAOYSA-N";
        QTest::newRow("aspirin, Kekulé") << "CC(=O)OC1=CC=CC=C1C(=O)O" << "CC(=O)Oc1ccccc1C(=O)O"
                                         << "BSYNRYMUTXBXSQ-UHFFFAOYSA-N";
        QTest::newRow("L-alanine") << "C[C@H](N)C(=O)O" << "C[C@H](N)C(=O)O" << "QNAYBMKLOCPYGJ-REOHCLBHSA-N";
        QTest::newRow("D-alanine") << "C[C@@H](N)C(=O)O" << "C[C@@H](N)C(=O)O" << "QNAYBMKLOCPYGJ-UWTATZPHSA-N";
        QTest::newRow("a salt") << "[Na+].[Cl-]" << "[Cl-].[Na+]" << "FAPWRFPIFSIZLT-UHFFFAOYSA-M";
        QTest::newRow("trans double bond") << "C/C=C/C" << "C/C=C/C" << "IAQRGUVFOMOMEM-ONEGZZNKSA-N";
        QTest::newRow("a polymer: no key") << "*CC*" << "*CC*" << "";
        QTest::newRow("dative bonds, CXSMILES") << "[NH3]->[Pt](<-[NH3])(Cl)Cl |(-1.06,1.06,;0,0,;1.06,1.06,;-1.06,-1.06,;1.06,-1.06,)|"
                                                << "N->[Pt](<-N)(Cl)Cl" << "?";
    }
    void identifiers()
    {
        QFETCH(QString, smiles);
        QFETCH(QString, canonical);
        QFETCH(QString, inchiKey);
        const auto facts = structure::describe(smiles);
        QVERIFY(facts);
        QCOMPARE(facts->canonical, canonical);
        if (inchiKey != QLatin1String("?")) // "?": not checked
            QCOMPARE(facts->inchiKey, inchiKey);
        QCOMPARE(facts->screen.size(), structure::ScreenBytes);
        QCOMPARE(facts->morgan.size(), structure::MorganBytes);
    }

    void malformed_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("says");
        QTest::addColumn<bool>("smarts"); // still a valid substructure pattern
        QTest::newRow("empty") << "  " << 1 << "没有写结构式" << false;
        QTest::newRow("unknown letter") << "CCx" << 3 << "“x”不是结构式中的写法" << false;
        QTest::newRow("full-width bracket") << "CC（C）" << 3 << "“（”" << false;
        QTest::newRow("open branch") << "CC(C" << 3 << "“(”没有闭合" << false;
        QTest::newRow("stray close") << "CC)C" << 3 << "“)”没有对应的“(”" << false;
        QTest::newRow("open ring") << "CC1CCC" << 3 << "环标记“1”没有闭合" << false;
        QTest::newRow("open bracket atom") << "C[Na+" << 2 << "“[”没有对应的“]”" << false;
        QTest::newRow("five bonds on carbon") << "CC(C)(C)(C)(C)C" << 2 << "原子“C”价态不合理" << true;
        QTest::newRow("five bonds on nitrogen") << "CN(C)(C)(C)C" << 2 << "原子“N”价态不合理" << true;
        QTest::newRow("five-membered benzene") << "c1cccc1" << 1 << "芳香" << true;
    }
    void malformed()
    {
        QFETCH(QString, text);
        QFETCH(int, position);
        QFETCH(QString, says);
        QFETCH(bool, smarts);
        structure::ParseError error;
        QVERIFY(!structure::describe(text, &error));
        QVERIFY2(error.message.startsWith(QStringLiteral("结构式无法识别：")), qPrintable(error.message));
        QVERIFY2(error.message.contains(says), qPrintable(error.message));
        QCOMPARE(error.position, position);
        if (text.trimmed().size())
            QVERIFY2(error.message.contains(QStringLiteral("第%1个字符").arg(position)), qPrintable(error.message));
        // Neither a SMILES nor a SMARTS: the search says the same.
        QCOMPARE(bool(structure::Query::parse(text, &error)), smarts);
        QVERIFY(structure::drawPng(text).isEmpty());
    }

    void formulaAndWeight_data()
    {
        QTest::addColumn<QString>("smiles");
        QTest::addColumn<QString>("formula");
        QTest::addColumn<double>("weight");
        QTest::newRow("ethanol") << "CCO" << "C2H6O" << 46.07;
        QTest::newRow("aspirin") << "CC(=O)Oc1ccccc1C(=O)O" << "C9H8O4" << 180.16;
        QTest::newRow("organic salt, Hill") << "CC(=O)[O-].[Na+]" << "C2H3NaO2" << 82.03;
        QTest::newRow("sodium chloride") << "[Na+].[Cl-]" << "NaCl" << 58.44;
        QTest::newRow("calcium chloride") << "[Ca+2].[Cl-].[Cl-]" << "CaCl2" << 110.98;
        QTest::newRow("calcium nitrate") << "[Ca+2].[O-][N+](=O)[O-].[O-][N+](=O)[O-]" << "Ca(NO3)2" << 164.09;
        QTest::newRow("sulfuric acid") << "OS(=O)(=O)O" << "H2SO4" << 98.08;
        QTest::newRow("ammonia") << "N" << "NH3" << 17.03;
        QTest::newRow("ammonium chloride") << "[NH4+].[Cl-]" << "NH4Cl" << 53.49;
        QTest::newRow("sodium hydroxide") << "[Na+].[OH-]" << "NaOH" << 40.00;
        QTest::newRow("sodium carbonate") << "[Na+].[Na+].[O-]C([O-])=O" << "Na2CO3" << 105.99;
        QTest::newRow("sodium bicarbonate") << "[Na+].OC([O-])=O" << "NaHCO3" << 84.01;
        QTest::newRow("blue vitriol") << "[Cu+2].[O-]S(=O)(=O)[O-].O.O.O.O.O" << "CuSO4·5H2O" << 249.69;
        QTest::newRow("water") << "O" << "H2O" << 18.02;
    }
    void formulaAndWeight()
    {
        QFETCH(QString, smiles);
        QFETCH(QString, formula);
        QFETCH(double, weight);
        const auto c = structure::composition(smiles);
        QVERIFY(c);
        QCOMPARE(c->formula, formula);
        QVERIFY2(qAbs(c->weight - weight) < 0.015, qPrintable(QString::number(c->weight)));
    }

    void drawsAPicture_data()
    {
        QTest::addColumn<QString>("smiles");
        QTest::newRow("aspirin") << "CC(=O)Oc1ccccc1C(=O)O";
        QTest::newRow("a hydrate, part by part") << "[Cu+2].[O-]S(=O)(=O)[O-].O.O.O.O.O";
        QTest::newRow("a chlorate") << "[K+].[O-][Cl+2]([O-])[O-]";
    }
    void drawsAPicture()
    {
        QFETCH(QString, smiles);
        QImage image;
        QVERIFY(image.loadFromData(structure::drawPng(smiles), "PNG"));
        QCOMPARE(image.size(), QSize(600, 400));
        // Something is drawn on the white ground.
        int dark = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                dark += qGray(image.pixel(x, y)) < 128;
        QVERIFY(dark > 50);
    }

    // ---------------------------------------------------------- the search

    void substructure_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<QStringList>("notFound");
        QTest::addColumn<QString>("first");
        QTest::newRow("benzene ring") << "c1ccccc1" << QStringList{"苯", "苯酚", "硝基苯", "阿司匹林", "L-苯丙氨酸"}
                                      << QStringList{"环己烷", "乙醇", "吡啶"} << "苯";
        QTest::newRow("nitro on a benzene ring")
            << "c1ccccc1[N+](=O)[O-]" << QStringList{"硝基苯", "对硝基苯胺", "邻硝基氯苯"}
            << QStringList{"硝基甲烷", "硝酸钠", "苯", "苯胺"} << "硝基苯";
        QTest::newRow("carboxylic acid (SMARTS)")
            << "[CX3](=O)[OX2H1]" << QStringList{"乙酸", "苯甲酸", "阿司匹林", "L-丙氨酸", "乳酸"}
            << QStringList{"乙酸乙酯", "乙醇", "苯"} << "";
        QTest::newRow("a salt's anion") << "[O-]S(=O)(=O)[O-]"
                                        << QStringList{"硫酸钠", "五水硫酸铜", "无水硫酸铜", "硫酸铵", "硫酸铝钾"}
                                        << QStringList{"硫酸", "硫酸二甲酯", "亚硫酸钠"} << "";
        QTest::newRow("anion and water, part by part")
            << "[O-]S(=O)(=O)[O-].O" << QStringList{"五水硫酸铜", "硫酸铝钾"} << QStringList{"硫酸钠", "无水硫酸铜"}
            << "";
        QTest::newRow("L stereo centre") << "C[C@H](N)C(=O)O" << QStringList{"L-丙氨酸", "L-丝氨酸", "L-苯丙氨酸"}
                                         << QStringList{"甘氨酸", "乳酸"} << "L-丙氨酸";
        QTest::newRow("D stereo centre finds no L acid")
            << "C[C@@H](N)C(=O)O" << QStringList{} << QStringList{"L-丙氨酸", "L-丝氨酸", "L-苯丙氨酸"} << "";
    }
    void substructure()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, found);
        QFETCH(QStringList, notFound);
        QFETCH(QString, first);
        structure::ParseError error;
        const auto hits = m_db->structures().substructure(query, &error);
        QVERIFY2(hits, qPrintable(error.message));
        const QStringList got = names(db(), *hits);
        for (const QString &name : found)
            QVERIFY2(got.contains(name), qPrintable(name + QStringLiteral(" missing from ") + got.join(u' ')));
        for (const QString &name : notFound)
            QVERIFY2(!got.contains(name), qPrintable(name));
        if (!first.isEmpty())
            QCOMPARE(got.value(0), first); // the most similar first
        for (size_t i = 1; i < hits->size(); ++i)
            QVERIFY((*hits)[i - 1].similarity >= (*hits)[i].similarity);
    }

    void similarity()
    {
        const auto hits = m_db->structures().similar(QStringLiteral("CC(=O)Oc1ccccc1C(=O)O"));
        QVERIFY(hits && !hits->empty());
        const QStringList got = names(db(), *hits);
        QCOMPARE(got.first(), QStringLiteral("阿司匹林"));
        QCOMPARE(hits->front().similarity, 1.0);
        QVERIFY(got.contains(QStringLiteral("水杨酸")));
        QVERIFY(!got.contains(QStringLiteral("氯化钠")));
        QVERIFY(hits->back().similarity >= 0.2);
        structure::ParseError error;
        QVERIFY(!m_db->structures().similar(QStringLiteral("C1CC"), &error));
        QCOMPARE(error.position, 2);
    }

    // ---------------------------------------------------------- the side table

    void sideTableFollowsWrites()
    {
        Fixture fixture;
        const QString sj = fixture.file("\\data\\sj1.data");
        DataSource ds;
        FakeBox name("中文名称");
        ds.bind(&name);
        ds.setConnect(";pwd=5817402");
        ds.setDatabaseName(sj);
        ds.setRecordSource("select * from sj");
        ds.refresh();
        const auto structureOf = [&sj](qint64 key) {
            return scalar(sj, QString("SELECT smiles || ' ' || coalesce(inchikey, '') FROM velmora_structure "
                                      "WHERE rowkey = %1").arg(key)).toString();
        };

        // Add: the row and its structure in one write.
        ds.addNew();
        name.type(QStringLiteral("乙醇测试"));
        QVERIFY(ds.setStructure(QStringLiteral("OCC")));
        ds.updateRecord();
        const qint64 key = ds.currentKey();
        QVERIFY(key > 0);
        QCOMPARE(structureOf(key), QStringLiteral("OCC LFQSCWFLJHTTHZ-UHFFFAOYSA-N"));
        QCOMPARE(scalar(sj, QString("SELECT canonical FROM velmora_structure WHERE rowkey = %1").arg(key)).toString(),
                 QStringLiteral("CCO"));

        // A SMILES that does not parse leaves nothing pending.
        QVERIFY(!ds.setStructure(QStringLiteral("C1CC")));
        QVERIFY(!ds.hasPendingStructure());

        // Edit: only the structure changed.
        QVERIFY(ds.setStructure(QStringLiteral("CC(=O)O")));
        ds.updateRecord();
        QCOMPARE(structureOf(key), QStringLiteral("CC(=O)O QTBSBXVTEAMEQO-UHFFFAOYSA-N"));
        // Edit of another field: the structure stays.
        name.type(QStringLiteral("乙酸测试"));
        ds.updateRecord();
        QCOMPARE(structureOf(key), QStringLiteral("CC(=O)O QTBSBXVTEAMEQO-UHFFFAOYSA-N"));
        // Discarded: nothing written.
        QVERIFY(ds.setStructure(QStringLiteral("c1ccccc1")));
        ds.discardEdits();
        ds.updateRecord();
        QCOMPARE(structureOf(key), QStringLiteral("CC(=O)O QTBSBXVTEAMEQO-UHFFFAOYSA-N"));

        // Delete moves it aside; restore brings it back under the row's key.
        ds.locate(key);
        const qint64 copy = ds.deleteCurrent();
        QVERIFY(copy > 0);
        QCOMPARE(structureOf(key), QString());
        QCOMPARE(scalar(sj, QString("SELECT smiles FROM velmora_deleted_structure WHERE copy = %1").arg(copy))
                     .toString(),
                 QStringLiteral("CC(=O)O"));
        // The search no longer finds it, through the same connection.
        auto found = ds.connection()->structures().substructure(QStringLiteral("CC(=O)O"));
        QVERIFY(found);
        for (const auto &h : *found)
            QVERIFY(h.key != key);
        QCOMPARE(ds.restore("sj", copy), key);
        QCOMPARE(structureOf(key), QStringLiteral("CC(=O)O QTBSBXVTEAMEQO-UHFFFAOYSA-N"));
        QCOMPARE(scalar(sj, "SELECT count(*) FROM velmora_deleted_structure").toInt(), 0);
        found = ds.connection()->structures().substructure(QStringLiteral("CC(=O)O"));
        QVERIFY(std::any_of(found->begin(), found->end(), [key](const auto &h) { return h.key == key; }));

        // Emptied: the structure is removed with the next write.
        ds.locate(key);
        QVERIFY(ds.setStructure(QString()));
        ds.updateRecord();
        QCOMPARE(scalar(sj, QString("SELECT count(*) FROM velmora_structure WHERE rowkey = %1").arg(key)).toInt(), 0);
    }

    void builderWritesEveryParsedSmiles()
    {
        // Every shipped chemical with a SMILES has its structure row.
        Statement sources(db(), QStringLiteral("SELECT count(*) FROM velmora_structure"));
        QVERIFY(sources.step());
        QVERIFY(sources.integer(0) > 1000);
        QCOMPARE(qint64(m_db->structures().size()), sources.integer(0));
        QCOMPARE(StructureKeys::storedFor(db(), 1).smiles.isEmpty(), false);
    }
};

QTEST_MAIN(TestStructures)
#include "test_structures.moc"
