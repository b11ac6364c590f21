#include "maintenance/WizardIcons.h"

#include "app/Artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace velmora::maintenance {

namespace {

const QColor Ink(0x2b, 0x3a, 0x55);
const QColor Accent(0x2f, 0x7d, 0xd1);
const QColor Paper(0xfb, 0xfb, 0xf7);
const QColor Board(0xc8, 0x93, 0x52);
const QColor Alarm(0xd0, 0x3b, 0x3b);

QPen pen(const QColor &c, qreal w)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Drawn at twice the size, on a 24-unit grid, like the program's other icons.
QPixmap draw(int size, const std::function<void(QPainter &)> &paint)
{
    QPixmap pm(QSize(size, size) * 2);
    pm.setDevicePixelRatio(2);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    paint(p);
    return pm;
}

void paste(QPainter &p)
{
    // A clipboard with a sheet on it.
    p.setPen(pen(Ink, 1.3));
    p.setBrush(Board);
    p.drawRoundedRect(QRectF(3.5, 4, 14, 17), 2, 2);
    p.setBrush(QColor(0xe6, 0xe6, 0xe6));
    p.drawRoundedRect(QRectF(7, 2.5, 7, 3.5), 1, 1);
    p.setBrush(Paper);
    p.drawRect(QRectF(10, 9, 11, 13));
    p.setPen(pen(Accent, 1.0));
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(12, 12.5 + i * 3), QPointF(19, 12.5 + i * 3));
}

void remove(QPainter &p)
{
    // A sheet struck through with a red cross.
    p.setPen(pen(Ink, 1.3));
    p.setBrush(Paper);
    p.drawRect(QRectF(4, 3, 13, 17));
    p.setPen(pen(Ink, 0.9));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(6.5, 7 + i * 3), QPointF(14.5, 7 + i * 3));
    p.setPen(pen(Alarm, 2.4));
    p.drawLine(QPointF(12, 12), QPointF(21, 21));
    p.drawLine(QPointF(21, 12), QPointF(12, 21));
}

void exit(QPainter &p)
{
    // An open door with an arrow leaving through it.
    p.setPen(pen(Ink, 1.3));
    p.setBrush(QColor(0xe8, 0xee, 0xf5));
    p.drawRect(QRectF(3, 3, 11, 18));
    QPainterPath door;
    door.moveTo(3, 3);
    door.lineTo(9, 5.5);
    door.lineTo(9, 23);
    door.lineTo(3, 21);
    door.closeSubpath();
    p.setBrush(Board);
    p.drawPath(door);
    p.setPen(pen(Accent, 2.2));
    p.drawLine(QPointF(12, 12), QPointF(21, 12));
    p.drawLine(QPointF(17.5, 8.5), QPointF(21, 12));
    p.drawLine(QPointF(17.5, 15.5), QPointF(21, 12));
}

} // namespace

QPixmap WizardIcons::icon(const QString &name, int size)
{
    if (name == QLatin1String("paste"))
        return draw(size, paste);
    if (name == QLatin1String("delete"))
        return draw(size, remove);
    if (name == QLatin1String("exit"))
        return draw(size, exit);
    return app::Artwork::toolbarIcon(name, size);
}

} // namespace velmora::maintenance
