#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include "search/TypedLookup.h"

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
    // How the list on view was found, when not by the route's own query
    // ("按CAS号找到 1 个化学品"), or why nothing could be; else empty.
    const QString &listNote() const { return m_note; }
    bool listIsBeingFilled() const { return m_filling; }
    // Mouse clicks report a changed row and then the click; one runs.
    void noteRowChanged() { m_rowChanged = true; }
    bool takeRowChanged()
    {
        const bool changed = m_rowChanged;
        m_rowChanged = false;
        return changed;
    }

    // Routes after the property routes that look up the search keys.
    static bool isTypedKeyRoute(const QString &route);
    // 结构式 (substructure; "~" before the text: similarity) and 相似结构.
    static bool isStructureRoute(const QString &route);

private:
    // The routes CAS号, 拼音 and 元素.
    void typedKeySearch();
    // Lists the chemicals found through the search keys, in their order,
    // selects the first and says in the status bar how they were found.
    bool showRanked(const TypedFind &typed);
    // On the formula route: the chemicals of the typed composition before
    // the prefix matches; false when the text gives no such chemical.
    bool showCompositionFirst(const QString &text);
    void tellProblem(const QString &problem);
    // The structure routes: the chemicals that hold the typed structure, or
    // the most similar ones, most similar first.
    void structureSearch();
    // Lists one field of every result row (read when shown); the number of
    // entries.
    int fillList(const QString &field);
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
    QString m_note;
    // The similarity to the searched structure of each listed chemical, by
    // its list text, while the list holds a structure search's result.
    QHash<QString, double> m_similarity;
    QString m_structureNote;
    QString m_problem; // why the text could not be looked up, when it could not
};

} // namespace velmora::search
