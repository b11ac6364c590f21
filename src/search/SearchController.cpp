#include "search/SearchController.h"

#include "app/MainWindow.h"
#include "app/Prompts.h"
#include "db/AppFolder.h"
#include "db/DataSource.h"
#include "db/DbError.h"
#include "db/Database.h"
#include "db/StructureIndex.h"
#include "db/ResultFile.h"
#include "search/HistoryCombo.h"
#include "search/SearchQueries.h"
#include "search/TypedLookup.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QStatusBar>
#include <algorithm>

namespace velmora::search {

namespace {
const QString NotFound = QStringLiteral("你所要找的化学品未找到，请检查途径是否正确或把条件放宽，再进行检索！");
}

void SearchController::writeResult(const QString &text)
{
    db::ResultFile::write(db::AppFolder::file(QStringLiteral("\\result")), text);
}

int SearchController::columnOf(const QString &field) const
{
    const db::ReadingGrid &g = w.Data1->grid();
    const int c = g.column(field);
    return c >= 0 ? c : g.cols() - 1;
}

void SearchController::search_Click()
{
    w.showBusy(QStringLiteral("请稍后……"));
    const QString text = w.Combo2->text();
    if (isRefusedSearchText(text)) {
        w.Combo2->setText(QStringLiteral("请输入检索条件……"));
    } else {
        const QString route = w.route();
        static const QStringList propertyRoutes = {
            QStringLiteral("分子量"), QStringLiteral("分子式"), QStringLiteral("密度"),
            QStringLiteral("熔点"),   QStringLiteral("折射率"), QStringLiteral("闪点"),
            QStringLiteral("粘度"),   QStringLiteral("沸点"),   QStringLiteral("蒸汽压")};
        m_routeFailed = false;
        m_problem.clear();
        m_note.clear();
        m_similarity.clear();
        if (propertyRoutes.contains(route))
            jiansuo_suo();
        else if (route == QStringLiteral("中文名称") || route == QStringLiteral("英文名称"))
            zwjiansuo_jian();
        else if (route == QStringLiteral("用途"))
            yongtu_tu();
        else if (isTypedKeyRoute(route))
            typedKeySearch();
        else if (isStructureRoute(route))
            structureSearch();

        if (w.List1->count() > 0) {
            w.find_Click();
            // A text that made the query fail is not remembered for the next
            // start, which would fail on it again.
            // A structure is no name to search for at the next start: the
            // selected chemical's name stays remembered.
            if (!m_routeFailed && !isStructureRoute(route))
                writeResult(text);
        } else if (m_problem.isEmpty()) {
            w.writeNotFound();
        } else {
            tellProblem(m_problem);
        }
    }
    w.showCount();
    forr_forr();
}

void SearchController::zwjiansuo_jian()
{
    const QString route = w.route();
    w.Data1->setRecordSource(queries::name(route, w.Combo2->text()));
    try {
        w.Data1->refresh();
    } catch (const db::DbError &error) {
        m_routeFailed = true;
        if (error.number() == db::errors::InvalidPattern)
            app::Prompts::warning(&w, QStringLiteral("警告！"), QStringLiteral("不能含有无效字符[]！"));
        return;
    }
    const int found = fillList(route);

    if (found == 0) {
        // No name holds the text: it may be a CAS number, a formula or pinyin.
        TypedFind typed;
        try {
            typed = findAsTypedKey(w.Data1->connection()->handle(), w.Combo2->text());
        } catch (const db::DbError &) {
            // No search keys to try: the name search's answer stands.
        }
        if (typed.found()) {
            showRanked(typed);
            return;
        }
        w.setRecordCommandsEnabled(false);
        w.writeNotFound();
        if (!typed.problem.isEmpty())
            tellProblem(typed.problem);
        return;
    }
    const bool english = route == QStringLiteral("英文名称");
    if (route == QStringLiteral("中文名称"))
        w.setRecordCommandsEnabled(true);
    else if (english)
        w.setRecordCommandsEnabled(false);
    const QString separator = english ? QStringLiteral(";") : QStringLiteral("；");
    // English names are matched whole whatever their letter case.
    selectEntry(std::max(0, w.List1->entries()->firstWholeName(separator, w.Combo2->text(),
                                                                english ? Qt::CaseInsensitive
                                                                        : Qt::CaseSensitive)));
}

bool SearchController::isTypedKeyRoute(const QString &route)
{
    return route == QStringLiteral("CAS号") || route == QStringLiteral("拼音") || route == QStringLiteral("元素");
}

bool SearchController::isStructureRoute(const QString &route)
{
    return route == QStringLiteral("结构式") || route == QStringLiteral("相似结构");
}

void SearchController::structureSearch()
{
    QString text = w.Combo2->text().trimmed();
    bool similar = w.route() == QStringLiteral("相似结构");
    if (text.startsWith(u'~') || text.startsWith(u'～')) {
        similar = true;
        text = text.mid(1).trimmed();
    }
    std::optional<std::vector<db::StructureIndex::Hit>> hits;
    structure::ParseError error;
    try {
        db::StructureIndex &index = w.Data1->connection()->structures();
        hits = similar ? index.similar(text, &error) : index.substructure(text, &error);
    } catch (const db::DbError &) {
        m_routeFailed = true;
        return;
    }
    std::vector<qint64> keys;
    QHash<qint64, double> byKey;
    if (hits) {
        for (const auto &h : *hits) {
            keys.push_back(h.key);
            byKey.insert(h.key, h.similarity);
        }
    }
    if (keys.empty()) {
        m_filling = true;
        w.List1->clear();
        m_filling = false;
        w.setRecordCommandsEnabled(false);
        w.writeNotFound();
        if (!hits)
            tellProblem(error.message);
        return;
    }
    try {
        w.Data1->refreshWithKeys(QStringLiteral("sj"), keys);
    } catch (const db::DbError &) {
        m_routeFailed = true;
        return;
    }
    const db::ReadingGrid &g = w.Data1->grid();
    const int name = columnOf(QStringLiteral("中文名称"));
    for (int r = 1; r < g.rows(); ++r)
        m_similarity.insert(g.text(r, name), byKey.value(g.rowId(r)));
    const int count = fillList(QStringLiteral("中文名称"));
    if (count == 0) {
        w.setRecordCommandsEnabled(false);
        return;
    }
    w.setRecordCommandsEnabled(true);
    m_structureNote = similar ? QStringLiteral("按结构相似度找到 %1 个化学品").arg(count)
                              : QStringLiteral("按结构式找到 %1 个含有它的化学品，最相似的在前").arg(count);
    m_note = m_structureNote;
    selectEntry(0);
}

void SearchController::typedKeySearch()
{
    const QString route = w.route();
    const QString text = w.Combo2->text();
    TypedFind typed;
    try {
        sqlite3 *db = w.Data1->connection()->handle();
        if (route == QStringLiteral("CAS号"))
            typed = findByCasText(db, text);
        else if (route == QStringLiteral("拼音"))
            typed = findByPinyinText(db, text);
        else
            typed = findByElementText(db, text);
    } catch (const db::DbError &) {
        m_routeFailed = true;
        return;
    }
    if (typed.found()) {
        showRanked(typed);
        return;
    }
    m_filling = true;
    w.List1->clear();
    m_filling = false;
    w.setRecordCommandsEnabled(false);
    w.writeNotFound();
    if (!typed.problem.isEmpty())
        tellProblem(typed.problem);
}

bool SearchController::showRanked(const TypedFind &typed)
{
    const QString route = w.route();
    try {
        w.Data1->refreshWithKeys(QStringLiteral("sj"), typed.keys);
    } catch (const db::DbError &) {
        m_routeFailed = true;
        return false;
    }
    // The list holds the names the route looks records up by.
    const int count = fillList(queries::lookupField(route));
    if (count == 0) {
        w.setRecordCommandsEnabled(false);
        return false;
    }
    w.setRecordCommandsEnabled(route != QStringLiteral("英文名称"));
    selectEntry(0);
    m_note = foundThisWay(typed.how, count);
    w.StatusBar1->showMessage(m_note);
    return true;
}

void SearchController::tellProblem(const QString &problem)
{
    // Shown where the record would be, and in the status bar.
    m_problem = problem;
    m_note = problem;
    w.writeNotFound(problem);
    w.StatusBar1->showMessage(problem);
}

int SearchController::fillList(const QString &field)
{
    // The entries are read from the result when they are shown.
    m_filling = true;
    w.List1->clear();
    w.List1->showColumn(w.Data1->grid(), columnOf(field));
    m_filling = false;
    return w.List1->count();
}

void SearchController::ll_ll()
{
    fillList(QStringLiteral("中文名称"));
}

int SearchController::colx_colx()
{
    return columnOf(w.route());
}

void SearchController::jiansuo_suo()
{
    const QString route = w.route();
    const QString text = w.Combo2->text();
    w.Data1->setRecordSource(queries::property(route, text));
    try {
        w.Data1->refresh();
    } catch (const db::DbError &) {
        m_routeFailed = true;
        return;
    }
    if (route == QStringLiteral("分子式") && showCompositionFirst(text))
        return;
    ll_ll();
    if (w.List1->count() == 0) {
        w.setRecordCommandsEnabled(false);
        return;
    }
    w.setRecordCommandsEnabled(route == QStringLiteral("中文名称"));
    const int col = colx_colx();
    const db::ReadingGrid &g = w.Data1->grid();
    int entry = 0;
    for (int r = 1; r < g.rows(); ++r) {
        if (g.text(r, col) == text) {
            entry = r - 1;
            break;
        }
    }
    selectEntry(entry);
}

bool SearchController::showCompositionFirst(const QString &text)
{
    TypedFind typed;
    try {
        typed = findByFormulaText(w.Data1->connection()->handle(), text);
    } catch (const db::DbError &) {
        return false;
    }
    if (!typed.found())
        return false; // the prefix search alone, as it always was
    const db::ReadingGrid &g = w.Data1->grid();
    std::vector<qint64> prefix;
    prefix.reserve(size_t(g.rows() - 1));
    for (int r = 1; r < g.rows(); ++r)
        prefix.push_back(g.rowId(r));
    typed.keys = compositionFirst(typed.keys, prefix);
    return showRanked(typed);
}

void SearchController::elementSearch(const QStringList &symbols)
{
    m_similarity.clear();
    m_note.clear();
    const QString route = w.route();
    w.Data1->setRecordSource(queries::elements(route, symbols));
    try {
        w.Data1->refresh();
    } catch (const db::DbError &) {
        m_routeFailed = true;
        return;
    }
    // The engine's LIKE ignores case; keep the rows that name the element.
    const db::ReadingGrid &g = w.Data1->grid();
    const int formula = columnOf(route);
    const int name = columnOf(QStringLiteral("中文名称"));
    std::vector<int> rows;
    int entry = -1;
    for (int r = 1; r < g.rows(); ++r) {
        const QString text = g.text(r, formula);
        for (const QString &symbol : symbols) {
            if (beginsWithElement(text, symbol)) {
                // The element itself is the entry shown, as in the route.
                if (entry < 0 && text == symbol)
                    entry = int(rows.size());
                rows.push_back(r);
                break;
            }
        }
    }
    m_filling = true;
    w.List1->clear();
    w.List1->showColumn(g, name, rows);
    m_filling = false;
    if (rows.empty()) {
        w.setRecordCommandsEnabled(false);
        return;
    }
    w.setRecordCommandsEnabled(route == QStringLiteral("中文名称"));
    selectEntry(entry < 0 ? 0 : entry);
}

void SearchController::yongtu_tu()
{
    w.Data1->setRecordSource(queries::use(w.route(), w.Combo2->text()));
    try {
        w.Data1->refresh();
    } catch (const db::DbError &) {
        m_routeFailed = true;
        return;
    }
    ll_ll();
    if (w.List1->count() > 0)
        selectEntry(0);
}

void SearchController::selectEntry(int index)
{
    m_filling = true;
    w.List1->setCurrentRow(index);
    m_filling = false;
    m_rowChanged = false;
    List1_Click();
}

bool SearchController::fetchExact(const QString &name)
{
    w.Data1->setRecordSource(queries::exact(queries::lookupField(w.route()), name));
    try {
        w.Data1->refresh();
    } catch (const db::DbError &) {
        return false;
    }
    return true;
}

void SearchController::List1_Click()
{
    if (w.List1->currentRow() < 0)
        return;
    const QString name = w.List1->currentText();
    if (!fetchExact(name))
        return;
    w.find_Click();
    w.Combo2->addHistory(name);
    w.buttonMenu(4)->addAction(name);
    writeResult(name);
    forr_forr();
    const auto similarity = m_similarity.constFind(name);
    if (similarity != m_similarity.constEnd()) {
        // The list's note tells the selected chemical's similarity.
        m_note = QStringLiteral("%1；%2 与所查结构的相似度 %3")
                     .arg(m_structureNote, name.section(QStringLiteral("；"), 0, 0))
                     .arg(*similarity, 0, 'f', 2);
        w.StatusBar1->showMessage(m_note);
    }
}

void SearchController::setNavigation(bool back, bool forward)
{
    w.toolbarButton(4)->setEnabled(back);
    w.menuEntry(QStringLiteral("down"))->setEnabled(back);
    w.toolbarButton(5)->setEnabled(forward);
    w.menuEntry(QStringLiteral("up"))->setEnabled(forward);
}

void SearchController::forr_forr()
{
    const NavigationState s = navigationState(w.Combo2->listCount(), w.Combo2->listIndex());
    setNavigation(s.back, s.forward);
}

void SearchController::down_Click()
{
    w.buttonMenu(5)->addAction(w.Combo2->text());
    const int n = w.Combo2->listCount();
    const int i = w.Combo2->listIndex();
    if (i == 0) {
        w.toolbarButton(4)->setEnabled(false);
        w.menuEntry(QStringLiteral("down"))->setEnabled(false);
    } else {
        const bool forward = i != n - 1;
        w.toolbarButton(5)->setEnabled(forward);
        w.menuEntry(QStringLiteral("up"))->setEnabled(forward);
    }
    w.Combo2->setListIndex(i == -1 ? n - 2 : i - 1);
    if (fetchExact(w.Combo2->text()) && w.Data1->recordCount() > 0)
        w.find_Click();
    forr_forr();
}

void SearchController::up_Click()
{
    const int n = w.Combo2->listCount();
    const int i = w.Combo2->listIndex();
    if (i != n - 1) {
        w.toolbarButton(5)->setEnabled(true);
        w.menuEntry(QStringLiteral("up"))->setEnabled(true);
        w.Combo2->setListIndex(i + 1);
        if (fetchExact(w.Combo2->text()) && w.Data1->recordCount() > 0)
            w.find_Click();
    } else {
        w.toolbarButton(5)->setEnabled(false);
        w.menuEntry(QStringLiteral("up"))->setEnabled(false);
    }
    forr_forr();
}

void SearchController::jumpTo(const QString &text)
{
    // The history, its position and the commands stay as they are.
    w.Combo2->showText(text);
    if (fetchExact(text) && w.Data1->recordCount() > 0)
        w.find_Click();
}

} // namespace velmora::search
