// What a chemist types, searched through the window on the shipped data:
// the routes CAS号, 拼音 and 元素, formulas as written on the formula route,
// the name routes' second try, and English names whatever their case.
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

class TestTypedRoutes : public QObject {
    Q_OBJECT
    std::unique_ptr<MainWindowHarness> h;

private slots:
    void initTestCase() { h = std::make_unique<MainWindowHarness>(QStringLiteral("甲酸"), Fixture::Sources::Shipped); }
    void cleanupTestCase() { h.reset(); }

    void findsAndSelects_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("selected"); // first Chinese name of the selected entry
        QTest::addColumn<QString>("status");   // "" when the status bar is not checked

        // The name routes try a CAS number, a formula and pinyin when no name holds the text.
        QTest::newRow("CAS on the name route") << "中文名称" << "64-17-5" << "乙醇" << "按CAS号找到 1 个化学品";
        QTest::newRow("CAS without hyphens") << "中文名称" << "64175" << "乙醇" << "按CAS号找到 1 个化学品";
        QTest::newRow("formula on the name route") << "中文名称" << "H2SO4" << "硫酸" << "";
        QTest::newRow("pinyin") << "中文名称" << "yichun" << "乙醇" << "";
        QTest::newRow("pinyin spaced") << "中文名称" << "yi chun" << "乙醇" << "";
        QTest::newRow("pinyin with a character") << "中文名称" << "乙chun" << "乙醇" << "";
        QTest::newRow("initials") << "中文名称" << "yc" << "乙醇" << "按拼音找到";
        // A name that holds the text still wins: no second try.
        QTest::newRow("name first") << "中文名称" << "乙醇" << "乙醇" << "";

        // Formulas as written, exact composition before the prefix matches.
        QTest::newRow("C2H5OH") << "分子式" << "C2H5OH" << "乙醇" << "按分子式找到";
        QTest::newRow("C2H6O") << "分子式" << "C2H6O" << "乙醇" << "";
        QTest::newRow("SO4H2") << "分子式" << "SO4H2" << "硫酸" << "";
        QTest::newRow("CH3COOH") << "分子式" << "CH3COOH" << "乙酸" << "";
        QTest::newRow("hydrate with a dot") << "分子式" << "CuSO4.5H2O" << "五水硫酸铜" << "";
        QTest::newRow("hydrate with a middle dot") << "分子式" << "CuSO4·5H2O" << "五水硫酸铜" << "";
        QTest::newRow("hydrate with a star") << "分子式" << "CuSO4.5H2O" << "五水硫酸铜" << "";
        QTest::newRow("brackets") << "分子式" << "Ca(OH)2" << "氢氧化钙" << "";
        QTest::newRow("polymer as its unit") << "分子式" << "(C2H4)n" << "聚乙烯" << "";
        QTest::newRow("lower case, one reading") << "分子式" << "c2h6o" << "乙醇" << "";

        QTest::newRow("CAS route") << "CAS号" << "7664-93-9" << "硫酸" << "按CAS号找到 1 个化学品";
        QTest::newRow("pinyin route") << "拼音" << "liusuan" << "硫酸" << "按拼音找到";
        QTest::newRow("chemical reading") << "拼音" << "chonggesuanjia" << "重铬酸钾" << "";
        QTest::newRow("element route") << "元素" << "Fe" << "" << "按元素找到";
    }
    void findsAndSelects()
    {
        QFETCH(QString, route);
        QFETCH(QString, text);
        QFETCH(QString, selected);
        QFETCH(QString, status);
        h->search(text, route);
        QVERIFY2(h->w().List1->count() > 0, qPrintable(text));
        if (!selected.isEmpty())
            QCOMPARE(firstName(h->selectedEntry()), selected);
        if (!status.isEmpty())
            QVERIFY2(h->w().StatusBar1->currentMessage().startsWith(status),
                     qPrintable(h->w().StatusBar1->currentMessage()));
        QCOMPARE(h->w().Label3->text(), QStringLiteral("找到 %1 个相关的化学品").arg(h->w().List1->count()));
        // The record on view is the selected chemical's.
        QVERIFY(h->recordText().contains(firstName(h->selectedEntry())));
    }

    void elementsAnywhere()
    {
        h->search("Fe", "元素");
        const QStringList iron = h->listEntries();
        QVERIFY(iron.size() > 10);
        QVERIFY(std::any_of(iron.begin(), iron.end(), [](const QString &e) { return e.startsWith("三氯化铁"); })
                || std::any_of(iron.begin(), iron.end(), [](const QString &e) { return e.contains("氯化铁"); }));
        QVERIFY(std::any_of(iron.begin(), iron.end(), [](const QString &e) { return e.contains("铁氰化钾"); })
                || std::any_of(iron.begin(), iron.end(), [](const QString &e) { return e.contains("亚铁氰化钾"); }));

        h->search("F", "元素");
        const QStringList fluorine = h->listEntries();
        QVERIFY(!fluorine.isEmpty());
        for (const QString &e : fluorine)
            QVERIFY2(!e.contains("铁") || e.contains("氟"), qPrintable(e));

        h->search("Cu S", "元素");
        const QStringList both = h->listEntries();
        QVERIFY(std::any_of(both.begin(), both.end(), [](const QString &e) { return e.contains("硫酸铜"); }));
        h->search("CuS", "元素"); // run together: the same two symbols
        QCOMPARE(h->listEntries(), both);
    }

    void whatCannotBeLookedUpIsSaid()
    {
        auto &w = h->w();
        h->search("64-17-6", "中文名称");
        QCOMPARE(w.List1->count(), 0);
        QCOMPARE(w.StatusBar1->currentMessage(), QString("CAS号校验位不对，应为 5（64-17-5）。"));
        QVERIFY(h->recordText().contains("CAS号校验位不对，应为 5"));
        QCOMPARE(w.Label3->text(), QString("找到 0 个相关的化学品"));

        h->search("64-17-6", "CAS号");
        QVERIFY(h->recordText().contains("CAS号校验位不对，应为 5"));

        h->search("Xq", "元素");
        QCOMPARE(w.List1->count(), 0);
        QCOMPARE(w.StatusBar1->currentMessage(), QString("元素符号无法识别：Xq"));

        // Text that is nothing at all: the ordinary not-found text.
        h->search("qqqqzzzz", "中文名称");
        QCOMPARE(w.List1->count(), 0);
        QVERIFY(h->recordText().contains("你所要找的化学品未找到"));
    }

    void englishNamesIgnoreCase()
    {
        h->search("Ethanol", "英文名称");
        const QStringList names = h->selectedEntry().split(';');
        QVERIFY2(names.contains("ethanol", Qt::CaseInsensitive), qPrintable(h->selectedEntry()));
        // A CAS number on the English route lists English names.
        h->search("64-17-5", "英文名称");
        QVERIFY(h->selectedEntry().split(';').contains("ethanol", Qt::CaseInsensitive));
    }

    void editCommandsFollowTheList()
    {
        // The typed-key routes list Chinese names, so the edit commands can
        // find the chemical; the English route keeps them off.
        h->search("64-17-5", "CAS号");
        QVERIFY(h->w().recordCommandsEnabled());
        h->search("64-17-5", "英文名称");
        QVERIFY(!h->w().recordCommandsEnabled());
    }
};

QTEST_MAIN(TestTypedRoutes)
#include "test_typedroutes.moc"
