#include "db/StructureIndex.h"

#include "db/Database.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <sqlite3.h>
#include <thread>

namespace velmora::db {

using structure::MorganBytes;
using structure::ScreenBytes;

StructureIndex::StructureIndex(sqlite3 *db) : m_db(db) {}

StructureIndex::~StructureIndex()
{
    sqlite3_finalize(m_dataVersion);
}

void StructureIndex::checkCurrent()
{
    if (!m_dataVersion
        && sqlite3_prepare_v2(m_db, "PRAGMA data_version", -1, &m_dataVersion, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_dataVersion);
        m_dataVersion = nullptr;
    }
    qint64 version = -2;
    if (m_dataVersion && sqlite3_step(m_dataVersion) == SQLITE_ROW)
        version = sqlite3_column_int64(m_dataVersion, 0);
    if (m_dataVersion)
        sqlite3_reset(m_dataVersion);
    const qint64 changes = sqlite3_total_changes64(m_db);
    if (m_loaded && version == m_version && changes == m_changes && version != -2)
        return;
    m_version = version;
    m_changes = changes;
    m_loaded = true;
    m_keys.clear();
    m_canonical.clear();
    m_screen.clear();
    m_morgan.clear();
    Statement exists(m_db, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND "
                                          "name = 'velmora_structure'"));
    if (!exists.step())
        return;
    // One pass in key order (the handbook's order, ties keep it); the side
    // table holds only rows of chemicals that are there.
    Statement rows(m_db, QStringLiteral("SELECT rowkey, canonical, fp, morgan FROM velmora_structure"));
    sqlite3_stmt *st = rows.handle();
    while (rows.step()) {
        const void *fp = sqlite3_column_blob(st, 2);
        const int fpBytes = sqlite3_column_bytes(st, 2);
        const void *morgan = sqlite3_column_blob(st, 3);
        const int morganBytes = sqlite3_column_bytes(st, 3);
        if (fpBytes != ScreenBytes || morganBytes != MorganBytes)
            continue; // written by another version: not searchable
        m_keys.push_back(sqlite3_column_int64(st, 0));
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(st, 1));
        m_canonical.emplace_back(text ? text : "");
        const auto *a = static_cast<const unsigned char *>(fp);
        const auto *b = static_cast<const unsigned char *>(morgan);
        m_screen.insert(m_screen.end(), a, a + ScreenBytes);
        m_morgan.insert(m_morgan.end(), b, b + MorganBytes);
    }
}

int StructureIndex::size()
{
    checkCurrent();
    return int(m_keys.size());
}

namespace {

bool covers(const unsigned char *target, const unsigned char *query)
{
    for (int i = 0; i < ScreenBytes; i += 8) {
        quint64 t, q;
        std::memcpy(&t, target + i, 8);
        std::memcpy(&q, query + i, 8);
        if ((t & q) != q)
            return false;
    }
    return true;
}

void rank(std::vector<StructureIndex::Hit> &hits)
{
    std::stable_sort(hits.begin(), hits.end(), [](const auto &a, const auto &b) { return a.similarity > b.similarity; });
}

} // namespace

std::optional<std::vector<StructureIndex::Hit>> StructureIndex::substructure(const QString &text,
                                                                            structure::ParseError *error)
{
    const auto query = structure::Query::parse(text, error);
    if (!query)
        return std::nullopt;
    checkCurrent();
    const auto *screen = reinterpret_cast<const unsigned char *>(query->screen().constData());
    std::vector<size_t> candidates;
    for (size_t i = 0; i < m_keys.size(); ++i)
        if (covers(&m_screen[i * ScreenBytes], screen))
            candidates.push_back(i);

    // The exact match, the costly part, on every core.
    std::vector<char> found(candidates.size(), 0);
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (;;) {
            const size_t start = next.fetch_add(16);
            if (start >= candidates.size())
                return;
            const size_t end = std::min(candidates.size(), start + 16);
            for (size_t c = start; c < end; ++c)
                found[c] = query->matches(m_canonical[candidates[c]]) ? 1 : 0;
        }
    };
    const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    const unsigned helpers = candidates.size() > 64 ? cores - 1 : 0;
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < helpers; ++i)
        threads.emplace_back(work);
    work();
    for (auto &t : threads)
        t.join();

    const QByteArray &qm = query->morgan();
    std::vector<Hit> hits;
    for (size_t c = 0; c < candidates.size(); ++c) {
        if (!found[c])
            continue;
        const size_t i = candidates[c];
        const double s = qm.size() == MorganBytes
                             ? structure::tanimoto(reinterpret_cast<const unsigned char *>(qm.constData()),
                                                   &m_morgan[i * MorganBytes], MorganBytes)
                             : 0.0;
        hits.push_back({m_keys[i], s});
    }
    rank(hits);
    return hits;
}

std::optional<std::vector<StructureIndex::Hit>> StructureIndex::similar(const QString &text,
                                                                       structure::ParseError *error, int limit,
                                                                       double floor)
{
    const auto facts = structure::describe(text, error);
    if (!facts)
        return std::nullopt;
    checkCurrent();
    const auto *qm = reinterpret_cast<const unsigned char *>(facts->morgan.constData());
    std::vector<Hit> hits;
    for (size_t i = 0; i < m_keys.size(); ++i) {
        const double s = structure::tanimoto(qm, &m_morgan[i * MorganBytes], MorganBytes);
        if (s >= floor)
            hits.push_back({m_keys[i], s});
    }
    rank(hits);
    if (limit > 0 && hits.size() > size_t(limit))
        hits.resize(size_t(limit));
    return hits;
}

} // namespace velmora::db
