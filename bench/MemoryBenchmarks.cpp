// Peak resident memory after a search for 酸, each database in a process of
// its own so that the figures do not mix; the window is shown and the list
// scrolled to its end, as a person reading it would.
#include "BenchDatabase.h"
#include "Benchmarks.h"

#include "app/MainWindow.h"
#include "app/Prompts.h"
#include "db/AppFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <benchmark/benchmark.h>
#include <iostream>
#include <sys/resource.h>

namespace velmora::bench {

namespace {

// The peak resident set of this process's own memory. getrusage's
// ru_maxrss survives exec: a child started by a benchmark process that has
// grown large would report the parent's peak. VmHWM is the peak of the
// memory the child itself has mapped since exec.
double peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toDouble();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss); // kilobytes on Linux
}

void peakMemory(benchmark::State &state, BenchDatabase *db)
{
    double peak = 0, rows = 0;
    for (auto _ : state) {
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        QElapsedTimer clock;
        clock.start();
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory-child"), db->folder()});
        child.waitForFinished(300000);
        state.SetIterationTime(double(clock.elapsed()) / 1000.0);
        const QString line = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
        peak = rows = -1;
        for (const QString &pair : line.split(QLatin1Char(' '))) {
            if (pair.startsWith(QLatin1String("peak_kb=")))
                peak = pair.mid(8).toDouble();
            else if (pair.startsWith(QLatin1String("rows=")))
                rows = pair.mid(5).toDouble();
        }
        if (peak < 0) {
            std::cerr << child.readAllStandardError().constData();
            state.SkipWithError("the memory child reported nothing");
            return;
        }
    }
    state.counters["peak_MB"] = peak / 1024.0;
    state.counters["rows"] = rows;
}

} // namespace

int runMemoryChild(const QString &folder)
{
    int argc = 1;
    char name[] = "velmora-bench";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    app::Prompts::Script script;
    script.message = [](const app::Prompts::Message &) { return QMessageBox::Ok; };
    app::Prompts::setScript(script);

    BenchDatabase db(QStringLiteral("child"), folder);
    db.remember(QStringLiteral("甲酸"));
    app::MainWindow &w = db.window();
    w.show();
    QApplication::processEvents();
    w.setRoute(QStringLiteral("中文名称"));
    w.Combo1_Click();
    searchFromKeyboard(w, QStringLiteral("酸"));
    // Let the list lay out and the window paint, as the user sees it, and
    // scroll through to the last entry.
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    w.List1->scrollToRow(w.List1->count() - 1);
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    QTextStream(stdout) << "peak_kb=" << peakKilobytes() << " rows=" << w.List1->count() << '\n';
    db.closeWindow();
    return 0;
}

void registerMemoryBenchmarks()
{
    for (BenchDatabase *db : BenchDatabase::all()) {
        benchmark::RegisterBenchmark(("peak_memory/" + db->label().toStdString()).c_str(), peakMemory, db)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(1);
    }
}

} // namespace velmora::bench
