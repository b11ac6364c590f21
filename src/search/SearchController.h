#pragma once

#include <QString>
#include <QStringList>

namespace velmora::app {
class MainWindow;
}

namespace velmora::search {

// The search command, its routes, the result list and the history of the
// main window, working on the window's controls and its data source Data1.
class SearchController {
public:
    explicit SearchController(app::MainWindow &window) : w(window) {}

    void search_Click();
    void zwjiansuo_jian();
    void jiansuo_suo();
    void yongtu_tu();
    // The periodic table's jump: the chemicals whose formula names one of
    // the elements (beginsWithElement), listed and the first one shown.
    void elementSearch(const QStringList &symbols);
    void ll_ll();
    int colx_colx();
    void List1_Click();
    void forr_forr();
    void down_Click();
    void up_Click();
    // A drop-down menu entry of the toolbar was chosen.
    void jumpTo(const QString &text);

    // Selects a list entry from code; its click handling runs once.
    void selectEntry(int index);
    bool listIsBeingFilled() const { return m_filling; }
    // Mouse clicks report a changed row and then the click; one runs.
    void noteRowChanged() { m_rowChanged = true; }
    bool takeRowChanged()
    {
        const bool changed = m_rowChanged;
        m_rowChanged = false;
        return changed;
    }

private:
    // Clears the list and fills it with one field of every result row.
    QStringList fillList(const QString &field);
    // Runs the exact-name fetch; false when it failed.
    bool fetchExact(const QString &name);
    // The grid column of a field, or the last column when none matches.
    int columnOf(const QString &field) const;
    void writeResult(const QString &text);
    void setNavigation(bool back, bool forward);

    app::MainWindow &w;
    bool m_filling = false;
    bool m_rowChanged = false;
    bool m_routeFailed = false;
};

} // namespace velmora::search
