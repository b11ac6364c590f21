#include "db/ResultFile.h"

#include <QFile>
#include <QSaveFile>

namespace velmora::db {

QString ResultFile::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    // A quoted field: the text between the first quote and the last one.
    if (line.size() >= 2 && line.startsWith(QLatin1Char('"')) && line.endsWith(QLatin1Char('"')))
        return line.mid(1, line.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
    return line;
}

bool ResultFile::write(const QString &path, const QString &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    file.write(QStringLiteral("\"%1\"\r\n").arg(quoted).toUtf8());
    return file.commit();
}

} // namespace velmora::db
