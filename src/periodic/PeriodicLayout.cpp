#include "periodic/PeriodicLayout.h"

#include <cmath>

namespace velmora::periodic {

int PeriodicLayout::roundHalfEven(double value)
{
    const double down = std::floor(value);
    const double rest = value - down;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(down, 2.0) != 0.0))
        return int(down) + 1;
    return int(down);
}

PeriodicLayout PeriodicLayout::resize(const PeriodicLayoutInput &in)
{
    PeriodicLayout l;
    l.label = QPoint(roundHalfEven((in.width - in.labelWidth) / 2.0), 120);
    // The label's top is left out of the height on purpose: the grid's lower
    // edge ends 70 twips below the top of the status bar, under it.
    const QRect wanted(25, l.label.y() + in.labelHeight + 50, in.width - 50,
                       in.height - in.statusBarHeight - in.labelHeight - 100);
    // A window made too small leaves the grid where it was.
    l.gridMoved = wanted.width() >= 0 && wanted.height() >= 0;
    l.grid = l.gridMoved ? wanted : in.grid;
    // Fixed divisors, whatever the grid's own column and row counts.
    l.columnWidth = roundHalfEven(l.grid.width() / 19.0 * 0.9813);
    l.rowHeight = roundHalfEven(l.grid.height() / 11.0 * 0.98);
    return l;
}

} // namespace velmora::periodic
