// The splash window: the keyboard rule, the progress line and the hand-over
// to the main window; the main window's animation and shutdown.
#include "app/ImageList.h"
#include "app/KeyboardLayouts.h"
#include "app/MainWindow.h"
#include "app/StartCover.h"
#include "support/MainWindowHarness.h"

#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>

using namespace velmora::app;

namespace {

class FakeLayouts : public KeyboardLayouts {
public:
    FakeLayouts(int count, bool off) : count(count), off(off) {}
    QStringList layouts() override
    {
        QStringList l;
        for (int i = 0; i < count; ++i)
            l << QString::number(i);
        return l;
    }
    bool inputMethodOff() override
    {
        if (failing)
            throw std::runtime_error("no input method");
        return off;
    }
    void activate(int index) override { activated << index; }
    int count;
    bool off;
    bool failing = false;
    QList<int> activated;
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void keyboardRule_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("off");
        QTest::addColumn<bool>("switched");
        QTest::newRow("one layout") << 1 << true << false;
        QTest::newRow("two, input method off") << 2 << true << true;
        QTest::newRow("two, input method on") << 2 << false << false;
    }
    void keyboardRule()
    {
        QFETCH(int, count);
        QFETCH(bool, off);
        QFETCH(bool, switched);
        FakeLayouts fake(count, off);
        KeyboardLayouts::applyStartupRule(fake);
        QCOMPARE(fake.activated, switched ? QList<int>{1} : QList<int>{});
        fake.failing = true;
        KeyboardLayouts::applyStartupRule(fake); // errors are ignored
    }

    void splashHandsOverToTheMainWindow()
    {
        velmora::test::Fixture fixture;
        fixture.install();
        FakeLayouts fake(1, false);
        MainWindow *created = nullptr;
        auto *splash = new StartCover(fake, [&] { return created = new MainWindow; });
        QCOMPARE(splash->objectName(), QString("startcover"));
        QCOMPARE(splash->Label2->text(), QString("正在启动Velmora……"));
        QCOMPARE(splash->Timer3->interval(), 30);
        QCOMPARE(splash->Timer2->interval(), 1100);
        QCOMPARE(splash->Timer1->interval(), 1000);
        QVERIFY(splash->Timer1->isActive() && splash->Timer2->isActive() && splash->Timer3->isActive());

        // The progress bar grows by 250 twips a tick and stops after 16 ticks.
        for (int i = 0; i < 15; ++i)
            splash->Timer3_Timer();
        QCOMPARE(splash->progressEnd(), 600 + 15 * 250);
        QVERIFY(splash->Timer3->isActive());
        splash->Timer3_Timer();
        QVERIFY(!splash->Timer3->isActive());

        splash->Timer2_Timer(); // loads the main window, hidden
        QVERIFY(created);
        QVERIFY(!created->isVisible());
        QVERIFY(splash->Timer1->isActive());
        splash->show();
        splash->Timer1_Timer(); // shows it and closes the splash
        QVERIFY(created->isVisible());
        QVERIFY(!splash->isVisible());
        QCOMPARE(created->windowTitle(), QString("Velmora3.0"));
        delete created;
        delete splash;
    }

    void loadingStopsTheProgress()
    {
        velmora::test::Fixture fixture;
        fixture.install();
        FakeLayouts fake(1, false);
        MainWindow *created = nullptr;
        StartCover splash(fake, [&] { return created = new MainWindow; });
        splash.Timer1_Timer(); // Timer1 first: loads, shows, closes
        QVERIFY(!splash.Timer3->isActive());
        QVERIFY(created && created->isVisible());
        delete created;
    }

    // Loading the main window lets the timers fire meanwhile (the remembered
    // search keeps the interface alive). Whichever timer starts the load and
    // whichever comes during it, the window is made once and ends up shown,
    // with the splash gone: before, a load begun by Timer2 and overtaken by
    // Timer1 hid the window Timer1 had just shown, leaving nothing on screen.
    void timersDuringALongLoad_data()
    {
        QTest::addColumn<int>("first"); // the timer that starts the load
        QTest::newRow("Timer2 loads, Timer1 comes meanwhile") << 2;
        QTest::newRow("Timer1 loads, Timer2 comes meanwhile") << 1;
    }
    void timersDuringALongLoad()
    {
        QFETCH(int, first);
        velmora::test::Fixture fixture;
        fixture.install();
        FakeLayouts fake(1, false);
        int made = 0;
        MainWindow *created = nullptr;
        StartCover *splash = nullptr;
        splash = new StartCover(fake, [&] {
            ++made;
            created = new MainWindow;
            // The other timer fires while this one is still loading.
            if (first == 2)
                splash->Timer1_Timer();
            else
                splash->Timer2_Timer();
            return created;
        });
        splash->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<StartCover> alive(splash);
        splash->show();
        if (first == 2)
            splash->Timer2_Timer();
        else
            splash->Timer1_Timer();
        QCOMPARE(made, 1);
        QVERIFY(created && created->isVisible());
        QTRY_VERIFY(!alive); // closed and deleted
        QTest::qWait(1300); // no timer is left to hide it
        QVERIFY(created->isVisible());
        delete created;
    }

    void animationCycles()
    {
        velmora::test::MainWindowHarness h;
        MainWindow &w = h.w();
        QVERIFY(w.ImageList2->count() >= 11);
        QCOMPARE(w.Timer1->interval(), 500);
        QCOMPARE(w.animationCounter(), 1);
        // The first cycle shows pictures 2 to 11, later cycles 3 to 11.
        QList<int> shown;
        for (int i = 0; i < 20; ++i) {
            shown << w.animationCounter() + 1;
            w.Timer1_Timer();
        }
        QCOMPARE(shown.mid(0, 10), (QList<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
        QCOMPARE(shown.mid(10, 9), (QList<int>{3, 4, 5, 6, 7, 8, 9, 10, 11}));
        QVERIFY(!w.Image8->pixmap().isNull());
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
