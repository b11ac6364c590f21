#pragma once

#include "skin/WinDefs.h"

#include <QPoint>
#include <QRect>

namespace velmora::skin {

// The window menu of a skinned window, opened from its caption icon: 还原,
// 移动, 大小, 最小化, 最大化 and 关闭, enabled as the window's state and caption
// buttons allow. A chosen entry posts its system command to the window.
class SystemMenu {
public:
    enum Result { Dismissed, Chosen, IconDoubleClicked };

    // The system command of each entry, in menu order.
    static constexpr UINT Commands[6] = {sc::Restore, sc::Move, sc::Size, sc::Minimize, sc::Maximize, sc::Close};

    // Whether the entry for a command is enabled for the window now.
    static bool isEnabled(HWND hwnd, UINT command);

    // Opens the menu at a screen point and returns when it closes. A second
    // press on the icon within the double-click time closes the menu and
    // posts the close command: a double click on the icon closes the window.
    static Result track(HWND hwnd, const QPoint &at, const QRect &iconOnScreen);
};

} // namespace velmora::skin
