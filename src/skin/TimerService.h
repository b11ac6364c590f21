#pragma once

#include <QObject>
#include <QHash>

namespace velmora::skin {

// System timers without a window: each tick calls one callback with the
// timer's identifier. Timers run on the user-interface thread's event loop.
class TimerService : public QObject {
public:
    using Callback = void (*)(quintptr id);

    static TimerService &instance();

    // Starts a periodic timer; returns its identifier, 0 if none could be made.
    quintptr setTimer(int milliseconds, Callback callback);
    bool killTimer(quintptr id);
    int activeCount() const { return int(m_timers.size()); }

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    TimerService() = default;
    QHash<int, Callback> m_timers;
};

} // namespace velmora::skin
