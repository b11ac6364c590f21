// The category heading picker in both wizards: its levels and messages, the
// refusal of a heading used at another level, new heading rows in table
// index, and the edit wizard's preselection.
#include "WizardTestKit.h"

#include "maintenance/AddForm.h"
#include "maintenance/DataForm.h"
#include "support/MainWindowHarness.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QSet>
#include <QTest>

using velmora::maintenance::AddForm;
using velmora::maintenance::DataForm;
using velmora::maintenance::WizardForm;
using velmora::test::MainWindowHarness;
using namespace velmora::test;

namespace {

const QString FormicAcid = QStringLiteral("甲酸；蚁酸");
const QString Refused = QStringLiteral("Velmora|你所添加的标题已经存在，不能添加！");

DataForm &openEditor(MainWindowHarness &h)
{
    clickMainButton(h.w(), 16);
    return *DataForm::instance();
}

AddForm &openAdder(MainWindowHarness &h)
{
    clickMainButton(h.w(), 17);
    return *AddForm::instance();
}

QStringList entries(const WizardForm &f)
{
    QStringList list;
    for (int i = 0; i < f.Combo1->count(); ++i)
        list << f.Combo1->itemText(i);
    return list;
}

QSet<QString> entrySet(const WizardForm &f)
{
    const QStringList list = entries(f);
    return QSet<QString>(list.begin(), list.end());
}

} // namespace

class TestHeadings : public QObject {
    Q_OBJECT
private slots:
    void levelsListTheHeadingsUnderTheChemicalsPath()
    {
        MainWindowHarness h;
        const QStringList index = indexRows();
        DataForm &f = openEditor(h);
        clickItem(f, QStringLiteral("第一级标题"));
        QVERIFY(f.Combo1->isVisibleTo(&f));
        QVERIFY(f.pickerLabel->isVisibleTo(&f));
        QCOMPARE(f.pickerLabel->text(), QString("请选择标题："));
        // Each heading once, though several rows hold it.
        QCOMPARE(entries(f).size(), 3);
        QCOMPARE(entrySet(f), (QSet<QString>{"有机化学品", "染料", "无机化学品"}));
        QCOMPARE(f.Combo1->currentText(), QString("有机化学品"));

        stepOn(f);
        QCOMPARE(entrySet(f), (QSet<QString>{"羧酸", "芳香烃", "杂环化合物"}));
        QCOMPARE(entries(f).size(), 3);
        QCOMPARE(f.Combo1->currentText(), QString("羧酸"));
        stepOn(f);
        QCOMPARE(entries(f), QStringList{"脂肪族羧酸"});

        // Any other item hides the picker.
        clickItem(f, QStringLiteral("用途"));
        QVERIFY(!f.Combo1->isVisibleTo(&f));
        QVERIFY(!f.pickerLabel->isVisibleTo(&f));
        QVERIFY(h.messages.isEmpty());
        QCOMPARE(indexRows(), index);
    }

    void aHeadingUsedAtAnotherLevelIsRefused()
    {
        MainWindowHarness h;
        const QStringList index = indexRows();
        DataForm &f = openEditor(h);
        clickItem(f, QStringLiteral("第二级标题"));
        typeHeading(f, QStringLiteral("有机化学品"));
        QCOMPARE(h.messages, QStringList{Refused});
        QCOMPARE(f.Text1->text(), QString("羧酸"));
        clickItem(f, QStringLiteral("第一级标题"));
        typeHeading(f, QStringLiteral("脂肪族羧酸"));
        QCOMPARE(h.messages.size(), 2);
        QCOMPARE(f.Text1->text(), QString("有机化学品"));
        // An empty text names nothing.
        typeHeading(f, QString());
        QCOMPARE(h.messages.size(), 2);
        stepOn(f);
        QCOMPARE(chemical(FormicAcid, "第一级标题"), QStringList{"有机化学品"});
        QCOMPARE(chemical(FormicAcid, "第二级标题"), QStringList{"羧酸"});
        QCOMPARE(indexRows(), index);
    }

    void aNewHeadingAddsOneIndexRow()
    {
        MainWindowHarness h;
        const QStringList index = indexRows();
        DataForm &f = openEditor(h);
        clickItem(f, QStringLiteral("第二级标题"));
        typeHeading(f, QStringLiteral("有机酸类"));
        QVERIFY(h.messages.isEmpty());
        QCOMPARE(f.Text1->text(), QString("有机酸类"));
        QCOMPARE(indexRows(), index + QStringList{"有机化学品|有机酸类|"});
        stepOn(f);
        QCOMPARE(chemical(FormicAcid, "第二级标题"), QStringList{"有机酸类"});

        // A level-3 heading with a quote in it is stored like any other.
        typeHeading(f, QStringLiteral("O'Brien类"));
        QCOMPARE(indexRows().last(), QString("有机化学品|有机酸类|O'Brien类"));
        stepBack(f);
        QCOMPARE(chemical(FormicAcid, "第三级标题"), QStringList{"O'Brien类"});
    }

    void choosingAnExistingHeadingChangesNoIndexRow()
    {
        MainWindowHarness h;
        const QStringList index = indexRows();
        DataForm &f = openEditor(h);
        clickItem(f, QStringLiteral("第二级标题"));
        pickHeading(f, QStringLiteral("芳香烃"));
        QCOMPARE(f.Text1->text(), QString("芳香烃"));
        // A level-2 heading of another branch is taken as it is: its row
        // keeps its own level-1 heading.
        typeHeading(f, QStringLiteral("中间体"));
        QCOMPARE(f.Text1->text(), QString("中间体"));
        stepOn(f);
        QCOMPARE(chemical(FormicAcid, "第二级标题"), QStringList{"中间体"});
        QCOMPARE(indexRows(), index);
        QVERIFY(h.messages.isEmpty());
    }

    void anEmptyHeadingIsFilledFromTheList()
    {
        MainWindowHarness h(QStringLiteral("熔点八度样品"));
        const QStringList index = indexRows();
        DataForm &f = openEditor(h);
        QCOMPARE(f.Text2->text(), QString("熔点八度样品"));
        clickItem(f, QStringLiteral("第三级标题"));
        QCOMPARE(entries(f), QStringList{"脂肪族羧酸"});
        QCOMPARE(f.Text1->text(), QString("脂肪族羧酸"));
        stepBack(f);
        QCOMPARE(chemical("熔点八度样品", "第三级标题"), QStringList{"脂肪族羧酸"});
        QCOMPARE(indexRows(), index);
    }

    void theAddWizardsPickerStartsEmptyAndNeedsTheHigherLevels()
    {
        MainWindowHarness h;
        AddForm &f = openAdder(h);
        typeInto(f.Text2, QStringLiteral("测试己"));
        clickItem(f, QStringLiteral("第二级标题"));
        QCOMPARE(h.messages, QStringList{"Velmora|请首先选定第一级标题，然后再能选定第二级标题！"});
        clickItem(f, QStringLiteral("第三级标题"));
        QCOMPARE(h.messages.last(), QString("Velmora|请首先选定第二级标题，然后再能选定第三级标题！"));

        clickItem(f, QStringLiteral("第一级标题"));
        QCOMPARE(f.pickerLabel->objectName(), QString("Label6"));
        QVERIFY(f.Combo1->isVisibleTo(&f));
        QCOMPARE(entries(f).size(), 3);
        QVERIFY(f.Combo1->currentText().isEmpty());
        pickHeading(f, QStringLiteral("染料"));
        stepOn(f);
        QCOMPARE(entries(f), QStringList{"中间体"});
        QVERIFY(f.Combo1->currentText().isEmpty());
        pickHeading(f, QStringLiteral("中间体"));
        stepOn(f);
        QCOMPARE(entries(f), QStringList{"苯系中间体"});
        typeHeading(f, QStringLiteral("新三级"));
        closeByCaption(&f);
        QCOMPARE(chemical("测试己", "第一级标题"), QStringList{"染料"});
        QCOMPARE(chemical("测试己", "第二级标题"), QStringList{"中间体"});
        QCOMPARE(chemical("测试己", "第三级标题"), QStringList{"新三级"});
        QCOMPARE(indexRows().last(), QString("染料|中间体|新三级"));
        QCOMPARE(h.messages.size(), 2);
    }

    void aLowerHeadingNeedsTheOneAbove()
    {
        MainWindowHarness h;
        const QStringList index = indexRows();
        AddForm &f = openAdder(h);
        typeInto(f.Text2, QStringLiteral("测试孤儿"));
        clickItem(f, QStringLiteral("第二级标题"));
        QCOMPARE(h.messages, QStringList{"Velmora|请首先选定第一级标题，然后再能选定第二级标题！"});
        // The picker is open, but a heading typed into it is refused as well.
        typeHeading(f, QStringLiteral("孤儿二级"));
        QCOMPARE(h.messages.size(), 2);
        QCOMPARE(h.messages.last(), QString("Velmora|请首先选定第一级标题，然后再能选定第二级标题！"));
        clickItem(f, QStringLiteral("第三级标题"));
        typeHeading(f, QStringLiteral("孤儿三级"));
        QCOMPARE(h.messages.last(), QString("Velmora|请首先选定第二级标题，然后再能选定第三级标题！"));
        QCOMPARE(h.messages.size(), 4);
        closeByCaption(&f);
        QCOMPARE(indexRows(), index);
        QCOMPARE(chemical("测试孤儿", "第二级标题"), QStringList{QString()});
        QCOMPARE(chemical("测试孤儿", "第三级标题"), QStringList{QString()});
    }

    void aHeadingNeverLandsInAnotherField()
    {
        MainWindowHarness h;
        const int chemicals = chemicalCount();
        AddForm &f = openAdder(h);
        // Refused for want of a name: the editor, the list and the picker
        // all stay on the name, so no heading can be picked for it.
        clickItem(f, QStringLiteral("第一级标题"));
        QCOMPARE(f.selectedItem(), 1);
        QVERIFY(!f.Combo1->isVisibleTo(&f));
        QVERIFY(f.Text1->text().isEmpty());
        QVERIFY(f.Text2->text().isEmpty());
        closeByCaption(&f);
        QCOMPARE(chemicalCount(), chemicals);
    }
};

QTEST_MAIN(TestHeadings)
#include "test_headings.moc"
