#pragma once

#include <QString>
#include <QStringList>
#include <vector>

struct sqlite3;

namespace velmora::search {

// What a chemist types beside the names: a CAS number, a formula as written,
// pinyin or initials, element symbols. Each lookup goes through the search
// keys kept beside the chemicals and gives row keys, best first.
struct TypedFind {
    enum class How { None, Cas, Formula, Pinyin, Elements };
    How how = How::None;
    std::vector<qint64> keys;
    // A sentence saying why the text cannot be looked up as typed (a wrong
    // check digit, an unknown element symbol); no keys then.
    QString problem;

    bool found() const { return !keys.empty(); }
};

TypedFind findByCasText(sqlite3 *db, const QString &typed);
// Chemicals whose composition is that of the typed formula, whatever order
// and writing it has (SO4H2, C2H5OH, CuSO4.5H2O, (C2H4)n).
TypedFind findByFormulaText(sqlite3 *db, const QString &typed);
TypedFind findByPinyinText(sqlite3 *db, const QString &typed);
// One or more element symbols, apart ("Cu S", "Cu,S") or run together ("CuS").
TypedFind findByElementText(sqlite3 *db, const QString &typed);
// The name routes' second try when no name holds the text: a CAS number, a
// formula, pinyin, in that order; the first that finds something (or says
// what is wrong with the text) wins.
TypedFind findAsTypedKey(sqlite3 *db, const QString &typed);

// The element symbols of a typed text; the first piece that is none is
// given in unknown.
QStringList elementSymbols(const QString &typed, QString *unknown = nullptr);

// The status line for a result found this way: "按CAS号找到 3 个化学品".
QString foundThisWay(TypedFind::How how, int count);

// Joins the exact-composition matches before the rows of the prefix search,
// each row once.
std::vector<qint64> compositionFirst(const std::vector<qint64> &composition,
                                     const std::vector<qint64> &prefix);

} // namespace velmora::search
