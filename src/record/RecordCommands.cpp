#include "record/RecordCommands.h"

namespace velmora::record {

void RecordCommands::save_Click(app::MainWindow &) {}
void RecordCommands::select_Click(app::MainWindow &) {}
void RecordCommands::copy_Click(app::MainWindow &) {}
void RecordCommands::fornt_Click(app::MainWindow &) {}
void RecordCommands::printer_Click(app::MainWindow &) {}
void RecordCommands::print_Click(app::MainWindow &) {}

} // namespace velmora::record
