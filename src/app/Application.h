#pragma once

namespace velmora::app {

// Starts the program: the splash window, then the main window.
int run(int argc, char **argv);

} // namespace velmora::app
