#include "skin/CTimer.h"

#include "skin/MTimer.h"
#include "skin/SkinError.h"

namespace velmora::skin {

CTimer::~CTimer() { setInterval(0); }

void CTimer::setInterval(int lInterval)
{
    if (lInterval > 0 && lInterval != m_lInterval) {
        if (m_lInterval > 0)
            MTimer::TimerDestroy(this);
        m_lInterval = lInterval;
        if (!MTimer::TimerCreate(this))
            throw SkinError(SkinError::CantCreateTimer);
    } else if (lInterval <= 0 && m_lInterval > 0) {
        m_lInterval = 0;
        MTimer::TimerDestroy(this);
    }
}

void CTimer::PulseTimer() { emit ThatTime(); }

} // namespace velmora::skin
