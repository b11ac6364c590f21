#include "skin/cMemDC.h"

#include "skin/DeviceContext.h"

namespace velmora::skin {

cMemDC::~cMemDC() { Destroy(); }

void cMemDC::setWidth(int lW)
{
    if (lW > m_lWidth)
        Create(lW, m_lHeight);
}

void cMemDC::setHeight(int lH)
{
    if (lH > m_lHeight)
        Create(m_lWidth, lH);
}

void cMemDC::Create(int lW, int lH)
{
    Destroy();
    if (lW <= 0 || lH <= 0) {
        // A surface with one side still 0 has no pixels yet; remember the other side.
        m_lWidth = std::max(lW, 0);
        m_lHeight = std::max(lH, 0);
        return;
    }
    QImage bitmap(lW, lH, QImage::Format_RGB32);
    if (bitmap.isNull())
        return; // could not be made: width and height stay 0
    bitmap.fill(Qt::black);
    m_hBmp = std::move(bitmap);
    m_hDC = std::make_unique<DeviceContext>(&m_hBmp);
    m_lWidth = lW;
    m_lHeight = lH;
}

void cMemDC::Destroy()
{
    m_hDC.reset();
    m_hBmp = QImage();
    m_lWidth = 0;
    m_lHeight = 0;
}

void cMemDC::CreateFromPicture(const QImage &picture)
{
    if (picture.isNull())
        return;
    setWidth(picture.width());
    setHeight(picture.height());
    if (m_hDC)
        m_hDC->bitBlt(0, 0, picture.width(), picture.height(), picture.convertToFormat(QImage::Format_RGB32), 0, 0);
}

} // namespace velmora::skin
