#include "app/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace velmora::app {

namespace {

constexpr qreal Scale = 2.0;

QPixmap canvas(QSize size)
{
    QPixmap pm(size * Scale);
    pm.setDevicePixelRatio(Scale);
    pm.fill(Qt::transparent);
    return pm;
}

const QColor Ink(0x2b, 0x3a, 0x55);
const QColor Accent(0x2f, 0x7d, 0xd1);
const QColor Leaf(0x2e, 0x9d, 0x6a);
const QColor Warm(0xe0, 0x8a, 0x1e);
const QColor Paper(0xfb, 0xfb, 0xf7);

QPen pen(const QColor &c, qreal w = 1.6)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void page(QPainter &p, QRectF r)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 5, r.top());
    path.lineTo(r.right(), r.top() + 5);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(pen(Ink, 1.4));
    p.setBrush(Paper);
    p.drawPath(path);
}

void arrow(QPainter &p, bool right, const QColor &colour)
{
    QPainterPath path;
    if (right) {
        path.moveTo(4, 9);
        path.lineTo(12, 9);
        path.lineTo(12, 4);
        path.lineTo(21, 12);
        path.lineTo(12, 20);
        path.lineTo(12, 15);
        path.lineTo(4, 15);
    } else {
        path.moveTo(20, 9);
        path.lineTo(12, 9);
        path.lineTo(12, 4);
        path.lineTo(3, 12);
        path.lineTo(12, 20);
        path.lineTo(12, 15);
        path.lineTo(20, 15);
    }
    path.closeSubpath();
    QLinearGradient g(0, 4, 0, 20);
    g.setColorAt(0, colour.lighter(130));
    g.setColorAt(1, colour.darker(115));
    p.setPen(pen(colour.darker(150), 1.2));
    p.setBrush(g);
    p.drawPath(path);
}

void magnifier(QPainter &p)
{
    p.setPen(pen(Ink, 2.2));
    p.setBrush(QColor(0xd8, 0xec, 0xff));
    p.drawEllipse(QPointF(10, 10), 6, 6);
    p.setPen(pen(Ink, 3.2));
    p.drawLine(QPointF(14.5, 14.5), QPointF(20.5, 20.5));
}

void drawFlaskShape(QPainter &p, QRectF box, qreal level, int frame)
{
    // A conical flask: neck on top, wide base.
    const qreal cx = box.center().x();
    const qreal top = box.top() + box.height() * 0.06;
    const qreal bottom = box.bottom() - box.height() * 0.06;
    const qreal neckHalf = box.width() * 0.11;
    const qreal baseHalf = box.width() * 0.40;
    const qreal shoulder = top + box.height() * 0.34;
    QPainterPath flask;
    flask.moveTo(cx - neckHalf, top);
    flask.lineTo(cx - neckHalf, shoulder);
    flask.lineTo(cx - baseHalf, bottom - 4);
    flask.quadTo(cx - baseHalf, bottom, cx - baseHalf + 4, bottom);
    flask.lineTo(cx + baseHalf - 4, bottom);
    flask.quadTo(cx + baseHalf, bottom, cx + baseHalf, bottom - 4);
    flask.lineTo(cx + neckHalf, shoulder);
    flask.lineTo(cx + neckHalf, top);

    // Liquid up to the level.
    const qreal surface = bottom - (bottom - shoulder) * level;
    p.save();
    p.setClipPath(flask);
    QLinearGradient liquid(0, surface, 0, bottom);
    liquid.setColorAt(0, QColor(0x4f, 0xc3, 0xa1));
    liquid.setColorAt(1, QColor(0x1f, 0x7a, 0x8c));
    p.fillRect(QRectF(box.left(), surface, box.width(), bottom - surface + 1), liquid);
    // Bubbles rise through the liquid.
    p.setPen(pen(QColor(255, 255, 255, 200), 1.0));
    p.setBrush(QColor(255, 255, 255, 90));
    for (int b = 0; b < 4; ++b) {
        const qreal phase = std::fmod(frame * 0.23 + b * 0.27, 1.0);
        const qreal y = bottom - 3 - (bottom - surface) * phase;
        if (y < surface + 2)
            continue;
        const qreal x = cx + std::sin(frame * 0.9 + b * 1.7) * baseHalf * 0.45;
        const qreal r = 1.2 + 1.4 * phase;
        p.drawEllipse(QPointF(x, y), r, r);
    }
    p.restore();

    p.setPen(pen(Ink, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(flask);
    p.drawLine(QPointF(cx - neckHalf - 2, top), QPointF(cx + neckHalf + 2, top));
    // Glass highlight.
    p.setPen(pen(QColor(255, 255, 255, 170), 1.4));
    p.drawLine(QPointF(cx - neckHalf * 0.4, top + 3), QPointF(cx - neckHalf * 0.4, shoulder - 2));
}

} // namespace

QPixmap Artwork::toolbarIcon(const QString &name, int size)
{
    QPixmap pm = canvas(QSize(size, size));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);

    if (name == QLatin1String("save") || name == QLatin1String("savecurrent")) {
        QPainterPath disk;
        disk.addRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
        p.setPen(pen(Ink, 1.4));
        p.setBrush(name == QLatin1String("save") ? Accent : Leaf);
        p.drawPath(disk);
        p.setBrush(Paper);
        p.drawRect(QRectF(7, 3.5, 10, 6));
        p.setBrush(QColor(0xe8, 0xee, 0xf5));
        p.drawRect(QRectF(6, 13, 12, 7.5));
        p.setPen(pen(Ink, 1.0));
        p.drawLine(QPointF(8, 16), QPointF(16, 16));
        p.drawLine(QPointF(8, 18.5), QPointF(14, 18.5));
    } else if (name == QLatin1String("back")) {
        arrow(p, false, Accent);
    } else if (name == QLatin1String("forward")) {
        arrow(p, true, Accent);
    } else if (name == QLatin1String("clear") || name == QLatin1String("cleared")) {
        const bool done = name == QLatin1String("cleared");
        // A history list swept by a broom.
        page(p, QRectF(3, 3, 12, 15));
        p.setPen(pen(done ? QColor(0xb0, 0xb0, 0xb0) : Ink, 1.0));
        for (int i = 0; i < 4; ++i)
            p.drawLine(QPointF(5.5, 7 + i * 3), QPointF(12.5, 7 + i * 3));
        p.setPen(pen(QColor(0x8a, 0x5a, 0x2b), 2.0));
        p.drawLine(QPointF(21, 4), QPointF(13, 15));
        QPainterPath bristles;
        bristles.moveTo(11, 13);
        bristles.lineTo(16, 17);
        bristles.lineTo(13, 22);
        bristles.lineTo(7, 19);
        bristles.closeSubpath();
        p.setPen(pen(Warm.darker(140), 1.0));
        p.setBrush(done ? QColor(0xd0, 0xd0, 0xd0) : Warm);
        p.drawPath(bristles);
    } else if (name == QLatin1String("selectall")) {
        page(p, QRectF(4, 3, 15, 18));
        p.setPen(QPen(Accent, 1.3, Qt::DashLine));
        p.setBrush(QColor(0x2f, 0x7d, 0xd1, 50));
        p.drawRect(QRectF(6.5, 6, 10, 12));
        p.setPen(pen(Ink, 1.0));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(8.5, 9 + i * 3), QPointF(14.5, 9 + i * 3));
    } else if (name == QLatin1String("copy")) {
        page(p, QRectF(3, 3, 12, 15));
        page(p, QRectF(9, 7, 12, 15));
        p.setPen(pen(Accent, 1.0));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(11.5, 12 + i * 3), QPointF(18.5, 12 + i * 3));
    } else if (name == QLatin1String("search")) {
        magnifier(p);
    } else if (name == QLatin1String("print")) {
        p.setPen(pen(Ink, 1.4));
        p.setBrush(Paper);
        p.drawRect(QRectF(7, 3, 10, 7));
        QLinearGradient body(0, 9, 0, 18);
        body.setColorAt(0, QColor(0xcf, 0xd8, 0xe3));
        body.setColorAt(1, QColor(0x8e, 0x9b, 0xab));
        p.setBrush(body);
        p.drawRoundedRect(QRectF(3, 9, 18, 9), 2, 2);
        p.setBrush(Paper);
        p.drawRect(QRectF(7, 15, 10, 6));
        p.setPen(Qt::NoPen);
        p.setBrush(Leaf);
        p.drawEllipse(QPointF(18, 12), 1.1, 1.1);
    } else if (name == QLatin1String("modify")) {
        page(p, QRectF(3, 3, 13, 17));
        p.save();
        p.translate(15, 13);
        p.rotate(45);
        p.setPen(pen(Ink, 1.0));
        p.setBrush(Warm);
        p.drawRect(QRectF(-2, -9, 4, 13));
        p.setBrush(QColor(0xf5, 0xd5, 0xa0));
        QPainterPath tip;
        tip.moveTo(-2, 4);
        tip.lineTo(2, 4);
        tip.lineTo(0, 8);
        tip.closeSubpath();
        p.drawPath(tip);
        p.restore();
    } else if (name == QLatin1String("add")) {
        page(p, QRectF(3, 3, 13, 17));
        p.setPen(Qt::NoPen);
        p.setBrush(Leaf);
        p.drawEllipse(QPointF(16.5, 16.5), 5.5, 5.5);
        p.setPen(pen(Qt::white, 1.8));
        p.drawLine(QPointF(16.5, 13.5), QPointF(16.5, 19.5));
        p.drawLine(QPointF(13.5, 16.5), QPointF(19.5, 16.5));
    } else if (name == QLatin1String("insert")) {
        p.setPen(pen(Ink, 1.2));
        p.setBrush(QColor(0xf2, 0xf6, 0xfb));
        p.drawRoundedRect(QRectF(2.5, 3.5, 19, 17), 3, 3);
        QFont f;
        f.setPixelSize(12);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Accent);
        p.drawText(QRectF(2.5, 3.5, 19, 17), Qt::AlignCenter, QStringLiteral("±℃"));
    } else if (name == QLatin1String("periodic")) {
        const QColor cells[] = {QColor(0x00, 0xc8, 0x60), QColor(0x80, 0xd0, 0x80),
                                QColor(0x00, 0xa8, 0xa8), QColor(0x80, 0x80, 0xe0)};
        p.setPen(pen(Ink, 0.8));
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c) {
                if (r == 0 && (c == 1 || c == 2))
                    continue;
                p.setBrush(cells[c]);
                p.drawRect(QRectF(2.5 + c * 5, 4.5 + r * 5, 4.5, 4.5));
            }
        p.setBrush(QColor(0xff, 0xf0, 0xa0));
        p.drawRect(QRectF(7.5, 19.5, 9.5, 2.5));
    } else if (name == QLatin1String("help")) {
        QRadialGradient g(QPointF(10, 9), 12);
        g.setColorAt(0, Accent.lighter(140));
        g.setColorAt(1, Accent.darker(110));
        p.setPen(pen(Accent.darker(150), 1.2));
        p.setBrush(g);
        p.drawEllipse(QPointF(12, 12), 9, 9);
        QFont f;
        f.setPixelSize(14);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(3, 3, 18, 18), Qt::AlignCenter, QStringLiteral("?"));
    }
    return pm;
}

QPixmap Artwork::flask(int frame, QSize size)
{
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Frames 1-6 fill the flask, 7-11 keep it full and bubbling.
    const qreal level = frame <= 6 ? 0.12 + 0.16 * (frame - 1) : 0.92;
    drawFlaskShape(p, QRectF(QPointF(0, 0), QSizeF(size)), level, frame);
    if (frame >= 7) {
        // Vapour above the neck.
        p.setPen(pen(QColor(0x8a, 0xa4, 0xc0, 150), 1.2));
        const qreal cx = size.width() / 2.0;
        for (int i = 0; i < 2; ++i) {
            QPainterPath steam;
            const qreal x = cx - 4 + i * 8;
            steam.moveTo(x, size.height() * 0.06);
            steam.cubicTo(x - 3, -2, x + 3, -4 + (frame % 2) * 2, x, -8);
            p.drawPath(steam);
        }
    }
    return pm;
}

QPixmap Artwork::treeImage(int index)
{
    QPixmap pm = canvas(QSize(16, 16));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (index == 3) {
        drawFlaskShape(p, QRectF(1, 0, 14, 16), 0.55, 3);
        return pm;
    }
    // A book: closed for a heading, open when selected.
    if (index == 1) {
        p.setPen(pen(Ink, 1.0));
        p.setBrush(Accent);
        p.drawRoundedRect(QRectF(3, 1.5, 10, 13), 1.5, 1.5);
        p.setBrush(Paper);
        p.drawRect(QRectF(4.5, 11.5, 8, 2));
        p.setPen(pen(Qt::white, 1.0));
        p.drawLine(QPointF(6, 5), QPointF(11, 5));
    } else {
        p.setPen(pen(Ink, 1.0));
        p.setBrush(Paper);
        QPainterPath left, right;
        left.moveTo(8, 4);
        left.quadTo(4.5, 2.5, 1, 3.5);
        left.lineTo(1, 13);
        left.quadTo(4.5, 12, 8, 13.5);
        left.closeSubpath();
        right.moveTo(8, 4);
        right.quadTo(11.5, 2.5, 15, 3.5);
        right.lineTo(15, 13);
        right.quadTo(11.5, 12, 8, 13.5);
        right.closeSubpath();
        p.drawPath(left);
        p.drawPath(right);
        p.setPen(pen(Accent, 0.9));
        p.drawLine(QPointF(3, 6.5), QPointF(6.5, 6.5));
        p.drawLine(QPointF(9.5, 6.5), QPointF(13, 6.5));
        p.drawLine(QPointF(3, 9), QPointF(6.5, 9));
        p.drawLine(QPointF(9.5, 9), QPointF(13, 9));
    }
    return pm;
}

QPixmap Artwork::splash(QSize size)
{
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal h = size.height();
    // A flask and a benzene ring beside the program's name.
    drawFlaskShape(p, QRectF(4, 2, h - 4, h - 4), 0.7, 5);
    const QPointF centre(h + h * 0.55, h / 2);
    const qreal r = h * 0.36;
    QPolygonF ring;
    for (int i = 0; i < 6; ++i) {
        const qreal a = (60.0 * i - 90) * M_PI / 180.0;
        ring << centre + QPointF(r * std::cos(a), r * std::sin(a));
    }
    p.setPen(pen(Qt::white, 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(ring);
    p.drawEllipse(centre, r * 0.55, r * 0.55);
    QFont f(QStringLiteral("Noto Serif CJK SC"));
    f.setPixelSize(int(h * 0.46));
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(255, 255, 240));
    p.drawText(QRectF(h * 2.2, 0, size.width() - h * 2.2, h), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("Velmora"));
    return pm;
}

} // namespace velmora::app
