// The route selector, the property and use routes, and the exact query
// texts every route sends.
#include "app/TabStrip.h"
#include "db/DataSource.h"
#include "record/RichTextBox.h"
#include "search/HistoryCombo.h"
#include <QLabel>
#include "search/SearchQueries.h"
#include "support/MainWindowHarness.h"
#include "support/WindowInput.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QTextDocument>

using velmora::test::MainWindowHarness;
namespace queries = velmora::search::queries;

class TestRoutes : public QObject {
    Q_OBJECT
private slots:
    void queryTexts()
    {
        QCOMPARE(queries::name("中文名称", "甲酸"),
                 QString("select * from sj where 中文名称 like '*甲酸*' order by 中文标记"));
        QCOMPARE(queries::name("英文名称", "acid"),
                 QString("select * from sj where 英文名称 like '*acid*' order by 英文标记"));
        QCOMPARE(queries::property("密度", "1.22"),
                 QString("select * from sj where 密度 like '1.22*' order by 中文标记"));
        QCOMPARE(queries::use("用途", "塑料；填料"),
                 QString("select * from sj where 用途 like '*塑料*' and 用途 like '*填料*' order by 中文标记"));
        QCOMPARE(queries::use("用途", "塑料；"),
                 QString("select * from sj where 用途 like '*塑料*' and 用途 like '**' order by 中文标记"));
        QCOMPARE(queries::exact("中文名称", "甲酸；蚁酸"), QString("Select * from sj where 中文名称 = '甲酸；蚁酸'"));
        // Quotes are doubled, in every builder.
        QCOMPARE(queries::exact("英文名称", "2,2'-bipyridine"),
                 QString("Select * from sj where 英文名称 = '2,2''-bipyridine'"));
        QCOMPARE(queries::use("用途", "a'b"),
                 QString("select * from sj where 用途 like '*a''b*' order by 中文标记"));
    }

    void routeList()
    {
        MainWindowHarness h;
        QStringList routes;
        for (int i = 0; i < h.w().Combo1->count(); ++i)
            routes << h.w().Combo1->itemText(i);
        QCOMPARE(routes.mid(0, 9), (QStringList{"中文名称", "英文名称", "用途", "密度", "熔点", "沸点", "折射率",
                                                 "分子式", "分子量"}));
        QCOMPARE(h.w().Combo1->currentText(), QString("中文名称"));
        QVERIFY(!h.w().Combo1->isEditable());
    }

    void routeSwitchSetsPromptAndCommands()
    {
        MainWindowHarness h(QStringLiteral("不存在"));
        auto &w = h.w();
        h.chooseRoute("英文名称");
        QVERIFY(!w.recordCommandsEnabled());
        QCOMPARE(w.StatusBar1->currentMessage(),
                 QString("输入化学品的英文名称，包括学名、常用名、俗名等，或名称的关键字。"));
        h.chooseRoute("中文名称"); // enabled again, even with an empty list
        QVERIFY(w.recordCommandsEnabled());
        h.chooseRoute("用途");
        QCOMPARE(w.StatusBar1->currentMessage(),
                 QString("输入化学品相关用途关键字，可单条件或多条件检索。单条件如：塑料，多条件如：塑料；填料。"));
        QVERIFY(!w.recordCommandsEnabled());
    }

    void typingShowsTheListTab()
    {
        MainWindowHarness h;
        auto &w = h.w();
        h.show();
        QTabBar *tabs = w.TabStrip1->tabs();
        velmora::test::input::click(tabs, tabs->tabRect(0).center());
        QCOMPARE(w.TabStrip1->selectedTab(), 1);
        velmora::test::input::click(w.Combo2);
        QCOMPARE(w.TabStrip1->selectedTab(), 1); // a click is no key
        h.press(Qt::Key_A);
        QCOMPARE(w.TabStrip1->selectedTab(), 2);
        QCOMPARE(w.Combo2->text(), QString("甲酸a"));
    }

    void propertyRoute()
    {
        MainWindowHarness h;
        auto &w = h.w();
        h.search("8", "熔点");
        QCOMPARE(h.listEntries(), (QStringList{"甲酸；蚁酸", "氯化钠；食盐", "熔点八度样品"}));
        QCOMPARE(h.selectedEntry(), QString("熔点八度样品")); // the whole cell equals 8
        QVERIFY(!w.recordCommandsEnabled());

        h.search("C6H6", "分子式");
        QCOMPARE(h.listEntries(), (QStringList{"苯", "苯酚；石炭酸"}));
        QCOMPARE(h.selectedEntry(), QString("苯"));

        h.search("1.2", "密度");
        QCOMPARE(h.listEntries(), (QStringList{"甲酸；蚁酸"}));
        const QTextDocument *doc = w.RichTextBox1->document();
        QCOMPARE(doc->find("1.2").charFormat().foreground().color(), QColor(0, 0, 255));

        // A route word that is no field fails quietly and keeps the list.
        h.search("1", "蒸汽压");
        QCOMPARE(h.listEntries(), (QStringList{"甲酸；蚁酸"}));
        QCOMPARE(w.Label3->text(), QString("找到 1 个相关的化学品"));

        h.search("69", "闪点");
        QCOMPARE(h.listEntries(), (QStringList{"甲酸；蚁酸"}));
    }

    void useRoute()
    {
        MainWindowHarness h(QStringLiteral("苯"));
        auto &w = h.w();
        QVERIFY(w.recordCommandsEnabled());
        h.search("塑料；填料", "用途");
        QCOMPARE(h.listEntries(), (QStringList{"苯酚；石炭酸", "对苯二胺", "氯化钠；食盐"}));
        QCOMPARE(h.selectedEntry(), QString("苯酚；石炭酸"));
        const QTextDocument *doc = w.RichTextBox1->document();
        QCOMPARE(doc->find("塑料").charFormat().foreground().color(), QColor(0, 0, 255));
        QCOMPARE(doc->find("填料").charFormat().foreground().color(), QColor(0, 0, 255));

        h.search("塑料；", "用途");
        const QStringList trailing = h.listEntries();
        h.search("塑料", "用途");
        QCOMPARE(h.listEntries(), trailing);

        h.search("塑料;填料", "用途");
        QCOMPARE(w.List1->count(), 0);
    }
};

QTEST_MAIN(TestRoutes)
#include "test_routes.moc"
