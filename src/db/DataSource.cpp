#include "db/DataSource.h"

#include "db/DatabasePreload.h"
#include "db/DbError.h"

#include <sqlite3.h>

namespace velmora::db {

DataSource::DataSource(QObject *parent) : QObject(parent) {}

DataSource::~DataSource() = default;

void DataSource::setFixedColumns(int n)
{
    m_fixedCols = n;
    m_grid.setFixedCols(n);
}

Database &DataSource::database()
{
    const Database::Mode mode = m_readOnly ? Database::Mode::ReadOnly : Database::Mode::ReadWrite;
    if (!m_db || m_db->path() != m_databaseName || m_db->connect() != m_connect
        || m_db->mode() != mode) {
        m_db = DatabasePreload::take(m_databaseName, m_connect, mode);
        if (!m_db)
            m_db = std::make_shared<Database>(m_databaseName, m_connect, mode);
    }
    return *m_db;
}

void DataSource::refresh()
{
    leaveRecord();
    const JetQuery query = JetQuery::parse(m_recordSource);
    database();
    ReadingGrid grid;
    grid.load(m_db, query, m_fixedCols);
    m_grid = std::move(grid);
    m_query = query;
    m_hasQuery = true;
    m_newRecord = false;
    m_current = recordCount() > 0 ? 1 : 0;
    showCurrentInAll();
    emit refreshed();
    emit currentChanged();
}

QString DataSource::text(const QString &field) const
{
    if (m_current == 0)
        return {};
    const int col = m_grid.column(field);
    return col < 0 ? QString() : m_grid.text(m_current, col);
}

QByteArray DataSource::picture(const QString &field) const
{
    if (m_current == 0)
        return {};
    const int col = m_grid.column(field);
    return col < 0 ? QByteArray() : m_grid.blob(m_current, col);
}

void DataSource::leaveRecord()
{
    if (!m_hasQuery || !m_db)
        return;
    QStringList fields;
    QVariantList values;
    std::vector<BoundControl *> changed;
    for (BoundControl *control : m_bound) {
        if (!control->isDataChanged() || control->dataField().isEmpty())
            continue;
        if (m_grid.column(control->dataField()) < 0)
            continue; // bound to a field the table lacks
        const int known = fields.indexOf(control->dataField());
        if (known >= 0) {
            values[known] = control->editedValue();
        } else {
            fields << control->dataField();
            values << control->editedValue();
        }
        changed.push_back(control);
    }
    if (m_readOnly && !changed.empty())
        throw DbError(errors::FileLocked, QStringLiteral("The database is opened read-only."));

    const QString table = JetQuery::quoteName(m_query.table);
    if (m_newRecord) {
        m_newRecord = false;
        if (fields.isEmpty())
            return; // nothing entered: the new record is discarded
        QStringList names, marks;
        for (int i = 0; i < fields.size(); ++i) {
            names << JetQuery::quoteName(fields[i]);
            marks << QStringLiteral("?%1").arg(i + 1);
        }
        Statement insert(m_db->handle(), QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                             .arg(table, names.join(QLatin1String(", ")),
                                                  marks.join(QLatin1String(", "))));
        for (int i = 0; i < values.size(); ++i)
            insert.bind(i + 1, values[i]);
        insert.step();
        m_grid.appendRow(sqlite3_last_insert_rowid(m_db->handle()));
        m_current = m_grid.rows() - 1;
    } else if (m_current > 0 && !fields.isEmpty()) {
        QStringList sets;
        for (int i = 0; i < fields.size(); ++i)
            sets << QStringLiteral("%1 = ?%2").arg(JetQuery::quoteName(fields[i])).arg(i + 1);
        Statement update(m_db->handle(), QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?%3")
                                             .arg(table, sets.join(QLatin1String(", ")))
                                             .arg(fields.size() + 1));
        for (int i = 0; i < values.size(); ++i)
            update.bind(i + 1, values[i]);
        update.bind(fields.size() + 1, m_grid.rowId(m_current));
        update.step();
        m_grid.forgetRow(m_current);
    }
    for (BoundControl *control : changed)
        control->setDataChanged(false);
}

void DataSource::updateRecord()
{
    const bool wasNew = m_newRecord;
    leaveRecord();
    Q_UNUSED(wasNew);
    showCurrentInAll();
}

void DataSource::addNew()
{
    if (!m_hasQuery)
        throw DbError(errors::NoCurrentRecord, QStringLiteral("No current record."));
    leaveRecord();
    m_newRecord = true;
    for (BoundControl *control : m_bound) {
        control->showFieldValue(QVariant());
        control->setDataChanged(false);
    }
    emit currentChanged();
}

void DataSource::deleteCurrent()
{
    if (m_newRecord) {
        // Deleting a record that was never stored just drops it.
        m_newRecord = false;
        for (BoundControl *control : m_bound)
            control->setDataChanged(false);
        showCurrentInAll();
        emit currentChanged();
        return;
    }
    if (m_current == 0 || !m_db)
        throw DbError(errors::NoCurrentRecord, QStringLiteral("No current record."));
    if (m_readOnly)
        throw DbError(errors::FileLocked, QStringLiteral("The database is opened read-only."));
    for (BoundControl *control : m_bound)
        control->setDataChanged(false); // edits of a deleted record are dropped
    Statement remove(m_db->handle(), QStringLiteral("DELETE FROM %1 WHERE rowid = ?1")
                                         .arg(JetQuery::quoteName(m_query.table)));
    remove.bind(1, m_grid.rowId(m_current));
    remove.step();
    m_grid.removeRow(m_current);
    if (m_current > recordCount())
        m_current = 0; // past the end
    showCurrentInAll();
    emit currentChanged();
}

void DataSource::moveTo(int row)
{
    leaveRecord();
    m_current = (row >= 1 && row <= recordCount()) ? row : 0;
    showCurrentInAll();
    emit currentChanged();
}

void DataSource::moveFirst() { moveTo(recordCount() > 0 ? 1 : 0); }

void DataSource::moveNext()
{
    const int base = m_newRecord ? recordCount() : m_current;
    leaveRecord();
    m_current = base < recordCount() ? base + 1 : 0;
    showCurrentInAll();
    emit currentChanged();
}

void DataSource::moveLast()
{
    leaveRecord();
    m_current = recordCount();
    showCurrentInAll();
    emit currentChanged();
}

void DataSource::bind(BoundControl *control)
{
    if (std::find(m_bound.begin(), m_bound.end(), control) == m_bound.end())
        m_bound.push_back(control);
    showCurrent(control);
}

void DataSource::unbind(BoundControl *control)
{
    m_bound.erase(std::remove(m_bound.begin(), m_bound.end(), control), m_bound.end());
}

void DataSource::showCurrent(BoundControl *control)
{
    QVariant value;
    if (!m_newRecord && m_current > 0) {
        const int col = m_grid.column(control->dataField());
        if (col >= 0) {
            const QByteArray bytes = m_grid.blob(m_current, col);
            if (!bytes.isEmpty())
                value = bytes;
            else
                value = m_grid.text(m_current, col);
        }
    }
    control->showFieldValue(value);
    control->setDataChanged(false);
}

void DataSource::showCurrentInAll()
{
    for (BoundControl *control : m_bound)
        showCurrent(control);
}

} // namespace velmora::db
