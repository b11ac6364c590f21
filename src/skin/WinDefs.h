#pragma once

// Numbers, flags and records of the skin's window layer. The skin's classes
// talk to windows through messages with these numbers; the layer (WindowSystem,
// MessageWindow, MenuApi, ...) turns Qt's events into them and back.

#include <QPoint>
#include <QString>
#include <QtGlobal>

class QWidget;

namespace velmora::skin {

class DeviceContext;

using HWND = quintptr;   // the native window id of a widget
using HMENU = QWidget *; // a QMenuBar or a QMenu
using UINT = quint32;
using WPARAM = quintptr;
using LPARAM = qintptr;
using LRESULT = qintptr;
using COLORREF = qint32; // 00BBGGRR, -1 when a colour could not be translated
using OLE_COLOR = quint32; // COLORREF or 0x80000000 + system colour index
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

namespace wm {
constexpr UINT Destroy = 2;
constexpr UINT Size = 5;
constexpr UINT SetText = 12;
constexpr UINT ActivateApp = 28;
constexpr UINT CancelMode = 31;
constexpr UINT SetCursor = 32;
constexpr UINT ChildActivate = 34;
constexpr UINT DrawItem = 43;
constexpr UINT MeasureItem = 44;
constexpr UINT StyleChanged = 125;
constexpr UINT NcCalcSize = 131;
constexpr UINT NcHitTest = 132;
constexpr UINT NcPaint = 133;
constexpr UINT NcActivate = 134;
constexpr UINT NcMouseMove = 160;
constexpr UINT NcLButtonDown = 161;
constexpr UINT NcLButtonUp = 162;
constexpr UINT NcLButtonDblClk = 163;
constexpr UINT KeyDown = 256;
constexpr UINT SysCommand = 274;
constexpr UINT InitMenu = 278;
constexpr UINT InitMenuPopup = 279;
constexpr UINT MenuSelect = 287;
constexpr UINT MenuChar = 288;
constexpr UINT MouseMove = 512;
constexpr UINT LButtonDown = 513;
constexpr UINT LButtonUp = 514;
constexpr UINT LButtonDblClk = 515;
constexpr UINT EnterMenuLoop = 529;
constexpr UINT ExitMenuLoop = 530;
} // namespace wm

// Hit codes of the non-client area.
namespace ht {
constexpr int Nowhere = 0;
constexpr int Client = 1;
constexpr int Caption = 2;
constexpr int SysMenu = 3;
constexpr int Menu = 5;
constexpr int Left = 10;
constexpr int Right = 11;
constexpr int Top = 12;
constexpr int TopLeft = 13;
constexpr int TopRight = 14;
constexpr int Bottom = 15;
constexpr int BottomLeft = 16;
constexpr int BottomRight = 17;
} // namespace ht

// Window style bits.
namespace ws {
constexpr quint32 MaximizeBox = 0x10000;
constexpr quint32 MinimizeBox = 0x20000;
constexpr quint32 ThickFrame = 0x40000;
constexpr quint32 SysMenu = 0x80000;
constexpr quint32 Caption = 0xC00000;
constexpr quint32 Maximize = 0x1000000;
constexpr quint32 Visible = 0x10000000;
constexpr quint32 Minimize = 0x20000000;
constexpr quint32 Child = 0x40000000;
} // namespace ws

// System commands (first parameter of wm::SysCommand).
namespace sc {
constexpr UINT Size = 0xF000;
constexpr UINT Move = 0xF010;
constexpr UINT Minimize = 0xF020;
constexpr UINT Maximize = 0xF030;
constexpr UINT Close = 0xF060;
constexpr UINT Restore = 0xF120;
} // namespace sc

// Virtual keys.
namespace vk {
constexpr int LButton = 0x01;
constexpr int Return = 0x0D;
constexpr int Shift = 0x10;
constexpr int Control = 0x11;
constexpr int Menu = 0x12; // Alt
constexpr int Escape = 0x1B;
constexpr int Space = 0x20;
constexpr int Left = 0x25;
constexpr int Up = 0x26;
constexpr int Right = 0x27;
constexpr int Down = 0x28;
constexpr int Delete = 0x2E;
constexpr int F1 = 0x70;
constexpr int F10 = 0x79;
constexpr int F12 = 0x7B;
} // namespace vk

// Menu item flags, types, states and masks.
namespace mf {
constexpr UINT Grayed = 0x1;
constexpr UINT Disabled = 0x2;
constexpr UINT Checked = 0x8;
constexpr UINT Popup = 0x10;
constexpr UINT Hilite = 0x80;
constexpr UINT OwnerDraw = 0x100;
constexpr UINT Separator = 0x800;
constexpr UINT SysMenu = 0x2000;
} // namespace mf
namespace mft {
constexpr UINT String = 0x0;
constexpr UINT OwnerDraw = 0x100;
constexpr UINT RadioCheck = 0x200;
constexpr UINT Separator = 0x800;
} // namespace mft
namespace mfs {
constexpr UINT Grayed = 0x3;
constexpr UINT Checked = 0x8;
} // namespace mfs
namespace miim {
constexpr UINT State = 0x1;
constexpr UINT Id = 0x2;
constexpr UINT SubMenu = 0x4;
constexpr UINT CheckMarks = 0x8;
constexpr UINT Type = 0x10;
constexpr UINT Data = 0x20;
} // namespace miim
// Answers to wm::MenuChar (high word).
namespace mnc {
constexpr int Ignore = 0;
constexpr int Close = 1;
constexpr int Execute = 2;
constexpr int Select = 3;
} // namespace mnc
// Owner-drawn items.
namespace odt {
constexpr UINT Menu = 1;
}
namespace ods {
constexpr UINT Selected = 0x1;
constexpr UINT Grayed = 0x2;
constexpr UINT Disabled = 0x4;
constexpr UINT Checked = 0x8;
} // namespace ods

// Text drawing flags.
namespace dt {
constexpr UINT Left = 0x0;
constexpr UINT Center = 0x1;
constexpr UINT VCenter = 0x4;
constexpr UINT SingleLine = 0x20;
constexpr UINT CalcRect = 0x400;
constexpr UINT NoPrefix = 0x800;
constexpr UINT EndEllipsis = 0x8000;
} // namespace dt

// Edges and their sides.
namespace bdr {
constexpr UINT RaisedOuter = 0x1;
constexpr UINT SunkenOuter = 0x2;
constexpr UINT RaisedInner = 0x4;
constexpr UINT SunkenInner = 0x8;
} // namespace bdr
namespace bf {
constexpr UINT Left = 0x1;
constexpr UINT Top = 0x2;
constexpr UINT Right = 0x4;
constexpr UINT Bottom = 0x8;
constexpr UINT Rect = 0xF;
} // namespace bf

// Window position and redraw flags.
namespace swp {
constexpr UINT NoSize = 0x1;
constexpr UINT NoMove = 0x2;
constexpr UINT NoZOrder = 0x4;
constexpr UINT FrameChanged = 0x20;
constexpr UINT NoOwnerZOrder = 0x200;
} // namespace swp
namespace rdw {
constexpr UINT Invalidate = 0x1;
constexpr UINT InternalPaint = 0x2;
constexpr UINT AllChildren = 0x80;
constexpr UINT UpdateNow = 0x100;
constexpr UINT Frame = 0x400;
} // namespace rdw

// Popup tracking flags.
namespace tpm {
constexpr UINT LeftAlign = 0x0;
constexpr UINT Vertical = 0x40;
} // namespace tpm

// Hook codes.
namespace hc {
constexpr int Action = 0;
}
namespace msgf {
constexpr int Menu = 2;
}

// System metrics and colour indexes.
namespace sm {
constexpr int CxScreen = 0;
constexpr int CyScreen = 1;
constexpr int CyCaption = 4;
constexpr int CxFrame = 32;
constexpr int CyFrame = 33;
} // namespace sm
namespace syscolor {
constexpr int ActiveCaption = 2;
constexpr int InactiveCaption = 3;
constexpr int CaptionText = 9;
constexpr int ActiveBorder = 10;
constexpr int InactiveBorder = 11;
constexpr int BtnFace = 15;
constexpr int BtnShadow = 16;
constexpr int GrayText = 17;
constexpr int InactiveCaptionText = 19;
constexpr int BtnHighlight = 20;
constexpr int DkShadow3D = 21;
constexpr int Light3D = 22;
} // namespace syscolor

// A rectangle whose right and bottom lie just outside it.
struct WinRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    WinRect moved(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    bool operator==(const WinRect &) const = default;
};

// Where a window is about to be (second parameter of wm::NcCalcSize).
struct WindowPos {
    HWND hwnd = 0;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
};

// rgrc[0]: the new window rectangle in, the new client rectangle out.
struct NcCalcSizeParams {
    WinRect rgrc[3];
    WindowPos *lppos = nullptr;
};

struct StyleStruct {
    quint32 styleOld = 0;
    quint32 styleNew = 0;
};

struct MenuItemInfo {
    UINT fMask = 0;
    UINT fType = 0;
    UINT fState = 0;
    UINT wID = 0;
    HMENU hSubMenu = nullptr;
    quintptr hbmpChecked = 0;
    quintptr hbmpUnchecked = 0;
    quintptr dwItemData = 0;
    QString dwTypeData;
};

struct DrawItemStruct {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemAction = 0;
    UINT itemState = 0;
    HMENU hwndItem = nullptr;
    DeviceContext *hDC = nullptr;
    WinRect rcItem;
    quintptr itemData = 0;
};

struct MeasureItemStruct {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemWidth = 0;
    UINT itemHeight = 0;
    quintptr itemData = 0;
};

// One message as a hook sees it; pt is in screen coordinates.
struct Msg {
    HWND hwnd = 0;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    quint32 time = 0;
    QPoint pt;
};

constexpr LPARAM makeLParam(int lo, int hi)
{
    return LPARAM(quint32(quint16(lo)) | (quint32(quint16(hi)) << 16));
}
constexpr int loWord(qint64 v) { return int(quint16(v & 0xFFFF)); }
constexpr int hiWord(qint64 v) { return int(quint16((v >> 16) & 0xFFFF)); }
// Signed coordinates packed into a parameter.
constexpr int xOf(LPARAM lp) { return int(qint16(lp & 0xFFFF)); }
constexpr int yOf(LPARAM lp) { return int(qint16((lp >> 16) & 0xFFFF)); }

} // namespace velmora::skin
