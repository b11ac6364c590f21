// The in-memory column copies answer exactly as the engine does (case rules
// of LIKE and "=", NULL logic, pictures in text fields, order), and never
// answer from a copy that another write has made stale.
#include "db/ColumnCache.h"
#include "db/DataSource.h"
#include "db/Database.h"
#include "db/DbError.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <sqlite3.h>

using namespace velmora::db;

namespace {

// A table with the awkward values: letters in several cases and widths,
// NULLs, empty texts, a picture stored in a text field.
void makeTable(const QString &path)
{
    sqlite3 *db = nullptr;
    QVERIFY(sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK);
    {
        Statement(db, "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, alias TEXT, code TEXT, "
                      "num INTEGER, note TEXT)")
            .step();
        Statement insert(db, "INSERT INTO t (name, alias, code, num, note) VALUES (?1, ?2, ?3, ?4, ?5)");
        const QList<QVariantList> rows = {
            {"benzene", "benzol", "101", 1, "x"},
            {"Benzene oxide", QVariant(), "102", 2, QVariant()},
            {"ａｂｃ", "ＡＢＣ", "2A", 3, "x"},
            {"É acid", "é", "110", 4, "y"},
            {"acetic acid；ethanoic", "", QVariant(), 5, "x"},
            {QVariant(), "acid", "12", 6, "y"},
            {QByteArray("\x89PNG acid"), "pic", "13", 7, "y"},
            {"", "empty", "1#", 8, "x"},
            {"ZINC acid", "zinc", "9", 9, QVariant()},
        };
        for (const QVariantList &row : rows) {
            for (int i = 0; i < row.size(); ++i)
                insert.bind(i + 1, row[i]);
            insert.step();
            insert.reset();
        }
    }
    sqlite3_close(db);
}

// What the engine itself returns for a query, in its order.
std::vector<qint64> engineRows(Database &db, const JetQuery &q)
{
    Statement s(db.handle(), q.toSqlite("rowid"));
    s.bindAll(q.parameters());
    std::vector<qint64> ids;
    while (s.step())
        ids.push_back(s.integer(0));
    return ids;
}

QStringList names(const DataSource &ds)
{
    QStringList out;
    const int c = ds.grid().column("name");
    for (int r = 1; r < ds.grid().rows(); ++r)
        out << ds.grid().text(r, c);
    return out;
}

} // namespace

class TestColumnCache : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path;

private slots:
    void init()
    {
        path = dir.filePath(QString("t%1.db").arg(QRandomGenerator::global()->generate()));
        makeTable(path);
    }

    void answersAsTheEngine_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("fromCopy");
        QTest::newRow("substring") << "select * from t where name like '*acid*'" << true;
        QTest::newRow("latin letters any case") << "select * from t where name like '*ACID*'" << true;
        QTest::newRow("latin-1 and full-width fold in LIKE") << "select * from t where name like '*é*' or alias like '*ａｂｃ*'" << true;
        QTest::newRow("equals folds ASCII") << "select * from t where name = 'BENZENE'" << true;
        QTest::newRow("equals folds full-width") << "select * from t where name = 'ＡＢＣ'" << true;
        QTest::newRow("equals folds latin-1") << "select * from t where alias = 'É'" << true;
        QTest::newRow("empty text is no NULL") << "select * from t where name = ''" << true;
        QTest::newRow("star skips NULL") << "select * from t where name like '*'" << true;
        QTest::newRow("picture in a text field") << "select * from t where name like '*PNG*'" << true;
        QTest::newRow("prefix, digit and class") << "select * from t where code like '1#*' or code like '[!0-9]*'" << true;
        QTest::newRow("NULL or true") << "select * from t where alias like '*o*' or name like '*acid*'" << true;
        QTest::newRow("NULL and false") << "select * from t where (alias like '*' and name like 'z*') or code = '12'" << true;
        QTest::newRow("nested parentheses") << "select * from t where ((name like 'b*') or (alias = 'acid')) and note = 'x'" << true;
        QTest::newRow("ordered, descending") << "select * from t where name like '*a*' order by alias desc" << true;
        QTest::newRow("ordered by a kept column") << "select * from t where name like '*' order by name" << true;
        QTest::newRow("not a text column") << "select * from t where num like '1*'" << false;
        QTest::newRow("no condition") << "select * from t order by name" << false;
    }

    void answersAsTheEngine()
    {
        QFETCH(QString, source);
        QFETCH(bool, fromCopy);
        const JetQuery q = JetQuery::parse(source);
        Database db(path, QString());
        const std::vector<qint64> expected = engineRows(db, q);
        const auto copied = db.columns().select(q);
        QCOMPARE(copied.has_value(), fromCopy);

        // Through the grid, with the order applied.
        DataSource ds;
        ds.setDatabaseName(path);
        ds.setRecordSource(source);
        ds.refresh();
        std::vector<qint64> shown;
        for (int r = 1; r < ds.grid().rows(); ++r)
            shown.push_back(ds.grid().rowId(r));
        QCOMPARE(shown, expected);
        if (copied) {
            std::vector<qint64> sorted = expected;
            std::sort(sorted.begin(), sorted.end());
            QCOMPARE(*copied, sorted);
        }
    }

    void gridTextComesFromTheFileOrTheCopyAlike()
    {
        DataSource ds;
        ds.setDatabaseName(path);
        ds.setRecordSource("select * from t where name like '*' or alias like '*'");
        ds.refresh();
        QCOMPARE(names(ds), (QStringList{"benzene", "Benzene oxide", "ａｂｃ", "É acid", "acetic acid；ethanoic",
                                         "", "", "", "ZINC acid"}));
    }

    void errorsStayTheEngines()
    {
        DataSource ds;
        ds.setDatabaseName(path);
        ds.setRecordSource("select * from t where name like '*a*'");
        ds.refresh(); // the column is now kept
        for (const QString &bad : {QString("select * from t where nosuch like '*a*'"),
                                   QString("select * from t where name like '*a*' order by nosuch"),
                                   QString("select * from nosuch where name like '*a*'")}) {
            ds.setRecordSource(bad);
            try {
                ds.refresh();
                QFAIL(qPrintable("no error for " + bad));
            } catch (const DbError &e) {
                QVERIFY(e.number() == errors::TooFewParameters || e.number() == errors::InputTableNotFound);
            }
        }
    }

    void writesThroughAnyConnectionAreSeen()
    {
        DataSource reader;
        reader.setDatabaseName(path);
        reader.setRecordSource("select * from t where name like '*benz*'");
        reader.refresh();
        QCOMPARE(names(reader), (QStringList{"benzene", "Benzene oxide"}));

        // Another connection renames a chemical.
        {
            Database other(path, QString());
            other.exec("UPDATE t SET name = 'toluene' WHERE name = 'benzene'");
        }
        reader.refresh();
        QCOMPARE(names(reader), QStringList{"Benzene oxide"});
        reader.setRecordSource("select * from t where name = 'TOLUENE'");
        reader.refresh();
        QCOMPARE(names(reader), QStringList{"toluene"});

        // The same connection deletes it.
        reader.deleteCurrent();
        reader.setRecordSource("select * from t where name like '*e*'");
        reader.refresh();
        QVERIFY(!names(reader).contains("toluene"));

        // And adds one.
        reader.addNew();
        class Box : public BoundControl {
        public:
            QString dataField() const override { return "name"; }
            void showFieldValue(const QVariant &) override {}
            bool isDataChanged() const override { return true; }
            void setDataChanged(bool) override {}
            QVariant editedValue() const override { return QString("xylene"); }
        } box;
        reader.bind(&box);
        reader.updateRecord();
        reader.unbind(&box);
        reader.refresh();
        QVERIFY(names(reader).contains("xylene"));
    }

    void manyColumnsInOneQuery()
    {
        // Copies made one after another for one query stay where they are.
        const QString wide = dir.filePath("wide.db");
        sqlite3 *created = nullptr;
        sqlite3_open(wide.toUtf8().constData(), &created);
        sqlite3_close(created);
        {
            Database db(wide, QString());
            QStringList columns, values, conditions;
            for (int i = 0; i < 40; ++i) {
                columns << QString("c%1 TEXT").arg(i);
                values << QString("'v%1'").arg(i);
                conditions << QString("c%1 like '*%1'").arg(i);
            }
            db.exec("CREATE TABLE w (" + columns.join(", ") + ")");
            db.exec("INSERT INTO w VALUES (" + values.join(", ") + ")");
            db.exec("INSERT INTO w (c0) VALUES ('v0')");
            const JetQuery q = JetQuery::parse("select * from w where " + conditions.join(" and "));
            const auto copied = db.columns().select(q);
            QVERIFY(copied.has_value());
            QCOMPARE(*copied, std::vector<qint64>{1});
            QCOMPARE(engineRows(db, q), std::vector<qint64>{1});
        }
    }

    // The order prepared once per sort field gives the engine's ORDER BY
    // (NULL first, the Chinese collation, ties by rowid), whether the copy
    // of the field was read through a NOCASE index, another index or the
    // table, for a few rows and for most of them.
    void preparedOrderIsTheEngines_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("condition");
        for (const char *index : {"", "CREATE INDEX k_nocase ON s (key COLLATE NOCASE)",
                                  "CREATE INDEX k_binary ON s (key)"}) {
            const QString label = QString(index).isEmpty() ? "no index" : QString(index).section(' ', 2, 2);
            QTest::newRow(qPrintable(label + ", every row")) << index << "name like '*'";
            QTest::newRow(qPrintable(label + ", a few rows")) << index << "name like '*7*'";
            QTest::newRow(qPrintable(label + ", most rows")) << index << "name like '*[!9]'";
        }
    }

    void preparedOrderIsTheEngines()
    {
        QFETCH(QString, index);
        QFETCH(QString, condition);
        const QString file = dir.filePath(QString("s%1.db").arg(QRandomGenerator::global()->generate()));
        {
            sqlite3 *created = nullptr;
            sqlite3_open(file.toUtf8().constData(), &created);
            sqlite3_close(created);
            Database db(file, QString());
            db.exec("CREATE TABLE s (id INTEGER PRIMARY KEY, name TEXT, key TEXT)");
            // Keys in ASCII of either case, with Greek and Chinese runs, equal
            // keys and NULLs, in no particular stored order.
            const QStringList keys = {"yisuan", "Yisuan", "yisuan", "γshi", "gshi", "Zz", "zZ", "a[b", "aZb",
                                      "1,2-er", "1-er", "苯", "ben", "α-naiфен", "", "b苯", "b", "B"};
            Statement insert(db.handle(), "INSERT INTO s (name, key) VALUES (?1, ?2)");
            for (int i = 0; i < 400; ++i) {
                insert.bind(1, QString("n%1").arg(i));
                insert.bind(2, i % 23 == 5 ? QVariant() : QVariant(keys[(i * 7) % keys.size()] + QString::number(i % 3)));
                insert.step();
                insert.reset();
            }
            if (!index.isEmpty())
                db.exec(index);
        }
        const QString source = "select * from s where " + condition + " order by key";
        Database db(file, QString());
        const std::vector<qint64> expected = engineRows(db, JetQuery::parse(source));
        QVERIFY(expected.size() > 10);

        DataSource ds;
        ds.setDatabaseName(file);
        // Twice: the first query prepares the order, the second uses it.
        for (int round = 0; round < 2; ++round) {
            ds.setRecordSource(source);
            ds.refresh();
            std::vector<qint64> shown;
            for (int r = 1; r < ds.grid().rows(); ++r)
                shown.push_back(ds.grid().rowId(r));
            QCOMPARE(shown, expected);
            // Ordered in memory, not by the engine: the rows have their places.
            QVERIFY(ds.grid().columnView(ds.grid().column("name")).has_value());
        }
    }

    void longTextsStayInTheFile()
    {
        {
            Database db(path, QString());
            db.exec("UPDATE t SET note = printf('%.500c', 'x') || rowid");
        }
        Database db(path, QString());
        const JetQuery q = JetQuery::parse("select * from t where note like '*x9'");
        QVERIFY(!db.columns().select(q).has_value());
        QCOMPARE(engineRows(db, q), std::vector<qint64>{9});
        QCOMPARE(db.columns().bytesKept(), qint64(0));
    }
};

QTEST_GUILESS_MAIN(TestColumnCache)
#include "test_columncache.moc"
