#pragma once

#include "db/JetSql.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <map>
#include <memory>
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
// The copy of one column: every row's value as UTF-8, one after another, in
// the table's rowid order. A copy never changes once made; readers that keep
// it (the result list) keep the texts as they were when their query ran.
struct TextColumn {
    enum Kind : unsigned char { Null, Text, Other };
    std::string text;              // all values, one after another
    std::vector<quint32> ends;     // end of each row's value in text
    std::vector<unsigned char> kinds;
    size_t size() const { return ends.size(); }
    std::string_view at(size_t i) const
    {
        const size_t begin = i == 0 ? 0 : ends[i - 1];
        return std::string_view(text).substr(begin, ends[i] - begin);
    }
    // NULL and pictures as empty text.
    QString value(size_t i) const;
};

// The rows a query found, as places in the copies (the table's rowid order)
// and as row ids; valid for the copies of one generation.
struct CopySelection {
    std::vector<quint32> places;
    std::vector<qint64> rowIds;
    quint64 generation = 0;
};

class ColumnCache {
public:
    explicit ColumnCache(sqlite3 *db);
    ~ColumnCache();
    ColumnCache(const ColumnCache &) = delete;
    ColumnCache &operator=(const ColumnCache &) = delete;

    // The ids of the rows that meet the query's conditions, ascending; nothing
    // when a condition names a column that is not kept (too long, not text).
    std::optional<std::vector<qint64>> select(const JetQuery &query);
    // The same rows with their places in the copies, in stored order.
    std::optional<CopySelection> selectPlaces(const JetQuery &query);

    // Puts the rows of a selection in the order of ORDER BY field (ascending,
    // ties in rowid order), exactly as the engine orders them, from an order
    // prepared once per field and kept with the copies. False (and the
    // selection untouched) when the field is not kept or holds pictures, or
    // when the copies changed since the selection was made.
    bool order(const QString &table, const QString &field, CopySelection &selection);

    // The text of a kept column for the given rows, NULL and pictures as empty
    // text; false when the column is not kept. Rows that the copy lacks are
    // listed in missing (by index into rowIds) and left empty.
    bool values(const QString &table, const QString &field, const std::vector<qint64> &rowIds,
                std::vector<QString> &out, std::vector<size_t> &missing);

    // The copy of a column for the places of a selection of this generation,
    // made now when it is missing; null when the copies changed since or the
    // column is not kept.
    std::shared_ptr<const TextColumn> copyOf(const QString &table, const QString &field, quint64 generation);

    // Limits of what is kept, in bytes of text.
    static constexpr qint64 AverageLimit = 400; // per value, judged on a sample (uses fit)
    static constexpr qint64 ColumnLimit = 128 * 1024 * 1024;
    static constexpr qint64 TotalLimit = 224 * 1024 * 1024;

    qint64 bytesKept() const { return m_bytes; }
    // Counts the times the copies were dropped (a file change).
    quint64 generation() const { return m_generation; }

private:
    using Column = TextColumn;
    enum Kind : unsigned char { Null = TextColumn::Null, Text = TextColumn::Text, Other = TextColumn::Other };
    // The rows of a table in the order of one sort field.
    struct Order {
        std::vector<quint32> sorted; // places, in order
        std::vector<quint32> rank;   // by place: its position in sorted
    };
    struct Table {
        bool loaded = false;
        std::vector<qint64> rowIds; // ascending, shared by the table's columns
        std::map<QString, std::shared_ptr<const Column>> columns; // a query holds pointers to several
        // The places in the order the copy was read in (a NOCASE index's
        // order), kept until the field's order is prepared.
        std::map<QString, std::vector<quint32>> readOrder;
        std::map<QString, std::shared_ptr<const Order>> orders;
        QSet<QString> refused;
        QHash<QString, QString> textFields; // folded name -> stored name, TEXT affinity
    };

    // A plain index whose first column is the field (NOCASE preferred).
    struct IndexOf {
        QString name;
        bool nocase = false;
    };
    IndexOf indexOf(const QString &tableName, const QString &field);
    // Marks a place in Table::readOrder whose text is not ASCII.
    static constexpr quint32 OtherText = 0x80000000u;

    // Drops every copy when the file changed since the last look.
    void checkCurrent();
    Table &table(const QString &name);
    const Column *column(Table &t, const QString &tableName, const QString &field);
    const Order *orderOf(Table &t, const QString &tableName, const QString &field);
    qint64 rowIndex(const Table &t, qint64 rowId) const;

    sqlite3 *m_db;
    sqlite3_stmt *m_dataVersion = nullptr;
    qint64 m_version = -1;
    qint64 m_changes = -1;
    qint64 m_bytes = 0;
    quint64 m_generation = 1;
    std::map<QString, Table> m_tables; // by folded table name
};

} // namespace velmora::db
