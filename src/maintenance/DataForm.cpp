#include "maintenance/DataForm.h"

#include "app/BoundPictureBox.h"
#include "app/MainWindow.h"
#include "app/SkinSetup.h"
#include "app/TabStrip.h"
#include "db/AppFolder.h"
#include "db/DataSource.h"
#include "db/DbError.h"
#include "db/SqlText.h"
#include "maintenance/BoundTextBox.h"
#include "maintenance/WizardItems.h"
#include "search/HistoryCombo.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QStatusBar>
#include <QTreeWidget>

namespace velmora::maintenance {

namespace {

QPointer<DataForm> theDataForm;

const WizardForm::ButtonSpec Buttons[12] = {
    {"", "gel1", "", nullptr},
    {"复制", "copy", "复制", "copy"},
    {"粘贴", "gel3", "粘贴", "paste"},
    {"", "gel2", "", nullptr},
    {"后退", "down", "后腿", "back"},
    {"前进", "up", "前进", "forward"},
    {"", "gel", "", nullptr},
    {"保存", "save", "保存退出", "save"},
    {"", "gel4", "", nullptr},
    {"插入", "in", "插入符号", "insert"},
    {"", "gel5", "", nullptr},
    {"退出", "exit", "退出", "exit"},
};

QString quoted(const QString &value) { return QLatin1Char('\'') + db::sqlValue(value) + QLatin1Char('\''); }

} // namespace

DataForm::DataForm(app::MainWindow &main) : WizardForm(main, false)
{
    setObjectName(QStringLiteral("datafrm"));
    setWindowTitle(QStringLiteral("纪录修改向导"));
    createToolbar(Buttons, 12, 10);
}

DataForm *DataForm::instance() { return theDataForm; }

DataForm *DataForm::open(app::MainWindow &main)
{
    if (!theDataForm) {
        theDataForm = new DataForm(main);
        theDataForm->Form_Load();
    }
    theDataForm->bringForward();
    return theDataForm;
}

void DataForm::Form_Load()
{
    app::SkinSetup::apply(this);
    // The caption's buttons, the step buttons and the editor stay usable.
    setMinimumSize(560, 440);
    placeOnScreen(9330, 6420);
    app::MainWindow &main = mainWindow();
    Data1->setConnect(QStringLiteral(";pwd=5817402"));
    Data1->setDatabaseName(db::AppFolder::file(QStringLiteral("\\data\\sj1.data")));

    // The chemical selected in the main window's list or tree.
    QString name;
    const int tab = main.TabStrip1->selectedTab();
    if (tab == 2) {
        name = main.List1->currentText();
    } else if (tab == 1) {
        if (QTreeWidgetItem *node = main.TreeView1->currentItem())
            name = node->text(0);
    }
    if (name.isEmpty())
        showPrompt(QStringLiteral("提醒！"), QStringLiteral("无法找到修改的化合物，请重新定位后再修改！"),
                   QMessageBox::Information);

    try {
        // The English-name route lists English names; every other route
        // lists Chinese names, so those find the chemical by its Chinese name.
        const bool english = main.route() == QStringLiteral("英文名称");
        const QString field = english ? QStringLiteral("英文名称") : QStringLiteral("中文名称");
        if (english)
            Data1->setRecordSource(QStringLiteral("Select * from sj  Where ") + field + QStringLiteral(" = ")
                                   + quoted(name));
        else
            Data1->setRecordSource(QStringLiteral("Select * From sj Where ") + field + QStringLiteral(" = ")
                                   + quoted(name));
        refreshData1();
        // The chemical on view in the main window, when it carries this name
        // (several rows may); else the first row found.
        const qint64 shown = main.Data1->currentKey();
        if (shown > 0 && main.Data1->text(field) == name && Data1->grid().rowOf(shown) > 0)
            Data1->locate(shown);
        m_row = Data1->currentKey();
        buildItems(WizardItems::editItems(Data1->grid().fieldNames()));
        selectItem(1);
    } catch (const db::DbError &) {
        // The item list stays unbuilt.
    }

    if (main.List1->count() >= 1) {
        if (selectedItem() > 0)
            bindText1(itemText(selectedItem()));
    } else {
        showPrompt(applicationTitle(), QStringLiteral("你所要修改的化学品不存在，请重新进行检索。"),
                   QMessageBox::Critical);
    }
    const QString item = itemText(selectedItem());
    Label1->setText(item);
    Label3->setText(QStringLiteral("请输入或修改化学品的") + item
                    + QStringLiteral("。每个名称用“；”隔开。注意，名称中不能含有字符 [ 或 ]，否则将会出错！"));
    Picture1->hide();
    toolbarButton(5)->setEnabled(selectedItem() != 1);
    fillSymbols();
    pickerLabel->hide();
    Combo1->hide();
    StatusBar1->showMessage(QStringLiteral("欢迎使用纪录修改向导。"));
    updateEditable();
}

bool DataForm::hasRecord() const { return Data1->currentRow() > 0; }

void DataForm::refreshData1()
{
    fillSortKeys();
    const bool renamed = Text2->isDataChanged() && m_row > 0;
    Data1->refresh();
    if (m_row > 0 && !Data1->locate(m_row))
        StatusBar1->showMessage(QStringLiteral("这个化学品已被删除，不能再修改。"));
    // A name that another chemical already has: the edits still go to this
    // one, but the two can no longer be told apart by name.
    if (renamed && Data1->currentKey() == m_row
        && Data1->countEqual(QStringLiteral("中文名称"), Text2->text()) > 1)
        showPrompt(QStringLiteral("警告！"),
                   QStringLiteral("已有别的化学品使用这个中文名称！修改只保存到正在修改的化学品，请更改名称以免混淆。"),
                   QMessageBox::Warning);
}

bool DataForm::beginItemChange(Change change)
{
    if (refuseEmptyName())
        return false;
    Data1->setRecordSource(nameQuery(change == Change::Up ? QStringLiteral("Select * from sj Where ")
                                                          : QStringLiteral("Select * From sj Where ")));
    refreshData1();
    return true;
}

void DataForm::Toolbar1_ButtonClick(int index)
{
    switch (index) {
    case 2: copyText(); break;
    case 3: pasteInto(); break;
    case 5: down_click(); break;
    case 6: up_click(); break;
    case 8: save(); break;
    case 12: close(); break;
    default: break;
    }
}

void DataForm::save()
{
    runWriting([this] {
        if (refuseEmptyName())
            return;
        const QString name = Text2->text();
        refreshData1();
        Data1->setRecordSource(QStringLiteral("Select * From sj Where ") + QStringLiteral("中文名称")
                               + QStringLiteral(" = ") + quoted(name));
        refreshData1();
        // The main window finds the chemical by its Chinese name, whatever
        // route it was left on.
        app::MainWindow &main = mainWindow();
        main.setRoute(QStringLiteral("中文名称"));
        main.Combo2->setText(name);
        main.search_Click();
        refreshData1();
    });
}

bool DataForm::storeOnClose()
{
    if (refuseEmptyName())
        return false;
    storeNow();
    return true;
}

void DataForm::storeNow()
{
    fillSortKeys();
    Data1->updateRecord();
}

} // namespace velmora::maintenance
