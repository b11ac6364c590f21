#pragma once

#include "db/BoundControl.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/JetSql.h"
#include "db/ReadingGrid.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace velmora::db {

class DataSource;

// A write that did not reach the file, with the reason a person is told.
// Nothing of the write was stored: the data source keeps its pending edits
// and its new record as they were.
class WriteFailure : public DbError {
public:
    enum class Reason {
        ReadOnly,   // the file or the engine refuses writes
        DiskFull,   // no room to grow the file
        Locked,     // another connection holds the file
        Folder,     // no journal can be made beside the file
        Refused,    // the engine's authorizer said no
        RowGone,    // the record was deleted since it was read
        RowChanged, // a field being written was changed elsewhere since it was read
        Disk,       // an input/output error
        Other,
    };
    WriteFailure(Reason reason, QString detail, DataSource *source, QString field = {});

    Reason reason() const noexcept { return m_reason; }
    // The field that was changed elsewhere (RowChanged).
    const QString &field() const noexcept { return m_field; }
    DataSource *source() const noexcept { return m_source; }
    // One Chinese sentence naming the reason, without the final full stop.
    QString explanation() const;

private:
    Reason m_reason;
    QString m_field;
    DataSource *m_source;
};

// A data source object: database path, connect string and record source;
// Refresh runs the record source, makes the first record current and refills
// the bound grid and the bound controls. Its record set can start a new
// record, delete the current one and move to the next or the last.
//
// Pending edits of bound controls are written to the file (parameterised, by
// row id) when the current record is left: another record becomes current, a
// new record is started, or the source is refreshed. A new record on which
// nothing was entered is discarded.
//
// Every write runs in one transaction and reaches only the record its values
// were read from:
// - keys are never given twice: the side table velmora_keys keeps the highest
//   key a table has ever had, so a new record never takes the key of a
//   deleted one, whichever program deleted it;
// - before an update, the fields being written are read again; when the
//   record is gone, or one of them no longer holds the value the control was
//   filled with, the write is refused (WriteFailure) and nothing is stored;
// - a deleted record is copied first into the side table velmora_deleted_<t>
//   in the same transaction, so that it can be restored.
// A failed write throws WriteFailure and leaves the edits pending.
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(QObject *parent = nullptr);
    ~DataSource() override;

    void setConnect(const QString &connect) { m_connect = connect; }
    const QString &connect() const { return m_connect; }
    void setDatabaseName(const QString &path) { m_databaseName = path; }
    const QString &databaseName() const { return m_databaseName; }
    void setRecordSource(const QString &source)
    {
        m_recordSource = source;
        m_keys.reset();
    }
    const QString &recordSource() const { return m_recordSource; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isReadOnly() const { return m_readOnly; }
    // 1 (a selector column, the default) or 0 (the grid shows the first field
    // in column 0).
    void setFixedColumns(int n);

    // Throws DbError; on failure the grid keeps the previous result.
    void refresh();
    // Shows the rows of a table with these keys, in this order (a ranked
    // result found through the side tables); later refreshes show them again,
    // less any row deleted meanwhile, until a record source is set.
    void refreshWithKeys(const QString &table, std::vector<qint64> keys);

    const ReadingGrid &grid() const { return m_grid; }
    // The open connection to the file (opened when needed).
    std::shared_ptr<Database> connection();
    // The connection when it is open (after a refresh), else nullptr.
    Database *openConnection() const { return m_db.get(); }

    // --- record set ---
    int recordCount() const { return m_grid.rows() - 1; }
    // Grid row of the current record; 0 when there is none (an empty result,
    // or moved past the end).
    int currentRow() const { return m_current; }
    // The key (row id) of the current record; 0 when there is none.
    qint64 currentKey() const;
    bool isNewRecord() const { return m_newRecord; }
    bool eof() const { return !m_newRecord && m_current == 0; }
    QString text(const QString &field) const;
    QByteArray picture(const QString &field) const;

    void addNew();
    // Deletes the current record, keeping a copy for restore(); the next
    // record becomes current. Returns the copy's number (0 when a new record
    // that was never stored was dropped).
    qint64 deleteCurrent();
    void moveFirst();
    void moveNext();
    void moveLast();
    void moveTo(int row);
    // Makes the record with this key current, adding it to the grid when the
    // query did not select it (it was renamed); false when the file no longer
    // holds it, and then there is no current record.
    bool locate(qint64 key);
    // Writes the pending edits of the bound controls now.
    void updateRecord();
    // Drops the pending edits and shows the record as the file holds it.
    void discardEdits();
    // Takes the file's present values as the ones the pending edits replace,
    // so that the next write goes ahead over a change made elsewhere.
    void rebase();
    bool hasPendingEdits() const;

    // A row to be inserted into a table of another file in the same
    // transaction as the next write of this source (the file is attached for
    // it); it replaces one not yet stored. Dropped with discardEdits().
    void addCompanionRow(const QString &file, const QString &table, const QStringList &fields,
                         const QVariantList &values);

    // The structure (SMILES) of the current or new chemical, to be written in
    // the same transaction as the next write of its row; an empty text
    // removes it. False (and nothing pending) when the SMILES does not parse.
    // Dropped with discardEdits().
    bool setStructure(const QString &smiles);
    bool hasPendingStructure() const { return m_structurePending; }

    // Rows of the table of the current query whose field equals value.
    int countEqual(const QString &field, const QVariant &value);
    // Puts a deleted record back under its old key (or a new one when that
    // key is taken) and returns the key; the kept copy is removed in the same
    // transaction. Throws WriteFailure (RowGone when there is no such copy).
    qint64 restore(const QString &table, qint64 copy);

    // --- bound controls ---
    void bind(BoundControl *control);
    void unbind(BoundControl *control);
    // Shows the current record in one control again (after its field changed).
    void showCurrent(BoundControl *control);

signals:
    void refreshed();
    void currentChanged();

private:
    struct Base {
        qint64 key = 0; // 0: a new record
        QVariant value; // QString or QByteArray, as shown
    };
    struct Companion {
        QString file, table;
        QStringList fields;
        QVariantList values;
    };
    Database &database();
    void leaveRecord();
    void showCurrentInAll();
    [[noreturn]] void fail(sqlite3 *db, int code);
    void keepSearchKeys(sqlite3 *db, const QString &table, qint64 key);
    // The structure row follows its chemical into the deleted rows and back.
    void keepStructure(sqlite3 *db, const QString &table, qint64 key, qint64 copy, bool restoring);

    QString m_connect;
    QString m_databaseName;
    QString m_recordSource;
    std::optional<std::vector<qint64>> m_keys; // a ranked result instead of the record source
    bool m_readOnly = false;
    int m_fixedCols = 1;

    std::shared_ptr<Database> m_db;
    JetQuery m_query;
    bool m_hasQuery = false;
    ReadingGrid m_grid;
    int m_current = 0;
    bool m_newRecord = false;
    std::vector<BoundControl *> m_bound;
    QHash<BoundControl *, Base> m_base;
    std::vector<Companion> m_companions;
    bool m_structurePending = false;
    QString m_structure;

    friend class WriteTransaction;
    friend class WriteStatement;
};

} // namespace velmora::db
