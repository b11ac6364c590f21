#include "maintenance/MaintenanceCommands.h"

#include "app/MainWindow.h"
#include "db/DataSource.h"
#include "db/DbError.h"
#include "maintenance/AddForm.h"
#include "maintenance/DataForm.h"

namespace velmora::maintenance {

void MaintenanceCommands::modit_Click(app::MainWindow &main) { DataForm::open(main); }

void MaintenanceCommands::add_Click(app::MainWindow &main) { AddForm::open(main); }

void MaintenanceCommands::del_Click(app::MainWindow &main)
{
    // No question is asked. Deleting makes the next row current, which is
    // all the main window's bound controls need.
    try {
        main.Data1->deleteCurrent();
    } catch (const db::DbError &) {
        return; // no chemical on view
    }
    main.search_Click();
}

} // namespace velmora::maintenance
