#include "db/ReadingGrid.h"

#include "db/ColumnCache.h"
#include "db/Database.h"

#include <QSet>
#include <algorithm>

namespace velmora::db {

namespace {
// Reading a whole column at once pays off after this many single reads.
constexpr int WholeColumnAfter = 24;
} // namespace

void ReadingGrid::load(std::shared_ptr<Database> db, const JetQuery &query, int fixedCols)
{
    // Field names come from the statement, so a grid knows its header even
    // when no record matches.
    Statement header(db->handle(),
                     QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(JetQuery::quoteName(query.table)));
    QStringList fields;
    for (int i = 0; i < header.columnCount(); ++i)
        fields << header.columnName(i);

    // Conditions on names and other short texts are tested on the in-memory
    // copies of their columns; the file is then read only for the order.
    std::vector<qint64> ids;
    std::vector<quint32> places;
    quint64 generation = 0;
    if (std::optional<CopySelection> found = db->columns().selectPlaces(query)) {
        // In stored order already; a sort field orders them by the order
        // prepared with the copies, else by the engine.
        if (query.orderBy.isEmpty()
            || (!query.descending && db->columns().order(query.table, query.orderBy, *found))) {
            ids = std::move(found->rowIds);
            places = std::move(found->places);
            generation = found->generation;
        } else {
            ids = ordered(*db, query, found->rowIds); // also checks the order field
        }
    } else {
        Statement select(db->handle(), query.toSqlite(QStringLiteral("rowid")));
        select.bindAll(query.parameters());
        while (select.step())
            ids.push_back(select.integer(0));
    }

    m_db = std::move(db);
    m_query = query;
    m_fixedCols = fixedCols;
    m_fields = fields;
    m_rowIds = std::move(ids);
    m_places = std::move(places);
    m_generation = generation;
    m_rowIndex.clear();
    m_columns.assign(size_t(m_fields.size()), Column{});
}

void ReadingGrid::loadRows(std::shared_ptr<Database> db, const QString &table,
                           const std::vector<qint64> &rowIds, int fixedCols)
{
    Statement header(db->handle(), QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(JetQuery::quoteName(table)));
    QStringList fields;
    for (int i = 0; i < header.columnCount(); ++i)
        fields << header.columnName(i);

    // The rows that still exist, asked for all at once.
    QSet<qint64> existing;
    existing.reserve(qsizetype(rowIds.size()));
    constexpr size_t Chunk = 10000;
    for (size_t start = 0; start < rowIds.size(); start += Chunk) {
        QString list;
        list.reserve(qsizetype(Chunk) * 8);
        for (size_t i = start; i < std::min(rowIds.size(), start + Chunk); ++i) {
            if (!list.isEmpty())
                list += QLatin1Char(',');
            list += QString::number(rowIds[i]);
        }
        Statement present(db->handle(), QStringLiteral("SELECT rowid FROM %1 WHERE rowid IN (%2)")
                                            .arg(JetQuery::quoteName(table), list));
        while (present.step())
            existing.insert(present.integer(0));
    }
    std::vector<qint64> ids;
    ids.reserve(rowIds.size());
    for (const qint64 id : rowIds)
        if (existing.remove(id)) // each row once, in the given order
            ids.push_back(id);

    JetQuery query;
    query.table = table;
    m_db = std::move(db);
    m_query = query;
    m_fixedCols = fixedCols;
    m_fields = fields;
    m_rowIds = std::move(ids);
    m_places.clear(); // not found through the copies
    m_generation = 0;
    m_rowIndex.clear();
    m_columns.assign(size_t(m_fields.size()), Column{});
}

std::vector<qint64> ReadingGrid::ordered(Database &db, const JetQuery &query, const std::vector<qint64> &rowIds)
{
    QString list;
    list.reserve(qsizetype(rowIds.size()) * 8);
    for (const qint64 id : rowIds) {
        if (!list.isEmpty())
            list += QLatin1Char(',');
        list += QString::number(id);
    }
    Statement s(db.handle(), QStringLiteral("SELECT rowid FROM %1 WHERE rowid IN (%2) ORDER BY %3")
                                 .arg(JetQuery::quoteName(query.table), list, query.orderSqlite()));
    std::vector<qint64> ids;
    ids.reserve(rowIds.size());
    while (s.step())
        ids.push_back(s.integer(0));
    return ids;
}

void ReadingGrid::clear()
{
    *this = ReadingGrid();
}

int ReadingGrid::column(const QString &name) const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields[i] == name)
            return i + m_fixedCols;
    return -1;
}

int ReadingGrid::rowOf(qint64 rowId) const
{
    if (m_rowIndex.isEmpty() && !m_rowIds.empty())
        for (size_t i = 0; i < m_rowIds.size(); ++i)
            m_rowIndex.insert(m_rowIds[i], int(i) + 1);
    return m_rowIndex.value(rowId, -1);
}

QString ReadingGrid::text(int row, int col) const
{
    const int field = col - m_fixedCols;
    if (field < 0 || field >= m_fields.size())
        return {};
    if (row == 0)
        return m_fields[field];
    if (row < 1 || row > int(m_rowIds.size()))
        return {};
    Column &c = m_columns[size_t(field)];
    if (c.loaded)
        return c.values[size_t(row - 1)];
    const qint64 id = m_rowIds[size_t(row - 1)];
    auto it = c.cells.constFind(id);
    if (it != c.cells.constEnd())
        return *it;
    if (!c.copyTried) {
        c.copyTried = true;
        if (loadColumnFromCopy(field))
            return c.values[size_t(row - 1)];
    }
    if (++c.singleReads > WholeColumnAfter && m_rowIds.size() > size_t(WholeColumnAfter)) {
        loadColumn(field);
        return c.values[size_t(row - 1)];
    }
    const QString value = fetchCell(id, field);
    c.cells.insert(id, value);
    return value;
}

QString ReadingGrid::fetchCell(qint64 rowId, int field) const
{
    Statement s(m_db->handle(), QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?1")
                                    .arg(JetQuery::quoteName(m_fields[field]),
                                         JetQuery::quoteName(m_query.table)));
    s.bind(1, rowId);
    if (!s.step() || s.isNull(0) || s.isBlob(0))
        return {};
    return s.text(0);
}

std::optional<ReadingGrid::ColumnView> ReadingGrid::columnView(int col) const
{
    const int field = col - m_fixedCols;
    if (!m_db || field < 0 || field >= m_fields.size() || m_places.size() != m_rowIds.size())
        return std::nullopt;
    std::shared_ptr<const TextColumn> copy = m_db->columns().copyOf(m_query.table, m_fields[field], m_generation);
    if (!copy)
        return std::nullopt;
    return ColumnView{std::move(copy), m_places};
}

bool ReadingGrid::loadColumnFromCopy(int field) const
{
    Column &c = m_columns[size_t(field)];
    std::vector<QString> values;
    std::vector<size_t> missing;
    if (!m_db->columns().values(m_query.table, m_fields[field], m_rowIds, values, missing))
        return false;
    for (const size_t i : missing)
        values[i] = fetchCell(m_rowIds[i], field);
    // Cells already read keep the text they were read with.
    for (auto it = c.cells.constBegin(); it != c.cells.constEnd(); ++it) {
        const int row = rowOf(it.key());
        if (row > 0)
            values[size_t(row - 1)] = *it;
    }
    c.values = std::move(values);
    c.cells.clear();
    c.loaded = true;
    return true;
}

void ReadingGrid::loadColumn(int field) const
{
    if (loadColumnFromCopy(field))
        return;
    Column &c = m_columns[size_t(field)];
    c.values.assign(m_rowIds.size(), QString());
    rowOf(0); // builds the index
    // Same conditions as the query: only the rows of this result are read.
    QString sql = QStringLiteral("SELECT rowid, %1 FROM %2")
                      .arg(JetQuery::quoteName(m_fields[field]), JetQuery::quoteName(m_query.table));
    if (!m_query.conditions.empty())
        sql += QStringLiteral(" WHERE ") + m_query.whereSqlite();
    Statement s(m_db->handle(), sql);
    s.bindAll(m_query.parameters());
    std::vector<bool> seen(m_rowIds.size(), false);
    while (s.step()) {
        const int row = m_rowIndex.value(s.integer(0), -1);
        if (row <= 0)
            continue;
        seen[size_t(row - 1)] = true;
        if (!s.isNull(1) && !s.isBlob(1))
            c.values[size_t(row - 1)] = s.text(1);
    }
    // Rows that the conditions no longer match (added or changed since the
    // query) are read one by one.
    for (size_t i = 0; i < m_rowIds.size(); ++i) {
        auto it = c.cells.constFind(m_rowIds[i]);
        if (it != c.cells.constEnd())
            c.values[i] = *it;
        else if (!seen[i])
            c.values[i] = fetchCell(m_rowIds[i], field);
    }
    c.cells.clear();
    c.loaded = true;
}

QByteArray ReadingGrid::blob(int row, int col) const
{
    const int field = col - m_fixedCols;
    if (row < 1 || row > int(m_rowIds.size()) || field < 0 || field >= m_fields.size())
        return {};
    Statement s(m_db->handle(), QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?1")
                                    .arg(JetQuery::quoteName(m_fields[field]),
                                         JetQuery::quoteName(m_query.table)));
    s.bind(1, m_rowIds[size_t(row - 1)]);
    if (!s.step() || !s.isBlob(0))
        return {};
    return s.blob(0);
}

void ReadingGrid::appendRow(qint64 rowId)
{
    m_rowIds.push_back(rowId);
    m_places.clear(); // its place in the copies is not known
    if (!m_rowIndex.isEmpty())
        m_rowIndex.insert(rowId, int(m_rowIds.size()));
    for (Column &c : m_columns)
        if (c.loaded)
            c.values.push_back(fetchCell(rowId, int(&c - m_columns.data())));
}

void ReadingGrid::removeRow(int row)
{
    if (row < 1 || row > int(m_rowIds.size()))
        return;
    const qint64 id = m_rowIds[size_t(row - 1)];
    m_rowIds.erase(m_rowIds.begin() + (row - 1));
    if (m_places.size() > size_t(row - 1))
        m_places.erase(m_places.begin() + (row - 1));
    m_rowIndex.clear();
    for (Column &c : m_columns) {
        c.cells.remove(id);
        if (c.loaded)
            c.values.erase(c.values.begin() + (row - 1));
    }
}

void ReadingGrid::forgetRow(int row)
{
    if (row < 1 || row > int(m_rowIds.size()))
        return;
    const qint64 id = m_rowIds[size_t(row - 1)];
    m_places.clear(); // the copies no longer hold its texts
    for (size_t f = 0; f < m_columns.size(); ++f) {
        Column &c = m_columns[f];
        c.cells.remove(id);
        if (c.loaded)
            c.values[size_t(row - 1)] = fetchCell(id, int(f));
    }
}

} // namespace velmora::db
