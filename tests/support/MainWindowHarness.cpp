#include "support/MainWindowHarness.h"

#include "app/SkinSetup.h"
#include "db/ResultFile.h"
#include "skin/cMenuBar.h"
#include "skin/cNeoCaption.h"
#include "record/RichTextBox.h"
#include "search/HistoryCombo.h"
#include "support/WindowInput.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QStyle>
#include <QStyleOptionToolButton>
#include <QToolButton>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace velmora::test {

MainWindowHarness::MainWindowHarness(const QString &remembered, Fixture::Sources sources)
    : m_fixture(sources)
{
    m_fixture.install();
    if (!remembered.isNull())
        db::ResultFile::write(m_fixture.file(QStringLiteral("\\result")), remembered);
    app::Prompts::Script script;
    script.message = [this](const app::Prompts::Message &m) {
        messages << m.title + QLatin1Char('|') + m.text;
        return QMessageBox::Ok;
    };
    // Dialogs are cancelled unless a test scripts them otherwise.
    script.saveFile = [](const app::Prompts::SaveRequest &) { return std::optional<QString>(); };
    script.font = [](const QFont &) { return std::optional<QFont>(); };
    script.printer = [](QPrinter *) { return false; };
    app::Prompts::setScript(script);
    m_window = std::make_unique<app::MainWindow>();
    m_window->Form_Load();
}

MainWindowHarness::~MainWindowHarness()
{
    m_window.reset();
    app::Prompts::clearScript();
}

void MainWindowHarness::show()
{
    app::MainWindow &w = *m_window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // The skin is put on around the first show; input waits for it.
    QTRY_VERIFY(w.findChild<QObject *>(QStringLiteral("cNeoCaption"), Qt::FindDirectChildrenOnly));
    QTRY_VERIFY(w.contentsMargins().top() > 0);
    QVERIFY(input::showActive(&w));
}

void MainWindowHarness::chooseRoute(const QString &route)
{
    app::MainWindow &w = *m_window;
    if (!w.isActiveWindow())
        show();
    QComboBox *box = w.Combo1;
    const int row = box->findText(route);
    if (row < 0) {
        // A route word the box does not offer (the search command knows a
        // few more) can only be set by the program, as the periodic table
        // does.
        w.setRoute(route);
        return;
    }
    input::click(box);
    QAbstractItemView *view = box->view();
    QTRY_VERIFY(view->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    const QModelIndex index = box->model()->index(row, box->modelColumn());
    view->scrollTo(index);
    input::click(view->viewport(), view->visualRect(index).center());
    QTRY_VERIFY(!view->isVisible());
    QCOMPARE(box->currentText(), route);
}

void MainWindowHarness::search(const QString &text, const QString &route)
{
    app::MainWindow &w = *m_window;
    chooseRoute(route);
    // Into the box, everything selected, then typed over.
    input::click(w.Combo2);
    input::key(w.Combo2, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        input::key(w.Combo2, Qt::Key_Backspace);
    else
        input::type(w.Combo2, text);
    QCOMPARE(w.Combo2->text(), text);
    input::key(w.Combo2, Qt::Key_Return);
}

void MainWindowHarness::clickButton(int index)
{
    if (!m_window->isActiveWindow())
        show();
    QToolButton *button = m_window->toolbarWidget(index);
    QVERIFY(button);
    // A button with a drop-down menu is clicked beside its arrow.
    QStyleOptionToolButton option;
    option.initFrom(button);
    option.features = button->popupMode() == QToolButton::MenuButtonPopup ? QStyleOptionToolButton::MenuButtonPopup
                                                                          : QStyleOptionToolButton::None;
    option.subControls = QStyle::SC_ToolButton | QStyle::SC_ToolButtonMenu;
    const QRect face = button->style()->subControlRect(QStyle::CC_ToolButton, &option, QStyle::SC_ToolButton, button);
    input::click(button, face.isValid() ? face.center() : button->rect().center());
}

void MainWindowHarness::press(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    if (!m_window->isActiveWindow())
        show();
    input::key(m_window.get(), key, modifiers);
}

QStringList MainWindowHarness::listEntries() const
{
    QStringList out;
    for (int i = 0; i < m_window->List1->count(); ++i)
        out << m_window->List1->text(i);
    return out;
}

QString MainWindowHarness::selectedEntry() const
{
    return m_window->List1->currentText();
}

QString MainWindowHarness::recordText() const { return m_window->RichTextBox1->toPlainText(); }

QString MainWindowHarness::resultFile() const
{
    return db::ResultFile::read(m_fixture.file(QStringLiteral("\\result")));
}

} // namespace velmora::test

namespace velmora::test {

bool MainWindowHarness::chooseMenuEntry(const QString &name)
{
    app::MainWindow &w = *m_window;
    if (!w.isActiveWindow())
        show();
    skin::cNeoCaption *caption = app::SkinSetup::caption(&w);
    if (!caption || !caption->MenuBar())
        return false;
    // The caption shows the menus the window's own bar shows, in its order.
    int entry = 0;
    for (QAction *top : w.menuBar()->actions()) {
        if (!top->isVisible())
            continue;
        ++entry;
        QMenu *menu = top->menu();
        const bool holds = menu && std::any_of(menu->actions().cbegin(), menu->actions().cend(),
                                               [&](QAction *a) { return a->objectName() == name && a->isVisible(); });
        if (!holds)
            continue;
        const skin::WinRect r = caption->MenuBar()->EntryScreenRect(entry);
        if (r.width() <= 0)
            return false;
        const QPoint centre = w.mapFromGlobal(QPoint(r.left + r.width() / 2, r.top + r.height() / 2));
        return input::chooseFromPopup([&] { input::click(&w, centre); }, name);
    }
    return false;
}

} // namespace velmora::test
