#pragma once

#include "maintenance/WizardLayout.h"

#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace velmora::app {
class BoundPictureBox;
class MainWindow;
} // namespace velmora::app
namespace velmora::db {
class DataSource;
class WriteFailure;
} // namespace velmora::db

namespace velmora::maintenance {

class BoundTextBox;
class HeadingPicker;

// What the two record wizards share: the item list on the left, one editor on
// the right (a text box bound to the selected item's field, the name box, or
// the structure picture), the step commands, the symbol drop-down, the
// picture menu, the arrow keys and the heading picker.
//
// Edits live in the window's data source Data1 until it leaves the record;
// every change of item refreshes Data1, which writes them. A write that fails
// is reported with its reason; the person retries, discards the edits or goes
// back to them, and the editor and the item list stay on the item whose
// editor holds the edits. The window owns its two data sources and its
// heading picker for its whole life.
class WizardForm : public QWidget {
    Q_OBJECT
public:
    // Shows the single window, restored when minimised, in front.
    void bringForward();

    // One toolbar button: caption, key, tool tip and icon name.
    struct ButtonSpec {
        const char *caption;
        const char *key;
        const char *tooltip;
        const char *icon; // nullptr for a separator
    };

    ~WizardForm() override;

    // ---- controls ----
    db::DataSource *Data1 = nullptr; // the chemical, table sj
    db::DataSource *Data2 = nullptr; // the heading rows, table index
    QToolBar *Toolbar1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QTreeWidget *TreeView1 = nullptr; // the item list
    BoundTextBox *Text1 = nullptr;    // the item editor
    BoundTextBox *Text2 = nullptr;    // the name box, in front of Text1
    app::BoundPictureBox *Picture1 = nullptr;
    // The chemical's three headings, never shown.
    BoundTextBox *Text7 = nullptr;
    BoundTextBox *Text8 = nullptr;
    BoundTextBox *Text9 = nullptr;
    // The heading path written into a new index row, never shown.
    BoundTextBox *Text10 = nullptr;
    BoundTextBox *Text11 = nullptr;
    BoundTextBox *Text12 = nullptr;
    // Holders of the insertable symbols: Text3 to Text6, Text13 to Text19.
    std::array<QLineEdit *, 11> symbolHolders{};
    QLabel *Label1 = nullptr; // the selected item's name
    QLabel *Label2 = nullptr; // "说明："
    QLabel *Label3 = nullptr; // the prompt
    QLabel *itemHeading = nullptr; // Label4 in the edit wizard, Label5 in the add wizard
    QLabel *pickerLabel = nullptr; // Label5 in the edit wizard, Label6 in the add wizard
    QComboBox *Combo1 = nullptr;   // the heading picker
    QMenu *edit = nullptr;         // the picture menu
    // Under the picture: a SMILES to draw the picture from (Smiles1, Enter
    // or 画出 draws), and the offer of its canonical form.
    QLineEdit *Smiles1 = nullptr;
    QPushButton *drawButton = nullptr;     // "画出"
    QPushButton *canonicalButton = nullptr; // "改用规范写法"

    // Toolbar1's button by 1-based index (separators included).
    QAction *toolbarButton(int index) const;
    // The symbol drop-down of the insert button.
    QMenu *insertMenu() const { return m_insertMenu; }
    // An entry of the picture menu: "copy", "paste", "del".
    QAction *editEntry(const QString &name) const;

    // ---- items (1-based) ----
    int itemCount() const;
    QString itemText(int item) const;
    int selectedItem() const; // 0 when none
    void selectItem(int item);

    // ---- commands ----
    virtual void Form_Load() = 0;
    // A click on an item of the list (the list has already selected it).
    void TreeView1_NodeClick(int item);
    void up_click();
    void down_click();
    // Fills the heading picker for the selected item.
    void com_com();
    // The user picked or entered a heading in Combo1.
    void Combo1_Choose();
    virtual void Toolbar1_ButtonClick(int index) = 0;
    // An entry of the symbol drop-down.
    void ButtonMenuClick(const QString &symbol);
    // The picture menu.
    void copy_Click();
    void paste_Click();
    void del_Click();
    // Draws the picture from the SMILES in Smiles1, fills an empty 分子式
    // and 分子量, and keeps the structure to be written with the row. A
    // SMILES that does not parse is refused with its reason.
    void drawFromSmiles();
    // Puts the canonical form of the drawn SMILES into Smiles1.
    void useCanonical();
    // Key preview: 40 (Down) and 38 (Up).
    void Form_KeyDown(int keyCode);
    void Form_Resize();
    const WizardLayout &layoutTwips() const { return m_layout; }

    app::MainWindow &mainWindow() const { return m_main; }
    // The title of the program's own message boxes.
    static QString applicationTitle();

protected:
    WizardForm(app::MainWindow &main, bool addWizard);

    enum class Change { Click, Up, Down };
    enum class Outcome { Done, Cancelled, Failed };
    // Runs a command that may write. A failed write is reported; the person
    // retries (the command runs again; over a change made elsewhere, the
    // edits are written over it), discards the edits (and, when asked, the
    // command runs again) or cancels, keeping the edits. Other database
    // errors end the command silently (Failed).
    Outcome runWriting(const std::function<void()> &command, bool rerunAfterDiscard = true);
    // The person's answer to a failed write: Retry, Discard or Cancel.
    int askAfterFailure(const db::WriteFailure &failure);
    // Refuses an emptied Chinese name of a stored chemical: says so, puts the
    // stored name back and shows the name item. True when refused.
    bool refuseEmptyName();
    // Shows an item's editor state after a refusal: the list, the labels, the
    // step buttons and the picker all on that item.
    void showItem(int item);
    // Writes the pending edits at once (the heading picker's choice).
    virtual void storeNow() = 0;
    // The first steps of a change of item; false stops the change.
    virtual bool beginItemChange(Change change) = 0;
    // Refreshes Data1, writing the pending edits first.
    virtual void refreshData1() = 0;
    // The prompt after a change of item.
    virtual QString changePrompt(Change change, const QString &item) const;
    // Whether the editors may take input (there is a record to write to).
    virtual bool hasRecord() const = 0;
    virtual bool preselectsHeading() const = 0;

    void createToolbar(const ButtonSpec *buttons, int count, int insertIndex);
    void buildItems(const QStringList &items);
    // Sizes the window to its client area in twips and centres it.
    void placeOnScreen(int widthTwips, int heightTwips);
    void fillSymbols();
    // Text1 follows a field; false when Data1 has no such field.
    bool bindText1(const QString &field);
    // Shows the picture box for the structure item, else binds the text box
    // to the field (refreshed once more after binding when asked); false when
    // the field could not be bound.
    bool showEditorFor(bool structure, const QString &field, bool refreshAfterBind);
    void bindPicture();
    void setStepButtons(int item);
    // The name box for the name item, Text1 for the others.
    void showNameBoxFor(const QString &item);
    // Keeps the editors read-only while there is nothing to write to.
    void updateEditable();
    // Fills an empty sort key of a chemical being stored from its names.
    void fillSortKeys();
    bool hasPendingEdit() const;
    // The box in front: the one that a paste or copy works on.
    BoundTextBox *frontTextBox() const;
    void showPrompt(const QString &title, const QString &text, int icon);
    QString nameQuery(const QString &select) const;
    bool text1Bound() const { return m_text1Bound; }

    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // Writes what is pending when the window closes; false keeps it open.
    virtual bool storeOnClose() = 0;
    // The item whose editor is shown.
    int m_shownItem = 1;

    BoundTextBox *m_cnSortKey = nullptr; // 中文标记, never shown
    BoundTextBox *m_enSortKey = nullptr; // 英文标记, never shown

    // Toolbar 复制 and 粘贴.
    void copyText();
    void pasteInto();

private:
    void createControls();
    void stepTo(int item, Change change);
    void switchItem(int item, Change change);

    app::MainWindow &m_main;
    const bool m_addWizard;
    std::unique_ptr<HeadingPicker> m_picker;
    QVector<QAction *> m_buttons;
    QMenu *m_insertMenu = nullptr;
    WizardLayout m_layout;
    bool m_text1Bound = false;
    bool m_pictureBound = false;
    // Shows the SMILES row with the picture, filled with the stored SMILES.
    void showSmilesRow(bool shown);
    BoundTextBox *m_formulaBox = nullptr; // 分子式, never shown
    BoundTextBox *m_weightBox = nullptr;  // 分子量, never shown
    QString m_canonical;                  // of the SMILES last drawn
    bool m_closing = false;
    // The key event already previewed, so that it is not handled again when
    // it travels on to the window.
    const QEvent *m_previewed = nullptr;
    quint64 m_previewedAt = 0;
    // The sort keys this window filled in, told apart from typed ones.
    QString m_autoChineseKey;
    QString m_autoEnglishKey;

    friend class HeadingPicker;
};

} // namespace velmora::maintenance
