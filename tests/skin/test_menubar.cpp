// The caption menu bar: its entries, hot tracking, popups opening beneath
// their entries, moving between popups with the keys and the mouse, Alt
// accelerators, menu letters, and the popup items after the popup closes.

#include "SkinTestSupport.h"

#include "skin/ApplyCaptionSkin.h"
#include "skin/LogFont.h"
#include "skin/MenuApi.h"
#include "skin/WindowSystem.h"
#include "skin/cMenuBar.h"
#include "skin/cNeoCaption.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>
#include <functional>
#include <memory>

using namespace velmora::skin;

namespace {

struct MainForm {
    QMainWindow window;
    cNeoCaption caption;
    QMenu *file, *edit, *more, *view, *tail;
    QAction *open, *exit, *copy, *find, *marked;
    QLineEdit *editBox;
    int exits = 0;

    MainForm()
    {
        window.setObjectName(QStringLiteral("sq"));
        window.setWindowTitle(QStringLiteral("Velmora3.0"));
        QMenuBar *bar = window.menuBar();
        file = bar->addMenu(QStringLiteral("&File"));
        open = file->addAction(QStringLiteral("&Open"));
        open->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
        file->addSeparator();
        exit = file->addAction(QStringLiteral("E&xit"));
        QObject::connect(exit, &QAction::triggered, [this] {
            ++exits;
            open->setEnabled(false); // a command that changes another item
        });
        edit = bar->addMenu(QStringLiteral("&Edit"));
        copy = edit->addAction(QStringLiteral("&Copy"));
        copy->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
        find = edit->addAction(QStringLiteral("&Find\tF3"));
        more = edit->addMenu(QStringLiteral("&More"));
        marked = more->addAction(QStringLiteral("Marked"));
        marked->setCheckable(true);
        marked->setChecked(true);
        bar->addAction(QStringLiteral("Go")); // no popup: not an entry
        QMenu *hidden = bar->addMenu(QStringLiteral("&Hidden"));
        hidden->addAction(QStringLiteral("Nothing"));
        hidden->menuAction()->setVisible(false);
        view = bar->addMenu(QStringLiteral("&View"));
        view->addAction(QStringLiteral("Zoom"));
        tail = bar->addMenu(QStringLiteral("Tail&"));
        tail->addAction(QStringLiteral("End"));
        editBox = new QLineEdit;
        window.setCentralWidget(editBox);
        ApplyCaptionSkin(&window, &caption);
        window.setGeometry(40, 40, 500, 300);
    }
    cMenuBar *bar() { return caption.MenuBar(); }
    // An entry's centre in window coordinates.
    QPoint entryCentre(int n)
    {
        const WinRect r = bar()->EntryScreenRect(n);
        return window.mapFromGlobal(QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    }
};

// Runs steps 150 ms apart while a popup loop runs, then closes whatever is
// still open. The steps end with the object, so none outlives its test.
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

QMenu *openPopup() { return qobject_cast<QMenu *>(QApplication::activePopupWidget()); }

void key(int k) { QTest::keyClick(QApplication::activePopupWidget(), Qt::Key(k)); }

} // namespace

class TestMenuBar : public QObject {
    Q_OBJECT

private slots:
    void entriesOfTheBar()
    {
        MainForm f;
        QVERIFY(skintest::showActive(&f.window));
        QTRY_COMPARE(f.bar()->EntryCount(), 4);
        QCOMPARE(f.bar()->EntryPopup(1), static_cast<QWidget *>(f.file));
        QCOMPARE(f.bar()->EntryPopup(2), static_cast<QWidget *>(f.edit));
        QCOMPARE(f.bar()->EntryPopup(3), static_cast<QWidget *>(f.view));
        QCOMPARE(f.bar()->EntryPopup(4), static_cast<QWidget *>(f.tail));
        // The first entry starts 8 pixels into the bar, which starts at x 90.
        const WinRect first = f.bar()->EntryScreenRect(1);
        QCOMPARE(first.left - f.window.x(), 90 + 8 - 2);
        QVERIFY(first.top - f.window.y() >= 24 && first.bottom - f.window.y() <= 48);
        // The window's own menu bar is taken off but its shortcuts still work.
        QTRY_COMPARE(f.window.menuBar()->height(), 0);
        int opened = 0;
        QObject::connect(f.open, &QAction::triggered, [&] { ++opened; });
        f.editBox->setFocus();
        QTest::keyClick(f.editBox, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(opened, 1);
    }

    void hoverTracking()
    {
        MainForm f;
        QVERIFY(skintest::showActive(&f.window));
        QTRY_COMPARE(f.bar()->EntryCount(), 4);
        const WinRect second = f.bar()->EntryScreenRect(2);
        const QPoint frameCorner = f.window.mapFromGlobal(QPoint(second.left, second.top));
        const QColor plain = f.window.grab().toImage().pixelColor(frameCorner);

        skintest::move(&f.window, f.entryCentre(2));
        QCOMPARE(f.bar()->HoverEntry(), 2);
        // The hovered entry is drawn raised.
        QTRY_VERIFY(f.window.grab().toImage().pixelColor(frameCorner) != plain);

        // The pointer leaves into the client area without the bar seeing it: the timer notices.
        SystemInput::setCursorPos(f.window.mapToGlobal(QPoint(250, 200)));
        QTRY_COMPARE(f.bar()->HoverEntry(), 0);
        QTRY_COMPARE(f.window.grab().toImage().pixelColor(frameCorner), plain);
    }

    void popupOpensBeneathItsEntryAndItemsArePlainAfterwards()
    {
        MainForm f;
        QVERIFY(skintest::showActive(&f.window));
        QTRY_COMPARE(f.bar()->EntryCount(), 4);
        QMenu *seen = nullptr;
        QPoint popupAt;
        bool ownerDrawn = false;
        int records = 0, current = 0;
        Steps steps({[&] {
                      seen = openPopup();
                      if (seen)
                          popupAt = seen->geometry().topLeft();
                      ownerDrawn = MenuApi::isOwnerDrawn(f.open) && MenuApi::isOwnerDrawn(f.exit);
                      records = f.bar()->PopupItemRecords();
                      current = f.bar()->CurrentEntry();
                  },
                  [&] { key(Qt::Key_Escape); }});
        skintest::press(&f.window, f.entryCentre(1));
        skintest::release(&f.window, f.entryCentre(1));

        QCOMPARE(seen, f.file);
        const WinRect entry = f.bar()->EntryScreenRect(1);
        QCOMPARE(popupAt, QPoint(entry.left, entry.bottom));
        QVERIFY(ownerDrawn);
        QCOMPARE(records, 3);
        QCOMPARE(current, 1);
        // Closed: the items are plain menu items again and the entry is released.
        QVERIFY(!MenuApi::isOwnerDrawn(f.open));
        QVERIFY(!MenuApi::isOwnerDrawn(f.exit));
        QCOMPARE(f.bar()->PopupItemRecords(), 0);
        QCOMPARE(f.bar()->CurrentEntry(), 0);
        QCOMPARE(f.file->style(), QApplication::style());
    }

    void arrowKeysMoveBetweenPopups()
    {
        MainForm f;
        QVERIFY(skintest::showActive(&f.window));
        QTRY_COMPARE(f.bar()->EntryCount(), 4);
        QList<QMenu *> seen;
        Steps steps({[&] {
                      seen << openPopup();
                      key(Qt::Key_Left); // from the first entry to the last
                  },
                  [&] {
                      seen << openPopup();
                      key(Qt::Key_Right); // from the last entry to the first
                  },
                  [&] {
                      seen << openPopup();
                      key(Qt::Key_Right);
                  },
                  [&] {
                      seen << openPopup();
                      key(Qt::Key_Escape);
                  }});
        skintest::press(&f.window, f.entryCentre(1));
        skintest::release(&f.window, f.entryCentre(1));
        QCOMPARE(seen, (QList<QMenu *>{f.file, f.tail, f.file, f.edit}));
        QVERIFY(!openPopup());
    }

    void leftInASubmenuStaysInTheEntry()
    {
        MainForm f;
        QVERIFY(skintest::showActive(&f.window));
        QTRY_COMPARE(f.bar()->EntryCount(), 4);
        QList<QWidget *> seen;
        bool subOwnerDrawn = false;
        Steps steps({[&] { f.edit->setActiveAction(f.more->menuAction()); }, // opens the submenu
                  [&] {
                      seen << QApplication::activePopupWidget();
                      subOwnerDrawn = MenuApi::isOwnerDrawn(f.marked);
                      f.more->setActiveAction(f.marked);
                  },
                  [&] { key(Qt::Key_Left); }, // closes the submenu only
                  [&] {
                      seen << QApplication::activePopupWidget();
                      key(Qt::Key_Escape);
                  }});
        skintest::press(&f.window, f.entryCentre(2));
        skintest::release(&f.window, f.entryCentre(2));
        QCOMPARE(seen, (QList<QWidget *>{f.more, f.edit}));
        QVERIFY(subOwnerDrawn);
        QVERIFY(!MenuApi::isOwnerDrawn(f.marked));
    }

    void mouseOverAnotherEntrySwitchesPopups()
    {
        MainForm f;
        QVERIFY(skintest::showActive(&f.window));
        QTRY_COMPARE(f.bar()->EntryCount(), 4);
        QList<QMenu *> seen;
        Steps steps({[&] {
                      seen << openPopup();
                      QMenu *popup = openPopup();
                      const QPoint global = f.window.mapToGlobal(f.entryCentre(3));
                      SystemInput::setCursorPos(global);
                      QMouseEvent move(QEvent::MouseMove, QPointF(popup->mapFromGlobal(global)), QPointF(global),
                                       Qt::NoButton, Qt::NoButton, Qt::NoModifier);
                      QApplication::sendEvent(popup, &move);
                  },
                  [&] {
                      seen << openPopup();
                      key(Qt::Key_Escape);
                  }});
        skintest::press(&f.window, f.entryCentre(1));
        skintest::release(&f.window, f.entryCentre(1));
        QCOMPARE(seen, (QList<QMenu *>{f.file, f.view}));
    }

    void altAccelerators()
    {
        MainForm f;
        QVERIFY(skintest::showActive(&f.window));
        QTRY_COMPARE(f.bar()->EntryCount(), 4);
        f.editBox->setFocus();
        QMenu *seen = nullptr;
        auto steps = std::make_unique<Steps>(QList<std::function<void()>>{[&] {
            seen = openPopup();
            key(Qt::Key_Escape);
        }});
        QTest::keyClick(f.editBox, Qt::Key_E, Qt::AltModifier);
        steps.reset();
        QCOMPARE(seen, f.edit);

        // Alt plus another entry's letter arriving while a popup is open leaves
        // that popup as it is. (A separate Alt press would close it first.)
        bool stillOwnerDrawn = false;
        Steps more({[&] {
                        QKeyEvent altV(QEvent::KeyPress, Qt::Key_V, Qt::AltModifier, QStringLiteral("v"));
                        QApplication::sendEvent(QApplication::activePopupWidget(), &altV);
                    },
                    [&] {
                        seen = openPopup();
                        stillOwnerDrawn = MenuApi::isOwnerDrawn(f.copy);
                        key(Qt::Key_Escape);
                    }});
        QTest::keyClick(f.editBox, Qt::Key_E, Qt::AltModifier);
        QCOMPARE(seen, f.edit);
        QVERIFY(stillOwnerDrawn);

        // "Tail&" has no accelerator, and nothing answers to Alt+T: the key goes on to the edit box.
        int reached = 0;
        struct Counter : QObject {
            int *count;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(e)->key() == Qt::Key_T)
                    ++*count;
                return false;
            }
        } counter;
        counter.count = &reached;
        f.editBox->installEventFilter(&counter);
        QTest::keyClick(f.editBox, Qt::Key_T, Qt::AltModifier);
        QVERIFY(!openPopup());
        QCOMPARE(reached, 1);
        f.editBox->removeEventFilter(&counter);
    }

    void menuLetterRunsTheCommandAndItsChangesStay()
    {
        MainForm f;
        QVERIFY(skintest::showActive(&f.window));
        QTRY_COMPARE(f.bar()->EntryCount(), 4);
        Steps steps({[&] { key(Qt::Key_X); }}); // E&xit
        skintest::press(&f.window, f.entryCentre(1));
        skintest::release(&f.window, f.entryCentre(1));
        QCOMPARE(f.exits, 1);
        QVERIFY(!openPopup());
        QVERIFY(!MenuApi::isOwnerDrawn(f.exit));
        // The command disabled "Open" while the items were still converted; that stays.
        QVERIFY(!f.open->isEnabled());
    }

    void itemsAreMeasuredWithTheirShortcuts()
    {
        MainForm f;
        QVERIFY(skintest::showActive(&f.window));
        QTRY_COMPARE(f.bar()->EntryCount(), 4);
        int itemWidth = 0, itemHeight = 0, separatorHeight = 0;
        Steps steps({[&] {
                      itemWidth = f.edit->actionGeometry(f.copy).width();
                      itemHeight = f.edit->actionGeometry(f.copy).height();
                  },
                  [&] { key(Qt::Key_Escape); }});
        skintest::press(&f.window, f.entryCentre(2));
        skintest::release(&f.window, f.entryCentre(2));
        Steps more({[&] { separatorHeight = f.file->actionGeometry(f.file->actions().at(1)).height(); },
                  [&] { key(Qt::Key_Escape); }});
        skintest::press(&f.window, f.entryCentre(1));
        skintest::release(&f.window, f.entryCentre(1));

        const QFontMetrics fm(LogFont::fromFont(f.caption.MenuFont(), WindowSystem::screenLogPixelsY()).createFont());
        int widestCaption = 0, widestShortcut = 0;
        for (const QString &caption : {QStringLiteral("&Copy"), QStringLiteral("&Find"), QStringLiteral("&More")})
            widestCaption = std::max(widestCaption, fm.size(Qt::TextShowMnemonic, caption).width() + 1);
        for (const QString &shortcut : {QStringLiteral("Ctrl+C"), QStringLiteral("F3")})
            widestShortcut = std::max(widestShortcut, fm.size(Qt::TextShowMnemonic, shortcut).width() + 1);
        QCOMPARE(itemWidth, widestCaption + widestShortcut + 38);
        const int textHeight = fm.size(Qt::TextSingleLine | Qt::TextShowMnemonic, QStringLiteral("&More")).height();
        QCOMPARE(itemHeight, textHeight + 1 + 8);
        QCOMPARE(separatorHeight, 6);
    }
};

QTEST_MAIN(TestMenuBar)
#include "test_menubar.moc"
