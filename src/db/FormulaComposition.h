#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <optional>

namespace velmora::db {

// Element counts of a molecular formula: symbols with counts, nested "()" and
// "[]" groups with a count, and parts joined by "·", ".", "*" (or "•", "・")
// with a leading multiplier ("CuSO4·5H2O"). A polymer written as its repeating
// unit, "(C2H4)n", gives the counts of the unit and is marked as repeating.
struct FormulaComposition {
    std::map<QString, int> counts;
    bool repeating = false;

    bool operator==(const FormulaComposition &) const = default;

    // Case-sensitive reading as chemists write formulas ("Co" is cobalt, "CO"
    // carbon and oxygen). Spaces are ignored.
    static std::optional<FormulaComposition> parse(const QString &formula);
    // As typed in a search box: like parse(), but a text without capital
    // letters ("c2h6o", "nacl") is read case-insensitively when exactly one
    // composition fits; an ambiguous one ("co") gives no value.
    static std::optional<FormulaComposition> parseTyped(const QString &typed);

    // Hill order: C, then H, then the others alphabetically; without carbon,
    // every element alphabetically. A repeating unit is written "(…)n".
    // Equal compositions have equal keys, so the key serves exact matching.
    QString key() const;
    QStringList elements() const; // the symbols, in Hill order

    static bool isElementSymbol(const QString &symbol);
};

} // namespace velmora::db
