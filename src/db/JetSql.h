#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace velmora::db {

// The query dialect the program speaks, translated onto SQLite.
//
// The program's record sources are a bare table name ("sj", "periodic") or
//   select * from T [where C {and|or C}] [order by F [asc|desc]]
// where each condition C is  F = 'text'  or  F like 'pattern'  (Jet LIKE
// wildcards). Keywords are case-insensitive, names are unquoted and may be
// Chinese, "''" inside a literal is one quote. Anything else is malformed.
// "=" compares text without regard to case (JetLike::compare, registered on
// every connection as the collation JETCASE).
struct JetQuery {
    struct Condition {
        QString connector; // "and", "or", or empty for the first
        int openParens = 0;
        QString field;
        bool like = false; // like, else "="
        QString value;
        int closeParens = 0;
    };
    QString table;
    std::vector<Condition> conditions;
    QString orderBy;
    bool descending = false;

    // Throws DbError (3075/3129 for malformed text, 93 for a bad pattern).
    static JetQuery parse(const QString &recordSource);

    // SQLite text selecting `columns` (already quoted, e.g. "rowid" or
    // "rowid, *") with the conditions as numbered parameters, in the query's
    // order (ties in stored order). Bind the values of parameters() to it.
    QString toSqlite(const QString &columns) const;
    QString whereSqlite() const;
    QString orderSqlite() const;
    QStringList parameters() const;

    static QString quoteName(const QString &name);
};

} // namespace velmora::db
