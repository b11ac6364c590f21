// Keys and clicks as a person gives them, through the window: Enter in the
// search box on every road a key or a Chinese character takes, the menu
// shortcuts from every control, the toolbar's drop-down menus, the start-up
// views, the about window and the search box at the window's least size.
#include "app/AboutWindow.h"
#include "app/TabStrip.h"
#include "category/CategoryTree.h"
#include "record/RichTextBox.h"
#include "search/HistoryCombo.h"
#include "support/MainWindowHarness.h"
#include "support/WindowInput.h"

#include <QAction>
#include <QClipboard>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionToolButton>
#include <QTimer>
#include <QApplication>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using velmora::app::MainWindow;
using velmora::test::MainWindowHarness;
namespace input = velmora::test::input;

namespace {

// How a text reaches the search box.
enum class Road { Keys, InputMethod, KeysToTheLineEdit };

void typeOnRoad(MainWindow &w, Road road, const QString &text)
{
    switch (road) {
    case Road::Keys:
        // Key presses carrying the characters, as a keyboard mapping or a
        // program typing for the person sends them.
        input::keys(&w, text);
        break;
    case Road::InputMethod:
        input::commit(text);
        break;
    case Road::KeysToTheLineEdit:
        // The second road into the box: keys that reach its line edit
        // itself. They must count once, like the others.
        for (const QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, w.Combo2->lineEdit(), Qt::Key_unknown, QString(ch), {});
        break;
    }
}

void pressEnterOnRoad(MainWindow &w, Road road)
{
    if (road == Road::KeysToTheLineEdit)
        QTest::keyClick(w.Combo2->lineEdit(), Qt::Key_Return);
    else
        input::key(&w, Qt::Key_Return);
}

bool back(MainWindow &w) { return w.toolbarButton(4)->isEnabled(); }
bool forward(MainWindow &w) { return w.toolbarButton(5)->isEnabled(); }

// Gives a control of the main window the keyboard focus with a click.
void focusControl(MainWindowHarness &h, const QString &control)
{
    MainWindow &w = h.w();
    if (control == QLatin1String("search box")) {
        input::click(w.Combo2);
        QTRY_VERIFY(w.Combo2->hasFocus() || w.Combo2->lineEdit()->hasFocus());
    } else if (control == QLatin1String("list")) {
        input::click(w.List1, w.List1->visualRowRect(w.List1->currentRow()).center());
        QTRY_VERIFY(w.List1->hasFocus());
    } else if (control == QLatin1String("tree")) {
        QTabBar *tabs = w.TabStrip1->tabs();
        input::click(tabs, tabs->tabRect(0).center());
        QTRY_VERIFY(w.TreeView1->isVisible());
        QTreeWidgetItem *first = w.TreeView1->topLevelItem(0);
        QVERIFY(first);
        input::click(w.TreeView1->viewport(), w.TreeView1->visualItemRect(first).center());
        QTRY_VERIFY(w.TreeView1->hasFocus());
    } else {
        input::click(w.RichTextBox1->viewport(), QPoint(20, 20));
        QTRY_VERIFY(w.RichTextBox1->hasFocus());
    }
}

} // namespace

Q_DECLARE_METATYPE(Road)

class TestInput : public QObject {
    Q_OBJECT
private slots:
    void enterSearchesOnEveryRoad_data()
    {
        QTest::addColumn<Road>("road");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("list");
        QTest::newRow("Chinese as keys") << Road::Keys << "醋酸" << QStringList{"乙酸；醋酸；冰醋酸"};
        QTest::newRow("Chinese from the input method") << Road::InputMethod << "苯" << QStringList{"苯", "苯酚；石炭酸", "对苯二胺"};
        QTest::newRow("Latin letters as keys") << Road::Keys << "2,2'" << QStringList{"2,2'-联吡啶"};
        QTest::newRow("keys to the line edit") << Road::KeysToTheLineEdit << "食盐" << QStringList{"氯化钠；食盐"};
    }
    void enterSearchesOnEveryRoad()
    {
        QFETCH(Road, road);
        QFETCH(QString, text);
        QFETCH(QStringList, list);
        MainWindowHarness h(QStringLiteral("甲酸"));
        MainWindow &w = h.w();
        h.show();
        const int history = w.Combo2->listCount();
        input::click(w.Combo2);
        input::key(&w, Qt::Key_A, Qt::ControlModifier);
        typeOnRoad(w, road, text);
        QCOMPARE(w.Combo2->text(), text);
        pressEnterOnRoad(w, road);
        QCOMPARE(h.listEntries(), list);
        QCOMPARE(w.Label3->text(), QStringLiteral("找到 %1 个相关的化学品").arg(list.size()));
        QVERIFY(h.recordText().contains("【中文名称】" + h.selectedEntry()));
        // One Enter, one search: one more chemical in the history.
        QCOMPARE(w.Combo2->listCount(), history + 1);
        QCOMPARE(h.resultFile(), text);
    }

    void everyKeySelectsTheListTab_data()
    {
        QTest::addColumn<Road>("road");
        QTest::newRow("a key") << Road::Keys;
        QTest::newRow("input method text") << Road::InputMethod;
    }
    void everyKeySelectsTheListTab()
    {
        QFETCH(Road, road);
        MainWindowHarness h;
        MainWindow &w = h.w();
        h.show();
        input::click(w.Combo2);
        w.TabStrip1->selectTab(1);
        QVERIFY(w.TreeView1->isVisible());
        typeOnRoad(w, road, road == Road::Keys ? "a" : "乙");
        QCOMPARE(w.TabStrip1->selectedTab(), 2);
        QVERIFY(w.List1->isVisible());
        // Typing does not search.
        QCOMPARE(h.listEntries(), QStringList{"甲酸；蚁酸"});
    }

    void leavingTheBoxDoesNotSearch()
    {
        MainWindowHarness h(QStringLiteral("不存在"));
        MainWindow &w = h.w();
        h.search("苯");
        h.search("氯化钠");
        const int history = w.Combo2->listCount();
        // A history name typed into the box, then the focus goes elsewhere.
        input::click(w.Combo2);
        input::key(&w, Qt::Key_A, Qt::ControlModifier);
        input::type(&w, "苯");
        input::click(w.RichTextBox1->viewport(), QPoint(10, 10));
        QTRY_VERIFY(w.RichTextBox1->hasFocus());
        QCOMPARE(w.Combo2->listCount(), history);
        QCOMPARE(h.listEntries(), QStringList{"氯化钠；食盐"});
        QCOMPARE(w.Combo2->listIndex(), -1);
    }

    void enterInAnEmptyBoxAsksForText()
    {
        MainWindowHarness h;
        h.search(QString());
        QCOMPARE(h.w().Combo2->text(), QString("请输入检索条件……"));
    }

    void menuShortcutsFromEveryControl_data()
    {
        QTest::addColumn<QString>("control");
        for (const char *control : {"search box", "list", "tree", "record pane"})
            QTest::newRow(control) << QString(control);
    }
    void menuShortcutsFromEveryControl()
    {
        QFETCH(QString, control);
        MainWindowHarness h(QStringLiteral("不存在"));
        MainWindow &w = h.w();
        h.search("苯酚");
        h.search("氯化钠");
        focusControl(h, control);
        QSignalSpy commands(&w, &MainWindow::commandRequested);

        // Focusing the list or the tree may have shown a chemical as well.
        const int n = w.Combo2->listCount();
        const int i = w.Combo2->listIndex();
        const int backTo = i == -1 ? n - 2 : i - 1;
        QVERIFY(backTo >= 0);
        h.press(Qt::Key_D, Qt::ControlModifier); // 后退
        QCOMPARE(w.Combo2->listIndex(), backTo);
        QVERIFY(h.recordText().contains("【中文名称】" + w.Combo2->itemText(backTo)));
        h.press(Qt::Key_U, Qt::ControlModifier); // 前进
        QCOMPARE(w.Combo2->listIndex(), backTo + 1);
        QVERIFY(h.recordText().contains("【中文名称】" + w.Combo2->itemText(backTo + 1)));
        h.press(Qt::Key_S, Qt::ControlModifier); // 全选
        QCOMPARE(w.RichTextBox1->textCursor().selectedText().size(), w.RichTextBox1->document()->characterCount() - 1);
        QGuiApplication::clipboard()->clear();
        h.press(Qt::Key_C, Qt::ControlModifier); // 复制: the record
        QTRY_VERIFY(QGuiApplication::clipboard()->text().contains("【中文名称】氯化钠；食盐"));
        h.press(Qt::Key_F, Qt::ControlModifier); // 检索
        QCOMPARE(w.Label3->text(), QString("找到 1 个相关的化学品"));
        h.press(Qt::Key_F1);
        QStringList names;
        for (const QList<QVariant> &c : commands)
            names << c.at(0).toString();
        QCOMPARE(names, (QStringList{"down", "up", "select", "copy", "search", "help"}));
    }

    void ctrlUInTheSearchBoxKeepsItsText()
    {
        MainWindowHarness h(QStringLiteral("不存在"));
        MainWindow &w = h.w();
        h.search("苯酚");
        QVERIFY(!forward(w));
        input::click(w.Combo2);
        input::type(&w, "ab");
        // 前进 is disabled: the key does nothing, the line edit's own
        // delete-line binding included.
        h.press(Qt::Key_U, Qt::ControlModifier);
        QCOMPARE(w.Combo2->text(), QString("苯酚ab"));
        h.press(Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(w.Combo2->text(), QString("苯酚ab"));
    }

    void dropDownMenusLeaveTheHistoryAlone_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("shown");
        QTest::newRow("back menu") << 4 << "苯酚；石炭酸" << "【中文名称】苯酚；石炭酸";
        // The forward menu holds the search box's texts: no name equals
        // this one, so the record stays.
        QTest::newRow("forward menu") << 5 << "氯化钠" << "【中文名称】对苯二胺";
        QTest::newRow("special characters") << 18 << "℃" << "【中文名称】对苯二胺";
    }
    void dropDownMenusLeaveTheHistoryAlone()
    {
        QFETCH(int, button);
        QFETCH(QString, entry);
        QFETCH(QString, shown);
        MainWindowHarness h(QStringLiteral("不存在"));
        MainWindow &w = h.w();
        h.search("苯酚");   // A
        h.search("对苯二胺"); // B
        h.search("氯化钠");   // C
        h.clickButton(4);
        QCOMPARE(w.Combo2->listIndex(), 1); // at B
        QVERIFY(back(w) && forward(w));
        const QStringList history = {w.Combo2->itemText(0), w.Combo2->itemText(1), w.Combo2->itemText(2)};

        QVERIFY(input::chooseFromButtonMenu(w.toolbarWidget(button), entry));
        QCOMPARE(w.Combo2->text(), entry);
        QVERIFY(h.recordText().contains(shown));
        QCOMPARE(w.Combo2->listIndex(), 1);
        QCOMPARE((QStringList{w.Combo2->itemText(0), w.Combo2->itemText(1), w.Combo2->itemText(2)}), history);
        QVERIFY(back(w) && forward(w));
        QVERIFY(w.menuEntry("up")->isEnabled() && w.menuEntry("down")->isEnabled());

        // Forward goes on from the position, to C.
        h.clickButton(5);
        QCOMPARE(w.Combo2->listIndex(), 2);
        QVERIFY(h.recordText().contains("【中文名称】氯化钠；食盐"));
    }

    void welcomeShowsFromItsTop()
    {
        MainWindowHarness h(QStringLiteral("不存在的名字"));
        MainWindow &w = h.w();
        h.show();
        QScrollBar *bar = w.RichTextBox1->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0); // the welcome is longer than the pane
        QTest::qWait(50);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(w.RichTextBox1->textCursor().position(), 0);
    }

    void selectedEntryIsInViewAtStart()
    {
        // On the shipped chemicals, 乙酸 lists many names; the one that is
        // exactly 乙酸 sorts far down.
        MainWindowHarness h(QStringLiteral("乙酸"), velmora::test::Fixture::Sources::Shipped);
        MainWindow &w = h.w();
        QVERIFY(h.selectedEntry().split("；").contains("乙酸"));
        h.show();
        velmora::search::ResultList *list = w.List1;
        const int perPage = list->viewport()->height() / qMax(1, list->sizeHintForRow(0));
        QVERIFY2(list->currentRow() > perPage, qPrintable(QString::number(list->currentRow())));
        auto inView = [list] {
            const QRect entry = list->visualRowRect(list->currentRow());
            return entry.top() >= 0 && entry.bottom() <= list->viewport()->height();
        };
        QTRY_VERIFY(inView());
    }

    void aboutWindowShowsAllItsText()
    {
        MainWindowHarness h;
        MainWindow &w = h.w();
        h.show();
        QVERIFY(h.chooseMenuEntry("about"));
        velmora::app::AboutWindow *about = w.aboutWindow();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        QTRY_VERIFY(about->contentsMargins().top() >= 40); // the skin is on
        QTest::qWait(20);
        for (QLabel *label : about->findChildren<QLabel *>()) {
            if (!label->isVisible())
                continue;
            const QRect inside = about->contentsRect();
            QVERIFY2(inside.contains(label->geometry()), qPrintable(label->text()));
            if (label->wordWrap())
                QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(label->text()));
            else
                QVERIFY2(label->height() >= label->sizeHint().height(), qPrintable(label->text()));
        }
        auto *close = about->findChild<QWidget *>("aboutClose");
        QVERIFY(about->contentsRect().contains(close->geometry()));
        input::click(close);
        QTRY_VERIFY(!about->isVisible());
    }

    void searchBoxStaysUsableAtTheLeastSize()
    {
        MainWindowHarness h;
        MainWindow &w = h.w();
        h.show();
        w.resize(100, 100);
        QTRY_VERIFY(w.width() > 100);
        const int twelve = w.Combo2->fontMetrics().horizontalAdvance(QString(10, QChar(0x9178))); // 酸
        QTRY_VERIFY2(w.Combo2->lineEdit()->width() >= twelve, qPrintable(QString::number(w.Combo2->lineEdit()->width())));
        // The box lies inside the window.
        QVERIFY(w.contentsRect().contains(QRect(w.Combo2->mapTo(&w, QPoint(0, 0)), w.Combo2->size())));
        // And a search from it still works.
        h.search("苯酚");
        QCOMPARE(h.selectedEntry(), QString("苯酚；石炭酸"));
    }
};

QTEST_MAIN(TestInput)
#include "test_input.moc"
