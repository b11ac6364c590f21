#include "db/DataSource.h"

#include "db/DatabasePreload.h"
#include "db/SearchKeys.h"
#include "db/StructureKeys.h"
#include "structure/Structure.h"

#include <sqlite3.h>

namespace velmora::db {

// ---------------------------------------------------------------- failures

WriteFailure::WriteFailure(Reason reason, QString detail, DataSource *source, QString field)
    : DbError(reason == Reason::Locked ? errors::FileLocked : errors::EngineFailure, std::move(detail)),
      m_reason(reason), m_field(std::move(field)), m_source(source)
{
}

QString WriteFailure::explanation() const
{
    switch (m_reason) {
    case Reason::ReadOnly:
        return QStringLiteral("数据文件是只读的，不能写入（请检查数据文件和它所在文件夹的写入权限）");
    case Reason::DiskFull: return QStringLiteral("磁盘已满，数据文件没有空间写入");
    case Reason::Locked:
        return QStringLiteral("数据文件正被另一个程序占用（已锁定），暂时不能写入");
    case Reason::Folder:
        return QStringLiteral("不能在数据文件所在的文件夹中建立临时文件（文件夹可能是只读的）");
    case Reason::Refused: return QStringLiteral("数据库拒绝了这次写入");
    case Reason::RowGone:
        return QStringLiteral("这个化学品已被删除（在主窗口或另一个正在运行的程序中），修改无处保存");
    case Reason::RowChanged:
        return QStringLiteral("这个化学品的“%1”在你修改期间已被另一个窗口或程序改动").arg(m_field);
    case Reason::Disk: return QStringLiteral("读写数据文件时发生磁盘错误");
    case Reason::Other: break;
    }
    return QStringLiteral("数据库出错：%1").arg(description());
}

namespace {

const QString KeysTable = QStringLiteral("velmora_keys");
const QString CompanionSchema = QStringLiteral("velmora_companion");

QString keptTable(const QString &table) { return QStringLiteral("velmora_deleted_") + table; }

QString q(const QString &name) { return JetQuery::quoteName(name); }

WriteFailure::Reason classify(int code, const QString &message)
{
    switch (code & 0xFF) {
    case SQLITE_READONLY:
    case SQLITE_PERM: return WriteFailure::Reason::ReadOnly;
    case SQLITE_FULL: return WriteFailure::Reason::DiskFull;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return WriteFailure::Reason::Locked;
    case SQLITE_CANTOPEN: return WriteFailure::Reason::Folder;
    case SQLITE_AUTH: return WriteFailure::Reason::Refused;
    case SQLITE_IOERR: return WriteFailure::Reason::Disk;
    default: break;
    }
    if (message.contains(QLatin1String("not authorized")))
        return WriteFailure::Reason::Refused;
    return WriteFailure::Reason::Other;
}

// The value a control was filled with, and a field as the file holds it, in
// one form: text, picture bytes, or an empty text for NULL and nothing.
QVariant normal(const QVariant &v)
{
    if (v.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = v.toByteArray();
        return bytes.isEmpty() ? QVariant(QString()) : QVariant(bytes);
    }
    return QVariant(v.toString());
}

QVariant normal(sqlite3_stmt *s, int col)
{
    switch (sqlite3_column_type(s, col)) {
    case SQLITE_NULL: return QVariant(QString());
    case SQLITE_BLOB: {
        const auto *p = static_cast<const char *>(sqlite3_column_blob(s, col));
        const int n = sqlite3_column_bytes(s, col);
        return n == 0 ? QVariant(QString()) : QVariant(QByteArray(p, n));
    }
    default: {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(s, col));
        return QVariant(QString::fromUtf8(p, sqlite3_column_bytes(s, col)));
    }
    }
}

} // namespace

// A statement of a write, reporting a failure with the engine's own code.
class WriteStatement {
public:
    WriteStatement(DataSource &source, sqlite3 *db, const QString &sql) : m_source(source), m_db(db)
    {
        const QByteArray text = sql.toUtf8();
        const int rc = sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_stmt, nullptr);
        if (rc != SQLITE_OK)
            m_source.fail(db, rc);
    }
    ~WriteStatement() { sqlite3_finalize(m_stmt); }
    WriteStatement(const WriteStatement &) = delete;
    WriteStatement &operator=(const WriteStatement &) = delete;

    void bind(int index, const QVariant &value)
    {
        const int rc = bindValue(m_stmt, index, value);
        if (rc != SQLITE_OK)
            m_source.fail(m_db, rc);
    }
    bool step()
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        m_source.fail(m_db, rc);
    }
    qint64 integer(int col) const { return sqlite3_column_int64(m_stmt, col); }
    bool isNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }
    QString text(int col) const
    {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, col)),
                                 sqlite3_column_bytes(m_stmt, col));
    }
    sqlite3_stmt *handle() const { return m_stmt; }

private:
    DataSource &m_source;
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

// One write transaction: taken at once for writing (so that a locked file
// shows at the start), rolled back unless committed.
class WriteTransaction {
public:
    WriteTransaction(DataSource &source, sqlite3 *db) : m_source(source), m_db(db)
    {
        m_nested = sqlite3_get_autocommit(db) == 0;
        exec(m_nested ? "SAVEPOINT velmora_write" : "BEGIN IMMEDIATE");
        m_open = true;
    }
    ~WriteTransaction()
    {
        if (!m_open)
            return;
        if (m_nested) {
            sqlite3_exec(m_db, "ROLLBACK TO velmora_write", nullptr, nullptr, nullptr);
            sqlite3_exec(m_db, "RELEASE velmora_write", nullptr, nullptr, nullptr);
        } else {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
    void commit()
    {
        exec(m_nested ? "RELEASE velmora_write" : "COMMIT");
        m_open = false;
    }

    // The side table that keeps the highest key of each table.
    void ensureKeys(const QString &schema)
    {
        if (!exists(schema, KeysTable))
            run(QStringLiteral("CREATE TABLE %1.%2 (tbl TEXT PRIMARY KEY, high INTEGER NOT NULL)")
                    .arg(q(schema), KeysTable));
    }
    // A key no row of the table has ever had.
    qint64 newKey(const QString &schema, const QString &table)
    {
        ensureKeys(schema);
        WriteStatement s(m_source, m_db,
                         QStringLiteral("SELECT max(coalesce((SELECT high FROM %1.%2 WHERE tbl = ?1), 0), "
                                        "coalesce((SELECT max(rowid) FROM %1.%3), 0)) + 1")
                             .arg(q(schema), KeysTable, q(table)));
        s.bind(1, table);
        s.step();
        return s.integer(0);
    }
    void noteKey(const QString &schema, const QString &table, qint64 key)
    {
        ensureKeys(schema);
        WriteStatement s(m_source, m_db,
                         QStringLiteral("INSERT INTO %1.%2 (tbl, high) VALUES (?1, ?2) "
                                        "ON CONFLICT(tbl) DO UPDATE SET high = max(high, excluded.high)")
                             .arg(q(schema), KeysTable));
        s.bind(1, table);
        s.bind(2, key);
        s.step();
    }
    bool exists(const QString &schema, const QString &table)
    {
        WriteStatement s(m_source, m_db,
                         QStringLiteral("SELECT 1 FROM %1.sqlite_master WHERE type = 'table' AND name = ?1")
                             .arg(q(schema)));
        s.bind(1, table);
        return s.step();
    }
    void run(const QString &sql)
    {
        WriteStatement s(m_source, m_db, sql);
        s.step();
    }

private:
    void exec(const char *sql)
    {
        const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            m_source.fail(m_db, rc);
    }

    DataSource &m_source;
    sqlite3 *m_db;
    bool m_nested = false;
    bool m_open = false;
};

namespace {

// Another file attached to the connection for the length of one write.
class Attachment {
public:
    Attachment(DataSource &source, sqlite3 *db, const QString &file) : m_db(db)
    {
        // One left attached by a detach that could not be done is let go first.
        sqlite3_exec(db, ("DETACH DATABASE " + CompanionSchema.toUtf8()).constData(), nullptr, nullptr, nullptr);
        WriteStatement s(source, db, QStringLiteral("ATTACH DATABASE ?1 AS %1").arg(q(CompanionSchema)));
        s.bind(1, file);
        s.step();
    }
    ~Attachment()
    {
        sqlite3_exec(m_db, ("DETACH DATABASE " + CompanionSchema.toUtf8()).constData(), nullptr, nullptr,
                     nullptr);
    }

private:
    sqlite3 *m_db;
};

} // namespace

// ---------------------------------------------------------------- data source

DataSource::DataSource(QObject *parent) : QObject(parent) {}

DataSource::~DataSource() = default;

void DataSource::fail(sqlite3 *db, int code)
{
    const QString message = QString::fromUtf8(sqlite3_errmsg(db));
    throw WriteFailure(classify(sqlite3_extended_errcode(db) ? sqlite3_extended_errcode(db) : code, message),
                       message, this);
}

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

std::shared_ptr<Database> DataSource::connection()
{
    database();
    return m_db;
}

void DataSource::refreshWithKeys(const QString &table, std::vector<qint64> keys)
{
    m_recordSource = QStringLiteral("select * from ") + table;
    m_keys = std::move(keys);
    refresh();
}

void DataSource::refresh()
{
    leaveRecord();
    const JetQuery query = JetQuery::parse(m_recordSource);
    database();
    ReadingGrid grid;
    if (m_keys)
        grid.loadRows(m_db, query.table, *m_keys, m_fixedCols);
    else
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

qint64 DataSource::currentKey() const
{
    return (!m_newRecord && m_current > 0) ? m_grid.rowId(m_current) : 0;
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

bool DataSource::hasPendingEdits() const
{
    if (!m_companions.empty() || m_structurePending)
        return true;
    for (BoundControl *control : m_bound)
        if (control->isDataChanged() && !control->dataField().isEmpty()
            && m_grid.column(control->dataField()) >= 0)
            return true;
    return false;
}

void DataSource::addCompanionRow(const QString &file, const QString &table, const QStringList &fields,
                                 const QVariantList &values)
{
    // One pending row: a later choice replaces one that was not stored.
    m_companions.clear();
    m_companions.push_back({file, table, fields, values});
}

void DataSource::leaveRecord()
{
    if (!m_hasQuery || !m_db)
        return;
    QStringList fields;
    QVariantList values;
    std::vector<std::vector<BoundControl *>> writers; // per field
    std::vector<BoundControl *> changed;
    for (BoundControl *control : m_bound) {
        if (!control->isDataChanged() || control->dataField().isEmpty())
            continue;
        if (m_grid.column(control->dataField()) < 0)
            continue; // bound to a field the table lacks
        const int known = fields.indexOf(control->dataField());
        if (known >= 0) {
            values[known] = control->editedValue();
            writers[size_t(known)].push_back(control);
        } else {
            fields << control->dataField();
            values << control->editedValue();
            writers.push_back({control});
        }
        changed.push_back(control);
    }
    if (changed.empty() && m_companions.empty() && !(m_structurePending && !m_newRecord)) {
        if (m_newRecord) {
            m_newRecord = false; // nothing entered: the new record is discarded
            m_structurePending = false;
        }
        return;
    }
    if (m_readOnly)
        throw WriteFailure(WriteFailure::Reason::ReadOnly, QStringLiteral("The data source is read-only."), this);
    if (!m_newRecord && m_current == 0 && !changed.empty())
        throw WriteFailure(WriteFailure::Reason::RowGone, QStringLiteral("No current record."), this);

    sqlite3 *db = m_db->handle();
    const QString table = m_query.table;
    std::unique_ptr<Attachment> attached;
    if (!m_companions.empty())
        attached = std::make_unique<Attachment>(*this, db, m_companions.front().file);
    WriteTransaction t(*this, db);

    qint64 inserted = 0;
    if (m_newRecord && !changed.empty()) {
        inserted = t.newKey(QStringLiteral("main"), table);
        QStringList names{QStringLiteral("rowid")}, marks{QStringLiteral("?1")};
        for (int i = 0; i < fields.size(); ++i) {
            names << q(fields[i]);
            marks << QStringLiteral("?%1").arg(i + 2);
        }
        WriteStatement insert(*this, db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                             .arg(q(table), names.join(QLatin1String(", ")),
                                                  marks.join(QLatin1String(", "))));
        insert.bind(1, inserted);
        for (int i = 0; i < values.size(); ++i)
            insert.bind(i + 2, values[i]);
        insert.step();
        t.noteKey(QStringLiteral("main"), table, inserted);
    } else if (!changed.empty()) {
        const qint64 key = m_grid.rowId(m_current);
        // The record must still be there, and every field being written must
        // still hold what its control was filled with: otherwise the values
        // would land on another chemical, or undo a change made elsewhere.
        QStringList names;
        for (const QString &f : fields)
            names << q(f);
        WriteStatement check(*this, db, QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?1")
                                            .arg(names.join(QLatin1String(", ")), q(table)));
        check.bind(1, key);
        if (!check.step())
            throw WriteFailure(WriteFailure::Reason::RowGone, QStringLiteral("The record was deleted."), this);
        for (int i = 0; i < fields.size(); ++i) {
            const QVariant now = normal(check.handle(), i);
            for (BoundControl *control : writers[size_t(i)]) {
                const Base base = m_base.value(control);
                if (base.key != key || normal(base.value) != now)
                    throw WriteFailure(WriteFailure::Reason::RowChanged,
                                       QStringLiteral("The field %1 was changed elsewhere.").arg(fields[i]),
                                       this, fields[i]);
            }
        }
        QStringList sets;
        for (int i = 0; i < fields.size(); ++i)
            sets << QStringLiteral("%1 = ?%2").arg(q(fields[i])).arg(i + 1);
        WriteStatement update(*this, db, QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?%3")
                                             .arg(q(table), sets.join(QLatin1String(", ")))
                                             .arg(fields.size() + 1));
        for (int i = 0; i < values.size(); ++i)
            update.bind(i + 1, values[i]);
        update.bind(fields.size() + 1, key);
        update.step();
    }
    for (const Companion &c : m_companions) {
        const qint64 key = t.newKey(CompanionSchema, c.table);
        QStringList names{QStringLiteral("rowid")}, marks{QStringLiteral("?1")};
        for (int i = 0; i < c.fields.size(); ++i) {
            names << q(c.fields[i]);
            marks << QStringLiteral("?%1").arg(i + 2);
        }
        WriteStatement insert(*this, db, QStringLiteral("INSERT INTO %1.%2 (%3) VALUES (%4)")
                                             .arg(q(CompanionSchema), q(c.table),
                                                  names.join(QLatin1String(", ")),
                                                  marks.join(QLatin1String(", "))));
        insert.bind(1, key);
        for (int i = 0; i < c.values.size(); ++i)
            insert.bind(i + 2, c.values[i]);
        insert.step();
        t.noteKey(CompanionSchema, c.table, key);
    }
    if (!changed.empty())
        keepSearchKeys(db, table, inserted ? inserted : m_grid.rowId(m_current));
    if (m_structurePending && (inserted || (!m_newRecord && m_current > 0))) {
        const qint64 key = inserted ? inserted : m_grid.rowId(m_current);
        if (changed.empty()) {
            // Only the structure changed: its chemical must still be there.
            WriteStatement check(*this, db, QStringLiteral("SELECT 1 FROM %1 WHERE rowid = ?1").arg(q(table)));
            check.bind(1, key);
            if (!check.step())
                throw WriteFailure(WriteFailure::Reason::RowGone, QStringLiteral("The record was deleted."), this);
        }
        try {
            StructureKeys::writeFor(db, key, m_structure);
        } catch (const WriteFailure &) {
            throw;
        } catch (const DbError &) {
            fail(db, sqlite3_extended_errcode(db));
        }
    }
    t.commit();
    m_structurePending = false;
    m_structure.clear();

    // Stored: only now does the record set change.
    m_companions.clear();
    if (m_newRecord) {
        m_newRecord = false;
        if (inserted) {
            m_grid.appendRow(inserted);
            m_current = m_grid.rows() - 1;
        }
    } else if (m_current > 0 && !changed.empty()) {
        m_grid.forgetRow(m_current);
    }
    for (BoundControl *control : changed)
        control->setDataChanged(false);
}

void DataSource::updateRecord()
{
    leaveRecord();
    showCurrentInAll();
}

bool DataSource::setStructure(const QString &smiles)
{
    if (!smiles.trimmed().isEmpty() && !structure::describe(smiles))
        return false;
    m_structure = smiles.trimmed();
    m_structurePending = true;
    return true;
}

void DataSource::discardEdits()
{
    m_companions.clear();
    m_structurePending = false;
    m_structure.clear();
    if (!m_newRecord && m_current > 0) {
        const qint64 key = m_grid.rowId(m_current);
        Statement s(database().handle(),
                    QStringLiteral("SELECT 1 FROM %1 WHERE rowid = ?1").arg(q(m_query.table)));
        s.bind(1, key);
        if (s.step()) {
            m_grid.forgetRow(m_current);
        } else {
            m_grid.removeRow(m_current);
            m_current = 0;
        }
    }
    showCurrentInAll();
    emit currentChanged();
}

void DataSource::rebase()
{
    if (m_newRecord || m_current == 0)
        return;
    m_grid.forgetRow(m_current);
    const qint64 key = m_grid.rowId(m_current);
    for (BoundControl *control : m_bound) {
        const int col = m_grid.column(control->dataField());
        if (col < 0)
            continue;
        const QByteArray bytes = m_grid.blob(m_current, col);
        m_base.insert(control, {key, bytes.isEmpty() ? QVariant(m_grid.text(m_current, col)) : QVariant(bytes)});
    }
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
        m_base.insert(control, {});
    }
    emit currentChanged();
}

// The chemical table's search keys (CAS, formula, pinyin) change with its
// rows, in the same transaction.
void DataSource::keepSearchKeys(sqlite3 *db, const QString &table, qint64 key)
{
    if (table.compare(QLatin1String("sj"), Qt::CaseInsensitive) != 0)
        return;
    try {
        SearchKeys::refreshFor(db, key);
    } catch (const WriteFailure &) {
        throw;
    } catch (const DbError &) {
        // Reported like any other refused write, with the engine's reason.
        fail(db, sqlite3_extended_errcode(db));
    }
}

void DataSource::keepStructure(sqlite3 *db, const QString &table, qint64 key, qint64 copy, bool restoring)
{
    if (table.compare(QLatin1String("sj"), Qt::CaseInsensitive) != 0)
        return;
    try {
        if (restoring)
            StructureKeys::restoreFor(db, copy, key);
        else
            StructureKeys::keepFor(db, key, copy);
    } catch (const WriteFailure &) {
        throw;
    } catch (const DbError &) {
        fail(db, sqlite3_extended_errcode(db));
    }
}

qint64 DataSource::deleteCurrent()
{
    if (m_newRecord) {
        // Deleting a record that was never stored just drops it.
        m_newRecord = false;
        m_structurePending = false;
        m_companions.clear();
        for (BoundControl *control : m_bound)
            control->setDataChanged(false);
        showCurrentInAll();
        emit currentChanged();
        return 0;
    }
    if (m_current == 0 || !m_db)
        throw DbError(errors::NoCurrentRecord, QStringLiteral("No current record."));
    if (m_readOnly)
        throw WriteFailure(WriteFailure::Reason::ReadOnly, QStringLiteral("The data source is read-only."), this);

    sqlite3 *db = m_db->handle();
    const QString table = m_query.table;
    const qint64 key = m_grid.rowId(m_current);
    qint64 copy = 0;
    {
        WriteTransaction t(*this, db);
        if (!t.exists(QStringLiteral("main"), keptTable(table)))
            t.run(QStringLiteral("CREATE TABLE %1 AS SELECT * FROM %2 WHERE 0").arg(q(keptTable(table)), q(table)));
        WriteStatement keep(*this, db, QStringLiteral("INSERT INTO %1 SELECT * FROM %2 WHERE rowid = ?1")
                                           .arg(q(keptTable(table)), q(table)));
        keep.bind(1, key);
        keep.step();
        if (sqlite3_changes(db) == 0)
            throw WriteFailure(WriteFailure::Reason::RowGone, QStringLiteral("The record was deleted."), this);
        copy = sqlite3_last_insert_rowid(db);
        // The key stays taken, so that no later record receives it.
        t.noteKey(QStringLiteral("main"), table, key);
        WriteStatement remove(*this, db, QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(q(table)));
        remove.bind(1, key);
        remove.step();
        keepSearchKeys(db, table, key);
        keepStructure(db, table, key, copy, false);
        t.commit();
    }
    for (BoundControl *control : m_bound)
        control->setDataChanged(false); // edits of a deleted record are dropped
    m_companions.clear();
    m_structurePending = false;
    m_grid.removeRow(m_current);
    if (m_current > recordCount())
        m_current = 0; // past the end
    showCurrentInAll();
    emit currentChanged();
    return copy;
}

qint64 DataSource::restore(const QString &table, qint64 copy)
{
    if (m_readOnly)
        throw WriteFailure(WriteFailure::Reason::ReadOnly, QStringLiteral("The data source is read-only."), this);
    sqlite3 *db = database().handle();
    WriteTransaction t(*this, db);
    if (!t.exists(QStringLiteral("main"), keptTable(table)))
        throw WriteFailure(WriteFailure::Reason::RowGone, QStringLiteral("No deleted records are kept."), this);
    QStringList columns;
    QString keyColumn;
    {
        WriteStatement info(*this, db, QStringLiteral("SELECT name, pk, upper(type) FROM pragma_table_info(?1)"));
        info.bind(1, table);
        while (info.step()) {
            columns << info.text(0);
            if (info.integer(1) == 1 && info.text(2) == QLatin1String("INTEGER"))
                keyColumn = info.text(0);
        }
    }
    qint64 key = 0;
    if (!keyColumn.isEmpty()) {
        WriteStatement old(*this, db, QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?1")
                                          .arg(q(keyColumn), q(keptTable(table))));
        old.bind(1, copy);
        if (!old.step())
            throw WriteFailure(WriteFailure::Reason::RowGone, QStringLiteral("No such deleted record."), this);
        key = old.integer(0);
        WriteStatement taken(*this, db, QStringLiteral("SELECT 1 FROM %1 WHERE rowid = ?1").arg(q(table)));
        taken.bind(1, key);
        if (old.isNull(0) || taken.step())
            key = t.newKey(QStringLiteral("main"), table);
    }
    QStringList names, sources;
    for (const QString &c : columns) {
        names << q(c);
        sources << (c == keyColumn ? QStringLiteral("?2") : q(c));
    }
    WriteStatement put(*this, db, QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4 WHERE rowid = ?1")
                                      .arg(q(table), names.join(QLatin1String(", ")),
                                           sources.join(QLatin1String(", ")), q(keptTable(table))));
    put.bind(1, copy);
    if (!keyColumn.isEmpty())
        put.bind(2, key);
    put.step();
    if (sqlite3_changes(db) == 0)
        throw WriteFailure(WriteFailure::Reason::RowGone, QStringLiteral("No such deleted record."), this);
    key = sqlite3_last_insert_rowid(db);
    t.noteKey(QStringLiteral("main"), table, key);
    WriteStatement drop(*this, db, QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(q(keptTable(table))));
    drop.bind(1, copy);
    drop.step();
    keepSearchKeys(db, table, key);
    keepStructure(db, table, key, copy, true);
    t.commit();
    return key;
}

int DataSource::countEqual(const QString &field, const QVariant &value)
{
    Statement s(database().handle(),
                QStringLiteral("SELECT count(*) FROM %1 WHERE %2 = ?1").arg(q(m_query.table), q(field)));
    s.bind(1, value);
    s.step();
    return int(s.integer(0));
}

void DataSource::moveTo(int row)
{
    leaveRecord();
    m_current = (row >= 1 && row <= recordCount()) ? row : 0;
    showCurrentInAll();
    emit currentChanged();
}

bool DataSource::locate(qint64 key)
{
    const int row = key > 0 ? m_grid.rowOf(key) : -1;
    if (row > 0) {
        moveTo(row);
        return true;
    }
    leaveRecord();
    bool found = false;
    if (key > 0 && m_hasQuery) {
        Statement s(database().handle(),
                    QStringLiteral("SELECT 1 FROM %1 WHERE rowid = ?1").arg(q(m_query.table)));
        s.bind(1, key);
        found = s.step();
    }
    m_newRecord = false;
    if (found) {
        m_grid.appendRow(key);
        m_current = recordCount();
    } else {
        m_current = 0;
    }
    showCurrentInAll();
    emit currentChanged();
    return found;
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
    m_base.remove(control);
}

void DataSource::showCurrent(BoundControl *control)
{
    QVariant value;
    Base base;
    if (!m_newRecord && m_current > 0) {
        base.key = m_grid.rowId(m_current);
        const int col = m_grid.column(control->dataField());
        if (col >= 0) {
            const QByteArray bytes = m_grid.blob(m_current, col);
            if (!bytes.isEmpty())
                value = bytes;
            else
                value = m_grid.text(m_current, col);
        }
    }
    base.value = value;
    m_base.insert(control, base);
    control->showFieldValue(value);
    control->setDataChanged(false);
}

void DataSource::showCurrentInAll()
{
    for (BoundControl *control : m_bound)
        showCurrent(control);
}

} // namespace velmora::db
