#pragma once

#include "skin/WinDefs.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>
#include <functional>

class QPainter;

namespace velmora::skin {

// A drawing context: either a memory surface (an image it draws into) or a
// painter that is open inside a paint event (owner-drawn menu items). It keeps
// the selected font, the text colour and the background mode, and offers the
// few drawing operations the skin uses: copying pixels, filling, text and
// three-dimensional edges. A context handed out for a window runs its release
// step when it is destroyed.
class DeviceContext {
public:
    enum BkMode { Transparent = 1, Opaque = 2 };

    explicit DeviceContext(QImage *target);
    explicit DeviceContext(QPainter *painter);
    ~DeviceContext();
    DeviceContext(const DeviceContext &) = delete;
    DeviceContext &operator=(const DeviceContext &) = delete;

    // Runs when the context is destroyed (a window's context schedules a repaint).
    void setReleaseStep(std::function<void()> step) { m_release = std::move(step); }

    QImage *image() const { return m_image; }
    QPainter *painter() const { return m_painter; }

    // Selects a font and returns the one it displaced.
    QFont selectFont(const QFont &font);
    const QFont &font() const { return m_font; }
    COLORREF setTextColor(COLORREF color);
    COLORREF textColor() const { return m_textColor; }
    int setBkMode(int mode);
    COLORREF setBkColor(COLORREF color);
    int logPixelsY() const { return m_logPixelsY; }

    // Copies w x h pixels from (sx, sy) of src to (x, y); parts outside src are left alone.
    void bitBlt(int x, int y, int w, int h, const DeviceContext &src, int sx, int sy);
    void bitBlt(int x, int y, int w, int h, const QImage &src, int sx, int sy);
    void fillRect(const WinRect &rect, COLORREF color);
    // Draws (or with dt::CalcRect measures) text; returns the text height.
    int drawText(const QString &text, WinRect &rect, UINT format);
    QSize textExtent(const QString &text) const;
    void drawEdge(const WinRect &rect, UINT edge, UINT flags);

    static QColor toColor(COLORREF color);

private:
    template <typename F> void paint(F &&draw);
    void drawSymbol(QPainter &p, QChar glyph, const QRectF &box) const;

    QImage *m_image = nullptr;
    QPainter *m_painter = nullptr;
    QFont m_font;
    COLORREF m_textColor = 0;
    COLORREF m_bkColor = 0xFFFFFF;
    int m_bkMode = Opaque;
    int m_logPixelsY = 96;
    std::function<void()> m_release;
};

} // namespace velmora::skin
