#pragma once

#include "app/MainWindow.h"
#include "app/Prompts.h"
#include "support/Fixture.h"

#include <QStringList>
#include <memory>

namespace velmora::test {

// A loaded main window on a fresh fixture folder, with every prompt scripted:
// message boxes are recorded and answered with OK.
class MainWindowHarness {
public:
    explicit MainWindowHarness(const QString &remembered = QStringLiteral("甲酸"),
                               Fixture::Sources sources = Fixture::Sources::Fixtures);
    ~MainWindowHarness();

    app::MainWindow &w() { return *m_window; }
    Fixture &fixture() { return m_fixture; }
    // Shows the window with its skin on and makes it the active window.
    void show();
    // Chooses a route from the route box with the mouse.
    void chooseRoute(const QString &route);
    // Chooses the route, clicks into the search box, replaces its text by
    // typing and presses Enter, all through the window.
    void search(const QString &text, const QString &route = QStringLiteral("中文名称"));
    // Clicks a toolbar button or presses a key in the window.
    void clickButton(int index);
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    // Runs a menu entry (by its name) from the menu bar in the caption:
    // a click on its menu, then on the entry. False when it is not shown.
    bool chooseMenuEntry(const QString &name);
    QStringList listEntries() const;
    QString selectedEntry() const;
    QString recordText() const;
    QString resultFile() const;

    QStringList messages; // "title|text" of every message box shown

private:
    Fixture m_fixture;
    std::unique_ptr<app::MainWindow> m_window;
};

} // namespace velmora::test
