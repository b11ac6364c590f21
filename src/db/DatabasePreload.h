#pragma once

#include "db/Database.h"

#include <QString>
#include <memory>

namespace velmora::db {

// Opens a database file on a worker thread and runs a record source on it
// once, so that what the first query needs (the connection, the in-memory
// copies of the columns it selects on) is ready when a data source on the
// window thread opens the same file. The splash window starts it for the
// remembered search, whose time is then hidden behind the splash's wait.
class DatabasePreload {
public:
    static void start(const QString &path, const QString &connect, const QString &recordSource);
    // The prepared connection for these settings, waiting for the worker if
    // it is still running; null when none was started for them or it failed.
    // A connection is handed out once.
    static std::shared_ptr<Database> take(const QString &path, const QString &connect, Database::Mode mode);
};

} // namespace velmora::db
