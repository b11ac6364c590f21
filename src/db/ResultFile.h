#pragma once

#include <QString>

namespace velmora::db {

// The one-line file "result": the last name searched for or shown, written as
// a quoted field followed by CR LF, in UTF-8.
class ResultFile {
public:
    // The text between the quotes; an empty text when the file is missing,
    // unreadable or holds no quoted field.
    static QString read(const QString &path);
    // Returns false when the file cannot be written.
    static bool write(const QString &path, const QString &text);
};

} // namespace velmora::db
