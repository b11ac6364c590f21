#pragma once

#include <QByteArray>
#include <QString>

namespace velmora::record {

// Mends the text layer of a PDF file written by Qt, so that copying or
// searching it gives the characters shown.
//
// Qt's PDF writer maps each glyph back to a character by looking the glyph up
// in the font's character map and taking the lowest character that shows it.
// The CJK fonts draw many common ideographs with the same glyph as a radical
// character (文 and the Kangxi radical ⽂, 门 and ⻔), so the text came out
// as radicals; likewise 〜 for ～ and a tab for a space. The glyph-to-character
// maps (ToUnicode) of the file are rewritten with the ideograph, or the
// character Chinese text uses, for each such glyph; the offsets of the file
// are adjusted to match.
class PdfTextLayer {
public:
    // Rewrites the file in place; false when it cannot be read or written
    // (a file that needs nothing, or that is not laid out as Qt writes it,
    // stays as it is and counts as done).
    static bool repair(const QString &path);
    // The mended bytes; the input itself when nothing is to change.
    static QByteArray repaired(const QByteArray &pdf);
    // The character a glyph shared with `c` stands for in Chinese text.
    static char32_t preferred(char32_t c);
};

} // namespace velmora::record
