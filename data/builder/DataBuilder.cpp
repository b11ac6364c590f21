#include "DataBuilder.h"

#include "Formula.h"
#include "db/Database.h"
#include "db/JetSql.h"
#include "db/SearchKeys.h"
#include "db/StructureKeys.h"
#include "db/SortKeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <sqlite3.h>
#include <cmath>
#include <stdexcept>

namespace velmora::data {

using velmora::db::Database;
using velmora::db::Statement;

namespace {

[[noreturn]] void fail(const QString &message)
{
    throw std::runtime_error(message.toStdString());
}

QString readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1").arg(path));
    return QString::fromUtf8(file.readAll());
}

struct Block {
    QString file;
    int line = 0;
    QHash<QString, QString> fields;
};

std::vector<Block> readBlocks(const QString &path, QStringList &warnings)
{
    std::vector<Block> blocks;
    const QStringList lines = readText(path).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line == QLatin1String("[chemical]")) {
            blocks.push_back(Block{QFileInfo(path).fileName(), i + 1, {}});
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (blocks.empty() || eq <= 0) {
            warnings << QStringLiteral("%1:%2: line ignored").arg(QFileInfo(path).fileName()).arg(i + 1);
            continue;
        }
        blocks.back().fields.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return blocks;
}

class Sqlite {
public:
    explicit Sqlite(const QString &path)
    {
        QFile::remove(path);
        if (sqlite3_open(path.toUtf8().constData(), &m_db) != SQLITE_OK)
            fail(QStringLiteral("cannot create %1").arg(path));
        exec("PRAGMA journal_mode = OFF");
        exec("BEGIN");
    }
    ~Sqlite() { sqlite3_close(m_db); }
    void exec(const char *sql)
    {
        char *message = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
            const QString text = QString::fromUtf8(message);
            sqlite3_free(message);
            fail(QStringLiteral("sqlite: %1 in %2").arg(text, QString::fromUtf8(sql)));
        }
    }
    void exec(const QString &sql) { exec(sql.toUtf8().constData()); }
    sqlite3 *handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

// Writes to "<path>.part" and renames over the old file only once complete.
QString partPath(const QString &path) { return path + QStringLiteral(".part"); }

void replaceFile(const QString &path)
{
    QFile::remove(path);
    if (!QFile::rename(partPath(path), path))
        fail(QStringLiteral("cannot replace %1").arg(path));
}

QHash<QString, double> readAtomicWeights(const QString &path)
{
    QHash<QString, double> weights;
    const QStringList lines = readText(path).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList cells = lines[i].trimmed().split(QLatin1Char('\t'));
        if (cells.size() >= 4)
            weights.insert(cells[0], cells[3].toDouble());
    }
    if (weights.isEmpty())
        fail(QStringLiteral("no atomic weights in %1").arg(path));
    return weights;
}

QString quoted(const QString &name) { return velmora::db::JetQuery::quoteName(name); }

// The side tables the program keeps beside a table it writes: the highest
// key the table has ever had (so that a deleted row's key is never given to
// a new row) and the copies of deleted rows (for 撤销删除).
void addSideTables(Sqlite &db, const QString &table)
{
    db.exec("CREATE TABLE velmora_keys (tbl TEXT PRIMARY KEY, high INTEGER NOT NULL)");
    db.exec(QStringLiteral("INSERT INTO velmora_keys SELECT '%1', coalesce(max(rowid), 0) FROM %2")
                .arg(table, quoted(table)));
    db.exec(QStringLiteral("CREATE TABLE %1 AS SELECT * FROM %2 WHERE 0")
                .arg(quoted(QStringLiteral("velmora_deleted_") + table), quoted(table)));
}

int buildSj(const BuildOptions &o, BuildReport &report)
{
    const QHash<QString, double> weights = readAtomicWeights(o.elements);
    const QString target = o.out + QStringLiteral("/sj1.data");
    const QStringList fields = sjFields();
    {
        Sqlite db(partPath(target));
        QStringList columns;
        for (const QString &f : fields) {
            if (f == QStringLiteral("编号"))
                columns << quoted(f) + QStringLiteral(" INTEGER PRIMARY KEY");
            else if (f == QStringLiteral("图"))
                columns << quoted(f) + QStringLiteral(" BLOB");
            else
                columns << quoted(f) + QStringLiteral(" TEXT");
        }
        db.exec(QStringLiteral("CREATE TABLE sj (%1)").arg(columns.join(QLatin1String(", "))));

        QStringList marks;
        for (int i = 1; i < fields.size(); ++i)
            marks << QStringLiteral("?%1").arg(i);
        QStringList names;
        for (int i = 1; i < fields.size(); ++i)
            names << quoted(fields[i]);
        Statement insert(db.handle(), QStringLiteral("INSERT INTO sj (%1) VALUES (%2)")
                                          .arg(names.join(QLatin1String(", ")),
                                               marks.join(QLatin1String(", "))));

        const QStringList files = QDir(o.sources + QStringLiteral("/chemicals"))
                                      .entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
        QSet<QString> known(fields.begin(), fields.end());
        known << QStringLiteral("SMILES");
        velmora::db::StructureKeys::ensureTables(db.handle());
        for (const QString &name : files) {
            for (Block &b : readBlocks(o.sources + QStringLiteral("/chemicals/") + name, report.warnings)) {
                auto &f = b.fields;
                const QString where = QStringLiteral("%1:%2").arg(b.file).arg(b.line);
                for (auto it = f.cbegin(); it != f.cend(); ++it)
                    if (!known.contains(it.key()))
                        report.warnings << QStringLiteral("%1: unknown field %2").arg(where, it.key());
                if (f.value(QStringLiteral("中文名称")).isEmpty()) {
                    report.warnings << QStringLiteral("%1: chemical without 中文名称 skipped").arg(where);
                    continue;
                }
                // Computed fields.
                if (f.value(QStringLiteral("分子量")).isEmpty()) {
                    if (const auto mw = molecularWeight(f.value(QStringLiteral("分子式")), weights))
                        f.insert(QStringLiteral("分子量"), QString::number(std::round(*mw * 100 + 1e-7) / 100, 'f', 2));
                    else if (!f.value(QStringLiteral("分子式")).isEmpty()
                             && !f.value(QStringLiteral("分子式")).endsWith(QLatin1Char('n')))
                        report.warnings << QStringLiteral("%1: no molecular weight for %2")
                                               .arg(where, f.value(QStringLiteral("分子式")));
                }
                f.insert(QStringLiteral("中文标记"),
                         velmora::db::chineseSortKey(f.value(QStringLiteral("中文名称"))));
                f.insert(QStringLiteral("英文标记"),
                         velmora::db::englishSortKey(f.value(QStringLiteral("英文名称"))));

                QByteArray picture;
                QString pictureName = f.value(QStringLiteral("图"));
                if (pictureName.isEmpty() && !f.value(QStringLiteral("CAS号")).isEmpty())
                    pictureName = f.value(QStringLiteral("CAS号")) + QStringLiteral(".png");
                if (!pictureName.isEmpty() && pictureName != QLatin1String("-")) {
                    QFile png(o.pictures + QLatin1Char('/') + pictureName);
                    if (png.open(QIODevice::ReadOnly)) {
                        picture = png.readAll();
                        ++report.pictures;
                    } else if (!f.value(QStringLiteral("图")).isEmpty()) {
                        report.warnings << QStringLiteral("%1: picture %2 missing").arg(where, pictureName);
                    }
                }

                for (int i = 1; i < fields.size(); ++i) {
                    if (fields[i] == QStringLiteral("图")) {
                        insert.bind(i, picture.isEmpty() ? QVariant() : QVariant(picture));
                        continue;
                    }
                    const QString value = f.value(fields[i]);
                    insert.bind(i, value.isEmpty() ? QVariant() : QVariant(value));
                }
                insert.step();
                insert.reset();
                ++report.chemicals;
                // The structure beside the row, for the structure search and the record.
                const QString smiles = f.value(QStringLiteral("SMILES"));
                if (!smiles.isEmpty()
                    && !velmora::db::StructureKeys::writeFor(db.handle(), sqlite3_last_insert_rowid(db.handle()),
                                                             smiles))
                    report.warnings << QStringLiteral("%1: SMILES %2 does not parse").arg(where, smiles);
            }
        }
        // The rows are wide (long texts, the picture before the sort keys):
        // narrow indexes give the program's in-memory copies of the names
        // and sort keys one short read each, and the sort keys' order ready
        // made (NOCASE is the program's order for ASCII keys).
        db.exec("CREATE INDEX velmora_sj_name_zh ON sj (\"中文名称\")");
        db.exec("CREATE INDEX velmora_sj_name_en ON sj (\"英文名称\")");
        db.exec("CREATE INDEX velmora_sj_key_zh ON sj (\"中文标记\" COLLATE NOCASE)");
        db.exec("CREATE INDEX velmora_sj_key_en ON sj (\"英文标记\" COLLATE NOCASE)");
        // The search keys (CAS number, composition, pinyin) beside sj.
        velmora::db::SearchKeys::rebuildAll(db.handle());
        addSideTables(db, QStringLiteral("sj"));
        Database::setPassword(db.handle(), o.password);
        db.exec("COMMIT");
    }
    replaceFile(target);
    return report.chemicals;
}

void buildIndex(const BuildOptions &o, BuildReport &report)
{
    const QString target = o.out + QStringLiteral("/index.data");
    {
        Sqlite db(partPath(target));
        db.exec("CREATE TABLE \"index\" (\"编号\" INTEGER PRIMARY KEY, \"第一级标题\" TEXT, "
                "\"第二级标题\" TEXT, \"第三级标题\" TEXT)");
        Statement insert(db.handle(), QStringLiteral("INSERT INTO \"index\" (\"第一级标题\", "
                                                     "\"第二级标题\", \"第三级标题\") VALUES (?1, ?2, ?3)"));
        const QStringList files = QDir(o.sources + QStringLiteral("/index"))
                                      .entryList({QStringLiteral("*.tsv")}, QDir::Files, QDir::Name);
        QSet<QString> seen;
        for (const QString &name : files) {
            const QStringList lines = readText(o.sources + QStringLiteral("/index/") + name)
                                          .split(QLatin1Char('\n'));
            for (int i = 0; i < lines.size(); ++i) {
                QString line = lines[i];
                if (line.endsWith(QLatin1Char('\r')))
                    line.chop(1);
                if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
                    continue;
                QStringList cells = line.split(QLatin1Char('\t'));
                while (cells.size() < 3)
                    cells << QString();
                if (cells.size() > 3)
                    report.warnings << QStringLiteral("%1:%2: extra cells ignored").arg(name).arg(i + 1);
                const QString key = cells.mid(0, 3).join(QLatin1Char('\t'));
                if (seen.contains(key))
                    continue;
                seen.insert(key);
                for (int c = 0; c < 3; ++c) {
                    const QString v = cells[c].trimmed();
                    insert.bind(c + 1, v.isEmpty() ? QVariant() : QVariant(v));
                }
                insert.step();
                insert.reset();
                ++report.indexRows;
            }
        }
        addSideTables(db, QStringLiteral("index"));
        Database::setPassword(db.handle(), o.password);
        db.exec("COMMIT");
    }
    replaceFile(target);
}

void buildPeriodic(const BuildOptions &o)
{
    const QString target = o.out + QStringLiteral("/periodic.data");
    {
        Sqlite db(partPath(target));
        QStringList lines = readText(o.sources + QStringLiteral("/periodic.tsv")).split(QLatin1Char('\n'));
        while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
            lines.removeLast();
        if (lines.isEmpty())
            fail(QStringLiteral("periodic.tsv is empty"));
        auto cellsOf = [](QString line) {
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            return line.split(QLatin1Char('\t'));
        };
        const QStringList header = cellsOf(lines[0]);
        QStringList columns, marks;
        for (int i = 0; i < header.size(); ++i) {
            columns << quoted(header[i]) + QStringLiteral(" TEXT");
            marks << QStringLiteral("?%1").arg(i + 1);
        }
        db.exec(QStringLiteral("CREATE TABLE periodic (%1)").arg(columns.join(QLatin1String(", "))));
        Statement insert(db.handle(), QStringLiteral("INSERT INTO periodic VALUES (%1)")
                                          .arg(marks.join(QLatin1String(", "))));
        for (int r = 1; r < lines.size(); ++r) {
            const QStringList cells = cellsOf(lines[r]);
            for (int c = 0; c < header.size(); ++c) {
                const QString v = c < cells.size() ? cells[c].trimmed() : QString();
                insert.bind(c + 1, v.isEmpty() ? QVariant() : QVariant(v));
            }
            insert.step();
            insert.reset();
        }
        db.exec("COMMIT");
    }
    replaceFile(target);
}

} // namespace

QStringList sjFields()
{
    return {QStringLiteral("编号"),     QStringLiteral("中文名称"), QStringLiteral("英文名称"),
            QStringLiteral("分子式"),   QStringLiteral("分子量"),   QStringLiteral("CAS号"),
            QStringLiteral("密度"),     QStringLiteral("性状"),     QStringLiteral("熔点"),
            QStringLiteral("沸点"),     QStringLiteral("折射率"),   QStringLiteral("闪点"),
            QStringLiteral("蒸气压"),   QStringLiteral("粘度"),     QStringLiteral("溶解性"),
            QStringLiteral("用途"),     QStringLiteral("制备方法"), QStringLiteral("消耗定额"),
            QStringLiteral("安全性"),   QStringLiteral("通用名、商品名"), QStringLiteral("图"),
            QStringLiteral("中文标记"), QStringLiteral("英文标记"), QStringLiteral("第一级标题"),
            QStringLiteral("第二级标题"), QStringLiteral("第三级标题")};
}

BuildReport build(const BuildOptions &options)
{
    if (!QDir().mkpath(options.out))
        fail(QStringLiteral("cannot create %1").arg(options.out));
    BuildReport report;
    buildSj(options, report);
    buildIndex(options, report);
    buildPeriodic(options);
    return report;
}

} // namespace velmora::data
