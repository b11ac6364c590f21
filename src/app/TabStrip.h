#pragma once

#include <QTabBar>
#include <QWidget>

namespace velmora::app {

// A framed pane with its tabs along the bottom edge; the controls it frames
// are placed over it by the window's layout.
class TabStrip : public QWidget {
    Q_OBJECT
public:
    explicit TabStrip(QWidget *parent = nullptr);

    QTabBar *tabs() const { return m_tabs; }
    // 1-based, as the window's commands count tabs.
    int selectedTab() const { return m_tabs->currentIndex() + 1; }
    // Selecting a tab runs the click, even when it is already selected.
    void selectTab(int tab);

signals:
    void clicked(int tab);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QTabBar *m_tabs;
};

} // namespace velmora::app
