#include "skin/cMenuBar.h"

#include "skin/CTimer.h"
#include "skin/DeviceContext.h"
#include "skin/LogFont.h"
#include "skin/MenuApi.h"
#include "skin/SystemInput.h"
#include "skin/WindowSystem.h"
#include "skin/cToolbarMenu.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>

namespace velmora::skin {

namespace {

using WS = WindowSystem;

constexpr UINT AttachedMessages[] = {wm::LButtonDown, wm::MouseMove, wm::DrawItem, wm::MeasureItem, wm::MenuChar};

// A font object as the font the system draws with.
QFont drawingFont(const QFont &font) { return LogFont::fromFont(font, WS::screenLogPixelsY()).createFont(); }

// The character after the first "&", upper-cased; none when "&" is the last character.
QChar acceleratorOf(const QString &text)
{
    const qsizetype amp = text.indexOf(u'&');
    if (amp < 0 || amp >= text.size() - 1)
        return {};
    return text.at(amp + 1).toUpper();
}

} // namespace

cMenuBar::cMenuBar()
{
    m_fntMenu = QFont(QStringLiteral("MS Sans Serif"));
    m_fntMenu.setPointSizeF(8);
    m_fntSymbol = QFont(QStringLiteral("Marlett"));
    m_fntSymbol.setPointSizeF(m_fntMenu.pointSizeF() * 1.2);
}

cMenuBar::~cMenuBar() { Detach(); }

void cMenuBar::setMenuFont(const QFont &font) { m_fntMenu = font; }

// ------------------------------------------------------------------ attach

void cMenuBar::Attach(HWND lhWnd)
{
    WS::lockWindowUpdate(lhWnd);
    Detach();
    m_hWnd = lhWnd;
    m_cToolbarMenu = std::make_unique<cToolbarMenu>();
    m_cToolbarMenu->Initialise(lhWnd, this);
    for (UINT msg : AttachedMessages)
        m_gSubclass.AttachMessage(this, m_hWnd, msg);
    WS::lockWindowUpdate(0);
}

void cMenuBar::Detach()
{
    if (m_hWnd)
        for (UINT msg : AttachedMessages)
            m_gSubclass.DetachMessage(this, m_hWnd, msg);
    if (m_cToolbarMenu)
        m_cToolbarMenu->Terminate();
    m_hWnd = 0;
}

// ------------------------------------------------------------------ the bar

void cMenuBar::Render(const QFont &hFnt, DeviceContext *lhDC, int lLeft, int lTop, int lWidth, int lHeight,
                      int lYoffset)
{
    if (!m_hMenu || !lhDC)
        return;
    m_cMemDC.setWidth(lWidth);
    m_cMemDC.setHeight(lHeight);
    DeviceContext *dc = m_cMemDC.hdc();
    m_entries.clear();
    if (!dc)
        return;
    const QFont oldFont = dc->selectFont(hFnt);
    const int count = MenuApi::itemCount(m_hMenu);
    if (count > 0) {
        dc->bitBlt(0, 0, lWidth, lHeight, *lhDC, lLeft, lTop + 2);
        dc->setBkMode(DeviceContext::Transparent);
        int x = 8;
        for (int i = 0; i < count; ++i) {
            if (MenuApi::itemId(m_hMenu, i) != -1)
                continue; // only entries that open a popup are shown
            MenuItemInfo info;
            MenuApi::getItemInfo(m_hMenu, UINT(i), true, info);
            const QString text = info.dwTypeData.left(127);
            WinRect rcText{x, 2, x, 2};
            dc->drawText(text, rcText, dt::CalcRect | dt::SingleLine);
            const WinRect rcEntry{rcText.left - 2, rcText.top - 2, rcText.right + 2, rcText.bottom + 2};
            const int n = int(m_entries.size()) + 1;
            const bool isCurrent = n == m_iCurrent, isHover = n == m_iHover;
            if (isCurrent && isHover) {
                dc->setTextColor(WS::translateColor(m_oActiveMenuColorOver));
                dc->drawEdge(rcEntry, bdr::SunkenOuter, bf::Rect);
                rcText = rcText.moved(1, 1);
            } else if (isCurrent || isHover) {
                dc->setTextColor(WS::translateColor(m_oActiveMenuColorOver));
                dc->drawEdge(rcEntry, bdr::RaisedInner, bf::Rect);
            } else {
                dc->setTextColor(WS::translateColor(m_oActiveMenuColor));
            }
            dc->drawText(text, rcText, dt::SingleLine);
            m_entries.append({rcEntry.moved(lLeft, lYoffset), info.hSubMenu});
            x += (rcText.right - rcText.left) + 11;
        }
        lhDC->bitBlt(lLeft, lTop + 2, lWidth, lHeight, *dc, 0, 0);
    }
    dc->selectFont(oldFont);
}

int cMenuBar::EntryAt(const QPoint &screenPoint) const
{
    const WinRect wr = WS::windowRect(m_hWnd);
    const int x = screenPoint.x() - wr.left;
    const int y = screenPoint.y() - (wr.top + m_lCaptionHeight);
    for (int n = 1; n <= int(m_entries.size()); ++n)
        if (m_entries[n - 1].rect.contains(x, y))
            return n;
    return 0;
}

WinRect cMenuBar::EntryScreenRect(int iEntry) const
{
    if (iEntry < 1 || iEntry > int(m_entries.size()))
        return {};
    const WinRect wr = WS::windowRect(m_hWnd);
    return m_entries[iEntry - 1].rect.moved(wr.left, wr.top + m_lCaptionHeight);
}

HMENU cMenuBar::EntryPopup(int iEntry) const
{
    return iEntry >= 1 && iEntry <= int(m_entries.size()) ? m_entries[iEntry - 1].popup : nullptr;
}

void cMenuBar::setCurrentEntry(int iEntry)
{
    m_iCurrent = iEntry;
    RepaintNC();
}

void cMenuBar::setHoverEntry(int iEntry)
{
    m_iHover = iEntry;
    RepaintNC();
}

void cMenuBar::RepaintNC()
{
    if (m_hWnd)
        WS::sendMessage(m_hWnd, wm::NcPaint, 0, 0);
}

// ------------------------------------------------------------------ mouse and keys

void cMenuBar::WindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam, LRESULT &lReturn)
{
    switch (iMsg) {
    case wm::MouseMove:
        m_gSubclass.CallOldWindowProc(hwnd, iMsg, wParam, lParam);
        HoverTracking();
        break;
    case wm::LButtonDown: {
        m_gSubclass.CallOldWindowProc(hwnd, iMsg, wParam, lParam);
        const int entry = EntryAt(SystemInput::cursorPos());
        if (entry != m_iCurrent) {
            m_iCurrent = entry;
            RepaintNC();
        }
        if (m_iCurrent > 0)
            RunPopupLoop(m_iCurrent);
        break;
    }
    case wm::DrawItem: {
        const auto *dis = reinterpret_cast<const DrawItemStruct *>(lParam);
        if (dis->CtlType == odt::Menu)
            DrawItem(*dis);
        else
            lReturn = m_gSubclass.CallOldWindowProc(hwnd, iMsg, wParam, lParam);
        break;
    }
    case wm::MeasureItem: {
        auto *mis = reinterpret_cast<MeasureItemStruct *>(lParam);
        if (mis->CtlType == odt::Menu)
            MeasureItem(*mis);
        else
            lReturn = m_gSubclass.CallOldWindowProc(hwnd, iMsg, wParam, lParam);
        break;
    }
    case wm::MenuChar:
        lReturn = MenuChar(wParam, lParam);
        break;
    default:
        break;
    }
}

void cMenuBar::HoverTracking()
{
    // The keyboard's highlight stays where the keys put it.
    if (m_bKeyboard) {
        if (m_cTmr)
            m_cTmr->setInterval(0);
        return;
    }
    const int hover = EntryAt(SystemInput::cursorPos());
    if (hover != m_iHover) {
        m_iHover = hover;
        RepaintNC();
    }
    if (!m_cTmr) {
        m_cTmr = std::make_unique<CTimer>();
        QObject::connect(m_cTmr.get(), &CTimer::ThatTime, [this] { m_cTmr_ThatTime(); });
    }
    if (m_iHover > 0 || m_iCurrent != 0) {
        if (m_iCurrent > 0 && !SystemInput::isLeftButtonDown()) {
            m_iCurrent = 0;
            RepaintNC();
        }
        m_cTmr->setInterval(50);
    } else {
        m_cTmr->setInterval(0);
    }
}

void cMenuBar::m_cTmr_ThatTime() { HoverTracking(); }

void cMenuBar::RunPopupLoop(int iEntry, bool bKeyboard)
{
    if (m_cTmr)
        m_cTmr->setInterval(0);
    if (!bKeyboard && m_bKeyboard)
        ExitKeyboardMode(false);
    if (m_cToolbarMenu)
        m_cToolbarMenu->TrackPopup(iEntry, bKeyboard);
    RestorePopups();
    if (!bKeyboard || !m_hWnd)
        return;
    // Escape in a popup opened from the keyboard goes back to its entry on the bar.
    if (m_cToolbarMenu && m_cToolbarMenu->Escaped() && WS::activeWindow() == m_hWnd)
        EnterKeyboardMode(m_cToolbarMenu->LastEntry());
    else
        ExitKeyboardMode();
}

bool cMenuBar::Tracking() const { return m_cToolbarMenu && m_cToolbarMenu->Tracking(); }

namespace {

// Ends the keyboard access to the bar when the mouse is pressed anywhere or
// the program loses the keyboard.
class KeyboardWatch : public QObject {
public:
    explicit KeyboardWatch(cMenuBar *bar) : m_bar(bar) { QCoreApplication::instance()->installEventFilter(this); }
    ~KeyboardWatch() override
    {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        Q_UNUSED(watched);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::ApplicationDeactivate:
            if (m_bar->KeyboardMode())
                m_bar->ExitKeyboardMode();
            break;
        default:
            break;
        }
        return false;
    }

private:
    cMenuBar *m_bar;
};

} // namespace

void cMenuBar::EnterKeyboardMode(int iEntry)
{
    if (!m_hWnd || m_entries.isEmpty())
        return;
    m_bKeyboard = true;
    m_bAltAlone = false;
    if (m_cTmr)
        m_cTmr->setInterval(0);
    m_iHover = 0;
    m_iCurrent = std::clamp(iEntry, 1, int(m_entries.size()));
    if (!m_keyboardWatch)
        m_keyboardWatch = std::make_unique<KeyboardWatch>(this);
    RepaintNC();
}

void cMenuBar::ExitKeyboardMode(bool bRepaint)
{
    if (!m_bKeyboard)
        return;
    m_bKeyboard = false;
    m_iCurrent = 0;
    // The watch may be what calls this; it goes once the event is through.
    if (m_keyboardWatch)
        m_keyboardWatch.release()->deleteLater();
    if (bRepaint)
        RepaintNC();
}

bool cMenuBar::KeyboardKey(int vKey, bool bDown)
{
    if (!m_hWnd || Tracking()) {
        m_bAltAlone = false;
        return false;
    }
    if (!m_bKeyboard) {
        if (vKey == vk::Menu) {
            if (bDown) {
                m_bAltAlone = true;
            } else if (m_bAltAlone) {
                // Alt pressed and released with nothing in between.
                m_bAltAlone = false;
                EnterKeyboardMode();
                return m_bKeyboard;
            }
            return false;
        }
        if (bDown)
            m_bAltAlone = false;
        constexpr Qt::KeyboardModifiers others = Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier;
        if (vKey == vk::F10 && bDown && !(SystemInput::modifiers() & others)) {
            EnterKeyboardMode();
            return m_bKeyboard;
        }
        return false;
    }
    // With the bar highlighted every key is the menu's.
    if (!bDown)
        return true;
    const int count = int(m_entries.size());
    switch (vKey) {
    case vk::Menu:
    case vk::F10:
    case vk::Escape:
        ExitKeyboardMode();
        return true;
    case vk::Left:
        m_iCurrent = m_iCurrent > 1 ? m_iCurrent - 1 : count;
        RepaintNC();
        return true;
    case vk::Right:
        m_iCurrent = m_iCurrent < count ? m_iCurrent + 1 : 1;
        RepaintNC();
        return true;
    case vk::Down:
    case vk::Up:
    case vk::Return:
    case vk::Space:
        RunPopupLoop(std::clamp(m_iCurrent, 1, count), true);
        return true;
    default:
        break;
    }
    // An entry's letter opens it.
    const QChar key = QChar(vKey).toUpper();
    int n = 0;
    const int items = MenuApi::itemCount(m_hMenu);
    for (int i = 0; i < items && !key.isNull(); ++i) {
        if (MenuApi::itemId(m_hMenu, i) != -1)
            continue;
        ++n;
        MenuItemInfo info;
        MenuApi::getItemInfo(m_hMenu, UINT(i), true, info);
        if (acceleratorOf(info.dwTypeData) == key && n <= count) {
            m_iCurrent = n;
            RunPopupLoop(n, true);
            return true;
        }
    }
    return true;
}

bool cMenuBar::AltKeyAccelerator(int vKey)
{
    // With a popup of the bar open no second popup loop runs, and restoring
    // items now would strip the open popup: an entry's letter is used up
    // without acting, so that nothing else opens a menu either.
    const bool tracking = m_cToolbarMenu && m_cToolbarMenu->Tracking();
    bool handled = false;
    const QChar key = QChar(vKey).toUpper();
    int n = 0;
    const int count = MenuApi::itemCount(m_hMenu);
    for (int i = 0; i < count; ++i) {
        if (MenuApi::itemId(m_hMenu, i) != -1)
            continue;
        ++n;
        MenuItemInfo info;
        MenuApi::getItemInfo(m_hMenu, UINT(i), true, info);
        const QChar accelerator = acceleratorOf(info.dwTypeData);
        if (accelerator.isNull() || accelerator != key)
            continue;
        if (tracking)
            return true;
        m_iCurrent = n;
        RepaintNC();
        RunPopupLoop(n);
        handled = true;
    }
    return handled;
}

// ------------------------------------------------------------------ popup items

cMenuBar::ItemRecord cMenuBar::makeRecord(HMENU hMenu, int position, const MenuItemInfo &info)
{
    ItemRecord r;
    r.hMenu = hMenu;
    r.position = position;
    r.info = info;
    const QString text = info.dwTypeData;
    const qsizetype tab = text.indexOf(u'\t');
    r.caption = tab >= 0 ? text.left(tab) : text;
    r.shortcut = tab >= 0 ? text.mid(tab + 1) : QString();
    r.accelerator = acceleratorOf(r.caption);
    return r;
}

void cMenuBar::InitMenuPopup(HMENU hPopup)
{
    if (!hPopup)
        return;
    const bool convertedBefore = m_converted.contains(hPopup);
    if (!convertedBefore)
        m_converted.append(hPopup);
    m_cMemDC.setWidth(1);
    m_cMemDC.setHeight(1);
    DeviceContext *dc = m_cMemDC.hdc();
    if (!dc)
        return;
    const QFont oldFont = dc->selectFont(drawingFont(m_fntMenu));

    int widestCaption = 0, widestShortcut = 0;
    QList<int> ofThisPopup;
    const int count = MenuApi::itemCount(hPopup);
    for (int pos = 0; pos < count; ++pos) {
        MenuItemInfo info;
        if (!MenuApi::getItemInfo(hPopup, UINT(pos), true, info))
            continue;
        int number = 0;
        if (convertedBefore && (info.fType & mft::OwnerDraw)) {
            number = int(info.dwItemData);
        } else if (convertedBefore) {
            for (int k = 0; k < m_records.size(); ++k)
                if (m_records[k].hMenu == hPopup && m_records[k].position == pos)
                    number = k + 1;
            if (number)
                m_records[number - 1] = makeRecord(hPopup, pos, info);
        }
        if (number < 1 || number > m_records.size()) {
            m_records.append(makeRecord(hPopup, pos, info));
            number = int(m_records.size());
        }
        if (!(info.fType & mft::OwnerDraw)) {
            MenuItemInfo mark;
            mark.fMask = miim::Type | miim::Data;
            mark.fType = info.fType | mft::OwnerDraw;
            mark.dwItemData = quintptr(number);
            MenuApi::setItemInfo(hPopup, UINT(pos), true, mark);
        }
        const ItemRecord &r = m_records[number - 1];
        WinRect rc{0, 0, 0, 0};
        dc->drawText(r.caption, rc, dt::CalcRect | dt::SingleLine);
        widestCaption = std::max(widestCaption, rc.width() + 1);
        m_lItemHeight = rc.height() + 1;
        if (!r.shortcut.isEmpty()) {
            WinRect rs{0, 0, 0, 0};
            dc->drawText(r.shortcut, rs, dt::CalcRect | dt::SingleLine);
            widestShortcut = std::max(widestShortcut, rs.width() + 1);
        }
        ofThisPopup.append(number);
    }
    for (int number : ofThisPopup) {
        m_records[number - 1].widestCaption = widestCaption;
        m_records[number - 1].widestShortcut = widestShortcut;
    }
    dc->selectFont(oldFont);
}

cMenuBar::ItemRecord *cMenuBar::recordFor(UINT itemID, quintptr itemData)
{
    // Item data holds the record number; separators share identifier 0, so it comes first.
    if (itemData >= 1 && itemData <= quintptr(m_records.size()))
        return &m_records[int(itemData) - 1];
    for (ItemRecord &r : m_records)
        if (r.info.wID == itemID)
            return &r;
    return nullptr;
}

void cMenuBar::MeasureItem(MeasureItemStruct &mis)
{
    const ItemRecord *r = recordFor(mis.itemID, mis.itemData);
    if (!r)
        return;
    mis.itemWidth = UINT(r->widestShortcut > 0 ? r->widestCaption + r->widestShortcut + 38 : r->widestCaption + 30);
    mis.itemHeight = UINT((r->info.fType & mft::Separator) ? 6 : m_lItemHeight + 8);
}

void cMenuBar::DrawItem(const DrawItemStruct &dis)
{
    const ItemRecord *r = recordFor(dis.itemID, dis.itemData);
    if (!r || !dis.hDC)
        return;
    const int w = dis.rcItem.width(), h = dis.rcItem.height();
    m_cMemDC.setWidth(w);
    m_cMemDC.setHeight(h);
    DeviceContext *dc = m_cMemDC.hdc();
    if (!dc)
        return;
    const QFont oldFont = dc->selectFont(drawingFont(m_fntMenu));
    dc->fillRect({0, 0, w, h}, WS::translateColor(m_oMenuBackgroundColor));

    if (r->info.fType & mft::Separator) {
        const int top = (h - 2) / 2;
        dc->drawEdge({8, top, w - 8, top + 2}, bdr::SunkenOuter, bf::Top | bf::Bottom);
    } else {
        MenuItemInfo now;
        if (!MenuApi::getItemInfo(r->hMenu, UINT(r->position), true, now))
            now = r->info;
        const bool highlighted = dis.itemState & ods::Selected;
        const bool disabled = (now.fState & mfs::Grayed) == mfs::Grayed;
        const COLORREF textColor = WS::translateColor(highlighted ? m_oActiveMenuColorOver : m_oActiveMenuColor);
        dc->setBkMode(DeviceContext::Transparent);

        // Draws a text, twice in the system's embossed colours when the item is disabled.
        auto text = [&](const QString &s, WinRect rc, UINT format) {
            if (disabled) {
                dc->setTextColor(WS::sysColor(syscolor::BtnHighlight));
                WinRect shifted = rc.moved(1, 1);
                dc->drawText(s, shifted, format);
                dc->setTextColor(WS::sysColor(syscolor::BtnShadow));
            } else {
                dc->setTextColor(textColor);
            }
            dc->drawText(s, rc, format);
        };

        if (now.fState & mfs::Checked) {
            WinRect box{4 + 2, 4, 0, h - 4};
            box.right = box.left + box.height() + 1;
            dc->drawEdge(box, bdr::SunkenOuter, bf::Rect);
            QFont symbol = drawingFont(m_fntSymbol);
            symbol.setFamily(QStringLiteral("Marlett"));
            const QFont textFont = dc->selectFont(symbol);
            text((now.fType & mft::RadioCheck) ? QStringLiteral("h") : QStringLiteral("b"), box,
                 dt::SingleLine | dt::VCenter | dt::Center);
            dc->selectFont(textFont);
        }
        text(r->caption, {24, 0, w, h}, dt::SingleLine | dt::VCenter);
        if (!r->shortcut.isEmpty())
            text(r->shortcut, {24 + r->widestCaption + 8, 0, w, h}, dt::SingleLine | dt::VCenter);
        if (highlighted && !disabled)
            dc->drawEdge({2, 0, w - 2, h}, bdr::RaisedInner, bf::Rect);
    }
    dc->selectFont(oldFont);
    dis.hDC->bitBlt(dis.rcItem.left, dis.rcItem.top, w, h, *dc, 0, 0);
}

LRESULT cMenuBar::MenuChar(WPARAM wParam, LPARAM lParam)
{
    if (!(hiWord(qint64(wParam)) & mf::SysMenu)) {
        const QChar key = QChar(loWord(qint64(wParam))).toUpper();
        const auto popup = reinterpret_cast<HMENU>(lParam);
        for (const ItemRecord &r : std::as_const(m_records))
            if (r.hMenu == popup && !r.accelerator.isNull() && r.accelerator == key)
                return LRESULT(r.position) + 0x20000;
    }
    return m_gSubclass.CallOldWindowProc(m_hWnd, wm::MenuChar, wParam, lParam);
}

void cMenuBar::RestorePopups()
{
    // Only the owner-draw mark and the item data go back: a command run from
    // the popup may have changed an item's state meanwhile, and that stays.
    for (int k = 0; k < m_records.size(); ++k) {
        const ItemRecord &r = m_records[k];
        const quintptr number = quintptr(k + 1);
        int pos = r.position;
        MenuItemInfo now;
        const auto isOurs = [&](int p) {
            return MenuApi::getItemInfo(r.hMenu, UINT(p), true, now) && (now.fType & mft::OwnerDraw)
                   && now.dwItemData == number;
        };
        if (!isOurs(pos)) {
            pos = -1;
            for (int p = 0; p < MenuApi::itemCount(r.hMenu) && pos < 0; ++p)
                if (isOurs(p))
                    pos = p;
            if (pos < 0)
                continue;
        }
        MenuItemInfo back;
        back.fMask = miim::Type | miim::Data;
        back.fType = r.info.fType & ~mft::OwnerDraw;
        back.dwItemData = r.info.dwItemData;
        MenuApi::setItemInfo(r.hMenu, UINT(pos), true, back);
    }
    m_records.clear();
    m_converted.clear();
}

} // namespace velmora::skin
