#include "app/Application.h"

#include <QApplication>
#include <QMainWindow>

namespace velmora::app {

int run(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setObjectName(QStringLiteral("sq"));
    window.setWindowTitle(QStringLiteral("Velmora3.0"));
    window.resize(614, 446);
    window.show();
    return app.exec();
}

} // namespace velmora::app
