#pragma once

#include <QString>
#include <string_view>

namespace velmora::db {

// The one way stored UTF-8 becomes text, for matching and for display alike:
// every byte that does not belong to a well-formed sequence becomes U+FFFD,
// and a broken sequence never swallows the bytes after it.
inline QString decodeUtf8(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

// The text without UTF-16 surrogates that have no partner. Such a half
// character (a paste can bring one) has no UTF-8 form: left in, it would
// reach the engine as "?", a wildcard, while the column copies saw U+FFFD.
QString withoutLoneSurrogates(const QString &text);

} // namespace velmora::db
