// The category tree: building it from the index, clicking headings and
// chemical leaves.
#include "category/CategoryTree.h"
#include "search/HistoryCombo.h"
#include "app/TabStrip.h"
#include "support/SqlFile.h"
#include "support/MainWindowHarness.h"
#include "support/WindowInput.h"

#include <QAction>
#include <QCoreApplication>
#include <QTabBar>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>
#include <sqlite3.h>

using velmora::category::CategoryTree;
using velmora::category::TreeBuildError;
using velmora::test::MainWindowHarness;

using velmora::test::exec;

namespace {

// Replaces table index by rows "A|B|X" ("-" for an empty cell).
void setIndex(MainWindowHarness &h, const QStringList &rows)
{
    QString sql = QStringLiteral("DELETE FROM \"index\";");
    for (const QString &row : rows) {
        QStringList values;
        for (const QString &cell : row.split(QLatin1Char('|')))
            values << (cell == QLatin1String("-") ? QStringLiteral("NULL") : QLatin1Char('\'') + cell + QLatin1Char('\''));
        sql += QStringLiteral("INSERT INTO \"index\" (第一级标题, 第二级标题, 第三级标题) VALUES (%1);")
                   .arg(values.join(QLatin1Char(',')));
    }
    exec(h.fixture().file(QStringLiteral("\\data\\index.data")), sql);
}

void addChemical(MainWindowHarness &h, const QString &name, const QString &formula, const QString &first,
                 const QString &second, const QString &third)
{
    exec(h.fixture().file(QStringLiteral("\\data\\sj1.data")),
         QStringLiteral("INSERT INTO sj (中文名称, 分子式, 第一级标题, 第二级标题, 第三级标题) "
                        "VALUES ('%1', '%2', '%3', '%4', %5)")
             .arg(name, formula, first, second,
                  third.isEmpty() ? QStringLiteral("NULL") : QLatin1Char('\'') + third + QLatin1Char('\'')));
}

// "A(B(X) C(Y)) D": the nodes in tree order, children in parentheses.
QString shape(QTreeWidgetItem *item)
{
    QStringList children;
    for (int i = 0; i < item->childCount(); ++i)
        children << shape(item->child(i));
    return children.isEmpty() ? item->text(0) : item->text(0) + QLatin1Char('(') + children.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QString shape(QTreeWidget *tree)
{
    QStringList roots;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        roots << shape(tree->topLevelItem(i));
    return roots.join(QLatin1Char(' '));
}

QStringList leaves(QTreeWidgetItem *heading)
{
    QStringList out;
    for (int i = 0; heading && i < heading->childCount(); ++i)
        if (CategoryTree::imageOf(heading->child(i)) == 3)
            out << heading->child(i)->text(0);
    return out;
}

QStringList menuTexts(QMenu *menu)
{
    QStringList out;
    for (QAction *a : menu->actions())
        out << a->text();
    return out;
}

} // namespace

class TestCategoryTree : public QObject {
    Q_OBJECT

    static CategoryTree &tree(MainWindowHarness &h) { return h.w().categoryTree(); }
    // Shows the tree tab with a click on it, as a person does.
    static void showTree(MainWindowHarness &h)
    {
        QTreeWidget *view = h.w().TreeView1;
        if (view->isVisible() && h.w().isActiveWindow())
            return;
        h.show();
        QTabBar *tabs = h.w().TabStrip1->tabs();
        velmora::test::input::click(tabs, tabs->tabRect(0).center());
        QTRY_VERIFY(view->isVisible());
    }
    // Clicks a node of the tree with the mouse; its handling is queued.
    static void clickItem(MainWindowHarness &h, QTreeWidgetItem *item)
    {
        QVERIFY(item);
        showTree(h);
        QTreeWidget *view = h.w().TreeView1;
        view->scrollToItem(item);
        QCoreApplication::processEvents(); // the tree lays out what opened
        const QRect at = view->visualItemRect(item);
        QVERIFY(view->viewport()->rect().contains(at.center()));
        const QString text = item->text(0);
        // The click's handling may rebuild the tree: the item is not used
        // after it.
        velmora::test::input::click(view->viewport(), at.center());
        QCoreApplication::processEvents(); // the queued click handling
        QVERIFY(view->currentItem());
        QCOMPARE(view->currentItem()->text(0), text);
    }
    static void click(MainWindowHarness &h, const QString &heading)
    {
        QTreeWidgetItem *node = tree(h).node(heading);
        QVERIFY2(node, qPrintable(heading));
        clickItem(h, node);
    }
    static QTreeWidgetItem *leaf(MainWindowHarness &h, const QString &heading, const QString &name)
    {
        QTreeWidgetItem *parent = tree(h).node(heading);
        for (int i = 0; parent && i < parent->childCount(); ++i)
            if (parent->child(i)->text(0) == name)
                return parent->child(i);
        return nullptr;
    }

private slots:
    void buildsFromTheIndex_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("stops");
        QTest::newRow("two second-level headings") << QStringList{"A|B|X", "A|C|Y"} << "A(B(X) C(Y))" << false;
        QTest::newRow("a second-level text under two firsts")
            << QStringList{"A|B|X", "D|B|Z"} << "A(B(X Z)) D" << false;
        QTest::newRow("nodes in the order of their level")
            << QStringList{"B|Q|-", "A|P|-", "A|O|-"} << "A(O P) B(Q)" << false;
        QTest::newRow("a text used at two levels") << QStringList{"A|B|X", "C|A|Y"} << "A C" << true;
        QTest::newRow("a child without its parent") << QStringList{"A|-|X", "B|C|-"} << "A B(C)" << true;
    }
    void buildsFromTheIndex()
    {
        QFETCH(QStringList, rows);
        MainWindowHarness h;
        setIndex(h, rows);
        tree(h).clearTree();
        bool stopped = false;
        try {
            h.w().bia_bia();
        } catch (const TreeBuildError &) {
            stopped = true;
        }
        QTEST(stopped, "stops");
        QTEST(shape(h.w().TreeView1), "expected");
        for (QTreeWidgetItemIterator it(h.w().TreeView1); *it; ++it)
            QCOMPARE(CategoryTree::imageOf(*it), 1);
    }

    void startUpKeepsTheNodesBeforeAClash()
    {
        MainWindowHarness h;
        setIndex(h, {"A|B|X", "C|A|Y"});
        velmora::app::MainWindow second;
        second.Form_Load();
        QCOMPARE(shape(second.TreeView1), QString("A C"));
        QVERIFY(second.List1->count() > 0); // the rest of the start-up ran
    }

    void headingClicksCountTheirChemicals()
    {
        MainWindowHarness h;
        // A chemical filed elsewhere whose second heading is the clicked text.
        addChemical(h, "颜料黄", "C16H12N4O4", "颜料", "染料", "");
        setIndex(h, {"有机化学品|羧酸|脂肪族羧酸", "有机化学品|芳香烃|单环芳烃", "染料|中间体|苯系中间体",
                     "无机化学品|钾盐|-"});
        tree(h).clearTree();
        h.w().bia_bia();

        click(h, "有机化学品");
        QCOMPARE(h.w().Label3->text(), QString("找到 6 个相关的化学品"));
        QCOMPARE(h.w().TreeView1->currentItem(), tree(h).node("有机化学品"));
        QVERIFY(tree(h).node("有机化学品")->isExpanded());
        QCOMPARE(h.w().recordCommandsEnabled(), false);

        click(h, "染料");
        QCOMPARE(h.w().Label3->text(), QString("找到 2 个相关的化学品"));
        QVERIFY(leaves(tree(h).node("染料")).isEmpty()); // its first chemical has a second heading

        click(h, "芳香烃");
        QCOMPARE(h.w().Label3->text(), QString("找到 2 个相关的化学品"));
        QVERIFY(leaves(tree(h).node("芳香烃")).isEmpty());

        click(h, "钾盐");
        QCOMPARE(h.w().Label3->text(), QString("找到 0 个相关的化学品"));
        QVERIFY(leaves(tree(h).node("钾盐")).isEmpty());
    }

    void secondLevelWithoutThirdHeadingHangsLeaves()
    {
        MainWindowHarness h;
        addChemical(h, "铁", "Fe", "无机化学品", "单质", "");
        addChemical(h, "铜", "Cu", "无机化学品", "单质", "");
        setIndex(h, {"无机化学品|单质|-", "无机化学品|钠盐|卤化物"});
        tree(h).clearTree();
        h.w().bia_bia();
        click(h, "单质");
        QCOMPARE(leaves(tree(h).node("单质")), (QStringList{"铁", "铜"}));
        QCOMPARE(h.w().Label3->text(), QString("找到 2 个相关的化学品"));
    }

    void thirdLevelLeavesAndALeafClick()
    {
        MainWindowHarness h;
        auto &w = h.w();
        const int history = w.Combo2->listCount();
        const int backEntries = w.buttonMenu(4)->actions().size();

        click(h, "单环芳烃");
        QTreeWidgetItem *heading = tree(h).node("单环芳烃");
        QCOMPARE(leaves(heading), (QStringList{"苯", "苯酚；石炭酸"}));
        QVERIFY(heading->isExpanded());
        QVERIFY(heading->parent()->isExpanded() && heading->parent()->parent()->isExpanded());
        QCOMPARE(w.TreeView1->currentItem(), heading);
        QCOMPARE(w.Label3->text(), QString("找到 2 个相关的化学品"));

        clickItem(h, leaf(h, "单环芳烃", "苯"));
        QVERIFY(h.recordText().contains("【中文名称】苯"));
        QCOMPARE(w.Combo2->text(), QString("苯"));
        QCOMPARE(h.listEntries(), QStringList{"苯"});
        QCOMPARE(w.Combo2->listCount(), history + 1);
        QCOMPARE(menuTexts(w.buttonMenu(4)).mid(backEntries), (QStringList{"苯", "苯"}));
        QCOMPARE(h.resultFile(), QString("苯"));
        QCOMPARE(w.Label3->text(), QString("找到 1 个相关的化学品"));
        QVERIFY(w.recordCommandsEnabled());
        QVERIFY(w.toolbarButton(4)->isEnabled());

        // Another heading rebuilds the tree: the leaves are gone.
        click(h, "吡啶类");
        QVERIFY(leaves(tree(h).node("单环芳烃")).isEmpty());
        QCOMPARE(leaves(tree(h).node("吡啶类")), QStringList{"2,2'-联吡啶"});
        QVERIFY(!w.recordCommandsEnabled());
    }

    // After a click on a heading with chemicals, the heading and as many of
    // them as fit are in view, whether all fit or not.
    void aHeadingClickShowsItsChemicals_data()
    {
        QTest::addColumn<int>("chemicals");
        QTest::newRow("a few") << 3;
        QTest::newRow("more than the view holds") << 60;
    }
    void aHeadingClickShowsItsChemicals()
    {
        QFETCH(int, chemicals);
        MainWindowHarness h;
        auto &w = h.w();
        for (int i = 0; i < chemicals; ++i)
            addChemical(h, QStringLiteral("盐样品%1").arg(i, 2, 10, QLatin1Char('0')), "NaX", "无机化学品", "钠盐", "卤化物");
        // Many headings above it, so that it sits at the bottom of the view.
        QStringList rows;
        for (int i = 0; i < 40; ++i)
            rows << QStringLiteral("无机化学品|钠盐|类%1").arg(i, 2, 10, QLatin1Char('0'));
        rows << "有机化学品|羧酸|脂肪族羧酸" << "无机化学品|钠盐|卤化物";
        setIndex(h, rows);
        tree(h).clearTree();
        w.bia_bia();
        w.resize(900, 600);
        showTree(h);

        QTreeWidget *view = w.TreeView1;
        click(h, "无机化学品");
        click(h, "钠盐");
        click(h, "卤化物");
        QTRY_COMPARE(tree(h).currentHeading(), QString("卤化物"));
        QTreeWidgetItem *heading = tree(h).node("卤化物");
        QVERIFY(leaves(heading).size() >= chemicals);

        const QRect inView = view->viewport()->rect();
        const auto shown = [&](QTreeWidgetItem *item) {
            const QRect r = view->visualItemRect(item);
            return r.isValid() && r.top() >= inView.top() && r.bottom() <= inView.bottom();
        };
        QVERIFY(shown(heading));
        QTreeWidgetItem *last = heading->child(heading->childCount() - 1);
        if (chemicals < 10) {
            QVERIFY(shown(last));
        } else {
            // The heading at the top edge, leaves down to the bottom edge.
            QVERIFY(view->visualItemRect(heading).top() <= view->visualItemRect(heading).height());
            QVERIFY(!shown(last));
            int visible = 0;
            for (int i = 0; i < heading->childCount(); ++i)
                visible += shown(heading->child(i)) ? 1 : 0;
            QVERIFY(visible * view->visualItemRect(last).height() > inView.height() - 3 * view->visualItemRect(last).height());
        }
    }

    void awkwardTexts_data()
    {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("name");
        QTest::newRow("quotes") << "2,2'-联吡啶类" << "2,2'-联吡啶";
        QTest::newRow("wildcard characters in a name") << "溶剂油" << "200#溶剂油*?";
    }
    void awkwardTexts()
    {
        QFETCH(QString, heading);
        QFETCH(QString, name);
        MainWindowHarness h;
        const QString h2 = QString(heading).replace("'", "''"), n2 = QString(name).replace("'", "''");
        exec(h.fixture().file("\\data\\sj1.data"),
             QStringLiteral("UPDATE sj SET 第三级标题 = '%1', 中文名称 = '%2' WHERE 第三级标题 = '吡啶类'").arg(h2, n2));
        exec(h.fixture().file("\\data\\index.data"),
             QStringLiteral("UPDATE \"index\" SET 第三级标题 = '%1' WHERE 第三级标题 = '吡啶类'").arg(h2));
        tree(h).clearTree();
        h.w().bia_bia();

        click(h, heading);
        QCOMPARE(h.w().Label3->text(), QString("找到 1 个相关的化学品"));
        QCOMPARE(leaves(tree(h).node(heading)), QStringList{name});
        clickItem(h, leaf(h, heading, name));
        QVERIFY(h.recordText().contains("【中文名称】" + name));
        QCOMPARE(h.listEntries(), QStringList{name});
        QCOMPARE(h.w().Label3->text(), QString("找到 1 个相关的化学品"));
    }

    void aFailedQueryKeepsThePreviousResult()
    {
        MainWindowHarness h;
        setIndex(h, {"有机化学品|芳香烃|[苯系]"});
        tree(h).clearTree();
        h.w().bia_bia();
        click(h, "芳香烃");
        click(h, "[苯系]"); // a pattern the engine refuses
        QCOMPARE(h.w().Label3->text(), QString("找到 2 个相关的化学品"));
        QVERIFY(!h.w().TreeView1->isHidden());
        QVERIFY(tree(h).node("芳香烃"));
    }

    void aClickQueuedOnARemovedNodeIsDropped()
    {
        MainWindowHarness h;
        auto &w = h.w();
        // Two clicks queued at once cannot come from the mouse (the second
        // waits in the window system's queue): the handlers are driven
        // directly here, on the window as loaded.
        w.TabStrip1_Click(1);
        tree(h).NodeClick(tree(h).node("单环芳烃"));
        const int history = w.Combo2->listCount();
        // Both clicks are queued before the first runs; the first rebuilds
        // the tree, which takes out the leaf of the second.
        emit w.TreeView1->itemClicked(tree(h).node("吡啶类"), 0);
        emit w.TreeView1->itemClicked(leaf(h, "单环芳烃", "苯"), 0);
        QTest::qWait(50);
        QCOMPARE(tree(h).currentHeading(), QString("吡啶类"));
        QCOMPARE(w.TreeView1->currentItem(), tree(h).node("吡啶类"));
        QCOMPARE(w.Combo2->listCount(), history);
        QVERIFY(leaves(tree(h).node("单环芳烃")).isEmpty());
    }
};

QTEST_MAIN(TestCategoryTree)
#include "test_categorytree.moc"
