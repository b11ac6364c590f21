// The periodic table window: opening, colours, sizes and the double-click
// that looks an element up in the main window.
#include "app/Twips.h"
#include "periodic/ElementTable.h"
#include "periodic/FlexGrid.h"
#include "periodic/PeriodicForm.h"
#include "periodic/PeriodicLayout.h"
#include "record/RichTextBox.h"
#include "search/HistoryCombo.h"
#include "support/SqlFile.h"
#include "support/MainWindowHarness.h"
#include "support/WindowInput.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

using velmora::app::Twips;
using velmora::periodic::ElementTable;
using velmora::periodic::FlexGrid;
using velmora::periodic::PeriodicForm;
using velmora::periodic::PeriodicLayout;
using velmora::periodic::PeriodicLayoutInput;
using velmora::test::MainWindowHarness;

using velmora::test::exec;

namespace {

PeriodicForm *openForm(MainWindowHarness &h)
{
    if (!h.chooseMenuEntry("periodic"))
        return nullptr;
    return PeriodicForm::instance(h.w());
}

QPoint cellCentre(FlexGrid *g, int row, int column)
{
    return g->visualItemRect(g->item(row, column)).center();
}

// The form shown, active and in its skin, so that its cells stay where
// they are measured.
void settle(FlexGrid *g)
{
    QWidget *form = g->window();
    QVERIFY(velmora::test::input::showActive(form));
    QTRY_VERIFY(form->contentsMargins().top() > 0);
}

void doubleClick(FlexGrid *g, int row, int column)
{
    settle(g);
    velmora::test::input::doubleClick(g->viewport(), cellCentre(g, row, column));
}

const QString Welcome = QStringLiteral("欢迎使用Quillon软件工作室为您提供的元素周期表！双击察看元素的性质。");

} // namespace

class TestPeriodicForm : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Twips::setDpiOverride(96); }

    void opensOnceAndRestoresWhenMinimised()
    {
        MainWindowHarness h;
        PeriodicForm *form = openForm(h);
        QVERIFY(form && form->isVisible());
        QCOMPARE(form->objectName(), QString("periodicfrm"));
        QCOMPARE(form->windowTitle(), QString("元素周期表"));
        QCOMPARE(form->Label1->text(), QString("元 素 周 期 表"));
        QCOMPARE(form->StatusBar1->currentMessage(), Welcome);
        FlexGrid *g = form->MSFlexGrid1;
        QCOMPARE(g->rowCount(), 11);
        QCOMPARE(g->columnCount(), 19);
        QCOMPARE(g->textMatrix(0, 0), QString("周期"));
        QCOMPARE(g->textMatrix(0, 18), QString("18"));
        QCOMPARE(g->textMatrix(4, 8), QString("Fe"));

        form->showMinimized();
        QVERIFY(form->isMinimized());
        // Neither reloaded nor recoloured on the way back.
        exec(h.fixture().file("\\data\\periodic.data"), "UPDATE periodic SET \"8\" = 'Xx' WHERE \"8\" = 'Fe'");
        g->setCurrentCell(4, 8);
        g->setCellBackColor(Qt::black);
        h.clickButton(20); // 周期表
        QCOMPARE(PeriodicForm::instance(h.w()), form);
        QVERIFY(!form->isMinimized() && form->isVisible());
        QCOMPARE(g->textMatrix(4, 8), QString("Fe"));
        QCOMPARE(g->cellBackColor(4, 8), QColor(Qt::black));
        QCOMPARE(h.w().findChildren<PeriodicForm *>().size(), 1);
    }

    void colours_data()
    {
        QTest::addColumn<int>("firstColumn");
        QTest::addColumn<int>("lastColumn");
        QTest::addColumn<int>("firstRow");
        QTest::addColumn<int>("lastRow");
        QTest::addColumn<QColor>("colour"); // invalid: the button face
        QTest::newRow("a group 1") << 1 << 1 << 1 << 7 << QColor("#00FF00");
        QTest::newRow("b group 2") << 2 << 2 << 2 << 7 << QColor();
        QTest::newRow("c transition metals") << 3 << 12 << 4 << 7 << QColor("#80FF80");
        QTest::newRow("d Al and below") << 13 << 13 << 3 << 7 << QColor("#FF80FF");
        QTest::newRow("e B") << 13 << 13 << 2 << 2 << QColor("#00C0C0");
        QTest::newRow("f C, Si") << 14 << 14 << 2 << 3 << QColor("#00C0C0");
        QTest::newRow("g N, P, As") << 15 << 15 << 2 << 4 << QColor("#00C0C0");
        QTest::newRow("h O to Te") << 16 << 16 << 2 << 5 << QColor("#00C0C0");
        QTest::newRow("i group 17") << 17 << 17 << 2 << 7 << QColor("#00C0C0");
        QTest::newRow("j group 18") << 18 << 18 << 1 << 7 << QColor("#8080FF");
        QTest::newRow("k Ge and below") << 14 << 14 << 4 << 7 << QColor("#FF80FF");
        QTest::newRow("l Sb and below") << 15 << 15 << 5 << 7 << QColor("#FF80FF");
        QTest::newRow("m Po and below") << 16 << 16 << 6 << 7 << QColor("#FF80FF");
        QTest::newRow("n lanthanides") << 3 << 17 << 9 << 9 << QColor("#FFFFC0");
        QTest::newRow("o actinides") << 3 << 17 << 10 << 10 << QColor("#FF0000");
        QTest::newRow("uncoloured: rows 1-3 of groups 3-12") << 3 << 12 << 1 << 3 << QColor(Qt::transparent);
        QTest::newRow("uncoloured: period 1 of groups 13-17") << 13 << 17 << 1 << 1 << QColor(Qt::transparent);
        QTest::newRow("uncoloured: the empty row") << 0 << 18 << 8 << 8 << QColor(Qt::transparent);
        QTest::newRow("uncoloured: the first column") << 0 << 0 << 1 << 10 << QColor(Qt::transparent);
    }
    void colours()
    {
        QFETCH(int, firstColumn);
        QFETCH(int, lastColumn);
        QFETCH(int, firstRow);
        QFETCH(int, lastRow);
        QFETCH(QColor, colour);
        MainWindowHarness h;
        FlexGrid *g = openForm(h)->MSFlexGrid1;
        if (!colour.isValid())
            colour = QApplication::palette().color(QPalette::Button);
        else if (colour == QColor(Qt::transparent))
            colour = g->palette().color(QPalette::Base);
        for (int c = firstColumn; c <= lastColumn; ++c)
            for (int r = firstRow; r <= lastRow; ++r)
                QVERIFY2(g->cellBackColor(r, c) == colour, qPrintable(QString("row %1, column %2").arg(r).arg(c)));
        QCOMPARE(g->currentRow(), 10);
        QCOMPARE(g->currentColumn(), 17);
    }

    void layoutRule_data()
    {
        QTest::addColumn<QSize>("form");
        QTest::addColumn<QRect>("gridBefore");
        QTest::addColumn<QPoint>("label");
        QTest::addColumn<QRect>("grid");
        QTest::addColumn<int>("columnWidth");
        QTest::addColumn<int>("rowHeight");
        const QRect before(25, 605, 9970, 5945);
        QTest::newRow("first size") << QSize(10020, 6810) << QRect() << QPoint(3810, 120) << before << 515 << 530;
        QTest::newRow("row height 24.5 goes down to even")
            << QSize(10020, 1140) << before << QPoint(3810, 120) << QRect(25, 605, 9970, 275) << 515 << 24;
        QTest::newRow("row height 73.5 goes up to even")
            << QSize(10020, 1690) << before << QPoint(3810, 120) << QRect(25, 605, 9970, 825) << 515 << 74;
        QTest::newRow("column width 4906.5 goes down to even")
            << QSize(95050, 6810) << before << QPoint(46325, 120) << QRect(25, 605, 95000, 5945) << 4906 << 530;
        QTest::newRow("too narrow: the grid stays, sizes from it")
            << QSize(40, 6810) << before << QPoint(-1180, 120) << before << 515 << 530;
        QTest::newRow("too low: the grid stays") << QSize(10020, 800) << QRect(25, 605, 1900, 1100)
                                                 << QPoint(3810, 120) << QRect(25, 605, 1900, 1100) << 98 << 98;
    }
    void layoutRule()
    {
        QFETCH(QSize, form);
        QFETCH(QRect, gridBefore);
        PeriodicLayoutInput in;
        in.width = form.width();
        in.height = form.height();
        in.labelWidth = 2400;
        in.labelHeight = 435;
        in.statusBarHeight = 330;
        in.grid = gridBefore;
        const PeriodicLayout l = PeriodicLayout::resize(in);
        QTEST(l.label, "label");
        QTEST(l.grid, "grid");
        QTEST(l.columnWidth, "columnWidth");
        QTEST(l.rowHeight, "rowHeight");
    }

    void resizingSizesTheCells()
    {
        MainWindowHarness h;
        PeriodicForm *form = openForm(h);
        FlexGrid *g = form->MSFlexGrid1;
        form->resize(900, 600);
        // The client area lies inside the skin's frame.
        const QRect client = form->contentsRect();
        const int width = Twips::fromPixelsX(client.width());
        const int columnWidth = PeriodicLayout::roundHalfEven((width - 50) / 19.0 * 0.9813);
        QCOMPARE(form->layoutTwips().columnWidth, columnWidth);
        for (int c = 0; c < 19; ++c)
            QCOMPARE(g->columnWidth(c), Twips::toPixelsX(columnWidth));
        const QRect grid = form->layoutTwips().grid;
        const int rowHeight = PeriodicLayout::roundHalfEven(grid.height() / 11.0 * 0.98);
        for (int r = 0; r < 11; ++r)
            QCOMPARE(g->rowHeight(r), Twips::toPixelsY(rowHeight));
        // Below the title; the lower edge reaches 70 twips past the status bar's top.
        QCOMPARE(grid.top(), 120 + Twips::fromPixelsY(form->Label1->height()) + 50);
        QVERIFY(qAbs(g->geometry().bottom() + 1 - form->StatusBar1->y() - Twips::toPixelsY(70)) <= 1);
        QCOMPARE(int(g->item(4, 8)->textAlignment()), int(Qt::AlignCenter));
        QVERIFY(qAbs(form->Label1->x() * 2 + form->Label1->width() - (client.left() * 2 + client.width())) <= 2);

        // The window stops at its minimum size, where the grid still shows
        // every group.
        form->resize(2, 2);
        QCOMPARE(form->size(), form->minimumSize());
        QVERIFY(g->width() > 0 && g->height() > 0);
        QVERIFY(g->columnWidth(18) > 0);
    }

    void doubleClickingIronSearchesTheFormulas()
    {
        MainWindowHarness h;
        PeriodicForm *form = openForm(h);
        doubleClick(form->MSFlexGrid1, 4, 8);
        auto &w = h.w();
        QCOMPARE(w.Combo1->currentText(), QString("分子式"));
        QCOMPARE(w.Combo2->text(), QString("Fe"));
        QVERIFY(form->isMinimized());
        QCOMPARE(h.resultFile(), QString("Fe"));
        const QStringList listed = h.listEntries();
        const QString record = h.recordText();
        QVERIFY(listed.contains("三氯化铁；氯化铁"));
        QCOMPARE(w.Label3->text(), QString("找到 %1 个相关的化学品").arg(listed.size()));

        // The same as a search for Fe on the formula route.
        MainWindowHarness searched;
        searched.search("Fe", "分子式");
        QCOMPARE(listed, searched.listEntries());
        QCOMPARE(record, searched.recordText());
    }

    void whereTheDoubleClickLands()
    {
        MainWindowHarness h;
        PeriodicForm *form = openForm(h);
        FlexGrid *g = form->MSFlexGrid1;
        auto &w = h.w();

        // An empty cell searches with empty text: every chemical with a formula.
        doubleClick(g, 1, 5);
        QCOMPARE(w.Combo2->text(), QString());
        QCOMPARE(w.List1->count(), 9);
        QVERIFY(form->isMinimized());

        // The header row does not move the current cell.
        PeriodicForm::open(w);
        settle(g);
        velmora::test::input::click(g->viewport(), cellCentre(g, 3, 1));
        doubleClick(g, 0, 4);
        QCOMPARE(w.Combo2->text(), QString("Na"));
        QCOMPARE(g->currentRow(), 3);

        // An element without compounds: the not-found text, the count 0.
        PeriodicForm::open(w);
        doubleClick(g, 7, 18);
        QCOMPARE(w.Combo2->text(), QString("Og"));
        QVERIFY(h.recordText().startsWith("你所要找的化学品未找到，请检查途径是否正确或把条件放宽，再进行检索！"));
        QCOMPARE(w.Label3->text(), QString("找到 0 个相关的化学品"));
        QVERIFY(form->isMinimized());
    }

    void aTableOfAnotherShapeStillOpens_data()
    {
        QTest::addColumn<QString>("sql"); // empty: no file at all
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QPoint>("current"); // (column, row)
        QTest::newRow("five periods, seven groups")
            << "DROP TABLE periodic; CREATE TABLE periodic (a, b, c, d, e, f, g, h);"
               "INSERT INTO periodic VALUES ('1','H','','','','','','');"
               "INSERT INTO periodic VALUES ('2','Li','Be','','','','','');"
               "INSERT INTO periodic VALUES ('3','Na','Mg','','','','','');"
               "INSERT INTO periodic VALUES ('4','K','Ca','Sc','Ti','V','Cr','Mn');"
               "INSERT INTO periodic VALUES ('5','Rb','Sr','Y','Zr','Nb','Mo','Tc');"
            << 6 << 8 << QPoint(7, 5);
        QTest::newRow("no records") << "DELETE FROM periodic;" << 1 << 19 << QPoint(-1, -1);
        QTest::newRow("no file") << "" << 0 << 0 << QPoint(-1, -1);
    }
    void aTableOfAnotherShapeStillOpens()
    {
        QFETCH(QString, sql);
        MainWindowHarness h;
        const QString file = h.fixture().file("\\data\\periodic.data");
        if (sql.isEmpty())
            QVERIFY(QFile::remove(file));
        else
            exec(file, sql);
        PeriodicForm *form = openForm(h);
        FlexGrid *g = form->MSFlexGrid1;
        QTEST(g->rowCount(), "rows");
        QTEST(g->columnCount(), "columns");
        QTEST(QPoint(g->currentColumn(), g->currentRow()), "current");
        QCOMPARE(form->StatusBar1->currentMessage(), Welcome);
        if (g->rowCount() > 5) {
            QCOMPARE(g->cellBackColor(1, 1), QColor("#00FF00"));
            QCOMPARE(g->cellBackColor(5, 7), QColor("#80FF80"));
        }
        form->resize(700, 500); // the sizing copes with any shape
    }

    // A symbol names its element with its letter case and without a small
    // letter after it: No is not NO2, Co not CO, C not Ca or Cl.
    void elementJump_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("No") << 10 << 16 << "No" << QStringList{};
        QTest::newRow("Hf") << 6 << 4 << "Hf" << QStringList{"四氯化铪"};
        QTest::newRow("Co") << 4 << 9 << "Co" << QStringList{"氯化钴", "钴"};
        QTest::newRow("Cs") << 6 << 1 << "Cs" << QStringList{"氯化铯"};
        QTest::newRow("C") << 2 << 14 << "C"
                           << QStringList{"2,2'-联吡啶", "一氧化碳", "二硫化碳", "二氧化碳", "乙酸；醋酸；冰醋酸",
                                          "对苯二胺", "甲酸；蚁酸", "苯", "苯酚；石炭酸"};
        QTest::newRow("N") << 2 << 15 << "N" << QStringList{"二氧化氮"};
        QTest::newRow("La-Lu: the lanthanides") << 6 << 3 << "La-Lu" << QStringList{"三氯化镧", "二氧化铈", "氧化镥"};
        QTest::newRow("Ac-Lr: the actinides") << 7 << 3 << "Ac-Lr" << QStringList{"二氧化铀", "二氧化钍"};
    }
    void elementJump()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        MainWindowHarness h;
        QString sql;
        const QList<QPair<QString, QString>> chemicals = {
            {"二氧化氮", "NO2"}, {"氢氟酸", "HF"},     {"四氯化铪", "HfCl4"}, {"二氧化碳", "CO2"},
            {"一氧化碳", "CO"},   {"氯化钴", "CoCl2"}, {"钴", "Co"},          {"二硫化碳", "CS2"},
            {"氯化铯", "CsCl"},   {"氯化钙", "CaCl2"}, {"氯气", "Cl2"},       {"三氯化镧", "LaCl3"},
            {"二氧化铈", "CeO2"}, {"氧化镥", "Lu2O3"}, {"二氧化铀", "UO2"},   {"二氧化钍", "ThO2"},
            {"氧化铜", "CuO"},    {"铁氰化钾", "K3Fe(CN)6"}};
        for (const auto &[name, formula] : chemicals)
            sql += QStringLiteral("INSERT INTO sj (中文名称, 分子式) VALUES ('%1', '%2');").arg(name, formula);
        exec(h.fixture().file("\\data\\sj1.data"), sql);
        PeriodicForm *form = openForm(h);
        doubleClick(form->MSFlexGrid1, row, column);
        auto &w = h.w();
        QTRY_VERIFY(form->isMinimized());
        QCOMPARE(w.Combo1->currentText(), QString("分子式"));
        QCOMPARE(w.Combo2->text(), text);
        QStringList listed = h.listEntries();
        listed.sort();
        expected.sort();
        QCOMPARE(listed, expected);
        QCOMPARE(w.Label3->text(), QString("找到 %1 个相关的化学品").arg(expected.size()));
        if (expected.isEmpty()) {
            QVERIFY(h.recordText().startsWith("你所要找的化学品未找到"));
        } else {
            QCOMPARE(h.resultFile(), text);
            QVERIFY(h.recordText().contains("【中文名称】"));
        }
    }

    // The series cells are shown whole and explain themselves.
    void seriesCells()
    {
        MainWindowHarness h;
        PeriodicForm *form = openForm(h);
        FlexGrid *g = form->MSFlexGrid1;
        for (const QSize &size : {QSize(760, 520), QSize(1000, 700), QSize(600, 420)}) {
            form->resize(size);
            for (int r : {6, 7}) {
                QTableWidgetItem *cell = g->item(r, 3);
                const QFont font = cell->data(Qt::FontRole).isValid() ? cell->font() : g->font();
                const int width = QFontMetrics(font).horizontalAdvance(cell->text());
                QVERIFY2(width <= g->columnWidth(3) - 4, qPrintable(QString("%1 %2").arg(width).arg(g->columnWidth(3))));
            }
            // Symbols that fit keep the grid's own font.
            QVERIFY(!g->item(4, 8)->data(Qt::FontRole).isValid());
        }
        QCOMPARE(g->item(6, 3)->toolTip(), QString("镧系元素（La-Lu）\n原子序数：57～71\n双击列出这些元素的化合物"));
        QCOMPARE(g->item(7, 3)->toolTip(), QString("锕系元素（Ac-Lr）\n原子序数：89～103\n双击列出这些元素的化合物"));
    }

    void elementToolTips()
    {
        MainWindowHarness h;
        FlexGrid *g = openForm(h)->MSFlexGrid1;
        QCOMPARE(g->item(4, 8)->toolTip(), QString("铁（Fe）\n原子序数：26\n相对原子质量：55.845"));
        QVERIFY(g->item(5, 7)->toolTip().endsWith("相对原子质量：[98]")); // Tc has no stable isotope
        QVERIFY(g->item(1, 5)->toolTip().isEmpty());
        QVERIFY(g->item(0, 1)->toolTip().isEmpty());

        // Columns are found by name; a file without them gives no tooltips.
        QTemporaryDir dir;
        const QString path = dir.filePath("e.tsv");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("中文名称\t相对原子质量\t符号\t原子序数\n铁\t55.845\tFe\t26\n");
        f.close();
        QCOMPARE(ElementTable::load(path).toolTip("Fe"), QString("铁（Fe）\n原子序数：26\n相对原子质量：55.845"));
        QVERIFY(ElementTable::load(dir.filePath("missing.tsv")).isEmpty());
    }
};

QTEST_MAIN(TestPeriodicForm)
#include "test_periodicform.moc"
