#pragma once

#include "skin/WinDefs.h"

#include <QImage>
#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRegion>

class QEvent;
class QMouseEvent;
class QWidget;

namespace velmora::skin {

// The message layer of one window. It turns the window's Qt events into
// messages sent through the window's current procedure (mouse in the frame
// and in the client area, activation, text, size, style, paint, destroy),
// keeps the window's style bits and menu, and owns the retained image of the
// frame: the non-client area is painted into it by the paint message and
// shown around the client area, which the frame margins (contents margins of
// a frameless top-level window) keep inside.
class MessageWindow : public QObject {
    Q_OBJECT
public:
    static MessageWindow *find(HWND hwnd);
    static MessageWindow *find(QWidget *widget);
    static MessageWindow *ensure(QWidget *widget);
    static QList<MessageWindow *> all();

    ~MessageWindow() override;

    // The widget, also while its destructor sends the destroy message.
    QWidget *widget() const;
    HWND hwnd() const { return m_hwnd; }
    bool isDying() const { return m_dying; }
    // A frameless top-level window: the layer sizes and paints its frame.
    bool drawsFrame() const;

    WNDPROC proc() const { return m_proc; }
    void setProc(WNDPROC proc) { m_proc = proc; }
    LRESULT send(UINT msg, WPARAM wp, LPARAM lp);

    quint32 style() const;
    void setStyle(quint32 style);

    HMENU menu() const;
    void setMenu(HMENU menu);

    // The frame image, the size of the window.
    QImage &surface();
    QRegion frameRegion() const;
    // The next paint sends the paint message first.
    void invalidateFrame();
    // Recomputes the margins through the calculate-size message and repaints.
    void frameChanged();
    // A window context was released: show what was drawn.
    void frameDrawn();

    // Called by the default procedure: Qt handles the event that became the message.
    void passToWidget() { m_passThrough = true; }

    // Cursor shape for a frame zone (the default answer to the cursor message).
    void setFrameCursor(int hitCode);
    void leaveFrameCursor();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit MessageWindow(QWidget *widget);

    int hitTest(const QPoint &globalPos);
    bool mouseEvent(QMouseEvent *event);
    // Sends a client-area mouse message; returns whether Qt should handle the event.
    bool sendClientMouse(UINT msg, const QMouseEvent *event);
    bool paintEvent(QEvent *event);
    void windowDestroyed();
    quint32 liveBits() const;

    QPointer<QWidget> m_widget;
    QWidget *m_rawWidget = nullptr; // still valid while the widget's destructor runs
    HWND m_hwnd = 0;
    WNDPROC m_proc = nullptr;
    quint32 m_style = 0;
    bool m_visibleCleared = false;
    bool m_dying = false;
    QPointer<QWidget> m_menu;
    bool m_menuRemoved = false;
    int m_menuMaxHeight = 0;
    QImage m_surface;
    bool m_surfaceValid = false;
    bool m_inPaint = false;
    bool m_passThrough = false;
    bool m_cursorSet = false;
};

} // namespace velmora::skin
