// The structure search on the shipped and the 100,000-chemical databases:
// the index search itself (screen, exact match on every core, ranking), the
// same through the window (Enter to record shown), and the first search of
// a connection, which reads the fingerprints into memory.
#include "BenchDatabase.h"
#include "Benchmarks.h"

#include "app/MainWindow.h"
#include "db/Database.h"
#include "db/StructureIndex.h"

#include <QComboBox>
#include <QListWidget>
#include <benchmark/benchmark.h>

namespace velmora::bench {

namespace {

struct StructureQuery {
    const char *label;
    bool similar;
    const char *text;
};

constexpr StructureQuery StructureQueries[] = {
    {"substructure-nitrobenzene", false, "c1ccccc1[N+](=O)[O-]"},
    {"substructure-carboxylic-acid", false, "[CX3](=O)[OX2H1]"},
    {"similarity-aspirin", true, "CC(=O)Oc1ccccc1C(=O)O"},
};

std::unique_ptr<db::Database> open(BenchDatabase *db)
{
    return std::make_unique<db::Database>(db->chemicals(), QStringLiteral(";pwd=5817402"),
                                          db::Database::Mode::ReadOnly);
}

void structureSearch(benchmark::State &state, BenchDatabase *bench, StructureQuery q)
{
    const auto database = open(bench);
    db::StructureIndex &index = database->structures();
    index.size(); // the fingerprints read once, as after the first search
    const QString text = QString::fromUtf8(q.text);
    size_t rows = 0;
    for (auto _ : state) {
        const auto hits = q.similar ? index.similar(text) : index.substructure(text);
        rows = hits ? hits->size() : 0;
    }
    state.counters["rows"] = double(rows);
}

void firstSearch(benchmark::State &state, BenchDatabase *bench)
{
    size_t rows = 0;
    for (auto _ : state) {
        const auto database = open(bench);
        const auto hits = database->structures().substructure(QStringLiteral("c1ccccc1[N+](=O)[O-]"));
        rows = hits ? hits->size() : 0;
    }
    state.counters["rows"] = double(rows);
}

void windowSearch(benchmark::State &state, BenchDatabase *db, StructureQuery q)
{
    app::MainWindow &w = db->window();
    w.setRoute(q.similar ? QStringLiteral("相似结构") : QStringLiteral("结构式"));
    w.Combo1_Click();
    const QString text = QString::fromUtf8(q.text);
    searchFromKeyboard(w, text); // the fingerprints read once
    for (auto _ : state)
        searchFromKeyboard(w, text);
    state.counters["rows"] = double(w.List1->count());
}

} // namespace

void registerStructureBenchmarks()
{
    for (BenchDatabase *db : {&BenchDatabase::shipped(), &BenchDatabase::synthetic()}) {
        const std::string base = db->label().toStdString();
        for (const StructureQuery &q : StructureQueries) {
            benchmark::RegisterBenchmark(("structure/" + base + "/" + q.label).c_str(), structureSearch, db, q)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            benchmark::RegisterBenchmark(("structure_window/" + base + "/" + q.label).c_str(), windowSearch, db, q)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
        benchmark::RegisterBenchmark(("structure_first/" + base).c_str(), firstSearch, db)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(3);
    }
}

} // namespace velmora::bench
