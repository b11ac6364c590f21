#include "maintenance/WizardForm.h"

#include "app/BoundPictureBox.h"
#include "app/MainWindow.h"
#include "app/Prompts.h"
#include "app/Twips.h"
#include "db/DataSource.h"
#include "db/DbError.h"
#include "db/SortKeys.h"
#include "db/SqlText.h"
#include "db/StructureKeys.h"
#include "db/Database.h"
#include "maintenance/BoundTextBox.h"
#include "maintenance/HeadingPicker.h"
#include "maintenance/WizardIcons.h"
#include "maintenance/WizardItems.h"
#include "structure/Structure.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <optional>

namespace velmora::maintenance {

namespace {

const QString ChineseName = QStringLiteral("中文名称");
const QString EnglishName = QStringLiteral("英文名称");
const QString ChineseKey = QStringLiteral("中文标记");
const QString EnglishKey = QStringLiteral("英文标记");
const QString PictureField = QStringLiteral("图");

// The symbols of the insert drop-down, with the holders that keep them.
const char *const Symbols[11] = {"℃", "α", "β", "γ", "～", "°", "′", "〞", "±", "(E3Pa)", "pH"};
const int SymbolHolderNumbers[11] = {3, 4, 5, 6, 13, 14, 15, 16, 17, 18, 19};

// Sizes the controls keep whatever the window's size (twips).
constexpr int Label1Width = 3000;
constexpr int Combo1Width = 3200;

} // namespace

WizardForm::WizardForm(app::MainWindow &main, bool addWizard)
    : QWidget(&main, Qt::Window), m_main(main), m_addWizard(addWizard)
{
    setAttribute(Qt::WA_DeleteOnClose);
    createControls();
    m_picker = std::make_unique<HeadingPicker>(*this);
}

WizardForm::~WizardForm()
{
    // The picker's box may still report a choice while the children go.
    disconnect(Combo1, nullptr, this, nullptr);
}

QString WizardForm::applicationTitle() { return QStringLiteral("Velmora"); }

// ---------------------------------------------------------------- controls

void WizardForm::createControls()
{
    Data1 = new db::DataSource(this);
    Data1->setObjectName(QStringLiteral("Data1"));
    Data2 = new db::DataSource(this);
    Data2->setObjectName(QStringLiteral("Data2"));

    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Toolbar1->setIconSize(QSize(22, 22));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);

    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setRootIsDecorated(false);
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *node) {
        TreeView1_NodeClick(TreeView1->indexOfTopLevelItem(node) + 1);
    });

    auto hiddenBox = [this](int number, db::DataSource *source, const QString &field) {
        auto *box = new BoundTextBox(this);
        box->setObjectName(QStringLiteral("Text%1").arg(number));
        box->setDataField(field);
        box->hide();
        source->bind(box);
        return box;
    };

    Text1 = new BoundTextBox(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text2 = new BoundTextBox(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setDataField(ChineseName);
    Data1->bind(Text2);
    Picture1 = new app::BoundPictureBox(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setDataField(PictureField);
    Picture1->setFrameShape(QFrame::StyledPanel);
    Picture1->setAutoFillBackground(true);
    Picture1->setBackgroundRole(QPalette::Base);
    Picture1->installEventFilter(this);

    Text7 = hiddenBox(7, Data1, HeadingPicker::levelField(1));
    Text8 = hiddenBox(8, Data1, HeadingPicker::levelField(2));
    Text9 = hiddenBox(9, Data1, HeadingPicker::levelField(3));
    Text10 = hiddenBox(10, Data2, HeadingPicker::levelField(1));
    Text11 = hiddenBox(11, Data2, HeadingPicker::levelField(2));
    Text12 = hiddenBox(12, Data2, HeadingPicker::levelField(3));
    m_cnSortKey = hiddenBox(0, Data1, ChineseKey);
    m_cnSortKey->setObjectName(QStringLiteral("cnSortKey"));
    m_enSortKey = hiddenBox(0, Data1, EnglishKey);
    m_enSortKey->setObjectName(QStringLiteral("enSortKey"));
    m_formulaBox = hiddenBox(0, Data1, QStringLiteral("分子式"));
    m_formulaBox->setObjectName(QStringLiteral("formulaBox"));
    m_weightBox = hiddenBox(0, Data1, QStringLiteral("分子量"));
    m_weightBox->setObjectName(QStringLiteral("weightBox"));

    Smiles1 = new QLineEdit(this);
    Smiles1->setObjectName(QStringLiteral("Smiles1"));
    Smiles1->setPlaceholderText(QStringLiteral("或输入 SMILES 结构式，按回车画出结构图"));
    Smiles1->hide();
    connect(Smiles1, &QLineEdit::returnPressed, this, &WizardForm::drawFromSmiles);
    drawButton = new QPushButton(QStringLiteral("画出"), this);
    drawButton->setObjectName(QStringLiteral("drawButton"));
    drawButton->setAutoDefault(false);
    drawButton->hide();
    connect(drawButton, &QPushButton::clicked, this, &WizardForm::drawFromSmiles);
    canonicalButton = new QPushButton(QStringLiteral("改用规范写法"), this);
    canonicalButton->setObjectName(QStringLiteral("canonicalButton"));
    canonicalButton->setAutoDefault(false);
    canonicalButton->hide();
    connect(canonicalButton, &QPushButton::clicked, this, &WizardForm::useCanonical);

    for (int i = 0; i < 11; ++i) {
        auto *holder = new QLineEdit(this);
        holder->setObjectName(QStringLiteral("Text%1").arg(SymbolHolderNumbers[i]));
        holder->hide();
        symbolHolders[size_t(i)] = holder;
    }

    auto label = [this](const QString &name, const QString &caption) {
        auto *l = new QLabel(caption, this);
        l->setObjectName(name);
        return l;
    };
    Label1 = label(QStringLiteral("Label1"), QString());
    Label1->setStyleSheet(QStringLiteral("color: #1f4e96; font-weight: bold;"));
    Label2 = label(QStringLiteral("Label2"), QStringLiteral("说明："));
    Label3 = label(QStringLiteral("Label3"), QString());
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (m_addWizard) {
        itemHeading = label(QStringLiteral("Label5"), QStringLiteral("添加化学品的："));
        pickerLabel = label(QStringLiteral("Label6"), QStringLiteral("请选择标题："));
    } else {
        itemHeading = label(QStringLiteral("Label4"), QStringLiteral("修改或添加项目："));
        pickerLabel = label(QStringLiteral("Label5"), QStringLiteral("请选择标题："));
    }
    pickerLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Choose(); });

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    edit = new QMenu(QStringLiteral("编辑"), this);
    edit->setObjectName(QStringLiteral("edit"));
    QAction *copy = edit->addAction(QStringLiteral("复制"));
    copy->setObjectName(QStringLiteral("copy"));
    connect(copy, &QAction::triggered, this, &WizardForm::copy_Click);
    QAction *paste = edit->addAction(QStringLiteral("粘帖"));
    paste->setObjectName(QStringLiteral("paste"));
    connect(paste, &QAction::triggered, this, &WizardForm::paste_Click);
    edit->addSeparator()->setObjectName(QStringLiteral("gel"));
    QAction *del = edit->addAction(QStringLiteral("删除"));
    del->setObjectName(QStringLiteral("del"));
    connect(del, &QAction::triggered, this, &WizardForm::del_Click);

    for (QWidget *w : {static_cast<QWidget *>(TreeView1), static_cast<QWidget *>(Text1),
                       static_cast<QWidget *>(Text2), static_cast<QWidget *>(Combo1)})
        w->installEventFilter(this);

    // The editors follow the record: read-only while there is none.
    connect(Data1, &db::DataSource::currentChanged, this, &WizardForm::updateEditable);
    TreeView1->setFocus();
}

void WizardForm::createToolbar(const ButtonSpec *buttons, int count, int insertIndex)
{
    m_insertMenu = new QMenu(this);
    m_insertMenu->setObjectName(QStringLiteral("Toolbar1_%1_menu").arg(insertIndex));
    connect(m_insertMenu, &QMenu::triggered, this, [this](QAction *a) { ButtonMenuClick(a->text()); });
    for (int i = 1; i <= count; ++i) {
        const ButtonSpec &spec = buttons[i - 1];
        QAction *action = nullptr;
        if (!spec.icon) {
            action = Toolbar1->addSeparator();
        } else {
            action = Toolbar1->addAction(QIcon(WizardIcons::icon(QString::fromUtf8(spec.icon))),
                                         QString::fromUtf8(spec.caption));
            action->setToolTip(QString::fromUtf8(spec.tooltip));
            connect(action, &QAction::triggered, this, [this, i] { Toolbar1_ButtonClick(i); });
        }
        action->setObjectName(QStringLiteral("Toolbar1_%1").arg(i));
        action->setProperty("index", i);
        action->setProperty("key", QString::fromUtf8(spec.key));
        m_buttons << action;
    }
    QAction *insert = toolbarButton(insertIndex);
    insert->setMenu(m_insertMenu);
    if (auto *button = qobject_cast<QToolButton *>(Toolbar1->widgetForAction(insert)))
        button->setPopupMode(QToolButton::MenuButtonPopup);
}

QAction *WizardForm::toolbarButton(int index) const
{
    return index >= 1 && index <= m_buttons.size() ? m_buttons[index - 1] : nullptr;
}

QAction *WizardForm::editEntry(const QString &name) const
{
    for (QAction *a : edit->actions())
        if (a->objectName() == name)
            return a;
    return nullptr;
}

void WizardForm::fillSymbols()
{
    m_insertMenu->clear();
    for (int i = 0; i < 11; ++i) {
        symbolHolders[size_t(i)]->setText(QString::fromUtf8(Symbols[i]));
        m_insertMenu->addAction(symbolHolders[size_t(i)]->text());
    }
}

void WizardForm::placeOnScreen(int widthTwips, int heightTwips)
{
    resize(app::Twips::toPixelsX(widthTwips), app::Twips::toPixelsY(heightTwips));
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

// ---------------------------------------------------------------- items

int WizardForm::itemCount() const { return TreeView1->topLevelItemCount(); }

QString WizardForm::itemText(int item) const
{
    QTreeWidgetItem *node = item >= 1 ? TreeView1->topLevelItem(item - 1) : nullptr;
    return node ? node->text(0) : QString();
}

int WizardForm::selectedItem() const
{
    QTreeWidgetItem *node = TreeView1->currentItem();
    return node ? TreeView1->indexOfTopLevelItem(node) + 1 : 0;
}

void WizardForm::selectItem(int item)
{
    if (QTreeWidgetItem *node = item >= 1 ? TreeView1->topLevelItem(item - 1) : nullptr)
        TreeView1->setCurrentItem(node);
}

void WizardForm::buildItems(const QStringList &items)
{
    TreeView1->clear();
    for (const QString &item : items)
        new QTreeWidgetItem(TreeView1, QStringList{item});
}

// ---------------------------------------------------------------- editors

bool WizardForm::bindText1(const QString &field)
{
    if (Data1->grid().column(field) < 0)
        return false;
    Text1->setDataField(field);
    Data1->bind(Text1);
    Data1->showCurrent(Text1);
    m_text1Bound = true;
    updateEditable();
    return true;
}

void WizardForm::bindPicture()
{
    Data1->bind(Picture1);
    m_pictureBound = true;
}

void WizardForm::updateEditable()
{
    const bool record = hasRecord();
    // The picture field is edited as a picture, never as text.
    Text1->setReadOnly(!record || !m_text1Bound || Text1->dataField() == PictureField);
    Text2->setReadOnly(!record);
}

void WizardForm::setStepButtons(int item)
{
    toolbarButton(5)->setEnabled(item != 1);
    toolbarButton(6)->setEnabled(item != itemCount());
}

void WizardForm::showNameBoxFor(const QString &item)
{
    if (item == ChineseName) {
        Text1->hide();
        Picture1->hide();
        Text2->show();
    } else {
        Text1->show();
        Text2->hide();
    }
}

BoundTextBox *WizardForm::frontTextBox() const
{
    if (Text2->isVisibleTo(this))
        return Text2;
    if (Text1->isVisibleTo(this))
        return Text1;
    return nullptr;
}

bool WizardForm::hasPendingEdit() const
{
    for (const BoundTextBox *box : {Text2, Text7, Text8, Text9, m_cnSortKey, m_enSortKey, m_formulaBox, m_weightBox})
        if (box->isDataChanged())
            return true;
    if (Data1->hasPendingStructure())
        return true;
    return (m_text1Bound && Text1->isDataChanged()) || (m_pictureBound && Picture1->isDataChanged());
}

void WizardForm::fillSortKeys()
{
    if (!hasRecord() || !hasPendingEdit())
        return;
    const bool isNew = Data1->isNewRecord();
    auto stored = [this, isNew](const QString &field) { return isNew ? QString() : Data1->text(field); };
    // The value the person gave a field in this window and has not stored yet.
    auto pending = [this](const QString &field, const BoundTextBox *own) -> std::optional<QString> {
        if (m_text1Bound && Text1->dataField() == field && Text1->isDataChanged())
            return Text1->text();
        if (own && own->isDataChanged())
            return own->text();
        return std::nullopt;
    };
    // A sort key follows its name when the name changes, unless the person
    // typed the key: now, or earlier (a stored key that the stored name does
    // not give).
    auto refill = [&](const QString &nameField, const BoundTextBox *nameBox, const QString &keyField,
                      BoundTextBox *keyBox, QString &autoKey, QString (*keyOf)(const QString &)) {
        const std::optional<QString> typed = pending(keyField, keyBox);
        if (typed && *typed != autoKey)
            return;
        const QString name = pending(nameField, nameBox).value_or(stored(nameField));
        if (name.isEmpty())
            return;
        const QString storedKey = stored(keyField);
        if (!storedKey.isEmpty() && storedKey != keyOf(stored(nameField)))
            return;
        const QString key = keyOf(name);
        if (key == storedKey && !typed)
            return;
        autoKey = key;
        keyBox->setText(key);
        if (m_text1Bound && Text1->dataField() == keyBox->dataField())
            Text1->setText(key);
    };
    refill(ChineseName, Text2, ChineseKey, m_cnSortKey, m_autoChineseKey, &db::chineseSortKey);
    refill(EnglishName, nullptr, EnglishKey, m_enSortKey, m_autoEnglishKey, &db::englishSortKey);
}

QString WizardForm::nameQuery(const QString &select) const
{
    return select + ChineseName + QStringLiteral(" = ") + QStringLiteral("'") + db::sqlValue(Text2->text())
           + QStringLiteral("'");
}

QString WizardForm::changePrompt(Change, const QString &item) const
{
    return QStringLiteral("请输入或修改化学品的") + item + QStringLiteral("。如果是名称，每个名称用“；”隔开。");
}

void WizardForm::showPrompt(const QString &title, const QString &text, int icon)
{
    app::Prompts::message(this, {QMessageBox::Icon(icon), title, text, QMessageBox::Ok});
}

// ---------------------------------------------------------------- item changes

void WizardForm::TreeView1_NodeClick(int item)
{
    if (item < 1 || item > itemCount())
        return;
    if (runWriting([&] { switchItem(item, Change::Click); }) != Outcome::Done)
        selectItem(m_shownItem);
}

void WizardForm::switchItem(int item, Change change)
{
    if (!beginItemChange(change)) {
        // Refused: the list goes back to the item the editor shows.
        selectItem(m_shownItem);
        return;
    }
    selectItem(item);
    const QString text = itemText(item);
    showNameBoxFor(text);
    if (change != Change::Click)
        setStepButtons(item);
    const bool structure = change == Change::Click ? item == WizardItems::StructureItem
                                                   : text == WizardItems::Structure;
    const bool bound = showEditorFor(structure, text, change == Change::Click);
    m_shownItem = item;
    if (bound) {
        // The step buttons follow the position for the structure item too.
        setStepButtons(item);
        Label1->setText(text);
        Label3->setText(changePrompt(change, text));
        refreshData1();
    }
    com_com();
    StatusBar1->showMessage(QStringLiteral("请输入或修改化学品的") + text);
}

bool WizardForm::showEditorFor(bool structure, const QString &field, bool refreshAfterBind)
{
    if (structure) {
        Text1->hide();
        Picture1->show();
        bindPicture();
        refreshData1();
        return true;
    }
    Text1->show();
    Picture1->hide();
    refreshData1();
    const bool bound = bindText1(field);
    if (refreshAfterBind)
        refreshData1();
    return bound;
}

void WizardForm::up_click() { stepTo(selectedItem() + 1, Change::Up); }

void WizardForm::down_click() { stepTo(selectedItem() - 1, Change::Down); }

void WizardForm::stepTo(int item, Change change)
{
    if (item < 1 || item > itemCount())
        return;
    if (runWriting([&] { switchItem(item, change); }) != Outcome::Done)
        selectItem(m_shownItem);
}

void WizardForm::showItem(int item)
{
    selectItem(item);
    const QString text = itemText(item);
    showNameBoxFor(text);
    if (text == WizardItems::Structure) {
        Text1->hide();
        Picture1->show();
    } else if (text != ChineseName) {
        Picture1->hide();
    }
    setStepButtons(item);
    Label1->setText(text);
    m_shownItem = item;
    com_com();
}

WizardForm::Outcome WizardForm::runWriting(const std::function<void()> &command, bool rerunAfterDiscard)
{
    for (;;) {
        try {
            command();
            return Outcome::Done;
        } catch (const db::WriteFailure &failure) {
            db::DataSource *source = failure.source() ? failure.source() : Data1;
            // While the person reads it, the list shows the item the edits belong to.
            selectItem(m_shownItem);
            const int answer = askAfterFailure(failure);
            try {
                if (answer == QMessageBox::Retry) {
                    // Over a change made elsewhere, the person's edits win now.
                    if (failure.reason() == db::WriteFailure::Reason::RowChanged)
                        source->rebase();
                    continue;
                }
                if (answer == QMessageBox::Discard) {
                    source->discardEdits();
                    if (rerunAfterDiscard)
                        continue;
                    return Outcome::Cancelled;
                }
            } catch (const db::DbError &) {
                return Outcome::Failed;
            }
            return Outcome::Cancelled;
        } catch (const db::DbError &) {
            // The command ends where it failed; the window stays as it is.
            return Outcome::Failed;
        }
    }
}

int WizardForm::askAfterFailure(const db::WriteFailure &failure)
{
    using Reason = db::WriteFailure::Reason;
    QString text = QStringLiteral("修改没有保存：") + failure.explanation() + QStringLiteral("。\n\n");
    QMessageBox::StandardButtons buttons = QMessageBox::Retry | QMessageBox::Discard | QMessageBox::Cancel;
    if (failure.reason() == Reason::RowGone) {
        buttons = QMessageBox::Discard | QMessageBox::Cancel;
        text += QStringLiteral("按“放弃”放弃这些修改；按“取消”回到向导，你输入的内容仍然保留。");
    } else if (failure.reason() == Reason::RowChanged) {
        text += QStringLiteral("按“重试”用你的内容覆盖那里的改动；按“放弃”放弃你的修改，显示文件中现在的内容；"
                               "按“取消”回到向导，你输入的内容仍然保留。");
    } else {
        text += QStringLiteral("按“重试”再保存一次；按“放弃”放弃这些修改；按“取消”回到向导，你输入的内容仍然保留。");
    }
    return app::Prompts::message(this, {QMessageBox::Critical, QStringLiteral("警告！"), text, buttons});
}

bool WizardForm::refuseEmptyName()
{
    if (Data1->currentKey() == 0 || !Text2->text().trimmed().isEmpty())
        return false;
    // The stored name is back in the box before the message says so.
    Data1->showCurrent(Text2);
    if (m_text1Bound && Text1->dataField() == ChineseName)
        Data1->showCurrent(Text1);
    showItem(1);
    showPrompt(QStringLiteral("警告！"), QStringLiteral("化学品的“中文名称”不能为空！已恢复原来的名称。"),
               QMessageBox::Warning);
    return true;
}

void WizardForm::com_com()
{
    try {
        m_picker->com_com();
    } catch (const db::WriteFailure &) {
        throw; // the preselected heading could not be stored: the command reports it
    } catch (const db::DbError &) {
        // A heading list that cannot be read leaves the picker as it was.
    }
}

void WizardForm::Combo1_Choose()
{
    // Only a choice made in the open window: the box also reports one when
    // it loses the focus as the window closes.
    if (m_closing || !isVisible() || !Combo1->isVisible())
        return;
    runWriting([this] { m_picker->choose(); }, false);
}

// ---------------------------------------------------------------- clipboard

void WizardForm::copyText()
{
    QApplication::clipboard()->clear();
    if (BoundTextBox *box = frontTextBox())
        box->copy();
}

void WizardForm::pasteInto()
{
    // Into the box that the user sees; the picture only takes a picture, so
    // that pasting text while the picture is shown cannot erase it.
    if (BoundTextBox *box = frontTextBox()) {
        box->paste();
        return;
    }
    const QImage image = QApplication::clipboard()->image();
    if (image.isNull() || !hasRecord())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    Picture1->setPicture(png);
}

void WizardForm::ButtonMenuClick(const QString &symbol)
{
    const QString item = itemText(selectedItem());
    if (item == ChineseName) {
        Text1->hide();
        Picture1->hide();
        Text2->show();
    } else {
        Text1->show();
        Text2->hide();
        Picture1->hide();
    }
    if (item == WizardItems::Structure) {
        Text1->hide();
        Text2->hide();
        Picture1->show();
    }
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(symbol);
    if (Text1->isVisibleTo(this))
        Text1->paste();
    if (Text2->isVisibleTo(this))
        Text2->paste();
}

void WizardForm::copy_Click()
{
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    QImage image;
    if (Picture1->hasPicture() && image.loadFromData(Picture1->bytes()))
        clipboard->setImage(image);
}

void WizardForm::paste_Click() { pasteInto(); }

void WizardForm::showSmilesRow(bool shown)
{
    Smiles1->setVisible(shown);
    drawButton->setVisible(shown);
    canonicalButton->setVisible(shown && !m_canonical.isEmpty() && m_canonical != Smiles1->text().trimmed());
    if (!shown || Data1->hasPendingStructure())
        return;
    // The stored SMILES of the chemical shown, or an empty box.
    QString stored;
    m_canonical.clear();
    canonicalButton->hide();
    if (!Data1->isNewRecord() && Data1->currentRow() > 0) {
        if (db::Database *database = Data1->openConnection()) {
            try {
                stored = db::StructureKeys::storedFor(database->handle(), Data1->currentKey()).smiles;
            } catch (const db::DbError &) {
            }
        }
    }
    Smiles1->setText(stored);
}

void WizardForm::drawFromSmiles()
{
    if (!hasRecord())
        return;
    const QString text = Smiles1->text().trimmed();
    structure::ParseError error;
    const QString canonical = structure::canonical(text, &error);
    const QByteArray png = canonical.isEmpty() ? QByteArray() : structure::drawPng(text);
    if (png.isEmpty()) {
        showPrompt(applicationTitle(),
                   error.message.isEmpty() ? QStringLiteral("结构式无法识别：不能由它画出结构图") : error.message,
                   QMessageBox::Warning);
        Smiles1->setFocus();
        if (error.position > 0)
            Smiles1->setCursorPosition(qMin(int(Smiles1->text().size()), error.position - 1));
        return;
    }
    Picture1->setPicture(png);
    QStringList filled;
    if (const auto c = structure::composition(text)) {
        if (m_formulaBox->text().trimmed().isEmpty() && !c->formula.isEmpty()) {
            m_formulaBox->setText(c->formula);
            filled << QStringLiteral("分子式 %1").arg(c->formula);
        }
        if (m_weightBox->text().trimmed().isEmpty() && c->weight > 0) {
            const QString weight = QString::number(c->weight, 'f', 2);
            m_weightBox->setText(weight);
            filled << QStringLiteral("分子量 %1").arg(weight);
        }
    }
    Data1->setStructure(text);
    m_canonical = canonical;
    canonicalButton->setVisible(canonical != text);
    canonicalButton->setToolTip(QStringLiteral("规范写法：") + canonical);
    QString message = QStringLiteral("已由结构式画出结构图");
    if (!filled.isEmpty())
        message += QStringLiteral("，填入") + filled.join(QStringLiteral("、"));
    if (canonical != text)
        message += QStringLiteral("；规范写法：") + canonical;
    StatusBar1->showMessage(message);
}

void WizardForm::useCanonical()
{
    if (m_canonical.isEmpty() || !hasRecord())
        return;
    Smiles1->setText(m_canonical);
    Data1->setStructure(m_canonical);
    canonicalButton->hide();
    StatusBar1->showMessage(QStringLiteral("已改用规范写法：") + m_canonical);
}

void WizardForm::del_Click()
{
    QApplication::clipboard()->clear();
    if (hasRecord())
        Picture1->setPicture(QByteArray());
}

// ---------------------------------------------------------------- keys

void WizardForm::Form_KeyDown(int keyCode)
{
    const int n = selectedItem();
    if (keyCode == 40 && n != itemCount())
        up_click();
    else if (keyCode == 38 && n != 1)
        down_click();
}

bool WizardForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == Combo1 && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            Combo1_Choose();
            return true;
        }
        if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up) {
            m_previewed = event;
            m_previewedAt = key->timestamp();
            Form_KeyDown(key->key() == Qt::Key_Down ? 40 : 38);
            // The item list and the picker would move their own selection as
            // well, a second step; the text boxes still move their caret.
            return watched == TreeView1 || watched == Combo1;
        }
    } else if (watched == Picture1 && (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)) {
        showSmilesRow(event->type() == QEvent::ShowToParent);
    } else if (watched == Picture1 && event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
            edit->popup(QCursor::pos());
    }
    return QWidget::eventFilter(watched, event);
}

void WizardForm::keyPressEvent(QKeyEvent *event)
{
    const bool previewed = event == m_previewed && event->timestamp() == m_previewedAt;
    if (!previewed && (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up))
        Form_KeyDown(event->key() == Qt::Key_Down ? 40 : 38);
    QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------- layout

void WizardForm::bringForward()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void WizardForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void WizardForm::Form_Resize()
{
    using app::Twips;
    auto size = [](const QSize &px) { return QSize(Twips::fromPixelsX(px.width()), Twips::fromPixelsY(px.height())); };
    // The client area: inside the skin's frame when the window wears it.
    const QRect client = contentsRect();
    const int toolbarHeight = Toolbar1->sizeHint().height();
    const int statusHeight = StatusBar1->sizeHint().height();
    Toolbar1->setGeometry(client.left(), client.top(), client.width(), toolbarHeight);
    StatusBar1->setGeometry(client.left(), client.top() + client.height() - statusHeight, client.width(),
                            statusHeight);

    WizardLayoutInput in;
    in.addWizard = m_addWizard;
    in.width = Twips::fromPixelsX(client.width());
    in.height = Twips::fromPixelsY(client.height());
    in.toolbarTop = 0;
    in.toolbarHeight = Twips::fromPixelsY(toolbarHeight);
    in.statusBarHeight = Twips::fromPixelsY(statusHeight);
    in.label2 = size(Label2->sizeHint());
    // Room for the longest prompt, five lines.
    in.label3Height = Twips::fromPixelsY(5 * Label3->fontMetrics().lineSpacing() + 4);
    in.itemHeading = size(itemHeading->sizeHint());
    in.label1 = QSize(Label1Width, Twips::fromPixelsY(Label1->sizeHint().height()));
    // The picker's title is as tall as the box beside it, so that the box
    // keeps clear of the editor below.
    in.pickerLabel = size(QSize(pickerLabel->sizeHint().width(),
                                qMax(pickerLabel->sizeHint().height(), Combo1->sizeHint().height())));
    in.combo1 = QSize(Combo1Width, Twips::fromPixelsY(Combo1->sizeHint().height()));
    m_layout = WizardLayout::place(in);

    auto px = [&client](const QRect &t) {
        return QRect(client.left() + Twips::toPixelsX(t.left()), client.top() + Twips::toPixelsY(t.top()),
                     qMax(0, Twips::toPixelsX(t.width())), qMax(0, Twips::toPixelsY(t.height())));
    };
    TreeView1->setGeometry(px(m_layout.treeView1));
    Label2->setGeometry(px(m_layout.label2));
    Label3->setGeometry(px(m_layout.label3));
    itemHeading->setGeometry(px(m_layout.itemHeading));
    Label1->setGeometry(px(m_layout.label1));
    pickerLabel->setGeometry(px(m_layout.pickerLabel));
    Text1->setGeometry(px(m_layout.editor));
    Text2->setGeometry(px(m_layout.editor));
    Combo1->setGeometry(px(m_layout.combo1));
    // The SMILES row takes the bottom of the picture's place.
    const QRect picture = px(m_layout.picture1);
    const int rowHeight = Smiles1->sizeHint().height();
    const int drawWidth = drawButton->sizeHint().width();
    const int canonicalWidth = canonicalButton->sizeHint().width();
    const int rowTop = picture.bottom() + 1 - rowHeight;
    Picture1->setGeometry(picture.adjusted(0, 0, 0, -(rowHeight + 4)));
    canonicalButton->setGeometry(picture.right() + 1 - canonicalWidth, rowTop, canonicalWidth, rowHeight);
    drawButton->setGeometry(canonicalButton->x() - 4 - drawWidth, rowTop, drawWidth, rowHeight);
    Smiles1->setGeometry(picture.left(), rowTop, qMax(0, drawButton->x() - 4 - picture.left()), rowHeight);
    Text2->raise();
    StatusBar1->raise();
}

// ---------------------------------------------------------------- closing

void WizardForm::closeEvent(QCloseEvent *event)
{
    // Closing by the caption keeps what was typed, as 退出 does; a write
    // that fails, or an emptied name, keeps the window open.
    bool stored = true;
    const Outcome outcome = runWriting([&] { stored = storeOnClose(); });
    if (outcome == Outcome::Cancelled || (outcome == Outcome::Done && !stored)) {
        event->ignore();
    } else {
        m_closing = true;
        event->accept();
    }
}

} // namespace velmora::maintenance
