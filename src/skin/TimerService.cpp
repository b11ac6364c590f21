#include "skin/TimerService.h"

#include "skin/SkinError.h"

#include <QCoreApplication>
#include <QTimerEvent>

namespace velmora::skin {

TimerService &TimerService::instance()
{
    static TimerService *service = [] {
        auto *s = new TimerService;
        // Lives as long as the application object.
        s->setParent(QCoreApplication::instance());
        return s;
    }();
    return *service;
}

quintptr TimerService::setTimer(int milliseconds, Callback callback)
{
    if (milliseconds <= 0 || !callback)
        return 0;
    const int id = startTimer(milliseconds);
    if (id <= 0)
        return 0;
    m_timers.insert(id, callback);
    return quintptr(id);
}

bool TimerService::killTimer(quintptr id)
{
    if (!m_timers.remove(int(id)))
        return false;
    QObject::killTimer(int(id));
    return true;
}

void TimerService::timerEvent(QTimerEvent *event)
{
    Callback callback = m_timers.value(event->timerId(), nullptr);
    if (!callback)
        return;
    try {
        callback(quintptr(event->timerId()));
    } catch (const SkinError &e) {
        // A failing tick ends here; Qt's event dispatch must not see the error.
        qWarning("%s: %s", qPrintable(e.source()), qPrintable(e.description()));
    }
}

} // namespace velmora::skin
