#pragma once

#include <QPixmap>
#include <QString>

namespace velmora::app {

// The program's own pictures, drawn in code: toolbar icons, the animated
// flask, the category tree's images and the splash picture. Each is drawn at
// twice its size for sharp display on 2x screens.
class Artwork {
public:
    // Toolbar icons by name: "save", "back", "forward", "clear", "cleared",
    // "selectall", "copy", "search", "print", "modify", "add", "insert",
    // "periodic", "help", "savecurrent".
    static QPixmap toolbarIcon(const QString &name, int size = 24);
    // Frame 1..11 of the flask that fills and bubbles.
    static QPixmap flask(int frame, QSize size = QSize(56, 56));
    // 1 heading, 2 heading selected, 3 chemical.
    static QPixmap treeImage(int index);
    static QPixmap splash(QSize size);
};

} // namespace velmora::app
