#include "db/Pinyin.h"

#include <QHash>
#include <memory>
#include <mutex>
#include <unicode/translit.h>
#include <unicode/unistr.h>

namespace velmora::db::pinyin {

extern const char *const readingsText;

namespace {

struct Readings {
    QHash<QString, QString> entries; // character or word -> "chong ge suan"
    int longestWord = 1;
};

const Readings &readings()
{
    static const Readings table = [] {
        Readings r;
        const QStringList lines = QString::fromUtf8(readingsText).split(QLatin1Char('\n'));
        bool header = true;
        for (QString line : lines) {
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            if (header) { // the line of column names
                header = false;
                continue;
            }
            const QStringList cells = line.split(QLatin1Char('\t'));
            if (cells.size() < 2 || cells[0].isEmpty())
                continue;
            r.entries.insert(cells[0], cells[1].simplified());
            r.longestWord = std::max(r.longestWord, int(cells[0].toUcs4().size()));
        }
        return r;
    }();
    return table;
}

// Toneless lower-case pinyin from ICU's Latin with tone marks; "ü" -> "v".
QString toneless(const QString &latin)
{
    QString out;
    for (const QChar c : latin.normalized(QString::NormalizationForm_D)) {
        if (c == QChar(0x0308) && out.endsWith(QLatin1Char('u'))) {
            out[out.size() - 1] = QLatin1Char('v');
        } else if (c.isMark()) {
            continue;
        } else if (c.isLetter() && c.unicode() < 0x80) {
            out += c.toLower();
        }
    }
    return out;
}

// The everyday reading of one character, from ICU's Han-Latin (first reading).
QString everydayReading(const QString &character)
{
    static std::mutex mutex;
    static QHash<QString, QString> cache;
    static std::unique_ptr<icu::Transliterator> transliterator;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = cache.constFind(character);
    if (it != cache.constEnd())
        return *it;
    if (!transliterator) {
        UErrorCode status = U_ZERO_ERROR;
        transliterator.reset(icu::Transliterator::createInstance("Han-Latin", UTRANS_FORWARD, status));
        if (U_FAILURE(status))
            transliterator.reset();
    }
    QString reading;
    if (transliterator) {
        icu::UnicodeString text(reinterpret_cast<const UChar *>(character.utf16()), int32_t(character.size()));
        transliterator->transliterate(text);
        reading = toneless(QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length()));
    }
    cache.insert(character, reading);
    return reading;
}

bool isHan(char32_t ucs)
{
    return QChar::script(ucs) == QChar::Script_Han;
}

QString foldV(QString text)
{
    return text.replace(QLatin1Char('v'), QLatin1Char('u'));
}

// Whether the typed key from position q on can be consumed by the syllables
// from index i on, each typed in full or by a leading part; reports whether
// the last syllable of the name was reached.
bool consume(const QStringList &syl, int i, const QString &key, int q, bool &reachedEnd)
{
    if (q == key.size()) {
        reachedEnd = i == syl.size();
        return true;
    }
    if (i == syl.size())
        return false;
    const QString &s = syl[i];
    for (int len = int(s.size()); len >= 1; --len) {
        if (q + len > key.size())
            continue;
        if (QStringView(key).mid(q, len) != QStringView(s).left(len))
            continue;
        // A cut syllable ends the typing there or is followed by the next one.
        if (consume(syl, i + 1, key, q + len, reachedEnd))
            return true;
    }
    return false;
}

// consume() on prepared text: syllables as views into one string.
bool consumePrepared(const std::string_view *syl, int count, int i, std::string_view key, size_t q,
                     bool &reachedEnd)
{
    if (q == key.size()) {
        reachedEnd = i == count;
        return true;
    }
    if (i == count)
        return false;
    const std::string_view s = syl[i];
    for (size_t len = s.size(); len >= 1; --len) {
        if (q + len > key.size())
            continue;
        if (key.compare(q, len, s, 0, len) != 0)
            continue;
        if (consumePrepared(syl, count, i + 1, key, q + len, reachedEnd))
            return true;
    }
    return false;
}

std::string asciiFolded(const QString &text)
{
    std::string out;
    out.reserve(size_t(text.size()));
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            continue; // syllables are ASCII; anything else cannot be typed
        const char a = char(c.unicode());
        out += a == 'v' ? 'u' : a;
    }
    return out;
}

} // namespace

std::string preparedForm(const QString &stored)
{
    QString text = stored;
    text.replace(QChar(0xFF1B), QLatin1Char('|'));
    return asciiFolded(text);
}

std::string preparedKey(const QString &typedKey)
{
    return asciiFolded(typedKey);
}

Match matchPrepared(std::string_view prepared, std::string_view key)
{
    if (key.empty())
        return Match::None;
    constexpr int MaxSyllables = 64;
    std::string_view syl[MaxSyllables];
    Match best = Match::None;
    size_t start = 0;
    while (start <= prepared.size() && best != Match::Whole) {
        size_t end = prepared.find('|', start);
        if (end == std::string_view::npos)
            end = prepared.size();
        const std::string_view name = prepared.substr(start, end - start);
        start = end + 1;
        // Cheap test first: a name without the key's first letter cannot fit.
        if (name.find(key.front()) == std::string_view::npos)
            continue;
        int count = 0;
        size_t p = 0;
        while (p < name.size() && count < MaxSyllables) {
            size_t e = name.find(' ', p);
            if (e == std::string_view::npos)
                e = name.size();
            if (e > p)
                syl[count++] = name.substr(p, e - p);
            p = e + 1;
        }
        for (int i = 0; i < count; ++i) {
            if (syl[i].front() != key.front())
                continue;
            bool reachedEnd = false;
            if (consumePrepared(syl, count, i, key, 0, reachedEnd)) {
                const Match m = i > 0 ? Match::Inside : reachedEnd ? Match::Whole : Match::Start;
                if (m < best)
                    best = m;
                break;
            }
        }
    }
    return best;
}

QString tableReading(const QString &characterOrWord)
{
    return readings().entries.value(characterOrWord);
}

QStringList syllables(const QString &name)
{
    const Readings &table = readings();
    const QList<uint> ucs = name.toUcs4();
    QStringList out;
    QString run; // Latin letters or digits
    auto flush = [&] {
        if (!run.isEmpty())
            out << run;
        run.clear();
    };
    for (int i = 0; i < ucs.size();) {
        const char32_t c = ucs[i];
        if (isHan(c)) {
            flush();
            bool word = false;
            for (int len = std::min(table.longestWord, int(ucs.size()) - i); len >= 2 && !word; --len) {
                const QString piece = QString::fromUcs4(reinterpret_cast<const char32_t *>(ucs.constData() + i), len);
                auto it = table.entries.constFind(piece);
                if (it != table.entries.constEnd()) {
                    out << it->split(QLatin1Char(' '), Qt::SkipEmptyParts);
                    i += len;
                    word = true;
                }
            }
            if (word)
                continue;
            const QString character = QString::fromUcs4(&c, 1);
            QString reading = table.entries.value(character);
            if (reading.isEmpty())
                reading = everydayReading(character);
            if (!reading.isEmpty())
                out << reading;
            ++i;
            continue;
        }
        const QString piece = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_KC);
        for (const QChar p : piece) {
            const bool digit = p.isDigit();
            const bool letter = p.isLetter(); // Latin, and Greek as in "α-萘酚" 
            if (!letter && !digit) {
                flush();
                continue;
            }
            if (!run.isEmpty() && run.back().isDigit() != digit)
                flush();
            run += p.toLower();
        }
        ++i;
    }
    flush();
    return out;
}

QString typedKey(const QString &typed)
{
    QString key;
    for (const QString &s : syllables(typed))
        key += s;
    return key;
}

Match match(const QStringList &syl, const QString &typedKey)
{
    if (typedKey.isEmpty() || syl.isEmpty())
        return Match::None;
    QStringList folded;
    for (const QString &s : syl)
        folded << foldV(s);
    const QString key = foldV(typedKey);
    for (int i = 0; i < folded.size(); ++i) {
        if (folded[i].front() != key.front())
            continue;
        bool reachedEnd = false;
        if (consume(folded, i, key, 0, reachedEnd))
            return i > 0 ? Match::Inside : reachedEnd ? Match::Whole : Match::Start;
    }
    return Match::None;
}

QString storedForm(const QString &names)
{
    QStringList parts;
    for (const QString &name : names.split(QChar(0xFF1B), Qt::SkipEmptyParts)) {
        const QStringList syl = syllables(name);
        if (!syl.isEmpty())
            parts << syl.join(QLatin1Char(' '));
    }
    return parts.join(QChar(0xFF1B));
}

Match matchStored(const QString &stored, const QString &typedKey)
{
    Match best = Match::None;
    for (const QString &name : stored.split(QChar(0xFF1B), Qt::SkipEmptyParts)) {
        const Match m = match(name.split(QLatin1Char(' '), Qt::SkipEmptyParts), typedKey);
        if (m < best)
            best = m;
        if (best == Match::Whole)
            break;
    }
    return best;
}

} // namespace velmora::db::pinyin
