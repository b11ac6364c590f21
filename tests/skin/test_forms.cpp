// The program's skinned forms: the main window handed over by the splash
// comes up active with the caret in the search box and keys typed through the
// window reach it; the print window opened right after is active as well;
// every form has a minimum size at which its caption buttons and main
// controls still work.

#include "SkinTestSupport.h"

#include "app/AboutWindow.h"
#include "app/KeyboardLayouts.h"
#include "app/MainWindow.h"
#include "app/SkinSetup.h"
#include "app/StartCover.h"
#include "maintenance/AddForm.h"
#include "maintenance/DataForm.h"
#include "periodic/PeriodicForm.h"
#include "record/PrintForm.h"
#include "record/RecordCommands.h"
#include "search/HistoryCombo.h"
#include "skin/WindowSystem.h"
#include "skin/cNCCalcSize.h"
#include "skin/cNeoCaption.h"
#include "support/Fixture.h"
#include "support/MainWindowHarness.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

using namespace velmora;
using velmora::skin::WindowSystem;

namespace {

class OneLayout : public app::KeyboardLayouts {
public:
    QStringList layouts() override { return {QStringLiteral("us")}; }
    bool inputMethodOff() override { return false; }
    void activate(int) override {}
};

skin::cNeoCaption *captionOf(QWidget *form) { return app::SkinSetup::caption(form); }

// The close button's middle at the form's current width (the caption's right
// piece ends 10 pixels in from the edge and holds the buttons from its right).
QPoint closeButton(QWidget *form) { return QPoint(form->width() - 16, 15); }

int hitAt(QWidget *form, const QPoint &p)
{
    const QPoint g = form->mapToGlobal(p);
    skin::SystemInput::setCursorPos(g);
    return int(WindowSystem::sendMessage(WindowSystem::handleOf(form), skin::wm::NcHitTest, 0,
                                         skin::makeLParam(g.x(), g.y())));
}

// At its minimum size the form keeps its title, its close button answers
// and the named controls lie whole inside its client area.
void checkMinimum(QWidget *form, const QStringList &controls, const QSize &atLeast)
{
    QVERIFY2(form->minimumWidth() >= atLeast.width() && form->minimumHeight() >= atLeast.height(),
             qPrintable(QStringLiteral("%1x%2").arg(form->minimumWidth()).arg(form->minimumHeight())));
    form->resize(1, 1);
    QTRY_COMPARE(form->size(), form->minimumSize());
    QVERIFY(form->width() >= 201); // narrower, the caption drops its title
    // The buttons are placed as the caption is painted at the new size.
    QTRY_COMPARE(hitAt(form, closeButton(form)), int(skin::ht::SysMenu));
    // (A control may run a few pixels under the frame, as the main window's toolbar does.)
    const QRect client = form->contentsRect().adjusted(-4, -4, 4, 4);
    for (const QString &name : controls) {
        auto *w = form->findChild<QWidget *>(name);
        QVERIFY2(w, qPrintable(name));
        const QRect r(w->mapTo(form, QPoint(0, 0)), w->size());
        QVERIFY2(w->isVisible() && r.width() >= 16 && r.height() >= 12 && client.contains(r),
                 qPrintable(name + QStringLiteral(" at %1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())));
    }
}

} // namespace

class TestForms : public QObject {
    Q_OBJECT

private slots:
    void mainWindowComesUpActiveWithTheCaretInTheSearchBox()
    {
        test::Fixture fixture;
        fixture.install();
        OneLayout layouts;
        app::MainWindow *main = nullptr;
        auto *splash = new app::StartCover(layouts, [&] { return main = new app::MainWindow; });
        splash->setAttribute(Qt::WA_DeleteOnClose);
        splash->show();
        QTRY_VERIFY_WITH_TIMEOUT(main && main->isVisible(), 5000);
        std::unique_ptr<app::MainWindow> owner(main);
        QVERIFY(QTest::qWaitForWindowActive(main));
        QCOMPARE(QApplication::activeWindow(), main);
        skin::cNeoCaption *caption = captionOf(main);
        QVERIFY(caption);
        QTRY_VERIFY(caption->NCCalcSize()->WindowActive());
        // Shown once, already dressed: frameless, the menu in the caption.
        QVERIFY(main->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(main->contentsMargins(), QMargins(10, 48, 10, 10));
        // The caret is in the search box and typed keys go there.
        QLineEdit *edit = main->Combo2->lineEdit();
        QVERIFY(edit);
        QTRY_VERIFY(QApplication::focusWidget() == main->Combo2 || QApplication::focusWidget() == edit);
        edit->selectAll();
        for (char c : {'a', 'b', 'c'})
            QTest::keyClick(main->windowHandle(), c);
        QCOMPARE(main->Combo2->currentText(), QStringLiteral("abc"));

        // The print window opened now comes up active too.
        record::PrintForm *print = record::RecordCommands::print_Click(*main);
        QVERIFY(print);
        QVERIFY(QTest::qWaitForWindowActive(print));
        skin::cNeoCaption *printCaption = captionOf(print);
        QVERIFY(printCaption);
        QTRY_VERIFY(printCaption->NCCalcSize()->WindowActive());
        print->close();
    }

    // Opened with Ctrl+P and closed with 取消 again and again, the print
    // window comes up dressed each time: its frame margins and the skin's
    // window rectangle are its own geometry, not a frame left from before.
    void printWindowWholeEveryTime()
    {
        test::MainWindowHarness h;
        app::MainWindow &main = h.w();
        h.show();
        for (int round = 0; round < 4; ++round) {
            h.press(Qt::Key_P, Qt::ControlModifier);
            QPointer<record::PrintForm> print;
            QTRY_VERIFY((print = main.findChild<record::PrintForm *>()) && print->isVisible());
            QVERIFY(QTest::qWaitForWindowExposed(print));
            QVERIFY(captionOf(print));
            QVERIFY(print->windowFlags().testFlag(Qt::FramelessWindowHint));
            QCOMPARE(print->contentsMargins(), QMargins(10, 48, 10, 10));
            const skin::WinRect r = WindowSystem::windowRect(WindowSystem::handleOf(print));
            QCOMPARE(QRect(r.left, r.top, r.width(), r.height()), print->geometry());
            QCOMPARE(print->size(), QSize(300, print->sizeHint().height()));
            QCOMPARE(hitAt(print, QPoint(print->width() / 2, 30)), int(skin::ht::Caption));
            const QPoint cancel = print->print->mapTo(print, print->print->rect().center());
            QTest::mouseClick(print->windowHandle(), Qt::LeftButton, Qt::NoModifier, cancel);
            QTRY_VERIFY(!print);
        }
    }

    void minimumSizes()
    {
        test::MainWindowHarness h;
        app::MainWindow &main = h.w();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        checkMinimum(&main, {"Toolbar1", "Combo1", "List1", "RichTextBox1", "Label3"}, QSize(400, 300));

        periodic::PeriodicForm::open(main);
        auto *table = periodic::PeriodicForm::instance(main);
        QVERIFY(table);
        QVERIFY(QTest::qWaitForWindowExposed(table));
        checkMinimum(table, {"MSFlexGrid1", "StatusBar1"}, QSize(540, 420));
        table->close();

        record::PrintForm *print = record::RecordCommands::print_Click(main);
        QVERIFY(QTest::qWaitForWindowExposed(print));
        checkMinimum(print, {"Option1", "Option2", "Command1", "print"}, QSize(201, 100));
        print->close();

        main.showAbout();
        app::AboutWindow *about = main.aboutWindow();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        checkMinimum(about, {"aboutClose"}, QSize(440, 200));
        about->close();

        for (bool adding : {false, true}) {
            QWidget *wizard = adding ? static_cast<QWidget *>(maintenance::AddForm::open(main))
                                     : static_cast<QWidget *>(maintenance::DataForm::open(main));
            QVERIFY(wizard);
            QVERIFY(QTest::qWaitForWindowExposed(wizard));
            checkMinimum(wizard, {"Toolbar1", "TreeView1", "StatusBar1"}, QSize(400, 300));
            wizard->close();
        }
    }
};

QTEST_MAIN(TestForms)
#include "test_forms.moc"
