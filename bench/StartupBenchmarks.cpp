// Start-up to the first record shown: in this process (the main window made
// and loaded as the splash does it, without the splash's timer waits) and as
// a whole new process through the real splash, minus the time its timers
// only wait.
#include "BenchDatabase.h"
#include "Benchmarks.h"

#include "app/KeyboardLayouts.h"
#include "app/MainWindow.h"
#include "app/StartCover.h"
#include "db/AppFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QProcess>
#include <QTextStream>
#include <benchmark/benchmark.h>
#include <iostream>
#include <optional>

namespace velmora::bench {

namespace {

void loadInProcess(benchmark::State &state, BenchDatabase *db)
{
    BenchDatabase::closeAllWindows();
    db->install();
    for (auto _ : state) {
        state.PauseTiming();
        db->remember(QStringLiteral("甲酸"));
        state.ResumeTiming();
        auto window = std::make_unique<app::MainWindow>();
        window->Form_Load();
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}

// "key=value" pairs of the child's last line.
std::optional<double> valueOf(const QString &line, const QString &key)
{
    for (const QString &pair : line.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        if (pair.startsWith(key + QLatin1Char('=')))
            return pair.mid(key.size() + 1).toDouble();
    return std::nullopt;
}

void processStartup(benchmark::State &state, BenchDatabase *db)
{
    db->remember(QStringLiteral("甲酸"));
    double waits = 0;
    for (auto _ : state) {
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        QElapsedTimer clock;
        clock.start();
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--startup-child"), db->folder()});
        // The child writes its line the moment the record is first painted.
        QString line;
        qint64 shownAt = -1;
        while (shownAt < 0 && child.waitForReadyRead(60000)) {
            line += QString::fromUtf8(child.readAllStandardOutput());
            if (line.contains(QLatin1Char('\n')))
                shownAt = clock.elapsed();
        }
        child.waitForFinished(60000);
        const auto wait = valueOf(line.trimmed(), QStringLiteral("wait_ms"));
        if (shownAt < 0 || !wait) {
            std::cerr << child.readAllStandardError().constData();
            state.SkipWithError("the start-up child reported nothing");
            return;
        }
        waits = *wait;
        state.SetIterationTime((double(shownAt) - *wait) / 1000.0);
    }
    state.counters["splash_wait_ms"] = waits;
}

} // namespace

int runStartupChild(const QString &folder)
{
    QElapsedTimer clock;
    clock.start();
    int argc = 1;
    char name[] = "velmora-bench";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    app.setQuitOnLastWindowClosed(false);
    db::AppFolder::setPath(folder);

    // The splash waits from the end of its load until its timer asks for the
    // main window; that wait is fixed and not counted.
    qint64 splashLoaded = 0, mainWanted = 0;
    struct PaintProbe : QObject {
        const qint64 *wait = nullptr;
        bool done = false;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && !done) {
                done = true;
                QTextStream(stdout) << "shown wait_ms=" << *wait << Qt::endl;
                QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
            }
            return false;
        }
    } probe;
    qint64 wait = 0;
    probe.wait = &wait;

    auto layouts = app::KeyboardLayouts::system();
    auto *splash = new app::StartCover(*layouts, [&] {
        mainWanted = clock.elapsed();
        wait = mainWanted - splashLoaded;
        auto *main = new app::MainWindow;
        main->installEventFilter(&probe);
        return main;
    });
    splashLoaded = clock.elapsed();
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    app.exec();
    delete app::MainWindow::instance();
    return probe.done ? 0 : 1;
}

void registerStartupBenchmarks()
{
    for (BenchDatabase *db : BenchDatabase::all()) {
        const std::string base = db->label().toStdString();
        benchmark::RegisterBenchmark(("startup/" + base).c_str(), loadInProcess, db)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("startup_process/" + base).c_str(), processStartup, db)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(1);
    }
}

} // namespace velmora::bench
