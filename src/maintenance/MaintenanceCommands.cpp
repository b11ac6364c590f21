#include "maintenance/MaintenanceCommands.h"

#include "app/MainWindow.h"
#include "app/Prompts.h"
#include "db/DataSource.h"
#include "db/DbError.h"
#include "maintenance/AddForm.h"
#include "maintenance/DataForm.h"
#include "search/HistoryCombo.h"

#include <QAction>
#include <QVariant>

namespace velmora::maintenance {

namespace {

// The kept copies of this run's deletions, newest last, kept on the window.
const char *const Deletions = "velmoraDeletions";

QVariantList deletions(const app::MainWindow &main) { return main.property(Deletions).toList(); }

void setDeletions(app::MainWindow &main, const QVariantList &list)
{
    main.setProperty(Deletions, list);
    if (QAction *undel = main.menuEntry(QStringLiteral("undel")))
        undel->setEnabled(!list.isEmpty());
}

// Reports a failed write of the main window; true when the person asks to
// try again.
bool retry(app::MainWindow &main, const QString &what, const db::WriteFailure &failure)
{
    const bool hopeless = failure.reason() == db::WriteFailure::Reason::RowGone;
    const auto answer = app::Prompts::message(
        &main, {QMessageBox::Critical, QStringLiteral("警告！"), what + failure.explanation() + QStringLiteral("。"),
                hopeless ? QMessageBox::StandardButtons(QMessageBox::Ok)
                         : QMessageBox::StandardButtons(QMessageBox::Retry | QMessageBox::Cancel)});
    return !hopeless && answer == QMessageBox::Retry;
}

} // namespace

void MaintenanceCommands::modit_Click(app::MainWindow &main) { DataForm::open(main); }

void MaintenanceCommands::add_Click(app::MainWindow &main) { AddForm::open(main); }

void MaintenanceCommands::del_Click(app::MainWindow &main)
{
    // No question is asked: the copy kept for 撤销删除 makes it recoverable.
    // Deleting makes the next row current, which is all the main window's
    // bound controls need.
    for (;;) {
        try {
            noteDeletion(main, main.Data1->deleteCurrent());
            break;
        } catch (const db::WriteFailure &failure) {
            if (retry(main, QStringLiteral("删除没有完成："), failure))
                continue;
            if (failure.reason() != db::WriteFailure::Reason::RowGone)
                return;
            break; // deleted elsewhere: the list is rebuilt without it
        } catch (const db::DbError &) {
            return; // no chemical on view
        }
    }
    main.search_Click();
}

void MaintenanceCommands::undel_Click(app::MainWindow &main)
{
    QVariantList list = deletions(main);
    if (list.isEmpty())
        return;
    const qint64 copy = list.last().toLongLong();
    qint64 key = 0;
    for (;;) {
        try {
            key = main.Data1->restore(QStringLiteral("sj"), copy);
            break;
        } catch (const db::WriteFailure &failure) {
            if (retry(main, QStringLiteral("撤销删除没有完成："), failure))
                continue;
            if (failure.reason() == db::WriteFailure::Reason::RowGone)
                setDeletions(main, list.mid(0, list.size() - 1)); // nothing left to restore
            return;
        } catch (const db::DbError &) {
            return;
        }
    }
    list.removeLast();
    setDeletions(main, list);

    // Show the chemical again by its Chinese name.
    try {
        db::Statement name(main.Data1->connection()->handle(),
                           QStringLiteral("SELECT \"中文名称\" FROM sj WHERE rowid = ?1"));
        name.bind(1, key);
        if (!name.step())
            return;
        main.setRoute(QStringLiteral("中文名称"));
        main.Combo2->setText(name.text(0));
        main.search_Click();
    } catch (const db::DbError &) {
    }
}

void MaintenanceCommands::noteDeletion(app::MainWindow &main, qint64 copy)
{
    if (copy <= 0)
        return;
    QVariantList list = deletions(main);
    list << copy;
    setDeletions(main, list);
}

} // namespace velmora::maintenance
