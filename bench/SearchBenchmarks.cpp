// The search from the Enter key to the record shown, route by route, next to
// the same query run by the plain engine and to a scan of the name column.
#include "BenchDatabase.h"
#include "Benchmarks.h"

#include "app/MainWindow.h"
#include "search/HistoryCombo.h"

#include <QLineEdit>
#include <QTest>
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <algorithm>
#include <stdexcept>

namespace velmora::bench {

void searchFromKeyboard(app::MainWindow &window, const QString &text)
{
    window.Combo2->setText(text);
    QTest::keyClick(window.Combo2->lineEdit(), Qt::Key_Return);
}

namespace {

// The program's query text with Jet's "*" turned into SQLite's "%".
QString engineQuery(const NameQuery &q)
{
    const QString route = QString::fromUtf8(q.route);
    const QString order = route == QStringLiteral("英文名称") ? QStringLiteral("英文标记") : QStringLiteral("中文标记");
    // Names and uses are found anywhere in the field, properties by their beginning.
    const bool anywhere = route == QStringLiteral("中文名称") || route == QStringLiteral("英文名称")
                          || route == QStringLiteral("用途");
    return QStringLiteral("select * from sj where %1 like '%4%2%' order by %3")
        .arg(route, QString::fromUtf8(q.text), order, anywhere ? QStringLiteral("%") : QString());
}

// Runs a query to its end; the number of rows.
qint64 runToEnd(sqlite3 *db, const QString &sql)
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("cannot prepare: ") + sqlite3_errmsg(db));
    qint64 rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        ++rows;
    sqlite3_finalize(stmt);
    return rows;
}

void searchCommand(benchmark::State &state, BenchDatabase *db, NameQuery q)
{
    app::MainWindow &w = db->window();
    w.setRoute(QString::fromUtf8(q.route));
    w.Combo1_Click();
    const QString text = QString::fromUtf8(q.text);
    // The first search on a column not yet copied reads it once; the
    // figure is that of the searches after it.
    searchFromKeyboard(w, text);
    for (auto _ : state)
        searchFromKeyboard(w, text);
    state.counters["rows"] = double(w.List1->count());
}

void engine(benchmark::State &state, BenchDatabase *db, NameQuery q)
{
    sqlite3 *raw = db->raw();
    const QString sql = engineQuery(q);
    qint64 rows = 0;
    for (auto _ : state)
        rows = runToEnd(raw, sql);
    state.counters["rows"] = double(rows);
}

void nameScan(benchmark::State &state, BenchDatabase *db)
{
    sqlite3 *raw = db->raw();
    qint64 rows = 0;
    for (auto _ : state)
        rows = runToEnd(raw, QStringLiteral("select 中文名称 from sj"));
    state.counters["rows"] = double(rows);
}

} // namespace

void registerSearchBenchmarks()
{
    const std::vector<BenchDatabase *> engineMeasured = BenchDatabase::engineMeasured();
    for (BenchDatabase *db : BenchDatabase::all()) {
        const std::string base = db->label().toStdString();
        const bool withEngine = std::find(engineMeasured.begin(), engineMeasured.end(), db) != engineMeasured.end();
        for (const NameQuery &q : NameQueries) {
            benchmark::RegisterBenchmark(("search/" + base + "/" + q.label).c_str(), searchCommand, db, q)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            if (withEngine)
                benchmark::RegisterBenchmark(("engine/" + base + "/" + q.label).c_str(), engine, db, q)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
        }
        for (const NameQuery &q : TypedRouteQueries)
            benchmark::RegisterBenchmark(("search/" + base + "/" + q.label).c_str(), searchCommand, db, q)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        benchmark::RegisterBenchmark(("namescan/" + base).c_str(), nameScan, db)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
}

} // namespace velmora::bench
