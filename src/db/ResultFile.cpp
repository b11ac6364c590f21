#include "db/ResultFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <filesystem>
#include <system_error>

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
    // Written beside the old file and renamed over it, so a reader never sees
    // half a line. It is not forced to disk: the file is rewritten twice per
    // search, and waiting for the disk each time would slow every search for
    // a convenience that start-up does without when it is lost.
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open())
        return false;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    const QByteArray line = QStringLiteral("\"%1\"\r\n").arg(quoted).toUtf8();
    if (file.write(line) != line.size() || !file.flush())
        return false;
    file.close();
    // A temporary file is private to its owner; the result file keeps the
    // permissions it had, or those of an ordinary new file.
    file.setPermissions(QFileInfo::exists(path)
                            ? QFile::permissions(path)
                            : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(file.fileName().toStdU16String()),
                            std::filesystem::path(path.toStdU16String()), error);
    if (error)
        return false;
    file.setAutoRemove(false); // it is the result file now
    return true;
}

} // namespace velmora::db
