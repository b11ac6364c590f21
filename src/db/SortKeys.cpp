#include "db/SortKeys.h"

#include "db/Pinyin.h"

namespace velmora::db {

QString chineseSortKey(const QString &names)
{
    // The same syllables as the pinyin search, so chemical readings
    // (重铬酸 chong, 吡咯 luo) sort where a chemist looks for them.
    const QString first = names.section(QChar(0xFF1B), 0, 0).trimmed();
    return pinyin::syllables(first).join(QString());
}

QString englishSortKey(const QString &names)
{
    return names.section(QLatin1Char(';'), 0, 0).trimmed().toLower();
}

} // namespace velmora::db
