#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QList>
#include <QStringList>

class QTextBlock;
class QTextCharFormat;
class QTextCursor;
class QTextDocument;
class QTextImageFormat;

namespace velmora::record {

// Writes a rich text document as RTF, for the save and copy commands of the
// record pane; Qt itself writes no RTF. What is kept is what the record text
// uses: paragraphs with their left and right indents, bold, italic,
// underline, strike-through, text colour, font family and size where they
// differ from the document's default font, and pictures as embedded PNG.
// Every character outside ASCII is written as a \u escape, so the text does
// not depend on the reader's code page.
class RtfWriter {
public:
    // The whole document.
    static QByteArray toRtf(const QTextDocument &doc);
    // The selected part of the cursor's document; without a selection, an
    // RTF document without text.
    static QByteArray toRtf(const QTextCursor &selection);

private:
    // The character settings in force at a point of the RTF body.
    struct Run {
        int font = 0;
        int halfPoints = 24;
        int colour = 0;
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strike = false;
    };

    explicit RtfWriter(const QTextDocument &doc);

    // Writes the characters from..to (a position range of the document).
    QByteArray write(int from, int to);
    void writeBlock(const QTextBlock &block, int from, int to);
    void writeText(const QString &text);
    void writePicture(const QTextImageFormat &format);
    void switchTo(const Run &run);
    void controlWord(const char *word, int value);
    void controlWord(const char *word);
    Run runFor(const QTextCharFormat &format);
    int fontIndex(const QString &family);
    int colourIndex(const QColor &colour);
    QByteArray header() const;

    const QTextDocument &m_doc;
    QFont m_base;
    QStringList m_fonts;      // index = \fN
    QList<QRgb> m_colours;    // index + 1 = \cfN; \cf0 is the reader's default
    QByteArray m_body;
    Run m_run;
    bool m_delimit = false;   // a control word was written last
};

} // namespace velmora::record
