// The message-interception service: dispatch order, the registry in the
// window's property list, detaching, errors; and the timer table.

#include "skin/CTimer.h"
#include "skin/GSubclass.h"
#include "skin/ISubclass.h"
#include "skin/MSubclass.h"
#include "skin/MTimer.h"
#include "skin/SkinError.h"
#include "skin/TimerService.h"
#include "skin/WindowSystem.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <memory>
#include <vector>

using namespace velmora::skin;

namespace {

QStringList journal;
int previousCalls = 0;

// A previous procedure that can be counted; it answers 42.
LRESULT countingProc(HWND, UINT msg, WPARAM, LPARAM)
{
    if (msg >= 0x400) {
        ++previousCalls;
        journal << QStringLiteral("previous");
    }
    return 42;
}

class Client : public ISubclass {
public:
    Client(QString name, int response) : m_name(std::move(name)), m_response(response) {}
    int MsgResponse() const override { return m_response; }
    void WindowProc(HWND, UINT, WPARAM, LPARAM, LRESULT &lReturn) override
    {
        journal << m_name + QStringLiteral(":") + QString::number(lReturn);
        seen = lReturn;
        lReturn = answer;
    }
    LRESULT seen = 0;
    LRESULT answer = 0;

private:
    QString m_name;
    int m_response;
};

QStringList registryProperties(QWidget *w)
{
    QStringList names;
    const QByteArray id = QByteArray::number(quint64(w->winId()));
    for (const QByteArray &name : w->dynamicPropertyNames())
        if (name.contains(id))
            names << QString::fromLatin1(name);
    return names;
}

} // namespace

class TestSubclass : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        journal.clear();
        previousCalls = 0;
    }

    void dispatchOrder_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("result");
        // Only the first client's pre-processing and the last client's post-processing count.
        QTest::newRow("pre then post") << 2 << 1 << QStringList{"previous", "a:42", "b:7"} << 8;
        QTest::newRow("post then pre") << 1 << 2 << QStringList{"a:0", "b:7"} << 8;
        QTest::newRow("consume both") << 0 << 0 << QStringList{"a:0", "b:7"} << 8;
        QTest::newRow("consume then post") << 0 << 1 << QStringList{"a:0", "b:7", "previous"} << 42;
    }

    void dispatchOrder()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(QStringList, expected);
        QFETCH(int, result);
        QWidget w;
        const HWND hwnd = WindowSystem::handleOf(&w);
        WindowSystem::setWindowProc(hwnd, &countingProc);
        Client a(QStringLiteral("a"), first), b(QStringLiteral("b"), second);
        a.answer = 7;
        b.answer = 8;
        GSubclass service;
        service.AttachMessage(&a, hwnd, 0x401);
        service.AttachMessage(&b, hwnd, 0x401);

        QCOMPARE(WindowSystem::sendMessage(hwnd, 0x401), LRESULT(result));
        QCOMPARE(journal, expected);
        QVERIFY(previousCalls <= 1);

        // Another message of the same window goes straight to the previous procedure.
        journal.clear();
        QCOMPARE(WindowSystem::sendMessage(hwnd, 0x402), LRESULT(42));
        QCOMPARE(journal, QStringList{"previous"});

        service.DetachMessage(&a, hwnd, 0x401);
        service.DetachMessage(&b, hwnd, 0x401);
    }

    void consumingClientCallsPreviousItself()
    {
        QWidget w;
        const HWND hwnd = WindowSystem::handleOf(&w);
        WindowSystem::setWindowProc(hwnd, &countingProc);

        struct Forwarder : ISubclass {
            GSubclass service;
            UINT current = 0;
            int MsgResponse() const override { return Consume; }
            void WindowProc(HWND h, UINT m, WPARAM wp, LPARAM lp, LRESULT &r) override
            {
                current = service.CurrentMessage();
                r = service.CallOldWindowProc(h, m, wp, lp) + 1;
            }
        } forwarder;
        forwarder.service.AttachMessage(&forwarder, hwnd, 0x410);
        QCOMPARE(WindowSystem::sendMessage(hwnd, 0x410), LRESULT(43));
        QCOMPARE(forwarder.current, UINT(0x410));
        QCOMPARE(previousCalls, 1);
        forwarder.service.DetachMessage(&forwarder, hwnd, 0x410);
    }

    void detachingTheLastMessageRestoresTheWindow()
    {
        QWidget w;
        const HWND hwnd = WindowSystem::handleOf(&w);
        WindowSystem::setWindowProc(hwnd, &countingProc);
        Client a(QStringLiteral("a"), 0), b(QStringLiteral("b"), 0), c(QStringLiteral("c"), 0);
        GSubclass service;
        service.AttachMessage(&a, hwnd, 0x401);
        service.AttachMessage(&b, hwnd, 0x401);
        service.AttachMessage(&c, hwnd, 0x402);
        QVERIFY(WindowSystem::windowProc(hwnd) == &MSubclass::WindowProc);
        QCOMPARE(WindowSystem::prop(hwnd, MSubclass::windowCountName(hwnd)), qintptr(3));

        // Removing the first client moves the second into its place.
        service.DetachMessage(&a, hwnd, 0x401);
        QCOMPARE(WindowSystem::prop(hwnd, MSubclass::clientCountName(hwnd, 0x401)), qintptr(1));
        QCOMPARE(WindowSystem::prop(hwnd, MSubclass::clientName(hwnd, 0x401, 1)),
                 qintptr(reinterpret_cast<quintptr>(static_cast<ISubclass *>(&b))));
        WindowSystem::sendMessage(hwnd, 0x401);
        QCOMPARE(journal, QStringList{"b:0"});

        service.DetachMessage(&b, hwnd, 0x401);
        QVERIFY(WindowSystem::windowProc(hwnd) == &MSubclass::WindowProc);
        service.DetachMessage(&c, hwnd, 0x402);
        QVERIFY(WindowSystem::windowProc(hwnd) == &countingProc);
        QCOMPARE(registryProperties(&w), QStringList());
    }

    void attachErrors()
    {
        QWidget w;
        const HWND hwnd = WindowSystem::handleOf(&w);
        WindowSystem::setWindowProc(hwnd, &countingProc);
        Client a(QStringLiteral("a"), 0);
        GSubclass service;
        service.AttachMessage(&a, hwnd, 0x401);
        try {
            service.AttachMessage(&a, hwnd, 0x401);
            QFAIL("a second attach of the same pair was accepted");
        } catch (const SkinError &e) {
            QCOMPARE(e.code(), 13082);
            QCOMPARE(e.number(), qint32(0x80040000u + 13082));
            QCOMPARE(e.description(), QStringLiteral("Message already handled by another class"));
            QVERIFY(e.source().endsWith(QStringLiteral(".WindowProc")));
        }
        // The refused attach left no registration behind: one detach restores the window.
        service.DetachMessage(&a, hwnd, 0x401);
        QVERIFY(WindowSystem::windowProc(hwnd) == &countingProc);
        QCOMPARE(registryProperties(&w), QStringList());

        try {
            service.AttachMessage(&a, HWND(0x7fff0001), 0x401);
            QFAIL("a window that does not exist was subclassed");
        } catch (const SkinError &e) {
            QCOMPARE(e.code(), 13083);
            QCOMPARE(e.description(), QStringLiteral("Invalid window"));
        }
    }

    void qtEventsArriveAsMessages()
    {
        QWidget w;
        const HWND hwnd = WindowSystem::handleOf(&w);
        Client a(QStringLiteral("a"), ISubclass::PostProcess);
        GSubclass service;
        service.AttachMessage(&a, hwnd, wm::SetText);
        w.setWindowTitle(QStringLiteral("元素周期表"));
        QCOMPARE(journal, QStringList{"a:0"});
        service.DetachMessage(&a, hwnd, wm::SetText);
    }

    // ---------------------------------------------------------------- timers

    void settingTheSameIntervalDoesNotRestart()
    {
        CTimer timer;
        QSignalSpy ticks(&timer, &CTimer::ThatTime);
        timer.setInterval(400);
        QTest::qWait(250);
        QElapsedTimer sinceReset;
        sinceReset.start();
        timer.setInterval(400);
        QVERIFY(ticks.wait(2000));
        // Unrestarted, the tick is due 150 ms after the second let; restarted, 400 ms.
        QVERIFY2(sinceReset.elapsed() < 300, qPrintable(QString::number(sinceReset.elapsed())));
        timer.setInterval(0);
        QCOMPARE(timer.Interval(), 0);
    }

    void slotTable()
    {
        const int systemTimersBefore = TimerService::instance().activeCount();
        std::vector<std::unique_ptr<CTimer>> timers;
        for (int i = 0; i < MTimer::Slots; ++i) {
            timers.push_back(std::make_unique<CTimer>());
            timers.back()->setInterval(10000 + i);
        }
        QCOMPARE(MTimer::filledSlots(), 100);
        QCOMPARE(MTimer::highWaterMark(), 100);

        CTimer extra;
        try {
            extra.setInterval(500);
            QFAIL("a 101st timer was accepted");
        } catch (const SkinError &e) {
            QCOMPARE(e.code(), 13651);
            QCOMPARE(e.description(), QStringLiteral("No more than 10 timers allowed per class"));
        }
        // The system timer made for the refused object does not keep running.
        QCOMPARE(TimerService::instance().activeCount(), systemTimersBefore + 100);
        QCOMPARE(extra.Interval(), 0);

        // A freed slot is filled again; the high-water mark never drops.
        timers[41]->setInterval(0);
        QCOMPARE(MTimer::filledSlots(), 99);
        extra.setInterval(20);
        QSignalSpy ticks(&extra, &CTimer::ThatTime);
        QVERIFY(ticks.wait(2000));
        timers.clear();
        QCOMPARE(MTimer::filledSlots(), 1);
        QCOMPARE(MTimer::highWaterMark(), 100);
        extra.setInterval(0);
        QCOMPARE(TimerService::instance().activeCount(), systemTimersBefore);
    }
};

QTEST_MAIN(TestSubclass)
#include "test_subclass.moc"
