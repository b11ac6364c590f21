#include "db/ColumnCache.h"

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

const ColumnCache::Column *ColumnCache::column(Table &t, const QString &tableName, const QString &field)
{
    const QString key = foldName(field);
    if (auto it = t.columns.find(key); it != t.columns.end())
        return &it->second;
    const QString stored = t.textFields.value(key);
    if (stored.isEmpty() || t.refused.contains(key) || m_bytes >= TotalLimit)
        return nullptr;
    const QString f = JetQuery::quoteName(stored);
    const QString from = JetQuery::quoteName(tableName);
    try {
        // Long texts are left in the file: judge by the first rows.
        Statement sample(m_db, QStringLiteral("SELECT avg(length(CAST(%1 AS BLOB))) FROM (SELECT %1 FROM %2 LIMIT 256)")
                                   .arg(f, from));
        if (sample.step() && !sample.isNull(0) && sample.integer(0) > AverageLimit) {
            t.refused.insert(key);
            return nullptr;
        }
        Column c;
        std::vector<qint64> ids;
        ids.reserve(t.rowIds.size());
        Statement all(m_db, QStringLiteral("SELECT rowid, %1 FROM %2 ORDER BY rowid").arg(f, from));
        sqlite3_stmt *s = all.handle();
        while (all.step()) {
            ids.push_back(sqlite3_column_int64(s, 0));
            const int type = sqlite3_column_type(s, 1);
            if (type == SQLITE_NULL) {
                c.kinds.push_back(Null);
            } else if (type == SQLITE_BLOB) {
                c.kinds.push_back(Other);
            } else {
                const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(s, 1));
                c.text.append(p, size_t(sqlite3_column_bytes(s, 1)));
                c.kinds.push_back(Text);
            }
            c.ends.push_back(quint32(c.text.size()));
            if (qint64(c.text.size()) > ColumnLimit || m_bytes + qint64(c.text.size()) > TotalLimit) {
                t.refused.insert(key);
                return nullptr;
            }
        }
        c.text.shrink_to_fit();
        if (t.columns.empty())
            t.rowIds = std::move(ids);
        else if (ids != t.rowIds)
            return nullptr; // cannot happen while the file is unchanged
        m_bytes += qint64(c.text.size() + c.ends.size() * sizeof(quint32) + c.kinds.size());
        return &t.columns.emplace(key, std::move(c)).first->second;
    } catch (const std::exception &) {
        t.refused.insert(key);
        return nullptr;
    }
}

std::optional<std::vector<qint64>> ColumnCache::select(const JetQuery &query)
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

    std::vector<qint64> found;
    const size_t rows = t.rowIds.size();
    if (tests.size() == 1) {
        for (size_t r = 0; r < rows; ++r)
            if (judge(tests[0], r) == True)
                found.push_back(t.rowIds[r]);
        return found;
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
            found.push_back(t.rowIds[r]);
    }
    return found;
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
    const Column &c = ci->second;
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
