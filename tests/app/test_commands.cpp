// The menu tree and the toolbars: every entry and button reaches its command;
// companion programs; the about window.
#include "app/AboutWindow.h"
#include "db/AppFolder.h"
#include "record/RichTextBox.h"
#include "search/HistoryCombo.h"
#include <QTimer>
#include "support/MainWindowHarness.h"
#include "support/WindowInput.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using velmora::test::MainWindowHarness;
namespace input = velmora::test::input;

class TestCommands : public QObject {
    Q_OBJECT
private slots:
    void menuTree()
    {
        MainWindowHarness h;
        QStringList shown;
        for (QAction *top : h.w().menuBar()->actions()) {
            if (!top->isVisible())
                continue;
            QStringList items;
            for (QAction *a : top->menu()->actions())
                items << (a->isSeparator() ? QString("-") : a->text() + (a->shortcut().isEmpty() ? "" : "@" + a->shortcut().toString()));
            shown << top->text() + ":" + items.join(",");
        }
        QCOMPARE(shown, (QStringList{
                            "文件:保存文件,-,设置打印机,打印@Ctrl+P,-,退出@Ctrl+Q,显示",
                            "编辑:复制@Ctrl+C,全选@Ctrl+S,-,清除历史纪录",
                            "查找:检索@Ctrl+F,-,前进@Ctrl+U,后退@Ctrl+D",
                            "数据:修改纪录,添加纪录,-,删除纪录,撤销删除",
                            "常用表:元素周期表,浓度密度查询表,电离常数查询表,微溶化合物溶度积表,t/F值表",
                            "帮助:？内容@F1,技术支持"}));
        QVERIFY(!h.w().menuEntry("find")->isVisible());
        QVERIFY(!h.w().menuEntry("option")->isVisible());
        QCOMPARE(h.w().menuEntry("fornt")->text(), QString("字体"));
    }

    void toolbarButtons()
    {
        MainWindowHarness h;
        auto &w = h.w();
        const QStringList captions = {"", "保存", "", "后退", "前进 ", "", "清除 ", "", "全选 ", "复制 ", "",
                                      "检索 ", "", "打印 ", "", "修改", "添加", "插入", "", "周期表", "", "帮助 "};
        const QList<int> separators = {3, 6, 8, 11, 13, 15, 19, 21};
        for (int i = 1; i <= 22; ++i) {
            QAction *b = w.toolbarButton(i);
            QVERIFY(b);
            QCOMPARE(b->isSeparator(), separators.contains(i));
            if (!b->isSeparator()) {
                QCOMPARE(b->text(), captions[i - 1]);
                QVERIFY2(!b->icon().isNull(), qPrintable(QString::number(i)));
            }
        }
        QCOMPARE(w.toolbarButton(7)->property("key").toString(), QString("vbclear"));
        QCOMPARE(w.toolbarButton(18)->toolTip(), QString("插入特殊符号"));
        for (int i : {4, 5, 18})
            QCOMPARE(w.toolbarWidget(i)->popupMode(), QToolButton::MenuButtonPopup);
    }

    void entriesReachTheirCommands()
    {
        MainWindowHarness h(QStringLiteral("苯"));
        auto &w = h.w();
        QSignalSpy requested(&w, &velmora::app::MainWindow::commandRequested);
        // Every menu command is announced by name before it runs; each is
        // chosen with the mouse from the menu bar in the caption, but the
        // font command, whose menu is not shown.
        for (const char *name : {"save", "printer", "print", "copy", "select", "modit", "add", "del", "fornt", "periodic"}) {
            if (QByteArray(name) == "fornt")
                w.menuEntry(name)->trigger();
            else
                QVERIFY2(h.chooseMenuEntry(name), name);
            QTRY_VERIFY2(!requested.isEmpty(), name);
            QCOMPARE(requested.takeFirst().at(0).toString(), QString(name));
        }
        const QList<std::pair<int, QString>> buttons = {{2, "save"}, {9, "select"}, {10, "copy"}, {14, "print"},
                                                        {16, "modit"}, {17, "add"}, {20, "periodic"}};
        for (const auto &[index, name] : buttons) {
            w.toolbarButton(index)->setEnabled(true);
            h.clickButton(index);
            QCOMPARE(requested.takeFirst().at(0).toString(), name);
        }
        // Buttons 1 and 18 run nothing.
        h.clickButton(1);
        h.clickButton(18);
        QVERIFY(requested.isEmpty());

        // The search shortcut and button run the search.
        input::click(w.Combo2);
        h.press(Qt::Key_A, Qt::ControlModifier);
        input::type(&w, "苯酚");
        h.press(Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(h.selectedEntry(), QString("苯酚；石炭酸"));
        input::click(w.Combo2);
        h.press(Qt::Key_A, Qt::ControlModifier);
        input::type(&w, "氯化钠");
        h.clickButton(12);
        QCOMPARE(h.selectedEntry(), QString("氯化钠；食盐"));
        h.clickButton(4); // back
        QCOMPARE(w.Combo2->text(), QString("苯酚；石炭酸"));
        h.press(Qt::Key_U, Qt::ControlModifier); // forward
        QCOMPARE(w.Combo2->text(), QString("氯化钠；食盐"));
        h.clickButton(7); // clear
        QCOMPARE(w.Combo2->listCount(), 0);
        w.RichTextBox1->clear();
        w.menuEntry("find")->trigger(); // recompose the current record
        QVERIFY(h.recordText().contains("氯化钠"));
    }

    void companionsAndHelp()
    {
        MainWindowHarness h;
        auto &w = h.w();
        const QString before = h.recordText();
        // None of the companion programs is installed beside the fixture.
        for (const char *rel : {"\\brisel.exe", "\\calnet.exe", "\\vantor.exe", "\\doruma.exe", "\\help.chm"})
            QVERIFY(!w.openCompanion(rel));
        for (const char *name : {"searchd", "searchk", "physic", "tfbiao"})
            QVERIFY2(h.chooseMenuEntry(name), name);
        h.press(Qt::Key_F1);
        h.clickButton(22);
        QCOMPARE(h.recordText(), before);
        QVERIFY(h.messages.isEmpty());
    }

    void aboutWindow()
    {
        MainWindowHarness h;
        QVERIFY(h.chooseMenuEntry("about"));
        auto *about = h.w().aboutWindow();
        QVERIFY(about && about->isVisible());
        QCOMPARE(about->objectName(), QString("about"));
        QCOMPARE(about->chemicals(), 10);
        QVERIFY(about->categories() > 10);
        QVERIFY(about->findChild<QLabel *>("aboutCounts")->text().contains("10"));
    }

    void closingUnloadsEveryWindow()
    {
        MainWindowHarness h;
        h.show();
        h.w().showAbout();
        QVERIFY(h.w().aboutWindow()->isVisible());
        // The about window comes forward; the main window is clicked into
        // again before its shortcut is pressed.
        QVERIFY(QTest::qWaitForWindowActive(h.w().aboutWindow()));
        velmora::test::input::click(h.w().RichTextBox1->viewport(), QPoint(10, 10));
        h.press(Qt::Key_Q, Qt::ControlModifier); // 退出
        QVERIFY(!h.w().isVisible());
        QVERIFY(!h.w().aboutWindow()->isVisible());
        QVERIFY(!h.w().Timer1->isActive());
    }
};

QTEST_MAIN(TestCommands)
#include "test_commands.moc"
