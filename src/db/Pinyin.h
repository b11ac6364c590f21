#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

namespace velmora::db::pinyin {

// The syllables of one name: one toneless pinyin syllable per Chinese
// character (chemical readings from the reviewed table first, "ü" written
// "v"), one token per run of Latin letters or digits (lower case); other
// characters are dropped. "L-薄荷醇" -> l bo he chun.
QStringList syllables(const QString &name);

// A typed pinyin text in the form the matcher compares: Chinese characters
// read as pinyin, lower case, spaces and apostrophes dropped
// ("乙chun", "yi chun" -> "yichun").
QString typedKey(const QString &typed);

// How a typed key fits a name's syllables. Each syllable may be typed in
// full or by its first letters, and the typing may run on without spaces,
// so "yichun", "yc" and "yich" all fit 乙醇. Best first.
enum class Match { Whole = 0, Start = 1, Inside = 2, None = 3 };
Match match(const QStringList &syllables, const QString &typedKey);

// Syllables are stored as one text: the syllables of a name separated by
// spaces, names separated by "；".
QString storedForm(const QString &names);
// The best fit of a typed key on a stored form.
Match matchStored(const QString &stored, const QString &typedKey);

// Stored forms prepared once for many matches: plain ASCII with "v" read as
// "u", names separated by '|', syllables by ' '. match() then allocates
// nothing, so a scan of every chemical's names stays fast.
std::string preparedForm(const QString &stored);
std::string preparedKey(const QString &typedKey);
Match matchPrepared(std::string_view prepared, std::string_view key);

// The reading table entry of a character or word, or an empty text.
QString tableReading(const QString &characterOrWord);

} // namespace velmora::db::pinyin
