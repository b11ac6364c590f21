#include "db/FileCheck.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/JetSql.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <mutex>

namespace velmora::db {

namespace {

struct Known {
    qint64 size = -1;
    QDateTime changed;
    FileCheck::Result result;
};

struct Registry {
    std::recursive_mutex checking; // one check at a time: a second caller waits for the first's answer
    std::mutex lock;
    QHash<QString, Known> checked;
    QHash<QString, FileCheck::Result> failed;
    std::function<void(const QString &)> listener;
};

Registry &registry()
{
    static Registry r;
    return r;
}

// The same file under any spelling of its path.
QString keyOf(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

quint32 bigEndian(const QByteArray &bytes, int at, int size)
{
    quint32 v = 0;
    for (int i = 0; i < size; ++i)
        v = (v << 8) | quint8(bytes[at + i]);
    return v;
}

const QByteArray &magic()
{
    static const QByteArray m("SQLite format 3\0", 16);
    return m;
}

// The size the file's header gives for the whole database, when it gives one.
qint64 declaredSize(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray head = f.read(100);
    if (head.size() < 100 || !head.startsWith(magic()))
        return -1;
    qint64 pageSize = bigEndian(head, 16, 2);
    if (pageSize == 1)
        pageSize = 65536;
    const quint32 pages = bigEndian(head, 28, 4);
    // The count holds only when written by the same change as the header.
    if (pages == 0 || bigEndian(head, 24, 4) != bigEndian(head, 92, 4))
        return -1;
    return pageSize * pages;
}

FileCheck::Result fault(FileCheck::Fault f, const QString &detail = {})
{
    return {f, detail};
}

bool cutShort(const QString &path)
{
    const qint64 declared = declaredSize(path);
    return declared > 0 && QFileInfo(path).size() < declared;
}

FileCheck::Result fromError(const DbError &error, const QString &path)
{
    // A file cut short fails in many ways; the cause is told, not the symptom.
    if (error.number() != errors::CouldNotFindFile && cutShort(path))
        return fault(FileCheck::Fault::Truncated);
    switch (error.number()) {
    case errors::NotValidPassword:
        return fault(FileCheck::Fault::WrongPassword);
    case errors::UnrecognizedFormat:
        return fault(FileCheck::Fault::NotADatabase);
    case errors::CouldNotFindFile:
        return fault(QFileInfo::exists(path) ? FileCheck::Fault::Unreadable : FileCheck::Fault::Missing);
    case errors::InputTableNotFound:
        return fault(FileCheck::Fault::TableMissing);
    default:
        return fault(FileCheck::Fault::Damaged);
    }
}

FileCheck::Result examine(const QString &path, const QString &connect)
{
    const QFileInfo info(path);
    if (!info.exists())
        return fault(FileCheck::Fault::Missing);
    if (!info.isFile())
        return fault(FileCheck::Fault::NotAFile);
    if (info.size() == 0)
        return fault(FileCheck::Fault::Empty);
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return fault(FileCheck::Fault::Unreadable);
        const QByteArray head = f.read(100);
        const QByteArray start = head.left(16);
        if (!magic().startsWith(start))
            return fault(FileCheck::Fault::NotADatabase);
        if (head.size() < 100)
            return fault(FileCheck::Fault::Truncated);
    }

    const FileCheck::Needs needs = FileCheck::needsOf(path);
    try {
        // Opening rolls back a write that a crash left unfinished.
        Database db(path, connect, Database::Mode::ReadOnly);
        if (cutShort(path))
            return fault(FileCheck::Fault::Truncated);
        if (!needs.table.isEmpty()) {
            Statement columns(db.handle(), QStringLiteral("PRAGMA table_info(%1)").arg(JetQuery::quoteName(needs.table)));
            QSet<QString> present;
            while (columns.step())
                present.insert(columns.text(1));
            if (present.isEmpty())
                return fault(FileCheck::Fault::TableMissing, needs.table);
            QStringList missing;
            for (const QString &field : needs.fields)
                if (!present.contains(field))
                    missing << QStringLiteral("“%1”").arg(field);
            if (!missing.isEmpty())
                return fault(FileCheck::Fault::FieldsMissing, missing.join(QStringLiteral("、")));
        }
        if (info.size() <= FileCheck::FullCheckLimit) {
            Statement check(db.handle(), QStringLiteral("PRAGMA quick_check"));
            if (!check.step() || check.text(0) != QLatin1String("ok"))
                return fault(FileCheck::Fault::Damaged);
        }
    } catch (const DbError &error) {
        FileCheck::Result r = fromError(error, path);
        if (r.fault == FileCheck::Fault::TableMissing)
            r.detail = needs.table;
        return r;
    }
    return {};
}

QString fileDescription(const QString &name)
{
    if (name == QLatin1String("sj1.data"))
        return QStringLiteral("化学品的检索、阅读和修改都无法进行。");
    if (name == QLatin1String("index.data"))
        return QStringLiteral("分类目录无法显示，添加和修改纪录时也不能选择分类标题。");
    if (name == QLatin1String("periodic.data"))
        return QStringLiteral("元素周期表无法显示。");
    return {};
}

} // namespace

FileCheck::Needs FileCheck::needsOf(const QString &path)
{
    const QString name = QFileInfo(path).fileName().toLower();
    if (name == QLatin1String("sj1.data"))
        return {QStringLiteral("sj"),
                {QStringLiteral("中文名称"), QStringLiteral("英文名称"), QStringLiteral("中文标记"),
                 QStringLiteral("英文标记"), QStringLiteral("用途"), QStringLiteral("密度"),
                 QStringLiteral("熔点"), QStringLiteral("沸点"), QStringLiteral("折射率"),
                 QStringLiteral("分子式"), QStringLiteral("分子量"), QStringLiteral("图"),
                 QStringLiteral("第一级标题"), QStringLiteral("第二级标题"), QStringLiteral("第三级标题")}};
    if (name == QLatin1String("index.data"))
        return {QStringLiteral("index"),
                {QStringLiteral("第一级标题"), QStringLiteral("第二级标题"), QStringLiteral("第三级标题")}};
    if (name == QLatin1String("periodic.data"))
        return {QStringLiteral("periodic"), {}};
    return {};
}

FileCheck::Result FileCheck::check(const QString &path, const QString &connect)
{
    Registry &r = registry();
    const QString key = keyOf(path);
    Result result;
    bool first = false;
    {
        std::lock_guard<std::recursive_mutex> checking(r.checking);
        const QFileInfo info(path);
        const qint64 size = info.exists() ? info.size() : -1;
        const QDateTime changed = info.exists() ? info.lastModified() : QDateTime();
        {
            std::lock_guard<std::mutex> guard(r.lock);
            auto it = r.checked.constFind(key);
            if (it != r.checked.constEnd() && it->size == size && it->changed == changed)
                return it->result;
        }
        result = examine(path, connect);
        // A check that rolled back an unfinished write changed the file: its
        // state after the check is the one remembered.
        const QFileInfo after(path);
        std::lock_guard<std::mutex> guard(r.lock);
        r.checked.insert(key, {after.exists() ? after.size() : -1,
                               after.exists() ? after.lastModified() : QDateTime(), result});
        if (!result.ok()) {
            first = !r.failed.contains(key);
            r.failed.insert(key, result); // the check's finding over a query's
        }
    }
    if (first) {
        std::function<void(const QString &)> listener;
        {
            std::lock_guard<std::mutex> guard(r.lock);
            listener = r.listener;
        }
        if (listener)
            listener(path);
    }
    return result;
}

bool FileCheck::hasFailed(const QString &path)
{
    Registry &r = registry();
    const QString key = keyOf(path);
    std::lock_guard<std::mutex> guard(r.lock);
    return r.failed.contains(key);
}

FileCheck::Result FileCheck::failure(const QString &path)
{
    Registry &r = registry();
    const QString key = keyOf(path);
    std::lock_guard<std::mutex> guard(r.lock);
    return r.failed.value(key);
}

void FileCheck::markFailed(const QString &path, const Result &result)
{
    Registry &r = registry();
    const QString key = keyOf(path);
    std::function<void(const QString &)> listener;
    {
        std::lock_guard<std::mutex> guard(r.lock);
        if (r.failed.contains(key))
            return;
        r.failed.insert(key, result);
        listener = r.listener;
    }
    if (listener)
        listener(path);
}

void FileCheck::setListener(std::function<void(const QString &)> listener)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.listener = std::move(listener);
}

void FileCheck::reset()
{
    Registry &r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.checked.clear();
    r.failed.clear();
}

QString FileCheck::describe(const QString &path, const Result &result)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    QString what;
    switch (result.fault) {
    case Fault::None:
        return {};
    case Fault::Missing:
        what = QStringLiteral("找不到这个文件");
        break;
    case Fault::NotAFile:
        what = QStringLiteral("这里是一个文件夹或设备，不是数据文件");
        break;
    case Fault::Unreadable:
        what = QStringLiteral("没有读取这个文件的权限");
        break;
    case Fault::Empty:
        what = QStringLiteral("文件是空的（0 字节）");
        break;
    case Fault::Truncated:
        what = QStringLiteral("文件不完整（只有 %1 字节），可能在复制或下载时中断了").arg(info.size());
        break;
    case Fault::NotADatabase:
        what = QStringLiteral("这不是Velmora的数据库文件");
        break;
    case Fault::Damaged:
        what = QStringLiteral("文件已损坏，部分内容无法读取");
        break;
    case Fault::WrongPassword:
        what = QStringLiteral("文件的密码不对，不是Velmora的原装文件");
        break;
    case Fault::TableMissing:
        what = QStringLiteral("文件中缺少数据表“%1”").arg(result.detail);
        break;
    case Fault::FieldsMissing:
        what = QStringLiteral("数据表“%1”中缺少字段%2").arg(needsOf(path).table, result.detail);
        break;
    }
    QString text = QStringLiteral("数据文件“%1”不能使用：%2。\n\n位置：%3\n\n")
                       .arg(name, what, QDir::toNativeSeparators(info.absoluteFilePath()));
    const QString effect = fileDescription(name.toLower());
    if (!effect.isEmpty())
        text += effect + QLatin1Char('\n');
    text += QStringLiteral("请重新安装Velmora，或从备份中取回这个文件。");
    return text;
}

} // namespace velmora::db
