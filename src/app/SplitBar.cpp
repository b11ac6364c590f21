#include "app/SplitBar.h"

#include "app/Twips.h"

#include <QMouseEvent>
#include <QPainter>

namespace velmora::app {

SplitBar::SplitBar(QWidget *parent) : QWidget(parent)
{
    setCursor(Qt::SplitHCursor);
}

void SplitBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_grabOffset = int(event->position().x());
    raise();
}

void SplitBar::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !parentWidget())
        return;
    const int x = int(mapToParent(event->position()).x()) - m_grabOffset;
    move(qBound(0, x, parentWidget()->width() - width()), y());
}

void SplitBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    emit moved(Twips::fromPixelsX(x()));
}

void SplitBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(m_dragging ? QPalette::Mid : QPalette::Window));
    p.setPen(palette().color(QPalette::Midlight));
    p.drawLine(width() / 2 - 1, height() / 2 - 12, width() / 2 - 1, height() / 2 + 12);
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(width() / 2 + 1, height() / 2 - 12, width() / 2 + 1, height() / 2 + 12);
}

} // namespace velmora::app
