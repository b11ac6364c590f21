#include "db/ResultFile.h"

#include "db/TextForm.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <filesystem>
#include <optional>
#include <system_error>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora::db {

namespace {

// The whole file when it is a regular file of at most SizeLimit bytes.
// A pipe or a device is never opened for reading in a way that could wait:
// start-up reads this file on the window thread.
std::optional<QByteArray> readRegular(const QString &path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > ResultFile::SizeLimit) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        bytes.append(buffer, qsizetype(got));
        if (bytes.size() > ResultFile::SizeLimit) { // grew while being read
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    return bytes;
#else
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > ResultFile::SizeLimit)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(ResultFile::SizeLimit + 1);
    if (bytes.size() > ResultFile::SizeLimit)
        return std::nullopt;
    return bytes;
#endif
}

// The quoted field at the start of the file when nothing but a line end
// follows it: quotes inside are doubled, everything else stands as it is.
std::optional<QString> quotedField(const QString &all)
{
    if (!all.startsWith(QLatin1Char('"')))
        return std::nullopt;
    QString text;
    qsizetype i = 1;
    for (; i < all.size(); ++i) {
        if (all[i] != QLatin1Char('"')) {
            text += all[i];
        } else if (i + 1 < all.size() && all[i + 1] == QLatin1Char('"')) {
            text += QLatin1Char('"');
            ++i;
        } else {
            break;
        }
    }
    if (i >= all.size())
        return std::nullopt; // no closing quote
    const QString rest = all.mid(i + 1);
    if (rest.isEmpty() || rest == QLatin1String("\r\n") || rest == QLatin1String("\n"))
        return text;
    return std::nullopt;
}

bool isReadOnly(const QFileInfo &info)
{
    // The permission bits, not access(): a file made read-only stays so even
    // for a user whom the system would let write it anyway.
    const QFile::Permissions p = info.permissions();
    return !(p & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther))
           || !info.isWritable();
}

} // namespace

QString ResultFile::read(const QString &path)
{
    const std::optional<QByteArray> bytes = readRegular(path);
    if (!bytes)
        return {};
    const QString all = decodeUtf8(std::string_view(bytes->constData(), size_t(bytes->size())));
    if (const std::optional<QString> text = quotedField(all))
        return *text;
    // The older reading: the first line, the text between its outer quotes.
    qsizetype end = all.indexOf(QLatin1Char('\n'));
    const QString line = (end < 0 ? all : all.left(end)).trimmed();
    if (line.size() >= 2 && line.startsWith(QLatin1Char('"')) && line.endsWith(QLatin1Char('"')))
        return line.mid(1, line.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
    return line;
}

bool ResultFile::write(const QString &path, const QString &text)
{
    QString target = path;
    const QFileInfo link(path);
    if (link.isSymLink()) {
        // The file the link names is the result file; the link stays.
        const QFileInfo named(link.symLinkTarget());
        if (named.exists() && !named.isFile())
            return false;
        target = named.absoluteFilePath();
    }
    const QFileInfo info(target);
    if (info.exists() && (!info.isFile() || isReadOnly(info)))
        return false; // a device, a pipe or a file made read-only is left alone

    QString quoted = withoutLoneSurrogates(text);
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    const QByteArray line = QStringLiteral("\"%1\"\r\n").arg(quoted).toUtf8();

    // Written beside the old file and renamed over it, so a reader never sees
    // half a line. It is not forced to disk: the file is rewritten twice per
    // search, and waiting for the disk each time would slow every search for
    // a convenience that start-up does without when it is lost.
    QTemporaryFile file(target + QStringLiteral(".XXXXXX"));
    if (!file.open()) {
        // A folder that takes no new files: an existing file is rewritten in place.
        if (!info.exists())
            return false;
        QFile direct(target);
        if (!direct.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        return direct.write(line) == line.size() && direct.flush();
    }
    if (file.write(line) != line.size() || !file.flush())
        return false;
    file.close();
    // A temporary file is private to its owner; the result file keeps the
    // permissions it had, or those of an ordinary new file.
    file.setPermissions(info.exists()
                            ? info.permissions()
                            : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(file.fileName().toStdU16String()),
                            std::filesystem::path(target.toStdU16String()), error);
    if (error)
        return false;
    file.setAutoRemove(false); // it is the result file now
    return true;
}

} // namespace velmora::db
