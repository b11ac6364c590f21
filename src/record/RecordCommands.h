#pragma once

namespace velmora::app {
class MainWindow;
}

namespace velmora::record {

// The commands that act on the record pane as a whole: save as RTF, select
// all, copy, the font, the printer and printing.
class RecordCommands {
public:
    static void save_Click(app::MainWindow &main);
    static void select_Click(app::MainWindow &main);
    static void copy_Click(app::MainWindow &main);
    static void fornt_Click(app::MainWindow &main);
    static void printer_Click(app::MainWindow &main);
    static void print_Click(app::MainWindow &main);
};

} // namespace velmora::record
