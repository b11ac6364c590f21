#pragma once

#include <QString>

namespace velmora::db {

// The application folder: the folder holding the executable. Every file the
// program uses is this folder followed directly by a relative path written
// with a leading separator ("\data\sj1.data", "\result").
class AppFolder {
public:
    static QString path();
    // Tests and tools point the program at another folder.
    static void setPath(const QString &folder);

    // Joins the folder and a relative path as written in the program
    // ("\data\sj1.data"): backslashes become this platform's separator and
    // nothing is inserted or removed between the two parts.
    static QString join(const QString &folder, const QString &relative);
    static QString file(const QString &relative) { return join(path(), relative); }
};

} // namespace velmora::db
