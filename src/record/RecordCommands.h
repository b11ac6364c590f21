#pragma once

#include <QString>

class QPrinter;

namespace velmora::app {
class MainWindow;
}

namespace velmora::record {

class PrintForm;

// The commands that act on the record pane as a whole: save as RTF, select
// all, copy, the font, the printer and printing.
class RecordCommands {
public:
    // Returns the path written, or an empty text when nothing was saved.
    static QString save_Click(app::MainWindow &main);
    static void select_Click(app::MainWindow &main);
    static void copy_Click(app::MainWindow &main);
    static void fornt_Click(app::MainWindow &main);
    static void printer_Click(app::MainWindow &main);
    static PrintForm *print_Click(app::MainWindow &main);

    // The printer the commands print to, for the run.
    static QPrinter &printer();
    // Writes bytes to a file through a temporary file: an existing file is
    // replaced only by a complete new one.
    static bool writeFile(const QString &path, const QByteArray &bytes);
};

} // namespace velmora::record
