// The result list on a large result: 20,000 chemicals found at once are all
// listed, in the engine's order, the first one shown; the list's keys reach
// the last entry, which is then shown and in view; an English search lists
// and selects as on a small result.
#include "db/ChineseOrder.h"
#include "support/MainWindowHarness.h"
#include "support/SqlFile.h"
#include "support/WindowInput.h"

#include <QLabel>
#include <QTest>
#include <sqlite3.h>

using velmora::test::MainWindowHarness;
namespace input = velmora::test::input;

namespace {

constexpr int Added = 20000;

// Adds chemicals 测物1 … 测物20000 with English names sample 1 …; their sort
// keys run against their numbers, and every thousandth key begins with a
// Greek letter, which sorts after every ASCII key.
void addChemicals(const QString &file)
{
    velmora::test::exec(file, QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "INSERT INTO sj (中文名称, 英文名称, 分子式, 中文标记, 英文标记) "
        "SELECT '测物' || i, 'sample ' || i, 'C' || i, "
        "CASE WHEN i % 1000 = 0 THEN 'γ' || printf('%05d', i) ELSE printf('k%05d', %1 - i) END, "
        "printf('sample %05d', i) FROM n").arg(Added));
}

// The names the engine lists for the condition, in its order.
QStringList engineNames(const QString &file, const QString &field, const QString &pattern, const QString &order)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    velmora::db::ChineseOrder::install(db);
    const QByteArray sql = QStringLiteral("SELECT \"%1\" FROM sj WHERE \"%1\" LIKE ?1 ORDER BY \"%2\" COLLATE %3, rowid")
                               .arg(field, order, QLatin1String(velmora::db::ChineseOrder::Name))
                               .toUtf8();
    sqlite3_stmt *s = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), -1, &s, nullptr);
    const QByteArray like = pattern.toUtf8();
    sqlite3_bind_text(s, 1, like.constData(), int(like.size()), SQLITE_TRANSIENT);
    QStringList out;
    while (sqlite3_step(s) == SQLITE_ROW)
        out << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, 0)));
    sqlite3_finalize(s);
    sqlite3_close(db);
    return out;
}

} // namespace

class TestBigList : public QObject {
    Q_OBJECT
private slots:
    void aLargeResultIsListedWhole()
    {
        MainWindowHarness h;
        const QString file = h.fixture().file(QStringLiteral("\\data\\sj1.data"));
        addChemicals(file);
        h.search(QStringLiteral("测物"));
        auto &w = h.w();

        QCOMPARE(w.List1->count(), Added);
        QCOMPARE(w.Label3->text(), QString("找到 %1 个相关的化学品").arg(Added));
        QCOMPARE(w.List1->text(0), QString("测物19999"));      // key k00001
        QCOMPARE(w.List1->text(Added - 21), QString("测物1"));  // the last ASCII key
        QCOMPARE(w.List1->text(Added - 1), QString("测物20000")); // γ20000
        QCOMPARE(h.listEntries(), engineNames(file, QStringLiteral("中文名称"), QStringLiteral("%测物%"),
                                              QStringLiteral("中文标记")));
        QCOMPARE(h.selectedEntry(), QString("测物19999"));
        QVERIFY(h.recordText().contains("【中文名称】测物19999\n"));

        // To the end of the list with its key: the last entry is shown and in view.
        input::click(w.List1, w.List1->visualRowRect(w.List1->currentRow()).center());
        QTRY_VERIFY(w.List1->hasFocus());
        h.press(Qt::Key_End);
        QTRY_COMPARE(h.selectedEntry(), QString("测物20000"));
        QTRY_VERIFY(h.recordText().contains("【中文名称】测物20000\n"));
        const QRect last = w.List1->visualRowRect(Added - 1);
        QVERIFY(last.top() >= 0 && last.bottom() <= w.List1->viewport()->height());
        QCOMPARE(h.resultFile(), QString("测物20000"));

        // A whole name far down the list is the entry selected.
        h.search(QStringLiteral("测物7"));
        QCOMPARE(w.List1->count(), 1111); // 7, 70-79, 700-799, 7000-7999
        QCOMPARE(h.selectedEntry(), QString("测物7"));
        QCOMPARE(w.List1->currentRow(), w.List1->count() - 2); // 测物7000 (γ) is last
    }

    void englishNamesOfALargeResult()
    {
        MainWindowHarness h;
        const QString file = h.fixture().file(QStringLiteral("\\data\\sj1.data"));
        addChemicals(file);
        h.search(QStringLiteral("SAMPLE 12345"), QStringLiteral("英文名称"));
        auto &w = h.w();
        QCOMPARE(w.List1->count(), 1);
        h.search(QStringLiteral("Sample 1"), QStringLiteral("英文名称"));
        QCOMPARE(h.listEntries(), engineNames(file, QStringLiteral("英文名称"), QStringLiteral("%sample 1%"),
                                              QStringLiteral("英文标记")));
        QCOMPARE(w.List1->count(), 11111); // 1, 10-19, 100-199, 1000-1999, 10000-19999
        // Matched whole whatever its letter case.
        QCOMPARE(h.selectedEntry(), QString("sample 1"));
        QCOMPARE(w.List1->text(w.List1->count() - 1), QString("sample 19999"));
    }
};

QTEST_MAIN(TestBigList)
#include "test_biglist.moc"
