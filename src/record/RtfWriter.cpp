#include "record/RtfWriter.h"

#include "app/Twips.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QImage>
#include <QPixmap>
#include <QStringEncoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QUrl>
#include <cmath>

namespace velmora::record {

using app::Twips;

namespace {

int pixelsToTwipsX(qreal pixels) { return int(std::lround(pixels * Twips::perPixelX())); }
int pixelsToTwipsY(qreal pixels) { return int(std::lround(pixels * Twips::perPixelY())); }

// Font sizes in half-points; a size in pixels goes through the screen's
// twips (20 twips to the point, so 10 to the half-point).
int halfPoints(const QFont &font)
{
    if (font.pointSizeF() > 0)
        return int(std::lround(font.pointSizeF() * 2));
    if (font.pixelSize() > 0)
        return int(std::lround(pixelsToTwipsY(font.pixelSize()) / 10.0));
    return 24;
}

bool isChineseFont(const QString &family)
{
    for (QChar c : family)
        if (c.unicode() >= 0x80)
            return true;
    return family.contains(QLatin1String("CJK"), Qt::CaseInsensitive)
        || QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese);
}

// The RTF font family class, guessed from the name; readers use it only to
// pick a similar font when the named one is missing.
const char *familyClass(const QString &family)
{
    if (QFontDatabase::isFixedPitch(family))
        return "\\fmodern";
    static const char *const sans[] = {"Sans", "Arial", "Helvetica", "Hei", "黑", "雅"};
    static const char *const serif[] = {"Serif", "Times", "Song", "Ming", "宋", "明", "楷"};
    for (const char *s : sans)
        if (family.contains(QString::fromUtf8(s), Qt::CaseInsensitive))
            return "\\fswiss";
    for (const char *s : serif)
        if (family.contains(QString::fromUtf8(s), Qt::CaseInsensitive))
            return "\\froman";
    return "\\fnil";
}

// Font names stand in the font table in the document's code page (936);
// a name that code page cannot hold falls back to \u escapes.
QByteArray fontName(const QString &family)
{
    QByteArray out;
    QStringEncoder gbk("GBK");
    const QByteArray bytes = gbk.isValid() ? QByteArray(gbk.encode(family)) : QByteArray();
    if (gbk.isValid() && !gbk.hasError()) {
        for (char ch : bytes) {
            const auto b = static_cast<unsigned char>(ch);
            if (b >= 0x80 || b == '\\' || b == '{' || b == '}' || b == ';')
                out += "\\'" + QByteArray::number(b, 16).rightJustified(2, '0');
            else
                out += ch;
        }
        return out;
    }
    for (QChar c : family) {
        if (c.unicode() < 0x80 && c != u'\\' && c != u'{' && c != u'}' && c != u';')
            out += char(c.unicode());
        else
            out += "\\u" + QByteArray::number(qint16(c.unicode())) + '?';
    }
    return out;
}

QImage pictureOf(const QVariant &resource)
{
    if (resource.typeId() == QMetaType::QImage)
        return resource.value<QImage>();
    if (resource.typeId() == QMetaType::QPixmap)
        return resource.value<QPixmap>().toImage();
    if (resource.typeId() == QMetaType::QByteArray)
        return QImage::fromData(resource.toByteArray());
    return {};
}

} // namespace

QByteArray RtfWriter::toRtf(const QTextDocument &doc)
{
    RtfWriter writer(doc);
    // The last position is the document's closing paragraph mark, never text.
    return writer.write(0, doc.characterCount() - 1);
}

QByteArray RtfWriter::toRtf(const QTextCursor &selection)
{
    if (selection.isNull() || !selection.document()) {
        QTextDocument empty;
        return toRtf(empty);
    }
    RtfWriter writer(*selection.document());
    return writer.write(selection.selectionStart(), selection.selectionEnd());
}

RtfWriter::RtfWriter(const QTextDocument &doc)
    : m_doc(doc), m_base(doc.defaultFont())
{
    m_fonts << m_base.family();
    m_colours << qRgb(0, 0, 0) << qRgb(0, 0, 255);
    m_run.halfPoints = halfPoints(m_base);
    m_run.bold = m_base.bold();
    m_run.italic = m_base.italic();
    m_run.underline = m_base.underline();
    m_run.strike = m_base.strikeOut();
}

QByteArray RtfWriter::write(int from, int to)
{
    // The starting character settings are written out in full, so that the
    // body does not lean on any reader's defaults.
    const Run start = m_run;
    controlWord("\\plain");
    controlWord("\\f", 0);
    controlWord("\\fs", start.halfPoints);
    if (start.bold)
        controlWord("\\b");
    if (start.italic)
        controlWord("\\i");
    if (start.underline)
        controlWord("\\ul");
    if (start.strike)
        controlWord("\\strike");

    if (from < to) {
        const QTextBlock first = m_doc.findBlock(from);
        const QTextBlock last = m_doc.findBlock(to);
        for (QTextBlock block = first; block.isValid(); block = block.next()) {
            if (block != first) {
                controlWord("\\par");
                m_body += '\n';
            }
            writeBlock(block, from, to);
            if (block == last)
                break;
        }
    }
    return header() + m_body + '}';
}

void RtfWriter::writeBlock(const QTextBlock &block, int from, int to)
{
    const QTextBlockFormat format = block.blockFormat();
    controlWord("\\pard");
    if (const int left = pixelsToTwipsX(format.leftMargin()))
        controlWord("\\li", left);
    if (const int right = pixelsToTwipsX(format.rightMargin()))
        controlWord("\\ri", right);
    if (const int first = pixelsToTwipsX(format.textIndent()))
        controlWord("\\fi", first);
    if (const int before = pixelsToTwipsY(format.topMargin()))
        controlWord("\\sb", before);
    if (const int after = pixelsToTwipsY(format.bottomMargin()))
        controlWord("\\sa", after);
    const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignHCenter)
        controlWord("\\qc");
    else if (align & Qt::AlignJustify)
        controlWord("\\qj");
    else if (align & Qt::AlignRight)
        controlWord("\\qr");

    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int begin = qMax(from, fragment.position());
        const int end = qMin(to, fragment.position() + fragment.length());
        if (begin >= end)
            continue;
        const QTextCharFormat charFormat = fragment.charFormat();
        switchTo(runFor(charFormat));
        const QString text = fragment.text().mid(begin - fragment.position(), end - begin);
        if (charFormat.isImageFormat()) {
            for (QChar c : text)
                if (c == QChar::ObjectReplacementCharacter)
                    writePicture(charFormat.toImageFormat());
        } else {
            writeText(text);
        }
    }
}

void RtfWriter::writeText(const QString &text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\t') {
            controlWord("\\tab");
        } else if (u == QChar::LineSeparator) {
            controlWord("\\line");
        } else if (u == u'\\' || u == u'{' || u == u'}') {
            m_body += '\\';
            m_body += char(u);
            m_delimit = false;
        } else if (u < 0x20 || u == QChar::ObjectReplacementCharacter) {
            // Control characters and stray object marks carry no text.
        } else if (u < 0x80) {
            if (m_delimit)
                m_body += ' ';
            m_body += char(u);
            m_delimit = false;
        } else {
            // Signed 16 bits; characters beyond U+FFFF are already two
            // UTF-16 units, which is how RTF wants them.
            m_body += "\\u" + QByteArray::number(qint16(u)) + '?';
            m_delimit = false;
        }
    }
}

void RtfWriter::writePicture(const QTextImageFormat &format)
{
    const QImage image = pictureOf(m_doc.resource(QTextDocument::ImageResource, QUrl(format.name())));
    if (image.isNull())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return;

    // The size shown, as the layout computes it: a missing side follows the
    // other in proportion, and with neither the picture's own size counts.
    const QSizeF natural = image.deviceIndependentSize();
    qreal width = format.width();
    qreal height = format.height();
    if (width <= 0 && height <= 0) {
        width = natural.width();
        height = natural.height();
    } else if (width <= 0) {
        width = natural.height() > 0 ? height * natural.width() / natural.height() : 0;
    } else if (height <= 0) {
        height = natural.width() > 0 ? width * natural.height() / natural.width() : 0;
    }

    m_body += "{\\pict\\pngblip\\picw" + QByteArray::number(image.width()) + "\\pich"
        + QByteArray::number(image.height()) + "\\picwgoal" + QByteArray::number(pixelsToTwipsX(width))
        + "\\pichgoal" + QByteArray::number(pixelsToTwipsY(height)) + '\n';
    const QByteArray hex = png.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128)
        m_body += hex.mid(i, 128) + '\n';
    m_body += '}';
    m_delimit = false;
}

RtfWriter::Run RtfWriter::runFor(const QTextCharFormat &format)
{
    // What the view shows: the fragment's own settings over the default font.
    const QFont font = format.font().resolve(m_base);
    Run run;
    run.font = fontIndex(font.family());
    run.halfPoints = halfPoints(font);
    run.bold = font.bold();
    run.italic = font.italic();
    run.underline = font.underline() || format.fontUnderline();
    run.strike = font.strikeOut();
    const QBrush foreground = format.foreground();
    run.colour = foreground.style() == Qt::NoBrush ? 0 : colourIndex(foreground.color());
    return run;
}

void RtfWriter::switchTo(const Run &run)
{
    if (run.font != m_run.font)
        controlWord("\\f", run.font);
    if (run.halfPoints != m_run.halfPoints)
        controlWord("\\fs", run.halfPoints);
    if (run.bold != m_run.bold)
        controlWord(run.bold ? "\\b" : "\\b0");
    if (run.italic != m_run.italic)
        controlWord(run.italic ? "\\i" : "\\i0");
    if (run.underline != m_run.underline)
        controlWord(run.underline ? "\\ul" : "\\ulnone");
    if (run.strike != m_run.strike)
        controlWord(run.strike ? "\\strike" : "\\strike0");
    if (run.colour != m_run.colour)
        controlWord("\\cf", run.colour);
    m_run = run;
}

void RtfWriter::controlWord(const char *word, int value)
{
    m_body += word + QByteArray::number(value);
    m_delimit = true;
}

void RtfWriter::controlWord(const char *word)
{
    m_body += word;
    m_delimit = true;
}

int RtfWriter::fontIndex(const QString &family)
{
    const qsizetype i = m_fonts.indexOf(family);
    if (i >= 0)
        return int(i);
    m_fonts << family;
    return int(m_fonts.size() - 1);
}

int RtfWriter::colourIndex(const QColor &colour)
{
    const QRgb rgb = colour.rgb() | 0xff000000u;
    qsizetype i = m_colours.indexOf(rgb);
    if (i < 0) {
        m_colours << rgb;
        i = m_colours.size() - 1;
    }
    return int(i + 1);
}

QByteArray RtfWriter::header() const
{
    QByteArray out = "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052\n{\\fonttbl";
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        const QString &family = m_fonts[i];
        out += "{\\f" + QByteArray::number(i) + familyClass(family) + "\\fcharset"
            + QByteArray::number(isChineseFont(family) ? 134 : 0) + ' ' + fontName(family) + ";}";
    }
    out += "}\n{\\colortbl ;";
    for (QRgb rgb : m_colours)
        out += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" + QByteArray::number(qGreen(rgb))
            + "\\blue" + QByteArray::number(qBlue(rgb)) + ';';
    out += "}\n\\viewkind4\\uc1\n";
    return out;
}

} // namespace velmora::record
