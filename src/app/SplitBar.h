#pragma once

#include <QWidget>

namespace velmora::app {

// The bar between the left pane and the record pane. The user drags it; when
// the drag ends it reports the bar's new left edge in twips (the window
// clamps it and lays out the panes).
class SplitBar : public QWidget {
    Q_OBJECT
public:
    explicit SplitBar(QWidget *parent = nullptr);

signals:
    void moved(int leftTwips);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_dragging = false;
    int m_grabOffset = 0;
};

} // namespace velmora::app
