// The window layer under the skin: what the system does with messages nobody
// handles, drawing surfaces, font descriptions, colours, menu items and hooks.

#include "SkinTestSupport.h"

#include "skin/DefaultWindowProc.h"
#include "skin/DeviceContext.h"
#include "skin/INCAreaModifier.h"
#include "skin/LogFont.h"
#include "skin/MenuApi.h"
#include "skin/MessageWindow.h"
#include "skin/ThreadHooks.h"
#include "skin/WindowSystem.h"
#include "skin/cNCCalcSize.h"

#include <QActionGroup>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>

using namespace velmora::skin;

namespace {

QStringList hookJournal;
quintptr olderHook = 0, newerHook = 0;

LRESULT olderProc(int code, WPARAM wp, LPARAM lp)
{
    hookJournal << QStringLiteral("older %1").arg(wp);
    return ThreadHooks::callNextHook(olderHook, code, wp, lp);
}

LRESULT newerProc(int code, WPARAM wp, LPARAM lp)
{
    hookJournal << QStringLiteral("newer %1").arg(wp);
    if (wp == 'S')
        return 1; // swallowed: the older hook does not see it
    return ThreadHooks::callNextHook(newerHook, code, wp, lp);
}

QWidget *framelessWindow()
{
    auto *w = new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint);
    w->setGeometry(120, 120, 300, 200);
    return w;
}

} // namespace

class TestLayer : public QObject {
    Q_OBJECT

private slots:
    // ---------------------------------------------------------------- drawing

    void copyingLeavesWhatTheSourceLacks()
    {
        QImage source(10, 10, QImage::Format_RGB32);
        source.fill(Qt::red);
        QImage target(20, 20, QImage::Format_RGB32);
        target.fill(Qt::blue);
        DeviceContext dc(&target);
        // Half of the copied rectangle lies right of the source.
        dc.bitBlt(0, 0, 10, 10, source, 5, 0);
        QCOMPARE(target.pixelColor(4, 5), QColor(Qt::red));
        QCOMPARE(target.pixelColor(5, 5), QColor(Qt::blue));
        // A surface copied onto itself.
        dc.bitBlt(10, 10, 5, 5, *dc.image(), 0, 0);
        QCOMPARE(target.pixelColor(12, 12), QColor(Qt::red));
    }

    void textIsMeasuredWithoutItsPrefixAndCutWithAnEllipsis()
    {
        QImage target(200, 40, QImage::Format_RGB32);
        target.fill(Qt::white);
        DeviceContext dc(&target);
        QFont font = LogFont{-12, 400, false, false, false, 1, QStringLiteral("DejaVu Sans")}.createFont();
        dc.selectFont(font);
        WinRect withPrefix{0, 0, 0, 0}, plain{0, 0, 0, 0};
        dc.drawText(QStringLiteral("&File"), withPrefix, dt::CalcRect | dt::SingleLine);
        dc.drawText(QStringLiteral("File"), plain, dt::CalcRect | dt::SingleLine);
        QCOMPARE(withPrefix.width(), plain.width());
        WinRect literal{0, 0, 0, 0};
        dc.drawText(QStringLiteral("&File"), literal, dt::CalcRect | dt::SingleLine | dt::NoPrefix);
        QVERIFY(literal.width() > plain.width());

        // A long title stays inside its rectangle.
        dc.setBkMode(DeviceContext::Transparent);
        WinRect box{10, 5, 60, 30};
        dc.drawText(QStringLiteral("纪录修改向导纪录修改向导"), box, dt::SingleLine | dt::NoPrefix | dt::EndEllipsis);
        bool inked = false;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 200; ++x)
                if (target.pixelColor(x, y) != QColor(Qt::white)) {
                    QVERIFY2(box.contains(x, y), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                    inked = true;
                }
        QVERIFY(inked);
    }

    void edges_data()
    {
        QTest::addColumn<uint>("edge");
        QTest::addColumn<uint>("sides");
        QTest::addColumn<int>("topColor");
        QTest::addColumn<int>("bottomColor");
        QTest::addColumn<bool>("leftDrawn");
        QTest::newRow("raised inner frame")
            << uint(bdr::RaisedInner) << uint(bf::Rect) << syscolor::BtnHighlight << syscolor::BtnShadow << true;
        QTest::newRow("sunken outer frame") << uint(bdr::SunkenOuter) << uint(bf::Rect) << syscolor::BtnShadow
                                            << syscolor::BtnHighlight << true;
        QTest::newRow("etched line") << uint(bdr::SunkenOuter) << uint(bf::Top | bf::Bottom) << syscolor::BtnShadow
                                     << syscolor::BtnHighlight << false;
    }

    void edges()
    {
        QFETCH(uint, edge);
        QFETCH(uint, sides);
        QFETCH(int, topColor);
        QFETCH(int, bottomColor);
        QFETCH(bool, leftDrawn);
        QImage target(20, 20, QImage::Format_RGB32);
        target.fill(QColor(1, 2, 3));
        DeviceContext dc(&target);
        dc.drawEdge({2, 2, 18, 18}, edge, sides);
        QCOMPARE(target.pixelColor(10, 2), DeviceContext::toColor(WindowSystem::sysColor(topColor)));
        QCOMPARE(target.pixelColor(10, 17), DeviceContext::toColor(WindowSystem::sysColor(bottomColor)));
        QCOMPARE(target.pixelColor(2, 10) != QColor(1, 2, 3), leftDrawn);
        QCOMPARE(target.pixelColor(10, 10), QColor(1, 2, 3));
    }

    void fontDescription()
    {
        QFont song(QStringLiteral("宋体"));
        song.setPointSizeF(9);
        song.setBold(true);
        const LogFont lf = LogFont::fromFont(song, 96);
        QCOMPARE(lf.lfHeight, -12);
        QCOMPARE(lf.lfWeight, 700);
        QCOMPARE(lf.lfFaceName, QStringLiteral("宋体"));
        const QFont made = lf.createFont();
        QCOMPARE(made.pixelSize(), 12);
        QVERIFY(made.bold());
        // The size is rounded to whole points first: 8.25 points at 120 dpi is 8 points, 13 pixels.
        QFont small(QStringLiteral("MS Sans Serif"));
        small.setPointSizeF(8.25);
        QCOMPARE(LogFont::fromFont(small, 120).lfHeight, -13);
        // A face name longer than the buffer is cut, leaving room for its end.
        QFont longName(QString(40, u'x'));
        QCOMPARE(LogFont::fromFont(longName, 96).lfFaceName.size(), 31);
    }

    void colourValues_data()
    {
        QTest::addColumn<uint>("value");
        QTest::addColumn<int>("rgb");
        QTest::newRow("plain colour") << 0x00CFCBCFu << 0x00CFCBCF;
        QTest::newRow("inactive border") << 0x8000000Bu << int(WindowSystem::sysColor(syscolor::InactiveBorder));
        QTest::newRow("inactive caption text")
            << 0x80000013u << int(WindowSystem::sysColor(syscolor::InactiveCaptionText));
        QTest::newRow("no such system colour") << 0x800000FFu << -1;
        QTest::newRow("not a colour") << 0x01000000u << -1;
    }

    void colourValues()
    {
        QFETCH(uint, value);
        QFETCH(int, rgb);
        QCOMPARE(WindowSystem::translateColor(value), COLORREF(rgb));
    }

    // ---------------------------------------------------------------- menus

    void menuItems()
    {
        QMenuBar bar;
        QMenu *file = bar.addMenu(QStringLiteral("&File"));
        QAction *print = file->addAction(QStringLiteral("&Print"));
        print->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
        file->addSeparator();
        QAction *hidden = file->addAction(QStringLiteral("Hidden"));
        hidden->setVisible(false);
        auto *group = new QActionGroup(file);
        QAction *radio = file->addAction(QStringLiteral("Radio"));
        radio->setCheckable(true);
        radio->setChecked(true);
        group->addAction(radio);
        bar.addAction(QStringLiteral("Go"));

        QCOMPARE(MenuApi::itemCount(&bar), 2);
        QCOMPARE(MenuApi::itemId(&bar, 0), -1);
        QVERIFY(MenuApi::itemId(&bar, 1) > 0);
        QCOMPARE(MenuApi::subMenu(&bar, 0), static_cast<QWidget *>(file));
        QCOMPARE(MenuApi::itemCount(file), 3); // the hidden item is not part of the menu

        MenuItemInfo info;
        QVERIFY(MenuApi::getItemInfo(file, 0, true, info));
        QCOMPARE(info.dwTypeData, QStringLiteral("&Print\tCtrl+P"));
        QCOMPARE(MenuApi::actionByCommand(info.wID), print);
        QVERIFY(MenuApi::getItemInfo(file, 1, true, info));
        QCOMPARE(info.fType, mft::Separator);
        QCOMPARE(info.wID, 0u);
        QVERIFY(MenuApi::getItemInfo(file, 2, true, info));
        QCOMPARE(info.fType, mft::RadioCheck);
        QCOMPARE(info.fState, mfs::Checked);

        // Marking an item owner-drawn touches only what the mask names.
        print->setEnabled(false);
        MenuItemInfo mark;
        mark.fMask = miim::Type | miim::Data;
        mark.fType = mft::OwnerDraw;
        mark.dwItemData = 7;
        QVERIFY(MenuApi::setItemInfo(file, MenuApi::commandId(print), false, mark));
        QVERIFY(MenuApi::isOwnerDrawn(print));
        QVERIFY(!print->isEnabled());
        QVERIFY(MenuApi::getItemInfo(file, 0, true, info));
        QCOMPARE(info.dwItemData, quintptr(7));
        QCOMPARE(info.fState, mfs::Grayed);
        mark.fType = mft::String;
        MenuApi::setItemInfo(file, 0, true, mark);
        QVERIFY(!MenuApi::isOwnerDrawn(print));
        QCOMPARE(file->style(), QApplication::style());
    }

    void cancelModeClosesThePopups()
    {
        std::unique_ptr<QWidget> w(framelessWindow());
        QVERIFY(skintest::showActive(w.get()));
        QMenu menu;
        menu.addAction(QStringLiteral("One"));
        QTimer::singleShot(100, [&] { WindowSystem::postMessage(WindowSystem::handleOf(w.get()), wm::CancelMode); });
        QTimer::singleShot(3000, &menu, &QMenu::close);
        QElapsedTimer t;
        t.start();
        QVERIFY(!MenuApi::trackPopupMenu(&menu, tpm::Vertical, 150, 150, WindowSystem::handleOf(w.get()), nullptr));
        QVERIFY(t.elapsed() < 2000);
    }

    // ---------------------------------------------------------------- hooks

    void hookChain()
    {
        olderHook = ThreadHooks::setHook(ThreadHooks::Keyboard, &olderProc);
        newerHook = ThreadHooks::setHook(ThreadHooks::Keyboard, &newerProc);
        hookJournal.clear();
        QCOMPARE(ThreadHooks::run(ThreadHooks::Keyboard, hc::Action, 'A', 0), LRESULT(0));
        QCOMPARE(ThreadHooks::run(ThreadHooks::Keyboard, hc::Action, 'S', 0), LRESULT(1));
        QCOMPARE(hookJournal, (QStringList{"newer 65", "older 65", "newer 83"}));
        QVERIFY(ThreadHooks::unhook(newerHook));
        hookJournal.clear();
        ThreadHooks::run(ThreadHooks::Keyboard, hc::Action, 'S', 0);
        QCOMPARE(hookJournal, QStringList{"older 83"});
        QVERIFY(ThreadHooks::unhook(olderHook));
        QVERIFY(!ThreadHooks::unhook(olderHook));
    }

    // ---------------------------------------------------------------- the default procedure

    void systemCommands()
    {
        std::unique_ptr<QWidget> w(framelessWindow());
        const HWND hwnd = WindowSystem::handleOf(w.get());
        QVERIFY(skintest::showActive(w.get()));
        WindowSystem::sendMessage(hwnd, wm::SysCommand, sc::Maximize);
        QTRY_VERIFY(w->isMaximized());
        QVERIFY(WindowSystem::style(hwnd) & ws::Maximize);
        WindowSystem::sendMessage(hwnd, wm::SysCommand, sc::Restore);
        QTRY_VERIFY(!w->isMaximized());
        WindowSystem::sendMessage(hwnd, wm::SysCommand, sc::Minimize);
        QTRY_VERIFY(w->isMinimized());
        WindowSystem::sendMessage(hwnd, wm::SysCommand, sc::Restore);
        QTRY_VERIFY(!w->isMinimized());
        QVERIFY(WindowSystem::postMessage(hwnd, wm::SysCommand, sc::Close));
        QVERIFY(w->isVisible());
        QTRY_VERIFY(!w->isVisible());
    }

    void doubleClicksInTheFrame()
    {
        std::unique_ptr<QWidget> w(framelessWindow());
        const HWND hwnd = WindowSystem::handleOf(w.get());
        QVERIFY(skintest::showActive(w.get()));
        // On the caption: maximise, and again: restore.
        WindowSystem::sendMessage(hwnd, wm::NcLButtonDblClk, ht::Caption, 0);
        QTRY_VERIFY(w->isMaximized());
        WindowSystem::sendMessage(hwnd, wm::NcLButtonDblClk, ht::Caption, 0);
        QTRY_VERIFY(!w->isMaximized());
        // On the window icon and the caption buttons (all "system menu"): nothing; above all, no close.
        WindowSystem::sendMessage(hwnd, wm::NcLButtonDblClk, ht::SysMenu, 0);
        QTest::qWait(50);
        QVERIFY(w->isVisible());
        QVERIFY(!w->isMaximized());
        // A window without a maximise box is not maximised from its caption.
        WindowSystem::setStyle(hwnd, WindowSystem::style(hwnd) & ~ws::MaximizeBox);
        WindowSystem::sendMessage(hwnd, wm::NcLButtonDblClk, ht::Caption, 0);
        QTest::qWait(50);
        QVERIFY(!w->isMaximized());
    }

    void plainFrame()
    {
        std::unique_ptr<QWidget> w(framelessWindow());
        const HWND hwnd = WindowSystem::handleOf(w.get());
        MessageWindow::ensure(w.get());
        const WinRect m = DefaultWindowProc::defaultMargins();
        QCOMPARE(DefaultWindowProc::plainHitCode(150, 100, 300, 200, true), ht::Client);
        QCOMPARE(DefaultWindowProc::plainHitCode(1, 100, 300, 200, true), ht::Left);
        QCOMPARE(DefaultWindowProc::plainHitCode(1, 1, 300, 200, true), ht::TopLeft);
        QCOMPARE(DefaultWindowProc::plainHitCode(298, 198, 300, 200, true), ht::BottomRight);
        QCOMPARE(DefaultWindowProc::plainHitCode(150, m.bottom + 2, 300, 200, true), ht::Caption);
        QCOMPARE(DefaultWindowProc::plainHitCode(1, 100, 300, 200, false), ht::Nowhere);
        QCOMPARE(DefaultWindowProc::plainHitCode(400, 100, 300, 200, true), ht::Nowhere);

        // A manager without an implementation paints a plain frame with the title.
        w->setWindowTitle(QStringLiteral("元素周期表"));
        cNCCalcSize manager;
        struct NoFrame : INCAreaModifier {
            HWND h;
            HWND hwnd() const override { return h; }
            int GetTopMarginHeight() override { return 0; }
            int GetLeftMarginWidth() override { return 0; }
            int GetRightMarginWidth() override { return 0; }
            int GetBottomMarginHeight() override { return 0; }
            void NCPaint(DeviceContext *, int, int, int, int) override {}
            void HitTest(int, int, int &) override {}
            void NCMouseDown(int, int, bool &, DeviceContext *, int, int, int, int) override {}
            void NCMouseUp(int, int, DeviceContext *, int, int, int, int) override {}
            void InitMenuPopup(WPARAM, LPARAM) override {}
            void ExitMenuLoop() override {}
            void AltKeyAccelerator(int, bool &) override {}
        } implementation;
        implementation.h = hwnd;
        manager.Attach(&implementation);
        WindowSystem::removeProp(hwnd, "trumCNCImplementation");
        QImage surface(300, 200, QImage::Format_RGB32);
        const QColor untouched(1, 2, 3);
        surface.fill(untouched);
        DeviceContext dc(&surface);
        manager.DefaultNCPaint(&dc, 0, 0, 300, 200);
        QCOMPARE(surface.pixelColor(2, 100), DeviceContext::toColor(WindowSystem::sysColor(syscolor::InactiveBorder)));
        QCOMPARE(surface.pixelColor(150, m.bottom + 5),
                 DeviceContext::toColor(WindowSystem::sysColor(syscolor::InactiveCaption)));
        QCOMPARE(surface.pixelColor(150, 100), untouched);
    }

    void frameCursor()
    {
        std::unique_ptr<QWidget> w(framelessWindow());
        auto *layout = new QVBoxLayout(w.get());
        auto *child = new QWidget;
        layout->addWidget(child);
        const HWND hwnd = WindowSystem::handleOf(w.get());
        MessageWindow::ensure(w.get());
        WindowSystem::sendMessage(hwnd, wm::SetCursor, hwnd, makeLParam(ht::Left, 0));
        QCOMPARE(w->cursor().shape(), Qt::SizeHorCursor);
        QCOMPARE(child->cursor().shape(), Qt::SizeHorCursor); // inherited while it is set
        WindowSystem::sendMessage(hwnd, wm::SetCursor, hwnd, makeLParam(ht::BottomLeft, 0));
        QCOMPARE(w->cursor().shape(), Qt::SizeBDiagCursor);
        WindowSystem::sendMessage(hwnd, wm::SetCursor, hwnd, makeLParam(ht::Client, 0));
        QCOMPARE(w->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(child->cursor().shape(), Qt::ArrowCursor);
    }
};

QTEST_MAIN(TestLayer)
#include "test_layer.moc"
