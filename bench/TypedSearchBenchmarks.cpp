// The lookups behind what a chemist types (CAS number, formula, pinyin,
// elements), on the same databases as the name search, to compare with the
// engine's name query (engine/<db>/common and rare).
#include "BenchDatabase.h"
#include "Benchmarks.h"

#include "db/CasNumber.h"
#include "db/FormulaComposition.h"
#include "db/SearchKeys.h"

#include <benchmark/benchmark.h>

namespace velmora::bench {

namespace {

enum class Kind { Cas, Formula, Pinyin, Elements };

struct TypedQuery {
    const char *label;
    Kind kind;
    const char *text;
};

constexpr TypedQuery TypedQueries[] = {
    {"cas", Kind::Cas, "64-17-5"},
    {"formula", Kind::Formula, "C2H5OH"},
    {"pinyin", Kind::Pinyin, "yichun"},
    {"initials", Kind::Pinyin, "yc"},
    {"element", Kind::Elements, "Fe"},
    {"elements", Kind::Elements, "Cu S"},
};

std::vector<qint64> lookUp(sqlite3 *db, const TypedQuery &q)
{
    const QString text = QString::fromUtf8(q.text);
    switch (q.kind) {
    case Kind::Cas:
        return db::SearchKeys::findByCas(db, db::CasNumber::parse(text).normalised);
    case Kind::Formula:
        return db::SearchKeys::findByComposition(db, db::FormulaComposition::parseTyped(text)->key(), text);
    case Kind::Pinyin:
        return db::SearchKeys::findByPinyin(db, text);
    case Kind::Elements:
        return db::SearchKeys::findByElements(db, text.split(QLatin1Char(' ')));
    }
    return {};
}

void typedLookup(benchmark::State &state, BenchDatabase *db, TypedQuery q)
{
    sqlite3 *raw = db->raw();
    size_t rows = 0;
    for (auto _ : state)
        rows = lookUp(raw, q).size();
    state.counters["rows"] = double(rows);
}

} // namespace

void registerTypedSearchBenchmarks()
{
    for (BenchDatabase *db : BenchDatabase::engineMeasured()) {
        const std::string base = db->label().toStdString();
        for (const TypedQuery &q : TypedQueries)
            benchmark::RegisterBenchmark(("typed/" + base + "/" + q.label).c_str(), typedLookup, db, q)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
    }
}

} // namespace velmora::bench
