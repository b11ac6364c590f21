// The record add wizard and the deletions, driven on a copy of the fixture
// database: the new row, the name guard, duplicates, 添加, 删除, closing,
// the sort keys of a new chemical, and 删除纪录 in the main window.
#include "WizardTestKit.h"

#include "app/BoundPictureBox.h"
#include "db/SortKeys.h"
#include "maintenance/AddForm.h"
#include "maintenance/MaintenanceCommands.h"
#include "record/RichTextBox.h"
#include "search/HistoryCombo.h"
#include "support/MainWindowHarness.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

using velmora::maintenance::AddForm;
using velmora::test::MainWindowHarness;
using namespace velmora::test;

namespace {

const QString NameFirst = QStringLiteral("首先输入化学品的“中文名称”，才能继续进行");
const QString Duplicate = QStringLiteral("警告！|你添加的纪录已经存在！请按“删除”键删除。");

AddForm &openWizard(MainWindowHarness &h)
{
    clickMainButton(h.w(), 17);
    AddForm *f = AddForm::instance();
    if (!f)
        qFatal("the add wizard did not open");
    return *f;
}

} // namespace

class TestAddWizard : public QObject {
    Q_OBJECT
private slots:
    void opensOnANewRow()
    {
        MainWindowHarness h;
        const int chemicals = chemicalCount();
        AddForm &f = openWizard(h);
        QCOMPARE(f.objectName(), QString("addfrm"));
        QCOMPARE(f.windowTitle(), QString("添加纪录向导"));
        QVERIFY(f.Text2->text().isEmpty());
        QVERIFY(!f.Text2->isReadOnly());
        QVERIFY(h.messages.isEmpty());

        // 性状 comes right after the field at position 5, and only there.
        QStringList items;
        for (int i = 1; i <= f.itemCount(); ++i)
            items << f.itemText(i);
        QCOMPARE(items.mid(0, 8),
                 (QStringList{"中文名称", "英文名称", "分子式", "结构式或分子式", "分子量", "性状", "CAS号", "密度"}));
        QCOMPARE(items.count("性状"), 1);
        QCOMPARE(f.itemCount(), 26);

        QCOMPARE(f.itemHeading->objectName(), QString("Label5"));
        QCOMPARE(f.itemHeading->text(), QString("添加化学品的："));
        QCOMPARE(f.pickerLabel->objectName(), QString("Label6"));
        QVERIFY(f.Label3->text().startsWith("首先输入化学品的“中文名称”，然后再输入其他项目；"));
        QCOMPARE(f.StatusBar1->currentMessage(), QString("欢迎使用纪录添加向导。"));
        QVERIFY(!f.toolbarButton(5)->isEnabled());
        QCOMPARE(f.toolbarButton(9)->text(), QString("添加"));
        QCOMPARE(f.toolbarButton(10)->toolTip(), QString("删除添加的纪录"));
        QCOMPARE(f.insertMenu()->actions().size(), 11);

        // Closing at once stores nothing: the empty new row is discarded.
        closeByCaption(&f);
        flushDeletes();
        QVERIFY(!AddForm::instance());
        QCOMPARE(chemicalCount(), chemicals);
    }

    void theNameGuard()
    {
        MainWindowHarness h;
        const int chemicals = chemicalCount();
        AddForm &f = openWizard(h);
        clickItem(f, QStringLiteral("分子式"));
        QCOMPARE(h.messages, QStringList{"警告！|" + NameFirst});
        // The editor stays on the name, and the list goes back to it: it never
        // shows an item whose editor is not the one on view.
        QCOMPARE(f.selectedItem(), 1);
        QCOMPARE(f.Label1->text(), QString("中文名称"));
        QVERIFY(f.Text2->isVisibleTo(&f));
        QCOMPARE(f.StatusBar1->currentMessage(), QString("请输入或修改化学品的中文名称"));

        stepOn(f);
        QCOMPARE(h.messages.last(), "警告！|" + NameFirst);
        QCOMPARE(h.messages.size(), 2);
        QCOMPARE(f.selectedItem(), 1);
        // A name of blanks is no name either.
        typeInto(f.Text2, QStringLiteral("  "));
        stepOn(f);
        QCOMPARE(h.messages.size(), 3);
        QCOMPARE(f.selectedItem(), 1);
        QCOMPARE(chemicalCount(), chemicals);
    }

    void aNewChemicalWithItsSortKeys()
    {
        MainWindowHarness h;
        const int chemicals = chemicalCount();
        AddForm &f = openWizard(h);
        typeInto(f.Text2, QStringLiteral("测试甲醛"));
        clickItem(f, QStringLiteral("英文名称"));
        QVERIFY(h.messages.isEmpty());
        QCOMPARE(f.Label3->text(), QString("请输入化学品的英文名称。如果是名称，每个名称用“；”隔开。"));
        QCOMPARE(f.StatusBar1->currentMessage(), QString("请输入或修改化学品的英文名称"));
        QCOMPARE(chemicalCount(), chemicals + 1);
        QVERIFY(f.addedRow() > 0);
        QCOMPARE(chemical("测试甲醛", "中文标记"), QStringList{velmora::db::chineseSortKey("测试甲醛")});

        typeInto(f.Text1, QStringLiteral("Test Formaldehyde;testal"));
        stepOn(f);
        QCOMPARE(f.Label3->text(), QString("请输入或修改化学品的分子式。如果是名称，每个名称用“；”隔开。"));
        typeInto(f.Text1, QStringLiteral("CH2O"));
        clickButton(f, 8); // 保存
        QCOMPARE(h.w().Combo2->text(), QString("测试甲醛"));
        QCOMPARE(h.selectedEntry(), QString("测试甲醛"));
        QVERIFY(h.recordText().contains("Test Formaldehyde"));
        QCOMPARE(AddForm::instance(), &f);

        QCOMPARE(chemical("测试甲醛", "英文名称"), QStringList{"Test Formaldehyde;testal"});
        QCOMPARE(chemical("测试甲醛", "分子式"), QStringList{"CH2O"});
        QCOMPARE(chemical("测试甲醛", "英文标记"), QStringList{velmora::db::englishSortKey("Test Formaldehyde;testal")});
        QCOMPARE(chemicalCount(), chemicals + 1);
    }

    void aDuplicateIsWarnedAndDeletedLeavingTheOlder()
    {
        MainWindowHarness h;
        const int chemicals = chemicalCount();
        AddForm &f = openWizard(h);
        typeInto(f.Text2, QStringLiteral("苯"));
        stepOn(f);
        QCOMPARE(h.messages, QStringList{Duplicate});
        QCOMPARE(chemical("苯", "中文名称").size(), 2);
        // Edits go to the new row, not to the older chemical of that name.
        QVERIFY(f.Text1->text().isEmpty());
        typeInto(f.Text1, QStringLiteral("benzene (copy)"));
        stepOn(f);
        QCOMPARE(h.messages.size(), 2); // warned again at the next change
        QCOMPARE(chemical("苯", "英文名称"), (QStringList{"benzene;benzol", "benzene (copy)"}));

        clickButton(f, 10); // 删除
        QCOMPARE(chemical("苯", "英文名称"), QStringList{"benzene;benzol"});
        QCOMPARE(chemicalCount(), chemicals);
        QCOMPARE(f.selectedItem(), 1);
        QCOMPARE(f.Label1->text(), QString("中文名称"));
        QVERIFY(f.Text2->isVisibleTo(&f));
        QVERIFY(!f.Text1->isVisibleTo(&f));
        QVERIFY(!f.Picture1->isVisibleTo(&f));
        QVERIFY(f.Text2->text().isEmpty());

        // 删除 again has nothing of its own to delete.
        clickButton(f, 10);
        QCOMPARE(chemicalCount(), chemicals);
        QCOMPARE(chemical("苯", "英文名称"), QStringList{"benzene;benzol"});
    }

    void deleteWithNothingStoredDeletesNothing()
    {
        MainWindowHarness h;
        const QStringList before =
            readField(QStringLiteral("\\data\\sj1.data"), QStringLiteral("sj"), QStringLiteral("中文名称"));
        AddForm &f = openWizard(h);
        clickButton(f, 10);
        // A name typed but never stored is dropped, nothing else.
        typeInto(f.Text2, QStringLiteral("未存的名字"));
        clickButton(f, 10);
        QVERIFY(f.Text2->text().isEmpty());
        QCOMPARE(readField(QStringLiteral("\\data\\sj1.data"), QStringLiteral("sj"), QStringLiteral("中文名称")), before);

        // After 添加 the chemical stored before is no longer the window's.
        typeInto(f.Text2, QStringLiteral("测试乙"));
        stepOn(f);
        clickButton(f, 9);
        clickButton(f, 10);
        QCOMPARE(chemical("测试乙", "中文名称").size(), 1);
        QCOMPARE(chemicalCount(), before.size() + 1);
    }

    void addingASecondChemical()
    {
        MainWindowHarness h;
        const int chemicals = chemicalCount();
        AddForm &f = openWizard(h);
        typeInto(f.Text2, QStringLiteral("测试丙"));
        stepOn(f);
        typeInto(f.Text1, QStringLiteral("test c"));
        clickButton(f, 9); // 添加
        QVERIFY(f.Text2->text().isEmpty());
        QVERIFY(f.Text2->isVisibleTo(&f));
        QVERIFY(!f.Combo1->isVisibleTo(&f));
        QCOMPARE(f.selectedItem(), 1);
        QCOMPARE(chemical("测试丙", "英文名称"), QStringList{"test c"});

        typeInto(f.Text2, QStringLiteral("测试丁"));
        stepOn(f);
        typeInto(f.Text1, QStringLiteral("test d"));
        // Closed by the caption: what was typed is stored.
        closeByCaption(&f);
        flushDeletes();
        QCOMPARE(chemical("测试丁", "英文名称"), QStringList{"test d"});
        QCOMPARE(chemical("测试丙", "英文名称"), QStringList{"test c"});
        QCOMPARE(chemicalCount(), chemicals + 2);

        // The sort keys place the new chemicals in a name search.
        h.search(QStringLiteral("测试"));
        QCOMPARE(h.listEntries(), (QStringList{"测试丙", "测试丁"}));
    }

    void aNameTypedAndClosedIsStored()
    {
        MainWindowHarness h;
        AddForm &f = openWizard(h);
        typeInto(f.Text2, QStringLiteral("测试戊"));
        clickButton(f, 14); // 退出
        flushDeletes();
        QVERIFY(!AddForm::instance());
        QCOMPARE(chemical("测试戊", "中文标记"), QStringList{velmora::db::chineseSortKey("测试戊")});
    }

    void deleteRecordInTheMainWindow()
    {
        MainWindowHarness h;
        const QStringList index = indexRows();
        h.search(QStringLiteral("苯"));
        QCOMPARE(h.selectedEntry(), QString("苯"));
        QVERIFY(h.chooseMenuEntry(QStringLiteral("del")));
        QVERIFY(h.messages.isEmpty()); // no question asked
        QVERIFY(chemical("苯", "中文名称").isEmpty());
        QCOMPARE(h.listEntries(), (QStringList{"苯酚；石炭酸", "对苯二胺"}));
        QCOMPARE(h.w().Combo2->text(), QString("苯"));
        QCOMPARE(indexRows(), index);

        // With no chemical on view nothing is deleted.
        const int chemicals = chemicalCount();
        h.search(QStringLiteral("不存在的名字"));
        velmora::maintenance::MaintenanceCommands::del_Click(h.w());
        QCOMPARE(chemicalCount(), chemicals);
    }
};

QTEST_MAIN(TestAddWizard)
#include "test_addwizard.moc"
