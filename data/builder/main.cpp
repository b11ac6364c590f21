// velmora-databuild: makes sj1.data, index.data and periodic.data from the
// text sources. Usage:
//   velmora-databuild SOURCES PICTURES ELEMENTS OUT
#include "DataBuilder.h"

#include <QCoreApplication>
#include <QTextStream>
#include <exception>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() != 5) {
        err << "usage: velmora-databuild SOURCES PICTURES ELEMENTS OUT\n";
        return 2;
    }
    velmora::data::BuildOptions options;
    options.sources = args[1];
    options.pictures = args[2];
    options.elements = args[3];
    options.out = args[4];
    try {
        const auto report = velmora::data::build(options);
        for (const QString &w : report.warnings)
            err << "warning: " << w << '\n';
        QTextStream(stdout) << report.chemicals << " chemicals (" << report.pictures
                            << " pictures), " << report.indexRows << " index rows -> "
                            << options.out << '\n';
    } catch (const std::exception &e) {
        err << "velmora-databuild: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
