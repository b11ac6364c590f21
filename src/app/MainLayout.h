#pragma once

#include <QRect>

namespace velmora::app {

// The main window's layout rules, in twips, as pure functions of the inner
// size and the heights the controls have.
struct MainLayoutInput {
    int width = 0;  // inner width W
    int height = 0; // inner height H
    int toolbar1Height = 0;
    int toolbar2Height = 0;
    int statusBarHeight = 0;
    int label3Height = 0;
    int combo1Width = 0;
    int image8Height = 0;
};

struct MainLayout {
    // The least width of the search box: a dozen characters.
    static constexpr int MinSearchBoxWidth = 2400;
    // The minimum inner size; below it the window jumps back to it. The
    // width keeps the search box (left 5350 on the bar, which starts at 50)
    // usable.
    static constexpr int MinWidth = 50 + 5350 + MinSearchBoxWidth + 80;
    static constexpr int MinHeight = 4875;
    // The split bar stays between these lefts.
    static constexpr int SplitMin = 1215;
    static constexpr int SplitMax = 5310;

    QRect toolbar1, toolbar2, combo1, combo2, tabStrip, list1, treeView1, richTextBox1, splitBar1,
        image8, label3;

    static bool tooSmall(int width, int height) { return height < MinHeight || width < MinWidth; }
    static MainLayout resize(const MainLayoutInput &in);
    // The bar was moved to barLeft: returns the layout after the split rule,
    // starting from the current one.
    static MainLayout split(const MainLayout &current, const MainLayoutInput &in, int barLeft);
    static int clampSplit(int barLeft);
};

} // namespace velmora::app
