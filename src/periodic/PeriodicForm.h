#pragma once

namespace velmora::app {
class MainWindow;
}

namespace velmora::periodic {

// The periodic table window `periodicfrm`.
class PeriodicForm {
public:
    // The opening rule of the menu entry and toolbar button: restore the
    // window when it is minimised, otherwise show it (loading it once).
    static void open(app::MainWindow &main);
};

} // namespace velmora::periodic
