// The main window's layout and split rules in twips, and the window's
// minimum size and tab rule.
#include "app/MainLayout.h"
#include "app/Twips.h"
#include "support/MainWindowHarness.h"
#include "support/WindowInput.h"
#include "search/HistoryCombo.h"
#include "app/SplitBar.h"
#include "app/TabStrip.h"

#include <QTabBar>

#include <QListWidget>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

using namespace velmora::app;

class TestLayout : public QObject {
    Q_OBJECT

    static MainLayoutInput input(int w, int h)
    {
        MainLayoutInput in;
        in.width = w;
        in.height = h;
        in.toolbar1Height = 720;
        in.toolbar2Height = 420;
        in.statusBarHeight = 330;
        in.label3Height = 255;
        in.combo1Width = 2100;
        in.image8Height = 840;
        return in;
    }

private slots:
    void layoutRule()
    {
        const MainLayout l = MainLayout::resize(input(9000, 6000));
        QCOMPARE(l.toolbar1, QRect(50, 0, 9000, 720));
        QCOMPARE(l.toolbar2, QRect(50, 720, 9000, 420));
        QCOMPARE(l.combo2.left(), 5350);
        QCOMPARE(l.combo2.width(), 9000 - 5350 - 80);
        // The left pane is as wide as the route box's middle.
        QCOMPARE(l.tabStrip, QRect(100, 1190, 1800 + 1050, 6000 - 330 - 910 - 255 - 60 - 720 - 420 - 120));
        QCOMPARE(l.list1, QRect(150, 1240, 2750, l.tabStrip.height() - 400));
        QCOMPARE(l.treeView1.height(), l.tabStrip.height() - 450);
        QCOMPARE(l.richTextBox1, QRect(100 + 2850 + 20, 1190, 9000 - 2850 - 150, 6000 - 720 - 420 - 330 - 50));
        QCOMPARE(l.splitBar1.left(), 100 + 2850);
        QCOMPARE(l.splitBar1.height(), l.richTextBox1.height());
        QCOMPARE(l.image8, QRect(100, 6000 - 330 - 910, 2850, 840));
        QCOMPARE(l.label3, QRect(100, l.image8.top() - 255 - 60, 2850, 255));
    }

    void splitRule_data()
    {
        QTest::addColumn<int>("moved");
        QTest::addColumn<int>("left");
        QTest::newRow("far left") << 200 << 1215;
        QTest::newRow("far right") << 8000 << 5310;
        QTest::newRow("between") << 3000 << 3000;
    }
    void splitRule()
    {
        QFETCH(int, moved);
        QFETCH(int, left);
        const MainLayoutInput in = input(9000, 6000);
        const MainLayout l = MainLayout::split(MainLayout::resize(in), in, moved);
        QCOMPARE(l.splitBar1.left(), left);
        QCOMPARE(l.tabStrip.width(), left - 100);
        QCOMPARE(l.list1.width(), left - 200);
        QCOMPARE(l.label3.width(), left - 100);
        QCOMPARE(l.richTextBox1.left(), left + 20);
        QCOMPARE(l.richTextBox1.width(), 9000 - (left - 100) - 150);
        QCOMPARE(l.richTextBox1.height(), 6000 - 720 - 2 * 420 - 100);
    }

    void windowFollowsTheRules()
    {
        Twips::setDpiOverride(96);
        velmora::test::MainWindowHarness h;
        MainWindow &w = h.w();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.size(), QSize(614, 446)); // 9210 x 6690 twips
        // The list tab is selected and the tree hidden.
        QVERIFY(w.List1->isVisible());
        QVERIFY(!w.TreeView1->isVisible());

        // Too small: back to the least size, whose client area is the
        // minimum inner size and keeps the search box usable.
        QTRY_VERIFY(w.contentsMargins().top() > 0); // the skin is on
        w.resize(300, 200);
        QTest::qWait(20);
        QCOMPARE(w.size(), w.minimumSize());
        QCOMPARE(w.centralWidget()->width(), Twips::toPixelsX(MainLayout::MinWidth));
        QCOMPARE(w.centralWidget()->height(), Twips::toPixelsY(MainLayout::MinHeight));
        QVERIFY(w.Combo2->width() >= Twips::toPixelsX(MainLayout::MinSearchBoxWidth) - 1);

        w.resize(900, 700);
        QTest::qWait(20);
        const QRect list = w.List1->geometry();
        // The split bar dragged with the mouse to the far left and right.
        const QPoint grip = w.SplitBar1->rect().center();
        velmora::test::input::drag(w.SplitBar1, grip, QPoint(-2000, grip.y()));
        QCOMPARE(w.layoutTwips().splitBar1.left(), 1215);
        QCOMPARE(w.List1->width(), Twips::toPixelsX(1215 - 200));
        velmora::test::input::drag(w.SplitBar1, grip, QPoint(2000, grip.y()));
        QCOMPARE(w.layoutTwips().splitBar1.left(), 5310);
        w.resize(901, 700);
        QTest::qWait(20);
        QCOMPARE(w.List1->geometry(), list.adjusted(0, 0, 0, 0)); // the next resize resets the pane
        Twips::setDpiOverride(0);
    }

    void shownWindowsWearTheSkin()
    {
        velmora::test::MainWindowHarness h;
        MainWindow &w = h.w();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // The skin is put on just after the first show: the caption and
        // frame become margins around the client area.
        QTRY_VERIFY(w.findChild<QObject *>("cNeoCaption", Qt::FindDirectChildrenOnly));
        QTRY_VERIFY(w.contentsMargins().top() >= 40);
        QVERIFY(w.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(w.isVisible());
        // The layout follows the client area inside the frame.
        QCOMPARE(w.centralWidget()->width(), w.contentsRect().width());
        w.showAbout();
        QTRY_VERIFY(w.aboutWindow()->contentsMargins().top() >= 40);
    }

    void tabRule()
    {
        velmora::test::MainWindowHarness h(QStringLiteral("苯"));
        MainWindow &w = h.w();
        h.show();
        QTabBar *tabs = w.TabStrip1->tabs();
        velmora::test::input::click(tabs, tabs->tabRect(0).center());
        QVERIFY(!w.recordCommandsEnabled());
        QCOMPARE(w.StatusBar1->currentMessage(),
                 QString("常用化学品，你可以通过常用化学品目录找到你所需要的化学品。"));
        QVERIFY(w.TreeView1->isVisible() && !w.List1->isVisible());
        velmora::test::input::click(tabs, tabs->tabRect(1).center());
        QVERIFY(w.recordCommandsEnabled());
        QCOMPARE(w.StatusBar1->currentMessage(), QString("列表，显示所有符合条件的化学品。"));
        h.chooseRoute("英文名称");
        velmora::test::input::click(tabs, tabs->tabRect(0).center());
        velmora::test::input::click(tabs, tabs->tabRect(1).center());
        QVERIFY(!w.recordCommandsEnabled());
    }
};

QTEST_MAIN(TestLayout)
#include "test_layout.moc"
