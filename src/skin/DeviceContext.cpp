#include "skin/DeviceContext.h"

#include "skin/WindowSystem.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <algorithm>

namespace velmora::skin {

namespace {

int screenLogPixelsY()
{
    if (auto *screen = QGuiApplication::primaryScreen())
        return qRound(screen->logicalDotsPerInchY());
    return 96;
}

// "Marlett" is not on this system; its few glyphs the skin uses are drawn here.
bool isSymbolFont(const QFont &font)
{
    return font.family().compare(QLatin1String("Marlett"), Qt::CaseInsensitive) == 0;
}

int qtTextFlags(UINT format)
{
    int flags = (format & dt::Center) ? Qt::AlignHCenter : Qt::AlignLeft;
    flags |= (format & dt::VCenter) && (format & dt::SingleLine) ? Qt::AlignVCenter : Qt::AlignTop;
    if (format & dt::SingleLine)
        flags |= Qt::TextSingleLine;
    if (!(format & dt::NoPrefix))
        flags |= Qt::TextShowMnemonic;
    return flags;
}

// Text without its mnemonic marks, for elision ("&&" stays one "&").
QString withoutPrefix(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

} // namespace

DeviceContext::DeviceContext(QImage *target) : m_image(target), m_logPixelsY(screenLogPixelsY()) {}

DeviceContext::DeviceContext(QPainter *painter) : m_painter(painter), m_logPixelsY(screenLogPixelsY())
{
    if (painter)
        m_font = painter->font();
}

DeviceContext::~DeviceContext()
{
    if (m_release)
        m_release();
}

template <typename F> void DeviceContext::paint(F &&draw)
{
    if (m_painter) {
        m_painter->save();
        draw(*m_painter);
        m_painter->restore();
    } else if (m_image && !m_image->isNull()) {
        QPainter p(m_image);
        draw(p);
    }
}

QFont DeviceContext::selectFont(const QFont &font)
{
    QFont old = m_font;
    m_font = font;
    return old;
}

COLORREF DeviceContext::setTextColor(COLORREF color)
{
    COLORREF old = m_textColor;
    m_textColor = color;
    return old;
}

int DeviceContext::setBkMode(int mode)
{
    int old = m_bkMode;
    m_bkMode = mode;
    return old;
}

COLORREF DeviceContext::setBkColor(COLORREF color)
{
    COLORREF old = m_bkColor;
    m_bkColor = color;
    return old;
}

QColor DeviceContext::toColor(COLORREF color)
{
    if (color < 0)
        return Qt::black;
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

void DeviceContext::bitBlt(int x, int y, int w, int h, const DeviceContext &src, int sx, int sy)
{
    if (src.m_image)
        bitBlt(x, y, w, h, *src.m_image, sx, sy);
}

void DeviceContext::bitBlt(int x, int y, int w, int h, const QImage &src, int sx, int sy)
{
    if (w <= 0 || h <= 0 || src.isNull())
        return;
    // Only the part of the source rectangle that lies inside the source is copied.
    const QRect wanted(sx, sy, w, h);
    const QRect inside = wanted.intersected(src.rect());
    if (inside.isEmpty())
        return;
    // A copy, so that a surface can be copied onto itself.
    const QImage part = src.copy(inside);
    const QPoint to(x + inside.left() - sx, y + inside.top() - sy);
    paint([&](QPainter &p) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(to, part);
    });
}

void DeviceContext::fillRect(const WinRect &rect, COLORREF color)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    paint([&](QPainter &p) { p.fillRect(QRect(rect.left, rect.top, rect.width(), rect.height()), toColor(color)); });
}

QSize DeviceContext::textExtent(const QString &text) const
{
    QFontMetrics fm(m_font);
    return QSize(fm.horizontalAdvance(text), fm.height());
}

int DeviceContext::drawText(const QString &text, WinRect &rect, UINT format)
{
    QFontMetrics fm(m_font);
    const int flags = qtTextFlags(format);
    if (format & dt::CalcRect) {
        const QSize size = text.isEmpty() ? QSize(0, fm.height()) : fm.size(flags, text);
        rect.right = rect.left + size.width();
        rect.bottom = rect.top + size.height();
        return size.height();
    }
    const QRect box(rect.left, rect.top, rect.width(), rect.height());
    if (box.isEmpty())
        return fm.height();
    QString shown = text;
    int shownFlags = flags;
    if ((format & dt::EndEllipsis) && fm.size(flags, text).width() > box.width()) {
        shown = fm.elidedText((format & dt::NoPrefix) ? text : withoutPrefix(text), Qt::ElideRight, box.width());
        shownFlags &= ~Qt::TextShowMnemonic;
    }
    paint([&](QPainter &p) {
        p.setClipRect(box);
        if (m_bkMode == Opaque)
            p.fillRect(box, toColor(m_bkColor));
        p.setPen(toColor(m_textColor));
        if (isSymbolFont(m_font)) {
            const int side = std::min({box.width(), box.height(), std::max(fm.height(), 8)});
            QRectF glyphBox(0, 0, side, side);
            glyphBox.moveCenter(QRectF(box).center());
            for (QChar c : shown)
                drawSymbol(p, c, glyphBox);
            return;
        }
        p.setFont(m_font);
        p.drawText(box, shownFlags, shown);
    });
    return fm.height();
}

void DeviceContext::drawSymbol(QPainter &p, QChar glyph, const QRectF &box) const
{
    p.setRenderHint(QPainter::Antialiasing);
    const QColor color = toColor(m_textColor);
    const qreal s = box.width();
    switch (glyph.unicode()) {
    case 'a':
    case 'b': { // check mark
        QPainterPath path;
        path.moveTo(box.left() + 0.18 * s, box.top() + 0.52 * s);
        path.lineTo(box.left() + 0.42 * s, box.top() + 0.76 * s);
        path.lineTo(box.left() + 0.84 * s, box.top() + 0.26 * s);
        p.setPen(QPen(color, std::max(1.5, s / 6.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        break;
    }
    case 'h':
    case 'i': { // bullet of a radio item
        const qreal r = (glyph == u'h' ? 0.18 : 0.26) * s;
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawEllipse(box.center(), r, r);
        break;
    }
    case 'r': { // close
        const qreal m = 0.25 * s;
        p.setPen(QPen(color, std::max(1.2, s / 8.0)));
        p.drawLine(QPointF(box.left() + m, box.top() + m), QPointF(box.right() - m, box.bottom() - m));
        p.drawLine(QPointF(box.right() - m, box.top() + m), QPointF(box.left() + m, box.bottom() - m));
        break;
    }
    case '0': // minimise
        p.fillRect(QRectF(box.left() + 0.25 * s, box.top() + 0.7 * s, 0.5 * s, std::max(1.5, s / 8.0)), color);
        break;
    case '1': // maximise
    case '2': { // restore
        p.setPen(QPen(color, 1));
        p.setBrush(Qt::NoBrush);
        if (glyph == u'1') {
            p.drawRect(QRectF(box.left() + 0.22 * s, box.top() + 0.22 * s, 0.56 * s, 0.56 * s));
        } else {
            p.drawRect(QRectF(box.left() + 0.35 * s, box.top() + 0.2 * s, 0.45 * s, 0.45 * s));
            p.drawRect(QRectF(box.left() + 0.2 * s, box.top() + 0.35 * s, 0.45 * s, 0.45 * s));
        }
        break;
    }
    default:
        break;
    }
}

void DeviceContext::drawEdge(const WinRect &rect, UINT edge, UINT flags)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    using WS = WindowSystem;
    struct Ring {
        UINT raised, sunken;
        int tlRaised, brRaised, tlSunken, brSunken;
    };
    const Ring rings[2] = {
        {bdr::RaisedOuter, bdr::SunkenOuter, syscolor::Light3D, syscolor::DkShadow3D, syscolor::BtnShadow,
         syscolor::BtnHighlight},
        {bdr::RaisedInner, bdr::SunkenInner, syscolor::BtnHighlight, syscolor::BtnShadow, syscolor::DkShadow3D,
         syscolor::Light3D},
    };
    paint([&](QPainter &p) {
        QRect r(rect.left, rect.top, rect.width(), rect.height());
        for (const Ring &ring : rings) {
            int tl = -1, br = -1;
            if (edge & ring.raised) {
                tl = ring.tlRaised;
                br = ring.brRaised;
            } else if (edge & ring.sunken) {
                tl = ring.tlSunken;
                br = ring.brSunken;
            }
            if (tl >= 0 && r.width() > 0 && r.height() > 0) {
                const QColor cTl = toColor(WS::sysColor(tl));
                const QColor cBr = toColor(WS::sysColor(br));
                if (flags & bf::Top)
                    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), cTl);
                if (flags & bf::Left)
                    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), cTl);
                if (flags & bf::Bottom)
                    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), cBr);
                if (flags & bf::Right)
                    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), cBr);
            }
            // The inner ring lies one pixel inside the outer one on the drawn sides.
            if (tl >= 0)
                r.adjust((flags & bf::Left) ? 1 : 0, (flags & bf::Top) ? 1 : 0, (flags & bf::Right) ? -1 : 0,
                         (flags & bf::Bottom) ? -1 : 0);
        }
    });
}

} // namespace velmora::skin
