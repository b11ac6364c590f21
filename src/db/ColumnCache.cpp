#include "db/ColumnCache.h"

#include "db/ChineseOrder.h"
#include "db/Database.h"
#include "db/JetLike.h"
#include "db/TextForm.h"

#include <sqlite3.h>
#include <algorithm>
#include <memory>

namespace velmora::db {

namespace {

// SQLite compares names without regard to the case of ASCII letters.
QString foldName(const QString &name)
{
    QString folded = name;
    for (QChar &c : folded)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return folded;
}

// The column affinity rules of SQLite: TEXT when the declared type names no
// INT but CHAR, CLOB or TEXT.
bool hasTextAffinity(const QString &declared)
{
    const QString t = declared.toUpper();
    if (t.contains(QLatin1String("INT")))
        return false;
    return t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB"))
           || t.contains(QLatin1String("TEXT"));
}

// SQL truth values ordered so that AND is the minimum and OR the maximum.
enum Truth : unsigned char { False = 0, Unknown = 1, True = 2 };

// The conditions in evaluation order (AND before OR, parentheses first):
// a condition index pushes its value, And and Or combine the top two.
struct Program {
    static constexpr int And = -1;
    static constexpr int Or = -2;
    std::vector<int> steps;
};

class ConditionParser {
public:
    explicit ConditionParser(const std::vector<JetQuery::Condition> &conditions)
    {
        for (size_t i = 0; i < conditions.size(); ++i) {
            const auto &c = conditions[i];
            if (i > 0)
                m_tokens.push_back(c.connector == QLatin1String("or") ? Program::Or : Program::And);
            for (int k = 0; k < c.openParens; ++k)
                m_tokens.push_back(Open);
            m_tokens.push_back(int(i));
            for (int k = 0; k < c.closeParens; ++k)
                m_tokens.push_back(Close);
        }
    }

    std::optional<Program> parse()
    {
        Program p;
        if (!orList(p) || m_at != m_tokens.size())
            return std::nullopt;
        return p;
    }

private:
    static constexpr int Open = -3;
    static constexpr int Close = -4;

    bool orList(Program &p)
    {
        if (!andList(p))
            return false;
        while (peek() == Program::Or) {
            ++m_at;
            if (!andList(p))
                return false;
            p.steps.push_back(Program::Or);
        }
        return true;
    }
    bool andList(Program &p)
    {
        if (!factor(p))
            return false;
        while (peek() == Program::And) {
            ++m_at;
            if (!factor(p))
                return false;
            p.steps.push_back(Program::And);
        }
        return true;
    }
    bool factor(Program &p)
    {
        const int t = peek();
        if (t == Open) {
            ++m_at;
            if (!orList(p) || peek() != Close)
                return false;
            ++m_at;
            return true;
        }
        if (t < 0)
            return false;
        ++m_at;
        p.steps.push_back(t);
        return true;
    }
    int peek() const { return m_at < m_tokens.size() ? m_tokens[m_at] : Close - 1; }

    std::vector<int> m_tokens;
    size_t m_at = 0;
};

} // namespace

QString TextColumn::value(size_t i) const
{
    return kinds[i] == Text ? decodeUtf8(at(i)) : QString();
}

ColumnCache::ColumnCache(sqlite3 *db) : m_db(db) {}

ColumnCache::~ColumnCache()
{
    sqlite3_finalize(m_dataVersion);
}

void ColumnCache::checkCurrent()
{
    if (!m_dataVersion
        && sqlite3_prepare_v2(m_db, "PRAGMA data_version", -1, &m_dataVersion, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_dataVersion);
        m_dataVersion = nullptr;
    }
    qint64 version = -2; // unknown: nothing is kept
    if (m_dataVersion && sqlite3_step(m_dataVersion) == SQLITE_ROW)
        version = sqlite3_column_int64(m_dataVersion, 0);
    if (m_dataVersion)
        sqlite3_reset(m_dataVersion);
    const qint64 changes = sqlite3_total_changes64(m_db);
    if (version != m_version || changes != m_changes || version == -2) {
        m_tables.clear();
        m_bytes = 0;
        ++m_generation;
        m_version = version;
        m_changes = changes;
    }
}

ColumnCache::Table &ColumnCache::table(const QString &name)
{
    Table &t = m_tables[foldName(name)];
    if (!t.loaded) {
        t.loaded = true;
        try {
            Statement info(m_db, QStringLiteral("PRAGMA table_info(%1)").arg(JetQuery::quoteName(name)));
            while (info.step())
                if (hasTextAffinity(info.text(2)))
                    t.textFields.insert(foldName(info.text(1)), info.text(1));
        } catch (const std::exception &) {
            // Not a table this connection can read: nothing is kept for it.
        }
    }
    return t;
}

ColumnCache::IndexOf ColumnCache::indexOf(const QString &tableName, const QString &field)
{
    IndexOf found;
    try {
        Statement list(m_db, QStringLiteral("PRAGMA index_list(%1)").arg(JetQuery::quoteName(tableName)));
        while (list.step()) {
            // Columns: seq, name, unique, origin, partial.
            if (list.columnCount() > 4 && list.integer(4) != 0)
                continue; // a partial index lacks rows
            const QString name = list.text(1);
            Statement info(m_db, QStringLiteral("PRAGMA index_xinfo(%1)").arg(JetQuery::quoteName(name)));
            // Columns: seqno, cid, name, desc, coll, key; the first key column.
            if (!info.step() || foldName(info.text(2)) != foldName(field) || info.integer(3) != 0)
                continue;
            const bool nocase = info.text(4).compare(QLatin1String("NOCASE"), Qt::CaseInsensitive) == 0;
            if (found.name.isEmpty() || (nocase && !found.nocase))
                found = IndexOf{name, nocase};
        }
    } catch (const std::exception &) {
        return {};
    }
    return found;
}

const ColumnCache::Column *ColumnCache::column(Table &t, const QString &tableName, const QString &field)
{
    const QString key = foldName(field);
    if (auto it = t.columns.find(key); it != t.columns.end())
        return it->second.get();
    const QString stored = t.textFields.value(key);
    if (stored.isEmpty() || t.refused.contains(key) || m_bytes >= TotalLimit)
        return nullptr;
    const QString f = JetQuery::quoteName(stored);
    const QString from = JetQuery::quoteName(tableName);
    try {
        // Long texts are left in the file: judge by the first rows.
        Statement sample(m_db, QStringLiteral("SELECT avg(length(CAST(%1 AS BLOB))) FROM (SELECT %1 FROM %2 LIMIT 256)")
                                   .arg(f, from));
        if (sample.step() && !sample.isNull(0)
            && (sample.integer(0) > AverageLimit
                || (!t.rowIds.empty() && sample.integer(0) * qint64(t.rowIds.size()) > ColumnLimit))) {
            t.refused.insert(key);
            return nullptr;
        }
        // The rows are wide (long texts, a picture): a narrow index of the
        // column is read instead when the file has one, in its order; one
        // whose collation is NOCASE gives the field's sort order for ASCII
        // texts (ties by rowid), which orderOf() then takes as it is.
        const IndexOf index = indexOf(tableName, stored);
        QString select = QStringLiteral("SELECT rowid, %1 FROM %2").arg(f, from);
        if (!index.name.isEmpty())
            select += QStringLiteral(" INDEXED BY %1").arg(JetQuery::quoteName(index.name));
        if (index.nocase)
            select += QStringLiteral(" ORDER BY %1 COLLATE NOCASE, rowid").arg(f);
        struct Read {
            qint64 rowId;
            quint32 begin, end;
            unsigned char kind;
        };
        std::vector<Read> reads;
        reads.reserve(t.rowIds.size());
        std::string text;
        bool ascending = true;
        Statement all(m_db, select);
        sqlite3_stmt *s = all.handle();
        while (all.step()) {
            Read r{sqlite3_column_int64(s, 0), quint32(text.size()), 0, Null};
            if (!reads.empty() && r.rowId < reads.back().rowId)
                ascending = false;
            const int type = sqlite3_column_type(s, 1);
            if (type == SQLITE_BLOB) {
                r.kind = Other;
            } else if (type != SQLITE_NULL) {
                const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(s, 1));
                const size_t n = size_t(sqlite3_column_bytes(s, 1));
                text.append(p, n);
                r.kind = Text;
            }
            r.end = quint32(text.size());
            reads.push_back(r);
            if (qint64(text.size()) > ColumnLimit || m_bytes + qint64(text.size()) > TotalLimit) {
                t.refused.insert(key);
                return nullptr;
            }
        }
        std::vector<quint32> readOrder; // place of each row read, in reading order
        if (!ascending) {
            std::vector<quint32> byId; // reading indexes in rowid order
            byId.reserve(reads.size());
            qint64 low = reads.front().rowId, high = low;
            for (const Read &r : reads) {
                low = std::min(low, r.rowId);
                high = std::max(high, r.rowId);
            }
            if (high - low < qint64(reads.size()) * 4) {
                // Row ids are nearly dense (the usual case): placed directly.
                std::vector<qint32> slot(size_t(high - low + 1), -1);
                for (size_t i = 0; i < reads.size(); ++i)
                    slot[size_t(reads[i].rowId - low)] = qint32(i);
                for (const qint32 i : slot)
                    if (i >= 0)
                        byId.push_back(quint32(i));
            } else {
                for (size_t i = 0; i < reads.size(); ++i)
                    byId.push_back(quint32(i));
                std::sort(byId.begin(), byId.end(),
                          [&reads](quint32 a, quint32 b) { return reads[a].rowId < reads[b].rowId; });
            }
            // Kept only when it is the sort order of the ASCII texts; a text
            // with other characters is marked for orderOf() to sort.
            if (index.nocase) {
                readOrder.resize(reads.size());
                for (size_t place = 0; place < byId.size(); ++place) {
                    const Read &r = reads[byId[place]];
                    const std::string_view v(text.data() + r.begin, r.end - r.begin);
                    const bool ascii = std::all_of(v.begin(), v.end(),
                                                   [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
                    readOrder[byId[place]] = quint32(place) | (ascii ? 0u : OtherText);
                }
            }
            std::vector<Read> sorted;
            sorted.reserve(reads.size());
            for (const quint32 i : byId)
                sorted.push_back(reads[i]);
            reads = std::move(sorted);
        }
        auto c = std::make_shared<Column>();
        c->text.reserve(text.size());
        c->ends.reserve(reads.size());
        c->kinds.reserve(reads.size());
        std::vector<qint64> ids;
        ids.reserve(reads.size());
        for (const Read &r : reads) {
            ids.push_back(r.rowId);
            c->text.append(text, r.begin, r.end - r.begin);
            c->ends.push_back(quint32(c->text.size()));
            c->kinds.push_back(r.kind);
        }
        if (t.columns.empty())
            t.rowIds = std::move(ids);
        else if (ids != t.rowIds)
            return nullptr; // cannot happen while the file is unchanged
        if (!readOrder.empty())
            t.readOrder[key] = std::move(readOrder);
        m_bytes += qint64(c->text.size() + c->ends.size() * sizeof(quint32) + c->kinds.size());
        return t.columns.emplace(key, std::move(c)).first->second.get();
    } catch (const std::exception &) {
        t.refused.insert(key);
        return nullptr;
    }
}

const ColumnCache::Order *ColumnCache::orderOf(Table &t, const QString &tableName, const QString &field)
{
    const QString key = foldName(field);
    if (auto it = t.orders.find(key); it != t.orders.end())
        return it->second.get();
    const Column *c = column(t, tableName, field);
    if (!c)
        return nullptr;
    const size_t n = c->size();
    for (size_t i = 0; i < n; ++i)
        if (c->kinds[i] == Other)
            return nullptr; // pictures sort after text by their bytes: left to the engine
    // The engine's ORDER BY field COLLATE velmora_order, rowid: NULL first,
    // then by the collation, equal texts in rowid (place) order.
    auto before = [c](quint32 a, quint32 b) {
        const bool nullA = c->kinds[a] == Null, nullB = c->kinds[b] == Null;
        if (nullA != nullB)
            return nullA;
        if (!nullA) {
            const int r = ChineseOrder::compare(c->at(a), c->at(b));
            if (r != 0)
                return r < 0;
        }
        return a < b;
    };
    auto o = std::make_shared<Order>();
    // A copy read through an index of the field (NOCASE, ties by rowid) has
    // its ASCII texts in this order already: only the others are sorted, and
    // the two runs merged. The index's order is checked pair by pair, as its
    // collation need not be the one asked for.
    if (auto it = t.readOrder.find(key); it != t.readOrder.end()) {
        std::vector<quint32> ascii, other;
        ascii.reserve(n);
        for (const quint32 p : it->second)
            ((p & OtherText) ? other : ascii).push_back(p & ~OtherText);
        if (it->second.size() == n) {
            // The others by their sort keys (ties in place order), or by
            // comparing when a text has none.
            std::vector<std::pair<std::string, quint32>> keyed(other.size());
            bool keys = true;
            for (size_t i = 0; keys && i < other.size(); ++i) {
                keyed[i].second = other[i];
                keys = ChineseOrder::sortKey(c->at(other[i]), keyed[i].first);
            }
            if (keys) {
                std::sort(keyed.begin(), keyed.end());
                for (size_t i = 0; i < other.size(); ++i)
                    other[i] = keyed[i].second;
            } else {
                std::sort(other.begin(), other.end(), before);
            }
            o->sorted.resize(n);
            std::merge(ascii.begin(), ascii.end(), other.begin(), other.end(), o->sorted.begin(), before);
        }
        t.readOrder.erase(it);
    }
    if (o->sorted.empty() && n > 0) {
        o->sorted.resize(n);
        for (size_t i = 0; i < n; ++i)
            o->sorted[i] = quint32(i);
        std::sort(o->sorted.begin(), o->sorted.end(), before);
    }
    o->rank.resize(n);
    for (size_t i = 0; i < n; ++i)
        o->rank[o->sorted[i]] = quint32(i);
    m_bytes += qint64(n * 2 * sizeof(quint32));
    return t.orders.emplace(key, std::move(o)).first->second.get();
}

bool ColumnCache::order(const QString &tableName, const QString &field, CopySelection &selection)
{
    checkCurrent();
    if (selection.generation != m_generation)
        return false;
    Table &t = table(tableName);
    const Order *o = orderOf(t, tableName, field);
    if (!o || selection.generation != m_generation)
        return false;
    std::vector<quint32> &places = selection.places;
    const size_t n = o->sorted.size();
    if (places.size() * 16 > n) {
        // A large part of the table: walk the prepared order once.
        std::vector<bool> found(n, false);
        for (const quint32 p : places)
            found[p] = true;
        size_t k = 0;
        for (const quint32 p : o->sorted)
            if (found[p])
                places[k++] = p;
    } else {
        std::sort(places.begin(), places.end(), [o](quint32 a, quint32 b) { return o->rank[a] < o->rank[b]; });
    }
    for (size_t i = 0; i < places.size(); ++i)
        selection.rowIds[i] = t.rowIds[places[i]];
    return true;
}

std::shared_ptr<const TextColumn> ColumnCache::copyOf(const QString &tableName, const QString &field,
                                                      quint64 generation)
{
    checkCurrent();
    if (generation != m_generation)
        return nullptr;
    Table &t = table(tableName);
    if (!column(t, tableName, field) || generation != m_generation)
        return nullptr;
    return t.columns.find(foldName(field))->second;
}

std::optional<std::vector<qint64>> ColumnCache::select(const JetQuery &query)
{
    std::optional<CopySelection> found = selectPlaces(query);
    if (!found)
        return std::nullopt;
    return std::move(found->rowIds);
}

std::optional<CopySelection> ColumnCache::selectPlaces(const JetQuery &query)
{
    if (query.conditions.empty())
        return std::nullopt;
    const std::optional<Program> program = ConditionParser(query.conditions).parse();
    if (!program)
        return std::nullopt;
    checkCurrent();
    Table &t = table(query.table);

    // One test per condition: the column it reads and how it judges a value.
    struct Test {
        const Column *column;
        std::unique_ptr<JetLike> like; // "=" is a literal match
    };
    std::vector<Test> tests;
    for (const JetQuery::Condition &c : query.conditions) {
        const Column *col = column(t, query.table, c.field);
        if (!col)
            return std::nullopt;
        Test test{col, nullptr};
        if (c.like)
            test.like = std::make_unique<JetLike>(c.value); // checked when the query was parsed
        else
            test.like = std::make_unique<JetLike>(JetLike::literal(c.value));
        tests.push_back(std::move(test));
    }

    auto judge = [](const Test &test, size_t r) {
        switch (test.column->kinds[r]) {
        case Null:
            return Unknown;
        case Other:
            return False; // a picture is never like or equal to text
        case Text:
            break;
        }
        const std::string_view text = test.column->at(r);
        return test.like->matchesUtf8(text) ? True : False;
    };

    CopySelection found;
    found.generation = m_generation;
    const size_t rows = t.rowIds.size();
    auto done = [&found, &t] {
        found.rowIds.resize(found.places.size());
        for (size_t i = 0; i < found.places.size(); ++i)
            found.rowIds[i] = t.rowIds[found.places[i]];
        return std::optional<CopySelection>(std::move(found));
    };
    if (tests.size() == 1) {
        for (size_t r = 0; r < rows; ++r)
            if (judge(tests[0], r) == True)
                found.places.push_back(quint32(r));
        return done();
    }
    std::vector<Truth> stack;
    for (size_t r = 0; r < rows; ++r) {
        stack.clear();
        for (const int step : program->steps) {
            if (step == Program::And || step == Program::Or) {
                const Truth b = stack.back();
                stack.pop_back();
                Truth &a = stack.back();
                a = step == Program::And ? std::min(a, b) : std::max(a, b);
            } else {
                stack.push_back(judge(tests[size_t(step)], r));
            }
        }
        if (stack.back() == True)
            found.places.push_back(quint32(r));
    }
    return done();
}

qint64 ColumnCache::rowIndex(const Table &t, qint64 rowId) const
{
    const auto it = std::lower_bound(t.rowIds.begin(), t.rowIds.end(), rowId);
    return (it != t.rowIds.end() && *it == rowId) ? qint64(it - t.rowIds.begin()) : -1;
}

bool ColumnCache::values(const QString &table, const QString &field, const std::vector<qint64> &rowIds,
                         std::vector<QString> &out, std::vector<size_t> &missing)
{
    checkCurrent();
    const auto ti = m_tables.find(foldName(table));
    if (ti == m_tables.end())
        return false;
    const Table &t = ti->second;
    const auto ci = t.columns.find(foldName(field));
    if (ci == t.columns.end())
        return false;
    const Column &c = *ci->second;
    out.assign(rowIds.size(), QString());
    missing.clear();
    for (size_t k = 0; k < rowIds.size(); ++k) {
        const qint64 i = rowIndex(t, rowIds[k]);
        if (i < 0) {
            missing.push_back(k);
        } else if (c.kinds[size_t(i)] == Text) {
            const std::string_view text = c.at(size_t(i));
            out[k] = decodeUtf8(text);
        }
    }
    return true;
}

} // namespace velmora::db
