#pragma once

#include <QPoint>
#include <QString>
#include <Qt>

#include <functional>

class QAction;
class QMenu;
class QToolButton;
class QWidget;
class QWindow;

namespace velmora::test {

// Input the way a person gives it: every key and click goes to the
// top-level window and takes Qt's own road from there (the shortcut map,
// the focus widget, the widget under the pointer). Positions are a child
// widget's own and are mapped into its window.
namespace input {

// The window that holds a widget, shown, exposed and active.
QWindow *windowOf(QWidget *widget);
// Shows a top-level widget and waits until it is exposed and active.
bool showActive(QWidget *window);

// A point of a widget (its centre by default) in its window's coordinates.
QPoint inWindow(QWidget *widget, QPoint local = QPoint(-1, -1));

void click(QWidget *widget, QPoint local = QPoint(-1, -1), Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = {});
void doubleClick(QWidget *widget, QPoint local = QPoint(-1, -1));
// Presses the left button on a point of the widget, moves to another point
// (in the widget's coordinates, inside it or not) and lets go there.
void drag(QWidget *widget, QPoint from, QPoint to);

// A key to whatever has the focus in the widget's window.
void key(QWidget *anyInWindow, Qt::Key key, Qt::KeyboardModifiers modifiers = {});
// Characters as key presses carrying their text, as a keyboard (or a
// program typing for the person) delivers them.
void keys(QWidget *anyInWindow, const QString &text);
// Text committed by an input method to the focus object, as Chinese is
// usually typed.
void commit(const QString &text);

// Clicks into a widget, then types the text (ASCII as key presses, other
// characters committed by the input method).
void typeInto(QWidget *widget, const QString &text);
// Types the text to whatever has the focus, the same way.
void type(QWidget *anyInWindow, const QString &text);

// Chooses an entry of the popup menu that `open` brings up (a click on a
// tool button's arrow or on a caption menu entry): the entry, found by its
// name or its text, is clicked in the open popup.
bool chooseFromPopup(const std::function<void()> &open, const QString &entry);
// Chooses an entry of a tool button's drop-down menu with the mouse.
bool chooseFromButtonMenu(QToolButton *button, const QString &entry);
// Clicks an entry of an open popup menu.
void clickMenuEntry(QMenu *menu, QAction *action);

} // namespace input
} // namespace velmora::test
