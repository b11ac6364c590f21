// The record edit wizard driven on a copy of the fixture database: what it
// opens on, how edits reach table sj, the picture, the step commands and
// keys, and closing.
#include "WizardTestKit.h"

#include "app/BoundPictureBox.h"
#include "app/TabStrip.h"
#include "maintenance/DataForm.h"
#include "maintenance/MaintenanceCommands.h"
#include "record/RichTextBox.h"
#include "search/HistoryCombo.h"
#include "support/MainWindowHarness.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

using velmora::maintenance::DataForm;
using velmora::maintenance::MaintenanceCommands;
using velmora::test::MainWindowHarness;
using namespace velmora::test;

namespace {

const QString FormicAcid = QStringLiteral("甲酸；蚁酸");

DataForm &openWizard(MainWindowHarness &h)
{
    clickMainButton(h.w(), 16);
    DataForm *f = DataForm::instance();
    if (!f)
        qFatal("the edit wizard did not open");
    return *f;
}

QImage sampleImage()
{
    QImage image(40, 24, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

} // namespace

class TestEditWizard : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        if (DataForm::instance())
            delete DataForm::instance();
    }

    void opensOnTheSelectedChemical()
    {
        MainWindowHarness h;
        DataForm &f = openWizard(h);
        QCOMPARE(f.objectName(), QString("datafrm"));
        QCOMPARE(f.windowTitle(), QString("纪录修改向导"));
        QCOMPARE(f.Text2->text(), FormicAcid);
        QVERIFY(h.messages.isEmpty());

        // Every field from the second on, the picture as item 4.
        QStringList items;
        for (int i = 1; i <= f.itemCount(); ++i)
            items << f.itemText(i);
        QCOMPARE(items.mid(0, 6), (QStringList{"中文名称", "英文名称", "分子式", "结构式或分子式", "分子量", "CAS号"}));
        QCOMPARE(items.count("性状"), 1);
        QCOMPARE(items.last(), QString("第三级标题"));
        QCOMPARE(f.itemCount(), 26);

        QCOMPARE(f.selectedItem(), 1);
        QCOMPARE(f.Label1->text(), QString("中文名称"));
        QCOMPARE(f.Label3->text(),
                 QString("请输入或修改化学品的中文名称。每个名称用“；”隔开。注意，名称中不能含有字符 [ 或 ]，否则将会出错！"));
        QCOMPARE(f.StatusBar1->currentMessage(), QString("欢迎使用纪录修改向导。"));
        QVERIFY(!f.toolbarButton(5)->isEnabled());
        QVERIFY(f.toolbarButton(6)->isEnabled());
        QVERIFY(f.Text2->isVisibleTo(&f));
        QVERIFY(!f.Picture1->isVisibleTo(&f));
        QVERIFY(!f.Combo1->isVisibleTo(&f));
        QVERIFY(!f.pickerLabel->isVisibleTo(&f));
        QCOMPARE(f.insertMenu()->actions().size(), 11);
        QCOMPARE(f.insertMenu()->actions().last()->text(), QString("pH"));

        // A second command brings the same window forward.
        clickMainButton(h.w(), 16);
        QCOMPARE(DataForm::instance(), &f);
    }

    void editingAFieldAndSteppingOnWritesIt()
    {
        MainWindowHarness h;
        const int chemicals = chemicalCount();
        DataForm &f = openWizard(h);
        stepOn(f);
        QCOMPARE(f.Label1->text(), QString("英文名称"));
        QCOMPARE(f.Text1->text(), QString("formic acid;methanoic acid"));
        QVERIFY(!f.Text2->isVisibleTo(&f));
        QCOMPARE(f.Label3->text(), QString("请输入或修改化学品的英文名称。如果是名称，每个名称用“；”隔开。"));
        QCOMPARE(f.StatusBar1->currentMessage(), QString("请输入或修改化学品的英文名称"));
        typeInto(f.Text1, QStringLiteral(";aminic acid"));
        stepOn(f);
        QCOMPARE(chemical(FormicAcid, "英文名称"), QStringList{"formic acid;methanoic acid;aminic acid"});

        // A click on an item writes the same way.
        typeInto(f.Text1, QStringLiteral("H"));
        clickItem(f, QStringLiteral("用途"));
        QCOMPARE(chemical(FormicAcid, "分子式"), QStringList{"CH2O2H"});
        QCOMPARE(f.Label3->text(), QString("请输入或修改化学品的用途。如果是名称，每个名称用“；”隔开。"));
        QVERIFY(f.Text1->text().startsWith("基本有机化工原料"));

        // 退出 writes what is pending and closes the window.
        retype(f.Text1, QStringLiteral("溶剂"));
        clickButton(f, 12);
        flushDeletes();
        QVERIFY(!DataForm::instance());
        QCOMPARE(chemical(FormicAcid, "用途"), QStringList{"溶剂"});
        QCOMPARE(chemicalCount(), chemicals);
    }

    void aChangedChineseNameIsTheFetchKey()
    {
        MainWindowHarness h;
        DataForm &f = openWizard(h);
        typeInto(f.Text2, QStringLiteral("；甲酸液"));
        stepOn(f);
        const QString renamed = QStringLiteral("甲酸；蚁酸；甲酸液");
        QCOMPARE(chemical(renamed, "CAS号"), QStringList{"64-18-6"});
        QVERIFY(chemical(FormicAcid, "CAS号").isEmpty());
        // Later edits still reach the renamed record.
        QCOMPARE(f.Text1->text(), QString("formic acid;methanoic acid"));
        retype(f.Text1, QStringLiteral("formic acid"));
        stepOn(f);
        QCOMPARE(chemical(renamed, "英文名称"), QStringList{"formic acid"});

        // 保存 shows it in the main window and leaves the wizard open.
        clickButton(f, 8);
        QCOMPARE(h.w().Combo2->text(), renamed);
        QCOMPARE(h.selectedEntry(), renamed);
        QVERIFY(h.recordText().contains("甲酸液"));
        QCOMPARE(DataForm::instance(), &f);
        QCOMPARE(f.Label1->text(), QString("分子式"));
    }

    void saveFindsTheChemicalWhateverTheMainRoute()
    {
        MainWindowHarness h;
        DataForm &f = openWizard(h);
        h.w().setRoute(QStringLiteral("英文名称"));
        clickButton(f, 8);
        QCOMPARE(h.w().route(), QString("中文名称"));
        QCOMPARE(h.selectedEntry(), FormicAcid);
    }

    void pictureItemPasteCopyAndDelete()
    {
        MainWindowHarness h;
        QVERIFY(!picture(FormicAcid).isEmpty());
        DataForm &f = openWizard(h);
        clickItem(f, QStringLiteral("结构式或分子式"));
        QVERIFY(f.Picture1->isVisibleTo(&f));
        QVERIFY(!f.Text1->isVisibleTo(&f));
        QVERIFY(!f.Text2->isVisibleTo(&f));
        QVERIFY(f.Picture1->hasPicture());
        // The step buttons follow the position here too.
        QVERIFY(f.toolbarButton(5)->isEnabled());

        // Text on the clipboard is no picture: the picture stays.
        QApplication::clipboard()->setText(QStringLiteral("not a picture"));
        clickButton(f, 3);
        stepBack(f);
        QVERIFY(!picture(FormicAcid).isEmpty());

        stepOn(f);
        QApplication::clipboard()->setImage(sampleImage());
        clickButton(f, 3);
        stepOn(f);
        QImage stored;
        QVERIFY(stored.loadFromData(picture(FormicAcid)));
        QCOMPARE(stored.size(), QSize(40, 24));

        stepBack(f);
        QCOMPARE(f.itemText(f.selectedItem()), QString("结构式或分子式"));
        QApplication::clipboard()->clear();
        chooseFromMenu(f.edit, 0, [&] { clickAt(f.Picture1, f.Picture1->rect().center(), Qt::RightButton); });
        QCOMPARE(QApplication::clipboard()->image().size(), QSize(40, 24));

        chooseFromMenu(f.edit, 3, [&] { clickAt(f.Picture1, f.Picture1->rect().center(), Qt::RightButton); });
        QVERIFY(!f.Picture1->hasPicture());
        QVERIFY(QApplication::clipboard()->image().isNull());
        QVERIFY(QApplication::clipboard()->text().isEmpty());
        stepOn(f);
        QVERIFY(picture(FormicAcid).isEmpty());
    }

    void stepButtonsAndArrowKeysAtBothEnds()
    {
        MainWindowHarness h;
        DataForm &f = openWizard(h);
        // Item 1: Up does nothing, Down steps once.
        pressKey(f.TreeView1, Qt::Key_Up);
        QCOMPARE(f.selectedItem(), 1);
        pressKey(f.TreeView1, Qt::Key_Down);
        QCOMPARE(f.selectedItem(), 2);
        QCOMPARE(f.Label1->text(), QString("英文名称"));
        QVERIFY(f.toolbarButton(5)->isEnabled());

        // In the editor the key steps as well.
        pressKey(f.Text1, Qt::Key_Down);
        QCOMPARE(f.selectedItem(), 3);

        const int last = f.itemCount();
        clickItem(f, f.itemText(last));
        QVERIFY(!f.toolbarButton(6)->isEnabled());
        QVERIFY(f.toolbarButton(5)->isEnabled());
        pressKey(f.TreeView1, Qt::Key_Down);
        QCOMPARE(f.selectedItem(), last);
        clickButton(f, 6); // disabled: nothing
        QCOMPARE(f.selectedItem(), last);
        pressKey(f.TreeView1, Qt::Key_Up);
        QCOMPARE(f.selectedItem(), last - 1);
        QVERIFY(f.toolbarButton(6)->isEnabled());

        clickButton(f, 5);
        QCOMPARE(f.selectedItem(), last - 2);
        clickItem(f, QStringLiteral("英文名称"));
        clickButton(f, 5);
        QCOMPARE(f.selectedItem(), 1);
        QVERIFY(!f.toolbarButton(5)->isEnabled());
        QVERIFY(f.Text2->isVisibleTo(&f));
    }

    void insertingASymbol()
    {
        MainWindowHarness h;
        DataForm &f = openWizard(h);
        clickItem(f, QStringLiteral("熔点"));
        typeInto(f.Text1, QString());
        QWidget *insert = f.Toolbar1->widgetForAction(f.toolbarButton(10));
        chooseFromMenu(f.insertMenu(), 0, [&] { clickAt(insert, QPoint(insert->width() - 4, insert->height() / 2)); });
        QCOMPARE(f.Text1->text(), QString("8.4℃"));
        QCOMPARE(QApplication::clipboard()->text(), QString("℃"));
        stepOn(f);
        QCOMPARE(chemical(FormicAcid, "熔点"), QStringList{"8.4℃"});
    }

    void openingMessages()
    {
        MainWindowHarness h;
        h.search(QStringLiteral("不存在的名字"));
        QCOMPARE(h.w().List1->count(), 0);
        MaintenanceCommands::modit_Click(h.w());
        DataForm *f = DataForm::instance();
        QVERIFY(f);
        QCOMPARE(h.messages, (QStringList{"提醒！|无法找到修改的化合物，请重新定位后再修改！",
                                          "Velmora|你所要修改的化学品不存在，请重新进行检索。"}));
        // Nothing to edit: the boxes take no input that would be lost.
        QCOMPARE(f->itemCount(), 26);
        QVERIFY(f->Text1->isReadOnly());
        QVERIFY(f->Text2->isReadOnly());
        QVERIFY(f->isVisible());
    }

    void openingFromTheCategoryTab()
    {
        MainWindowHarness h;
        h.w().TabStrip1->selectTab(1);
        auto *node = new QTreeWidgetItem(h.w().TreeView1, QStringList{QStringLiteral("苯")});
        h.w().TreeView1->setCurrentItem(node);
        // The category tab turns the record commands off; the command itself still works.
        MaintenanceCommands::modit_Click(h.w());
        QCOMPARE(DataForm::instance()->Text2->text(), QString("苯"));
    }

    void openingOnOtherRoutes()
    {
        {
            MainWindowHarness h;
            h.search(QStringLiteral("benzol"), QStringLiteral("英文名称"));
            MaintenanceCommands::modit_Click(h.w());
            QCOMPARE(DataForm::instance()->Text2->text(), QString("苯"));
            delete DataForm::instance();
        }
        {
            // A property route lists Chinese names: the chemical is found by it.
            MainWindowHarness h;
            h.search(QStringLiteral("1.22"), QStringLiteral("密度"));
            QCOMPARE(h.selectedEntry(), FormicAcid);
            MaintenanceCommands::modit_Click(h.w());
            DataForm *f = DataForm::instance();
            QCOMPARE(f->Text2->text(), FormicAcid);
            stepOn(*f);
            typeInto(f->Text1, QStringLiteral("x"));
            stepOn(*f);
            QCOMPARE(chemical(FormicAcid, "英文名称"), QStringList{"formic acid;methanoic acidx"});
        }
    }

    void closingByTheCaptionKeepsWhatWasTyped()
    {
        MainWindowHarness h;
        DataForm &f = openWizard(h);
        clickItem(f, QStringLiteral("沸点"));
        retype(f.Text1, QStringLiteral("100.7"));
        closeByCaption(&f);
        flushDeletes();
        QVERIFY(!DataForm::instance());
        QCOMPARE(chemical(FormicAcid, "沸点"), QStringList{"100.7"});
        // The next command loads a new window.
        QVERIFY(&openWizard(h) != nullptr);
    }

    void aNameWithAQuoteIsFound()
    {
        MainWindowHarness h(QStringLiteral("2,2'-联吡啶"));
        DataForm &f = openWizard(h);
        QCOMPARE(f.Text2->text(), QString("2,2'-联吡啶"));
        stepOn(f);
        retype(f.Text1, QStringLiteral("2,2'-bipyridine"));
        stepOn(f);
        QCOMPARE(chemical(QStringLiteral("2,2'-联吡啶"), "英文名称"), QStringList{"2,2'-bipyridine"});
    }
};

QTEST_MAIN(TestEditWizard)
#include "test_editwizard.moc"
