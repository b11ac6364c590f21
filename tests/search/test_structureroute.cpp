// The structure routes searched through the window on the shipped data:
// substructure with the most similar first, similarity by the route or by
// "~", a text that is no structure, and the record's 结构式 block.
#include "support/MainWindowHarness.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QStatusBar>
#include <QTest>

using velmora::test::Fixture;
using velmora::test::MainWindowHarness;

namespace {
QString firstName(const QString &entry)
{
    return entry.section(QStringLiteral("；"), 0, 0);
}
} // namespace

class TestStructureRoute : public QObject {
    Q_OBJECT
    std::unique_ptr<MainWindowHarness> h;

private slots:
    void initTestCase() { h = std::make_unique<MainWindowHarness>(QStringLiteral("甲酸"), Fixture::Sources::Shipped); }
    void cleanupTestCase() { h.reset(); }

    void routesFollowTheKeyRoutes()
    {
        QStringList routes;
        for (int i = 0; i < h->w().Combo1->count(); ++i)
            routes << h->w().Combo1->itemText(i);
        QCOMPARE(routes.mid(routes.indexOf("元素")), (QStringList{"元素", "结构式", "相似结构"}));
    }

    void findsAndRanks_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("status");
        QTest::newRow("nitro on a benzene ring")
            << "结构式" << "c1ccccc1[N+](=O)[O-]" << "硝基苯" << QStringList{"对硝基苯胺", "邻硝基氯苯"}
            << "按结构式找到";
        QTest::newRow("benzene ring") << "结构式" << "c1ccccc1" << "苯" << QStringList{"苯酚", "阿司匹林"} << "";
        QTest::newRow("SMARTS carboxylic acid") << "结构式" << "[CX3](=O)[OX2H1]" << "" << QStringList{"乙酸", "苯甲酸"}
                                                << "";
        QTest::newRow("sulfate in salts") << "结构式" << "[O-]S(=O)(=O)[O-]" << "" << QStringList{"硫酸钠", "五水硫酸铜"}
                                          << "";
        QTest::newRow("like aspirin, by ~") << "结构式" << "~CC(=O)Oc1ccccc1C(=O)O" << "阿司匹林"
                                            << QStringList{"水杨酸"} << "按结构相似度找到";
        QTest::newRow("like aspirin, by the route") << "相似结构" << "CC(=O)Oc1ccccc1C(=O)O" << "阿司匹林"
                                                    << QStringList{"水杨酸"} << "按结构相似度找到";
    }
    void findsAndRanks()
    {
        QFETCH(QString, route);
        QFETCH(QString, text);
        QFETCH(QString, selected);
        QFETCH(QStringList, listed);
        QFETCH(QString, status);
        h->search(text, route);
        QVERIFY2(h->w().List1->count() > 0, qPrintable(text));
        QStringList names;
        for (const QString &entry : h->listEntries())
            names << firstName(entry);
        if (!selected.isEmpty()) {
            QCOMPARE(firstName(h->selectedEntry()), selected);
            QCOMPARE(names.first(), selected);
        }
        for (const QString &name : listed)
            QVERIFY2(names.contains(name), qPrintable(name));
        const QString message = h->w().StatusBar1->currentMessage();
        if (!status.isEmpty())
            QVERIFY2(message.startsWith(status), qPrintable(message));
        // The selected chemical's similarity is told.
        QVERIFY2(message.contains(QStringLiteral("与所查结构的相似度 ")), qPrintable(message));
        if (!selected.isEmpty())
            QVERIFY2(message.endsWith(QStringLiteral("相似度 1.00")), qPrintable(message));
        QCOMPARE(h->w().Label3->text(), QStringLiteral("找到 %1 个相关的化学品").arg(h->w().List1->count()));
        // The record on view is the selected chemical's, its structure at the end.
        const QString record = h->recordText();
        QVERIFY(record.contains(firstName(h->selectedEntry())));
        QVERIFY(record.contains(QStringLiteral("【结构式】")));
        QVERIFY(record.indexOf(QStringLiteral("【结构式】")) > record.indexOf(QStringLiteral("【用途】")));
        QVERIFY(record.contains(QStringLiteral("SMILES：")));
    }

    void theRecordShowsSmilesAndInchiKey()
    {
        h->search("CC(=O)Oc1ccccc1C(=O)O", "结构式");
        QCOMPARE(firstName(h->selectedEntry()), QStringLiteral("阿司匹林"));
        const QString record = h->recordText();
        QVERIFY(record.contains(QStringLiteral("SMILES：CC(=O)Oc1ccccc1C(=O)O")));
        QVERIFY(record.contains(QStringLiteral("InChIKey：BSYNRYMUTXBXSQ-UHFFFAOYSA-N")));
    }

    void aTextThatIsNoStructure_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("says");
        QTest::newRow("open ring") << "结构式" << "C1CC" << "结构式无法识别：第2个字符处环标记“1”没有闭合";
        QTest::newRow("Chinese text") << "结构式" << "苯环" << "结构式无法识别：第1个字符处“苯”不是结构式中的写法";
        QTest::newRow("similarity, bad letter") << "相似结构" << "CCx" << "结构式无法识别：第3个字符处";
    }
    void aTextThatIsNoStructure()
    {
        QFETCH(QString, route);
        QFETCH(QString, text);
        QFETCH(QString, says);
        h->search(text, route);
        QCOMPARE(h->w().List1->count(), 0);
        QVERIFY2(h->w().StatusBar1->currentMessage().startsWith(says),
                 qPrintable(h->w().StatusBar1->currentMessage()));
        QVERIFY(h->recordText().contains(says));
    }

    void nothingHoldsIt()
    {
        h->search("[U+6]", "结构式");
        QCOMPARE(h->w().List1->count(), 0);
        QCOMPARE(h->w().Label3->text(), QStringLiteral("找到 0 个相关的化学品"));
    }
};

QTEST_MAIN(TestStructureRoute)
#include "test_structureroute.moc"
