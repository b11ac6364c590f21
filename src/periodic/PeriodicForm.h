#pragma once

#include "periodic/ElementTable.h"
#include "periodic/PeriodicLayout.h"

#include <QRect>
#include <QWidget>

class QLabel;
class QStatusBar;

namespace velmora::app {
class MainWindow;
}
namespace velmora::db {
class DataSource;
}

namespace velmora::periodic {

class FlexGrid;

// The periodic table window `periodicfrm`: the cells of table periodic as a
// grid coloured by block and element class; double-clicking an element looks
// up the chemicals whose formula begins with its symbol in the main window and
// then gets out of the way. One window per main window, its child; it is
// loaded on first use and lives, with its open data source, as long as the
// main window.
class PeriodicForm : public QWidget {
    Q_OBJECT
public:
    // The opening rule of the menu entry and toolbar button: restore the
    // window when it is minimised, otherwise show it (loading it once).
    static void open(app::MainWindow &main);
    // The main window's periodic table window; null before its first use.
    static PeriodicForm *instance(const app::MainWindow &main);

    explicit PeriodicForm(app::MainWindow &main);

    QLabel *Label1 = nullptr;
    FlexGrid *MSFlexGrid1 = nullptr;
    db::DataSource *Data1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QLabel *PicCaption = nullptr;
    QLabel *PicBorder = nullptr;

    void Form_Load();
    void Form_Resize();
    void MSFlexGrid1_DblClick();

    // The sizes of the last resize, in twips.
    const PeriodicLayout &layoutTwips() const { return m_layout; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void colourCells();
    void setToolTips();
    void fitCellTexts();
    // The symbols a cell stands for: its own text, or for a series cell
    // ("La-Lu") the symbols of that series as its row in the table lists them.
    QStringList symbolsOf(int row, int column) const;
    QString seriesToolTip(int row, int column) const;
    void centreOnScreen();

    app::MainWindow &m_main;
    ElementTable m_elements;
    QRect m_gridTwips;
    PeriodicLayout m_layout;
};

} // namespace velmora::periodic
