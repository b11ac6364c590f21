#include "db/StructureKeys.h"

#include "db/Database.h"
#include "structure/Structure.h"

#include <sqlite3.h>

namespace velmora::db::StructureKeys {

namespace {

void run(sqlite3 *db, const char *sql)
{
    char *message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK)
        Database::raise(db, rc);
}

} // namespace

void ensureTables(sqlite3 *db)
{
    run(db, "CREATE TABLE IF NOT EXISTS velmora_structure (rowkey INTEGER PRIMARY KEY, smiles TEXT NOT NULL, "
            "canonical TEXT, inchikey TEXT, fp BLOB, morgan BLOB)");
    run(db, "CREATE INDEX IF NOT EXISTS velmora_structure_inchikey ON velmora_structure (inchikey)");
    run(db, "CREATE TABLE IF NOT EXISTS velmora_deleted_structure (copy INTEGER PRIMARY KEY, smiles TEXT NOT NULL, "
            "canonical TEXT, inchikey TEXT, fp BLOB, morgan BLOB)");
}

bool hasTable(sqlite3 *db)
{
    Statement query(db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                                       "('velmora_structure', 'velmora_deleted_structure')"));
    return query.step() && query.integer(0) == 2;
}

Stored storedFor(sqlite3 *db, qint64 rowKey)
{
    if (!hasTable(db))
        return {};
    Statement query(db, QStringLiteral("SELECT smiles, canonical, inchikey FROM velmora_structure WHERE rowkey = ?1"));
    query.bind(1, rowKey);
    if (!query.step())
        return {};
    return {query.text(0), query.text(1), query.text(2)};
}

bool writeFor(sqlite3 *db, qint64 rowKey, const QString &smiles)
{
    ensureTables(db);
    if (smiles.trimmed().isEmpty()) {
        eraseFor(db, rowKey);
        return true;
    }
    const auto facts = structure::describe(smiles);
    if (!facts)
        return false;
    Statement put(db, QStringLiteral("INSERT OR REPLACE INTO velmora_structure (rowkey, smiles, canonical, inchikey, "
                                     "fp, morgan) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"));
    put.bind(1, rowKey);
    put.bind(2, smiles.trimmed());
    put.bind(3, facts->canonical);
    put.bind(4, facts->inchiKey.isEmpty() ? QVariant() : QVariant(facts->inchiKey));
    put.bind(5, facts->screen);
    put.bind(6, facts->morgan);
    put.step();
    return true;
}

void eraseFor(sqlite3 *db, qint64 rowKey)
{
    if (!hasTable(db))
        return;
    Statement erase(db, QStringLiteral("DELETE FROM velmora_structure WHERE rowkey = ?1"));
    erase.bind(1, rowKey);
    erase.step();
}

void keepFor(sqlite3 *db, qint64 rowKey, qint64 copy)
{
    if (!hasTable(db))
        return;
    Statement stale(db, QStringLiteral("DELETE FROM velmora_deleted_structure WHERE copy = ?1"));
    stale.bind(1, copy);
    stale.step();
    Statement keep(db, QStringLiteral("INSERT OR REPLACE INTO velmora_deleted_structure (copy, smiles, canonical, "
                                      "inchikey, fp, morgan) SELECT ?2, smiles, canonical, inchikey, fp, morgan "
                                      "FROM velmora_structure WHERE rowkey = ?1"));
    keep.bind(1, rowKey);
    keep.bind(2, copy);
    keep.step();
    eraseFor(db, rowKey);
}

void restoreFor(sqlite3 *db, qint64 copy, qint64 rowKey)
{
    if (!hasTable(db))
        return;
    Statement put(db, QStringLiteral("INSERT OR REPLACE INTO velmora_structure (rowkey, smiles, canonical, inchikey, "
                                     "fp, morgan) SELECT ?2, smiles, canonical, inchikey, fp, morgan "
                                     "FROM velmora_deleted_structure WHERE copy = ?1"));
    put.bind(1, copy);
    put.bind(2, rowKey);
    put.step();
    Statement drop(db, QStringLiteral("DELETE FROM velmora_deleted_structure WHERE copy = ?1"));
    drop.bind(1, copy);
    drop.step();
}

} // namespace velmora::db::StructureKeys
