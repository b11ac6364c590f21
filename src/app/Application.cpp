#include "app/Application.h"

#include "app/Fonts.h"
#include "app/KeyboardLayouts.h"
#include "app/MainWindow.h"
#include "app/StartCover.h"

#include <QApplication>

namespace velmora::app {

int run(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setApplicationVersion(QStringLiteral("3.0"));
    // Chinese text in the Simplified Chinese forms of the CJK fonts.
    QApplication::setFont(Fonts::ui(9));
    app.setQuitOnLastWindowClosed(false);

    auto layouts = KeyboardLayouts::system();
    auto *splash = new StartCover(*layouts, [] { return new MainWindow; });
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    const int code = app.exec();
    delete MainWindow::instance();
    return code;
}

} // namespace velmora::app
