#pragma once

class QCoreApplication;

namespace velmora::app {

// Starts the program: the splash window, then the main window.
int run(int argc, char **argv);

// Puts Qt's own texts (the buttons and labels of the file, font, printer and
// page dialogs and of message boxes) into Simplified Chinese and makes
// Chinese the default locale. Returns whether Qt's translations were found.
bool installTranslations(QCoreApplication &app);

} // namespace velmora::app
