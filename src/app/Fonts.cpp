#include "app/Fonts.h"

#include <QFontDatabase>
#include <QHash>

namespace velmora::app {

namespace {

bool installed(const QString &family)
{
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

QString firstInstalled(std::initializer_list<const char *> families, const QString &fallback)
{
    for (const char *f : families)
        if (installed(QString::fromUtf8(f)))
            return QString::fromUtf8(f);
    return fallback;
}

} // namespace

QString Fonts::family(const QString &requested)
{
    static QHash<QString, QString> cache;
    if (auto it = cache.constFind(requested); it != cache.constEnd())
        return *it;
    QString resolved = requested;
    if (!installed(requested)) {
        if (requested == QStringLiteral("宋体") || requested.compare(QLatin1String("SimSun"), Qt::CaseInsensitive) == 0
            || requested == QStringLiteral("新宋体"))
            resolved = firstInstalled({"SimSun", "Noto Serif CJK SC", "AR PL UMing CN", "Noto Sans CJK SC"},
                                      requested);
        else if (requested == QStringLiteral("黑体") || requested == QStringLiteral("微软雅黑"))
            resolved = firstInstalled({"Noto Sans CJK SC", "WenQuanYi Zen Hei"}, requested);
        else if (requested.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0)
            resolved = firstInstalled({"Noto Sans CJK SC", "DejaVu Sans"}, requested);
    }
    cache.insert(requested, resolved);
    return resolved;
}

QFont Fonts::font(const QString &requested, double pointSize)
{
    QFont f(family(requested));
    f.setPointSizeF(pointSize);
    return f;
}

QFont Fonts::ui(double pointSize)
{
    QFont f(firstInstalled({"Noto Sans CJK SC", "WenQuanYi Zen Hei"}, QStringLiteral("Sans Serif")));
    f.setPointSizeF(pointSize);
    return f;
}

} // namespace velmora::app
