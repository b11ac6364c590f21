#include "app/MainLayout.h"

#include <algorithm>

namespace velmora::app {

MainLayout MainLayout::resize(const MainLayoutInput &in)
{
    MainLayout l;
    const int W = in.width, H = in.height;
    l.toolbar1 = QRect(50, 0, W, in.toolbar1Height);
    l.toolbar2 = QRect(50, l.toolbar1.height(), W, in.toolbar2Height);
    const int t2Bottom = l.toolbar2.top() + l.toolbar2.height();

    // The boxes sit on the search bar, in its coordinates.
    l.combo1 = QRect(1800, 0, in.combo1Width, 0);
    l.combo2 = QRect(5350, 0, l.toolbar2.width() - 5350 - 80, 0);

    const int tabWidth = l.combo1.left() + l.combo1.width() / 2;
    l.tabStrip = QRect(100, t2Bottom + 50, tabWidth, 0);
    l.list1 = QRect(150, t2Bottom + 100, tabWidth - 100, 0);
    l.treeView1 = l.list1;

    l.richTextBox1 = QRect(l.tabStrip.left() + tabWidth + 20, l.tabStrip.top(), W - tabWidth - 150,
                           H - l.toolbar2.top() - l.toolbar2.height() - in.statusBarHeight - 50);
    l.splitBar1.setHeight(l.richTextBox1.height());

    l.image8 = QRect(0, H - in.statusBarHeight - 910, 0, in.image8Height);
    l.label3 = QRect(100, l.image8.top() - in.label3Height - 60, 0, in.label3Height);

    l.tabStrip.setHeight(l.label3.top() - l.toolbar2.top() - l.toolbar2.height() - 120);
    l.list1.setHeight(l.tabStrip.height() - 400);
    l.treeView1.setHeight(l.tabStrip.height() - 450);

    l.splitBar1.moveLeft(l.tabStrip.left() + l.tabStrip.width());
    l.splitBar1.moveTop(l.tabStrip.top());
    l.splitBar1.setHeight(l.richTextBox1.height());

    l.label3.moveLeft(l.tabStrip.left());
    l.label3.setWidth(l.tabStrip.width());
    l.image8.moveLeft(l.tabStrip.left());
    l.image8.setWidth(l.tabStrip.width());
    return l;
}

int MainLayout::clampSplit(int barLeft)
{
    return std::clamp(barLeft, SplitMin, SplitMax);
}

MainLayout MainLayout::split(const MainLayout &current, const MainLayoutInput &in, int barLeft)
{
    MainLayout l = current;
    const int left = clampSplit(barLeft);
    l.splitBar1.moveLeft(left);
    l.tabStrip.setWidth(left - l.tabStrip.left());
    l.list1.setWidth(l.tabStrip.width() - 100);
    l.treeView1.setWidth(l.tabStrip.width() - 100);
    l.label3.setWidth(l.tabStrip.width());
    l.image8.setWidth(l.tabStrip.width());
    l.richTextBox1 = QRect(l.tabStrip.left() + l.tabStrip.width() + 20, l.tabStrip.top(),
                           in.width - l.tabStrip.width() - 150,
                           in.height - l.toolbar2.top() - 2 * l.toolbar2.height() - 100);
    return l;
}

} // namespace velmora::app
