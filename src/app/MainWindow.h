#pragma once

#include "app/AboutWindow.h"
#include "app/MainLayout.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>

class QAction;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace velmora::db {
class DataSource;
}
namespace velmora::record {
class RichTextBox;
}
namespace velmora::search {
class HistoryCombo;
class SearchController;
}
#include "search/ResultList.h"
namespace velmora::category {
class CategoryTree;
}

namespace velmora::app {

class AboutWindow;
class BoundPictureBox;
class ImageList;
class SplitBar;
class TabStrip;

// The main window `sq`: toolbar, search bar, the left pane with the category
// tree or the result list, the record pane, and the commands of the menu and
// toolbars. Its controls and procedures are public, since the periodic table
// and the wizards read and drive them as well.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The one main window of the run (null before it is created).
    static MainWindow *instance();

    // ---- controls ----
    QToolBar *Toolbar1 = nullptr;
    QWidget *Toolbar2 = nullptr;
    QComboBox *Combo1 = nullptr;
    search::HistoryCombo *Combo2 = nullptr;
    TabStrip *TabStrip1 = nullptr;
    QTreeWidget *TreeView1 = nullptr;
    search::ResultList *List1 = nullptr;
    SplitBar *SplitBar1 = nullptr;
    record::RichTextBox *RichTextBox1 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Image8 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QTimer *Timer1 = nullptr;
    ImageList *ImageList1 = nullptr;
    ImageList *ImageList2 = nullptr;
    ImageList *ImageList3 = nullptr;
    db::DataSource *Data1 = nullptr;
    db::DataSource *Data3 = nullptr;
    BoundPictureBox *Picture1 = nullptr;
    std::array<QLineEdit *, 9> Text{}; // Text1 ... Text9
    QLabel *PicCaption = nullptr;
    QLabel *PicBorder = nullptr;

    // Toolbar1's button by 1-based index (separators included).
    QAction *toolbarButton(int index) const;
    QToolButton *toolbarWidget(int index) const;
    // The drop-down menu of toolbar button 4, 5 or 18.
    QMenu *buttonMenu(int index) const;
    // A menu entry by its name ("save", "vbclear", ...).
    QAction *menuEntry(const QString &name) const;

    // ---- load, layout, shutdown ----
    void Form_Load();
    void Form_Resize();
    void SplitBar1_Moved(int leftTwips);
    void TabStrip1_Click(int tab);
    const MainLayout &layoutTwips() const { return m_layout; }
    int animationCounter() const { return m_counter; }
    void Timer1_Timer();

    // ---- search bar ----
    QString route() const;
    void setRoute(const QString &route);
    void Combo1_Click();
    void Combo2_KeyPress(int key);
    void Combo2_Click();
    static QString routePrompt(const QString &route);

    // ---- search, list and history ----
    void search_Click();
    void zwjiansuo_jian();
    void jiansuo_suo();
    void elementSearch(const QStringList &symbols);
    void yongtu_tu();
    void ll_ll();
    void colx_colx();
    void List1_Click();
    void List1_KeyPress(int key);
    // Selects a list entry from code, which runs the list's click handling.
    void selectListEntry(int index);
    void forr_forr();
    void down_Click();
    void up_Click();
    void vbclear_Click();
    void ButtonMenuClick(const QString &text);
    void setRecordCommandsEnabled(bool enabled);
    bool recordCommandsEnabled() const;

    // ---- record ----
    void find_Click();
    void findd_findd();
    // Puts the not-found text (or another sentence) in the record pane.
    void writeNotFound(const QString &sentence = {});

    // ---- category tree ----
    void bia_bia();
    category::CategoryTree &categoryTree() const { return *m_tree; }

    // ---- companion programs ----
    // Opens application folder + relative path with the desktop; a missing
    // file does nothing. Returns whether the desktop took it.
    bool openCompanion(const QString &relative);

    void showAbout();
    AboutWindow *aboutWindow() const { return m_about; }

    // Shows "请稍后……" at once, before a slow query blocks the window.
    void showBusy(const QString &caption);
    void showCount();

signals:
    // A menu command is about to run (by entry name), for scripts and tests.
    void commandRequested(const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void createMenus();
    void createToolbar();
    void createSearchBar();
    void applyLayout();
    void dispatchToolbar(int index);
    void dispatchMenu(const QString &name);
    void exit_Click();
    // Whether a key is one of the menu entries' shortcuts.
    bool isMenuShortcut(const QKeyEvent *key) const;
    // The start-up views: the top of the record pane, the selected entry
    // of the list in view.
    void showStartViews();
    void updateMinimumSize();

    QWidget *m_client = nullptr;
    QVector<QAction *> m_buttons;
    QHash<QString, QAction *> m_entries;
    QMenu *m_backMenu = nullptr;
    QMenu *m_forwardMenu = nullptr;
    QMenu *m_insertMenu = nullptr;
    std::unique_ptr<search::SearchController> m_search;
    std::unique_ptr<category::CategoryTree> m_tree;
    QPointer<AboutWindow> m_about;
    MainLayout m_layout;
    int m_counter = 1;
    bool m_loaded = false;
    bool m_inResize = false;
    bool m_startViewsPending = false;
    QList<QKeyCombination> m_menuShortcuts;
};

} // namespace velmora::app
