#pragma once

#include "skin/INCAreaModifier.h"
#include "skin/cMemDC.h"

#include <QFont>
#include <QImage>
#include <memory>

class QWidget;

namespace velmora::skin {

class cMenuBar;
class cNCCalcSize;

// A form's custom look: a caption strip cut from the caption image (left
// piece, tiled middle, right piece with the close, maximise and minimise
// buttons) whose upper half holds the title and whose lower half holds the
// form's menu bar, and a frame tiled from the border image. It owns the
// non-client area manager, the menu bar and four drawing surfaces.
class cNeoCaption : public INCAreaModifier {
public:
    cNeoCaption();
    ~cNeoCaption() override;
    cNeoCaption(const cNeoCaption &) = delete;
    cNeoCaption &operator=(const cNeoCaption &) = delete;

    void Detach();
    void Attach(QWidget *form, const QImage &PicCaption, const QImage &PicBorder, int lButtonWidth, int lButtonHeight,
                int lActiveLeftEnd, int lActiveRightStart, int lActiveRightEnd, int lInactiveOffset);

    OLE_COLOR MenuBackgroundColor() const { return m_oMenuBackgroundColor; }
    void setMenuBackgroundColor(OLE_COLOR color) { m_oMenuBackgroundColor = color; }
    OLE_COLOR ActiveCaptionColor() const { return m_oActiveCaptionColor; }
    void setActiveCaptionColor(OLE_COLOR color) { m_oActiveCaptionColor = color; }
    OLE_COLOR InActiveCaptionColor() const { return m_oInActiveCaptionColor; }
    void setInActiveCaptionColor(OLE_COLOR color) { m_oInActiveCaptionColor = color; }
    const QFont &CaptionFont() const { return m_fntCaption; }
    void setCaptionFont(const QFont &font) { m_fntCaption = font; }
    const QFont &MenuFont() const { return m_fntMenu; }
    void setMenuFont(const QFont &font) { m_fntMenu = font; }
    OLE_COLOR ActiveMenuColor() const { return m_oActiveMenuColor; }
    OLE_COLOR ActiveMenuColorOver() const { return m_oActiveMenuColorOver; }
    OLE_COLOR InActiveMenuColor() const { return m_oInActiveMenuColor; }
    void setActiveMenuColor(OLE_COLOR color) { m_oActiveMenuColor = color; }
    void setActiveMenuColorOver(OLE_COLOR color) { m_oActiveMenuColorOver = color; }
    void setInActiveMenuColor(OLE_COLOR color) { m_oInActiveMenuColor = color; }

    // INCAreaModifier
    HWND hwnd() const override { return m_hWnd; }
    int GetTopMarginHeight() override;
    int GetLeftMarginWidth() override;
    int GetRightMarginWidth() override;
    int GetBottomMarginHeight() override;
    void NCPaint(DeviceContext *hdc, int lLeft, int lTop, int lRight, int lBottom) override;
    void HitTest(int x, int y, int &eHitTest) override;
    void NCMouseDown(int x, int y, bool &bHandled, DeviceContext *hdc, int lLeft, int lTop, int lRight,
                     int lBottom) override;
    void NCMouseUp(int x, int y, DeviceContext *hdc, int lLeft, int lTop, int lRight, int lBottom) override;
    void InitMenuPopup(WPARAM wParam, LPARAM lParam) override;
    void ExitMenuLoop() override;
    void AltKeyAccelerator(int vKey, bool &bHandled) override;
    void MenuKey(int vKey, bool bDown, bool &bHandled) override;

    // Opens the window menu below the caption (a press on the icon, Alt+Space).
    void ShowSystemMenu();

    cNCCalcSize *NCCalcSize() const { return m_cNCS.get(); }
    cMenuBar *MenuBar() const { return m_cMenu.get(); }

private:
    enum Button { Close = 0, Maximise = 1, Minimise = 2 };

    void refreshPresence();
    int glyphX(int button) const;
    void drawButton(DeviceContext *hdc, int button, bool pressed);

    HWND m_hWnd = 0;
    std::unique_ptr<cNCCalcSize> m_cNCS;
    std::unique_ptr<cMenuBar> m_cMenu;
    cMemDC m_cCaption;
    cMemDC m_cBorder;
    cMemDC m_cCaptionWork;
    cMemDC m_cBorderWork;
    int m_lButtonWidth = 0;
    int m_lButtonHeight = 0;
    int m_lActiveLeftEnd = 0;
    int m_lActiveRightStart = 0;
    int m_lActiveRightEnd = 0;
    int m_lInactiveOffset = 0;
    WinRect m_rcButton[3];
    bool m_bPresent[3] = {false, false, false};
    bool m_bPressed[3] = {false, false, false};

    OLE_COLOR m_oActiveCaptionColor = 0xCCCCCC;
    OLE_COLOR m_oInActiveCaptionColor = 0x999999;
    QFont m_fntCaption;
    QFont m_fntMenu;
    OLE_COLOR m_oActiveMenuColor = 0;
    OLE_COLOR m_oActiveMenuColorOver = 0;
    OLE_COLOR m_oInActiveMenuColor = 0x808080;
    OLE_COLOR m_oMenuBackgroundColor = 0xFFFFFF;
};

} // namespace velmora::skin
