#include "SyntheticData.h"

#include "db/Database.h"
#include "db/JetSql.h"
#include "db/SearchKeys.h"
#include "db/SortKeys.h"
#include "structure/Structure.h"

#include <QDir>
#include <QHash>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QVariant>
#include <sqlite3.h>
#include <algorithm>
#include <atomic>
#include <optional>
#include <random>
#include <thread>
#include <stdexcept>
#include <vector>

namespace velmora::data {

using velmora::db::Statement;

namespace {

[[noreturn]] void fail(const QString &message)
{
    throw std::runtime_error(message.toStdString());
}

// A connection owned for the length of a scope.
class Connection {
public:
    Connection(const QString &path, int flags)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr) != SQLITE_OK) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
            sqlite3_close(m_db);
            fail(QStringLiteral("cannot open %1: %2").arg(path, message));
        }
    }
    ~Connection() { sqlite3_close(m_db); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void exec(const QString &sql)
    {
        char *message = nullptr;
        if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
            const QString text = QString::fromUtf8(message);
            sqlite3_free(message);
            fail(QStringLiteral("sqlite: %1 in %2").arg(text, sql));
        }
    }
    sqlite3 *handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

struct Substituent {
    const char *zh;
    const char *en;
};

constexpr Substituent Substituents[] = {
    {"甲基", "methyl"},     {"乙基", "ethyl"},          {"丙基", "propyl"},
    {"异丙基", "isopropyl"}, {"丁基", "butyl"},         {"叔丁基", "tert-butyl"},
    {"氯", "chloro"},       {"溴", "bromo"},            {"氟", "fluoro"},
    {"碘", "iodo"},         {"硝基", "nitro"},          {"氨基", "amino"},
    {"羟基", "hydroxy"},    {"甲氧基", "methoxy"},      {"乙氧基", "ethoxy"},
    {"氰基", "cyano"},      {"苯基", "phenyl"},         {"苄基", "benzyl"},
    {"乙酰基", "acetyl"},   {"乙烯基", "vinyl"},        {"烯丙基", "allyl"},
    {"三氟甲基", "trifluoromethyl"}, {"巯基", "mercapto"}, {"甲硫基", "methylthio"},
    {"羧基", "carboxy"},    {"磺酸基", "sulfo"},        {"环己基", "cyclohexyl"},
    {"二甲氨基", "dimethylamino"}, {"甲酰基", "formyl"}, {"叠氮基", "azido"},
};

// Locants with the multiplier they call for (one, two or three places).
constexpr const char *Locants[] = {"1", "2", "3", "4", "5", "6", "N", "O", "α", "β",
                                   "2,4", "3,5", "2,6", "N,N", "2,4,6", "3,4,5"};

constexpr Substituent Grades[] = {
    {"工业级", "technical grade"},   {"试剂级", "reagent grade"},
    {"电子级", "electronic grade"},  {"药用级", "pharmaceutical grade"},
    {"食品级", "food grade"},        {"高纯", "high purity"},
    {"无水", "anhydrous"},           {"纳米", "nano"},
    {"微粉", "micronized"},          {"水溶液", "aqueous solution"},
    {"乳液", "emulsion"},            {"母粒", "masterbatch"},
};

QString multiplierZh(const QString &locant)
{
    const int places = int(locant.count(QLatin1Char(','))) + 1;
    return places == 3 ? QStringLiteral("三") : places == 2 ? QStringLiteral("二") : QString();
}

QString multiplierEn(const QString &locant)
{
    const int places = int(locant.count(QLatin1Char(','))) + 1;
    return places == 3 ? QStringLiteral("tri") : places == 2 ? QStringLiteral("di") : QString();
}

struct Names {
    QString zh;
    QString en;
};

class NameMaker {
public:
    explicit NameMaker(std::mt19937 &random) : m_random(random) {}

    Names derive(const QString &baseZh, const QString &baseEn)
    {
        const int form = pick(100);
        if (form < 45) {
            const QString loc = QString::fromUtf8(Locants[pick(std::size(Locants))]);
            const Substituent &s = Substituents[pick(std::size(Substituents))];
            return {loc + QLatin1Char('-') + multiplierZh(loc) + QString::fromUtf8(s.zh) + baseZh,
                    loc + QLatin1Char('-') + multiplierEn(loc) + QString::fromUtf8(s.en) + baseEn};
        }
        if (form < 75) {
            // Two single-place substituents at different places.
            const int a = pick(6), b = (a + 1 + pick(5)) % 6;
            const Substituent &s = Substituents[pick(std::size(Substituents))];
            const Substituent &t = Substituents[pick(std::size(Substituents))];
            const QString la = QString::number(qMin(a, b) + 1), lb = QString::number(qMax(a, b) + 1);
            return {la + QLatin1Char('-') + QString::fromUtf8(s.zh) + QLatin1Char('-') + lb + QLatin1Char('-')
                        + QString::fromUtf8(t.zh) + baseZh,
                    la + QLatin1Char('-') + QString::fromUtf8(s.en) + QLatin1Char('-') + lb + QLatin1Char('-')
                        + QString::fromUtf8(t.en) + baseEn};
        }
        const Substituent &g = Grades[pick(std::size(Grades))];
        return {baseZh + QStringLiteral("（") + QString::fromUtf8(g.zh) + QStringLiteral("）"),
                baseEn + QStringLiteral(" (") + QString::fromUtf8(g.en) + QLatin1Char(')')};
    }

    int pick(size_t n) { return int(std::uniform_int_distribution<size_t>(0, n - 1)(m_random)); }

private:
    std::mt19937 &m_random;
};

// Moves the leading number of a property value ("1.220（20℃）", "-12.5")
// a little, keeping its decimals and whatever follows it.
QString moveValue(const QString &value, bool temperature, std::mt19937 &random)
{
    static const QRegularExpression leading(QStringLiteral("^-?\\d+(\\.(\\d+))?"));
    const QRegularExpressionMatch m = leading.match(value);
    if (!m.hasMatch())
        return value;
    const int decimals = int(m.captured(2).size());
    double x = m.captured(0).toDouble();
    if (temperature)
        x += std::uniform_int_distribution<int>(-30, 30)(random);
    else
        x *= 1.0 + std::uniform_real_distribution<double>(-0.05, 0.05)(random);
    return QString::number(x, 'f', decimals) + value.mid(m.capturedLength(0));
}

void copyFile(const QString &from, const QString &to)
{
    QFile::remove(to);
    if (!QFile::copy(from, to))
        fail(QStringLiteral("cannot copy %1 to %2").arg(from, to));
}

} // namespace

// The structure rows of the derived chemicals, their fingerprints made on
// every core.
void writeStructures(sqlite3 *db, const std::vector<std::pair<qint64, QString>> &smiles)
{
    std::vector<std::optional<structure::Facts>> facts(smiles.size());
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < smiles.size();)
            facts[i] = structure::describe(smiles[i].second);
    };
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < std::max(1u, std::thread::hardware_concurrency()); ++t)
        threads.emplace_back(work);
    work();
    for (auto &t : threads)
        t.join();
    Statement put(db, QStringLiteral("INSERT OR REPLACE INTO velmora_structure (rowkey, smiles, canonical, inchikey, "
                                     "fp, morgan) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"));
    for (size_t i = 0; i < smiles.size(); ++i) {
        if (!facts[i])
            continue;
        put.bind(1, smiles[i].first);
        put.bind(2, smiles[i].second);
        put.bind(3, facts[i]->canonical);
        put.bind(4, facts[i]->inchiKey.isEmpty() ? QVariant() : QVariant(facts[i]->inchiKey));
        put.bind(5, facts[i]->screen);
        put.bind(6, facts[i]->morgan);
        put.step();
        put.reset();
    }
}

SyntheticReport makeSynthetic(const SyntheticOptions &o)
{
    const QString shippedSj = o.shippedData + QStringLiteral("/sj1.data");
    if (!QFile::exists(shippedSj))
        fail(QStringLiteral("no %1; build the database files first").arg(shippedSj));
    const QString dataDir = o.out + QStringLiteral("/data");
    if (!QDir().mkpath(dataDir))
        fail(QStringLiteral("cannot create %1").arg(dataDir));

    SyntheticReport report;
    Connection source(shippedSj, SQLITE_OPEN_READONLY);

    // The schema exactly as shipped: tables first, indexes after the rows.
    std::vector<QString> tables, indexes;
    {
        Statement s(source.handle(), QStringLiteral("SELECT type, sql FROM sqlite_master WHERE sql IS NOT NULL "
                                                    "AND name NOT LIKE 'sqlite_%' ORDER BY rowid"));
        while (s.step())
            (s.text(0) == QLatin1String("table") ? tables : indexes).push_back(s.text(1));
    }
    int pageSize = 4096;
    {
        Statement s(source.handle(), QStringLiteral("PRAGMA page_size"));
        if (s.step())
            pageSize = int(s.integer(0));
    }

    // Every shipped row, by stored field.
    QStringList fields;
    std::vector<std::vector<QVariant>> rows;
    {
        Statement s(source.handle(), QStringLiteral("SELECT * FROM sj ORDER BY rowid"));
        for (int c = 0; c < s.columnCount(); ++c)
            fields << s.columnName(c);
        while (s.step()) {
            std::vector<QVariant> row;
            for (int c = 0; c < s.columnCount(); ++c) {
                if (s.isNull(c))
                    row.emplace_back();
                else if (s.isBlob(c))
                    row.emplace_back(s.blob(c));
                else
                    row.emplace_back(s.text(c));
            }
            rows.push_back(std::move(row));
        }
    }
    if (rows.empty())
        fail(QStringLiteral("%1 holds no chemicals").arg(shippedSj));
    report.shipped = int(rows.size());
    const int nameZh = int(fields.indexOf(QStringLiteral("中文名称")));
    const int nameEn = int(fields.indexOf(QStringLiteral("英文名称")));
    const int keyZh = int(fields.indexOf(QStringLiteral("中文标记")));
    const int keyEn = int(fields.indexOf(QStringLiteral("英文标记")));
    const int number = int(fields.indexOf(QStringLiteral("编号")));
    const int cas = int(fields.indexOf(QStringLiteral("CAS号")));
    const int uses = int(fields.indexOf(QStringLiteral("用途")));
    const int picture = int(fields.indexOf(QStringLiteral("图")));
    if (nameZh < 0)
        fail(QStringLiteral("%1 has no field 中文名称").arg(shippedSj));
    const QList<QPair<int, bool>> moved = {
        {int(fields.indexOf(QStringLiteral("密度"))), false},
        {int(fields.indexOf(QStringLiteral("折射率"))), false},
        {int(fields.indexOf(QStringLiteral("熔点"))), true},
        {int(fields.indexOf(QStringLiteral("沸点"))), true},
        {int(fields.indexOf(QStringLiteral("闪点"))), true},
    };

    const QString target = dataDir + QStringLiteral("/sj1.data");
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    {
        Connection out(part, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        out.exec(QStringLiteral("PRAGMA page_size = %1").arg(pageSize));
        out.exec(QStringLiteral("PRAGMA journal_mode = OFF"));
        out.exec(QStringLiteral("PRAGMA synchronous = OFF"));
        out.exec(QStringLiteral("BEGIN"));
        for (const QString &sql : tables)
            out.exec(sql);
        // The password and any other meta rows.
        bool hasMeta = false;
        {
            Statement probe(source.handle(), QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = 'velmora_meta'"));
            hasMeta = probe.step();
        }
        if (hasMeta) {
            Statement meta(source.handle(), QStringLiteral("SELECT key, value FROM velmora_meta"));
            Statement put(out.handle(), QStringLiteral("INSERT INTO velmora_meta (key, value) VALUES (?1, ?2)"));
            while (meta.step()) {
                put.bind(1, meta.text(0));
                put.bind(2, meta.text(1));
                put.step();
                put.reset();
            }
        }

        QStringList names, marks;
        for (int i = 0; i < fields.size(); ++i) {
            names << velmora::db::JetQuery::quoteName(fields[i]);
            marks << QStringLiteral("?%1").arg(i + 1);
        }
        Statement insert(out.handle(), QStringLiteral("INSERT INTO sj (%1) VALUES (%2)")
                                           .arg(names.join(QLatin1String(", ")), marks.join(QLatin1String(", "))));
        auto store = [&](const std::vector<QVariant> &row) {
            for (int i = 0; i < int(row.size()); ++i)
                insert.bind(i + 1, row[size_t(i)]);
            insert.step();
            insert.reset();
            ++report.chemicals;
            if (picture >= 0 && !row[size_t(picture)].isNull())
                ++report.pictures;
        };

        // The shipped structures, copied as they are; a derived chemical gets
        // its base's structure with one substituent more, so that structure
        // searches meet a realistic mix.
        QHash<qint64, QString> baseSmiles;
        std::vector<std::pair<qint64, QString>> derivedSmiles;
        {
            Statement probe(source.handle(),
                            QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = 'velmora_structure'"));
            if (probe.step()) {
                Statement s(source.handle(), QStringLiteral("SELECT rowkey, smiles, canonical, inchikey, fp, morgan "
                                                            "FROM velmora_structure"));
                Statement put(out.handle(), QStringLiteral("INSERT INTO velmora_structure (rowkey, smiles, canonical, "
                                                           "inchikey, fp, morgan) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"));
                while (s.step()) {
                    baseSmiles.insert(s.integer(0), s.text(1));
                    put.bind(1, s.integer(0));
                    put.bind(2, s.text(1));
                    put.bind(3, s.text(2));
                    put.bind(4, s.isNull(3) ? QVariant() : QVariant(s.text(3)));
                    put.bind(5, s.blob(4));
                    put.bind(6, s.blob(5));
                    put.step();
                    put.reset();
                }
            }
        }

        QSet<QString> taken;
        qint64 nextNumber = 0;
        for (const auto &row : rows) {
            taken.insert(row[size_t(nameZh)].toString());
            if (number >= 0)
                nextNumber = qMax(nextNumber, row[size_t(number)].toLongLong());
            store(row);
        }

        std::vector<QVariant> pool;
        if (picture >= 0 && o.sharedPictures > 0) {
            for (const auto &row : rows)
                if (!row[size_t(picture)].isNull())
                    pool.push_back(row[size_t(picture)]);
            std::stable_sort(pool.begin(), pool.end(), [](const QVariant &a, const QVariant &b) {
                return a.toByteArray().size() < b.toByteArray().size();
            });
            if (pool.size() > size_t(o.sharedPictures))
                pool.resize(size_t(o.sharedPictures));
        }

        std::mt19937 random(o.seed);
        NameMaker maker(random);
        for (int k = report.shipped; k < o.chemicals; ++k) {
            std::vector<QVariant> row = rows[size_t(maker.pick(rows.size()))];
            const QString smiles = number >= 0 ? baseSmiles.value(row[size_t(number)].toLongLong()) : QString();
            const QString baseZh = row[size_t(nameZh)].toString().section(QStringLiteral("；"), 0, 0).trimmed();
            const QString baseEn = nameEn < 0 ? QString()
                                              : row[size_t(nameEn)].toString().section(QLatin1Char(';'), 0, 0).trimmed();
            Names n = maker.derive(baseZh, baseEn);
            for (int attempt = 0; taken.contains(n.zh) && attempt < 20; ++attempt)
                n = maker.derive(baseZh, baseEn);
            if (taken.contains(n.zh)) {
                n.zh += QStringLiteral("（%1）").arg(k);
                n.en += QStringLiteral(" (%1)").arg(k);
            }
            taken.insert(n.zh);

            row[size_t(nameZh)] = n.zh;
            if (nameEn >= 0)
                row[size_t(nameEn)] = baseEn.isEmpty() ? QVariant() : QVariant(n.en);
            if (keyZh >= 0)
                row[size_t(keyZh)] = velmora::db::chineseSortKey(n.zh);
            if (keyEn >= 0)
                row[size_t(keyEn)] = baseEn.isEmpty() ? QVariant() : QVariant(velmora::db::englishSortKey(n.en));
            if (number >= 0) {
                row[size_t(number)] = ++nextNumber;
                if (!smiles.isEmpty())
                    derivedSmiles.emplace_back(nextNumber, structure::derivative(smiles, unsigned(random())));
            }
            if (cas >= 0)
                row[size_t(cas)] = QVariant(); // no real registry number
            for (const auto &[field, temperature] : moved)
                if (field >= 0 && !row[size_t(field)].isNull())
                    row[size_t(field)] = moveValue(row[size_t(field)].toString(), temperature, random);
            if (!pool.empty() && !row[size_t(picture)].isNull())
                row[size_t(picture)] = pool[size_t(maker.pick(pool.size()))];
            // Uses from another chemical now and then, so use searches vary.
            if (uses >= 0 && maker.pick(10) < 3)
                row[size_t(uses)] = rows[size_t(maker.pick(rows.size()))][size_t(uses)];
            store(row);
        }
        writeStructures(out.handle(), derivedSmiles);
        for (const QString &sql : indexes)
            out.exec(sql);
        // The search keys of every row, shipped and derived.
        velmora::db::SearchKeys::rebuildAll(out.handle());
        out.exec(QStringLiteral("COMMIT"));
    }
    QFile::remove(target);
    if (!QFile::rename(part, target))
        fail(QStringLiteral("cannot replace %1").arg(target));

    copyFile(o.shippedData + QStringLiteral("/index.data"), dataDir + QStringLiteral("/index.data"));
    copyFile(o.shippedData + QStringLiteral("/periodic.data"), dataDir + QStringLiteral("/periodic.data"));
    return report;
}

} // namespace velmora::data
