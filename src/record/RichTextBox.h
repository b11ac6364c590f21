#pragma once

#include <QColor>
#include <QFont>
#include <QTextEdit>

namespace velmora::record {

// The record pane: a read-only rich text view written at its caret, with the
// character and paragraph settings of the record composer. Text written as
// CR LF starts a new paragraph, which takes over the paragraph's measures.
// The first measure is the left indent and the second the right indent, both
// in twips.
class RichTextBox : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextBox(QWidget *parent = nullptr);

    void clearText();
    // Writes at the caret with the current bold setting.
    void write(const QString &text);
    void setSelBold(bool bold);
    // Writes a run of spaces that only places what follows it: in a small
    // size, so that a picture after it keeps a modest indent at any width.
    void writeSpacer(const QString &spaces);
    void setFirstMeasure(int twips);
    void setSecondMeasure(int twips);
    // Places a picture (PNG bytes) at the caret, shown at half its pixel size
    // so that it stays sharp on a 2x screen. Returns false for bytes that are
    // no picture.
    bool insertPicture(const QByteArray &png);

    // The first occurrence of text from position 0, ignoring case; -1 if none.
    int find(const QString &text) const;
    void colour(int start, int length, const QColor &colour);

    int selStart() const;
    int selLength() const;
    void setSel(int start, int length);
    int textLength() const;
    QString text() const { return toPlainText(); }

    QFont baseFont() const { return document()->defaultFont(); }
    void setBaseFont(const QFont &font);

private:
    bool m_bold = false;
};

} // namespace velmora::record
