#pragma once

#include <QString>
#include <QStringList>
#include <vector>

struct sqlite3;

namespace velmora::db {

// Search keys of the chemicals, kept in side tables beside table sj in the
// same file and keyed by sj's row key (its rowid, the field 编号):
//   velmora_search   (rowkey, cas, composition, pinyin)
//     cas          the CAS number in its normal form ("64-17-5")
//     composition  the formula's composition key (FormulaComposition::key)
//     pinyin       the syllables of every Chinese name (pinyin::storedForm)
//     sortkey      the 中文标记 of the names (chineseSortKey), for the order
//   velmora_elements (symbol, rowkey): one row per element of the formula.
// Table sj itself keeps its shape. The lookups return row keys in the order
// of 中文标记, except where said otherwise.
namespace SearchKeys {

void ensureTables(sqlite3 *db);
bool hasTables(sqlite3 *db);

// Writes the keys of one chemical (replacing what was there). The wizards
// call this in the transaction that writes the row; throws DbError.
void writeFor(sqlite3 *db, qint64 rowKey, const QString &chineseNames, const QString &cas,
              const QString &formula);
// Removes the keys of a deleted chemical.
void eraseFor(sqlite3 *db, qint64 rowKey);
// Brings the keys of one row of sj up to date with what the row holds now,
// or removes them when the row is gone. Nothing happens on a file without
// the key tables. Called in the transaction that changed the row.
void refreshFor(sqlite3 *db, qint64 rowKey);
// Writes the keys of every row of sj afresh (the data builder; an older file).
void rebuildAll(sqlite3 *db);

std::vector<qint64> findByCas(sqlite3 *db, const QString &normalisedCas);
// Chemicals of a composition. Several chemicals may share one (乙醇 and
// 二甲醚); the groups written in the typed text (C2H5OH: an alcohol,
// CH3COOH: an acid) put the chemicals of that class first, the rest follow
// in the handbook's order (its sources list the most-used chemicals first).
std::vector<qint64> findByComposition(sqlite3 *db, const QString &compositionKey,
                                      const QString &typedFormula = {});
// The name endings (醇, 酸 …) of the chemical classes that the groups of a
// typed condensed formula point to; empty for a plain formula.
QString classHints(const QString &typedFormula);
// Chemicals whose formula holds every one of the symbols.
std::vector<qint64> findByElements(sqlite3 *db, const QStringList &symbols);
// Chemicals with a Chinese name that the typed pinyin fits: whole names
// first (several in the handbook's order: 乙醇 before 叶醇 for "yc"), then
// names that begin with it, then the others.
std::vector<qint64> findByPinyin(sqlite3 *db, const QString &typed);

} // namespace SearchKeys

} // namespace velmora::db
