#include "db/Database.h"

#include "db/ChineseOrder.h"
#include "db/ColumnCache.h"
#include "db/StructureIndex.h"
#include "db/DbError.h"
#include "db/FileCheck.h"
#include "db/JetLike.h"
#include "db/TextForm.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <sqlite3.h>

namespace velmora::db {

namespace {

QString hashPassword(const QString &password)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(("velmora:" + password).toUtf8(), QCryptographicHash::Sha256)
            .toHex());
}

// jetlike(pattern, value): Jet LIKE; NULL when the value is NULL. The compiled
// pattern is kept with the statement, so each row costs only the match.
void jetLikeFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (argc != 2)
        return;
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    auto *like = static_cast<JetLike *>(sqlite3_get_auxdata(ctx, 0));
    if (!like) {
        const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
        const int n = sqlite3_value_bytes(argv[0]);
        try {
            like = new JetLike(QString::fromUtf8(p, n));
        } catch (const DbError &) {
            sqlite3_result_error(ctx, "Invalid pattern string.", -1);
            return;
        }
        sqlite3_set_auxdata(ctx, 0, like, [](void *v) { delete static_cast<JetLike *>(v); });
        like = static_cast<JetLike *>(sqlite3_get_auxdata(ctx, 0));
        if (!like) {
            sqlite3_result_error_nomem(ctx);
            return;
        }
    }
    if (sqlite3_value_type(argv[1]) == SQLITE_BLOB) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    const auto *v = reinterpret_cast<const char *>(sqlite3_value_text(argv[1]));
    const int n = sqlite3_value_bytes(argv[1]);
    sqlite3_result_int(ctx, like->matchesUtf8(std::string_view(v, size_t(n))) ? 1 : 0);
}

// The "=" of the query dialect: text without regard to case, by characters.
int jetCaseCollation(void *, int na, const void *a, int nb, const void *b)
{
    return JetLike::compare(std::string_view(static_cast<const char *>(a), size_t(na)),
                            std::string_view(static_cast<const char *>(b), size_t(nb)));
}

// Whether the first read of a read-only connection meets a hot journal: a
// writer ended in the middle of a write, and only a connection that may
// write can roll it back.
bool needsRollback(sqlite3 *db)
{
    sqlite3_stmt *probe = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &probe, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(probe);
    sqlite3_finalize(probe);
    return rc != SQLITE_ROW && sqlite3_extended_errcode(db) == SQLITE_READONLY_ROLLBACK;
}

} // namespace

// ---- Statement ----

Statement::Statement(sqlite3 *db, const QString &sql) : m_db(db)
{
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        Database::raise(db, rc, sql);
    }
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

int bindValue(sqlite3_stmt *statement, int index, const QVariant &value)
{
    if (value.isNull())
        return sqlite3_bind_null(statement, index);
    if (value.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = value.toByteArray();
        return sqlite3_bind_blob(statement, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    }
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong)
        return sqlite3_bind_int64(statement, index, value.toLongLong());
    // A half surrogate pair has no UTF-8 form; it is dropped, not turned into "?".
    const QByteArray text = withoutLoneSurrogates(value.toString()).toUtf8();
    return sqlite3_bind_text(statement, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

void Statement::bind(int index, const QVariant &value)
{
    const int rc = bindValue(m_stmt, index, value);
    if (rc != SQLITE_OK)
        Database::raise(m_db, rc);
}

void Statement::bindAll(const QStringList &values)
{
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values[i]);
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_stmt);
    Database::raise(m_db, rc);
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int Statement::columnCount() const { return sqlite3_column_count(m_stmt); }

QString Statement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, column));
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

bool Statement::isBlob(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_BLOB;
}

QString Statement::text(int column) const
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return decodeUtf8(std::string_view(p ? p : "", size_t(sqlite3_column_bytes(m_stmt, column))));
}

QByteArray Statement::blob(int column) const
{
    const auto *p = static_cast<const char *>(sqlite3_column_blob(m_stmt, column));
    return QByteArray(p, sqlite3_column_bytes(m_stmt, column));
}

qint64 Statement::integer(int column) const { return sqlite3_column_int64(m_stmt, column); }

// ---- Database ----

Database::Database(const QString &path, const QString &connect, Mode mode)
    : m_path(path), m_connect(connect), m_mode(mode)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw DbError(errors::CouldNotFindFile, QStringLiteral("Could not find file '%1'.").arg(path));

    const QByteArray file = path.toUtf8();
    auto open = [&](int flags) {
        const int rc = sqlite3_open_v2(file.constData(), &m_db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
            sqlite3_close(m_db);
            m_db = nullptr;
            throw DbError(errors::CouldNotFindFile,
                          QStringLiteral("Could not open file '%1': %2").arg(path, message));
        }
        sqlite3_busy_timeout(m_db, 3000);
    };
    open(mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    if (mode == Mode::ReadOnly && needsRollback(m_db)) {
        // Opened once for writing, the file is rolled back to its last
        // complete state; then it is opened read-only again. When it cannot
        // be written, the read-only connection reports the failure below.
        sqlite3_close(m_db);
        m_db = nullptr;
        try {
            open(SQLITE_OPEN_READWRITE);
            sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        } catch (const DbError &) {
        }
        sqlite3_close(m_db);
        m_db = nullptr;
        open(SQLITE_OPEN_READONLY);
    }
    // A file found faulty in this run is never written to.
    if (FileCheck::hasFailed(path))
        sqlite3_exec(m_db, "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    // A misspelt field must fail, not turn into a string literal.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    registerFunctions(m_db);

    // Reading the password row also proves the file is a database.
    QString stored;
    try {
        Statement probe(m_db, QStringLiteral("SELECT count(*) FROM sqlite_master"));
        probe.step();
        Statement meta(m_db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'velmora_meta'"));
        if (meta.step() && meta.integer(0) > 0) {
            Statement check(m_db, QStringLiteral("SELECT value FROM velmora_meta WHERE key = 'password'"));
            if (check.step())
                stored = check.text(0);
        }
        // No meta table: the file has no password.
    } catch (const DbError &) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw;
    }
    if (!stored.isEmpty() && stored != hashPassword(passwordOf(connect))) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw DbError(errors::NotValidPassword, QStringLiteral("Not a valid password."));
    }
}

Database::~Database()
{
    m_columns.reset(); // its statement goes before the connection
    m_structures.reset();
    sqlite3_close_v2(m_db);
}

StructureIndex &Database::structures()
{
    if (!m_structures)
        m_structures = std::make_unique<StructureIndex>(m_db);
    return *m_structures;
}

ColumnCache &Database::columns()
{
    if (!m_columns)
        m_columns = std::make_unique<ColumnCache>(m_db);
    return *m_columns;
}

void Database::exec(const QString &sql)
{
    char *message = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK)
        raise(m_db, rc, sql);
}

QString Database::passwordOf(const QString &connect)
{
    const QStringList parts = connect.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq > 0 && part.left(eq).trimmed().compare(QLatin1String("pwd"), Qt::CaseInsensitive) == 0)
            return part.mid(eq + 1);
    }
    return {};
}

void Database::registerFunctions(sqlite3 *db)
{
    sqlite3_create_function_v2(db, "jetlike", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               jetLikeFunction, nullptr, nullptr, nullptr);
    sqlite3_create_collation_v2(db, "JETCASE", SQLITE_UTF8, nullptr, jetCaseCollation, nullptr);
    ChineseOrder::install(db);
}

void Database::setPassword(sqlite3 *db, const QString &password)
{
    char *message = nullptr;
    sqlite3_exec(db,
                 "CREATE TABLE IF NOT EXISTS velmora_meta (key TEXT PRIMARY KEY, value TEXT)",
                 nullptr, nullptr, &message);
    sqlite3_free(message);
    Statement put(db, QStringLiteral("INSERT OR REPLACE INTO velmora_meta VALUES ('password', ?1)"));
    put.bind(1, hashPassword(password));
    put.step();
}

void Database::raise(sqlite3 *db, int code, const QString &context)
{
    const QString message = QString::fromUtf8(sqlite3_errmsg(db));
    const int primary = code & 0xFF;
    if (primary == SQLITE_NOTADB)
        throw DbError(errors::UnrecognizedFormat,
                      QStringLiteral("Unrecognized database format: %1").arg(message));
    if (primary == SQLITE_CORRUPT) {
        // Damage met by a query: the file is not written to again in this run.
        if (const char *file = sqlite3_db_filename(db, "main"); file && *file)
            FileCheck::markFailed(QString::fromUtf8(file), {FileCheck::Fault::Damaged, {}});
        sqlite3_exec(db, "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
        throw DbError(errors::Corrupt, QStringLiteral("The database is damaged: %1").arg(message));
    }
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        throw DbError(errors::FileLocked, QStringLiteral("The database is locked: %1").arg(message));
    if (message.startsWith(QLatin1String("no such column")))
        throw DbError(errors::TooFewParameters, QStringLiteral("Too few parameters. Expected 1."));
    if (message.startsWith(QLatin1String("no such table")))
        throw DbError(errors::InputTableNotFound,
                      QStringLiteral("Cannot find the input table or query: %1").arg(message));
    if (message.contains(QLatin1String("Invalid pattern")))
        throw DbError(errors::InvalidPattern, QStringLiteral("Invalid pattern string."));
    Q_UNUSED(context);
    throw DbError(errors::EngineFailure, QStringLiteral("Database engine error: %1").arg(message));
}

} // namespace velmora::db
