// The wizards' item lists and their layout in twips, without windows.
#include "maintenance/WizardItems.h"
#include "maintenance/WizardLayout.h"

#include <QTest>

using velmora::maintenance::WizardItems;
using velmora::maintenance::WizardLayout;
using velmora::maintenance::WizardLayoutInput;

class TestWizardParts : public QObject {
    Q_OBJECT
private slots:
    void items_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("edit");
        QTest::addColumn<QStringList>("add");

        QTest::newRow("性状 stored at position 8")
            << QStringList{"编号", "中文名称", "英文名称", "分子式", "分子量", "CAS号", "密度", "性状", "熔点"}
            << QStringList{"中文名称", "英文名称", "分子式", "结构式或分子式", "分子量", "CAS号", "密度", "性状", "熔点"}
            << QStringList{"中文名称", "英文名称", "分子式", "结构式或分子式", "分子量", "性状", "CAS号", "密度", "熔点"};
        QTest::newRow("性状 stored at position 6")
            << QStringList{"a", "中文名称", "b", "c", "d", "性状", "e"}
            << QStringList{"中文名称", "b", "c", "结构式或分子式", "d", "性状", "e"}
            << QStringList{"中文名称", "b", "c", "结构式或分子式", "d", "性状", "e"};
        QTest::newRow("no 性状 field: the add wizard still lists it")
            << QStringList{"a", "中文名称", "b", "c", "d", "e"}
            << QStringList{"中文名称", "b", "c", "结构式或分子式", "d", "e"}
            << QStringList{"中文名称", "b", "c", "结构式或分子式", "d", "性状", "e"};
        QTest::newRow("first field is never listed")
            << QStringList{"中文名称"} << QStringList{} << QStringList{};
    }
    void items()
    {
        QFETCH(QStringList, fields);
        QFETCH(QStringList, edit);
        QFETCH(QStringList, add);
        QCOMPARE(WizardItems::editItems(fields), edit);
        QCOMPARE(WizardItems::addItems(fields), add);
    }

    void layout_data()
    {
        QTest::addColumn<bool>("addWizard");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("edit wizard, first size") << false << 9330 << 6420;
        QTest::newRow("edit wizard, wide") << false << 15000 << 9000;
        QTest::newRow("add wizard, first size") << true << 9420 << 6750;
    }
    void layout()
    {
        QFETCH(bool, addWizard);
        QFETCH(int, width);
        QFETCH(int, height);
        WizardLayoutInput in;
        in.addWizard = addWizard;
        in.width = width;
        in.height = height;
        in.toolbarHeight = 780;
        in.statusBarHeight = 330;
        in.label2 = QSize(600, 270);
        in.label3Height = 1000;
        in.itemHeading = QSize(1500, 270);
        in.label1 = QSize(3000, 270);
        in.pickerLabel = QSize(1200, 270);
        in.combo1 = QSize(3200, 330);
        const WizardLayout l = WizardLayout::place(in);

        QCOMPARE(l.treeView1, QRect(50, 830, int(0.3 * width), height - 330 - 780 - 25));
        const int tvRight = 50 + int(0.3 * width);
        QCOMPARE(l.label2.topLeft(), QPoint(tvRight + 300, 1030));
        QCOMPARE(l.label3.left(), l.label2.left() + 700);
        QCOMPARE(l.label3.left() + l.label3.width(), width - 100);
        QCOMPARE(l.label3.top(), 1400);
        QCOMPARE(l.itemHeading.topLeft(), QPoint(l.label2.left(), 2500));
        QCOMPARE(l.label1.topLeft(), QPoint(l.label2.left() + 1600, 2500));
        // The editor fills the right side down to the status bar.
        QCOMPARE(l.editor.left(), tvRight + 25);
        QCOMPARE(l.editor.left() + l.editor.width(), width - 5);
        QCOMPARE(l.editor.top() + l.editor.height(), height - 330);
        QCOMPARE(l.combo1.topLeft(), QPoint(l.pickerLabel.left() + 1200, l.pickerLabel.top()));
        if (addWizard) {
            QCOMPARE(l.pickerLabel.top(), 2770);
            QCOMPARE(l.editor.top(), 2770 + 270 + 200);
            QCOMPARE(l.picture1, l.editor);
        } else {
            QCOMPARE(l.pickerLabel.top(), 2870);
            QCOMPARE(l.editor.top(), 2870 + 270 + 50);
            QCOMPARE(l.picture1.top(), 2870);
            QCOMPARE(l.picture1.left(), l.editor.left());
        }
    }
};

QTEST_MAIN(TestWizardParts)
#include "test_wizardparts.moc"
