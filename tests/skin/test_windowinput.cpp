// A skinned window driven the way a person drives it, with keys and mouse
// events sent through the window: a form dressed before its first show comes
// up active with the caret in its first box; Alt alone and F10 give keyboard
// access to the caption's menu bar (never to the window's own, hidden one);
// the whole caption moves the window, a maximised one first restored under
// the pointer; the caption icon opens the window menu and a double click on
// it closes the window.

#include "SkinTestSupport.h"

#include "skin/ApplyCaptionSkin.h"
#include "skin/MenuApi.h"
#include "skin/SystemMenu.h"
#include "skin/WindowSystem.h"
#include "skin/cMenuBar.h"
#include "skin/cNCCalcSize.h"
#include "skin/cNeoCaption.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyleHints>
#include <QTimer>
#include <functional>
#include <memory>

using namespace velmora::skin;

namespace {

// A main window with two menus and a box to type into, dressed before it is shown.
struct Form {
    QMainWindow window;
    cNeoCaption caption;
    QMenu *file, *edit;
    QAction *open, *copy, *paste;
    QLineEdit *box;
    QStringList ran;

    Form()
    {
        window.setObjectName(QStringLiteral("sq"));
        window.setWindowTitle(QStringLiteral("Velmora3.0"));
        file = window.menuBar()->addMenu(QStringLiteral("文件"));
        open = file->addAction(QStringLiteral("打开"));
        edit = window.menuBar()->addMenu(QStringLiteral("编辑"));
        copy = edit->addAction(QStringLiteral("复制"));
        paste = edit->addAction(QStringLiteral("粘贴"));
        for (QAction *a : {open, copy, paste})
            QObject::connect(a, &QAction::triggered, [this, a] { ran << a->text(); });
        box = new QLineEdit;
        window.setCentralWidget(box);
        ApplyCaptionSkin(&window, &caption);
        window.setGeometry(60, 60, 520, 320);
        window.setMinimumSize(300, 200);
    }
    QWindow *handle() { return window.windowHandle(); }
    HWND hwnd() { return WindowSystem::handleOf(&window); }
    cMenuBar *bar() { return caption.MenuBar(); }
    bool show()
    {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
    // An entry's centre, window coordinates.
    QPoint entry(int n)
    {
        const WinRect r = bar()->EntryScreenRect(n);
        return window.mapFromGlobal(QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    }
    void key(int k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(handle(), Qt::Key(k), m); }
    void press(const QPoint &p) { QTest::mousePress(handle(), Qt::LeftButton, {}, p); }
    void moveTo(const QPoint &global) { QTest::mouseMove(handle(), window.mapFromGlobal(global)); }
    void releaseAt(const QPoint &global)
    {
        QTest::mouseRelease(handle(), Qt::LeftButton, {}, window.mapFromGlobal(global));
    }
    int hitAt(const QPoint &p)
    {
        const QPoint g = window.mapToGlobal(p);
        SystemInput::setCursorPos(g);
        return int(WindowSystem::sendMessage(hwnd(), wm::NcHitTest, 0, makeLParam(g.x(), g.y())));
    }
};

// Runs steps 150 ms apart while a modal loop runs, then closes whatever popup is still open.
class Steps : public QObject {
public:
    explicit Steps(const QList<std::function<void()>> &steps)
    {
        int delay = 150;
        for (const auto &step : steps) {
            QTimer::singleShot(delay, this, step);
            delay += 150;
        }
        QTimer::singleShot(delay + 1500, this, [] {
            while (QWidget *popup = QApplication::activePopupWidget())
                popup->close();
        });
    }
};

QMenu *popup() { return qobject_cast<QMenu *>(QApplication::activePopupWidget()); }
void popupKey(int k) { QTest::keyClick(QApplication::activePopupWidget()->windowHandle(), Qt::Key(k)); }

} // namespace

class TestWindowInput : public QObject {
    Q_OBJECT

private slots:
    void dressedBeforeShowComesUpActive()
    {
        Form f;
        QVERIFY(f.window.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(!f.window.isVisible());
        f.box->setFocus();
        QVERIFY(f.show());
        QCOMPARE(QApplication::activeWindow(), &f.window);
        QTRY_VERIFY(f.caption.NCCalcSize()->WindowActive());
        QCOMPARE(QApplication::focusWidget(), f.box);
        for (char c : {'a', 'b', 'c'})
            QTest::keyClick(f.handle(), c);
        QCOMPARE(f.box->text(), QStringLiteral("abc"));
        // The menu is in the caption; the window's own bar has no height.
        QTRY_COMPARE(f.bar()->EntryCount(), 2);
        QCOMPARE(f.window.menuBar()->height(), 0);

        // Focus handed to the form goes to its control, not to the form.
        f.box->clearFocus();
        WindowSystem::setFocus(f.hwnd());
        QCOMPARE(QApplication::focusWidget(), f.box);
    }

    void altAndF10GiveTheCaptionMenu_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Alt alone") << int(Qt::Key_Alt);
        QTest::newRow("F10") << int(Qt::Key_F10);
    }

    void altAndF10GiveTheCaptionMenu()
    {
        QFETCH(int, key);
        Form f;
        f.box->setFocus();
        QVERIFY(f.show());
        QTRY_COMPARE(f.bar()->EntryCount(), 2);
        f.key(key);
        QVERIFY(f.bar()->KeyboardMode());
        QCOMPARE(f.bar()->CurrentEntry(), 1);
        // The window's own bar stays out of it.
        QVERIFY(!f.window.menuBar()->activeAction());
        QVERIFY(!f.window.menuBar()->hasFocus());
        // Right and Left move the highlight, round the ends; typed keys are the menu's.
        f.key(Qt::Key_Right);
        QCOMPARE(f.bar()->CurrentEntry(), 2);
        f.key(Qt::Key_Right);
        QCOMPARE(f.bar()->CurrentEntry(), 1);
        f.key(Qt::Key_Left);
        QCOMPARE(f.bar()->CurrentEntry(), 2);
        f.key(Qt::Key_X);
        QCOMPARE(f.box->text(), QString());
        // Escape leaves; keys reach the box again.
        f.key(Qt::Key_Escape);
        QVERIFY(!f.bar()->KeyboardMode());
        QCOMPARE(f.bar()->CurrentEntry(), 0);
        f.key(Qt::Key_X);
        QCOMPARE(f.box->text(), QStringLiteral("x"));
        // Alt with another key is no menu key; pressing Alt again leaves the menu.
        QTest::keyClick(f.handle(), Qt::Key_Z, Qt::AltModifier);
        QVERIFY(!f.bar()->KeyboardMode());
        f.key(key);
        QVERIFY(f.bar()->KeyboardMode());
        f.key(key);
        QVERIFY(!f.bar()->KeyboardMode());
        // A mouse press anywhere ends it too.
        f.key(key);
        QVERIFY(f.bar()->KeyboardMode());
        QTest::mouseClick(f.handle(), Qt::LeftButton, {}, f.box->geometry().center());
        QVERIFY(!f.bar()->KeyboardMode());
    }

    void downOpensTheSkinnedPopupBelowItsEntry()
    {
        Form f;
        f.box->setFocus();
        QVERIFY(f.show());
        QTRY_COMPARE(f.bar()->EntryCount(), 2);
        f.key(Qt::Key_Alt);
        f.key(Qt::Key_Right);
        QMenu *seen = nullptr, *afterRight = nullptr;
        QAction *first = nullptr;
        bool ownerDrawn = false;
        QRect at;
        bool backOnBar = false;
        Steps steps({[&] {
                         seen = popup();
                         first = seen ? seen->activeAction() : nullptr;
                         ownerDrawn = MenuApi::isOwnerDrawn(f.copy);
                         at = seen ? seen->geometry() : QRect();
                         popupKey(Qt::Key_Right); // on to the next entry, round the end
                     },
                     [&] {
                         afterRight = popup();
                         popupKey(Qt::Key_Escape);
                     },
                     [&] {
                         backOnBar = f.bar()->KeyboardMode() && f.bar()->CurrentEntry() == 1 && !popup();
                         f.key(Qt::Key_Left);
                     },
                     [&] { f.key(Qt::Key_Return); },
                     [&] {
                         if (popup())
                             popupKey(Qt::Key_Down); // 复制 is selected; 粘贴 next
                     },
                     [&] {
                         if (popup())
                             popupKey(Qt::Key_Return);
                     }});
        f.key(Qt::Key_Down);
        QCOMPARE(seen, f.edit);
        QCOMPARE(first, f.copy);
        QVERIFY(ownerDrawn);
        // Below its entry in the caption, not at the top of the client area.
        const WinRect entry = f.bar()->EntryScreenRect(2);
        QCOMPARE(at.top(), entry.bottom);
        QVERIFY(!f.window.menuBar()->activeAction());
        QCOMPARE(afterRight, f.file);
        QTRY_VERIFY(backOnBar);
        QTRY_COMPARE(f.ran, QStringList{QStringLiteral("粘贴")});
        QTRY_VERIFY(!f.bar()->KeyboardMode());
        QVERIFY(!MenuApi::isOwnerDrawn(f.copy));
        QCOMPARE(QApplication::focusWidget(), f.box);
    }

    void captionZones_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("code");
        QTest::newRow("title") << QPoint(200, 15) << int(ht::Caption);
        QTest::newRow("menu row beside the entries") << QPoint(400, 38) << int(ht::Caption);
        QTest::newRow("menu row left of the entries") << QPoint(60, 38) << int(ht::Caption);
        QTest::newRow("left of the icon") << QPoint(11, 20) << int(ht::Caption);
        QTest::newRow("icon") << QPoint(25, 25) << int(ht::SysMenu);
        QTest::newRow("close button") << QPoint(520 - 16, 15) << int(ht::SysMenu);
        QTest::newRow("client") << QPoint(200, 100) << int(ht::Client);
        QTest::newRow("top edge") << QPoint(200, 3) << int(ht::Top);
    }

    void captionZones()
    {
        QFETCH(QPoint, at);
        QFETCH(int, code);
        Form f;
        QVERIFY(f.show());
        QTRY_COMPARE(f.bar()->EntryCount(), 2);
        QCOMPARE(f.hitAt(at), code);
        // An entry of the bar is the bar's (client area for the bar's own mouse handling).
        QCOMPARE(f.hitAt(f.entry(1)), int(ht::Client));
        QCOMPARE(f.caption.NCCalcSize()->LastHitCode(), int(ht::Client));
    }

    void theMenuRowMovesTheWindowAtTheFirstPress()
    {
        Form f;
        QVERIFY(f.show());
        QTRY_COMPARE(f.bar()->EntryCount(), 2);
        const QPoint start = f.window.pos();
        const QPoint grip = f.window.mapToGlobal(QPoint(400, 38));
        QTimer::singleShot(100, [&] { f.moveTo(grip + QPoint(30, 20)); });
        QTimer::singleShot(200, [&] { f.releaseAt(grip + QPoint(30, 20)); });
        f.press(QPoint(400, 38));
        const QPoint moved = f.window.pos() - start;
        QVERIFY2(qAbs(moved.x() - 30) <= 1 && qAbs(moved.y() - 20) <= 1,
                 qPrintable(QStringLiteral("%1,%2").arg(moved.x()).arg(moved.y())));
    }

    void draggingAMaximisedWindowRestoresItUnderThePointer()
    {
        Form f;
        QVERIFY(f.show());
        const QSize normal = f.window.size();
        f.window.showMaximized();
        QTRY_VERIFY(f.window.isMaximized());
        QTRY_VERIFY(f.window.width() > normal.width());
        const QRect max = f.window.frameGeometry();
        // Pressed at a quarter of the caption's width.
        const QPoint local(max.width() / 4, 20);
        const QPoint grip = f.window.mapToGlobal(local);
        const QPoint first = grip + QPoint(40, 30), second = first + QPoint(25, 15);
        QRect afterRestore;
        QTimer::singleShot(100, [&] { f.moveTo(first); });
        QTimer::singleShot(200, [&] {
            afterRestore = f.window.geometry();
            f.moveTo(second);
        });
        QTimer::singleShot(300, [&] { f.releaseAt(second); });
        f.press(local);
        QVERIFY(!f.window.isMaximized());
        QCOMPARE(afterRestore.size(), normal);
        // The pointer keeps its share of the caption and its height in it.
        QVERIFY2(qAbs((first.x() - afterRestore.left()) - normal.width() / 4) <= 2,
                 qPrintable(QString::number(first.x() - afterRestore.left())));
        QVERIFY(qAbs((first.y() - afterRestore.top()) - 20) <= 2);
        // Then it follows the mouse.
        QVERIFY(qAbs(f.window.x() - afterRestore.left() - 25) <= 1);
        QVERIFY(qAbs(f.window.y() - afterRestore.top() - 15) <= 1);
        QCOMPARE(f.window.size(), normal);
        // Maximised and restored again, it has its normal size.
        const QRect restoredAt = f.window.geometry();
        WindowSystem::sendMessage(f.hwnd(), wm::SysCommand, sc::Maximize);
        QTRY_VERIFY(f.window.isMaximized());
        WindowSystem::sendMessage(f.hwnd(), wm::SysCommand, sc::Restore);
        QTRY_VERIFY(!f.window.isMaximized());
        QTRY_COMPARE(f.window.geometry(), restoredAt);
    }

    void aClickOnAMaximisedCaptionLeavesItMaximised()
    {
        Form f;
        QVERIFY(f.show());
        const int normalWidth = f.window.width();
        f.window.showMaximized();
        QTRY_VERIFY(f.window.isMaximized());
        QTRY_VERIFY(f.window.width() > normalWidth);
        // The press waits for the mouse to move; the release comes first.
        QTimer::singleShot(100, [&] { f.releaseAt(f.window.mapToGlobal(QPoint(300, 20))); });
        f.press(QPoint(300, 20));
        QVERIFY(f.window.isMaximized());
    }

    void windowMenuEntries_data()
    {
        QTest::addColumn<bool>("maximised");
        QTest::addColumn<QList<bool>>("enabled"); // 还原 移动 大小 最小化 最大化 关闭
        QTest::newRow("normal") << false << QList<bool>{false, true, true, true, true, true};
        QTest::newRow("maximised") << true << QList<bool>{true, false, false, true, false, true};
    }

    void windowMenuEntries()
    {
        QFETCH(bool, maximised);
        QFETCH(QList<bool>, enabled);
        Form f;
        QVERIFY(f.show());
        if (maximised) {
            const int normalWidth = f.window.width();
            f.window.showMaximized();
            QTRY_VERIFY(f.window.isMaximized());
            QTRY_VERIFY(f.window.width() > normalWidth);
        }
        QStringList texts;
        QList<bool> states;
        QString name;
        QPoint at;
        Steps steps({[&] {
            QMenu *m = popup();
            if (!m)
                return;
            name = m->objectName();
            at = m->pos();
            for (QAction *a : m->actions()) {
                if (a->isSeparator())
                    continue;
                texts << a->text();
                states << a->isEnabled();
            }
            popupKey(Qt::Key_Escape);
        }});
        QTest::mouseClick(f.handle(), Qt::LeftButton, {}, QPoint(25, 25));
        QCOMPARE(name, QStringLiteral("systemMenu"));
        QCOMPARE(texts, (QStringList{"还原", "移动", "大小", "最小化", "最大化", "关闭"}));
        QCOMPARE(states, enabled);
        // Below the caption at the window's left edge.
        QCOMPARE(at, f.window.mapToGlobal(QPoint(10, 48)));
        QVERIFY(f.window.isVisible());
        QCOMPARE(f.window.isMaximized(), maximised);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(SystemMenu::isEnabled(f.hwnd(), SystemMenu::Commands[i]), enabled[i]);
    }

    void windowMenuCommands()
    {
        Form f;
        QVERIFY(f.show());
        auto choose = [&](const QString &text) {
            Steps steps({[&] {
                if (QMenu *m = popup())
                    for (QAction *a : m->actions())
                        if (a->text() == text) {
                            const QRect r = m->actionGeometry(a);
                            QTest::mouseClick(m->windowHandle(), Qt::LeftButton, {}, r.center());
                            break;
                        }
            }});
            QTest::mouseClick(f.handle(), Qt::LeftButton, {}, QPoint(25, 25));
        };
        choose(QStringLiteral("最大化"));
        QTRY_VERIFY(f.window.isMaximized());
        choose(QStringLiteral("还原"));
        QTRY_VERIFY(!f.window.isMaximized());

        // 移动: the arrow keys move the window 8 pixels a press, Enter keeps it there.
        const QPoint start = f.window.pos();
        choose(QStringLiteral("移动"));
        QTRY_VERIFY(f.window.property("skinMoveSize").isValid());
        f.key(Qt::Key_Right);
        f.key(Qt::Key_Right);
        f.key(Qt::Key_Down);
        f.key(Qt::Key_Return);
        QCOMPARE(f.window.pos(), start + QPoint(16, 8));
        QVERIFY(!f.window.property("skinMoveSize").isValid());
        // Escape puts it back.
        choose(QStringLiteral("移动"));
        QTRY_VERIFY(f.window.property("skinMoveSize").isValid());
        f.key(Qt::Key_Left);
        f.key(Qt::Key_Escape);
        QCOMPARE(f.window.pos(), start + QPoint(16, 8));

        // 大小: the lower right corner follows the keys, no smaller than the minimum.
        const QSize size = f.window.size();
        choose(QStringLiteral("大小"));
        QTRY_VERIFY(f.window.property("skinMoveSize").isValid());
        f.key(Qt::Key_Right);
        f.key(Qt::Key_Up);
        f.key(Qt::Key_Return);
        QCOMPARE(f.window.size(), size + QSize(8, -8));
        choose(QStringLiteral("大小"));
        QTRY_VERIFY(f.window.property("skinMoveSize").isValid());
        for (int i = 0; i < 60; ++i)
            f.key(Qt::Key_Left);
        f.key(Qt::Key_Return);
        QCOMPARE(f.window.width(), f.window.minimumWidth());

        choose(QStringLiteral("最小化"));
        QTRY_VERIFY(f.window.isMinimized());
        f.window.showNormal();
        QVERIFY(f.show());
        choose(QStringLiteral("关闭"));
        QTRY_VERIFY(!f.window.isVisible());
    }

    void doubleClickOnTheIconClosesTheWindow()
    {
        Form f;
        QVERIFY(f.show());
        // The second press lands while the menu the first one opened is up.
        Steps steps({[&] {
            if (popup())
                QTest::mouseClick(f.handle(), Qt::LeftButton, {}, QPoint(26, 26));
        }});
        QTest::mouseClick(f.handle(), Qt::LeftButton, {}, QPoint(25, 25));
        QVERIFY(!popup());
        QTRY_VERIFY(!f.window.isVisible());
    }

    void aLateSecondClickOnTheIconOnlyClosesTheMenu()
    {
        Form f;
        QVERIFY(f.show());
        bool wasOpen = false;
        QTimer::singleShot(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 200, [&] {
            wasOpen = popup() != nullptr;
            QTest::mouseClick(f.handle(), Qt::LeftButton, {}, QPoint(26, 26));
        });
        QTimer::singleShot(3000, [] {
            while (QWidget *p = QApplication::activePopupWidget())
                p->close();
        });
        QTest::mouseClick(f.handle(), Qt::LeftButton, {}, QPoint(25, 25));
        QVERIFY(wasOpen);
        QTest::qWait(100);
        QVERIFY(f.window.isVisible());
        QVERIFY(!popup());
    }

    void altSpaceOpensTheWindowMenu()
    {
        Form f;
        f.box->setFocus();
        QVERIFY(f.show());
        QString name;
        Steps steps({[&] {
            if (QMenu *m = popup()) {
                name = m->objectName();
                popupKey(Qt::Key_Escape);
            }
        }});
        QTest::keyClick(f.handle(), Qt::Key_Space, Qt::AltModifier);
        QCOMPARE(name, QStringLiteral("systemMenu"));
        QCOMPARE(f.box->text(), QString());
    }
};

QTEST_MAIN(TestWindowInput)
#include "test_windowinput.moc"
