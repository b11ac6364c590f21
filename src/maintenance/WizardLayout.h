#pragma once

#include <QRect>
#include <QSize>

namespace velmora::maintenance {

// What the wizards' layout reads, in twips: the client area, the bars, and
// the sizes of the controls that keep their own size.
struct WizardLayoutInput {
    bool addWizard = false;
    int width = 0;  // client area
    int height = 0;
    int toolbarTop = 0;
    int toolbarHeight = 0;
    int statusBarHeight = 0;
    QSize label2;       // "说明："
    int label3Height = 0;
    QSize itemHeading;  // "修改或添加项目：" (Label4) or "添加化学品的：" (Label5)
    QSize label1;       // the item's name
    QSize pickerLabel;  // "请选择标题：" (Label5, or Label6 in the add wizard)
    QSize combo1;
};

// Where each control goes, in twips. Rectangles may come out with negative
// sizes when the window is very small; the window clamps them.
struct WizardLayout {
    QRect treeView1;
    QRect label2;
    QRect label3;
    QRect itemHeading;
    QRect label1;
    QRect pickerLabel;
    QRect editor; // Text1 and Text2, one rectangle
    QRect combo1;
    QRect picture1;

    static WizardLayout place(const WizardLayoutInput &in);
};

} // namespace velmora::maintenance
