#include "db/AppFolder.h"

#include <QCoreApplication>

namespace velmora::db {

namespace {
QString &overridePath()
{
    static QString folder;
    return folder;
}
} // namespace

QString AppFolder::path()
{
    if (!overridePath().isEmpty())
        return overridePath();
    return QCoreApplication::applicationDirPath();
}

void AppFolder::setPath(const QString &folder)
{
    overridePath() = folder;
}

QString AppFolder::join(const QString &folder, const QString &relative)
{
    QString tail = relative;
    tail.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return folder + tail;
}

} // namespace velmora::db
