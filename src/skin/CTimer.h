#pragma once

#include <QObject>

namespace velmora::skin {

// A timer object: while Interval is above 0 a system timer ticks every
// Interval milliseconds and raises ThatTime. Setting Interval to the value it
// has changes nothing; 0 stops it. The object stops its timer when it ends.
class CTimer : public QObject {
    Q_OBJECT
public:
    CTimer() = default;
    ~CTimer() override;

    int Interval() const { return m_lInterval; }
    // Throws SkinError 13652 when no system timer can be made, 13651 when all slots are taken.
    void setInterval(int lInterval);
    void PulseTimer();

signals:
    void ThatTime();

private:
    friend class MTimer;
    int m_lInterval = 0;
    quintptr m_lTimerID = 0;
};

} // namespace velmora::skin
