#include "Formula.h"

#include <vector>

namespace velmora::data {

namespace {

class Parser {
public:
    explicit Parser(const QString &text) : m_text(text) {}

    bool parsePart(ElementCounts &out)
    {
        // A leading multiplier ("5H2O") applies to the whole part.
        const int multiplier = readNumber(1);
        ElementCounts part;
        if (!parseGroup(part, false))
            return false;
        for (auto &[symbol, count] : part)
            out[symbol] += count * multiplier;
        return true;
    }

    bool atEnd() const { return m_pos >= m_text.size(); }
    bool skipSeparator()
    {
        if (!atEnd() && (m_text[m_pos] == QChar(0x00B7) || m_text[m_pos] == QLatin1Char('.')
                         || m_text[m_pos] == QChar(0x2022) || m_text[m_pos] == QChar(0x30FB))) {
            ++m_pos;
            return true;
        }
        return false;
    }

private:
    int readNumber(int fallback)
    {
        int start = m_pos;
        while (!atEnd() && m_text[m_pos].isDigit())
            ++m_pos;
        return start == m_pos ? fallback : m_text.mid(start, m_pos - start).toInt();
    }

    bool parseGroup(ElementCounts &out, bool nested)
    {
        bool any = false;
        while (!atEnd()) {
            const QChar c = m_text[m_pos];
            if (c == QLatin1Char('(') || c == QLatin1Char('[')) {
                ++m_pos;
                ElementCounts inner;
                if (!parseGroup(inner, true))
                    return false;
                if (atEnd() || (m_text[m_pos] != QLatin1Char(')') && m_text[m_pos] != QLatin1Char(']')))
                    return false;
                ++m_pos;
                if (!atEnd() && m_text[m_pos].isLetter() && m_text[m_pos].isLower())
                    return false; // "(C2H4)n": no definite count
                const int count = readNumber(1);
                for (auto &[symbol, n] : inner)
                    out[symbol] += n * count;
                any = true;
            } else if (c.isUpper()) {
                QString symbol(c);
                ++m_pos;
                while (!atEnd() && m_text[m_pos].isLower())
                    symbol += m_text[m_pos++];
                out[symbol] += readNumber(1);
                any = true;
            } else if (c == QLatin1Char(')') || c == QLatin1Char(']')) {
                return nested && any;
            } else {
                break;
            }
        }
        return any && !nested;
    }

    QString m_text;
    int m_pos = 0;
};

} // namespace

std::optional<ElementCounts> parseFormula(const QString &formula)
{
    const QString text = formula.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    Parser parser(text);
    ElementCounts counts;
    do {
        if (!parser.parsePart(counts))
            return std::nullopt;
    } while (parser.skipSeparator());
    if (!parser.atEnd())
        return std::nullopt;
    return counts;
}

std::optional<double> molecularWeight(const QString &formula,
                                      const QHash<QString, double> &atomicWeights)
{
    const auto counts = parseFormula(formula);
    if (!counts)
        return std::nullopt;
    double total = 0;
    for (const auto &[symbol, count] : *counts) {
        auto it = atomicWeights.constFind(symbol);
        if (it == atomicWeights.constEnd())
            return std::nullopt;
        total += *it * count;
    }
    return total;
}

} // namespace velmora::data
