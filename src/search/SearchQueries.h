#pragma once

#include <QString>
#include <QStringList>

namespace velmora::search {

// The query texts of the searches, exactly as the program sends them. Every
// piece of user or list text is spliced in through sqlValue(), which doubles
// single quotes.
namespace queries {

// Name route: substring of the route field, ordered by the route's sort key.
QString name(const QString &route, const QString &text);
// Property route: the field begins with the text.
QString property(const QString &route, const QString &text);
// Use route: every "；"-separated keyword occurs in the field.
QString use(const QString &route, const QString &text);
// The element jump: the field begins with one of the symbols, in any case
// (the engine's LIKE); elementMatches() then keeps the true matches.
QString elements(const QString &route, const QStringList &symbols);
// The exact-name fetch of one chemical.
QString exact(const QString &field, const QString &name);
// Field of the exact-name fetch for a route.
QString lookupField(const QString &route);

} // namespace queries

// The entry of a name search to select: the first row whose name field,
// split at the separator, holds the text as one whole name; else 0.
int matchingEntry(const QStringList &entries, const QString &separator, const QString &text,
                  Qt::CaseSensitivity cs = Qt::CaseSensitive);

// A formula names the element when it begins with its symbol, letter case
// included, and no small letter follows: Co is not CO2, C is not Ca or Cl.
bool beginsWithElement(const QString &formula, const QString &symbol);

// The search text is missing or only asterisks ("*" to "*****").
bool isRefusedSearchText(const QString &text);

struct NavigationState {
    bool back = false;
    bool forward = false;
};
// Back and forward for n history entries at position i (-1: typed text).
NavigationState navigationState(int n, int i);

} // namespace velmora::search
