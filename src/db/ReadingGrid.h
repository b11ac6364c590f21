#pragma once

#include "db/ColumnCache.h"
#include "db/JetSql.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace velmora::db {

class Database;

// The grid through which a data source's result is read: row 0 holds the field
// names, column 0 is an empty selector column (unless the grid has no fixed
// column), then one row per record and one column per field. A cell is the
// field as text; NULL and pictures read as empty text.
//
// Only the row ids are fetched by the query itself. Cells are read from the
// file when first asked for, one at a time, and a column that is read for many
// rows is loaded whole; so a large result costs little until it is shown, and
// a picture or long text is read only for the record on view. Columns that the
// connection keeps in memory (ColumnCache) are read from there.
class ReadingGrid {
public:
    ReadingGrid() = default;

    int rows() const { return 1 + int(m_rowIds.size()); }
    int cols() const { return m_fixedCols + int(m_fields.size()); }
    int fixedCols() const { return m_fixedCols; }

    QString text(int row, int col) const;
    // The raw bytes of a picture field (empty for text or NULL).
    QByteArray blob(int row, int col) const;
    const QStringList &fieldNames() const { return m_fields; }
    // The first column (from the first data column on) whose header is name;
    // -1 when there is none.
    int column(const QString &name) const;
    qint64 rowId(int row) const { return m_rowIds.at(size_t(row - 1)); }
    int rowOf(qint64 rowId) const;

    // The connection's copy of a column with the places of this result's
    // rows in it (row r at places[r - 1]), for reading the texts of many rows
    // without loading them (the result list). The copy is made when it is
    // missing; nothing when the column is not kept or the file changed since
    // the query ran. The copy stays as it is after that.
    struct ColumnView {
        std::shared_ptr<const TextColumn> column;
        std::vector<quint32> places;
    };
    std::optional<ColumnView> columnView(int col) const;

    // Used by the data source.
    void load(std::shared_ptr<Database> db, const JetQuery &query, int fixedCols);
    // The given rows of a table, in the given order (a ranked result); rows
    // the table no longer holds are left out.
    void loadRows(std::shared_ptr<Database> db, const QString &table, const std::vector<qint64> &rowIds,
                  int fixedCols);
    void setFixedCols(int n) { m_fixedCols = n; }
    void appendRow(qint64 rowId);
    void removeRow(int row);
    void forgetRow(int row); // a row's cells changed in the file
    void clear();

private:
    struct Column {
        bool loaded = false;
        std::vector<QString> values; // when loaded
        QHash<qint64, QString> cells; // single cells read so far, by row id
        int singleReads = 0;
        bool copyTried = false; // looked for an in-memory copy of the column
    };
    QString fetchCell(qint64 rowId, int field) const;
    void loadColumn(int field) const;
    // Fills a column from the connection's in-memory copy; false when there is none.
    bool loadColumnFromCopy(int field) const;
    // The row ids in the query's order.
    static std::vector<qint64> ordered(Database &db, const JetQuery &query, const std::vector<qint64> &rowIds);

    std::shared_ptr<Database> m_db;
    JetQuery m_query;
    int m_fixedCols = 1;
    QStringList m_fields;
    std::vector<qint64> m_rowIds;
    // The rows' places in the connection's copies of generation
    // m_generation; empty when the copies did not answer the query.
    std::vector<quint32> m_places;
    quint64 m_generation = 0;
    mutable QHash<qint64, int> m_rowIndex; // built on demand
    mutable std::vector<Column> m_columns;
};

} // namespace velmora::db
