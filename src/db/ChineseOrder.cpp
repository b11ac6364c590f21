#include "db/ChineseOrder.h"

#include <memory>
#include <mutex>
#include <sqlite3.h>
#include <string>
#include <unicode/coll.h>
#include <unicode/ucol.h>

namespace velmora::db {

namespace {

int compareNoCase(std::string_view a, std::string_view b)
{
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x += 32;
        if (y >= 'A' && y <= 'Z')
            y += 32;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The Chinese collator, made once; each connection takes a clone.
const icu::Collator *baseCollator()
{
    static std::unique_ptr<icu::Collator> collator;
    static std::once_flag once;
    std::call_once(once, [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> zh(icu::Collator::createInstance(icu::Locale("zh"), status));
        if (U_FAILURE(status) || !zh)
            return;
        // Case and width are no difference; such texts keep stored order.
        zh->setStrength(icu::Collator::SECONDARY);
        collator = std::move(zh);
    });
    return collator.get();
}

size_t runEnd(std::string_view s, size_t from, bool ascii)
{
    while (from < s.size() && (static_cast<unsigned char>(s[from]) < 0x80) == ascii)
        ++from;
    return from;
}

// Texts as runs of ASCII and of other characters, compared run by run: ASCII
// runs as NOCASE does, other runs by the collator, an ASCII run before any
// other. That is one consistent order, and exactly NOCASE's for ASCII texts.
int compareWith(const icu::Collator *collator, std::string_view a, std::string_view b)
{
    // The common case, sort keys in ASCII: decided in one pass.
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    size_t k = 0;
    for (; k < n; ++k) {
        unsigned char x = static_cast<unsigned char>(a[k]), y = static_cast<unsigned char>(b[k]);
        if ((x | y) & 0x80)
            break;
        if (x != y) {
            x += (x - 'A' < 26u) ? 32 : 0;
            y += (y - 'A' < 26u) ? 32 : 0;
            if (x != y)
                return x < y ? -1 : 1;
        }
    }
    if (k == n && (k == a.size() || !(static_cast<unsigned char>(a[k]) & 0x80))
        && (k == b.size() || !(static_cast<unsigned char>(b[k]) & 0x80)))
        return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);

    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool ascii = static_cast<unsigned char>(a[i]) < 0x80;
        if (ascii != (static_cast<unsigned char>(b[j]) < 0x80))
            return ascii ? -1 : 1;
        const size_t endA = runEnd(a, i, ascii), endB = runEnd(b, j, ascii);
        const std::string_view x = a.substr(i, endA - i), y = b.substr(j, endB - j);
        int r = 0;
        if (ascii) {
            r = compareNoCase(x, y);
        } else if (collator) {
            UErrorCode status = U_ZERO_ERROR;
            const UCollationResult c = collator->compareUTF8(icu::StringPiece(x.data(), int32_t(x.size())),
                                                             icu::StringPiece(y.data(), int32_t(y.size())), status);
            r = U_FAILURE(status) ? x.compare(y) : c == UCOL_LESS ? -1 : c == UCOL_GREATER ? 1 : 0;
        } else {
            r = x.compare(y);
        }
        if (r != 0)
            return r < 0 ? -1 : 1;
        i = endA;
        j = endB;
    }
    return i < a.size() ? 1 : j < b.size() ? -1 : 0;
}

int collate(void *context, int lengthA, const void *a, int lengthB, const void *b)
{
    const std::string_view x(static_cast<const char *>(a), size_t(lengthA));
    const std::string_view y(static_cast<const char *>(b), size_t(lengthB));
    return compareWith(static_cast<const icu::Collator *>(context), x, y);
}

void destroy(void *context) { delete static_cast<icu::Collator *>(context); }

} // namespace

bool ChineseOrder::install(sqlite3 *db)
{
    // A clone per connection: connections live on different threads.
    const icu::Collator *base = baseCollator();
    icu::Collator *own = base ? base->clone() : nullptr;
    if (sqlite3_create_collation_v2(db, Name, SQLITE_UTF8, own, collate, own ? destroy : nullptr) != SQLITE_OK) {
        delete own; // not taken over on failure
        return false;
    }
    return own != nullptr;
}

int ChineseOrder::compare(std::string_view a, std::string_view b)
{
    return compareWith(baseCollator(), a, b);
}

bool ChineseOrder::sortKey(std::string_view text, std::string &key)
{
    // Run by run, as compare() goes: a mark that puts an ASCII run before
    // any other, then the run's content ending in a 0 byte, so that a run
    // that is the beginning of another comes first: ASCII with A-Z folded,
    // other runs as the collator's own sort key (which ends in 0 and has no
    // 0 inside). A text that ends before another's next run comes first.
    const icu::Collator *collator = baseCollator();
    if (!collator)
        return false;
    key.clear();
    size_t i = 0;
    while (i < text.size()) {
        const bool ascii = static_cast<unsigned char>(text[i]) < 0x80;
        const size_t end = runEnd(text, i, ascii);
        const std::string_view run = text.substr(i, end - i);
        if (ascii) {
            key.push_back('\x01');
            for (const char ch : run) {
                if (ch == '\0')
                    return false;
                key.push_back((ch >= 'A' && ch <= 'Z') ? char(ch + 32) : ch);
            }
            key.push_back('\0');
        } else {
            key.push_back('\x02');
            UErrorCode status = U_ZERO_ERROR;
            const icu::UnicodeString u = icu::UnicodeString::fromUTF8(icu::StringPiece(run.data(), int32_t(run.size())));
            const size_t at = key.size();
            key.resize(at + 64);
            int32_t n = collator->getSortKey(u, reinterpret_cast<uint8_t *>(key.data() + at), 64);
            if (n > 64) {
                key.resize(at + size_t(n));
                n = collator->getSortKey(u, reinterpret_cast<uint8_t *>(key.data() + at), n);
            }
            if (U_FAILURE(status) || n <= 0)
                return false;
            key.resize(at + size_t(n)); // its final 0 included
        }
        i = end;
    }
    return true;
}

} // namespace velmora::db
