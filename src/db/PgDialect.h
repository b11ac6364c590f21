#pragma once

#include "db/JetSql.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace velmora::db::pg {

// The program's query dialect on a PostgreSQL server that holds the tables
// copied by velmora-pgload (one schema per database file, the SQLite row key
// kept as a column). Pure text work: no connection is needed.
//
// LIKE and "=" become regular expressions matched with the case-sensitive
// operator ~, each letter written out as the class of every character that
// folds to it (the folding of JetLike). So a text matches on the server
// exactly when JetLike matches it, whatever the server's locale; ~* would
// compare by the server's upper and lower case instead, which differs from
// simple case folding (final sigma, the Kelvin sign, long s, dotted I).

// The anchored expression for a Jet LIKE pattern. Throws DbError 93 for an
// invalid pattern, as JetLike does.
QString likeRegex(const QString &pattern);
// The anchored expression for "=" (text equal without regard to case).
QString equalRegex(const QString &text);

struct Query {
    // SELECT key, [order value,] columns FROM schema.table WHERE ... ORDER BY
    // ...; the conditions are $1, $2 ... with parameters() bound as text.
    QString sql;
    QStringList parameters;
    // True when the query has an ORDER BY field: the server orders ASCII
    // texts as the program does, but not Chinese ones (the program orders
    // them by ICU's Chinese collation run by run, which no server collation
    // reproduces), so the rows must be put in order with sortRows() on the
    // second column the query returns.
    bool clientOrder = false;
    bool descending = false;
};

// `key` names the column that holds the SQLite row key, `columns` the rest of
// the select list (already quoted, or "*").
Query translate(const JetQuery &query, const QString &schema, const QString &key,
                const QString &columns = QStringLiteral("*"));

// One fetched row for the client-side order: its key and order value.
struct OrderedRow {
    enum Kind { Null, Number, Text };
    qint64 key = 0;
    Kind kind = Null;
    double number = 0;
    QByteArray text; // UTF-8
    int index = 0;   // the row's place in the fetched result
};

// Puts rows in the order SQLite gives "order by F [desc]" with the collation
// velmora_order, ties in key order: NULL first, then numbers, then texts by
// ChineseOrder::compare (all reversed for desc, the key order kept).
void sortRows(std::vector<OrderedRow> &rows, bool descending);

} // namespace velmora::db::pg
