#pragma once

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
    // "删除纪录": deletes the chemical on view.
    static void del_Click(app::MainWindow &main);
};

} // namespace velmora::maintenance
