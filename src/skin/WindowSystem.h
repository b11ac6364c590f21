#pragma once

#include "skin/WinDefs.h"

#include <QByteArray>
#include <Qt>
#include <QString>
#include <memory>

class QWidget;

namespace velmora::skin {

class DeviceContext;

// The window services the skin stands on, over Qt widgets: window handles
// (native window ids), each window's procedure and property list, messages,
// style bits, rectangles, activation, painting contexts and system values.
// A window gets its message layer (MessageWindow) the first time its
// procedure is replaced.
class WindowSystem {
public:
    // Handles.
    static HWND handleOf(QWidget *widget);
    static QWidget *widgetOf(HWND hwnd);
    static bool isWindow(HWND hwnd);
    // Whether the window is one of this program's own widgets (not a foreign window).
    static bool isOwnWindow(HWND hwnd);

    // Procedures and messages.
    static WNDPROC windowProc(HWND hwnd);
    // Replaces the window procedure; returns the previous one, nullptr on failure.
    static WNDPROC setWindowProc(HWND hwnd, WNDPROC proc);
    static LRESULT callWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT sendMessage(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0);
    // Queues a message; it is dispatched from the event loop if the window still exists.
    static bool postMessage(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0);

    // The window's property list.
    static qintptr prop(HWND hwnd, const QByteArray &name);
    static bool setProp(HWND hwnd, const QByteArray &name, qintptr value);
    static qintptr removeProp(HWND hwnd, const QByteArray &name);

    // Style bits.
    // The caption bits a top-level window's flags ask for: without explicit
    // hints a dialog has a close box only and other windows have all three.
    static quint32 captionStyle(Qt::WindowFlags flags);
    static quint32 style(HWND hwnd);
    static void setStyle(HWND hwnd, quint32 style);

    // Geometry: screen coordinates for top-level windows, the parent's client
    // coordinates for child windows when asked for.
    static WinRect windowRect(HWND hwnd);
    static WinRect windowRectInParent(HWND hwnd);
    static void moveWindow(HWND hwnd, int x, int y);
    static void setWindowPos(HWND hwnd, UINT flags);
    static bool isVisible(HWND hwnd);
    static bool isZoomed(HWND hwnd);
    // The place a maximised or minimised window returns to when restored.
    static WinRect restoreRect(HWND hwnd);
    // Restores a maximised or minimised window to the given place.
    static void restoreTo(HWND hwnd, const WinRect &rect);
    static HWND parent(HWND hwnd);
    static QString className(HWND hwnd);
    static HWND findChild(HWND parent, const QString &className);
    static QString windowText(HWND hwnd);

    // Activation and focus.
    static HWND activeWindow();
    static void setForegroundWindow(HWND hwnd);
    static void setFocus(HWND hwnd);
    // Hands a move or resize with the held mouse button to the window
    // manager; false when there is none to do it.
    static bool startSystemMove(HWND hwnd);
    static bool startSystemResize(HWND hwnd, Qt::Edges edges);
    static void releaseCapture();

    // Painting. The window context draws into the window's retained frame
    // image; releasing it (destroying the context) repaints the frame.
    static std::unique_ptr<DeviceContext> windowDC(HWND hwnd);
    static void redrawWindow(HWND hwnd, UINT flags);
    static void refresh(HWND hwnd);
    // Locks drawing of one window (0 unlocks); one window at a time.
    static bool lockWindowUpdate(HWND hwnd);

    // Menus attached to windows.
    static HMENU menu(HWND hwnd);
    static bool setMenu(HWND hwnd, HMENU menu);

    // System values.
    static int systemMetric(int index);
    static COLORREF sysColor(int index);
    // A colour value (RGB or system colour index with the top bit) as RGB; -1 if it has none.
    static COLORREF translateColor(OLE_COLOR color);
    static int screenLogPixelsY();
};

} // namespace velmora::skin
