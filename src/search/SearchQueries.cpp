#include "search/SearchQueries.h"

#include "db/SqlText.h"

namespace velmora::search {

using db::sqlValue;

namespace queries {

QString name(const QString &route, const QString &text)
{
    const QString order = route == QStringLiteral("英文名称") ? QStringLiteral(" order by 英文标记")
                                                              : QStringLiteral(" order by 中文标记");
    return QStringLiteral("select * from sj where ") + route + QStringLiteral(" like ") + QStringLiteral("'*")
           + sqlValue(text) + QStringLiteral("*'") + order;
}

QString property(const QString &route, const QString &text)
{
    return QStringLiteral("select * from sj where ") + route + QStringLiteral(" like ") + QStringLiteral("'")
           + sqlValue(text) + QStringLiteral("*'") + QStringLiteral(" order by 中文标记");
}

QString use(const QString &route, const QString &text)
{
    const QStringList keywords = text.split(QStringLiteral("；"));
    QString condition;
    for (int i = 0; i < keywords.size(); ++i) {
        if (i > 0)
            condition += QStringLiteral(" and ");
        condition += route + QStringLiteral(" like ") + QStringLiteral("'*") + sqlValue(keywords[i])
                     + QStringLiteral("*'");
    }
    return QStringLiteral("select * from sj where ") + condition + QStringLiteral(" order by 中文标记");
}

QString elements(const QString &route, const QStringList &symbols)
{
    QString condition;
    for (const QString &symbol : symbols) {
        if (!condition.isEmpty())
            condition += QStringLiteral(" or ");
        condition += route + QStringLiteral(" like ") + QStringLiteral("'") + sqlValue(symbol) + QStringLiteral("*'");
    }
    return QStringLiteral("select * from sj where ") + condition + QStringLiteral(" order by 中文标记");
}

QString exact(const QString &field, const QString &name)
{
    return QStringLiteral("Select * from sj where ") + field + QStringLiteral(" = ") + QStringLiteral("'")
           + sqlValue(name) + QStringLiteral("'");
}

QString lookupField(const QString &route)
{
    return route == QStringLiteral("英文名称") ? QStringLiteral("英文名称") : QStringLiteral("中文名称");
}

} // namespace queries

int matchingEntry(const QStringList &entries, const QString &separator, const QString &text,
                  Qt::CaseSensitivity cs)
{
    for (int r = 0; r < entries.size(); ++r)
        if (entries[r].split(separator).contains(text, cs))
            return r;
    return 0;
}

bool beginsWithElement(const QString &formula, const QString &symbol)
{
    if (symbol.isEmpty() || !formula.startsWith(symbol, Qt::CaseSensitive))
        return false;
    return formula.size() == symbol.size() || !formula.at(symbol.size()).isLower();
}

bool isRefusedSearchText(const QString &text)
{
    static const QStringList refused = {QString(), QStringLiteral("*"), QStringLiteral("**"),
                                        QStringLiteral("***"), QStringLiteral("****"),
                                        QStringLiteral("*****")};
    return text.isEmpty() || refused.contains(text);
}

NavigationState navigationState(int n, int i)
{
    NavigationState s;
    s.back = !(i == 0 || n < 2);
    s.forward = !(i == n - 1 || i == -1);
    return s;
}

} // namespace velmora::search
