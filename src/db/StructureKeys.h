#pragma once

#include <QString>

struct sqlite3;

namespace velmora::db {

// The structures of the chemicals, in a side table beside table sj keyed by
// its row key (sj keeps its shape):
//   velmora_structure (rowkey, smiles, canonical, inchikey, fp, morgan)
//     smiles     as written in the sources or typed in a wizard (a salt or
//                hydrate as dot-separated parts)
//     canonical  the canonical SMILES
//     inchikey   the standard InChIKey
//     fp         the substructure screen (structure::ScreenBytes)
//     morgan     the Morgan fingerprint for similarity (structure::MorganBytes)
// A deleted chemical's row moves to velmora_deleted_structure under the
// number of the deleted copy of its sj row, and back with 撤销删除.
namespace StructureKeys {

void ensureTables(sqlite3 *db);
bool hasTable(sqlite3 *db);

struct Stored {
    QString smiles, canonical, inchiKey;
};
Stored storedFor(sqlite3 *db, qint64 rowKey);

// Writes one chemical's structure from its SMILES (replacing what was
// there); an empty SMILES removes it. False when the SMILES does not parse
// (nothing is written). Throws DbError.
bool writeFor(sqlite3 *db, qint64 rowKey, const QString &smiles);
void eraseFor(sqlite3 *db, qint64 rowKey);
// The row of a deleted chemical moves aside under its copy's number, and
// back under the key the restored row received.
void keepFor(sqlite3 *db, qint64 rowKey, qint64 copy);
void restoreFor(sqlite3 *db, qint64 copy, qint64 rowKey);

} // namespace StructureKeys

} // namespace velmora::db
