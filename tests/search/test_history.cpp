// The result list and the history: back, forward, the drop-down menus and
// clearing.
#include "search/HistoryCombo.h"
#include "search/SearchQueries.h"
#include "support/MainWindowHarness.h"
#include "support/WindowInput.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QTest>

using velmora::test::MainWindowHarness;
namespace input = velmora::test::input;

class TestHistory : public QObject {
    Q_OBJECT

    static QStringList menuTexts(QMenu *m)
    {
        QStringList out;
        for (QAction *a : m->actions())
            out << a->text();
        return out;
    }
    static bool back(velmora::app::MainWindow &w) { return w.toolbarButton(4)->isEnabled(); }
    static bool forward(velmora::app::MainWindow &w) { return w.toolbarButton(5)->isEnabled(); }

private slots:
    void navigationRule_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("i");
        QTest::addColumn<bool>("back");
        QTest::addColumn<bool>("forward");
        QTest::newRow("one entry, typed") << 1 << -1 << false << false;
        QTest::newRow("three, typed") << 3 << -1 << true << false;
        QTest::newRow("three, first") << 3 << 0 << false << true;
        QTest::newRow("three, middle") << 3 << 1 << true << true;
        QTest::newRow("three, last") << 3 << 2 << true << false;
    }
    void navigationRule()
    {
        QFETCH(int, n);
        QFETCH(int, i);
        const auto s = velmora::search::navigationState(n, i);
        QTEST(s.back, "back");
        QTEST(s.forward, "forward");
    }

    void walkBackAndForward()
    {
        MainWindowHarness h(QStringLiteral("不存在"));
        auto &w = h.w();
        QCOMPARE(w.Combo2->listCount(), 0);
        h.search("苯酚");   // A
        QCOMPARE(w.Combo2->listCount(), 1);
        QCOMPARE(w.Combo2->listIndex(), -1);
        QVERIFY(!back(w) && !forward(w));
        h.search("对苯二胺"); // B
        h.search("氯化钠");   // C
        QCOMPARE(w.Combo2->listCount(), 3);

        h.clickButton(4); // 后退
        QCOMPARE(w.Combo2->listIndex(), 1);
        QCOMPARE(w.Combo2->text(), QString("对苯二胺"));
        QVERIFY(h.recordText().contains("【中文名称】对苯二胺"));
        QVERIFY(back(w) && forward(w));

        h.press(Qt::Key_D, Qt::ControlModifier); // 后退
        QCOMPARE(w.Combo2->listIndex(), 0);
        QVERIFY(h.recordText().contains("【中文名称】苯酚；石炭酸"));
        QVERIFY(!back(w) && forward(w));

        // Back is disabled now: its button does nothing.
        h.clickButton(4);
        QCOMPARE(w.Combo2->listIndex(), 0);
        h.clickButton(5); // 前进
        QCOMPARE(w.Combo2->listIndex(), 1);
        QVERIFY(back(w) && forward(w));
        h.press(Qt::Key_U, Qt::ControlModifier); // 前进
        QCOMPARE(w.Combo2->listIndex(), 2);
        QVERIFY(h.recordText().contains("【中文名称】氯化钠；食盐"));
        QVERIFY(back(w) && !forward(w));
        QCOMPARE(w.menuEntry("up")->isEnabled(), false);
        QCOMPARE(w.menuEntry("down")->isEnabled(), true);

        QCOMPARE(menuTexts(w.buttonMenu(4)), (QStringList{"苯酚；石炭酸", "对苯二胺", "氯化钠；食盐"}));
        QCOMPARE(menuTexts(w.buttonMenu(5)), (QStringList{"氯化钠", "对苯二胺"}));
        // The history does not move the result file; the list click does.
        QCOMPARE(h.resultFile(), QString("氯化钠"));
    }

    void sameChemicalTwiceIsKeptTwice()
    {
        MainWindowHarness h(QStringLiteral("苯酚"));
        auto &w = h.w();
        h.show();
        // A click on the selected entry shows it again, and so does Enter.
        input::click(w.List1, w.List1->visualRowRect(w.List1->currentRow()).center());
        QCOMPARE(w.Combo2->listCount(), 2);
        h.press(Qt::Key_Return);
        QCOMPARE(w.Combo2->listCount(), 3);
        QCOMPARE(w.Combo2->itemText(0), w.Combo2->itemText(1));
        QCOMPARE(w.Combo2->itemText(1), w.Combo2->itemText(2));
    }

    void arrowsAndEnterInTheList()
    {
        MainWindowHarness h(QStringLiteral("苯"));
        auto &w = h.w();
        h.show();
        QCOMPARE(h.listEntries(), (QStringList{"苯", "苯酚；石炭酸", "对苯二胺"}));
        input::click(w.List1, w.List1->visualRowRect(0).center());
        // Moving the selection shows the entry it lands on.
        h.press(Qt::Key_Down);
        QCOMPARE(h.selectedEntry(), QString("苯酚；石炭酸"));
        QVERIFY(h.recordText().contains("【中文名称】苯酚；石炭酸"));
        const int history = w.Combo2->listCount();
        h.press(Qt::Key_Return);
        QCOMPARE(w.Combo2->listCount(), history + 1);
        QCOMPARE(w.Combo2->itemText(history), QString("苯酚；石炭酸"));
    }

    void clearingTheHistory()
    {
        MainWindowHarness h;
        h.search("苯");
        h.clickButton(7); // 清除
        QCOMPARE(h.w().Combo2->listCount(), 0);
        QCOMPARE(h.w().Combo2->text(), QString());
        QVERIFY(!back(h.w()) && !forward(h.w()));
        QVERIFY(h.w().buttonMenu(4)->actions().isEmpty());
        QVERIFY(h.w().buttonMenu(5)->actions().isEmpty());
    }

    void jumpsFromTheDropDownMenus()
    {
        MainWindowHarness h(QStringLiteral("甲酸"));
        auto &w = h.w();
        h.search("苯");
        const int historyBefore = w.Combo2->listCount();
        QVERIFY(input::chooseFromButtonMenu(w.toolbarWidget(4), "甲酸；蚁酸"));
        QCOMPARE(w.Combo2->text(), QString("甲酸；蚁酸"));
        QVERIFY(h.recordText().contains("【中文名称】甲酸；蚁酸"));
        QCOMPARE(w.Combo2->listCount(), historyBefore);

        // A special character: no name equals it, the record stays.
        const QString before = h.recordText();
        QCOMPARE(menuTexts(w.buttonMenu(18)), (QStringList{"℃", "α", "β", "γ", "～", "°", "′", "〞", "±"}));
        QVERIFY(input::chooseFromButtonMenu(w.toolbarWidget(18), "℃"));
        QCOMPARE(w.Combo2->text(), QString("℃"));
        QCOMPARE(h.recordText(), before);
    }

    void englishRouteLooksUpEnglishNames()
    {
        MainWindowHarness h;
        h.search("benzol", "英文名称");
        QCOMPARE(h.w().Combo2->listCount(), 2);
        const QString before = h.recordText();
        h.clickButton(4); // the Chinese name 甲酸；蚁酸 is no English name
        QCOMPARE(h.recordText(), before);
    }
};

QTEST_MAIN(TestHistory)
#include "test_history.moc"
