#pragma once

#include <QPoint>
#include <QRect>

namespace velmora::periodic {

// What the periodic table window's resize rule reads, in twips.
struct PeriodicLayoutInput {
    int width = 0;  // the window's inner width
    int height = 0; // the window's inner height
    int labelWidth = 0;
    int labelHeight = 0;
    int statusBarHeight = 0;
    QRect grid; // where the grid is now
};

// The periodic table window's resize rule as a pure function, in twips: the
// title centred 120 twips from the top, the grid below it down to just past
// the top of the status bar, and the grid's cells sized as if it always had
// 19 columns and 11 rows.
struct PeriodicLayout {
    QPoint label;
    QRect grid;
    bool gridMoved = false; // false when the new size would be negative
    int columnWidth = 0;
    int rowHeight = 0;

    static PeriodicLayout resize(const PeriodicLayoutInput &in);
    // Whole twips, halves to the even neighbour.
    static int roundHalfEven(double value);
};

} // namespace velmora::periodic
