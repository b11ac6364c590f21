#pragma once

#include <QHash>
#include <QString>
#include <map>
#include <optional>

namespace velmora::data {

// Element counts of a molecular formula as the sources write it: element
// symbols with counts, parentheses with a count, and parts joined by "·" or
// "." with a leading multiplier ("CuSO4·5H2O"). A polymer written "(C2H4)n"
// has no definite formula.
using ElementCounts = std::map<QString, int>;

std::optional<ElementCounts> parseFormula(const QString &formula);

// Relative molecular mass from standard atomic weights (symbol -> weight);
// no value when the formula cannot be parsed or names an unknown element.
std::optional<double> molecularWeight(const QString &formula,
                                      const QHash<QString, double> &atomicWeights);

} // namespace velmora::data
