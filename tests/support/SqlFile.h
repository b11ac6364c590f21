#pragma once

#include <QString>
#include <QTest>
#include <memory>
#include <sqlite3.h>

namespace velmora::test {

// Runs statements on a copied database file (a fixture's, never a shipped
// one) through a plain connection of its own; a failure fails the test.
inline void exec(const QString &path, const QString &sql)
{
    sqlite3 *raw = nullptr;
    const int opened = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, &sqlite3_close);
    QVERIFY2(opened == SQLITE_OK, sqlite3_errmsg(raw));
    QVERIFY2(sqlite3_exec(raw, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK,
             sqlite3_errmsg(raw));
}

} // namespace velmora::test
