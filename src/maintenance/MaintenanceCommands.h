#pragma once

#include <QtGlobal>

namespace velmora::app {
class MainWindow;
}

namespace velmora::maintenance {

// The main window's record maintenance commands.
class MaintenanceCommands {
public:
    // "修改纪录" and toolbar button 16: the edit wizard `datafrm`.
    static void modit_Click(app::MainWindow &main);
    // "添加纪录" and toolbar button 17: the add wizard `addfrm`.
    static void add_Click(app::MainWindow &main);
    // "删除纪录": deletes the chemical on view, keeping a copy for 撤销删除.
    static void del_Click(app::MainWindow &main);
    // "撤销删除": puts back the chemical deleted last in this run, with its
    // picture and headings, and shows it.
    static void undel_Click(app::MainWindow &main);
    // A deletion of this run that 撤销删除 can take back (the number of the
    // kept copy in sj1.data); enables the entry.
    static void noteDeletion(app::MainWindow &main, qint64 copy);
};

} // namespace velmora::maintenance
