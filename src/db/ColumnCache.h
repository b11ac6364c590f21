#pragma once

#include "db/JetSql.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace velmora::db {

// In-memory copies of the short text columns that queries select on (names,
// formulas, property values), one connection's worth.
//
// A name search is a LIKE on every record; reading every record from the file
// costs as much as the query itself on a large database, and the exact-name
// fetch that follows would read them all again. With a copy of the column, a
// condition is tested in memory and the file is read only for the rows found.
// A copy is made by one pass over the table the first time a query needs it
// (the pass the query would have made anyway) and every copy is dropped as
// soon as the file changes, through this connection or any other.
//
// The tests give exactly the engine's answers: LIKE is the same JetLike on the
// same text the engine passes to it, "=" is the same comparison the engine's
// JETCASE collation makes, and NULL follows SQL's three-valued logic.
class ColumnCache {
public:
    explicit ColumnCache(sqlite3 *db);
    ~ColumnCache();
    ColumnCache(const ColumnCache &) = delete;
    ColumnCache &operator=(const ColumnCache &) = delete;

    // The ids of the rows that meet the query's conditions, ascending; nothing
    // when a condition names a column that is not kept (too long, not text).
    std::optional<std::vector<qint64>> select(const JetQuery &query);

    // The text of a kept column for the given rows, NULL and pictures as empty
    // text; false when the column is not kept. Rows that the copy lacks are
    // listed in missing (by index into rowIds) and left empty.
    bool values(const QString &table, const QString &field, const std::vector<qint64> &rowIds,
                std::vector<QString> &out, std::vector<size_t> &missing);

    // Limits of what is kept, in bytes of text.
    static constexpr qint64 AverageLimit = 160; // per value, judged on a sample
    static constexpr qint64 ColumnLimit = 24 * 1024 * 1024;
    static constexpr qint64 TotalLimit = 64 * 1024 * 1024;

    qint64 bytesKept() const { return m_bytes; }

private:
    enum Kind : unsigned char { Null, Text, Other };
    struct Column {
        std::string text;              // all values, one after another
        std::vector<quint32> ends;     // end of each row's value in text
        std::vector<unsigned char> kinds;
        std::string_view at(size_t i) const
        {
            const size_t begin = i == 0 ? 0 : ends[i - 1];
            return std::string_view(text).substr(begin, ends[i] - begin);
        }
    };
    struct Table {
        bool loaded = false;
        std::vector<qint64> rowIds; // ascending, shared by the table's columns
        std::map<QString, Column> columns; // a query holds pointers to several
        QSet<QString> refused;
        QHash<QString, QString> textFields; // folded name -> stored name, TEXT affinity
    };

    // Drops every copy when the file changed since the last look.
    void checkCurrent();
    Table &table(const QString &name);
    const Column *column(Table &t, const QString &tableName, const QString &field);
    qint64 rowIndex(const Table &t, qint64 rowId) const;

    sqlite3 *m_db;
    sqlite3_stmt *m_dataVersion = nullptr;
    qint64 m_version = -1;
    qint64 m_changes = -1;
    qint64 m_bytes = 0;
    std::map<QString, Table> m_tables; // by folded table name
};

} // namespace velmora::db
