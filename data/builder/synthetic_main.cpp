// velmora-synthdata: makes an application folder with a large chemical
// database for measurements. Usage:
//   velmora-synthdata SHIPPED_DATA_DIR OUT [CHEMICALS [SHARED_PICTURES]]
// SHIPPED_DATA_DIR holds the built sj1.data, index.data and periodic.data;
// OUT receives data/sj1.data (CHEMICALS rows, 100000 by default),
// data/index.data and data/periodic.data. With SHARED_PICTURES (a number),
// the derived chemicals share that many of the smallest shipped pictures.
#include "SyntheticData.h"

#include <QCoreApplication>
#include <QTextStream>
#include <exception>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    bool ok = true;
    const int chemicals = args.size() >= 4 ? args[3].toInt(&ok) : 100000;
    bool sharedOk = true;
    const int shared = args.size() == 5 ? args[4].toInt(&sharedOk) : 0;
    if (args.size() < 3 || args.size() > 5 || !ok || !sharedOk || chemicals < 1 || shared < 0) {
        err << "usage: velmora-synthdata SHIPPED_DATA_DIR OUT [CHEMICALS [SHARED_PICTURES]]\n";
        return 2;
    }
    velmora::data::SyntheticOptions options;
    options.shippedData = args[1];
    options.out = args[2];
    options.chemicals = chemicals;
    options.sharedPictures = shared;
    try {
        const auto report = velmora::data::makeSynthetic(options);
        QTextStream(stdout) << report.chemicals << " chemicals (" << report.shipped << " shipped, "
                            << report.pictures << " with pictures) -> " << options.out << "/data\n";
    } catch (const std::exception &e) {
        err << "velmora-synthdata: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
