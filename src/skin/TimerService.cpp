#include "skin/TimerService.h"

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
    if (Callback callback = m_timers.value(event->timerId(), nullptr))
        callback(quintptr(event->timerId()));
}

} // namespace velmora::skin
