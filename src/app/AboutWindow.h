#pragma once

#include <QWidget>

class QLabel;

namespace velmora::app {

// The about and support window: the program's name and version and what the
// open database holds.
class AboutWindow : public QWidget {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget *parent = nullptr);

    // Counts the chemicals and the category headings of the database files
    // in the application folder again.
    void refresh();
    int chemicals() const { return m_chemicals; }
    int categories() const { return m_categories; }

protected:
    bool event(QEvent *event) override;

private:
    // Sizes the window so that all of its text shows inside the frame and
    // caption that surround it (the skin puts them on after the first show).
    void fitContents();

    QLabel *m_counts = nullptr;
    int m_chemicals = -1;
    int m_categories = -1;
};

} // namespace velmora::app
