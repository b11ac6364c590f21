#pragma once

#include <QPixmap>
#include <QString>

namespace velmora::maintenance {

// The wizards' toolbar icons: the program's own drawings where they fit, and
// drawings for paste, delete and exit, which the main window does not have.
class WizardIcons {
public:
    // "copy", "paste", "back", "forward", "save", "add", "delete", "insert",
    // "exit".
    static QPixmap icon(const QString &name, int size = 24);
};

} // namespace velmora::maintenance
