#pragma once

#include <QList>
#include <QPair>
#include <QString>

class QWidget;

namespace velmora::app {

// Tells a person, once per file and run, that a database file cannot serve:
// which file, where, and what is wrong (db::FileCheck), in one warning
// through Prompts. A broken installation is so told apart from a search that
// finds nothing.
class FileReport {
public:
    // Checks the files (path, connect string). The faults not told yet are
    // told in one message over the window, as soon as it is on screen. Returns
    // the descriptions of every faulty file of the list, for the window's own
    // display; empty when all of them serve.
    static QString check(QWidget *window, const QList<QPair<QString, QString>> &files);
};

} // namespace velmora::app
