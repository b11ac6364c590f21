#pragma once

#include "skin/GSubclass.h"
#include "skin/ISubclass.h"
#include "skin/cMemDC.h"

#include <QFont>
#include <QObject>
#include <QList>
#include <memory>

namespace velmora::skin {

class CTimer;
class DeviceContext;
class cToolbarMenu;

// The window's menu drawn in the lower half of the custom caption. It lays
// out and draws the top-level entries that open popups, hot-tracks them,
// opens their popups below them (through cToolbarMenu), draws the popup
// items itself in the skin's colours and font, and answers Alt+letter and
// menu-letter keys. The menu stays the window's own: chosen items run their
// commands as from an ordinary menu.
class cMenuBar : public ISubclass {
public:
    cMenuBar();
    ~cMenuBar() override;
    cMenuBar(const cMenuBar &) = delete;
    cMenuBar &operator=(const cMenuBar &) = delete;

    HMENU hMenu() const { return m_hMenu; }
    void setHMenu(HMENU hMenu) { m_hMenu = hMenu; }
    void Attach(HWND lhWnd);
    void Detach();
    void setCaptionHeight(int lHeight) { m_lCaptionHeight = lHeight; }
    void Render(const QFont &hFnt, DeviceContext *lhDC, int lLeft, int lTop, int lWidth, int lHeight, int lYoffset);

    int MsgResponse() const override { return Consume; }
    void WindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam, LRESULT &lReturn) override;
    void m_cTmr_ThatTime();

    // Given by the caption painter.
    const QFont &MenuFont() const { return m_fntMenu; }
    void setMenuFont(const QFont &font);
    void setActiveMenuColor(OLE_COLOR color) { m_oActiveMenuColor = color; }
    void setActiveMenuColorOver(OLE_COLOR color) { m_oActiveMenuColorOver = color; }
    void setInActiveMenuColor(OLE_COLOR color) { m_oInActiveMenuColor = color; }
    void setMenuBackgroundColor(OLE_COLOR color) { m_oMenuBackgroundColor = color; }
    bool AltKeyAccelerator(int vKey);
    void InitMenuPopup(HMENU hPopup);
    void ExitMenuLoop() { RestorePopups(); }

    // Keyboard access: Alt pressed and released alone, or F10, highlights the
    // first entry; Left and Right move the highlight, Down, Up, Enter, Space or
    // an entry's letter open its popup with its first item selected, Escape,
    // Alt or F10 leave. Every key of the active window comes here first;
    // true if it was used.
    bool KeyboardKey(int vKey, bool bDown);
    bool KeyboardMode() const { return m_bKeyboard; }
    void EnterKeyboardMode(int iEntry = 1);
    void ExitKeyboardMode(bool bRepaint = true);
    bool Tracking() const;

    // The entries as laid out by the last Render (1-based).
    int EntryCount() const { return int(m_entries.size()); }
    int EntryAt(const QPoint &screenPoint) const;
    WinRect EntryScreenRect(int iEntry) const;
    HMENU EntryPopup(int iEntry) const;
    int CurrentEntry() const { return m_iCurrent; }
    void setCurrentEntry(int iEntry);
    int HoverEntry() const { return m_iHover; }
    void setHoverEntry(int iEntry);
    // The converted popup items (kept while a popup is open).
    int PopupItemRecords() const { return int(m_records.size()); }

private:
    struct Entry {
        WinRect rect;
        HMENU popup = nullptr;
    };
    struct ItemRecord {
        HMENU hMenu = nullptr;
        int position = 0;
        MenuItemInfo info;
        QString caption;
        QString shortcut;
        QChar accelerator;
        int widestCaption = 0;
        int widestShortcut = 0;
    };

    void RepaintNC();
    void HoverTracking();
    void RunPopupLoop(int iEntry, bool bKeyboard = false);
    void RestorePopups();
    void DrawItem(const DrawItemStruct &dis);
    void MeasureItem(MeasureItemStruct &mis);
    LRESULT MenuChar(WPARAM wParam, LPARAM lParam);
    ItemRecord *recordFor(UINT itemID, quintptr itemData);
    static ItemRecord makeRecord(HMENU hMenu, int position, const MenuItemInfo &info);

    GSubclass m_gSubclass;
    HWND m_hWnd = 0;
    HMENU m_hMenu = nullptr;
    int m_lCaptionHeight = 0;
    cMemDC m_cMemDC;
    QList<Entry> m_entries;
    int m_iCurrent = 0;
    int m_iHover = 0;
    OLE_COLOR m_oActiveMenuColor = 0;
    OLE_COLOR m_oActiveMenuColorOver = 0;
    OLE_COLOR m_oInActiveMenuColor = 0x808080;
    OLE_COLOR m_oMenuBackgroundColor = 0xFFFFFF;
    QFont m_fntMenu;
    QFont m_fntSymbol;
    std::unique_ptr<CTimer> m_cTmr;
    std::unique_ptr<cToolbarMenu> m_cToolbarMenu;
    QList<ItemRecord> m_records;
    QList<HMENU> m_converted;
    int m_lItemHeight = 0;
    bool m_bKeyboard = false;
    bool m_bAltAlone = false;
    std::unique_ptr<QObject> m_keyboardWatch;
};

} // namespace velmora::skin
