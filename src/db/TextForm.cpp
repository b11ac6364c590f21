#include "db/TextForm.h"

namespace velmora::db {

QString withoutLoneSurrogates(const QString &text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    // Most texts have none: return them untouched, without a copy.
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (!c.isSurrogate())
            continue;
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        break;
    }
    if (i == n)
        return text;
    QString out;
    out.reserve(n);
    out.append(text.constData(), i);
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (!c.isSurrogate()) {
            out.append(c);
        } else if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            out.append(c);
            out.append(text[++i]);
        }
    }
    return out;
}

} // namespace velmora::db
