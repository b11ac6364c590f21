#include "maintenance/AddForm.h"

#include "app/BoundPictureBox.h"
#include "app/MainWindow.h"
#include "app/SkinSetup.h"
#include "db/AppFolder.h"
#include "db/DataSource.h"
#include "db/DbError.h"
#include "db/SqlText.h"
#include "maintenance/BoundTextBox.h"
#include "maintenance/MaintenanceCommands.h"
#include "maintenance/WizardItems.h"
#include "search/HistoryCombo.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QStatusBar>

namespace velmora::maintenance {

namespace {

QPointer<AddForm> theAddForm;

const WizardForm::ButtonSpec Buttons[14] = {
    {"", "gel1", "", nullptr},
    {"复制", "copy", "复制", "copy"},
    {"粘贴", "gel3", "粘贴", "paste"},
    {"", "gel2", "", nullptr},
    {"后退", "down", "后腿", "back"},
    {"前进", "up", "前进", "forward"},
    {"", "gel", "", nullptr},
    {"保存", "save", "保存退出", "save"},
    {"添加", "add", "添加新纪录", "add"},
    {"删除", "del", "删除添加的纪录", "delete"},
    {"", "gel4", "", nullptr},
    {"插入", "in", "插入符号", "insert"},
    {"", "gel9", "", nullptr},
    {"退出", "", "保存退出", "exit"},
};

} // namespace

AddForm::AddForm(app::MainWindow &main) : WizardForm(main, true)
{
    setObjectName(QStringLiteral("addfrm"));
    setWindowTitle(QStringLiteral("添加纪录向导"));
    createToolbar(Buttons, 14, 12);
}

AddForm *AddForm::instance() { return theAddForm; }

AddForm *AddForm::open(app::MainWindow &main)
{
    if (!theAddForm) {
        theAddForm = new AddForm(main);
        theAddForm->Form_Load();
    }
    theAddForm->bringForward();
    return theAddForm;
}

void AddForm::Form_Load()
{
    app::SkinSetup::apply(this);
    // The caption's buttons, the step buttons and the editor stay usable.
    setMinimumSize(560, 440);
    placeOnScreen(9420, 6750);
    Data1->setConnect(QStringLiteral(";pwd=5817402"));
    Data1->setDatabaseName(db::AppFolder::file(QStringLiteral("\\data\\sj1.data")));
    Data1->setRecordSource(QStringLiteral("sj"));
    try {
        bindPicture();
        Data1->refresh();
        Data1->addNew();
        buildItems(WizardItems::addItems(Data1->grid().fieldNames()));
        selectItem(1);
        bindText1(itemText(1));
        Label1->setText(itemText(1));
        Label3->setText(QStringLiteral(
            "首先输入化学品的“中文名称”，然后再输入其他项目；如果你要继续添加，请不要退出该窗口，可以点击“添加”按钮继续添加，"
            "每个名称用“；”隔开。注意，名称中不能含有无效字符[或]，否则将会出错！"));
        Picture1->hide();
        toolbarButton(5)->setEnabled(false);
        fillSymbols();
        pickerLabel->hide();
        Combo1->hide();
        StatusBar1->showMessage(QStringLiteral("欢迎使用纪录添加向导。"));
    } catch (const db::DbError &) {
        // The window stays empty.
    }
    updateEditable();
}

bool AddForm::hasRecord() const { return Data1->isNewRecord() || Data1->currentRow() > 0; }

bool AddForm::unnamedNewRow() const { return Data1->isNewRecord() && Text2->text().trimmed().isEmpty(); }

void AddForm::storePending()
{
    if (unnamedNewRow())
        return;
    fillSortKeys();
    const bool wasNew = Data1->isNewRecord();
    const int before = Data1->recordCount();
    Data1->updateRecord();
    if (wasNew && Data1->recordCount() == before + 1 && Data1->currentRow() > 0)
        m_added = Data1->grid().rowId(Data1->currentRow());
}

void AddForm::refreshData1()
{
    if (unnamedNewRow())
        return;
    storePending();
    Data1->refresh();
    // Stay on this window's row: the query may also hold an older chemical
    // of the same name, which must not receive the edits.
    if (!Data1->locate(m_added) && m_added > 0)
        StatusBar1->showMessage(QStringLiteral("这个化学品已被删除，不能再修改。"));
}

bool AddForm::beginItemChange(Change change)
{
    if (refuseEmptyName())
        return false;
    const QString name = Text2->text();
    if (name.trimmed().isEmpty()) {
        // The list goes back to the item whose editor is shown.
        selectItem(m_shownItem);
        showPrompt(QStringLiteral("警告！"),
                   change == Change::Down ? QStringLiteral("首先输入化学品品的“中文名称”，才能继续进行")
                                          : QStringLiteral("首先输入化学品的“中文名称”，才能继续进行"),
                   QMessageBox::Warning);
        com_com();
        StatusBar1->showMessage(QStringLiteral("请输入或修改化学品的") + itemText(selectedItem()));
        return false;
    }
    Data1->setRecordSource(QStringLiteral("Select * From sj Where ") + QStringLiteral("中文名称")
                           + QStringLiteral(" = ") + QStringLiteral("'") + db::sqlValue(name)
                           + QStringLiteral("'"));
    refreshData1();
    if (Data1->grid().rows() > 2)
        showPrompt(QStringLiteral("警告！"), QStringLiteral("你添加的纪录已经存在！请按“删除”键删除。"),
                   QMessageBox::Warning);
    return true;
}

QString AddForm::changePrompt(Change change, const QString &item) const
{
    if (change == Change::Click)
        return QStringLiteral("请输入化学品的") + item + QStringLiteral("。如果是名称，每个名称用“；”隔开。");
    return WizardForm::changePrompt(change, item);
}

void AddForm::Toolbar1_ButtonClick(int index)
{
    switch (index) {
    case 2: copyText(); break;
    case 3: pasteInto(); break;
    case 5: down_click(); break;
    case 6: up_click(); break;
    case 8: save(); break;
    case 9: addAnother(); break;
    case 10: deleteAdded(); break;
    case 14: close(); break;
    default: break;
    }
}

void AddForm::save()
{
    runWriting([this] {
        if (refuseEmptyName())
            return;
        storePending();
        const QString name = Text2->text();
        if (name.isEmpty())
            return; // nothing entered, nothing to show
        app::MainWindow &main = mainWindow();
        main.setRoute(QStringLiteral("中文名称"));
        main.Combo2->setText(name);
        main.search_Click();
    });
}

void AddForm::startNext()
{
    Data1->addNew();
    m_added = 0;
    showItem(1);
    Text2->show();
    Text1->hide();
    Picture1->hide();
    Combo1->hide();
    pickerLabel->hide();
}

void AddForm::addAnother()
{
    runWriting([this] {
        if (refuseEmptyName())
            return;
        storePending();
        // A new row without a name is dropped rather than stored nameless.
        if (Data1->isNewRecord())
            Data1->deleteCurrent();
        startNext();
    });
}

void AddForm::deleteAdded()
{
    runWriting([this] {
        if (Data1->isNewRecord()) {
            // Never stored: what was typed is simply dropped.
            Data1->deleteCurrent();
        } else if (m_added) {
            // The chemical goes as it was last stored under a name.
            if (Data1->currentKey() == m_added && Text2->text().trimmed().isEmpty())
                Data1->showCurrent(Text2);
            if (Data1->locate(m_added)) {
                const qint64 copy = Data1->deleteCurrent();
                MaintenanceCommands::noteDeletion(mainWindow(), copy);
            }
        }
        startNext();
    });
}

bool AddForm::storeOnClose()
{
    if (refuseEmptyName())
        return false;
    storePending();
    return true;
}

} // namespace velmora::maintenance
