#include "app/StartCover.h"

#include "app/Artwork.h"
#include "app/Fonts.h"
#include "app/KeyboardLayouts.h"
#include "app/MainWindow.h"
#include "search/HistoryCombo.h"
#include "app/Twips.h"
#include "db/AppFolder.h"
#include "db/DatabasePreload.h"
#include "db/ResultFile.h"
#include "search/SearchQueries.h"

#include <QLabel>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace velmora::app {

StartCover::StartCover(KeyboardLayouts &layouts, std::function<MainWindow *()> makeMain, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), m_layouts(layouts),
      m_makeMain(std::move(makeMain))
{
    setObjectName(QStringLiteral("startcover"));
    setWindowTitle(QStringLiteral("Velmora"));
    setFixedSize(Twips::toPixelsX(4785), Twips::toPixelsY(2895));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(128, 128, 255));
    setPalette(pal);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    const QRect pictureRect(Twips::toPixelsX(360), Twips::toPixelsY(300), Twips::toPixelsX(4080),
                            Twips::toPixelsY(900));
    Image1->setGeometry(pictureRect);
    Image1->setPixmap(Artwork::splash(pictureRect.size()));

    Label2 = new QLabel(QStringLiteral("正在启动Velmora……"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(Fonts::ui(10));
    Label2->setStyleSheet(QStringLiteral("color: white;"));
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setGeometry(Twips::toPixelsX(240), Twips::toPixelsY(1800), Twips::toPixelsX(4320),
                        Twips::toPixelsY(420));

    auto timer = [this](const char *name, int interval, void (StartCover::*slot)()) {
        auto *t = new QTimer(this);
        t->setObjectName(QString::fromLatin1(name));
        t->setInterval(interval);
        connect(t, &QTimer::timeout, this, slot);
        t->start(); // every timer runs from the moment the window is created
        return t;
    };
    Timer3 = timer("Timer3", 30, &StartCover::Timer3_Timer);
    Timer2 = timer("Timer2", 1100, &StartCover::Timer2_Timer);
    Timer1 = timer("Timer1", 1000, &StartCover::Timer1_Timer);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // While the splash waits, the chemical database is opened and the
    // remembered search run once on a worker thread.
    QString remembered = db::ResultFile::read(db::AppFolder::file(QStringLiteral("\\result")));
    if (remembered.isEmpty())
        remembered = QStringLiteral("甲酸");
    db::DatabasePreload::start(db::AppFolder::file(QStringLiteral("\\data\\sj1.data")), QStringLiteral(";pwd=5817402"),
                               search::queries::name(QStringLiteral("中文名称"), remembered));
    Form_Load();
}

void StartCover::Form_Load()
{
    Timer1->stop();
    KeyboardLayouts::applyStartupRule(m_layouts);
    Timer1->start(); // its 1000 ms count from the end of the load
}

void StartCover::Timer3_Timer()
{
    m_line2End += 250;
    if (m_line2End > 4560)
        Timer3->stop();
    update();
}

MainWindow *StartCover::loadMain()
{
    if (!m_main) {
        m_loading = true;
        MainWindow *main = m_makeMain();
        main->Form_Load();
        m_main = main;
        m_loading = false;
        // The load step stops the progress and makes sure Timer1 runs.
        Timer3->stop();
        if (m_handOverWaiting) {
            m_handOverWaiting = false;
            handOver();
        } else if (!m_handedOver && !Timer1->isActive()) {
            Timer1->start();
        }
    }
    return m_main;
}

void StartCover::Timer2_Timer()
{
    Timer2->stop();
    if (m_loading)
        return; // Timer1 already loads it and will show it
    MainWindow *main = loadMain();
    // Loaded out of sight, unless it has been handed over meanwhile.
    if (!m_handedOver)
        main->hide();
}

void StartCover::Timer1_Timer()
{
    Timer1->stop();
    Timer2->stop();
    if (m_loading) {
        m_handOverWaiting = true; // shown as soon as the load is done
        return;
    }
    loadMain();
    if (!m_handedOver)
        handOver();
}

void StartCover::handOver()
{
    m_handedOver = true;
    Timer1->stop();
    Timer2->stop();
    Timer3->stop();
    // The caret waits in the search box; the window comes up in front and
    // active, and the splash goes only after that.
    if (m_main->Combo2)
        m_main->Combo2->setFocus(Qt::ActiveWindowFocusReason);
    m_main->show();
    m_main->raise();
    m_main->activateWindow();
    close();
}

void StartCover::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter p(this);
    auto line = [&](QColor colour, int width, int x1, int y1, int x2, int y2) {
        // Line widths are in pixels, coordinates in twips.
        p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(Twips::toPixelsX(x1) + width / 2.0, Twips::toPixelsY(y1) + width / 2.0),
                   QPointF(Twips::toPixelsX(x2) + width / 2.0, Twips::toPixelsY(y2) + width / 2.0));
    };
    const QColor yellow(255, 255, 0);
    line(yellow, 3, 0, 0, 0, 2880);        // Line3, left
    line(yellow, 3, 0, 2880, 4800, 2880);  // Line4, bottom
    line(yellow, 2, 4770, 0, 4770, 2880);  // Line5, right
    line(yellow, 3, 0, 0, 4800, 0);        // Line6, top
    line(QColor(255, 0, 255), 2, 240, 1440, 4560, 1440);            // Line1, track
    line(QColor(192, 255, 192), 5, 240, 1440, m_line2End, 1440);    // Line2, progress
}

} // namespace velmora::app
