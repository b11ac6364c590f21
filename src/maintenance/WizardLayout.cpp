#include "maintenance/WizardLayout.h"

namespace velmora::maintenance {

WizardLayout WizardLayout::place(const WizardLayoutInput &in)
{
    WizardLayout l;
    const int tvWidth = int(0.3 * in.width);
    l.treeView1 = QRect(50, in.toolbarTop + in.toolbarHeight + 50, tvWidth,
                        in.height - in.statusBarHeight - in.toolbarHeight - 25);
    const int right = l.treeView1.left() + l.treeView1.width();
    l.label2 = QRect(QPoint(right + 300, l.treeView1.top() + 200), in.label2);
    // The prompt runs to 100 twips short of the right edge.
    const int label3Left = l.label2.left() + l.label2.width() + 100;
    l.label3 = QRect(label3Left, l.label2.top() + l.label2.height() + 100, in.width - label3Left - 100,
                     in.label3Height);
    const int label3Bottom = l.label3.top() + l.label3.height();
    l.itemHeading = QRect(QPoint(l.label2.left(), label3Bottom + 100), in.itemHeading);
    l.label1 = QRect(QPoint(l.itemHeading.left() + l.itemHeading.width() + 100, l.itemHeading.top()), in.label1);

    const int editorLeft = right + 25;
    const int editorWidth = in.width - tvWidth - 80;
    if (!in.addWizard) {
        l.pickerLabel = QRect(QPoint(l.itemHeading.left(), l.label1.top() + l.label1.height() + 100), in.pickerLabel);
        const int pickerBottom = l.pickerLabel.top() + l.pickerLabel.height();
        l.editor = QRect(editorLeft, pickerBottom + 50, editorWidth, in.height - in.statusBarHeight - pickerBottom - 50);
        l.combo1 = QRect(QPoint(l.pickerLabel.left() + l.pickerLabel.width(), l.pickerLabel.top()), in.combo1);
        const int label1Bottom = l.label1.top() + l.label1.height();
        l.picture1 = QRect(editorLeft, label1Bottom + 100, editorWidth, in.height - in.statusBarHeight - label1Bottom - 50);
    } else {
        l.pickerLabel = QRect(QPoint(l.itemHeading.left(), l.itemHeading.top() + l.itemHeading.height()), in.pickerLabel);
        l.combo1 = QRect(QPoint(l.pickerLabel.left() + l.pickerLabel.width(), l.pickerLabel.top()), in.combo1);
        const int pickerBottom = l.pickerLabel.top() + l.pickerLabel.height();
        l.editor = QRect(editorLeft, pickerBottom + 200, editorWidth, in.height - in.statusBarHeight - pickerBottom - 200);
        l.picture1 = l.editor;
    }
    return l;
}

} // namespace velmora::maintenance
