#pragma once

#include <QString>

namespace velmora::db {

// The file "result": the last name searched for or shown, written as a quoted
// field followed by CR LF, in UTF-8. Quotes inside are doubled; line breaks
// stand inside the quotes as they are, so every text comes back exactly.
class ResultFile {
public:
    // A search text is short: a longer file is not a result file.
    static constexpr qint64 SizeLimit = 1024 * 1024;

    // The text between the quotes; an empty text when the file is missing,
    // unreadable, not a regular file, larger than SizeLimit or holds no
    // quoted field. A file whose quoted field is followed by more than a line
    // end is read in the older way: its first line, without the outer quotes.
    static QString read(const QString &path);
    // Returns false when the file cannot be written. A file that is read-only
    // or not a regular file (a pipe, a device) is left alone.
    static bool write(const QString &path, const QString &text);
};

} // namespace velmora::db
