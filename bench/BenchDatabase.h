#pragma once

#include <QString>
#include <memory>
#include <vector>

struct sqlite3;

namespace velmora::app {
class MainWindow;
}

namespace velmora::bench {

// One application folder measured by the benchmarks ("shipped", "100k" or "1m"):
// its main window, loaded as the program loads it, and a plain SQLite
// connection to its chemical database for the engine's own figures.
//
// Only one main window lives at a time (the program has one); asking one
// database for its window closes the other's.
class BenchDatabase {
public:
    BenchDatabase(QString label, QString folder);
    ~BenchDatabase();
    BenchDatabase(const BenchDatabase &) = delete;
    BenchDatabase &operator=(const BenchDatabase &) = delete;

    const QString &label() const { return m_label; }
    const QString &folder() const { return m_folder; }
    QString chemicals() const; // the sj1.data path

    // Points the program at this folder (files such as result are written there).
    void install() const;
    // Writes the remembered name that the next start-up searches for.
    void remember(const QString &name) const;

    app::MainWindow &window();
    void closeWindow();
    // A read-only connection without any of the program's functions.
    sqlite3 *raw();

    static BenchDatabase &shipped();
    static BenchDatabase &synthetic();
    // The million-chemical folder; null when none was given.
    static BenchDatabase *million();
    // shipped, synthetic and (when given) the million, in that order.
    static std::vector<BenchDatabase *> all();
    // shipped and synthetic: the databases on which the plain engine's own
    // figures are taken (on a million wide rows one such query takes many
    // seconds).
    static std::vector<BenchDatabase *> engineMeasured();
    static void setFolders(const QString &shipped, const QString &synthetic, const QString &million = {});
    // Closes every window.
    static void closeAllWindows();
    // Closes both before the application object goes.
    static void releaseAll();

private:
    QString m_label;
    QString m_folder;
    std::unique_ptr<app::MainWindow> m_window;
    sqlite3 *m_raw = nullptr;
};

} // namespace velmora::bench
