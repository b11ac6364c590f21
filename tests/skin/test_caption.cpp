// The caption painter: where the pieces of the caption image land at wide
// and narrow widths, active and inactive, the caption buttons and their
// commands; and the memory surface it paints with.

#include "SkinTestSupport.h"

#include "skin/ApplyCaptionSkin.h"
#include "skin/DeviceContext.h"
#include "skin/GSubclass.h"
#include "skin/ISubclass.h"
#include "skin/MessageWindow.h"
#include "skin/SkinArtwork.h"
#include "skin/WindowSystem.h"
#include "skin/cMemDC.h"
#include "skin/cNeoCaption.h"
#include "skin/mDeclares.h"

#include <QLabel>
#include <memory>

#include <QWidget>

using namespace velmora::skin;

namespace {

// Records the system commands a window is sent and keeps them from running.
class CommandSpy : public ISubclass {
public:
    explicit CommandSpy(QWidget *w) : m_hwnd(WindowSystem::handleOf(w))
    {
        m_service.AttachMessage(this, m_hwnd, wm::SysCommand);
    }
    ~CommandSpy() override { m_service.DetachMessage(this, m_hwnd, wm::SysCommand); }
    int MsgResponse() const override { return Consume; }
    void WindowProc(HWND, UINT, WPARAM wParam, LPARAM, LRESULT &) override { commands.append(UINT(wParam)); }
    QList<UINT> commands;

private:
    GSubclass m_service;
    HWND m_hwnd;
};

struct SkinnedForm {
    QWidget form;
    cNeoCaption caption;
    explicit SkinnedForm(Qt::WindowFlags flags = Qt::Window)
        : form(nullptr, flags)
    {
        form.setObjectName(QStringLiteral("datafrm"));
        form.setWindowTitle(QStringLiteral("纪录修改向导"));
        ApplyCaptionSkin(&form, &caption);
        form.setGeometry(50, 50, 400, 300);
    }
    HWND hwnd() { return WindowSystem::handleOf(&form); }
    void setActive(bool active) { WindowSystem::sendMessage(hwnd(), wm::NcActivate, active ? 1 : 0, 0); }
    QImage paint(int w, int h)
    {
        cMemDC surface;
        surface.setWidth(w);
        surface.setHeight(h);
        caption.NCPaint(surface.hdc(), 0, 0, w, h);
        return surface.hdc()->image()->copy(0, 0, w, h);
    }
};

const QImage &art()
{
    static const QImage image = SkinArtwork::caption().convertToFormat(QImage::Format_RGB32);
    return image;
}

bool sameAsArt(const QImage &painted, const QRect &where, int artX, int artY)
{
    return painted.copy(where) == art().copy(QRect(QPoint(artX, artY), where.size()));
}

} // namespace

class TestCaption : public QObject {
    Q_OBJECT

private slots:
    void setupOfTheForm()
    {
        SkinnedForm f;
        QVERIFY(f.form.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(f.form.contentsMargins(), QMargins(10, 48, 10, 10));
        QCOMPARE(f.caption.ActiveCaptionColor(), OLE_COLOR(0xFFFFFF));
        QCOMPARE(f.caption.InActiveCaptionColor(), OLE_COLOR(0xC0C0C0));
        QCOMPARE(f.caption.MenuBackgroundColor(), OLE_COLOR(207 | 203 << 8 | 207 << 16));
        QCOMPARE(f.caption.CaptionFont().family(), QStringLiteral("宋体"));
        QCOMPARE(f.caption.MenuFont().pointSize(), 9);
        auto *picCaption = f.form.findChild<QWidget *>(QStringLiteral("PicCaption"));
        auto *picBorder = f.form.findChild<QWidget *>(QStringLiteral("PicBorder"));
        QVERIFY(picCaption && !picCaption->isVisibleTo(&f.form));
        QVERIFY(picBorder && !picBorder->isVisibleTo(&f.form));
        QCOMPARE(SkinArtwork::caption().size(), QSize(640, 48));
        QCOMPARE(SkinArtwork::border().size(), QSize(70, 10));
        QCOMPARE(SkinArtwork::border().depth(), 8);
    }

    void layoutAtWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("rightPiece");
        QTest::addColumn<bool>("title");
        QTest::newRow("wide") << 400 << 300 << true;
        QTest::newRow("just wide enough") << 201 << 101 << true;
        QTest::newRow("too narrow for a title") << 200 << 101 << false;
        QTest::newRow("narrow") << 150 << 101 << false;
    }

    void layoutAtWidth()
    {
        QFETCH(int, width);
        QFETCH(int, rightPiece);
        QFETCH(bool, title);
        SkinnedForm f;
        f.setActive(true);
        const QImage img = f.paint(width, 300);
        // The left piece, beside the window icon.
        QVERIFY(sameAsArt(img, QRect(44, 0, 46, 48), 44, 0));
        // A strip of the right piece between its title end and its buttons.
        QVERIFY(sameAsArt(img, QRect(rightPiece + 8, 0, 20, 48), 140 + 8, 0));
        // The title's place shows the middle tile unless a title is drawn there.
        const int titleWidth = std::min(40, rightPiece - 92);
        const bool plain = sameAsArt(img, QRect(92, 11, titleWidth, 14), 92 - 90 + 91, 11);
        QCOMPARE(plain, !title);
    }

    void inactiveWindowUsesTheOtherHalf()
    {
        SkinnedForm f;
        f.setActive(true);
        QImage img = f.paint(400, 300);
        QVERIFY(sameAsArt(img, QRect(44, 0, 46, 48), 44, 0));
        QVERIFY(sameAsArt(img, QRect(308, 0, 20, 48), 148, 0));
        f.setActive(false);
        img = f.paint(400, 300);
        QVERIFY(sameAsArt(img, QRect(44, 0, 46, 48), 400 + 44, 0));
        QVERIFY(sameAsArt(img, QRect(308, 0, 20, 48), 400 + 148, 0));
        // The buttons do not move with the offset.
        QVERIFY(sameAsArt(img, QRect(400 - 26, 5, 20, 20), 241, 0));
    }

    void buttonSlots_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<QList<int>>("glyphs"); // glyph x in the slots from the right, -1 for none
        const int close = 241, restore = 259, maximise = 278, minimise = 297;
        Q_UNUSED(restore);
        QTest::newRow("all three") << int(Qt::Window) << QList<int>{close, maximise, minimise};
        QTest::newRow("no maximise box")
            << int(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint)
            << QList<int>{close, minimise, -1};
        QTest::newRow("close only") << int(Qt::Dialog) << QList<int>{close, -1, -1};
    }

    void buttonSlots()
    {
        QFETCH(int, flags);
        QFETCH(QList<int>, glyphs);
        SkinnedForm f{Qt::WindowFlags(flags)};
        QVERIFY(f.form.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(f.form.contentsMargins(), QMargins(10, 48, 10, 10));
        f.setActive(true);
        const QImage img = f.paint(400, 300);
        for (int slot = 0; slot < 3; ++slot) {
            const QRect where(400 - 6 - 20 * (slot + 1), 5, 20, 20);
            if (glyphs[slot] >= 0)
                QVERIFY2(sameAsArt(img, where, glyphs[slot], 0), qPrintable(QString::number(slot)));
            else // no button: the right piece shows through
                QVERIFY2(sameAsArt(img, where, 140 + where.left() - 300, 5), qPrintable(QString::number(slot)));
        }
    }

    void maximisedWindowShowsTheRestoreGlyph()
    {
        SkinnedForm f;
        f.form.showMaximized();
        QTRY_VERIFY(f.form.isMaximized());
        f.setActive(true);
        const QImage img = f.paint(400, 300);
        QVERIFY(sameAsArt(img, QRect(400 - 46, 5, 20, 20), 259, 0));
    }

    void releasingOverAButtonPostsItsCommand()
    {
        SkinnedForm f;
        QVERIFY(skintest::showActive(&f.form));
        CommandSpy spy(&f.form);
        const QPoint closeButton(400 - 16, 15), maximiseButton(400 - 36, 15), minimiseButton(400 - 56, 15);

        skintest::press(&f.form, closeButton);
        skintest::release(&f.form, closeButton);
        QTRY_COMPARE(spy.commands, QList<UINT>{sc::Close});

        // The release decides, whichever button the press began on.
        spy.commands.clear();
        skintest::press(&f.form, minimiseButton);
        skintest::release(&f.form, maximiseButton);
        QTRY_COMPARE(spy.commands, QList<UINT>{sc::Maximize});

        // Released outside the buttons: nothing, and the pressed glyph is gone.
        spy.commands.clear();
        skintest::press(&f.form, closeButton);
        QTRY_VERIFY(sameAsArt(f.form.grab().toImage(), QRect(400 - 26, 5, 20, 20), 241, 20));
        skintest::release(&f.form, QPoint(200, 150));
        QTest::qWait(20);
        QVERIFY(spy.commands.isEmpty());
        QTRY_VERIFY(sameAsArt(f.form.grab().toImage(), QRect(400 - 26, 5, 20, 20), 241, 0));
    }

    void systemCommandsReachTheWindow()
    {
        SkinnedForm f;
        QVERIFY(skintest::showActive(&f.form));
        skintest::press(&f.form, QPoint(400 - 36, 15));
        skintest::release(&f.form, QPoint(400 - 36, 15));
        QTRY_VERIFY(f.form.isMaximized());
        const int w = f.form.width();
        skintest::press(&f.form, QPoint(w - 36, 15));
        skintest::release(&f.form, QPoint(w - 36, 15));
        QTRY_VERIFY(!f.form.isMaximized());
        skintest::press(&f.form, QPoint(400 - 16, 15));
        skintest::release(&f.form, QPoint(400 - 16, 15));
        QTRY_VERIFY(!f.form.isVisible());
    }

    void existingPictureBoxesAreUsed()
    {
        QWidget form;
        auto *client = new QWidget(&form);
        auto *pic = new QLabel(client);
        pic->setObjectName(QStringLiteral("PicCaption"));
        pic->hide();
        cNeoCaption caption;
        ApplyCaptionSkin(&form, &caption);
        QCOMPARE(form.findChildren<QLabel *>(QStringLiteral("PicCaption")).size(), 1);
        QCOMPARE(pic->pixmap().size(), QSize(640, 48));
        QCOMPARE(form.findChildren<QLabel *>(QStringLiteral("PicBorder")).size(), 1);
        QCOMPARE(form.palette().color(QPalette::Window),
                 DeviceContext::toColor(WindowSystem::translateColor(0x80000013u)));
    }

    void formsAndPaintersEndInEitherOrder()
    {
        const int managers = mDeclares::registeredManagers();
        {
            // The painter as a member of the form ends before the window.
            struct Form : QWidget {
                cNeoCaption caption;
            };
            auto *form = new Form;
            ApplyCaptionSkin(form, &form->caption);
            QVERIFY(skintest::showActive(form));
            const HWND hwnd = WindowSystem::handleOf(form);
            delete form;
            QVERIFY(!MessageWindow::find(hwnd));
        }
        QCOMPARE(mDeclares::registeredManagers(), managers);
        {
            // The window ends first: its destruction detaches the manager; the painter ends later.
            auto caption = std::make_unique<cNeoCaption>();
            auto *form = new QWidget;
            ApplyCaptionSkin(form, caption.get());
            QVERIFY(skintest::showActive(form));
            delete form;
            QCOMPARE(mDeclares::registeredManagers(), managers);
            caption.reset();
        }
        QCOMPARE(mDeclares::registeredManagers(), managers);
    }

    // ---------------------------------------------------------------- memory surface

    void surfaceOnlyGrows()
    {
        cMemDC dc;
        QVERIFY(!dc.hdc());
        dc.setWidth(100);
        dc.setHeight(50);
        QCOMPARE(dc.Width(), 100);
        QCOMPARE(dc.Height(), 50);
        dc.hdc()->fillRect({0, 0, 100, 50}, 0x0000FF);
        dc.setWidth(20);
        dc.setHeight(10);
        QCOMPARE(dc.Width(), 100);
        QCOMPARE(dc.Height(), 50);
        QCOMPARE(dc.hdc()->image()->pixelColor(99, 49), QColor(Qt::red));

        // A picture sizes the surface unless it is larger already.
        dc.CreateFromPicture(art());
        QCOMPARE(dc.Width(), 640);
        QCOMPARE(dc.Height(), 50);
        QCOMPARE(dc.hdc()->image()->copy(0, 0, 640, 48), art());
        cMemDC fresh;
        fresh.CreateFromPicture(art());
        QCOMPARE(QSize(fresh.Width(), fresh.Height()), QSize(640, 48));
    }
};

QTEST_MAIN(TestCaption)
#include "test_caption.moc"
