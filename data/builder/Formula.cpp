#include "Formula.h"
#include "db/FormulaComposition.h"


namespace velmora::data {

std::optional<ElementCounts> parseFormula(const QString &formula)
{
    // One reader of formulas for the builder and the search keys.
    const auto composition = velmora::db::FormulaComposition::parse(formula);
    if (!composition || composition->repeating)
        return std::nullopt;
    return composition->counts;
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
