#pragma once

#include <QtGlobal>

namespace velmora::skin {

class CTimer;

// The table of running timer objects: 100 slots and the highest slot ever
// filled. System timer ticks find their object here by identifier.
class MTimer {
public:
    static constexpr int Slots = 100;

    // Starts the object's system timer and files it; false if no system timer
    // could be made. Throws SkinError 13651 when every slot is taken (the
    // system timer just made is stopped first).
    static bool TimerCreate(CTimer *timer);
    static bool TimerDestroy(CTimer *timer);
    static void TimerProc(quintptr id);

    static int filledSlots();
    static int highWaterMark() { return m_cTimerMax; }

private:
    static CTimer *m_aTimers[Slots];
    static int m_cTimerMax;
};

} // namespace velmora::skin
