#include "skin/ApplyCaptionSkin.h"

#include "skin/DeviceContext.h"
#include "skin/SkinArtwork.h"
#include "skin/WindowSystem.h"
#include "skin/cNeoCaption.h"

#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QWidget>

namespace velmora::skin {

namespace {

constexpr OLE_COLOR rgb(int r, int g, int b) { return OLE_COLOR(r | (g << 8) | (b << 16)); }

// The form's hidden picture box with one of the skin's images: the image
// file of the resources when they are built in, else the same artwork drawn.
QImage pictureBox(QWidget *form, const char *name, const char *resource, QImage (*draw)())
{
    auto *box = form->findChild<QLabel *>(QString::fromLatin1(name));
    if (!box) {
        box = new QLabel(form);
        box->setObjectName(QString::fromLatin1(name));
        box->hide();
    }
    if (box->pixmap().isNull()) {
        QImage image(QString::fromLatin1(resource));
        box->setPixmap(QPixmap::fromImage(image.isNull() ? draw() : image));
    }
    return box->pixmap().toImage();
}

} // namespace

void ApplyCaptionSkin(QWidget *form, cNeoCaption *caption)
{
    if (!form || !caption)
        return;
    // The skin draws the frame, so the window system must not. The caption
    // buttons the form asks for become its style bits; the hints themselves
    // go, since Qt keeps no frameless window with button hints.
    const Qt::WindowFlags flags = form->windowFlags();
    const quint32 buttons = WindowSystem::captionStyle(flags);
    if (!flags.testFlag(Qt::FramelessWindowHint)) {
        constexpr Qt::WindowFlags hints = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                                          | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint
                                          | Qt::WindowContextHelpButtonHint;
        const bool shown = form->isVisible();
        form->setWindowFlags((flags & ~hints) | Qt::FramelessWindowHint);
        if (shown)
            form->show();
    }
    const HWND hwnd = WindowSystem::handleOf(form);
    constexpr quint32 boxes = ws::SysMenu | ws::MinimizeBox | ws::MaximizeBox;
    WindowSystem::setStyle(hwnd, (WindowSystem::style(hwnd) & ~boxes) | (buttons & boxes));

    caption->setActiveCaptionColor(0xFFFFFF);
    caption->setInActiveCaptionColor(0xC0C0C0);
    caption->setActiveMenuColor(0);
    caption->setActiveMenuColorOver(0);
    caption->setInActiveMenuColor(0);
    caption->setMenuBackgroundColor(rgb(207, 203, 207));
    QFont song(QStringLiteral("宋体"));
    song.setPointSizeF(9);
    caption->setCaptionFont(song);
    caption->setMenuFont(song);

    const QImage picCaption = pictureBox(form, "PicCaption", ":/skin/caption.png", &SkinArtwork::caption);
    const QImage picBorder = pictureBox(form, "PicBorder", ":/skin/border.png", &SkinArtwork::border);
    caption->Attach(form, picCaption, picBorder, 19, 20, 90, 140, 240, 400);

    const OLE_COLOR back = form->objectName() == QLatin1String("sq") ? 0x8000000Bu : 0x80000013u;
    QPalette palette = form->palette();
    palette.setColor(QPalette::Window, DeviceContext::toColor(WindowSystem::translateColor(back)));
    form->setPalette(palette);
}

} // namespace velmora::skin
