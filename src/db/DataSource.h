#pragma once

#include "db/BoundControl.h"
#include "db/Database.h"
#include "db/JetSql.h"
#include "db/ReadingGrid.h"

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

namespace velmora::db {

// A data source object: database path, connect string and record source;
// Refresh runs the record source, makes the first record current and refills
// the bound grid and the bound controls. Its record set can start a new
// record, delete the current one and move to the next or the last.
//
// Pending edits of bound controls are written to the file (parameterised, by
// row id) when the current record is left: another record becomes current, a
// new record is started, or the source is refreshed. A new record on which
// nothing was entered is discarded.
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(QObject *parent = nullptr);
    ~DataSource() override;

    void setConnect(const QString &connect) { m_connect = connect; }
    const QString &connect() const { return m_connect; }
    void setDatabaseName(const QString &path) { m_databaseName = path; }
    const QString &databaseName() const { return m_databaseName; }
    void setRecordSource(const QString &source) { m_recordSource = source; }
    const QString &recordSource() const { return m_recordSource; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isReadOnly() const { return m_readOnly; }
    // 1 (a selector column, the default) or 0 (the grid shows the first field
    // in column 0).
    void setFixedColumns(int n);

    // Throws DbError; on failure the grid keeps the previous result.
    void refresh();

    const ReadingGrid &grid() const { return m_grid; }

    // --- record set ---
    int recordCount() const { return m_grid.rows() - 1; }
    // Grid row of the current record; 0 when there is none (an empty result,
    // or moved past the end).
    int currentRow() const { return m_current; }
    bool isNewRecord() const { return m_newRecord; }
    bool eof() const { return !m_newRecord && m_current == 0; }
    QString text(const QString &field) const;
    QByteArray picture(const QString &field) const;

    void addNew();
    void deleteCurrent(); // the next record becomes current
    void moveFirst();
    void moveNext();
    void moveLast();
    void moveTo(int row);
    // Writes the pending edits of the bound controls now.
    void updateRecord();

    // --- bound controls ---
    void bind(BoundControl *control);
    void unbind(BoundControl *control);
    // Shows the current record in one control again (after its field changed).
    void showCurrent(BoundControl *control);

signals:
    void refreshed();
    void currentChanged();

private:
    Database &database();
    void leaveRecord();
    void showCurrentInAll();

    QString m_connect;
    QString m_databaseName;
    QString m_recordSource;
    bool m_readOnly = false;
    int m_fixedCols = 1;

    std::shared_ptr<Database> m_db;
    JetQuery m_query;
    bool m_hasQuery = false;
    ReadingGrid m_grid;
    int m_current = 0;
    bool m_newRecord = false;
    std::vector<BoundControl *> m_bound;
};

} // namespace velmora::db
