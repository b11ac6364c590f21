#pragma once

#include <string>
#include <string_view>

struct sqlite3;

namespace velmora::db {

// The order of text fields in ORDER BY: Chinese text by its pinyin (ICU's
// Chinese collation), Latin letters without regard to case. A text is read
// as runs of ASCII and runs of other characters; ASCII runs compare as
// SQLite's NOCASE does (bytes with A-Z folded), other runs by the collator,
// and an ASCII run comes before any other. So texts of ASCII only, as the
// sort keys are, keep NOCASE's order and its speed, and mixed texts still
// get one consistent order. Texts that compare equal keep their stored order
// (the query adds rowid after the field).
class ChineseOrder {
public:
    static constexpr const char *Name = "velmora_order";

    // Registers the collation on a connection; false when ICU fails.
    static bool install(sqlite3 *db);

    // <0, 0 or >0, as a collation answers.
    static int compare(std::string_view a, std::string_view b);
    // A byte string whose plain byte order (memcmp, shorter first) is the
    // order of compare(); false when there is none for this text (no
    // collator, a NUL character).
    static bool sortKey(std::string_view text, std::string &key);
};

} // namespace velmora::db
