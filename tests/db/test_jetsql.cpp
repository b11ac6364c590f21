// The query dialect: every record source shape the program sends, and the
// texts that must fail like a malformed query.
#include "db/DbError.h"
#include "db/JetSql.h"

#include <QTest>

using velmora::db::DbError;
using velmora::db::JetQuery;

class TestJetSql : public QObject {
    Q_OBJECT
private slots:
    void accepted_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("conditions");
        QTest::addColumn<QString>("orderBy");

        QTest::newRow("name search")
            << "select * from sj where 中文名称 like '*甲酸*' order by 中文标记" << "sj" << 1 << "中文标记";
        QTest::newRow("english name search")
            << "select * from sj where 英文名称 like '*acid*' order by 英文标记" << "sj" << 1 << "英文标记";
        QTest::newRow("property search")
            << "select * from sj where 密度 like '1.22*' order by 中文标记" << "sj" << 1 << "中文标记";
        QTest::newRow("use search")
            << "select * from sj where 用途 like '*塑料*' and 用途 like '*填料*' order by 中文标记"
            << "sj" << 2 << "中文标记";
        QTest::newRow("exact fetch") << "Select * from sj where 中文名称 = '甲酸；蚁酸'" << "sj" << 1 << "";
        QTest::newRow("category node")
            << "Select * From sj Where 第一级标题 = 'A' Or 第二级标题 = 'A' Or 第三级标题 = 'A' Or "
               "中文名称 Like 'A' Order by 第一级标题"
            << "sj" << 4 << "第一级标题";
        QTest::newRow("wizard fetch, two spaces") << "Select * from sj  Where 中文名称 = '苯'" << "sj" << 1 << "";
        QTest::newRow("index tree")
            << "select * from index where 第一级标题 like '*' order by 第二级标题" << "index" << 1 << "第二级标题";
        QTest::newRow("heading check")
            << "Select * From index Where 第一级标题 = 'x' or 第二级标题 = 'x' or 第三级标题 = 'x'"
            << "index" << 3 << "";
        QTest::newRow("field with enumeration comma")
            << "select * from sj where 通用名、商品名 like '*DDVP*'" << "sj" << 1 << "";
        QTest::newRow("bare table") << "sj" << "sj" << 0 << "";
        QTest::newRow("bare periodic") << "periodic" << "periodic" << 0 << "";
        QTest::newRow("doubled quote in a value")
            << "select * from sj where 英文名称 like '*2,2''-bipyridine*' order by 英文标记" << "sj" << 1 << "英文标记";
    }
    void accepted()
    {
        QFETCH(QString, sql);
        QFETCH(QString, table);
        QFETCH(int, conditions);
        QFETCH(QString, orderBy);
        const JetQuery q = JetQuery::parse(sql);
        QCOMPARE(q.table, table);
        QCOMPARE(int(q.conditions.size()), conditions);
        QCOMPARE(q.orderBy, orderBy);
    }

    void values()
    {
        const JetQuery q = JetQuery::parse(
            "select * from sj where 英文名称 like '*2,2''-bipyridine*' order by 英文标记");
        QCOMPARE(q.parameters(), QStringList{"*2,2'-bipyridine*"});
        // The value travels as a parameter, never as text of the SQLite query.
        QVERIFY(!q.toSqlite("rowid").contains("bipyridine"));
        QVERIFY(q.toSqlite("rowid").contains("\"index\"") == false);
        QVERIFY(JetQuery::parse("select * from index where 第一级标题 like '*'")
                    .toSqlite("rowid").contains("FROM \"index\""));
    }

    void rejected_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("number");
        QTest::newRow("unclosed quote (a name with a quote)")
            << "select * from sj where 中文名称 like '*it's*' order by 中文标记" << 3075;
        QTest::newRow("invalid pattern") << "select * from sj where 中文名称 like '*[*'" << 93;
        QTest::newRow("column list") << "select 中文名称 from sj" << 3075;
        QTest::newRow("other statement") << "delete from sj" << 3129;
        QTest::newRow("empty") << "" << 3129;
        QTest::newRow("trailing garbage") << "select * from sj where 中文名称 = 'a' 1" << 3075;
        QTest::newRow("semicolon injection") << "select * from sj; drop table sj" << 3075;
        QTest::newRow("comparison operator") << "select * from sj where 熔点 > '8'" << 3075;
    }
    void rejected()
    {
        QFETCH(QString, sql);
        QFETCH(int, number);
        try {
            JetQuery::parse(sql);
            QFAIL("malformed query accepted");
        } catch (const DbError &error) {
            QCOMPARE(error.number(), number);
        }
    }
};

QTEST_GUILESS_MAIN(TestJetSql)
#include "test_jetsql.moc"
