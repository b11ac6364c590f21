// velmora-pgload: copies the database files of an application folder onto a
// PostgreSQL server, one schema per file (sj1, index, periodic), every table
// with its column names, in one transaction.
//
//   velmora-pgload [--replace] FOLDER CONNECTION
//
// FOLDER is the application folder (or its data folder). CONNECTION is a libpq
// connection string or URI without a password: libpq finds that in its usual
// places (PGPASSFILE, ~/.pgpass, a service file). --replace drops the three
// schemas first; without it a schema that exists already stops the load.
//
// Columns keep their names; text stays text, pictures become bytea, integers
// bigint, other numbers double precision. A table whose key is no INTEGER
// PRIMARY KEY keeps the SQLite row key in a column "rowid". Each schema gets
// a table velmora_pgload naming each copied table's key column.

#include "db/TextForm.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string ident(const std::string &name)
{
    if (name.size() > 63)
        throw Failure("name longer than the server allows (63 bytes): " + name);
    std::string q = "\"";
    for (char c : name)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

struct Sqlite {
    sqlite3 *db = nullptr;
    ~Sqlite() { sqlite3_close(db); }
};
struct Statement {
    sqlite3_stmt *st = nullptr;
    Statement(sqlite3 *db, const std::string &sql)
    {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            throw Failure(std::string("SQLite: ") + sqlite3_errmsg(db) + " in " + sql);
    }
    ~Statement() { sqlite3_finalize(st); }
    bool step()
    {
        const int rc = sqlite3_step(st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw Failure(std::string("SQLite: ") + sqlite3_errmsg(sqlite3_db_handle(st)));
        return rc == SQLITE_ROW;
    }
    std::string text(int i) const
    {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(st, i));
        return p ? std::string(p, size_t(sqlite3_column_bytes(st, i))) : std::string();
    }
};

void run(PGconn *pg, const std::string &sql, ExecStatusType expected = PGRES_COMMAND_OK)
{
    std::unique_ptr<PGresult, decltype(&PQclear)> r(PQexec(pg, sql.c_str()), PQclear);
    if (PQresultStatus(r.get()) != expected)
        throw Failure(std::string("PostgreSQL: ") + PQerrorMessage(pg) + "in " + sql);
}

struct Column {
    std::string name;
    std::string type; // the server's type
    bool key = false;
};

// SQLite's column affinity from the declared type.
char affinity(std::string declared)
{
    for (char &c : declared)
        c = char(toupper(static_cast<unsigned char>(c)));
    if (declared.find("INT") != std::string::npos)
        return 'i';
    if (declared.find("CHAR") != std::string::npos || declared.find("CLOB") != std::string::npos
        || declared.find("TEXT") != std::string::npos)
        return 't';
    if (declared.empty() || declared.find("BLOB") != std::string::npos)
        return 'b';
    if (declared.find("REAL") != std::string::npos || declared.find("FLOA") != std::string::npos
        || declared.find("DOUB") != std::string::npos)
        return 'r';
    return 'n';
}

// The server type that holds every value of the column as it is stored.
std::string serverType(sqlite3 *db, const std::string &table, const std::string &column, char aff)
{
    bool integer = false, real = false, text = false, blob = false;
    Statement st(db, "SELECT DISTINCT typeof(" + ident(column) + ") FROM " + ident(table));
    while (st.step()) {
        const std::string t = st.text(0);
        integer |= t == "integer";
        real |= t == "real";
        text |= t == "text";
        blob |= t == "blob";
    }
    if (blob && !integer && !real && !text)
        return "bytea";
    if (blob)
        throw Failure("column " + table + "." + column + " mixes pictures with other values");
    if (text || aff == 't')
        return "text";
    if (real || aff == 'r')
        return "double precision";
    if (integer || aff == 'i')
        return "bigint";
    return aff == 'b' ? "bytea" : "text";
}

// COPY text format: backslash, tab, newline and return escaped.
void appendCopyText(std::string &line, const char *p, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const char c = p[i];
        switch (c) {
        case '\\': line += "\\\\"; break;
        case '\t': line += "\\t"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        default: line += c;
        }
    }
}

bool validUtf8(const std::string &s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size())).toUtf8() == QByteArray(s.data(), qsizetype(s.size()));
}

int copyTable(sqlite3 *db, PGconn *pg, const std::string &schema, const std::string &table, int &redecoded)
{
    bool withoutRowid = false;
    {
        Statement st(db, "SELECT sql FROM sqlite_schema WHERE type='table' AND name=?");
        sqlite3_bind_text(st.st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        if (st.step()) {
            std::string sql = st.text(0);
            for (char &c : sql)
                c = char(toupper(static_cast<unsigned char>(c)));
            withoutRowid = sql.find("WITHOUT ROWID") != std::string::npos;
        }
    }
    std::vector<Column> columns;
    std::vector<std::string> primary;
    std::string alias;
    {
        Statement st(db, "SELECT name, type, pk FROM pragma_table_info(?) ORDER BY cid");
        sqlite3_bind_text(st.st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        std::vector<std::pair<std::string, std::string>> declared;
        int pkCount = 0;
        while (st.step()) {
            declared.emplace_back(st.text(0), st.text(1));
            if (sqlite3_column_int(st.st, 2) > 0) {
                ++pkCount;
                primary.push_back(st.text(0));
                std::string t = st.text(1);
                for (char &c : t)
                    c = char(toupper(static_cast<unsigned char>(c)));
                if (t == "INTEGER" && !withoutRowid)
                    alias = st.text(0);
            }
        }
        if (pkCount != 1)
            alias.clear();
        for (const auto &[name, type] : declared)
            columns.push_back({name, name == alias ? "bigint" : serverType(db, table, name, affinity(type)),
                               name == alias});
    }
    std::string key = alias;
    const bool addRowid = alias.empty() && !withoutRowid;
    if (addRowid) {
        for (const Column &c : columns)
            if (c.name == "rowid")
                throw Failure("table " + table + " has a column rowid beside its row key");
        key = "rowid";
    }

    std::string create = "CREATE TABLE " + ident(schema) + "." + ident(table) + " (";
    std::string select = "SELECT ";
    std::string list;
    if (addRowid) {
        create += "rowid bigint PRIMARY KEY";
        select += "rowid";
        list += "rowid";
    }
    for (const Column &c : columns) {
        const std::string sep = list.empty() ? "" : ", ";
        create += sep + ident(c.name) + " " + c.type + (c.key ? " PRIMARY KEY" : "");
        select += sep + ident(c.name);
        list += sep + ident(c.name);
    }
    if (withoutRowid && !primary.empty()) {
        create += ", PRIMARY KEY (";
        for (size_t i = 0; i < primary.size(); ++i)
            create += (i ? ", " : "") + ident(primary[i]);
        create += ")";
    }
    create += ")";
    run(pg, create);
    select += " FROM " + ident(table) + (key.empty() ? "" : " ORDER BY " + ident(key));

    run(pg, "COPY " + ident(schema) + "." + ident(table) + " (" + list + ") FROM STDIN", PGRES_COPY_IN);
    Statement st(db, select);
    const int n = sqlite3_column_count(st.st);
    int rows = 0;
    std::string line;
    while (st.step()) {
        line.clear();
        for (int i = 0; i < n; ++i) {
            if (i)
                line += '\t';
            const int type = sqlite3_column_type(st.st, i);
            const std::string &serverType = addRowid ? (i == 0 ? std::string("bigint") : columns[size_t(i - 1)].type)
                                                     : columns[size_t(i)].type;
            if (type == SQLITE_NULL) {
                line += "\\N";
            } else if (serverType == "bytea") {
                const auto *p = static_cast<const unsigned char *>(sqlite3_column_blob(st.st, i));
                const int size = sqlite3_column_bytes(st.st, i);
                static const char hex[] = "0123456789abcdef";
                line += "\\\\x";
                for (int k = 0; k < size; ++k) {
                    line += hex[p[k] >> 4];
                    line += hex[p[k] & 15];
                }
            } else {
                std::string text = st.text(i);
                if (text.find('\0') != std::string::npos)
                    throw Failure("table " + table + " holds a text with a NUL character, which the server refuses");
                if (!validUtf8(text)) {
                    // Read the way the program reads such bytes for display and matching.
                    text = velmora::db::decodeUtf8(text).toStdString();
                    ++redecoded;
                }
                appendCopyText(line, text.data(), text.size());
            }
        }
        line += '\n';
        if (PQputCopyData(pg, line.data(), int(line.size())) != 1)
            throw Failure(std::string("PostgreSQL: ") + PQerrorMessage(pg));
        ++rows;
    }
    if (PQputCopyEnd(pg, nullptr) != 1)
        throw Failure(std::string("PostgreSQL: ") + PQerrorMessage(pg));
    std::unique_ptr<PGresult, decltype(&PQclear)> r(PQgetResult(pg), PQclear);
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK)
        throw Failure(std::string("PostgreSQL: ") + PQerrorMessage(pg) + "copying " + table);
    while (PGresult *extra = PQgetResult(pg))
        PQclear(extra);

    std::string literalTable = table, literalKey = key;
    for (std::string *s : {&literalTable, &literalKey}) {
        std::string q;
        for (char c : *s)
            q += c == '\'' ? std::string("''") : std::string(1, c);
        *s = q;
    }
    run(pg, "INSERT INTO " + ident(schema) + ".velmora_pgload VALUES ('" + literalTable + "', "
                + (key.empty() ? std::string("NULL") : "'" + literalKey + "'") + ", " + std::to_string(rows) + ")");
    return rows;
}

void loadFile(const QString &path, const std::string &schema, PGconn *pg, bool replace)
{
    Sqlite db;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db.db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw Failure("cannot open " + path.toStdString());
    if (replace)
        run(pg, "DROP SCHEMA IF EXISTS " + ident(schema) + " CASCADE");
    run(pg, "CREATE SCHEMA " + ident(schema));
    run(pg, "CREATE TABLE " + ident(schema) + ".velmora_pgload (table_name text PRIMARY KEY, key_column text, "
            "row_count bigint NOT NULL)");
    std::vector<std::string> tables;
    {
        Statement st(db.db, "SELECT name FROM sqlite_schema WHERE type='table' AND name NOT LIKE 'sqlite\\_%' "
                            "ESCAPE '\\' ORDER BY name");
        while (st.step())
            tables.push_back(st.text(0));
    }
    int redecoded = 0;
    for (const std::string &t : tables) {
        if (t == "velmora_pgload")
            throw Failure("a table of " + path.toStdString() + " is called velmora_pgload");
        const int rows = copyTable(db.db, pg, schema, t, redecoded);
        std::fprintf(stderr, "%s.%s: %d rows\n", schema.c_str(), t.c_str(), rows);
    }
    if (redecoded)
        std::fprintf(stderr, "%s: %d texts were no UTF-8 and were copied as the program reads them\n",
                     schema.c_str(), redecoded);
}

} // namespace

int main(int argc, char **argv)
{
    bool replace = false;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--replace")
            replace = true;
        else
            args.emplace_back(argv[i]);
    }
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: velmora-pgload [--replace] FOLDER CONNECTION\n");
        return 2;
    }
    // No password on the command line, where every user of the machine can read it.
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(args[1].c_str(), &error);
    if (!options) {
        std::fprintf(stderr, "velmora-pgload: %s", error ? error : "bad connection string\n");
        PQfreemem(error);
        return 2;
    }
    bool password = false;
    for (PQconninfoOption *o = options; o->keyword; ++o)
        if (std::string(o->keyword) == "password" && o->val && *o->val)
            password = true;
    PQconninfoFree(options);
    if (password) {
        std::fprintf(stderr, "velmora-pgload: give the password in PGPASSFILE, ~/.pgpass or a service file, "
                             "not on the command line\n");
        return 2;
    }

    QString folder = QString::fromLocal8Bit(args[0].c_str());
    if (QFileInfo::exists(folder + QStringLiteral("/data/sj1.data")))
        folder += QStringLiteral("/data");
    const char *const files[] = {"sj1", "index", "periodic"};
    for (const char *f : files) {
        if (!QFileInfo(folder + QLatin1Char('/') + QLatin1String(f) + QStringLiteral(".data")).isFile()) {
            std::fprintf(stderr, "velmora-pgload: %s.data is missing in %s\n", f, qPrintable(QDir::toNativeSeparators(folder)));
            return 1;
        }
    }

    std::unique_ptr<PGconn, decltype(&PQfinish)> pg(PQconnectdb(args[1].c_str()), PQfinish);
    if (PQstatus(pg.get()) != CONNECTION_OK) {
        std::fprintf(stderr, "velmora-pgload: %s", PQerrorMessage(pg.get()));
        return 1;
    }
    // Chinese names need a UTF-8 database, and the texts are sent as UTF-8.
    const char *encoding = PQparameterStatus(pg.get(), "server_encoding");
    if (!encoding || std::string(encoding) != "UTF8" || PQsetClientEncoding(pg.get(), "UTF8") != 0) {
        std::fprintf(stderr, "velmora-pgload: the database must use the encoding UTF8 (it uses %s)\n",
                     encoding ? encoding : "an unknown one");
        return 1;
    }
    try {
        run(pg.get(), "SET client_min_messages TO warning"); // no notice per dropped table
        run(pg.get(), "BEGIN");
        for (const char *f : files)
            loadFile(folder + QLatin1Char('/') + QLatin1String(f) + QStringLiteral(".data"), f, pg.get(), replace);
        run(pg.get(), "COMMIT");
    } catch (const std::exception &e) {
        // Nothing of a failed load stays on the server.
        PQclear(PQexec(pg.get(), "ROLLBACK"));
        std::fprintf(stderr, "velmora-pgload: %s\n", e.what());
        return 1;
    }
    return 0;
}
