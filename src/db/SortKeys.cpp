#include "db/SortKeys.h"

#include <memory>
#include <mutex>
#include <unicode/translit.h>
#include <unicode/unistr.h>

namespace velmora::db {

namespace {

icu::Transliterator *transliterator()
{
    static std::unique_ptr<icu::Transliterator> instance;
    static std::once_flag once;
    std::call_once(once, [] {
        UErrorCode status = U_ZERO_ERROR;
        instance.reset(icu::Transliterator::createInstance(
            "Han-Latin; Latin-ASCII; Lower", UTRANS_FORWARD, status));
        if (U_FAILURE(status))
            instance.reset();
    });
    return instance.get();
}

} // namespace

QString chineseSortKey(const QString &names)
{
    const QString first = names.section(QChar(0xFF1B), 0, 0).trimmed();
    icu::UnicodeString text(reinterpret_cast<const UChar *>(first.utf16()), int32_t(first.size()));
    if (icu::Transliterator *t = transliterator())
        t->transliterate(text);
    const QString latin = QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
    QString key;
    for (const QChar c : latin)
        if (c.isLetterOrNumber())
            key += c.toLower();
    return key;
}

QString englishSortKey(const QString &names)
{
    return names.section(QLatin1Char(';'), 0, 0).trimmed().toLower();
}

} // namespace velmora::db
