#include "BenchDatabase.h"

#include "app/MainWindow.h"
#include "db/AppFolder.h"
#include "db/ResultFile.h"

#include <sqlite3.h>
#include <stdexcept>

namespace velmora::bench {

namespace {
std::unique_ptr<BenchDatabase> &shippedInstance()
{
    static std::unique_ptr<BenchDatabase> instance;
    return instance;
}
std::unique_ptr<BenchDatabase> &syntheticInstance()
{
    static std::unique_ptr<BenchDatabase> instance;
    return instance;
}
std::unique_ptr<BenchDatabase> &millionInstance()
{
    static std::unique_ptr<BenchDatabase> instance;
    return instance;
}
BenchDatabase *windowOwner = nullptr;
} // namespace

BenchDatabase::BenchDatabase(QString label, QString folder)
    : m_label(std::move(label)), m_folder(std::move(folder))
{
}

BenchDatabase::~BenchDatabase()
{
    closeWindow();
    sqlite3_close_v2(m_raw);
}

QString BenchDatabase::chemicals() const
{
    return db::AppFolder::join(m_folder, QStringLiteral("\\data\\sj1.data"));
}

void BenchDatabase::install() const { db::AppFolder::setPath(m_folder); }

void BenchDatabase::remember(const QString &name) const
{
    db::ResultFile::write(db::AppFolder::join(m_folder, QStringLiteral("\\result")), name);
}

app::MainWindow &BenchDatabase::window()
{
    if (windowOwner && windowOwner != this)
        windowOwner->closeWindow();
    install();
    if (!m_window) {
        remember(QStringLiteral("甲酸"));
        m_window = std::make_unique<app::MainWindow>();
        m_window->Form_Load();
        windowOwner = this;
    }
    return *m_window;
}

void BenchDatabase::closeWindow()
{
    m_window.reset();
    if (windowOwner == this)
        windowOwner = nullptr;
}

sqlite3 *BenchDatabase::raw()
{
    if (!m_raw) {
        if (sqlite3_open_v2(chemicals().toUtf8().constData(), &m_raw, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open " + chemicals().toStdString());
    }
    return m_raw;
}

void BenchDatabase::setFolders(const QString &shipped, const QString &synthetic, const QString &million)
{
    shippedInstance() = std::make_unique<BenchDatabase>(QStringLiteral("shipped"), shipped);
    syntheticInstance() = std::make_unique<BenchDatabase>(QStringLiteral("100k"), synthetic);
    if (!million.isEmpty())
        millionInstance() = std::make_unique<BenchDatabase>(QStringLiteral("1m"), million);
}

void BenchDatabase::releaseAll()
{
    shippedInstance().reset();
    syntheticInstance().reset();
    millionInstance().reset();
}

BenchDatabase *BenchDatabase::million() { return millionInstance().get(); }

std::vector<BenchDatabase *> BenchDatabase::all()
{
    std::vector<BenchDatabase *> out = engineMeasured();
    if (million())
        out.push_back(million());
    return out;
}

std::vector<BenchDatabase *> BenchDatabase::engineMeasured() { return {&shipped(), &synthetic()}; }

void BenchDatabase::closeAllWindows()
{
    for (BenchDatabase *db : all())
        db->closeWindow();
}

BenchDatabase &BenchDatabase::shipped() { return *shippedInstance(); }
BenchDatabase &BenchDatabase::synthetic() { return *syntheticInstance(); }

} // namespace velmora::bench
