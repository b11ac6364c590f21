#include "maintenance/MaintenanceCommands.h"

namespace velmora::maintenance {

void MaintenanceCommands::modit_Click(app::MainWindow &) {}
void MaintenanceCommands::add_Click(app::MainWindow &) {}
void MaintenanceCommands::del_Click(app::MainWindow &) {}

} // namespace velmora::maintenance
