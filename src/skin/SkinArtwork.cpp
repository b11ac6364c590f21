#include "skin/SkinArtwork.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace velmora::skin {

namespace {

constexpr int Width = 640;
constexpr int Height = 48;
// The dark title band ends two rows below the menu bar's top (row 26) so
// that the title's tall CJK glyphs keep clear of the light band.
constexpr int BandEnd = 28; // first row of the light menu band
constexpr int Inactive = 400;

struct Palette {
    QColor outer, highlight, bandTop, bandBottom;
    QColor badgeTop, badgeBottom;
};

const Palette activeColors{QColor(0x17, 0x30, 0x44), QColor(0x4d, 0x7a, 0x99), QColor(0x2e, 0x5b, 0x7b),
                           QColor(0x20, 0x44, 0x5f), QColor(0x4c, 0xb3, 0xa6),
                           QColor(0x27, 0x80, 0x93)};
const Palette inactiveColors{QColor(0x3f, 0x48, 0x51), QColor(0x7c, 0x87, 0x92), QColor(0x60, 0x6b, 0x76),
                             QColor(0x51, 0x5b, 0x65), QColor(0x9a, 0xa5, 0xae),
                             QColor(0x74, 0x80, 0x8b)};

// The light band and the frame share these.
const QColor lightTop(0xf1, 0xf4, 0xf7);
const QColor lightBottom(0xe2, 0xe8, 0xee);
const QColor innerLine(0xb3, 0xc1, 0xce);
const QColor lightShadow(0xc9, 0xd4, 0xde);
const QColor frameOuter(0x20, 0x44, 0x5f);

// The controls group behind the caption buttons, the same on both halves.
const QColor groupFill(0x1a, 0x28, 0x35);
const QColor groupPressed(0x46, 0x67, 0x80);
const QColor closePressed(0xb8, 0x3b, 0x3b);
const QColor glyphColor(0xee, 0xf3, 0xf7);

QColor mix(const QColor &a, const QColor &b, double t)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

// The colour of caption row y, the same across the strip.
QColor bandColor(const Palette &p, int y)
{
    if (y == 0)
        return p.outer;
    if (y == 1)
        return p.highlight;
    if (y < BandEnd)
        return mix(p.bandTop, p.bandBottom, double(y - 2) / (BandEnd - 3));
    if (y == BandEnd)
        return lightShadow;
    if (y == Height - 1)
        return innerLine;
    return mix(lightTop, lightBottom, double(y - BandEnd - 1) / (Height - 3 - BandEnd));
}

void fillStrip(QImage &img, int x0, int x1, const Palette &p)
{
    for (int y = 0; y < Height; ++y)
        for (int x = x0; x <= x1; ++x)
            img.setPixelColor(x, y, bandColor(p, y));
}

// Frame columns of a piece's light band: outer line at the window edge, the
// light fill, and the inner line where the frame meets the client area.
void frameEdge(QImage &img, int edgeX, int inward, int innerX)
{
    for (int y = BandEnd; y < Height; ++y)
        img.setPixelColor(edgeX, y, frameOuter);
    for (int x = edgeX + inward; x != innerX; x += inward)
        img.setPixelColor(x, Height - 1, mix(lightTop, lightBottom, 1.0));
}

void drawBadge(QPainter &p, const Palette &c, int x0)
{
    // A round emblem with a flask, overlapping the dark and the light band.
    const QPointF centre(x0 + 27, 27);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawEllipse(centre + QPointF(0, 1), 14.5, 14.5);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(centre, 14, 14);
    QLinearGradient g(centre.x(), centre.y() - 12, centre.x(), centre.y() + 12);
    g.setColorAt(0, c.badgeTop);
    g.setColorAt(1, c.badgeBottom);
    p.setBrush(g);
    p.drawEllipse(centre, 12, 12);

    QPainterPath flask;
    const double cx = centre.x(), cy = centre.y();
    flask.moveTo(cx - 2.2, cy - 8);
    flask.lineTo(cx + 2.2, cy - 8);
    flask.lineTo(cx + 2.2, cy - 3);
    flask.lineTo(cx + 7, cy + 6);
    flask.quadTo(cx + 7.6, cy + 7.6, cx + 6, cy + 7.6);
    flask.lineTo(cx - 6, cy + 7.6);
    flask.quadTo(cx - 7.6, cy + 7.6, cx - 7, cy + 6);
    flask.lineTo(cx - 2.2, cy - 3);
    flask.closeSubpath();
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawPath(flask);
    QPainterPath liquid;
    liquid.moveTo(cx - 4.6, cy + 1.6);
    liquid.lineTo(cx + 4.6, cy + 1.6);
    liquid.lineTo(cx + 6.2, cy + 5.4);
    liquid.quadTo(cx + 6.4, cy + 6.4, cx + 5.4, cy + 6.4);
    liquid.lineTo(cx - 5.4, cy + 6.4);
    liquid.quadTo(cx - 6.4, cy + 6.4, cx - 6.2, cy + 5.4);
    liquid.closeSubpath();
    p.setBrush(c.badgeBottom);
    p.drawPath(liquid);
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawEllipse(QPointF(cx - 1.5, cy + 4), 0.9, 0.9);
    p.drawEllipse(QPointF(cx + 2, cy + 3.2), 0.7, 0.7);
}

void drawHalf(QImage &img, int o, const Palette &c)
{
    fillStrip(img, o, std::min(o + 240, Width - 1), c);
    // Left piece: frame edge at its first column.
    frameEdge(img, o, 1, o + 9);
    // Right piece: frame edge at column 239 (the window's last), 240 repeats it.
    frameEdge(img, o + 239, -1, o + 230);
    if (o + 240 < Width)
        for (int y = 0; y < Height; ++y)
            img.setPixelColor(o + 240, y, img.pixelColor(o + 239, y));
    QPainter p(&img);
    drawBadge(p, c, o);
}

// One button glyph cell: 20 x 20, blitted from its origin.
void drawGlyph(QImage &img, int originX, int kind, bool pressed)
{
    const int y0 = pressed ? 20 : 0;
    QPainter p(&img);
    p.fillRect(QRect(originX, y0, 20, 20), groupFill);
    if (pressed)
        p.fillRect(QRect(originX + 2, y0 + 2, 16, 16), kind == 0 ? closePressed : groupPressed);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(originX + 10 + (pressed ? 0.5 : 0), y0 + 10 + (pressed ? 0.5 : 0));
    QPen pen(glyphColor, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (kind) {
    case 0: // close
        p.drawLine(c + QPointF(-3.5, -3.5), c + QPointF(3.5, 3.5));
        p.drawLine(c + QPointF(3.5, -3.5), c + QPointF(-3.5, 3.5));
        break;
    case 1: // restore
        p.drawRect(QRectF(c.x() - 4, c.y() - 2, 6, 6));
        p.drawPolyline(QList<QPointF>{c + QPointF(-2, -2), c + QPointF(-2, -4), c + QPointF(4, -4), c + QPointF(4, 2),
                                      c + QPointF(2, 2)});
        break;
    case 2: // maximise
        p.drawRect(QRectF(c.x() - 4, c.y() - 4, 8, 8));
        break;
    default: // minimise
        p.drawLine(c + QPointF(-4, 3.5), c + QPointF(4, 3.5));
        break;
    }
}

} // namespace

QImage SkinArtwork::caption()
{
    QImage img(Width, Height, QImage::Format_RGB32);
    img.fill(QColor(0x80, 0x80, 0x80));
    drawHalf(img, 0, activeColors);
    drawHalf(img, Inactive, inactiveColors);
    // The glyphs are drawn from right to left so that each blit starts with its own cell.
    for (bool pressed : {false, true}) {
        drawGlyph(img, 297, 3, pressed);
        drawGlyph(img, 278, 2, pressed);
        drawGlyph(img, 259, 1, pressed);
        drawGlyph(img, 241, 0, pressed);
    }
    return img;
}

QImage SkinArtwork::border()
{
    // A frame ring drawn on a 30 x 30 canvas around a 10 x 10 client hole, then cut into tiles.
    QImage ring(30, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const int d = std::min({x, y, 29 - x, 29 - y});
            const bool insideHole = x >= 10 && x < 20 && y >= 10 && y < 20;
            QColor c = lightBottom;
            if (d == 0)
                c = frameOuter;
            if (!insideHole && x >= 9 && x <= 20 && y >= 9 && y <= 20)
                c = innerLine;
            if (insideHole)
                c = QColor(0xef, 0xef, 0xef);
            ring.setPixelColor(x, y, c);
        }
    QImage tiles(70, 10, QImage::Format_RGB32);
    QPainter p(&tiles);
    auto tile = [&](int index, int sx, int sy) { p.drawImage(index * 10, 0, ring, sx, sy, 10, 10); };
    tile(0, 0, 10);  // left edge
    tile(1, 0, 0);   // not used
    tile(2, 0, 20);  // bottom-left corner
    tile(3, 10, 20); // bottom edge
    tile(4, 20, 10); // right edge
    tile(5, 20, 0);  // not used
    tile(6, 20, 20); // bottom-right corner
    p.end();
    return tiles.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
}

} // namespace velmora::skin
