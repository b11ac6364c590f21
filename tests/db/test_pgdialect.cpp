// The query dialect on a PostgreSQL server. The regular expressions that
// stand for LIKE and "=" must match exactly what JetLike matches: checked
// here with Qt's regular expressions, and on a private server when one can
// be started. There the fixture folder, copied by velmora-pgload, must give
// the route searches the same rows in the same order as SQLite.
#include "db/ChineseOrder.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/JetLike.h"
#include "db/JetSql.h"
#include "db/PgDialect.h"
#include "search/SearchQueries.h"
#include "support/Fixture.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

#ifdef VELMORA_PGLOAD
#include <libpq-fe.h>
#endif

using namespace velmora::db;
namespace queries = velmora::search::queries;

namespace {

// PostgreSQL's \uXXXX and \UXXXXXXXX escapes in PCRE's spelling.
QRegularExpression asPcre(const QString &re)
{
    QString out = re;
    static const QRegularExpression escape(QStringLiteral("\\\\u([0-9a-f]{4})|\\\\U([0-9a-f]{8})"));
    out.replace(escape, QStringLiteral("\\x{\\1\\2}"));
    return QRegularExpression(out, QRegularExpression::DotMatchesEverythingOption);
}

struct Case {
    const char *pattern;
    QString text;
};

// Patterns and texts that are hard on a translation: wildcards, classes with
// ranges and negation, regex metacharacters, and letters whose other cases
// are no plain upper or lower case of them.
const std::vector<Case> &likeCases()
{
    static const std::vector<Case> cases = {
        {"*甲酸*", QStringLiteral("甲酸；蚁酸")},   {"1.22*", QStringLiteral("1.220（20℃）")},
        {"1.22*", QStringLiteral("1x220")},         {"C?H6", QStringLiteral("C6H6")},
        {"C#H#", QStringLiteral("c6h6")},           {"C#", QStringLiteral("Cl")},
        {"[a-c]x", QStringLiteral("BX")},           {"[!a-c]x", QStringLiteral("Bx")},
        {"[!a-c]x", QStringLiteral("dx")},          {"a[*]", QStringLiteral("a*")},
        {"a[*]", QStringLiteral("ab")},             {"*2,2'-*", QStringLiteral("2,2'-bipyridine")},
        {"*(III)*", QStringLiteral("iron(iii) chloride")}, {"a.b", QStringLiteral("axb")},
        {"a+b$", QStringLiteral("aab$")},           {"a+b$", QStringLiteral("a+B$")},
        {"x\\y", QStringLiteral("X\\Y")},           {"*^*", QStringLiteral("a^b")},
        {"[-a]", QStringLiteral("-")},              {"[]", QStringLiteral("a")},
        {"[!]", QStringLiteral("a")},               {"*σ*", QStringLiteral("ΟΔΟΣ")},
        {"*σ*", QStringLiteral("οδος")},            {"*ς*", QStringLiteral("ΟΔΟΣ")},
        {"k", QStringLiteral("\u212A")},            {"[j-l]", QStringLiteral("\u212A")},
        {"[!j-l]", QStringLiteral("\u212A")},       {"s", QStringLiteral("\u017F")},
        {"i", QStringLiteral("\u0130")},            {"*ａｂ*", QStringLiteral("ＡＢＣ")},
        {"*a*", QStringLiteral("ａｂｃ")},          {"*ⅱ*", QStringLiteral("Ⅱ型")},
        {"[α-γ]", QStringLiteral("Β")},             {"*é*", QStringLiteral("CAFÉ")},
        {"?", QStringLiteral("\U0001F600")},        {"a?b", QStringLiteral("a\nb")},
        {"*𐐨*", QStringLiteral("𐐀")},              {"", QString()},
    };
    return cases;
}

} // namespace

class TestPgDialect : public QObject {
    Q_OBJECT

private slots:
    void likeAgreesWithJetLike()
    {
        for (const Case &c : likeCases()) {
            const QString pattern = QString::fromUtf8(c.pattern);
            const QRegularExpression re = asPcre(pg::likeRegex(pattern));
            QVERIFY2(re.isValid(), qPrintable(pg::likeRegex(pattern)));
            QCOMPARE(re.match(c.text).hasMatch(), JetLike(pattern).matches(c.text));
        }
    }

    void equalAgreesWithCompare_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("stored");
        QTest::newRow("latin") << "Ethanol" << "ETHANOL";
        QTest::newRow("longer") << "Ethanol" << "ethanols";
        QTest::newRow("wildcards are plain") << "a*b?[c]" << "A*B?[C]";
        QTest::newRow("wildcards do not match") << "a*b" << "axxb";
        QTest::newRow("final sigma") << "ΟΔΟΣ" << "οδος";
        QTest::newRow("quote and dot") << "2,2'-bi.py" << "2,2'-BI.PY";
        QTest::newRow("chinese") << "甲酸；蚁酸" << "甲酸；蚁酸";
        QTest::newRow("empty") << "" << "";
    }
    void equalAgreesWithCompare()
    {
        QFETCH(QString, value);
        QFETCH(QString, stored);
        const bool equal = JetLike::equal(value.toStdString(), stored.toStdString());
        QCOMPARE(asPcre(pg::equalRegex(value)).match(stored).hasMatch(), equal);
    }

    void invalidPatternFails()
    {
        for (const char *p : {"[abc", "abc]", "*]*"}) {
            try {
                pg::likeRegex(QString::fromUtf8(p));
                QFAIL(p);
            } catch (const DbError &e) {
                QCOMPARE(e.number(), 93);
            }
        }
    }

    void translation()
    {
        const pg::Query plain = pg::translate(JetQuery::parse(queries::exact(QStringLiteral("英文名称"), QStringLiteral("o'x"))),
                                              QStringLiteral("sj1"), QStringLiteral("编号"), QString());
        QCOMPARE(plain.sql, QStringLiteral("SELECT \"编号\" FROM \"sj1\".\"sj\" WHERE (\"英文名称\")::text ~ $1 ORDER BY \"编号\""));
        QCOMPARE(plain.parameters, QStringList{pg::equalRegex(QStringLiteral("o'x"))});
        QVERIFY(!plain.clientOrder);

        const pg::Query use = pg::translate(JetQuery::parse(QStringLiteral("select * from sj where (a like '*x*' or b = 'y') and c like 'z*' order by d desc")),
                                            QStringLiteral("s"), QStringLiteral("rowid"));
        QVERIFY(use.sql.contains(QStringLiteral("WHERE ((\"a\")::text ~ $1 OR (\"b\")::text ~ $2) AND (\"c\")::text ~ $3")));
        QCOMPARE(use.parameters.size(), 3);
        QVERIFY(use.clientOrder && use.descending);
        QVERIFY(use.sql.startsWith(QStringLiteral("SELECT \"rowid\", \"d\", * FROM")));
    }

    void clientOrder()
    {
        auto row = [](qint64 key, pg::OrderedRow::Kind kind, const char *text, double number = 0) {
            pg::OrderedRow r;
            r.key = key;
            r.kind = kind;
            r.text = QByteArray(text);
            r.number = number;
            return r;
        };
        using K = pg::OrderedRow;
        std::vector<pg::OrderedRow> rows = {
            row(1, K::Text, "乙酸"), row(2, K::Text, "Benzene"), row(3, K::Null, ""), row(4, K::Text, "甲酸"),
            row(5, K::Text, "benzene"), row(6, K::Number, "", 2), row(7, K::Text, "a乙"), row(8, K::Text, "a甲"),
            row(9, K::Number, "", 10)};
        auto keys = [&] {
            QList<qint64> out;
            for (const auto &r : rows)
                out << r.key;
            return out;
        };
        // 甲 (jia) before 乙 (yi); Benzene and benzene tie and keep key order.
        pg::sortRows(rows, false);
        QCOMPARE(keys(), (QList<qint64>{3, 6, 9, 8, 7, 2, 5, 4, 1}));
        pg::sortRows(rows, true);
        QCOMPARE(keys(), (QList<qint64>{1, 4, 2, 5, 7, 8, 9, 6, 3}));
    }

    void sameRowsOnBothEngines();
};

void TestPgDialect::sameRowsOnBothEngines()
{
#ifndef VELMORA_PGLOAD
    QSKIP("built without libpq");
#else
    // The script makes its own folder: as root the server runs as another
    // user, who must be able to reach it.
    QProcess server;
    server.start(QStringLiteral(VELMORA_PGSERVER), {QStringLiteral("start")});
    QVERIFY(server.waitForFinished(120000));
    if (server.exitCode() == 2)
        QSKIP("no PostgreSQL server binaries");
    QVERIFY2(server.exitCode() == 0, server.readAllStandardError().constData());
    const QByteArray conninfo = server.readAllStandardOutput().trimmed().split('\n').last();
    static const QRegularExpression hostPart(QStringLiteral("^host=(\\S+)/socket "));
    const QString serverFolder = hostPart.match(QString::fromUtf8(conninfo)).captured(1);
    QVERIFY2(!serverFolder.isEmpty(), conninfo.constData());
    struct Stop {
        QString folder;
        ~Stop()
        {
            QProcess::execute(QStringLiteral(VELMORA_PGSERVER), {QStringLiteral("stop"), folder});
            QDir(folder).removeRecursively();
        }
    } stop{serverFolder};

    velmora::test::Fixture fixture;
    QProcess load;
    load.start(QStringLiteral(VELMORA_PGLOAD), {fixture.folder(), QString::fromUtf8(conninfo)});
    QVERIFY(load.waitForFinished(120000));
    QVERIFY2(load.exitCode() == 0, load.readAllStandardError().constData());

    std::unique_ptr<PGconn, decltype(&PQfinish)> pg(PQconnectdb(conninfo.constData()), PQfinish);
    QCOMPARE(PQstatus(pg.get()), CONNECTION_OK);
    auto scalar = [&](const char *sql, const QByteArray &a = {}, const QByteArray &b = {}) {
        const char *values[] = {a.constData(), b.constData()};
        std::unique_ptr<PGresult, decltype(&PQclear)> r(
            PQexecParams(pg.get(), sql, a.isNull() ? 0 : 2, nullptr, values, nullptr, nullptr, 0), PQclear);
        if (PQresultStatus(r.get()) != PGRES_TUPLES_OK)
            qWarning() << PQerrorMessage(pg.get());
        return PQresultStatus(r.get()) == PGRES_TUPLES_OK ? QByteArray(PQgetvalue(r.get(), 0, 0)) : QByteArray("error");
    };

    // Every table arrives whole, pictures byte for byte.
    QCOMPARE(scalar("SELECT key_column FROM sj1.velmora_pgload WHERE table_name = 'sj'"), QByteArray("编号"));
    QCOMPARE(scalar("SELECT key_column FROM periodic.velmora_pgload WHERE table_name = 'periodic'"), QByteArray("rowid"));
    {
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open_v2(fixture.file(QStringLiteral("\\data\\sj1.data")).toUtf8().constData(), &db,
                                 SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        std::unique_ptr<PGresult, decltype(&PQclear)> r(
            PQexec(pg.get(), "SELECT \"编号\", \"图\" FROM sj1.sj ORDER BY 1"), PQclear);
        QCOMPARE(PQresultStatus(r.get()), PGRES_TUPLES_OK);
        Statement s(db, QStringLiteral("SELECT \"编号\", \"图\" FROM sj ORDER BY 1"));
        int row = 0, pictures = 0;
        for (; s.step(); ++row) {
            QVERIFY(row < PQntuples(r.get()));
            QCOMPARE(QByteArray(PQgetvalue(r.get(), row, 0)).toLongLong(), s.integer(0));
            QCOMPARE(bool(PQgetisnull(r.get(), row, 1)), s.isNull(1));
            if (!s.isNull(1)) {
                QCOMPARE(QByteArray(PQgetvalue(r.get(), row, 1)), "\\x" + s.blob(1).toHex());
                ++pictures;
            }
        }
        QCOMPARE(row, PQntuples(r.get()));
        QVERIFY(pictures > 0);
        sqlite3_close(db);
    }

    // A load that fails on its last file leaves nothing of the first two;
    // --replace loads afresh.
    {
        PQclear(PQexec(pg.get(), "SET client_min_messages TO warning; DROP SCHEMA sj1 CASCADE; DROP SCHEMA \"index\" CASCADE"));
        QCOMPARE(scalar("SELECT count(*) FROM pg_namespace WHERE nspname IN ('sj1', 'index', 'periodic')"), QByteArray("1"));
        QProcess again;
        again.start(QStringLiteral(VELMORA_PGLOAD), {fixture.folder(), QString::fromUtf8(conninfo)});
        QVERIFY(again.waitForFinished(120000));
        QCOMPARE(again.exitCode(), 1);
        QVERIFY(again.readAllStandardError().contains("periodic"));
        QCOMPARE(scalar("SELECT count(*) FROM pg_namespace WHERE nspname IN ('sj1', 'index', 'periodic')"), QByteArray("1"));
        again.start(QStringLiteral(VELMORA_PGLOAD), {QStringLiteral("--replace"), fixture.folder(), QString::fromUtf8(conninfo)});
        QVERIFY(again.waitForFinished(120000));
        QVERIFY2(again.exitCode() == 0, again.readAllStandardError().constData());
        QCOMPARE(scalar("SELECT count(*) FROM pg_namespace WHERE nspname IN ('sj1', 'index', 'periodic')"), QByteArray("3"));
    }

    // The server's regular expressions agree with JetLike, locale aside.
    for (const Case &c : likeCases()) {
        if (c.text.isEmpty())
            continue;
        const QString pattern = QString::fromUtf8(c.pattern);
        const QByteArray got = scalar("SELECT ($1 ~ $2)::text", c.text.toUtf8(), pg::likeRegex(pattern).toUtf8());
        QVERIFY2(got == (JetLike(pattern).matches(c.text) ? "true" : "false"), c.pattern);
    }

    // The route searches and the ordered listings on both engines.
    const QString sj1 = fixture.file(QStringLiteral("\\data\\sj1.data"));
    const QString index = fixture.file(QStringLiteral("\\data\\index.data"));
    struct Route {
        QString file, schema, key, source;
    };
    const QString cn = QStringLiteral("中文名称"), en = QStringLiteral("英文名称");
    const std::vector<Route> routes = {
        {sj1, "sj1", "编号", queries::name(cn, QStringLiteral("酸"))},
        {sj1, "sj1", "编号", queries::name(cn, QStringLiteral("氯化"))},
        {sj1, "sj1", "编号", queries::name(en, QStringLiteral("ACID"))},
        {sj1, "sj1", "编号", queries::name(en, QStringLiteral("2,2'-bi"))},
        {sj1, "sj1", "编号", queries::name(en, QStringLiteral("(iii)"))},
        {sj1, "sj1", "编号", queries::property(QStringLiteral("密度"), QStringLiteral("1."))},
        {sj1, "sj1", "编号", queries::property(QStringLiteral("熔点"), QStringLiteral("8"))},
        {sj1, "sj1", "编号", queries::property(QStringLiteral("分子式"), QStringLiteral("c"))},
        {sj1, "sj1", "编号", queries::use(QStringLiteral("用途"), QStringLiteral("原料"))},
        {sj1, "sj1", "编号", queries::use(QStringLiteral("用途"), QStringLiteral("原料；剂"))},
        {sj1, "sj1", "编号", queries::elements(QStringLiteral("分子式"), {QStringLiteral("C"), QStringLiteral("Cu")})},
        {sj1, "sj1", "编号", queries::exact(en, QStringLiteral("BENZENE;BENZOL"))},
        {sj1, "sj1", "编号", queries::exact(cn, QStringLiteral("苯"))},
        // Ordered by Chinese text itself: the client-side order is needed.
        {sj1, "sj1", "编号", QStringLiteral("select * from sj where 用途 like '*' order by 中文名称")},
        {sj1, "sj1", "编号", QStringLiteral("select * from sj order by 第二级标题 desc")},
        {sj1, "sj1", "编号", QStringLiteral("sj")},
        {index, "index", "编号", QStringLiteral("select * from index order by 第一级标题")},
        {index, "index", "编号", QStringLiteral("select * from index where 第三级标题 like '*[!a-z]*' order by 第三级标题 desc")},
    };
    int clientSorted = 0;
    for (const Route &r : routes) {
        const JetQuery q = JetQuery::parse(r.source);
        QList<qint64> expected;
        {
            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open_v2(r.file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
            Database::registerFunctions(db);
            ChineseOrder::install(db);
            {
                Statement s(db, q.toSqlite(QStringLiteral("rowid")));
                s.bindAll(q.parameters());
                while (s.step())
                    expected << s.integer(0);
            }
            sqlite3_close(db);
        }
        const pg::Query t = pg::translate(q, r.schema, r.key, QString());
        std::vector<QByteArray> values;
        std::vector<const char *> pointers;
        for (const QString &p : t.parameters)
            values.push_back(p.toUtf8());
        for (const QByteArray &v : values)
            pointers.push_back(v.constData());
        std::unique_ptr<PGresult, decltype(&PQclear)> res(
            PQexecParams(pg.get(), t.sql.toUtf8().constData(), int(pointers.size()), nullptr, pointers.data(),
                         nullptr, nullptr, 0),
            PQclear);
        QVERIFY2(PQresultStatus(res.get()) == PGRES_TUPLES_OK, PQerrorMessage(pg.get()));
        std::vector<pg::OrderedRow> rows;
        QList<qint64> serverOrder;
        for (int i = 0; i < PQntuples(res.get()); ++i) {
            pg::OrderedRow row;
            row.key = QByteArray(PQgetvalue(res.get(), i, 0)).toLongLong();
            row.index = i;
            if (t.clientOrder && !PQgetisnull(res.get(), i, 1)) {
                row.kind = pg::OrderedRow::Text;
                row.text = QByteArray(PQgetvalue(res.get(), i, 1));
            }
            serverOrder << row.key;
            rows.push_back(row);
        }
        if (t.clientOrder)
            pg::sortRows(rows, t.descending);
        QList<qint64> got;
        for (const auto &row : rows)
            got << row.key;
        QVERIFY2(!expected.isEmpty() || r.source.contains(QStringLiteral("[!")), qPrintable(r.source));
        QVERIFY2(got == expected, qPrintable(r.source));
        if (serverOrder != expected) {
            ++clientSorted;
            qInfo("only after the client-side order: %s", qPrintable(r.source));
        }
    }
    // The sort keys are ASCII, so the searches need no client-side order;
    // listings by Chinese text do.
    QVERIFY(clientSorted > 0);
#endif
}

QTEST_GUILESS_MAIN(TestPgDialect)
#include "test_pgdialect.moc"
