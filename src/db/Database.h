#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace velmora::db {

class ColumnCache;
class StructureIndex;

// Binds a value to a statement's parameter: NULL, bytes as a blob, whole
// numbers as integers, anything else as UTF-8 text without half surrogate
// pairs. Returns the engine's code.
int bindValue(sqlite3_stmt *statement, int index, const QVariant &value);

// A prepared SQLite statement that finalizes itself.
class Statement {
public:
    Statement(sqlite3 *db, const QString &sql); // throws DbError
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    void bind(int index, const QVariant &value);
    void bindAll(const QStringList &values);
    bool step(); // true while a row is ready; throws DbError on failure
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    bool isNull(int column) const;
    bool isBlob(int column) const;
    QString text(int column) const;
    QByteArray blob(int column) const;
    qint64 integer(int column) const;

    sqlite3_stmt *handle() const { return m_stmt; }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

// One open database file, with the program's LIKE function registered and
// the file's password checked against the connect string.
//
// A file carries its password in the table velmora_meta (key 'password');
// the check is made here, the file itself stays an ordinary SQLite database.
class Database {
public:
    enum class Mode { ReadWrite, ReadOnly };

    // Throws DbError: 3024 missing file, 3343 not a database, 3031 wrong or
    // missing password.
    Database(const QString &path, const QString &connect, Mode mode = Mode::ReadWrite);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    const QString &path() const { return m_path; }
    const QString &connect() const { return m_connect; }
    Mode mode() const { return m_mode; }
    sqlite3 *handle() const { return m_db; }

    void exec(const QString &sql);
    // The in-memory copies of short text columns of this connection.
    ColumnCache &columns();
    // The structure search of this connection (fingerprints kept in memory).
    StructureIndex &structures();
    // The password given by a connect string such as ";pwd=5817402".
    static QString passwordOf(const QString &connect);

    // Registers jetlike(pattern, value) on a connection (also used by tools).
    static void registerFunctions(sqlite3 *db);
    // Marks a file as protected by a password (used by the data builder).
    static void setPassword(sqlite3 *db, const QString &password);

    // Throws DbError translated from the connection's last error.
    [[noreturn]] static void raise(sqlite3 *db, int code, const QString &context = {});

private:
    QString m_path;
    QString m_connect;
    Mode m_mode;
    sqlite3 *m_db = nullptr;
    std::unique_ptr<ColumnCache> m_columns;
    std::unique_ptr<StructureIndex> m_structures;
};

} // namespace velmora::db
