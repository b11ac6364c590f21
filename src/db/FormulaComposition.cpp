#include "db/FormulaComposition.h"

#include <QSet>
#include <algorithm>

namespace velmora::db {

namespace {

const QSet<QString> &elementSymbols()
{
    static const QSet<QString> symbols = [] {
        const char *list[] = {
            "H",  "He", "Li", "Be", "B",  "C",  "N",  "O",  "F",  "Ne", "Na", "Mg", "Al", "Si", "P",
            "S",  "Cl", "Ar", "K",  "Ca", "Sc", "Ti", "V",  "Cr", "Mn", "Fe", "Co", "Ni", "Cu", "Zn",
            "Ga", "Ge", "As", "Se", "Br", "Kr", "Rb", "Sr", "Y",  "Zr", "Nb", "Mo", "Tc", "Ru", "Rh",
            "Pd", "Ag", "Cd", "In", "Sn", "Sb", "Te", "I",  "Xe", "Cs", "Ba", "La", "Ce", "Pr", "Nd",
            "Pm", "Sm", "Eu", "Gd", "Tb", "Dy", "Ho", "Er", "Tm", "Yb", "Lu", "Hf", "Ta", "W",  "Re",
            "Os", "Ir", "Pt", "Au", "Hg", "Tl", "Pb", "Bi", "Po", "At", "Rn", "Fr", "Ra", "Ac", "Th",
            "Pa", "U",  "Np", "Pu", "Am", "Cm", "Bk", "Cf", "Es", "Fm", "Md", "No", "Lr", "Rf", "Db",
            "Sg", "Bh", "Hs", "Mt", "Ds", "Rg", "Cn", "Nh", "Fl", "Mc", "Lv", "Ts", "Og", "D",  "T"};
        QSet<QString> set;
        for (const char *s : list)
            set.insert(QString::fromLatin1(s));
        return set;
    }();
    return symbols;
}

bool isSeparator(QChar c)
{
    return c == QChar(0x00B7) || c == QLatin1Char('.') || c == QLatin1Char('*') || c == QChar(0x2022)
           || c == QChar(0x30FB) || c == QChar(0x2027) || c == QChar(0x22C5) || c == QChar(0xFF0E)
           || c == QChar(0xFF0A);
}

// Recursive-descent reader of one formula. A symbol reader is given, so the
// same grammar serves the exact reading and the lower-case one (which tries
// every way of cutting the letters into symbols).
class Reader {
public:
    explicit Reader(const QString &text) : m_text(text) {}

    // Every composition the text can be read as (at most a few; the
    // lower-case reading may branch).
    QList<FormulaComposition> readAll(bool anyCase)
    {
        m_anyCase = anyCase;
        QList<FormulaComposition> out;
        readFormula(0, out);
        return out;
    }

private:
    using Counts = std::map<QString, int>;
    struct State {
        int pos;
        Counts counts;
        bool repeating;
    };

    static void add(Counts &into, const Counts &from, int times)
    {
        for (const auto &[s, n] : from)
            into[s] += n * times;
    }

    int readNumber(int &pos) const
    {
        const int start = pos;
        while (pos < m_text.size() && m_text[pos].isDigit() && pos - start < 6)
            ++pos;
        return start == pos ? 0 : m_text.mid(start, pos - start).toInt();
    }

    // Whole text: parts joined by separators, each with a leading multiplier.
    void readFormula(int pos, QList<FormulaComposition> &out)
    {
        QList<State> states{{pos, {}, false}};
        while (true) {
            QList<State> next;
            for (const State &s : states) {
                int p = s.pos;
                const int multiplier = readNumber(p);
                if (multiplier == 0 && p != s.pos)
                    continue;
                QList<State> parts;
                readSequence(p, 0, parts);
                for (State part : parts) {
                    if (part.repeating && (s.repeating || multiplier != 0))
                        continue;
                    Counts merged = s.counts;
                    add(merged, part.counts, multiplier == 0 ? 1 : multiplier);
                    next.push_back({part.pos, merged, s.repeating || part.repeating});
                }
            }
            if (next.size() > 64)
                next = next.mid(0, 64);
            QList<State> more;
            for (const State &s : next) {
                if (s.pos == m_text.size()) {
                    FormulaComposition c{s.counts, s.repeating};
                    if (!c.counts.empty() && !out.contains(c))
                        out.push_back(c);
                } else if (isSeparator(m_text[s.pos])) {
                    more.push_back({s.pos + 1, s.counts, s.repeating});
                }
            }
            if (more.isEmpty())
                return;
            states = more;
        }
    }

    // A run of atoms and groups up to a separator, a closing bracket or the end.
    void readSequence(int pos, int depth, QList<State> &out)
    {
        QList<State> states{{pos, {}, false}};
        while (!states.isEmpty()) {
            QList<State> next;
            for (const State &s : states) {
                const int p = s.pos;
                const QChar c = p < m_text.size() ? m_text[p] : QChar();
                if (p >= m_text.size() || isSeparator(c) || c == QLatin1Char(')') || c == QLatin1Char(']')) {
                    if (!s.counts.empty() || s.repeating)
                        out.push_back(s);
                    continue;
                }
                if (c == QLatin1Char('(') || c == QLatin1Char('[')) {
                    const QChar close = c == QLatin1Char('(') ? QLatin1Char(')') : QLatin1Char(']');
                    QList<State> inner;
                    readSequence(p + 1, depth + 1, inner);
                    for (const State &in : inner) {
                        if (in.repeating || in.pos >= m_text.size() || m_text[in.pos] != close)
                            continue;
                        int q = in.pos + 1;
                        if (q + 1 == m_text.size() && m_text[q] == QLatin1Char('n')) {
                            // "(C2H4)n": a repeating unit, only as the whole formula.
                            if (depth == 0 && s.counts.empty() && !s.repeating)
                                next.push_back({q + 1, in.counts, true});
                            continue;
                        }
                        int count = readNumber(q);
                        if (count == 0 && q != in.pos + 1)
                            continue;
                        Counts merged = s.counts;
                        add(merged, in.counts, count == 0 ? 1 : count);
                        next.push_back({q, merged, s.repeating});
                    }
                    continue;
                }
                for (const auto &[symbol, length] : symbolsAt(p)) {
                    int q = p + length;
                    int count = readNumber(q);
                    if (count == 0 && q != p + length)
                        continue;
                    Counts merged = s.counts;
                    merged[symbol] += count == 0 ? 1 : count;
                    next.push_back({q, merged, s.repeating});
                }
            }
            if (next.size() > 64)
                next = next.mid(0, 64);
            states = next;
        }
    }

    QList<std::pair<QString, int>> symbolsAt(int p) const
    {
        QList<std::pair<QString, int>> found;
        const QChar c = m_text[p];
        if (!c.isLetter() || c.unicode() > 0x7F)
            return found;
        const QChar d = p + 1 < m_text.size() ? m_text[p + 1] : QChar();
        if (!m_anyCase) {
            if (!c.isUpper())
                return found;
            if (d.isLower() && d.unicode() < 0x80) {
                const QString two = QString(c) + d;
                if (elementSymbols().contains(two))
                    found.push_back({two, 2});
                return found; // "Xy" is no symbol and no pair of symbols
            }
            if (elementSymbols().contains(QString(c)))
                found.push_back({QString(c), 1});
            return found;
        }
        const QString one = QString(c.toUpper());
        if (elementSymbols().contains(one))
            found.push_back({one, 1});
        if (d.isLetter() && d.unicode() < 0x80) {
            const QString two = one + d.toLower();
            if (elementSymbols().contains(two))
                found.push_back({two, 2});
        }
        return found;
    }

    QString m_text;
    bool m_anyCase = false;
};

QString withoutSpaces(const QString &text)
{
    QString out;
    for (const QChar c : text.normalized(QString::NormalizationForm_KC))
        if (!c.isSpace())
            out += c;
    return out;
}

} // namespace

bool FormulaComposition::isElementSymbol(const QString &symbol)
{
    return elementSymbols().contains(symbol);
}

std::optional<FormulaComposition> FormulaComposition::parse(const QString &formula)
{
    const QString text = withoutSpaces(formula);
    if (text.isEmpty())
        return std::nullopt;
    const QList<FormulaComposition> all = Reader(text).readAll(false);
    if (all.size() != 1)
        return std::nullopt;
    return all.first();
}

std::optional<FormulaComposition> FormulaComposition::parseTyped(const QString &typed)
{
    const QString text = withoutSpaces(typed);
    if (text.isEmpty())
        return std::nullopt;
    const bool hasCapital = std::any_of(text.begin(), text.end(), [](QChar c) { return c.isUpper(); });
    if (hasCapital)
        return parse(text);
    const QList<FormulaComposition> all = Reader(text).readAll(true);
    if (all.size() != 1)
        return std::nullopt;
    return all.first();
}

QStringList FormulaComposition::elements() const
{
    QStringList symbols;
    const bool carbon = counts.count(QStringLiteral("C")) > 0;
    if (carbon) {
        symbols << QStringLiteral("C");
        if (counts.count(QStringLiteral("H")))
            symbols << QStringLiteral("H");
    }
    for (const auto &[symbol, n] : counts) { // std::map: alphabetical
        if (carbon && (symbol == QLatin1String("C") || symbol == QLatin1String("H")))
            continue;
        symbols << symbol;
    }
    return symbols;
}

QString FormulaComposition::key() const
{
    QString text;
    for (const QString &symbol : elements()) {
        const int n = counts.at(symbol);
        text += symbol;
        if (n != 1)
            text += QString::number(n);
    }
    return repeating ? QLatin1Char('(') + text + QStringLiteral(")n") : text;
}

} // namespace velmora::db
