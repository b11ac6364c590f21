#pragma once

#include <QImage>
#include <memory>

namespace velmora::skin {

class DeviceContext;

// An off-screen drawing surface that only grows: a larger Width or Height
// recreates it (discarding its contents), a smaller one changes nothing. It
// can be loaded from a picture.
class cMemDC {
public:
    cMemDC() = default;
    ~cMemDC();
    cMemDC(const cMemDC &) = delete;
    cMemDC &operator=(const cMemDC &) = delete;

    void CreateFromPicture(const QImage &picture);
    DeviceContext *hdc() const { return m_hDC.get(); }
    int Width() const { return m_lWidth; }
    void setWidth(int lW);
    int Height() const { return m_lHeight; }
    void setHeight(int lH);

private:
    void Create(int lW, int lH);
    void Destroy();

    std::unique_ptr<DeviceContext> m_hDC;
    QImage m_hBmp;
    int m_lWidth = 0;
    int m_lHeight = 0;
};

} // namespace velmora::skin
