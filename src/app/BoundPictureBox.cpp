#include "app/BoundPictureBox.h"

#include <QImage>

namespace velmora::app {

BoundPictureBox::BoundPictureBox(QWidget *parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
}

void BoundPictureBox::showFieldValue(const QVariant &value)
{
    m_bytes = value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
    display();
}

QVariant BoundPictureBox::editedValue() const
{
    return m_bytes.isEmpty() ? QVariant() : QVariant(m_bytes);
}

void BoundPictureBox::setPicture(const QByteArray &png)
{
    m_bytes = png;
    m_changed = true;
    display();
}

void BoundPictureBox::showEvent(QShowEvent *event)
{
    QLabel::showEvent(event);
    if (m_stale)
        display();
}

void BoundPictureBox::display()
{
    // A hidden box (the main window's) holds the bytes only; decoding waits
    // until the box is shown.
    m_stale = !isVisible();
    if (m_stale)
        return;
    QImage image;
    if (m_bytes.isEmpty() || !image.loadFromData(m_bytes)) {
        clear();
        return;
    }
    image.setDevicePixelRatio(2.0);
    setPixmap(QPixmap::fromImage(image));
}

} // namespace velmora::app
