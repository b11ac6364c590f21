// Nothing lost or misplaced when chemicals are edited, added and deleted:
// each scenario is checked in the database file afterwards, through a
// connection of its own. Renames onto a taken name, emptied names, pending
// edits of a chemical deleted meanwhile (in this window or another copy of
// the program), writes the engine refuses, 撤销删除, and a writer killed at
// random moments.
#include "WizardTestKit.h"

#include "app/Prompts.h"
#include "db/SortKeys.h"
#include "maintenance/AddForm.h"
#include "maintenance/DataForm.h"
#include "search/HistoryCombo.h"
#include "support/MainWindowHarness.h"

#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QRandomGenerator>
#include <QStatusBar>
#include <memory>
#include <sqlite3.h>

using velmora::maintenance::AddForm;
using velmora::maintenance::DataForm;
using velmora::test::MainWindowHarness;
using namespace velmora::test;
using Button = QMessageBox::StandardButton;

namespace {

const QString FormicAcid = QStringLiteral("甲酸；蚁酸");
const QString AceticAcid = QStringLiteral("乙酸；醋酸；冰醋酸");
const QString EmptyName = QStringLiteral("警告！|化学品的“中文名称”不能为空！已恢复原来的名称。");

// The chemical file read through a connection of its own.
class FileCheck {
public:
    explicit FileCheck(const QString &path)
    {
        // Read and write, as the program opens it: a journal left by a
        // killed writer is rolled back by the first connection that reads.
        sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(m_db, 3000);
    }
    ~FileCheck() { sqlite3_close(m_db); }
    QVariantList column(const QString &sql, const QVariant &arg = {}) const
    {
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK)
            qWarning("%s: %s", qPrintable(sql), sqlite3_errmsg(m_db));
        if (!arg.isNull()) {
            const QByteArray text = arg.toString().toUtf8();
            if (arg.typeId() == QMetaType::LongLong || arg.typeId() == QMetaType::Int)
                sqlite3_bind_int64(s, 1, arg.toLongLong());
            else
                sqlite3_bind_text(s, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
        QVariantList out;
        while (sqlite3_step(s) == SQLITE_ROW) {
            if (sqlite3_column_type(s, 0) == SQLITE_NULL)
                out << QVariant();
            else if (sqlite3_column_type(s, 0) == SQLITE_INTEGER)
                out << QVariant(qint64(sqlite3_column_int64(s, 0)));
            else
                out << QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, 0))));
        }
        sqlite3_finalize(s);
        return out;
    }
    QList<qint64> keys(const QString &name) const
    {
        QList<qint64> out;
        for (const QVariant &v : column(QStringLiteral("SELECT rowid FROM sj WHERE 中文名称 = ?1 ORDER BY rowid"), name))
            out << v.toLongLong();
        return out;
    }
    QString field(qint64 key, const QString &field) const
    {
        const QVariantList v = column(QStringLiteral("SELECT \"%1\" FROM sj WHERE rowid = ?1").arg(field), key);
        return v.isEmpty() ? QStringLiteral("<gone>") : v.first().toString();
    }
    int count(const QString &sql) const { return column(sql).value(0).toInt(); }
    QString integrity() const { return column(QStringLiteral("PRAGMA integrity_check")).value(0).toString(); }

private:
    sqlite3 *m_db = nullptr;
};

FileCheck sjFile(MainWindowHarness &h) { return FileCheck(h.fixture().file(QStringLiteral("\\data\\sj1.data"))); }

// Answers the next message boxes in turn (then OK), recording them all.
void answer(MainWindowHarness &h, QList<Button> answers)
{
    auto queue = std::make_shared<QList<Button>>(std::move(answers));
    velmora::app::Prompts::Script script;
    script.message = [&h, queue](const velmora::app::Prompts::Message &m) {
        h.messages << m.title + QLatin1Char('|') + m.text;
        return queue->isEmpty() ? QMessageBox::Ok : queue->takeFirst();
    };
    velmora::app::Prompts::setScript(script);
}

DataForm &openEditor(MainWindowHarness &h)
{
    clickMainButton(h.w(), 16);
    if (!DataForm::instance())
        qFatal("the edit wizard did not open");
    return *DataForm::instance();
}

AddForm &openAdder(MainWindowHarness &h)
{
    clickMainButton(h.w(), 17);
    if (!AddForm::instance())
        qFatal("the add wizard did not open");
    return *AddForm::instance();
}

// Adds a chemical with the add wizard and closes it; returns its key.
qint64 addChemical(MainWindowHarness &h, const QString &name, const QString &english = {})
{
    AddForm &f = openAdder(h);
    typeInto(f.Text2, name);
    stepOn(f);
    const qint64 key = f.addedRow();
    if (!english.isEmpty()) {
        typeInto(f.Text1, english);
        stepOn(f);
    }
    clickButton(f, 14);
    flushDeletes();
    return key;
}

// Ways of making the engine refuse a write that root meets as well.
enum class Obstacle { QueryOnly, Full, Lock, Authorizer };

int denyWrites(void *, int action, const char *, const char *, const char *, const char *)
{
    return (action == SQLITE_INSERT || action == SQLITE_UPDATE || action == SQLITE_DELETE) ? SQLITE_DENY
                                                                                           : SQLITE_OK;
}

// Puts the obstacle on a connection of the program; the returned function
// takes it away again.
std::function<void()> obstruct(Obstacle o, sqlite3 *db, const QString &path)
{
    switch (o) {
    case Obstacle::QueryOnly:
        sqlite3_exec(db, "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
        return [db] { sqlite3_exec(db, "PRAGMA query_only = 0", nullptr, nullptr, nullptr); };
    case Obstacle::Full:
        // The file may not grow by a single page.
        sqlite3_exec(db, "PRAGMA max_page_count = 1", nullptr, nullptr, nullptr);
        return [db] { sqlite3_exec(db, "PRAGMA max_page_count = 1073741823", nullptr, nullptr, nullptr); };
    case Obstacle::Lock: {
        // Another program holds the file for writing.
        sqlite3 *other = nullptr;
        sqlite3_open_v2(path.toUtf8().constData(), &other, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        return [other] {
            sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(other);
        };
    }
    case Obstacle::Authorizer:
        sqlite3_set_authorizer(db, denyWrites, nullptr);
        return [db] { sqlite3_set_authorizer(db, nullptr, nullptr); };
    }
    return [] {};
}

// A text long enough to need new pages in the file, pasted into the editor.
void pasteLongText(velmora::maintenance::WizardForm &f, const QString &text)
{
    QApplication::clipboard()->setText(text);
    clickOn(f.Text1->viewport());
    QTest::keyClick(windowOf(f.Text1), Qt::Key_A, Qt::ControlModifier);
    clickButton(f, 3);
}

} // namespace

Q_DECLARE_METATYPE(Obstacle)

class TestWriteSafety : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        delete DataForm::instance();
        delete AddForm::instance();
        flushDeletes();
    }

    // Fault 1 and 6: renaming onto a taken name keeps the edits on the row
    // that was opened, warns, and refills the sort key.
    void renameOntoATakenNameKeepsToItsRow()
    {
        MainWindowHarness h(AceticAcid);
        FileCheck file = sjFile(h);
        const qint64 formic = file.keys(FormicAcid).value(0);
        const qint64 acetic = file.keys(AceticAcid).value(0);
        DataForm &f = openEditor(h);
        QCOMPARE(f.editedRow(), acetic);
        retype(f.Text2, FormicAcid);
        stepOn(f);
        QCOMPARE(h.messages.size(), 1);
        QVERIFY(h.messages.first().contains("已有别的化学品使用这个中文名称"));
        QCOMPARE(f.Label1->text(), QString("英文名称"));
        QCOMPARE(f.Text1->text(), file.field(acetic, "英文名称")); // its own English name
        retype(f.Text1, QStringLiteral("renamed acid"));
        stepOn(f);
        stepOn(f);
        QCOMPARE(file.field(acetic, "中文名称"), FormicAcid);
        QCOMPARE(file.field(acetic, "英文名称"), QString("renamed acid"));
        QCOMPARE(file.field(acetic, "中文标记"), velmora::db::chineseSortKey(FormicAcid));
        QCOMPARE(file.field(acetic, "英文标记"), QString("renamed acid"));
        QCOMPARE(file.field(formic, "英文名称"), QString("formic acid;methanoic acid"));
        QCOMPARE(file.keys(FormicAcid), (QList<qint64>{formic, acetic}));
        // 保存 stays on it as well.
        clickButton(f, 8);
        QCOMPARE(f.Text2->text(), FormicAcid);
        QCOMPARE(f.Data1->currentKey(), acetic);
    }

    // Fault 6: a sort key the person typed stays when the name changes again.
    void aTypedSortKeyStays()
    {
        MainWindowHarness h(QStringLiteral("苯"));
        FileCheck file = sjFile(h);
        DataForm &f = openEditor(h);
        const qint64 key = f.editedRow();
        clickItem(f, QStringLiteral("中文标记"));
        retype(f.Text1, QStringLiteral("aaa"));
        clickItem(f, QStringLiteral("中文名称"));
        retype(f.Text2, QStringLiteral("苯二号"));
        stepOn(f);
        QCOMPARE(file.field(key, "中文名称"), QString("苯二号"));
        QCOMPARE(file.field(key, "中文标记"), QString("aaa"));
    }

    // Fault 2: an emptied name is refused whatever command would store it.
    void anEmptyNameIsRefused_data()
    {
        QTest::addColumn<bool>("adder");
        QTest::addColumn<int>("command"); // toolbar button, or 0 for the caption
        QTest::newRow("edit wizard, step") << false << 6;
        QTest::newRow("edit wizard, 保存") << false << 8;
        QTest::newRow("edit wizard, 退出") << false << 12;
        QTest::newRow("edit wizard, caption") << false << 0;
        QTest::newRow("add wizard, step") << true << 6;
        QTest::newRow("add wizard, 添加") << true << 9;
        QTest::newRow("add wizard, 退出") << true << 14;
        QTest::newRow("add wizard, caption") << true << 0;
    }
    void anEmptyNameIsRefused()
    {
        QFETCH(bool, adder);
        QFETCH(int, command);
        MainWindowHarness h;
        FileCheck file = sjFile(h);
        velmora::maintenance::WizardForm *f = nullptr;
        QString name = FormicAcid;
        if (adder) {
            AddForm &a = openAdder(h);
            name = QStringLiteral("测试空名");
            typeInto(a.Text2, name);
            stepOn(a);
            clickItem(a, QStringLiteral("中文名称"));
            f = &a;
        } else {
            f = &openEditor(h);
        }
        const qint64 key = file.keys(name).value(0);
        QVERIFY(key > 0);
        retype(f->Text2, QString());
        if (command)
            clickButton(*f, command);
        else
            closeByCaption(f);
        flushDeletes();
        QVERIFY(adder ? AddForm::instance() != nullptr : DataForm::instance() != nullptr);
        QCOMPARE(h.messages.last(), EmptyName);
        QCOMPARE(f->Text2->text(), name);
        QCOMPARE(f->selectedItem(), 1);
        QVERIFY(f->Text2->isVisibleTo(f));
        QCOMPARE(file.field(key, "中文名称"), name);
        // The restored name is stored as it was: nothing pending.
        closeByCaption(f);
        flushDeletes();
        QCOMPARE(file.field(key, "中文名称"), name);
    }

    // Fault 3: a pending edit of a chemical deleted meanwhile never lands in
    // the chemical added next, which gets a key of its own.
    void aPendingEditOfADeletedChemicalGoesNowhere()
    {
        MainWindowHarness h;
        FileCheck file = sjFile(h);
        const qint64 first = addChemical(h, QStringLiteral("测试甲"));
        h.search(QStringLiteral("测试甲"));
        DataForm &f = openEditor(h);
        QCOMPARE(f.editedRow(), first);
        stepOn(f);
        typeInto(f.Text1, QStringLiteral("stale text"));
        QVERIFY(h.chooseMenuEntry(QStringLiteral("del"))); // the wizard is not modal
        QCOMPARE(file.field(first, "中文名称"), QString("<gone>"));
        const qint64 second = addChemical(h, QStringLiteral("测试乙"));
        QVERIFY(second > first);

        answer(h, {QMessageBox::Cancel});
        const int before = h.messages.size();
        stepOn(f);
        QCOMPARE(h.messages.size(), before + 1);
        QVERIFY(h.messages.last().contains("这个化学品已被删除"));
        QCOMPARE(file.field(second, "英文名称"), QString());
        // The edits stay in the editor, on their item.
        QCOMPARE(f.Text1->text(), QString("stale text"));
        QCOMPARE(f.selectedItem(), 2);
        QCOMPARE(f.Label1->text(), QString("英文名称"));
        // Discarded: nothing to edit any more, and still nothing written.
        answer(h, {QMessageBox::Discard});
        stepOn(f);
        QVERIFY(f.Text1->isReadOnly());
        QCOMPARE(file.field(second, "英文名称"), QString());
        QCOMPARE(file.count("SELECT count(*) FROM sj WHERE 英文名称 = 'stale text'"), 0);
    }

    // Fault 3 across two running copies: another data source on the same
    // file deletes the chemical and adds one, or changes the field.
    void twoCopiesOnOneFile_data()
    {
        QTest::addColumn<QString>("other"); // what the other copy does
        QTest::newRow("deletes it and adds another") << "replace";
        QTest::newRow("changes the same field") << "same field";
        QTest::newRow("changes another field") << "other field";
    }
    void twoCopiesOnOneFile()
    {
        QFETCH(QString, other);
        MainWindowHarness h(QStringLiteral("苯"));
        FileCheck file = sjFile(h);
        DataForm &f = openEditor(h);
        const qint64 key = f.editedRow();
        stepOn(f);
        typeInto(f.Text1, QStringLiteral(";mine"));
        const QString mine = f.Text1->text();

        velmora::db::DataSource copy;
        copy.setConnect(QStringLiteral(";pwd=5817402"));
        copy.setDatabaseName(h.fixture().file(QStringLiteral("\\data\\sj1.data")));
        copy.setRecordSource(byName(QStringLiteral("苯")));
        copy.refresh();
        velmora::maintenance::BoundTextBox box;
        qint64 added = 0;
        if (other == "replace") {
            copy.deleteCurrent();
            copy.setRecordSource(QStringLiteral("sj"));
            copy.refresh();
            box.setDataField(QStringLiteral("中文名称"));
            copy.bind(&box);
            copy.addNew();
            box.setText(QStringLiteral("新来的"));
            copy.updateRecord();
            added = copy.currentKey();
            QVERIFY(added > key);
        } else {
            box.setDataField(other == "same field" ? QStringLiteral("英文名称") : QStringLiteral("密度"));
            copy.bind(&box);
            box.setText(QStringLiteral("theirs"));
            copy.updateRecord();
        }

        answer(h, {QMessageBox::Cancel});
        stepOn(f);
        if (other == "other field") {
            QVERIFY(h.messages.isEmpty());
            QCOMPARE(file.field(key, "英文名称"), mine);
            QCOMPARE(file.field(key, "密度"), QString("theirs"));
            return;
        }
        QCOMPARE(h.messages.size(), 1);
        QCOMPARE(f.Text1->text(), mine);
        QCOMPARE(f.selectedItem(), 2);
        if (other == "replace") {
            QVERIFY(h.messages.first().contains("已被删除"));
            QCOMPARE(file.field(added, "英文名称"), QString());
            QCOMPARE(file.field(key, "英文名称"), QString("<gone>"));
            return;
        }
        QVERIFY(h.messages.first().contains("“英文名称”在你修改期间已被另一个窗口或程序改动"));
        QCOMPARE(file.field(key, "英文名称"), QString("theirs"));
        // Retry writes the person's text over the other change.
        answer(h, {QMessageBox::Retry});
        stepOn(f);
        QCOMPARE(h.messages.size(), 2);
        QCOMPARE(file.field(key, "英文名称"), mine);
        QCOMPARE(f.selectedItem(), 3);
    }

    // Fault 4: writes the engine refuses are reported with their reason; the
    // wizard keeps the edits on their item and stays open until they are
    // stored or discarded.
    void aFailedWriteIsReportedAndKept_data()
    {
        QTest::addColumn<Obstacle>("obstacle");
        QTest::addColumn<QString>("reason");
        QTest::newRow("read-only") << Obstacle::QueryOnly << "数据文件是只读的";
        QTest::newRow("disk full") << Obstacle::Full << "磁盘已满";
        QTest::newRow("locked") << Obstacle::Lock << "数据文件正被另一个程序占用（已锁定）";
        QTest::newRow("refused") << Obstacle::Authorizer << "数据库拒绝了这次写入";
    }
    void aFailedWriteIsReportedAndKept()
    {
        QFETCH(Obstacle, obstacle);
        QFETCH(QString, reason);
        MainWindowHarness h;
        FileCheck file = sjFile(h);
        DataForm &f = openEditor(h);
        const qint64 key = f.editedRow();
        const QString before = file.field(key, "用途");
        clickItem(f, QStringLiteral("用途"));
        const QString text = QString(6000, QChar(0x7528)); // a text that needs new pages
        pasteLongText(f, text);
        auto clear = obstruct(obstacle, f.Data1->connection()->handle(), h.fixture().file("\\data\\sj1.data"));

        answer(h, {QMessageBox::Cancel});
        stepOn(f);
        QCOMPARE(h.messages.size(), 1);
        QVERIFY2(h.messages.first().startsWith("警告！|修改没有保存：" + reason), qPrintable(h.messages.first()));
        QCOMPARE(f.Text1->text(), text);
        QCOMPARE(f.itemText(f.selectedItem()), QString("用途"));
        QCOMPARE(f.Label1->text(), QString("用途"));
        QCOMPARE(file.field(key, "用途"), before);

        if (obstacle == Obstacle::QueryOnly) {
            // A click on another item: the list goes back to the edits' item.
            answer(h, {QMessageBox::Cancel, QMessageBox::Cancel, QMessageBox::Cancel, QMessageBox::Cancel});
            clickItem(f, QStringLiteral("密度"));
            QCOMPARE(f.itemText(f.selectedItem()), QString("用途"));
            QCOMPARE(f.Label1->text(), QString("用途"));
            // 退出 and the caption keep the window open when cancelled.
            clickButton(f, 12);
            closeByCaption(&f);
            flushDeletes();
            QCOMPARE(DataForm::instance(), &f);
            QCOMPARE(h.messages.size(), 4);
            // Nor does closing the main window end the run with them.
            QVERIFY(!h.w().close());
            QCOMPARE(DataForm::instance(), &f);
            QCOMPARE(h.messages.size(), 5);
            QCOMPARE(f.Text1->text(), text);
        }
        // The person takes the obstacle away while the message is up; 重试
        // stores the text and the step goes on.
        velmora::app::Prompts::Script script;
        script.message = [&](const velmora::app::Prompts::Message &m) {
            h.messages << m.title + QLatin1Char('|') + m.text;
            clear();
            return QMessageBox::Retry;
        };
        velmora::app::Prompts::setScript(script);
        const int shown = h.messages.size();
        stepOn(f);
        QCOMPARE(h.messages.size(), shown + 1);
        QCOMPARE(file.field(key, "用途"), text);
        QCOMPARE(f.Label1->text(), f.itemText(f.selectedItem()));
        QVERIFY(f.Label1->text() != QString("用途"));
        QCOMPARE(file.integrity(), QString("ok"));
    }

    // 放弃 drops the edits and the window closes; a new chemical that could
    // not be stored stays pending and is stored once when the file allows it.
    void discardingAndANewChemicalThatFailed()
    {
        MainWindowHarness h;
        FileCheck file = sjFile(h);
        const int chemicals = file.count("SELECT count(*) FROM sj");
        AddForm &f = openAdder(h);
        typeInto(f.Text2, QStringLiteral("测试失败"));
        auto clear = obstruct(Obstacle::QueryOnly, f.Data1->connection()->handle(), {});
        answer(h, {QMessageBox::Retry, QMessageBox::Cancel});
        stepOn(f);
        QCOMPARE(h.messages.size(), 2);
        QVERIFY(f.Data1->isNewRecord());
        QCOMPARE(f.Text2->text(), QString("测试失败"));
        QCOMPARE(f.selectedItem(), 1);
        clear();
        stepOn(f);
        QCOMPARE(file.keys(QStringLiteral("测试失败")).size(), 1);
        QCOMPARE(file.count("SELECT count(*) FROM sj"), chemicals + 1);

        typeInto(f.Text1, QStringLiteral("lost on purpose"));
        clear = obstruct(Obstacle::Authorizer, f.Data1->connection()->handle(), {});
        answer(h, {QMessageBox::Discard});
        clickButton(f, 14);
        flushDeletes();
        QVERIFY(!AddForm::instance());
        clear();
        QCOMPARE(file.count("SELECT count(*) FROM sj WHERE 英文名称 = 'lost on purpose'"), 0);
        QCOMPARE(file.count("SELECT count(*) FROM sj"), chemicals + 1);
    }

    // A new heading row and the chemical's heading are stored together or
    // not at all (the index file is attached to the same transaction).
    void aNewHeadingAndTheChemicalsFieldGoTogether()
    {
        MainWindowHarness h;
        FileCheck file = sjFile(h);
        const QStringList index = indexRows();
        DataForm &f = openEditor(h);
        const qint64 key = f.editedRow();
        clickItem(f, QStringLiteral("第二级标题"));
        auto clear = obstruct(Obstacle::Authorizer, f.Data1->connection()->handle(), {});
        answer(h, {QMessageBox::Cancel});
        typeHeading(f, QStringLiteral("新的二级"));
        QCOMPARE(h.messages.size(), 1);
        QCOMPARE(indexRows(), index);
        QCOMPARE(file.field(key, "第二级标题"), QString("羧酸"));
        clear();
        answer(h, {});
        typeHeading(f, QStringLiteral("新的二级"));
        QCOMPARE(indexRows(), index + QStringList{"有机化学品|新的二级|"});
        QCOMPARE(file.field(key, "第二级标题"), QString("新的二级"));
    }

    // 删除纪录 reports a failure; 撤销删除 puts the chemical back whole.
    void deleteAndUndelete()
    {
        MainWindowHarness h(QStringLiteral("苯"));
        FileCheck file = sjFile(h);
        const qint64 key = file.keys(QStringLiteral("苯")).value(0);
        const QString picture = file.column("SELECT hex(图) FROM sj WHERE rowid = ?1", key).value(0).toString();
        QVERIFY(!picture.isEmpty());
        QAction *undel = h.w().menuEntry(QStringLiteral("undel"));
        QCOMPARE(undel->text(), QString("撤销删除"));
        QVERIFY(!undel->isEnabled());

        auto clear = obstruct(Obstacle::QueryOnly, h.w().Data1->connection()->handle(), {});
        answer(h, {QMessageBox::Cancel});
        QVERIFY(h.chooseMenuEntry(QStringLiteral("del")));
        QCOMPARE(h.messages, QStringList{"警告！|删除没有完成：数据文件是只读的，不能写入（请检查数据文件和它所在文件夹的写入权限）。"});
        QCOMPARE(file.field(key, "中文名称"), QString("苯"));
        QVERIFY(!undel->isEnabled());
        clear();

        QVERIFY(h.chooseMenuEntry(QStringLiteral("del")));
        QCOMPARE(file.field(key, "中文名称"), QString("<gone>"));
        QVERIFY(undel->isEnabled());
        // A chemical added now never takes the deleted one's key.
        const qint64 added = addChemical(h, QStringLiteral("测试丁"));
        QVERIFY(added > key);

        QVERIFY(h.chooseMenuEntry(QStringLiteral("undel")));
        QVERIFY(!undel->isEnabled());
        QCOMPARE(file.keys(QStringLiteral("苯")), QList<qint64>{key});
        QCOMPARE(file.column("SELECT hex(图) FROM sj WHERE rowid = ?1", key).value(0).toString(), picture);
        QCOMPARE(file.field(key, "第一级标题"), QString("有机化学品"));
        QCOMPARE(file.field(key, "英文名称"), QString("benzene;benzol"));
        QCOMPARE(h.selectedEntry(), QString("苯"));
        QVERIFY(h.recordText().contains("benzene"));
        QCOMPARE(file.count("SELECT count(*) FROM velmora_deleted_sj"), 0);
    }

    // The sequence once seen to blank a chemical's English name: add, 保存,
    // 添加, a duplicate name, 删除 twice, 退出, then 删除纪录.
    void addSaveAddDuplicateDeleteTwiceExitDelete()
    {
        MainWindowHarness h;
        FileCheck file = sjFile(h);
        AddForm &f = openAdder(h);
        typeInto(f.Text2, QStringLiteral("测试戊"));
        stepOn(f);
        const qint64 first = f.addedRow();
        typeInto(f.Text1, QStringLiteral("test e"));
        clickButton(f, 8);  // 保存
        clickButton(f, 9);  // 添加
        typeInto(f.Text2, QStringLiteral("测试戊"));
        stepOn(f);
        QVERIFY(h.messages.last().contains("你添加的纪录已经存在"));
        clickButton(f, 10); // 删除
        clickButton(f, 10);
        clickButton(f, 14); // 退出
        flushDeletes();
        QCOMPARE(file.keys(QStringLiteral("测试戊")), QList<qint64>{first});
        QCOMPARE(file.field(first, "英文名称"), QString("test e"));
        QCOMPARE(h.selectedEntry(), QString("测试戊"));
        QVERIFY(h.chooseMenuEntry(QStringLiteral("del")));
        QVERIFY(file.keys(QStringLiteral("测试戊")).isEmpty());
        // Both deletions can be taken back, the last first.
        QVERIFY(h.chooseMenuEntry(QStringLiteral("undel")));
        QCOMPARE(file.field(first, "英文名称"), QString("test e"));
        QCOMPARE(file.keys(QStringLiteral("测试戊")), QList<qint64>{first});
    }

    // A writer killed at random moments leaves a sound file holding every
    // chemical it had confirmed.
    void aKilledWriterLosesNothingConfirmed()
    {
        Fixture fixture;
        const QString path = fixture.file(QStringLiteral("\\data\\sj1.data"));
        QStringList confirmed;
        QRandomGenerator random(20261207);
        for (int round = 0; round < 6; ++round) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--writer"), fixture.folder(), QString::number(round)});
            QVERIFY(child.waitForStarted());
            // Some chemicals confirmed (however slow the machine), then a
            // random moment in the middle of the writing.
            QByteArray out;
            const int wanted = int(random.bounded(1, 4));
            QTRY_VERIFY_WITH_TIMEOUT((out += child.readAllStandardOutput()).count("\nok ") >= wanted, 60000);
            QTest::qWait(int(random.bounded(0, 120)));
            child.kill();
            QVERIFY(child.waitForFinished(5000));
            out += child.readAllStandardOutput();
            for (const QByteArray &line : out.split('\n'))
                if (line.startsWith("ok "))
                    confirmed << QString::fromUtf8(line.mid(3));
            FileCheck file(path);
            QCOMPARE(file.integrity(), QString("ok"));
            for (const QString &name : std::as_const(confirmed)) {
                const QList<qint64> keys = file.keys(name);
                QVERIFY2(keys.size() == 1, qPrintable(name));
                QCOMPARE(file.field(keys.first(), "英文名称"), QStringLiteral("english of ") + name);
            }
        }
        qInfo("%d chemicals confirmed before the kills", int(confirmed.size()));
        QVERIFY(confirmed.size() >= 3);
    }
};

// The child of the crash test: enters chemicals through the add wizard on
// the given folder until it is killed, printing each one stored.
static int writer(int argc, char **argv)
{
    QApplication app(argc, argv);
    velmora::db::AppFolder::setPath(QString::fromLocal8Bit(argv[2]));
    velmora::app::Prompts::Script script;
    script.message = [](const velmora::app::Prompts::Message &) { return QMessageBox::Ok; };
    velmora::app::Prompts::setScript(script);
    velmora::app::MainWindow main;
    main.Form_Load();
    AddForm *f = AddForm::open(main);
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (int i = 0;; ++i) {
        const QString name = QStringLiteral("崩溃测试%1号%2").arg(QString::fromLocal8Bit(argv[3])).arg(i);
        f->Text2->setText(name);
        f->up_click();
        f->Text1->setText(QStringLiteral("english of ") + name);
        f->up_click();
        f->Toolbar1_ButtonClick(9); // 添加
        if (f->Data1->isNewRecord() && f->addedRow() == 0) {
            std::fputs(("ok " + name.toUtf8() + "\n").constData(), stdout);
            std::fflush(stdout);
        }
    }
}

int main(int argc, char **argv)
{
    if (argc >= 4 && QByteArray(argv[1]) == "--writer")
        return writer(argc, argv);
    QApplication app(argc, argv);
    TestWriteSafety test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_writesafety.moc"
