#include "db/SearchKeys.h"

#include "db/CasNumber.h"
#include "db/Database.h"
#include "db/FormulaComposition.h"
#include "db/Pinyin.h"
#include "db/SortKeys.h"

#include <QRegularExpression>
#include <algorithm>
#include <mutex>
#include <thread>
#include <sqlite3.h>

namespace velmora::db::SearchKeys {

namespace {

void run(sqlite3 *db, const char *sql)
{
    char *message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK)
        Database::raise(db, rc);
}

std::vector<qint64> rowKeys(Statement &query)
{
    std::vector<qint64> keys;
    while (query.step())
        keys.push_back(query.integer(0));
    return keys;
}

// The first well-formed CAS number of a field ("7732-18-5" or several
// separated by "；", ";", "、", "," or spaces).
QString normalCas(const QString &field)
{
    static const QRegularExpression separators(QStringLiteral("[；;、,，\\s]+"));
    for (const QString &piece : field.split(separators, Qt::SkipEmptyParts)) {
        const CasNumber cas = CasNumber::parse(piece);
        if (cas.isValid())
            return cas.normalised;
    }
    return {};
}

} // namespace

void ensureTables(sqlite3 *db)
{
    run(db, "CREATE TABLE IF NOT EXISTS velmora_search (rowkey INTEGER PRIMARY KEY, cas TEXT, "
            "composition TEXT, pinyin TEXT, sortkey TEXT)");
    // The pinyin lookup reads every row in 中文标记 order without touching sj's wide rows.
    run(db, "CREATE INDEX IF NOT EXISTS velmora_search_sortkey ON velmora_search (sortkey)");
    run(db, "CREATE INDEX IF NOT EXISTS velmora_search_cas ON velmora_search (cas)");
    run(db, "CREATE INDEX IF NOT EXISTS velmora_search_composition ON velmora_search (composition)");
    run(db, "CREATE TABLE IF NOT EXISTS velmora_elements (symbol TEXT NOT NULL, rowkey INTEGER NOT NULL, "
            "PRIMARY KEY (symbol, rowkey)) WITHOUT ROWID");
    // A chemical's rows are replaced and removed by its key.
    run(db, "CREATE INDEX IF NOT EXISTS velmora_elements_rowkey ON velmora_elements (rowkey)");
}

bool hasTables(sqlite3 *db)
{
    Statement query(db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                                       "('velmora_search', 'velmora_elements')"));
    return query.step() && query.integer(0) == 2;
}

namespace {

// The statements that write one chemical's keys, prepared once for a run.
class Writer {
public:
    explicit Writer(sqlite3 *db)
        : m_put(db, QStringLiteral("INSERT OR REPLACE INTO velmora_search (rowkey, cas, composition, pinyin, "
                                   "sortkey) VALUES (?1, ?2, ?3, ?4, ?5)")),
          m_clear(db, QStringLiteral("DELETE FROM velmora_elements WHERE rowkey = ?1")),
          m_add(db, QStringLiteral("INSERT OR IGNORE INTO velmora_elements (symbol, rowkey) VALUES (?1, ?2)"))
    {
    }

    void write(qint64 rowKey, const QString &chineseNames, const QString &cas, const QString &formula,
               bool clearElements)
    {
        const auto composition = FormulaComposition::parse(formula);
        const QString normal = normalCas(cas);
        m_put.bind(1, rowKey);
        m_put.bind(2, normal.isEmpty() ? QVariant() : QVariant(normal));
        m_put.bind(3, composition ? QVariant(composition->key()) : QVariant());
        m_put.bind(4, pinyin::storedForm(chineseNames));
        m_put.bind(5, chineseSortKey(chineseNames));
        m_put.step();
        m_put.reset();
        if (clearElements) {
            m_clear.bind(1, rowKey);
            m_clear.step();
            m_clear.reset();
        }
        if (composition) {
            for (const QString &symbol : composition->elements()) {
                m_add.bind(1, symbol);
                m_add.bind(2, rowKey);
                m_add.step();
                m_add.reset();
            }
        }
    }

private:
    Statement m_put, m_clear, m_add;
};

} // namespace

void writeFor(sqlite3 *db, qint64 rowKey, const QString &chineseNames, const QString &cas,
              const QString &formula)
{
    ensureTables(db);
    Writer(db).write(rowKey, chineseNames, cas, formula, true);
}

void eraseFor(sqlite3 *db, qint64 rowKey)
{
    ensureTables(db);
    Statement a(db, QStringLiteral("DELETE FROM velmora_search WHERE rowkey = ?1"));
    a.bind(1, rowKey);
    a.step();
    Statement b(db, QStringLiteral("DELETE FROM velmora_elements WHERE rowkey = ?1"));
    b.bind(1, rowKey);
    b.step();
}

void refreshFor(sqlite3 *db, qint64 rowKey)
{
    if (!hasTables(db))
        return;
    Statement row(db, QStringLiteral("SELECT \"中文名称\", \"CAS号\", \"分子式\" FROM sj WHERE rowid = ?1"));
    row.bind(1, rowKey);
    if (row.step())
        writeFor(db, rowKey, row.text(0), row.text(1), row.text(2));
    else
        eraseFor(db, rowKey);
}

void rebuildAll(sqlite3 *db)
{
    ensureTables(db);
    run(db, "DELETE FROM velmora_search");
    run(db, "DELETE FROM velmora_elements");
    Writer writer(db);
    Statement rows(db, QStringLiteral("SELECT rowid, \"中文名称\", \"CAS号\", \"分子式\" FROM sj"));
    while (rows.step())
        writer.write(rows.integer(0), rows.text(1), rows.text(2), rows.text(3), false);
}

std::vector<qint64> findByCas(sqlite3 *db, const QString &normalisedCas)
{
    Statement query(db, QStringLiteral("SELECT s.rowkey FROM velmora_search s JOIN sj ON sj.rowid = s.rowkey "
                                       "WHERE s.cas = ?1 ORDER BY sj.\"中文标记\""));
    query.bind(1, normalisedCas);
    return rowKeys(query);
}

QString classHints(const QString &typedFormula)
{
    QString text;
    for (const QChar c : typedFormula)
        if (!c.isSpace())
            text += c;
    struct Hint {
        const char *pattern;
        const char16_t *endings;
    };
    static const Hint hints[] = {
        {"COOH", u"酸"},                   // CH3COOH
        {"COOC", u"酯"},                   // CH3COOC2H5, HCOOCH3
        {"CHO$", u"醛"},                   // CH3CHO
        {"(?<!CO)OH$", u"醇酚"},           // C2H5OH, C6H5OH
        {"H\\d*OC", u"醚"},                // CH3OCH3
        {"H\\d*COC", u"酮"},               // CH3COCH3
        {"NH2$", u"胺"},                   // C2H5NH2
        {"CN$", u"腈"},                    // CH3CN
    };
    QString endings;
    for (const Hint &h : hints) {
        const QRegularExpression re(QString::fromLatin1(h.pattern));
        if (re.match(text).hasMatch())
            endings += QString::fromUtf16(h.endings);
    }
    return endings;
}

std::vector<qint64> findByComposition(sqlite3 *db, const QString &compositionKey, const QString &typedFormula)
{
    Statement query(db, QStringLiteral("SELECT s.rowkey, sj.\"中文名称\" FROM velmora_search s JOIN sj "
                                       "ON sj.rowid = s.rowkey WHERE s.composition = ?1 ORDER BY s.rowkey"));
    query.bind(1, compositionKey);
    const QString endings = classHints(typedFormula);
    std::vector<qint64> first, rest;
    while (query.step()) {
        const QString name = query.text(1).section(QChar(0xFF1B), 0, 0).trimmed();
        const bool fits = !endings.isEmpty() && !name.isEmpty() && endings.contains(name.back());
        (fits ? first : rest).push_back(query.integer(0));
    }
    first.insert(first.end(), rest.begin(), rest.end());
    return first;
}

std::vector<qint64> findByElements(sqlite3 *db, const QStringList &symbols)
{
    QStringList distinct = symbols;
    distinct.removeDuplicates();
    if (distinct.isEmpty())
        return {};
    // Each symbol's chemicals come from the key (symbol, rowkey); the order
    // from the narrow side table, so sj's wide rows are never read.
    QStringList sets;
    for (int i = 0; i < distinct.size(); ++i)
        sets << QStringLiteral("SELECT rowkey FROM velmora_elements WHERE symbol = ?%1").arg(i + 1);
    Statement query(db, QStringLiteral("SELECT s.rowkey FROM velmora_search s WHERE s.rowkey IN (%1) "
                                       "ORDER BY s.sortkey, s.rowkey")
                            .arg(sets.join(QLatin1String(" INTERSECT "))));
    for (int i = 0; i < distinct.size(); ++i)
        query.bind(i + 1, distinct[i]);
    return rowKeys(query);
}

namespace {

// The pinyin keys of every chemical, in 中文标记 order, prepared for matching
// and kept in memory between searches: one pass over the side table costs
// more than the match itself on a large file. The copy belongs to one
// connection and is made afresh when the file has changed (data_version for
// other connections' writes, the change counter for this one's).
struct PinyinCopy {
    sqlite3 *db = nullptr;
    QString file;
    qint64 version = -1;
    qint64 changes = -1;
    std::vector<qint64> keys;
    std::vector<std::string> forms;
};

qint64 dataVersion(sqlite3 *db)
{
    Statement v(db, QStringLiteral("PRAGMA data_version"));
    return v.step() ? v.integer(0) : -1;
}

const PinyinCopy &pinyinCopy(sqlite3 *db)
{
    static PinyinCopy copy;
    const QString file = QString::fromUtf8(sqlite3_db_filename(db, "main"));
    const qint64 version = dataVersion(db);
    const qint64 changes = sqlite3_total_changes64(db);
    if (copy.db == db && copy.file == file && copy.version == version && copy.changes == changes)
        return copy;
    PinyinCopy fresh;
    fresh.db = db;
    fresh.file = file;
    fresh.version = version;
    fresh.changes = changes;
    Statement query(db, QStringLiteral("SELECT rowkey, pinyin FROM velmora_search ORDER BY sortkey"));
    while (query.step()) {
        fresh.keys.push_back(query.integer(0));
        fresh.forms.push_back(pinyin::preparedForm(query.text(1)));
    }
    copy = std::move(fresh);
    return copy;
}

} // namespace

std::vector<qint64> findByPinyin(sqlite3 *db, const QString &typed)
{
    const std::string key = pinyin::preparedKey(pinyin::typedKey(typed));
    if (key.empty())
        return {};
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    const PinyinCopy &copy = pinyinCopy(db);
    struct Hit {
        int rank;
        qint64 tie; // whole names: the handbook's order; the others keep 中文标记
        qint64 key;
    };
    // Each chemical is tested on its own, so a large table is split over
    // two threads; the hits keep their order.
    auto scan = [&](size_t from, size_t to, std::vector<Hit> &hits) {
        for (size_t i = from; i < to; ++i) {
            const pinyin::Match m = pinyin::matchPrepared(copy.forms[i], key);
            if (m != pinyin::Match::None)
                hits.push_back({int(m), m == pinyin::Match::Whole ? copy.keys[i] : qint64(i), copy.keys[i]});
        }
    };
    std::vector<Hit> found;
    const size_t n = copy.keys.size();
    if (n < 20000) {
        scan(0, n, found);
    } else {
        std::vector<Hit> second;
        std::thread other(scan, n / 2, n, std::ref(second));
        scan(0, n / 2, found);
        other.join();
        found.insert(found.end(), second.begin(), second.end());
    }
    std::stable_sort(found.begin(), found.end(), [](const Hit &a, const Hit &b) {
        return a.rank != b.rank ? a.rank < b.rank : a.tie < b.tie;
    });
    std::vector<qint64> keys;
    keys.reserve(found.size());
    for (const Hit &h : found)
        keys.push_back(h.key);
    return keys;
}

} // namespace velmora::db::SearchKeys
