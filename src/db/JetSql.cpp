#include "db/JetSql.h"

#include "db/ChineseOrder.h"
#include "db/DbError.h"
#include "db/JetLike.h"
#include "db/TextForm.h"

namespace velmora::db {

namespace {

struct Token {
    enum Kind { Word, Text, Symbol, End } kind;
    QString text;
};

[[noreturn]] void malformed(const QString &sql)
{
    throw DbError(errors::SyntaxError,
                  QStringLiteral("Syntax error (missing operator) in query expression '%1'.").arg(sql));
}

std::vector<Token> tokenize(const QString &sql)
{
    std::vector<Token> tokens;
    int i = 0;
    const int n = sql.size();
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('\'')) {
            QString text;
            ++i;
            bool closed = false;
            while (i < n) {
                if (sql[i] == QLatin1Char('\'')) {
                    if (i + 1 < n && sql[i + 1] == QLatin1Char('\'')) {
                        text += QLatin1Char('\'');
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                text += sql[i++];
            }
            if (!closed)
                malformed(sql);
            tokens.push_back({Token::Text, text});
        } else if (c == QLatin1Char('=') || c == QLatin1Char('*') || c == QLatin1Char('(')
                   || c == QLatin1Char(')')) {
            tokens.push_back({Token::Symbol, QString(c)});
            ++i;
        } else if (c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char('"')
                   || c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('[')
                   || c == QLatin1Char(']') || c == QLatin1Char('-') || c == QLatin1Char('+')
                   || c == QLatin1Char('/') || c == QLatin1Char('!') || c == QLatin1Char('.')) {
            malformed(sql);
        } else {
            const int start = i;
            while (i < n) {
                const QChar d = sql[i];
                if (d.isSpace() || d == QLatin1Char('\'') || d == QLatin1Char('=')
                    || d == QLatin1Char('*') || d == QLatin1Char('(') || d == QLatin1Char(')')
                    || d == QLatin1Char(',') || d == QLatin1Char(';') || d == QLatin1Char('"')
                    || d == QLatin1Char('<') || d == QLatin1Char('>') || d == QLatin1Char('[')
                    || d == QLatin1Char(']'))
                    break;
                ++i;
            }
            tokens.push_back({Token::Word, sql.mid(start, i - start)});
        }
    }
    tokens.push_back({Token::End, {}});
    return tokens;
}

bool isKeyword(const Token &t, const char *word)
{
    return t.kind == Token::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool isReserved(const Token &t)
{
    static const char *const words[] = {"select", "from", "where", "order", "by", "and",
                                        "or", "like", "asc", "desc", "not", "is"};
    for (const char *w : words)
        if (isKeyword(t, w))
            return true;
    return false;
}

} // namespace

QString JetQuery::quoteName(const QString &name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

JetQuery JetQuery::parse(const QString &recordSource)
{
    const std::vector<Token> t = tokenize(recordSource);
    size_t p = 0;
    JetQuery q;

    auto expectName = [&]() -> QString {
        if (t[p].kind != Token::Word || isReserved(t[p]))
            malformed(recordSource);
        return t[p++].text;
    };

    if (t[0].kind == Token::End)
        throw DbError(errors::InvalidSqlStatement,
                      QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', "
                                     "'PROCEDURE', 'SELECT', or 'UPDATE'."));

    // A bare table name.
    if (t[0].kind == Token::Word && !isReserved(t[0]) && t[1].kind == Token::End) {
        q.table = t[0].text;
        return q;
    }
    if (!isKeyword(t[p++], "select"))
        throw DbError(errors::InvalidSqlStatement,
                      QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', "
                                     "'PROCEDURE', 'SELECT', or 'UPDATE'."));
    if (!(t[p].kind == Token::Symbol && t[p].text == QLatin1String("*")))
        malformed(recordSource);
    ++p;
    if (!isKeyword(t[p++], "from"))
        malformed(recordSource);
    q.table = expectName();

    if (isKeyword(t[p], "where")) {
        ++p;
        int depth = 0;
        for (;;) {
            Condition c;
            if (!q.conditions.empty()) {
                if (isKeyword(t[p], "and"))
                    c.connector = QStringLiteral("and");
                else if (isKeyword(t[p], "or"))
                    c.connector = QStringLiteral("or");
                else
                    break;
                ++p;
            }
            while (t[p].kind == Token::Symbol && t[p].text == QLatin1String("(")) {
                ++c.openParens;
                ++depth;
                ++p;
            }
            c.field = expectName();
            if (t[p].kind == Token::Symbol && t[p].text == QLatin1String("=")) {
                c.like = false;
            } else if (isKeyword(t[p], "like")) {
                c.like = true;
            } else {
                malformed(recordSource);
            }
            ++p;
            if (t[p].kind != Token::Text)
                malformed(recordSource);
            // Half surrogate pairs are dropped here, so that the engine and the
            // column copies see the same characters.
            c.value = withoutLoneSurrogates(t[p++].text);
            if (c.like)
                JetLike check(c.value); // an invalid pattern fails the query (93)
            while (depth > 0 && t[p].kind == Token::Symbol && t[p].text == QLatin1String(")")) {
                ++c.closeParens;
                --depth;
                ++p;
            }
            q.conditions.push_back(std::move(c));
        }
        if (depth != 0)
            malformed(recordSource);
    }

    if (isKeyword(t[p], "order")) {
        ++p;
        if (!isKeyword(t[p++], "by"))
            malformed(recordSource);
        q.orderBy = expectName();
        if (isKeyword(t[p], "asc")) {
            ++p;
        } else if (isKeyword(t[p], "desc")) {
            q.descending = true;
            ++p;
        }
    }
    if (t[p].kind != Token::End)
        malformed(recordSource);
    return q;
}

QString JetQuery::whereSqlite() const
{
    QString where;
    int index = 1;
    for (const Condition &c : conditions) {
        if (!c.connector.isEmpty())
            where += c.connector == QLatin1String("and") ? QLatin1String(" AND ") : QLatin1String(" OR ");
        where += QString(c.openParens, QLatin1Char('('));
        if (c.like)
            where += QStringLiteral("jetlike(?%1, %2)").arg(index).arg(quoteName(c.field));
        else
            where += QStringLiteral("%2 = ?%1 COLLATE JETCASE").arg(index).arg(quoteName(c.field));
        where += QString(c.closeParens, QLatin1Char(')'));
        ++index;
    }
    return where;
}

QString JetQuery::orderSqlite() const
{
    if (orderBy.isEmpty())
        return QStringLiteral("rowid");
    // Chinese text in pinyin order, ASCII as NOCASE; ties in stored order.
    return quoteName(orderBy) + QStringLiteral(" COLLATE ") + QLatin1String(ChineseOrder::Name)
           + (descending ? QStringLiteral(" DESC") : QString()) + QStringLiteral(", rowid");
}

QString JetQuery::toSqlite(const QString &columns) const
{
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(columns, quoteName(table));
    if (!conditions.empty())
        sql += QStringLiteral(" WHERE ") + whereSqlite();
    sql += QStringLiteral(" ORDER BY ") + orderSqlite();
    return sql;
}

QStringList JetQuery::parameters() const
{
    QStringList values;
    for (const Condition &c : conditions)
        values << c.value;
    return values;
}

} // namespace velmora::db
