#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace velmora::db {

// Whether a database file can serve the program, and in words a reader
// understands what is wrong with it when it cannot: missing, empty, cut
// short, not a database, damaged, a wrong password, its table or one of the
// fields the program names missing.
//
// Files found faulty, by a check or later by a query that met damage, are
// remembered for the run: a connection to such a file never writes to it.
class FileCheck {
public:
    enum class Fault {
        None,
        Missing,       // no such file
        NotAFile,      // a folder or a device where the file should be
        Unreadable,    // no permission to read it
        Empty,         // zero bytes
        Truncated,     // shorter than the database it begins
        NotADatabase,  // some other kind of file
        Damaged,       // pages that do not read back as they were written
        WrongPassword, // the connect string's password is not the file's
        TableMissing,  // detail: the table
        FieldsMissing, // detail: the fields, "、"-separated
    };
    struct Result {
        Fault fault = Fault::None;
        QString detail;
        bool ok() const { return fault == Fault::None; }
    };
    // What the program needs of a file, by its name: sj1.data holds `sj`,
    // index.data `index`, periodic.data `periodic`, with the fields queried.
    struct Needs {
        QString table;
        QStringList fields;
    };
    static Needs needsOf(const QString &path);

    // Checks the file once per run and state of the file (size and time of
    // change); a later call for an unchanged file answers from memory. Safe
    // from any thread.
    static Result check(const QString &path, const QString &connect);
    // Files at most this large are read through once for damage.
    static constexpr qint64 FullCheckLimit = 64 * 1024 * 1024;

    // One Chinese message: which file, where, what is wrong, what it means.
    static QString describe(const QString &path, const Result &result);

    // A file known to be faulty in this run.
    static bool hasFailed(const QString &path);
    static Result failure(const QString &path);
    // Records damage met outside a check (a query that read a broken page).
    static void markFailed(const QString &path, const Result &result);
    // Called, on the thread that found it, the first time a file is found
    // faulty (by a check or a query). The program shows its message.
    static void setListener(std::function<void(const QString &path)> listener);
    // Forgets every file (tests).
    static void reset();
};

} // namespace velmora::db
