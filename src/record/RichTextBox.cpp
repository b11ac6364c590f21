#include "record/RichTextBox.h"

#include "app/Fonts.h"
#include "app/Twips.h"

#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

namespace velmora::record {

using app::Twips;

RichTextBox::RichTextBox(QWidget *parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setBaseFont(app::Fonts::songTi(12));
}

void RichTextBox::setBaseFont(const QFont &font)
{
    document()->setDefaultFont(font);
    setFont(font);
}

void RichTextBox::clearText()
{
    clear();
    m_bold = false;
    QTextCursor c(document());
    c.setBlockFormat(QTextBlockFormat());
    c.setCharFormat(QTextCharFormat());
    setTextCursor(c);
}

void RichTextBox::write(const QString &text)
{
    QTextCursor c = textCursor();
    // Only bold is set; everything else follows the base font.
    QTextCharFormat format;
    if (m_bold)
        format.setFontWeight(QFont::Bold);
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QStringList lines = t.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            c.insertBlock(c.blockFormat(), format);
        if (!lines[i].isEmpty())
            c.insertText(lines[i], format);
    }
    setTextCursor(c);
}

void RichTextBox::setSelBold(bool bold) { m_bold = bold; }

void RichTextBox::writeSpacer(const QString &spaces)
{
    QTextCursor c = textCursor();
    QTextCharFormat format;
    if (m_bold)
        format.setFontWeight(QFont::Bold);
    format.setFontPointSize(2);
    c.insertText(spaces, format);
    setTextCursor(c);
}

void RichTextBox::setFirstMeasure(int twips)
{
    QTextCursor c = textCursor();
    QTextBlockFormat f = c.blockFormat();
    f.setLeftMargin(Twips::toPixelsX(twips));
    c.setBlockFormat(f);
    setTextCursor(c);
}

void RichTextBox::setSecondMeasure(int twips)
{
    QTextCursor c = textCursor();
    QTextBlockFormat f = c.blockFormat();
    f.setRightMargin(Twips::toPixelsX(twips));
    c.setBlockFormat(f);
    setTextCursor(c);
}

bool RichTextBox::insertPicture(const QByteArray &png)
{
    QImage image;
    if (!image.loadFromData(png))
        return false;
    static int serial = 0;
    const QUrl name(QStringLiteral("velmora-picture:%1").arg(++serial));
    document()->addResource(QTextDocument::ImageResource, name, image);
    QTextImageFormat format;
    format.setName(name.toString());
    format.setWidth(image.width() / 2.0);
    format.setHeight(image.height() / 2.0);
    QTextCursor c = textCursor();
    c.insertImage(format);
    setTextCursor(c);
    return true;
}

int RichTextBox::find(const QString &text) const
{
    if (text.isEmpty())
        return -1;
    const QTextCursor found = document()->find(text, 0);
    return found.isNull() ? -1 : found.selectionStart();
}

void RichTextBox::colour(int start, int length, const QColor &colour)
{
    QTextCursor c(document());
    c.setPosition(start);
    c.setPosition(start + length, QTextCursor::KeepAnchor);
    QTextCharFormat f;
    f.setForeground(colour);
    c.mergeCharFormat(f);
}

int RichTextBox::selStart() const { return textCursor().selectionStart(); }
int RichTextBox::selLength() const { return textCursor().selectionEnd() - textCursor().selectionStart(); }

void RichTextBox::setSel(int start, int length)
{
    QTextCursor c(document());
    const int end = qBound(0, start + length, textLength());
    c.setPosition(qBound(0, start, textLength()));
    c.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

int RichTextBox::textLength() const
{
    return document()->characterCount() - 1;
}

} // namespace velmora::record
