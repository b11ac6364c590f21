#pragma once

#include <QObject>
#include <QPixmap>
#include <QVector>

namespace velmora::app {

// A numbered list of pictures (1-based, as the window's code counts them).
class ImageList : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    void add(const QPixmap &picture) { m_pictures.append(picture); }
    int count() const { return int(m_pictures.size()); }
    QPixmap picture(int index) const { return m_pictures.value(index - 1); }

private:
    QVector<QPixmap> m_pictures;
};

} // namespace velmora::app
