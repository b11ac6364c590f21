// The non-client area manager: margins, hit codes of every frame zone,
// activation, repainting, the caption drag loop, the Alt-key hook and detaching.

#include "SkinTestSupport.h"

#include "skin/DeviceContext.h"
#include "skin/INCAreaModifier.h"
#include "skin/WindowSystem.h"
#include "skin/cNCCalcSize.h"
#include "skin/mDeclares.h"

#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

using namespace velmora::skin;

namespace {

// A frame with the skin's margins that records what the manager asks of it.
class FakeFrame : public INCAreaModifier {
public:
    explicit FakeFrame(QWidget *w) : m_hwnd(WindowSystem::handleOf(w)) {}
    HWND hwnd() const override { return m_hwnd; }
    int GetTopMarginHeight() override { return 48; }
    int GetLeftMarginWidth() override { return 10; }
    int GetRightMarginWidth() override { return 10; }
    int GetBottomMarginHeight() override { return 10; }
    void NCPaint(DeviceContext *hdc, int, int, int lRight, int lBottom) override
    {
        ++paints;
        hdc->fillRect({0, 0, lRight, lBottom}, 0x00804020);
    }
    void HitTest(int, int, int &code) override
    {
        if (override >= 0)
            code = override;
    }
    void NCMouseDown(int, int, bool &handled, DeviceContext *, int, int, int, int) override
    {
        ++downs;
        handled = true;
    }
    void NCMouseUp(int, int, DeviceContext *, int, int, int, int) override { ++ups; }
    void InitMenuPopup(WPARAM, LPARAM) override {}
    void ExitMenuLoop() override {}
    void AltKeyAccelerator(int vKey, bool &handled) override
    {
        keys.append(vKey);
        handled = true;
    }

    HWND m_hwnd;
    int paints = 0;
    int override = -1;
    int downs = 0;
    int ups = 0;
    QList<int> keys;
};

// A frameless window with an edit box, 300 x 200, at (100, 100).
struct Window {
    QWidget widget;
    QLineEdit *edit;
    Window()
    {
        widget.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        auto *layout = new QVBoxLayout(&widget);
        layout->setContentsMargins(0, 0, 0, 0);
        edit = new QLineEdit(&widget);
        layout->addWidget(edit);
        widget.setGeometry(100, 100, 300, 200);
    }
    HWND hwnd() { return WindowSystem::handleOf(&widget); }
};

int hitAt(HWND hwnd, const QPoint &windowPoint)
{
    const WinRect r = WindowSystem::windowRect(hwnd);
    const QPoint screen(r.left + windowPoint.x(), r.top + windowPoint.y());
    SystemInput::setCursorPos(screen);
    return int(WindowSystem::sendMessage(hwnd, wm::NcHitTest, 0, makeLParam(screen.x(), screen.y())));
}

} // namespace

class TestNCCalcSize : public QObject {
    Q_OBJECT

private slots:
    void marginsAndDefaultSizing()
    {
        Window w;
        FakeFrame frame(&w.widget);
        cNCCalcSize manager;
        manager.Attach(&frame);
        manager.Display(&w.widget);
        QCOMPARE(w.widget.contentsMargins(), QMargins(10, 48, 10, 10));

        // With a first parameter of 0 the system's own sizing applies.
        WinRect rc{0, 0, 300, 200};
        WindowSystem::sendMessage(w.hwnd(), wm::NcCalcSize, 0, LPARAM(&rc));
        const int frameX = WindowSystem::systemMetric(sm::CxFrame);
        const int captionTop = WindowSystem::systemMetric(sm::CyCaption) + WindowSystem::systemMetric(sm::CyFrame);
        QCOMPARE(rc, (WinRect{frameX, captionTop, 300 - frameX, 200 - frameX}));
    }

    void hitCodes_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<bool>("resizable");
        QTest::addColumn<int>("code");
        // A 300 x 200 window, margins 10 / 48 / 10 / 10, caption height 15.
        QTest::newRow("top-left corner") << QPoint(2, 3) << true << ht::TopLeft;
        QTest::newRow("left edge") << QPoint(5, 100) << true << ht::Left;
        QTest::newRow("left edge, first client column") << QPoint(10, 100) << true << ht::Left;
        QTest::newRow("bottom-left corner") << QPoint(5, 195) << true << ht::BottomLeft;
        QTest::newRow("top-right corner") << QPoint(295, 10) << true << ht::TopRight;
        QTest::newRow("right edge") << QPoint(295, 100) << true << ht::Right;
        QTest::newRow("bottom-right corner") << QPoint(299, 199) << true << ht::BottomRight;
        QTest::newRow("top edge") << QPoint(150, 5) << true << ht::Top;
        QTest::newRow("bottom edge") << QPoint(150, 192) << true << ht::Bottom;
        QTest::newRow("caption") << QPoint(150, 20) << true << ht::Caption;
        QTest::newRow("caption, system menu end") << QPoint(14, 20) << true << ht::SysMenu;
        QTest::newRow("menu zone below the caption") << QPoint(150, 30) << true << ht::Client;
        QTest::newRow("client") << QPoint(150, 100) << true << ht::Client;
        QTest::newRow("outside") << QPoint(400, 100) << true << ht::Client;
        QTest::newRow("fixed size: left edge") << QPoint(5, 100) << false << ht::Client;
        QTest::newRow("fixed size: top edge") << QPoint(150, 5) << false << ht::Client;
        QTest::newRow("fixed size: caption") << QPoint(150, 20) << false << ht::Caption;
    }

    void hitCodes()
    {
        QFETCH(QPoint, point);
        QFETCH(bool, resizable);
        QFETCH(int, code);
        QCOMPARE(cNCCalcSize::HitCode(point.x(), point.y(), 300, 200, 10, 48, 10, 10, 15, resizable), code);
    }

    void hitTestMessage()
    {
        Window w;
        FakeFrame frame(&w.widget);
        cNCCalcSize manager;
        manager.Attach(&frame);
        manager.Display(&w.widget);
        w.widget.show();
        QCOMPARE(hitAt(w.hwnd(), QPoint(150, 20)), ht::Caption);
        QCOMPARE(hitAt(w.hwnd(), QPoint(5, 100)), ht::Left);
        w.widget.setFixedSize(300, 200);
        QCOMPARE(hitAt(w.hwnd(), QPoint(5, 100)), ht::Client);

        // The menu bar in the caption is answered as client area; the manager remembers the menu code.
        frame.override = ht::Menu;
        QCOMPARE(hitAt(w.hwnd(), QPoint(150, 36)), ht::Client);
        QCOMPARE(manager.LastHitCode(), ht::Menu);
    }

    void textActivationAndPaint()
    {
        Window w;
        FakeFrame frame(&w.widget);
        cNCCalcSize manager;
        manager.Attach(&frame);
        manager.Display(&w.widget);
        QVERIFY(skintest::showActive(&w.widget));
        QVERIFY(manager.WindowActive());
        QTRY_VERIFY(frame.paints > 0);

        const int before = frame.paints;
        w.widget.setWindowTitle(QStringLiteral("纪录修改向导"));
        QVERIFY(frame.paints > before);

        WindowSystem::sendMessage(w.hwnd(), wm::NcActivate, 0, 0);
        QVERIFY(!manager.WindowActive());
        WindowSystem::sendMessage(w.hwnd(), wm::ActivateApp, 1, 0);
        QVERIFY(manager.AppActive());

        // What the frame painted is what the window shows around its client area.
        QTRY_COMPARE(w.widget.grab().toImage().pixelColor(150, 5), QColor(0x20, 0x40, 0x80));
        QVERIFY(w.widget.grab().toImage().pixelColor(150, 100) != QColor(0x20, 0x40, 0x80));
    }

    void captionDragMovesTheWindow()
    {
        Window other;
        Window w;
        FakeFrame frame(&w.widget);
        cNCCalcSize manager;
        manager.Attach(&frame);
        manager.Display(&w.widget);
        QVERIFY(skintest::showActive(&w.widget));
        // Another window is active: the press brings this one forward first.
        QVERIFY(skintest::showActive(&other.widget));
        QTRY_VERIFY(!manager.WindowActive());

        const QPoint start = w.widget.pos();
        const QPoint grip(150, 20);
        // The mouse moves once the window is forward and the loop follows it.
        QTimer::singleShot(300, [&] { skintest::move(&w.widget, grip + QPoint(40, 25)); });
        QTimer::singleShot(400, [&] { skintest::release(&w.widget, grip + QPoint(40, 25)); });
        skintest::press(&w.widget, grip);
        QCOMPARE(QApplication::activeWindow(), &w.widget);
        // The manager nudges the cursor by one pixel before the loop reads it.
        const QPoint moved = w.widget.pos() - start;
        QVERIFY2(qAbs(moved.x() - 40) <= 1 && qAbs(moved.y() - 25) <= 1,
                 qPrintable(QStringLiteral("%1,%2").arg(moved.x()).arg(moved.y())));
        QCOMPARE(frame.downs, 0);
    }

    void altKeysReachTheActiveWindow()
    {
        Window w;
        FakeFrame frame(&w.widget);
        cNCCalcSize manager;
        manager.Attach(&frame);
        QVERIFY(skintest::showActive(&w.widget));
        QTRY_VERIFY(manager.WindowActive());
        w.edit->setFocus();

        int reachedEdit = 0;
        struct Counter : QObject {
            int *count;
            bool eventFilter(QObject *, QEvent *e) override
            {
                const int key = e->type() == QEvent::KeyPress ? static_cast<QKeyEvent *>(e)->key() : 0;
                if (key && key != Qt::Key_Alt && key != Qt::Key_Control && key != Qt::Key_Shift)
                    ++*count;
                return false;
            }
        } counter;
        counter.count = &reachedEdit;
        w.edit->installEventFilter(&counter);

        QTest::keyPress(w.edit, Qt::Key_F, Qt::AltModifier);
        QCOMPARE(frame.keys, QList<int>{'F'});
        QCOMPARE(reachedEdit, 0);
        QTest::keyRelease(w.edit, Qt::Key_F, Qt::AltModifier);

        // Ctrl+Alt, function keys, Escape, Delete and plain letters are left alone.
        QTest::keyPress(w.edit, Qt::Key_F, Qt::AltModifier | Qt::ControlModifier);
        QTest::keyPress(w.edit, Qt::Key_F4, Qt::AltModifier);
        QTest::keyPress(w.edit, Qt::Key_Escape, Qt::AltModifier);
        QTest::keyPress(w.edit, Qt::Key_G);
        QCOMPARE(frame.keys, QList<int>{'F'});
        QCOMPARE(reachedEdit, 4);
        w.edit->removeEventFilter(&counter);
    }

    void destroyingTheWindowDetaches()
    {
        const int registered = mDeclares::registeredManagers();
        cNCCalcSize manager;
        {
            Window w;
            FakeFrame frame(&w.widget);
            manager.Attach(&frame);
            QCOMPARE(mDeclares::registeredManagers(), registered + 1);
            INCAreaModifier *found = nullptr;
            QVERIFY(manager.GetImplementation(found));
            QCOMPARE(found, static_cast<INCAreaModifier *>(&frame));
        }
        QCOMPARE(mDeclares::registeredManagers(), registered);
        INCAreaModifier *found = nullptr;
        QVERIFY(!manager.GetImplementation(found));
        QVERIFY(!manager.AltKeyAccelerator('F'));
    }
};

QTEST_MAIN(TestNCCalcSize)
#include "test_nccalcsize.moc"
