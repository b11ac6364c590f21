// velmora-bench: the performance measurements of Velmora.
//   velmora-bench [--shipped=APP_DIR] --synthetic=APP_DIR [--million=APP_DIR] [benchmark options]
// APP_DIR is an application folder holding data/sj1.data, data/index.data and
// data/periodic.data. scripts/bench.sh makes the synthetic one and runs this.
#include "BenchDatabase.h"
#include "Benchmarks.h"

#include "app/Fonts.h"
#include "app/Prompts.h"

#include <QApplication>
#include <QDir>
#include <benchmark/benchmark.h>
#include <cstring>
#include <iostream>
#include <vector>

using namespace velmora;

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::strcmp(argv[1], "--startup-child") == 0)
        return bench::runStartupChild(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && std::strcmp(argv[1], "--memory-child") == 0)
        return bench::runMemoryChild(QString::fromLocal8Bit(argv[2]));

    benchmark::Initialize(&argc, argv);
    QString shipped = QStringLiteral(VELMORA_SHIPPED_APP_DIR);
    QString synthetic, million;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.startsWith(QLatin1String("--shipped=")))
            shipped = arg.mid(10);
        else if (arg.startsWith(QLatin1String("--synthetic=")))
            synthetic = arg.mid(12);
        else if (arg.startsWith(QLatin1String("--million=")))
            million = arg.mid(10);
        else {
            std::cerr << "velmora-bench: unknown argument " << argv[i] << '\n';
            return 2;
        }
    }
    for (const QString &folder : {shipped, synthetic, million}) {
        if (folder == million && million.isEmpty())
            continue;
        if (folder.isEmpty() || !QFile::exists(folder + QStringLiteral("/data/sj1.data"))) {
            std::cerr << "velmora-bench: no data/sj1.data in '" << folder.toStdString()
                      << "' (give --shipped=APP_DIR and --synthetic=APP_DIR)\n";
            return 2;
        }
    }

    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setFont(app::Fonts::ui(9));
    app::Prompts::Script script;
    script.message = [](const app::Prompts::Message &) { return QMessageBox::Ok; };
    app::Prompts::setScript(script);

    bench::BenchDatabase::setFolders(QDir(shipped).absolutePath(), QDir(synthetic).absolutePath(),
                                     million.isEmpty() ? QString() : QDir(million).absolutePath());
    bench::registerSearchBenchmarks();
    bench::registerTypedSearchBenchmarks();
    bench::registerStructureBenchmarks();
    bench::registerStartupBenchmarks();
    bench::registerMemoryBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    bench::BenchDatabase::releaseAll();
    benchmark::Shutdown();
    return 0;
}
