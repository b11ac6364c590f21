#include "app/TabStrip.h"

#include <QPainter>
#include <QStyleOptionFrame>

namespace velmora::app {

TabStrip::TabStrip(QWidget *parent) : QWidget(parent), m_tabs(new QTabBar(this))
{
    m_tabs->setShape(QTabBar::RoundedSouth);
    m_tabs->setDrawBase(false);
    m_tabs->setExpanding(false);
    connect(m_tabs, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0) {
            m_tabs->setCurrentIndex(index);
            emit clicked(index + 1);
        }
    });
}

void TabStrip::selectTab(int tab)
{
    m_tabs->setCurrentIndex(tab - 1);
    emit clicked(tab);
}

void TabStrip::resizeEvent(QResizeEvent *)
{
    const int h = m_tabs->sizeHint().height();
    m_tabs->setGeometry(4, height() - h, width() - 8, h);
}

void TabStrip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int tabHeight = m_tabs->sizeHint().height();
    QRect frame = rect().adjusted(0, 0, -1, -tabHeight + 1);
    p.setPen(palette().color(QPalette::Mid));
    p.setBrush(palette().color(QPalette::Window));
    p.drawRect(frame);
}

} // namespace velmora::app
