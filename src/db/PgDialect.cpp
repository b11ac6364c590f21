#include "db/PgDialect.h"

#include "db/ChineseOrder.h"
#include "db/DbError.h"
#include "db/JetLike.h"
#include "db/TextForm.h"

#include <algorithm>
#include <map>

namespace velmora::db::pg {

namespace {

// Every character that folds to another one, and the characters folding to
// each folded character, worked out once from JetLike::fold.
struct Folding {
    std::vector<char32_t> changing; // sorted
    std::multimap<char32_t, char32_t> sources; // folded -> source

    Folding()
    {
        for (char32_t c = 0; c < 0x20000; ++c) {
            const char32_t f = JetLike::fold(c);
            if (f != c) {
                changing.push_back(c);
                sources.emplace(f, c);
            }
        }
    }
    static const Folding &get()
    {
        static const Folding f;
        return f;
    }
};

using Ranges = std::vector<std::pair<char32_t, char32_t>>;

// One character as a regular-expression escape: safe inside and outside a
// bracket expression whatever the character.
QString escaped(char32_t c)
{
    if ((c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9'))
        return QString(QChar(char16_t(c)));
    if (c <= 0xFFFF)
        return QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
    return QStringLiteral("\\U%1").arg(uint(c), 8, 16, QLatin1Char('0'));
}

// Stored text never holds NUL (the loader refuses it), so this never matches.
const QString NoCharacter = QStringLiteral("[^\\u0001-\\U0010ffff]");

Ranges merged(Ranges r)
{
    std::sort(r.begin(), r.end());
    Ranges out;
    for (const auto &x : r) {
        if (!out.empty() && x.first <= out.back().second + 1)
            out.back().second = std::max(out.back().second, x.second);
        else
            out.push_back(x);
    }
    return out;
}

bool inside(const Ranges &r, char32_t c)
{
    for (const auto &[lo, hi] : r)
        if (c >= lo && c <= hi)
            return true;
    return false;
}

// The characters t with fold(t) in the folded ranges r.
Ranges foldedPreimage(const Ranges &r)
{
    const Folding &f = Folding::get();
    std::vector<char32_t> removed;
    const Ranges given = merged(r);
    Ranges out = given;
    for (const char32_t s : f.changing) {
        const bool here = inside(given, s), target = inside(r, JetLike::fold(s));
        if (here && !target)
            removed.push_back(s);
        else if (!here && target)
            out.emplace_back(s, s);
    }
    for (const char32_t s : removed) {
        Ranges next;
        for (const auto &[lo, hi] : out) {
            if (s < lo || s > hi) {
                next.emplace_back(lo, hi);
                continue;
            }
            if (lo < s)
                next.emplace_back(lo, s - 1);
            if (s < hi)
                next.emplace_back(s + 1, hi);
        }
        out = std::move(next);
    }
    return merged(out);
}

QString bracket(const Ranges &r, bool negated)
{
    QString out = negated ? QStringLiteral("[^") : QStringLiteral("[");
    for (const auto &[lo, hi] : r) {
        out += escaped(lo);
        if (hi != lo)
            out += QLatin1Char('-') + escaped(hi);
    }
    return out + QLatin1Char(']');
}

// A character of the pattern, already folded: every character folding to it.
QString literal(char32_t folded)
{
    if (folded == 0)
        return NoCharacter;
    const Ranges set = foldedPreimage({{folded, folded}});
    if (set.size() == 1 && set[0].first == set[0].second)
        return escaped(set[0].first);
    return bracket(set, false);
}

} // namespace

QString likeRegex(const QString &pattern)
{
    JetLike check(pattern); // an invalid pattern fails here with 93, as in the engine
    const std::u32string p = withoutLoneSurrogates(pattern).toStdU32String();
    QString re = QStringLiteral("^");
    bool star = false;
    for (size_t i = 0; i < p.size(); ++i) {
        const char32_t c = p[i];
        if (c == U'*') {
            if (!star)
                re += QStringLiteral(".*");
            star = true;
            continue;
        }
        star = false;
        if (c == U'?') {
            re += QLatin1Char('.');
        } else if (c == U'#') {
            re += QStringLiteral("[0-9]");
        } else if (c == U'[') {
            const size_t close = p.find(U']', i + 1);
            size_t j = i + 1;
            bool negated = false;
            if (j < close && p[j] == U'!') {
                negated = true;
                ++j;
            }
            Ranges ranges;
            for (; j < close; ++j) {
                char32_t lo = JetLike::fold(p[j]), hi = lo;
                if (j + 2 < close && p[j + 1] == U'-') {
                    hi = JetLike::fold(p[j + 2]);
                    j += 2;
                }
                if (hi < lo)
                    std::swap(lo, hi);
                ranges.emplace_back(lo, hi);
            }
            i = close;
            const Ranges set = ranges.empty() ? Ranges{} : foldedPreimage(ranges);
            if (ranges.empty() || (set.empty() && !negated))
                re += NoCharacter; // "[]" and "[!]" match no character
            else if (set.empty())
                re += QLatin1Char('.');
            else
                re += bracket(set, negated);
        } else {
            re += literal(JetLike::fold(c));
        }
    }
    return re + QLatin1Char('$');
}

QString equalRegex(const QString &text)
{
    QString re = QStringLiteral("^");
    for (const char32_t c : withoutLoneSurrogates(text).toStdU32String())
        re += literal(JetLike::fold(c));
    return re + QLatin1Char('$');
}

Query translate(const JetQuery &query, const QString &schema, const QString &key, const QString &columns)
{
    Query q;
    const QString keyName = JetQuery::quoteName(key);
    QString select = keyName;
    if (!query.orderBy.isEmpty())
        select += QStringLiteral(", ") + JetQuery::quoteName(query.orderBy);
    if (!columns.isEmpty())
        select += QStringLiteral(", ") + columns;
    q.sql = QStringLiteral("SELECT %1 FROM %2.%3").arg(select, JetQuery::quoteName(schema), JetQuery::quoteName(query.table));

    QString where;
    int index = 1;
    for (const JetQuery::Condition &c : query.conditions) {
        if (!c.connector.isEmpty())
            where += c.connector == QLatin1String("and") ? QLatin1String(" AND ") : QLatin1String(" OR ");
        where += QString(c.openParens, QLatin1Char('('));
        // Numbers are matched by their text, as the engine's LIKE reads them.
        where += QStringLiteral("(%1)::text ~ $%2").arg(JetQuery::quoteName(c.field)).arg(index++);
        where += QString(c.closeParens, QLatin1Char(')'));
        q.parameters << (c.like ? likeRegex(c.value) : equalRegex(c.value));
    }
    if (!where.isEmpty())
        q.sql += QStringLiteral(" WHERE ") + where;

    if (query.orderBy.isEmpty()) {
        q.sql += QStringLiteral(" ORDER BY ") + keyName;
        return q;
    }
    // Exact for texts of ASCII only (NOCASE is byte order with A-Z folded);
    // sortRows() puts the rest right.
    q.clientOrder = true;
    q.descending = query.descending;
    q.sql += QStringLiteral(" ORDER BY lower((%1)::text COLLATE \"C\")%2, %3")
                 .arg(JetQuery::quoteName(query.orderBy),
                      query.descending ? QStringLiteral(" DESC NULLS LAST") : QStringLiteral(" NULLS FIRST"), keyName);
    return q;
}

void sortRows(std::vector<OrderedRow> &rows, bool descending)
{
    auto compareValues = [](const OrderedRow &a, const OrderedRow &b) {
        if (a.kind != b.kind)
            return a.kind < b.kind ? -1 : 1;
        if (a.kind == OrderedRow::Number)
            return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
        if (a.kind == OrderedRow::Text)
            return ChineseOrder::compare(std::string_view(a.text.constData(), size_t(a.text.size())),
                                         std::string_view(b.text.constData(), size_t(b.text.size())));
        return 0;
    };
    std::sort(rows.begin(), rows.end(), [&](const OrderedRow &a, const OrderedRow &b) {
        const int r = compareValues(a, b);
        if (r != 0)
            return descending ? r > 0 : r < 0;
        return a.key < b.key;
    });
}

} // namespace velmora::db::pg
