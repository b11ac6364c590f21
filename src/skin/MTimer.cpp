#include "skin/MTimer.h"

#include "skin/CTimer.h"
#include "skin/SkinError.h"
#include "skin/TimerService.h"

#include <algorithm>

namespace velmora::skin {

CTimer *MTimer::m_aTimers[MTimer::Slots] = {};
int MTimer::m_cTimerMax = 0;

bool MTimer::TimerCreate(CTimer *timer)
{
    timer->m_lTimerID = TimerService::instance().setTimer(timer->m_lInterval, &MTimer::TimerProc);
    if (timer->m_lTimerID == 0) {
        timer->m_lInterval = 0;
        return false;
    }
    for (int i = 0; i < Slots; ++i) {
        if (!m_aTimers[i]) {
            m_aTimers[i] = timer;
            m_cTimerMax = std::max(m_cTimerMax, i + 1);
            return true;
        }
    }
    // No slot: the timer that cannot be filed must not keep ticking unseen.
    TimerService::instance().killTimer(timer->m_lTimerID);
    timer->m_lTimerID = 0;
    timer->m_lInterval = 0;
    throw SkinError(SkinError::TooManyTimers);
}

bool MTimer::TimerDestroy(CTimer *timer)
{
    for (int i = 0; i < m_cTimerMax; ++i) {
        if (m_aTimers[i] && m_aTimers[i]->m_lTimerID == timer->m_lTimerID) {
            TimerService::instance().killTimer(timer->m_lTimerID);
            m_aTimers[i] = nullptr;
            timer->m_lTimerID = 0;
            return true;
        }
    }
    return false;
}

void MTimer::TimerProc(quintptr id)
{
    for (int i = 0; i < m_cTimerMax; ++i) {
        if (m_aTimers[i] && m_aTimers[i]->m_lTimerID == id) {
            m_aTimers[i]->PulseTimer();
            return;
        }
    }
}

int MTimer::filledSlots()
{
    int n = 0;
    for (const CTimer *t : m_aTimers)
        if (t)
            ++n;
    return n;
}

} // namespace velmora::skin
