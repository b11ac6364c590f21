#include "search/TypedLookup.h"

#include "db/CasNumber.h"
#include "db/DbError.h"
#include "db/FormulaComposition.h"
#include "db/SearchKeys.h"

#include <QRegularExpression>
#include <QSet>
#include <sqlite3.h>

namespace velmora::search {

namespace {

TypedFind withKeys(TypedFind::How how, std::vector<qint64> keys)
{
    TypedFind f;
    f.how = how;
    f.keys = std::move(keys);
    return f;
}

// A file written before the search keys existed gets them once, in one
// transaction; a file that cannot be written is searched by names only.
bool keysReady(sqlite3 *db)
{
    if (db::SearchKeys::hasTables(db))
        return true;
    if (sqlite3_db_readonly(db, "main") != 0)
        return false;
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    try {
        db::SearchKeys::rebuildAll(db);
    } catch (const db::DbError &) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    return true;
}

} // namespace

TypedFind findByCasText(sqlite3 *db, const QString &typed)
{
    const db::CasNumber cas = db::CasNumber::parse(typed);
    if (!cas.looksLikeCas())
        return {};
    if (!keysReady(db))
        return {};
    if (!cas.isValid()) {
        TypedFind f;
        f.how = TypedFind::How::Cas;
        f.problem = QStringLiteral("CAS号校验位不对，应为 %1（%2）。")
                        .arg(cas.expectedCheckDigit)
                        .arg(cas.normalised.left(cas.normalised.size() - 1) + QString::number(cas.expectedCheckDigit));
        return f;
    }
    return withKeys(TypedFind::How::Cas, db::SearchKeys::findByCas(db, cas.normalised));
}

TypedFind findByFormulaText(sqlite3 *db, const QString &typed)
{
    const std::optional<db::FormulaComposition> composition = db::FormulaComposition::parseTyped(typed);
    if (!composition || composition->counts.empty() || !keysReady(db))
        return {};
    return withKeys(TypedFind::How::Formula, db::SearchKeys::findByComposition(db, composition->key(), typed));
}

TypedFind findByPinyinText(sqlite3 *db, const QString &typed)
{
    if (!keysReady(db))
        return {};
    return withKeys(TypedFind::How::Pinyin, db::SearchKeys::findByPinyin(db, typed));
}

QStringList elementSymbols(const QString &typed, QString *unknown)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,，、；;]+"));
    static const QRegularExpression runTogether(QStringLiteral("^(?:[A-Z][a-z]?)+$"));
    static const QRegularExpression symbol(QStringLiteral("[A-Z][a-z]?"));
    QStringList symbols;
    for (const QString &piece : typed.split(separators, Qt::SkipEmptyParts)) {
        // A symbol typed in lower case ("fe") is still meant as one.
        const QString capitalised = piece.left(1).toUpper() + piece.mid(1).toLower();
        if (db::FormulaComposition::isElementSymbol(piece)) {
            symbols << piece;
        } else if (piece.size() <= 2 && db::FormulaComposition::isElementSymbol(capitalised)) {
            symbols << capitalised;
        } else if (runTogether.match(piece).hasMatch()) {
            for (auto it = symbol.globalMatch(piece); it.hasNext();) {
                const QString s = it.next().captured();
                if (!db::FormulaComposition::isElementSymbol(s)) {
                    if (unknown)
                        *unknown = s;
                    return {};
                }
                symbols << s;
            }
        } else {
            if (unknown)
                *unknown = piece;
            return {};
        }
    }
    symbols.removeDuplicates();
    return symbols;
}

TypedFind findByElementText(sqlite3 *db, const QString &typed)
{
    QString unknown;
    const QStringList symbols = elementSymbols(typed, &unknown);
    if (!symbols.isEmpty() && !keysReady(db))
        return {};
    if (symbols.isEmpty()) {
        TypedFind f;
        f.how = TypedFind::How::Elements;
        if (!unknown.isEmpty())
            f.problem = QStringLiteral("元素符号无法识别：%1").arg(unknown);
        return f;
    }
    return withKeys(TypedFind::How::Elements, db::SearchKeys::findByElements(db, symbols));
}

TypedFind findAsTypedKey(sqlite3 *db, const QString &typed)
{
    const TypedFind cas = findByCasText(db, typed);
    if (cas.how != TypedFind::How::None)
        return cas; // shaped like a CAS number: its answer, found or not
    TypedFind formula = findByFormulaText(db, typed);
    if (formula.found())
        return formula;
    return findByPinyinText(db, typed);
}

QString foundThisWay(TypedFind::How how, int count)
{
    QString way;
    switch (how) {
    case TypedFind::How::Cas: way = QStringLiteral("CAS号"); break;
    case TypedFind::How::Formula: way = QStringLiteral("分子式"); break;
    case TypedFind::How::Pinyin: way = QStringLiteral("拼音"); break;
    case TypedFind::How::Elements: way = QStringLiteral("元素"); break;
    case TypedFind::How::None: return {};
    }
    return QStringLiteral("按%1找到 %2 个化学品").arg(way).arg(count);
}

std::vector<qint64> compositionFirst(const std::vector<qint64> &composition, const std::vector<qint64> &prefix)
{
    std::vector<qint64> keys;
    keys.reserve(composition.size() + prefix.size());
    QSet<qint64> seen;
    for (const auto *part : {&composition, &prefix})
        for (const qint64 k : *part)
            if (!seen.contains(k)) {
                seen.insert(k);
                keys.push_back(k);
            }
    return keys;
}

} // namespace velmora::search
