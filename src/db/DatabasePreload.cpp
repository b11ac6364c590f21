#include "db/DatabasePreload.h"

#include "db/FileCheck.h"
#include "db/JetSql.h"
#include "db/ReadingGrid.h"

#include <future>
#include <mutex>

namespace velmora::db {

namespace {

struct Pending {
    QString path;
    QString connect;
    std::future<std::shared_ptr<Database>> result;
};

std::mutex &lock()
{
    static std::mutex m;
    return m;
}

std::unique_ptr<Pending> &pending()
{
    static std::unique_ptr<Pending> p;
    return p;
}

} // namespace

void DatabasePreload::start(const QString &path, const QString &connect, const QString &recordSource)
{
    std::lock_guard<std::mutex> guard(lock());
    if (pending())
        return;
    auto p = std::make_unique<Pending>();
    p->path = path;
    p->connect = connect;
    p->result = std::async(std::launch::async, [path, connect, recordSource]() -> std::shared_ptr<Database> {
        try {
            // The file's check is made here too, so that the window finds
            // its answer ready; a faulty file is left for the window to report.
            if (!FileCheck::check(path, connect).ok())
                return nullptr;
            auto db = std::make_shared<Database>(path, connect, Database::Mode::ReadWrite);
            ReadingGrid grid;
            grid.load(db, JetQuery::parse(recordSource), 1);
            return db;
        } catch (...) {
            return nullptr; // the window opens the file itself and reports then
        }
    });
    pending() = std::move(p);
}

std::shared_ptr<Database> DatabasePreload::take(const QString &path, const QString &connect, Database::Mode mode)
{
    std::unique_ptr<Pending> p;
    {
        std::lock_guard<std::mutex> guard(lock());
        if (!pending() || pending()->path != path || pending()->connect != connect
            || mode != Database::Mode::ReadWrite)
            return nullptr;
        p = std::move(pending());
    }
    // From here on only the window thread uses the connection.
    return p->result.get();
}

} // namespace velmora::db
