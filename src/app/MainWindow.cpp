#include "app/MainWindow.h"

#include "app/AboutWindow.h"
#include "app/Artwork.h"
#include "app/BoundPictureBox.h"
#include "app/FileReport.h"
#include "app/Fonts.h"
#include "app/ImageList.h"
#include "app/SkinSetup.h"
#include "app/SplitBar.h"
#include "app/TabStrip.h"
#include "app/Twips.h"
#include "category/CategoryTree.h"
#include "db/AppFolder.h"
#include "maintenance/MaintenanceCommands.h"
#include "periodic/PeriodicForm.h"
#include "record/RecordCommands.h"
#include "db/DataSource.h"
#include "db/ResultFile.h"
#include "record/RecordComposer.h"
#include "record/RichTextBox.h"
#include "search/HistoryCombo.h"
#include "search/SearchController.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QShowEvent>
#include <QTextCursor>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

namespace velmora::app {

namespace {

MainWindow *theMainWindow = nullptr;

// The nine routes, the two further property routes that the data files
// hold, then the routes through the search keys, then the structure routes
// (substructure, similarity).
const char *const Routes[] = {"中文名称", "英文名称", "用途",  "密度", "熔点", "沸点",   "折射率",  "分子式",
                              "分子量",   "闪点",     "粘度",  "CAS号", "拼音", "元素", "结构式", "相似结构"};

struct ButtonSpec {
    const char *caption;
    const char *key;
    const char *tooltip;
    const char *icon; // nullptr for a separator
};

// Toolbar1, by index from 1.
const ButtonSpec Buttons[22] = {
    {"", "", "保存当前纪录", "savecurrent"},
    {"保存", "", "", "save"},
    {"", "gel13", "", nullptr},
    {"后退", "down", "后退", "back"},
    {"前进 ", "up", "前进", "forward"},
    {"", "", "", nullptr},
    {"清除 ", "vbclear", "清除历史纪录", "clear"},
    {"", "ge1", "", nullptr},
    {"全选 ", "select", "全选", "selectall"},
    {"复制 ", "copy", "复制", "copy"},
    {"", "ge2", "", nullptr},
    {"检索 ", "search", "检索", "search"},
    {"", "ge3", "", nullptr},
    {"打印 ", "print", "打印", "print"},
    {"", "ge4", "", nullptr},
    {"修改", "mode", "", "modify"},
    {"添加", "add", "", "add"},
    {"插入", "in", "插入特殊符号", "insert"},
    {"", "gel12", "", nullptr},
    {"周期表", "periodic", "", "periodic"},
    {"", "gel14", "", nullptr},
    {"帮助 ", "help", "帮助", "help"},
};

const char *const SpecialCharacters[9] = {"℃", "α", "β", "γ", "～", "°", "′", "〞", "±"};

QString welcomeParagraph(int n)
{
    switch (n) {
    case 1:
        return QStringLiteral(
            "    欢迎使用《Velmora》，本电子手册是一个综合性的化学品手册。收集了包括化学矿物、金属和非金属、无机化学品、"
            "有机化学品、基本有机原料、化肥、农药、树脂、塑料、化学纤维、胶粘剂、医药、染料、涂料、颜料、助剂、燃料、"
            "感光材料、炸药、纸、油脂、表面活性剂、皮革、香料等常用化学品的中文名称、英文名称、分子式或结构式、物理性质、"
            "用途和制备方法等。本软件采用全模糊检索技术，检索简便。是一个不可多得的工具软件。 ");
    case 2:
        return QStringLiteral(
            "    本软件有多种检索途径，可以通过各种中文名称（如常用名、俗名、学名等）、英文名称（常用名、俗名、学名等）、"
            "用途、密度、沸点、折射率、熔点、分子式、分子量进行检索。即使是化学品名称的关键字或关键词，也可以检索到相应的"
            "化学品。特别是通过用途检索途径，可以很快获得相关的化学品信息。本软件使用方便、快捷，简单易用。可供从事化学、"
            "医药、农药及相关行业的科研工作者、工程技术人员以及大专院校师生参考使用。 ");
    default:
        return QStringLiteral("    本软件内容仅供参考。使用本软件前，请仔细阅读帮助。");
    }
}

} // namespace

MainWindow *MainWindow::instance() { return theMainWindow; }

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    theMainWindow = this;
    setObjectName(QStringLiteral("sq"));
    setWindowTitle(QStringLiteral("Velmora3.0"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_search = std::make_unique<search::SearchController>(*this);
    m_tree = std::make_unique<category::CategoryTree>(*this);
    createControls();
    createMenus();
    // 撤销删除 has something to take back only after a deletion of this run.
    menuEntry(QStringLiteral("undel"))->setEnabled(false);
    createToolbar();
    createSearchBar();
    // Menu shortcuts come before the keys of the control that has the focus
    // (the search box's Ctrl+U would otherwise clear it): see eventFilter.
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    if (theMainWindow == this)
        theMainWindow = nullptr;
}

// ---------------------------------------------------------------- controls

void MainWindow::createControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);

    Toolbar1 = new QToolBar(m_client);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar2 = new QWidget(m_client);
    Toolbar2->setObjectName(QStringLiteral("Toolbar2"));

    TabStrip1 = new TabStrip(m_client);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1->tabs()->addTab(QStringLiteral("常用化学品目录"));
    TabStrip1->tabs()->addTab(QStringLiteral("列表"));
    TabStrip1->tabs()->setTabToolTip(0, QStringLiteral("常用化学品"));
    TabStrip1->tabs()->setTabToolTip(1, QStringLiteral("列表"));
    TabStrip1->tabs()->setTabData(0, QStringLiteral("mu"));
    TabStrip1->tabs()->setTabData(1, QStringLiteral("list"));
    connect(TabStrip1, &TabStrip::clicked, this, &MainWindow::TabStrip1_Click);

    ImageList3 = new ImageList(this);
    ImageList3->setObjectName(QStringLiteral("ImageList3"));
    for (int i = 1; i <= 3; ++i)
        ImageList3->add(Artwork::treeImage(i));

    TreeView1 = new QTreeWidget(m_client);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setRootIsDecorated(true);
    // Long names scroll sideways instead of being cut short.
    TreeView1->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    TreeView1->header()->setStretchLastSection(false);

    List1 = new search::ResultList(m_client);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setMouseTracking(true);

    SplitBar1 = new SplitBar(m_client);
    SplitBar1->setObjectName(QStringLiteral("SplitBar1"));
    connect(SplitBar1, &SplitBar::moved, this, &MainWindow::SplitBar1_Moved);

    RichTextBox1 = new record::RichTextBox(m_client);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));

    Label3 = new QLabel(m_client);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setAlignment(Qt::AlignCenter);

    Image8 = new QLabel(m_client);
    Image8->setObjectName(QStringLiteral("Image8"));
    Image8->setAlignment(Qt::AlignCenter);

    StatusBar1 = new QStatusBar(m_client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    ImageList2 = new ImageList(this);
    ImageList2->setObjectName(QStringLiteral("ImageList2"));
    for (int i = 1; i <= 11; ++i)
        ImageList2->add(Artwork::flask(i));
    Image8->setPixmap(ImageList2->picture(1));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &MainWindow::Timer1_Timer);

    Data1 = new db::DataSource(this);
    Data1->setObjectName(QStringLiteral("Data1"));
    Data3 = new db::DataSource(this);
    Data3->setObjectName(QStringLiteral("Data3"));
    Data3->setReadOnly(true);

    Picture1 = new BoundPictureBox(m_client);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setDataField(QStringLiteral("图"));
    Picture1->hide();
    Data1->bind(Picture1);

    for (int i = 0; i < 9; ++i) {
        Text[size_t(i)] = new QLineEdit(m_client);
        Text[size_t(i)]->setObjectName(QStringLiteral("Text%1").arg(i + 1));
        Text[size_t(i)]->hide();
    }
    PicCaption = new QLabel(m_client);
    PicCaption->setObjectName(QStringLiteral("PicCaption"));
    PicCaption->hide();
    PicBorder = new QLabel(m_client);
    PicBorder->setObjectName(QStringLiteral("PicBorder"));
    PicBorder->hide();

    connect(List1, &search::ResultList::currentRowChanged, this, [this](int row) {
        if (row >= 0 && !m_search->listIsBeingFilled()) {
            m_search->noteRowChanged();
            List1_Click();
        }
    });
    connect(List1, &search::ResultList::itemClicked, this, [this] {
        if (!m_search->takeRowChanged())
            List1_Click();
    });
    connect(List1, &search::ResultList::itemEntered, this, [this](int row) { List1->setToolTip(List1->text(row)); });
    List1->installEventFilter(this);
    // The tree is rebuilt by a click, so the click runs after the signal.
    connect(TreeView1, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { m_tree->NodeClick(item); }, Qt::QueuedConnection);
}

void MainWindow::createSearchBar()
{
    auto label = [this](const QString &text, const QString &name) {
        auto *b = new QToolButton(Toolbar2);
        b->setObjectName(name);
        b->setText(text);
        b->setAutoRaise(true);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    label(QStringLiteral("检索途径："), QStringLiteral("Toolbar2_1"));
    label(QString(), QStringLiteral("Toolbar2_2"))->hide();
    label(QStringLiteral("输入检索条件："), QStringLiteral("Toolbar2_3"));
    label(QString(), QStringLiteral("Toolbar2_4"))->hide();
    label(QString(), QStringLiteral("Toolbar2_5"))->hide();

    Combo1 = new QComboBox(Toolbar2);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(false);
    // Every route in view at once: no scrolling for the last ones.
    Combo1->setMaxVisibleItems(int(std::size(Routes)) + 2);
    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });

    Combo2 = new search::HistoryCombo(Toolbar2);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    connect(Combo2, &search::HistoryCombo::keyTyped, this, &MainWindow::Combo2_KeyPress);
    connect(Combo2, &search::HistoryCombo::entryChosen, this, &MainWindow::Combo2_Click);
}

void MainWindow::createToolbar()
{
    Toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Toolbar1->setIconSize(QSize(20, 20));
    Toolbar1->setFont(Fonts::ui(8.5));
    // Compact buttons, so that all of them fit the window's first width.
    Toolbar1->setStyleSheet(QStringLiteral("QToolBar { spacing: 0px; padding: 0px; } "
                                           "QToolButton { padding: 0px 1px; margin: 0px; } "
                                           "QToolBar::separator { width: 4px; }"));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);

    ImageList1 = new ImageList(this);
    ImageList1->setObjectName(QStringLiteral("ImageList1"));

    m_backMenu = new QMenu(this);
    m_backMenu->setObjectName(QStringLiteral("Toolbar1_4_menu"));
    m_forwardMenu = new QMenu(this);
    m_forwardMenu->setObjectName(QStringLiteral("Toolbar1_5_menu"));
    m_insertMenu = new QMenu(this);
    m_insertMenu->setObjectName(QStringLiteral("Toolbar1_18_menu"));
    for (QMenu *menu : {m_backMenu, m_forwardMenu, m_insertMenu})
        connect(menu, &QMenu::triggered, this, [this](QAction *a) { ButtonMenuClick(a->text()); });

    for (int i = 1; i <= 22; ++i) {
        const ButtonSpec &spec = Buttons[i - 1];
        QAction *action = nullptr;
        if (!spec.icon) {
            action = Toolbar1->addSeparator();
        } else {
            const QPixmap icon = Artwork::toolbarIcon(QString::fromUtf8(spec.icon));
            ImageList1->add(icon);
            action = Toolbar1->addAction(QIcon(icon), QString::fromUtf8(spec.caption));
            action->setToolTip(QString::fromUtf8(spec.tooltip));
            connect(action, &QAction::triggered, this, [this, i] { dispatchToolbar(i); });
        }
        action->setObjectName(QStringLiteral("Toolbar1_%1").arg(i));
        action->setProperty("index", i);
        action->setProperty("key", QString::fromUtf8(spec.key));
        m_buttons << action;
    }
    // Image 9 of the list is the cleared-history look of button 7.
    while (ImageList1->count() < 8)
        ImageList1->add(QPixmap());
    ImageList1->add(Artwork::toolbarIcon(QStringLiteral("cleared")));

    const std::pair<int, QMenu *> dropDowns[] = {{4, m_backMenu}, {5, m_forwardMenu}, {18, m_insertMenu}};
    for (const auto &[index, menu] : dropDowns) {
        m_buttons[index - 1]->setMenu(menu);
        if (auto *button = toolbarWidget(index)) {
            button->setPopupMode(QToolButton::MenuButtonPopup);
            // Room for the caption beside the menu arrow.
            button->setMinimumWidth(button->fontMetrics().horizontalAdvance(button->text()) + 20);
        }
    }
}

void MainWindow::createMenus()
{
    struct Entry {
        const char *name;
        const char *caption;
        const char *shortcut;
        bool hidden;
    };
    struct Menu {
        const char *name;
        const char *caption;
        bool hidden;
        std::vector<Entry> entries; // name "-" for a separator
    };
    const std::vector<Menu> tree = {
        {"file", "文件", false,
         {{"save", "保存文件", "", false},
          {"-", "", "", false},
          {"printer", "设置打印机", "", false},
          {"print", "打印", "Ctrl+P", false},
          {"-", "", "", false},
          {"exit", "退出", "Ctrl+Q", false},
          {"find", "显示", "", true}}},
        {"edit", "编辑", false,
         {{"copy", "复制", "Ctrl+C", false},
          {"select", "全选", "Ctrl+S", false},
          {"-", "", "", false},
          {"vbclear", "清除历史纪录", "", false}}},
        {"look", "查找", false,
         {{"search", "检索", "Ctrl+F", false},
          {"-", "", "", false},
          {"up", "前进", "Ctrl+U", false},
          {"down", "后退", "Ctrl+D", false}}},
        {"data", "数据", false,
         {{"modit", "修改纪录", "", false},
          {"add", "添加纪录", "", false},
          {"-", "", "", false},
          {"del", "删除纪录", "", false},
          {"undel", "撤销删除", "", false}}},
        {"option", "选项", true, {{"fornt", "字体", "", false}}},
        {"tool", "常用表", false,
         {{"periodic", "元素周期表", "", false},
          {"searchd", "浓度密度查询表", "", false},
          {"searchk", "电离常数查询表", "", false},
          {"physic", "微溶化合物溶度积表", "", false},
          {"tfbiao", "t/F值表", "", false}}},
        {"helpm", "帮助", false,
         {{"help", "？内容", "F1", false}, {"about", "技术支持", "", false}}},
    };
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));
    for (const Menu &m : tree) {
        QMenu *menu = bar->addMenu(QString::fromUtf8(m.caption));
        menu->setObjectName(QString::fromUtf8(m.name) + QStringLiteral("_menu"));
        menu->menuAction()->setObjectName(QString::fromUtf8(m.name));
        menu->menuAction()->setVisible(!m.hidden);
        m_entries.insert(QString::fromUtf8(m.name), menu->menuAction());
        for (const Entry &e : m.entries) {
            if (QByteArray(e.name) == "-") {
                menu->addSeparator();
                continue;
            }
            QAction *a = menu->addAction(QString::fromUtf8(e.caption));
            const QString name = QString::fromUtf8(e.name);
            a->setObjectName(name);
            if (*e.shortcut) {
                a->setShortcut(QKeySequence(QString::fromUtf8(e.shortcut)));
                m_menuShortcuts << a->shortcut()[0];
                // The shortcut belongs to the window, whatever shows the menu.
                addAction(a);
            }
            a->setVisible(!e.hidden);
            // Commands of hidden menus still exist as commands.
            if (m.hidden)
                addAction(a);
            m_entries.insert(name, a);
            connect(a, &QAction::triggered, this, [this, name] { dispatchMenu(name); });
        }
    }
}

QAction *MainWindow::toolbarButton(int index) const
{
    return index >= 1 && index <= m_buttons.size() ? m_buttons[index - 1] : nullptr;
}

QToolButton *MainWindow::toolbarWidget(int index) const
{
    QAction *a = toolbarButton(index);
    return a ? qobject_cast<QToolButton *>(Toolbar1->widgetForAction(a)) : nullptr;
}

QMenu *MainWindow::buttonMenu(int index) const
{
    switch (index) {
    case 4: return m_backMenu;
    case 5: return m_forwardMenu;
    case 18: return m_insertMenu;
    default: return nullptr;
    }
}

QAction *MainWindow::menuEntry(const QString &name) const { return m_entries.value(name); }

// ---------------------------------------------------------------- dispatch

void MainWindow::dispatchToolbar(int index)
{
    switch (index) {
    case 2: dispatchMenu(QStringLiteral("save")); break;
    case 4: down_Click(); break;
    case 5: up_Click(); break;
    case 7: vbclear_Click(); break;
    case 9: dispatchMenu(QStringLiteral("select")); break;
    case 10: dispatchMenu(QStringLiteral("copy")); break;
    case 12: search_Click(); break;
    case 14: dispatchMenu(QStringLiteral("print")); break;
    case 16: dispatchMenu(QStringLiteral("modit")); break;
    case 17: dispatchMenu(QStringLiteral("add")); break;
    case 20: dispatchMenu(QStringLiteral("periodic")); break;
    case 22: openCompanion(QStringLiteral("\\help.chm")); break;
    default: break; // buttons 1 and 18 run no command
    }
}

void MainWindow::dispatchMenu(const QString &name)
{
    emit commandRequested(name);
    using record::RecordCommands;
    using maintenance::MaintenanceCommands;
    if (name == QLatin1String("save"))
        RecordCommands::save_Click(*this);
    else if (name == QLatin1String("select"))
        RecordCommands::select_Click(*this);
    else if (name == QLatin1String("copy"))
        RecordCommands::copy_Click(*this);
    else if (name == QLatin1String("fornt"))
        RecordCommands::fornt_Click(*this);
    else if (name == QLatin1String("printer"))
        RecordCommands::printer_Click(*this);
    else if (name == QLatin1String("print"))
        RecordCommands::print_Click(*this);
    else if (name == QLatin1String("modit"))
        MaintenanceCommands::modit_Click(*this);
    else if (name == QLatin1String("add"))
        MaintenanceCommands::add_Click(*this);
    else if (name == QLatin1String("del"))
        MaintenanceCommands::del_Click(*this);
    else if (name == QLatin1String("undel"))
        MaintenanceCommands::undel_Click(*this);
    else if (name == QLatin1String("periodic"))
        periodic::PeriodicForm::open(*this);
    else if (name == QLatin1String("exit"))
        exit_Click();
    else if (name == QLatin1String("find"))
        find_Click();
    else if (name == QLatin1String("vbclear"))
        vbclear_Click();
    else if (name == QLatin1String("search"))
        search_Click();
    else if (name == QLatin1String("up"))
        up_Click();
    else if (name == QLatin1String("down"))
        down_Click();
    else if (name == QLatin1String("searchd"))
        openCompanion(QStringLiteral("\\brisel.exe"));
    else if (name == QLatin1String("searchk"))
        openCompanion(QStringLiteral("\\calnet.exe"));
    else if (name == QLatin1String("physic"))
        openCompanion(QStringLiteral("\\vantor.exe"));
    else if (name == QLatin1String("tfbiao"))
        openCompanion(QStringLiteral("\\doruma.exe"));
    else if (name == QLatin1String("help"))
        openCompanion(QStringLiteral("\\help.chm"));
    else if (name == QLatin1String("about"))
        showAbout();
}

bool MainWindow::openCompanion(const QString &relative)
{
    const QString path = db::AppFolder::file(relative);
    if (!QFileInfo::exists(path))
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void MainWindow::exit_Click() { close(); }

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Unloading the main window unloads every other window and ends the run;
    // a wizard whose edits could not be stored keeps them, and the run goes on.
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w != this && w->isWindow() && w->isVisible() && !w->close()) {
            event->ignore();
            return;
        }
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w != this && w->isWindow())
            w->close();
    Timer1->stop();
    event->accept();
    QTimer::singleShot(0, qApp, &QApplication::quit);
}

// ---------------------------------------------------------------- load

void MainWindow::Form_Load()
{
    // 1. The skin: caption, frame and the menu bar in the caption.
    SkinSetup::apply(this);
    // The window is not made smaller than the layout's inner minimum inside
    // the skin's frame.
    updateMinimumSize();
    // 2. Outer size 9210 x 6690 twips, in the middle of the screen.
    resize(Twips::toPixelsX(9210), Twips::toPixelsY(6690));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // 3. - 5. The chemical database.
    Data1->setConnect(QStringLiteral(";pwd=5817402"));
    Form_Resize();
    Data1->setDatabaseName(db::AppFolder::file(QStringLiteral("\\data\\sj1.data")));
    // A database file that cannot serve is told once: which, where, what is wrong.
    const QString fileProblems = FileReport::check(
        this, {{Data1->databaseName(), Data1->connect()},
               {db::AppFolder::file(QStringLiteral("\\data\\index.data")), QStringLiteral(";pwd=5817402")}});
    // 6. The routes.
    Combo1->clear();
    for (const char *r : Routes)
        Combo1->addItem(QString::fromUtf8(r));
    Combo1->setCurrentText(QStringLiteral("中文名称"));
    // 7. The remembered name.
    QString name = db::ResultFile::read(db::AppFolder::file(QStringLiteral("\\result")));
    if (name.isEmpty())
        name = QStringLiteral("甲酸");
    Combo2->setText(name);
    // 8. is the splash's part (its timers).
    // 9. Search for it.
    search_Click();
    // 10. - 16., restarted once after a failure; a second failure is skipped.
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            if (List1->count() == 0) {
                RichTextBox1->clearText();
                RichTextBox1->setFirstMeasure(100);
                RichTextBox1->setSecondMeasure(100);
                if (!fileProblems.isEmpty()) {
                    // A broken installation, told where the welcome would stand.
                    RichTextBox1->write(fileProblems + QStringLiteral("\r\n"));
                } else {
                    RichTextBox1->write(welcomeParagraph(1) + QStringLiteral("\r\n\r\n"));
                    RichTextBox1->write(welcomeParagraph(2) + QStringLiteral("\r\n\r\n"));
                    RichTextBox1->write(welcomeParagraph(3) + QStringLiteral("\r\n"));
                }
                // The welcome is read from its beginning.
                QTextCursor top = RichTextBox1->textCursor();
                top.movePosition(QTextCursor::Start);
                RichTextBox1->setTextCursor(top);
            }
            m_counter = 1;
            TabStrip1->selectTab(2);
            TreeView1->hide();
            if (attempt == 0) {
                bia_bia();
            } else {
                // A second failure: the window opens without the failed step.
                try {
                    bia_bia();
                } catch (...) {
                }
            }
            m_insertMenu->clear();
            for (int i = 0; i < 9; ++i) {
                Text[size_t(i)]->setText(QString::fromUtf8(SpecialCharacters[i]));
                m_insertMenu->addAction(Text[size_t(i)]->text());
            }
            break;
        } catch (...) {
            continue;
        }
    }
    Timer1->start();
    m_loaded = true;
    m_startViewsPending = true;
    if (isVisible())
        showStartViews();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The views are set once the window has its shown size (the skin may
    // still change it right after the first show).
    if (m_startViewsPending)
        QTimer::singleShot(0, this, [this] { showStartViews(); });
}

void MainWindow::showStartViews()
{
    m_startViewsPending = false;
    RichTextBox1->ensureCursorVisible();
    List1->scrollToRow(List1->currentRow(), QAbstractItemView::PositionAtCenter);
}

void MainWindow::Timer1_Timer()
{
    const QPixmap picture = ImageList2->picture(m_counter + 1);
    if (!picture.isNull())
        Image8->setPixmap(picture);
    if (m_counter > 9)
        m_counter = 1;
    ++m_counter;
}

// ---------------------------------------------------------------- layout

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void MainWindow::Form_Resize()
{
    if (m_inResize || !m_client)
        return;
    m_inResize = true;
    updateMinimumSize();
    const int W = Twips::fromPixelsX(m_client->width());
    const int H = Twips::fromPixelsY(m_client->height());
    if (MainLayout::tooSmall(W, H) && !isMinimized() && isVisible()) {
        resize(Twips::toPixelsX(MainLayout::MinWidth), Twips::toPixelsY(MainLayout::MinHeight));
    }
    MainLayoutInput in;
    in.width = Twips::fromPixelsX(m_client->width());
    in.height = Twips::fromPixelsY(m_client->height());
    in.toolbar1Height = Twips::fromPixelsY(Toolbar1->sizeHint().height());
    in.toolbar2Height = Twips::fromPixelsY(qMax(Combo2->sizeHint().height(), 24) + 4);
    in.statusBarHeight = Twips::fromPixelsY(22);
    in.label3Height = Twips::fromPixelsY(Label3->fontMetrics().height() + 4);
    in.combo1Width = 2100;
    in.image8Height = 840;
    m_layout = MainLayout::resize(in);
    applyLayout();
    m_inResize = false;
}

void MainWindow::updateMinimumSize()
{
    // The inner minimum plus whatever frame, caption and menu bar surround
    // the client area, so that the search box keeps a usable width.
    QSize frame(contentsMargins().left() + contentsMargins().right(),
                contentsMargins().top() + contentsMargins().bottom());
    if (isVisible() && m_client->isVisible())
        frame = size() - m_client->size();
    const QSize least(Twips::toPixelsX(MainLayout::MinWidth) + frame.width(),
                      Twips::toPixelsY(MainLayout::MinHeight) + frame.height());
    if (minimumSize() != least)
        setMinimumSize(least);
}

void MainWindow::SplitBar1_Moved(int leftTwips)
{
    MainLayoutInput in;
    in.width = Twips::fromPixelsX(m_client->width());
    in.height = Twips::fromPixelsY(m_client->height());
    m_layout = MainLayout::split(m_layout, in, leftTwips);
    applyLayout();
}

void MainWindow::applyLayout()
{
    auto px = [](const QRect &t) {
        return QRect(Twips::toPixelsX(t.left()), Twips::toPixelsY(t.top()), Twips::toPixelsX(t.width()),
                     Twips::toPixelsY(t.height()));
    };
    const MainLayout &l = m_layout;
    Toolbar1->setGeometry(px(l.toolbar1));
    Toolbar2->setGeometry(px(l.toolbar2));
    const int boxHeight = Combo2->sizeHint().height();
    const int barHeight = Toolbar2->height();
    const int boxTop = qMax(0, (barHeight - boxHeight) / 2);
    Combo1->setGeometry(Twips::toPixelsX(l.combo1.left()), boxTop, Twips::toPixelsX(l.combo1.width()), boxHeight);
    Combo2->setGeometry(Twips::toPixelsX(l.combo2.left()), boxTop, qMax(40, Twips::toPixelsX(l.combo2.width())),
                        boxHeight);
    if (auto *first = Toolbar2->findChild<QToolButton *>(QStringLiteral("Toolbar2_1")))
        first->setGeometry(0, 0, Combo1->x() - 4, barHeight);
    if (auto *third = Toolbar2->findChild<QToolButton *>(QStringLiteral("Toolbar2_3")))
        third->setGeometry(Combo1->geometry().right() + 4, 0, Combo2->x() - Combo1->geometry().right() - 8,
                           barHeight);

    TabStrip1->setGeometry(px(l.tabStrip));
    List1->setGeometry(px(l.list1));
    TreeView1->setGeometry(px(l.treeView1));
    RichTextBox1->setGeometry(px(l.richTextBox1));
    QRect bar = px(l.splitBar1);
    bar.setWidth(qMax(4, RichTextBox1->x() - bar.left()));
    SplitBar1->setGeometry(bar);
    Label3->setGeometry(px(l.label3));
    Image8->setGeometry(px(l.image8));
    const int statusHeight = Twips::toPixelsY(330);
    StatusBar1->setGeometry(0, m_client->height() - statusHeight, m_client->width(), statusHeight);
    List1->raise();
    TreeView1->raise();
    // The bar is wider than the gap it sits in; on top, all of it can be
    // taken with the mouse.
    SplitBar1->raise();
}

void MainWindow::TabStrip1_Click(int tab)
{
    if (tab == 1) {
        List1->hide();
        TreeView1->show();
        setRecordCommandsEnabled(false);
        StatusBar1->showMessage(QStringLiteral("常用化学品，你可以通过常用化学品目录找到你所需要的化学品。"));
    } else {
        TreeView1->hide();
        List1->show();
        if (route() == QStringLiteral("中文名称") && List1->count() > 0)
            setRecordCommandsEnabled(true);
        const QString note = m_search->listNote();
        StatusBar1->showMessage(note.isEmpty() ? QStringLiteral("列表，显示所有符合条件的化学品。") : note);
    }
}

// ---------------------------------------------------------------- search bar

QString MainWindow::route() const { return Combo1->currentText(); }

void MainWindow::setRoute(const QString &r)
{
    const int i = Combo1->findText(r);
    if (i >= 0) {
        Combo1->setCurrentIndex(i);
    } else {
        // A route word the list does not offer is still a route.
        Combo1->addItem(r);
        Combo1->setCurrentIndex(Combo1->count() - 1);
    }
}

QString MainWindow::routePrompt(const QString &r)
{
    static const QHash<QString, QString> prompts = {
        {QStringLiteral("中文名称"), QStringLiteral("输入化学品的中文名称，包括学名、常用名、俗名等，或名称的关键字。")},
        {QStringLiteral("英文名称"), QStringLiteral("输入化学品的英文名称，包括学名、常用名、俗名等，或名称的关键字。")},
        {QStringLiteral("用途"),
         QStringLiteral("输入化学品相关用途关键字，可单条件或多条件检索。单条件如：塑料，多条件如：塑料；填料。")},
        {QStringLiteral("密度"), QStringLiteral("输入化学品的密度，不一定要准确。如：1.22")},
        {QStringLiteral("熔点"), QStringLiteral("输入化学品的熔点，不一定要准确。如：150")},
        {QStringLiteral("沸点"), QStringLiteral("输入化学品的沸点，不一定要准确。如：100")},
        {QStringLiteral("折射率"), QStringLiteral("输入化学品的折射率，不一定要准确。如：1.44")},
        {QStringLiteral("分子式"), QStringLiteral("输入化学品的分子式，不一定要准确。如：C6H3ClNO4")},
        {QStringLiteral("分子量"), QStringLiteral("输入化学品的分子量，不一定要准确。如：40")},
        {QStringLiteral("闪点"), QStringLiteral("输入化学品的闪点，不一定要准确。如：12")},
        {QStringLiteral("粘度"), QStringLiteral("输入化学品的粘度，不一定要准确。如：1.0")},
        {QStringLiteral("CAS号"), QStringLiteral("输入化学品的CAS号，可以不带短横线。如：64-17-5")},
        {QStringLiteral("拼音"), QStringLiteral("输入化学品名称的拼音或拼音首字母，不带声调。如：yichun 或 yc")},
        {QStringLiteral("元素"), QStringLiteral("输入元素符号，几种元素用空格分开。如：Fe 或 Cu S")},
        {QStringLiteral("结构式"),
         QStringLiteral("输入 SMILES 或 SMARTS 结构式，列出含有这一结构的化学品，最相似的在前。如：c1ccccc1[N+](=O)[O-]；"
                        "前加 ~ 则列出最相似的化学品")},
        {QStringLiteral("相似结构"), QStringLiteral("输入 SMILES 结构式，列出结构最相似的化学品。如：CC(=O)Oc1ccccc1C(=O)O")},
    };
    return prompts.value(r);
}

void MainWindow::Combo1_Click()
{
    const QString r = route();
    const QString prompt = routePrompt(r);
    if (prompt.isEmpty())
        return; // any other text changes nothing
    StatusBar1->showMessage(prompt);
    setRecordCommandsEnabled(r == QStringLiteral("中文名称"));
}

void MainWindow::Combo2_KeyPress(int key)
{
    if (key == 13)
        search_Click();
    TabStrip1->selectTab(2);
}

void MainWindow::Combo2_Click()
{
    TabStrip1->selectTab(2);
    search_Click();
}

// ---------------------------------------------------------------- delegation

void MainWindow::search_Click() { m_search->search_Click(); }
void MainWindow::zwjiansuo_jian() { m_search->zwjiansuo_jian(); }
void MainWindow::jiansuo_suo() { m_search->jiansuo_suo(); }
void MainWindow::elementSearch(const QStringList &symbols) { m_search->elementSearch(symbols); }
void MainWindow::yongtu_tu() { m_search->yongtu_tu(); }
void MainWindow::ll_ll() { m_search->ll_ll(); }
void MainWindow::colx_colx() { m_search->colx_colx(); }
void MainWindow::List1_Click() { m_search->List1_Click(); }
void MainWindow::List1_KeyPress(int key)
{
    if (key == 13)
        List1_Click();
}
void MainWindow::forr_forr() { m_search->forr_forr(); }
void MainWindow::down_Click() { m_search->down_Click(); }
void MainWindow::up_Click() { m_search->up_Click(); }
void MainWindow::vbclear_Click()
{
    m_backMenu->clear();
    m_forwardMenu->clear();
    Combo2->clearHistory();
    for (int index : {4, 5})
        toolbarButton(index)->setEnabled(false);
    menuEntry(QStringLiteral("down"))->setEnabled(false);
    menuEntry(QStringLiteral("up"))->setEnabled(false);
    toolbarButton(7)->setIcon(QIcon(ImageList1->picture(9)));
}
void MainWindow::ButtonMenuClick(const QString &text) { m_search->jumpTo(text); }

void MainWindow::setRecordCommandsEnabled(bool enabled)
{
    toolbarButton(16)->setEnabled(enabled);
    menuEntry(QStringLiteral("modit"))->setEnabled(enabled);
    menuEntry(QStringLiteral("del"))->setEnabled(enabled);
}

bool MainWindow::recordCommandsEnabled() const { return toolbarButton(16)->isEnabled(); }

void MainWindow::find_Click()
{
    record::RecordComposer::find_Click(*RichTextBox1, *Data1, Picture1->bytes(), route(), Combo2->text());
}

void MainWindow::findd_findd() { record::RecordComposer::findd_findd(*RichTextBox1, route(), Combo2->text()); }

void MainWindow::writeNotFound(const QString &sentence)
{
    record::RecordComposer::writeNotFound(
        *RichTextBox1, sentence.isEmpty()
                           ? QStringLiteral("你所要找的化学品未找到，请检查途径是否正确或把条件放宽，再进行检索！")
                           : sentence);
}

void MainWindow::bia_bia() { m_tree->bia_bia(); }

void MainWindow::showBusy(const QString &caption)
{
    Label3->setText(caption);
    Label3->repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::showCount()
{
    Label3->setText(QStringLiteral("找到 %1 个相关的化学品").arg(List1->count()));
}

void MainWindow::showAbout()
{
    if (!m_about)
        m_about = new AboutWindow(this);
    m_about->refresh();
    if (!m_about->isVisible())
        m_about->move(geometry().center() - m_about->rect().center());
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void MainWindow::selectListEntry(int index) { m_search->selectEntry(index); }

bool MainWindow::isMenuShortcut(const QKeyEvent *key) const
{
    const QKeyCombination pressed(key->modifiers() & ~Qt::KeypadModifier, Qt::Key(key->key()));
    return m_menuShortcuts.contains(pressed);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // A menu shortcut pressed in any control of this window runs its menu
    // entry, as the menu's accelerators do: the control may not claim the
    // key for itself (the line edit's Ctrl+U, Ctrl+C, the text pane's copy).
    // A key of a disabled entry does nothing at all.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto *widget = qobject_cast<QWidget *>(watched);
        auto *key = static_cast<QKeyEvent *>(event);
        if (widget && widget->window() == this && isMenuShortcut(key)) {
            if (event->type() == QEvent::ShortcutOverride) {
                key->ignore();
                return true; // not claimed: the shortcut map runs the entry
            }
            key->accept();
            return true;
        }
    }
    if (watched == List1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            List1_KeyPress(13);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace velmora::app
