#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QTimer;

namespace velmora::app {

class KeyboardLayouts;
class MainWindow;

// The splash window `startcover`: a framed card with a growing progress line.
// Its timers load the main window (Timer2, 1100 ms), then show it and close
// the splash (Timer1, 1000 ms after the splash has loaded).
class StartCover : public QWidget {
    Q_OBJECT
public:
    // makeMain creates the main window (not yet loaded).
    StartCover(KeyboardLayouts &layouts, std::function<MainWindow *()> makeMain,
               QWidget *parent = nullptr);

    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;
    QTimer *Timer3 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Label2 = nullptr;

    // End point of the progress bar (Line2) in twips.
    int progressEnd() const { return m_line2End; }
    MainWindow *mainWindow() const { return m_main; }

    void Form_Load();
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    MainWindow *loadMain();
    // Shows the main window, active with the caret in the search box, and
    // closes the splash.
    void handOver();

    KeyboardLayouts &m_layouts;
    std::function<MainWindow *()> m_makeMain;
    MainWindow *m_main = nullptr;
    // Loading the main window runs the remembered search, which lets timers
    // fire meanwhile; a timer that comes while it loads must not load it a
    // second time, show it half loaded, or hide it once it has been shown.
    bool m_loading = false;
    bool m_handOverWaiting = false;
    bool m_handedOver = false;
    int m_line2End = 600;
};

} // namespace velmora::app
