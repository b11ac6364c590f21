#include "periodic/PeriodicForm.h"

#include "app/Fonts.h"
#include "app/MainWindow.h"
#include "app/SkinSetup.h"
#include "app/Twips.h"
#include "db/AppFolder.h"
#include "app/FileReport.h"
#include "db/DataSource.h"
#include "db/DbError.h"
#include "db/ResultFile.h"
#include "periodic/FlexGrid.h"
#include "search/HistoryCombo.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>

namespace velmora::periodic {

namespace {

// One colouring step: a block of cells, visited column by column and row by
// row, and its colour. A null colour stands for the button face colour.
struct ColourStep {
    int firstColumn, lastColumn, firstRow, lastRow;
    QColor colour;
};

// Grid rows 1-7 are the periods, 9 and 10 the lanthanides and actinides;
// columns 1-18 the groups.
const ColourStep ColourSteps[] = {
    {1, 1, 1, 7, QColor(0x00, 0xFF, 0x00)},     // H and the alkali metals
    {2, 2, 2, 7, QColor()},                     // group 2
    {3, 12, 4, 7, QColor(0x80, 0xFF, 0x80)},    // transition metals
    {13, 13, 3, 7, QColor(0xFF, 0x80, 0xFF)},   // Al and below
    {13, 13, 2, 2, QColor(0x00, 0xC0, 0xC0)},   // B
    {14, 14, 2, 3, QColor(0x00, 0xC0, 0xC0)},   // C, Si
    {15, 15, 2, 4, QColor(0x00, 0xC0, 0xC0)},   // N, P, As
    {16, 16, 2, 5, QColor(0x00, 0xC0, 0xC0)},   // O, S, Se, Te
    {17, 17, 2, 7, QColor(0x00, 0xC0, 0xC0)},   // halogens
    {18, 18, 1, 7, QColor(0x80, 0x80, 0xFF)},   // noble gases
    {14, 14, 4, 7, QColor(0xFF, 0x80, 0xFF)},   // Ge and below
    {15, 15, 5, 7, QColor(0xFF, 0x80, 0xFF)},   // Sb and below
    {16, 16, 6, 7, QColor(0xFF, 0x80, 0xFF)},   // Po and below
    {3, 17, 9, 9, QColor(0xFF, 0xFF, 0xC0)},    // lanthanides
    {3, 17, 10, 10, QColor(0xFF, 0x00, 0x00)},  // actinides
};

const QString Welcome = QStringLiteral("欢迎使用Quillon软件工作室为您提供的元素周期表！双击察看元素的性质。");

QRect toPixels(const QRect &twips)
{
    using app::Twips;
    return QRect(Twips::toPixelsX(twips.left()), Twips::toPixelsY(twips.top()), Twips::toPixelsX(twips.width()),
                 Twips::toPixelsY(twips.height()));
}

} // namespace

PeriodicForm *PeriodicForm::instance(const app::MainWindow &main)
{
    return main.findChild<PeriodicForm *>(QString(), Qt::FindDirectChildrenOnly);
}

void PeriodicForm::open(app::MainWindow &main)
{
    PeriodicForm *form = instance(main);
    if (form && form->isMinimized()) {
        form->showNormal();
    } else {
        if (!form) {
            form = new PeriodicForm(main);
            form->Form_Load();
            form->centreOnScreen();
        }
        form->show();
    }
    form->raise();
    form->activateWindow();
}

PeriodicForm::PeriodicForm(app::MainWindow &main) : QWidget(&main, Qt::Window), m_main(main)
{
    setObjectName(QStringLiteral("periodicfrm"));
    setWindowTitle(QStringLiteral("元素周期表"));

    Label1 = new QLabel(QStringLiteral("元 素 周 期 表"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(app::Fonts::font(QStringLiteral("宋体"), 21.75));
    Label1->adjustSize();

    MSFlexGrid1 = new FlexGrid(this);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setFont(app::Fonts::font(QStringLiteral("宋体"), 10.5));
    MSFlexGrid1->setFixedRows(1);
    connect(MSFlexGrid1, &FlexGrid::dblClick, this, &PeriodicForm::MSFlexGrid1_DblClick);

    Data1 = new db::DataSource(this);
    Data1->setObjectName(QStringLiteral("Data1"));
    Data1->setConnect(QStringLiteral("Access"));
    Data1->setFixedColumns(0);
    Data1->setReadOnly(true);
    // The bound grid fills itself on every refresh.
    connect(Data1, &db::DataSource::refreshed, this, [this] {
        MSFlexGrid1->fill(Data1->grid());
        setToolTips();
        fitCellTexts();
    });

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    // The caption and border pictures of the window skin.
    PicCaption = new QLabel(this);
    PicCaption->setObjectName(QStringLiteral("PicCaption"));
    PicCaption->hide();
    PicBorder = new QLabel(this);
    PicBorder->setObjectName(QStringLiteral("PicBorder"));
    PicBorder->hide();

    m_elements = ElementTable::load(db::AppFolder::file(QStringLiteral("\\data\\elements.tsv")));
    resize(app::Twips::toPixelsX(10020), app::Twips::toPixelsY(6810));
    // Small enough to put aside, large enough for the caption's buttons and
    // a readable grid of all eighteen groups.
    setMinimumSize(540, 420);
    Form_Resize(); // the controls' places at the window's first size
}

void PeriodicForm::Form_Load()
{
    Data1->setDatabaseName(db::AppFolder::file(QStringLiteral("\\data\\periodic.data")));
    Data1->setRecordSource(QStringLiteral("periodic"));
    app::FileReport::check(this, {{Data1->databaseName(), Data1->connect()}});
    try {
        Data1->refresh();
    } catch (const db::DbError &) {
        // A missing or unreadable table leaves the grid empty; the window
        // still opens.
    }
    app::SkinSetup::apply(this);
    StatusBar1->showMessage(Welcome);
    colourCells();
}

void PeriodicForm::colourCells()
{
    FlexGrid &g = *MSFlexGrid1;
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    for (const ColourStep &step : ColourSteps) {
        for (int c = step.firstColumn; c <= step.lastColumn; ++c) {
            for (int r = step.firstRow; r <= step.lastRow; ++r) {
                // A table of another shape lacks some of these cells.
                if (r >= g.rowCount() || c >= g.columnCount())
                    continue;
                g.setCurrentCell(r, c);
                g.setCellBackColor(step.colour.isValid() ? step.colour : buttonFace);
            }
        }
    }
}

void PeriodicForm::setToolTips()
{
    FlexGrid &g = *MSFlexGrid1;
    for (int r = g.fixedRows(); r < g.rowCount(); ++r)
        for (int c = 0; c < g.columnCount(); ++c)
            if (QTableWidgetItem *cell = g.item(r, c)) {
                const QString series = seriesToolTip(r, c);
                cell->setToolTip(series.isEmpty() ? m_elements.toolTip(cell->text()) : series);
            }
}

void PeriodicForm::centreOnScreen()
{
    if (QScreen *screen = m_main.screen() ? m_main.screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void PeriodicForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void PeriodicForm::Form_Resize()
{
    using app::Twips;
    // The client area: inside the skin's frame when the window wears it.
    const QRect client = contentsRect();
    const int statusHeight = StatusBar1->sizeHint().height();
    StatusBar1->setGeometry(client.left(), client.top() + client.height() - statusHeight, client.width(),
                            statusHeight);

    PeriodicLayoutInput in;
    in.width = Twips::fromPixelsX(client.width());
    in.height = Twips::fromPixelsY(client.height());
    in.labelWidth = Twips::fromPixelsX(Label1->width());
    in.labelHeight = Twips::fromPixelsY(Label1->height());
    in.statusBarHeight = Twips::fromPixelsY(statusHeight);
    in.grid = m_gridTwips;
    m_layout = PeriodicLayout::resize(in);

    Label1->move(client.topLeft()
                 + QPoint(Twips::toPixelsX(m_layout.label.x()), Twips::toPixelsY(m_layout.label.y())));
    if (m_layout.gridMoved) {
        m_gridTwips = m_layout.grid;
        MSFlexGrid1->setGeometry(toPixels(m_gridTwips).translated(client.topLeft()));
    }
    FlexGrid &g = *MSFlexGrid1;
    for (int c = 0; c < g.columnCount(); ++c) {
        g.setColumnWidth(c, Twips::toPixelsX(m_layout.columnWidth));
        g.setColumnAlignment(c, Qt::AlignCenter);
    }
    for (int r = 0; r < g.rowCount(); ++r)
        g.setRowHeight(r, Twips::toPixelsY(m_layout.rowHeight));
    fitCellTexts();
}

QStringList PeriodicForm::symbolsOf(int row, int column) const
{
    const FlexGrid &g = *MSFlexGrid1;
    const QString text = g.textMatrix(row, column);
    // "La-Lu": the cells from La to Lu of the row that lists the series.
    const QStringList ends = text.split(QLatin1Char('-'));
    if (ends.size() == 2 && !ends[0].isEmpty() && !ends[1].isEmpty()) {
        for (int r = g.fixedRows(); r < g.rowCount(); ++r) {
            if (r == row)
                continue;
            for (int c = 0; c < g.columnCount(); ++c) {
                if (g.textMatrix(r, c) != ends[0])
                    continue;
                QStringList series;
                for (int k = c; k < g.columnCount(); ++k) {
                    series << g.textMatrix(r, k);
                    if (series.last() == ends[1])
                        return series;
                }
            }
        }
    }
    return {text};
}

QString PeriodicForm::seriesToolTip(int row, int column) const
{
    const QStringList symbols = symbolsOf(row, column);
    if (symbols.size() < 2)
        return {};
    // The series' own row names it in its first cell ("镧系").
    const FlexGrid &g = *MSFlexGrid1;
    QString name;
    for (int r = g.fixedRows(); r < g.rowCount() && name.isEmpty(); ++r)
        for (int c = 1; c < g.columnCount(); ++c)
            if (r != row && g.textMatrix(r, c) == symbols.first()) {
                name = g.textMatrix(r, 0);
                break;
            }
    QString tip = QStringLiteral("%1（%2）").arg(name.isEmpty() ? QStringLiteral("系列") : name + QStringLiteral("元素"),
                                               g.textMatrix(row, column));
    const ElementTable::Element *first = m_elements.find(symbols.first());
    const ElementTable::Element *last = m_elements.find(symbols.last());
    if (first && last)
        tip += QStringLiteral("\n原子序数：%1～%2").arg(first->number).arg(last->number);
    return tip + QStringLiteral("\n双击列出这些元素的化合物");
}

void PeriodicForm::fitCellTexts()
{
    // A text wider than its cell ("La-Lu") is set smaller until it fits.
    FlexGrid &g = *MSFlexGrid1;
    const QFont base = g.font();
    for (int r = 0; r < g.rowCount(); ++r) {
        for (int c = 0; c < g.columnCount(); ++c) {
            QTableWidgetItem *cell = g.item(r, c);
            if (!cell)
                continue;
            const int room = g.columnWidth(c) - 4;
            QFont font = base;
            while (QFontMetrics(font).horizontalAdvance(cell->text()) > room && font.pointSizeF() > 5)
                font.setPointSizeF(font.pointSizeF() - 0.5);
            if (font == base)
                cell->setData(Qt::FontRole, QVariant());
            else
                cell->setFont(font);
        }
    }
}

void PeriodicForm::MSFlexGrid1_DblClick()
{
    app::MainWindow &w = m_main;
    w.showBusy(QStringLiteral("请稍后……"));
    w.setRoute(QStringLiteral("分子式"));
    const int row = MSFlexGrid1->currentRow(), column = MSFlexGrid1->currentColumn();
    const QString text = MSFlexGrid1->textMatrix(row, column);
    w.Combo2->setText(text);
    // An element names itself only with its letter case and no small letter
    // after it (Co is not CO); an empty cell keeps the plain prefix search.
    if (text.isEmpty())
        w.jiansuo_suo();
    else
        w.elementSearch(symbolsOf(row, column));
    if (w.List1->count() > 0) {
        w.find_Click();
        db::ResultFile::write(db::AppFolder::file(QStringLiteral("\\result")), text);
    } else {
        w.writeNotFound();
    }
    w.showCount();
    w.forr_forr();
    showMinimized();
}

} // namespace velmora::periodic
