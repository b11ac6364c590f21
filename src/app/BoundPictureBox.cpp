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

void BoundPictureBox::display()
{
    QImage image;
    if (m_bytes.isEmpty() || !image.loadFromData(m_bytes)) {
        clear();
        return;
    }
    image.setDevicePixelRatio(2.0);
    setPixmap(QPixmap::fromImage(image));
}

} // namespace velmora::app
