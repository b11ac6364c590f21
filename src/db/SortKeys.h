#pragma once

#include <QString>

namespace velmora::db {

// Sort key of the Chinese-name order: the pinyin (chemical readings first,
// see Pinyin.h) of the first name of a
// "；"-separated name field, lower case, without tones, spaces or punctuation
// (Latin letters and digits in the name are kept as they are).
QString chineseSortKey(const QString &names);

// Sort key of the English-name order: the first ";"-separated name in lower case.
QString englishSortKey(const QString &names);

} // namespace velmora::db
