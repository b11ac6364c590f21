#pragma once

#include <QProxyStyle>

class QMenu;

namespace velmora::skin {

// The style of a popup menu with owner-drawn items: such items are measured
// and drawn by the menu's owner window through wm::MeasureItem and
// wm::DrawItem; everything else is drawn as the application style draws it.
class OwnerDrawMenuStyle : public QProxyStyle {
    Q_OBJECT
public:
    OwnerDrawMenuStyle() = default;

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget = nullptr) const override;

private:
    static QAction *itemAt(const QMenu *menu, const QStyleOption *option);
    static QAction *itemNamed(const QMenu *menu, const QStyleOption *option);
    // The shortcut column width that the menu adds to its items on its own.
    static int shortcutColumn(const QMenu *menu);
};

} // namespace velmora::skin
