#pragma once

#include <QString>

namespace velmora::db {

// Makes a value safe to splice between single quotes of a query text: every
// single quote is doubled. Every query builder of the program passes user and
// list text through this, so that names such as 2,2'-bipyridine can be found
// and no typed text can change the shape of a query.
inline QString sqlValue(const QString &value)
{
    QString doubled = value;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return doubled;
}

} // namespace velmora::db
