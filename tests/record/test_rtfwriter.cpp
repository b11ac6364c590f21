// RTF of the record text: read back by an independent reader, indents in
// twips, the embedded picture, escaping, tables and selections.
#include "app/Twips.h"
#include "record/RtfWriter.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

using velmora::app::Twips;
using velmora::record::RtfWriter;

namespace {

// Writes a document the way the record pane is filled: new paragraphs take
// over the current measures, headings are bold, values plain.
class RecordBuilder {
public:
    explicit RecordBuilder(QTextDocument &doc) : m_cursor(&doc)
    {
        QFont base(QStringLiteral("宋体"));
        base.setPointSize(12);
        doc.setDefaultFont(base);
    }
    void measures(int first, int second)
    {
        QTextBlockFormat format = m_cursor.blockFormat();
        format.setLeftMargin(Twips::toPixelsX(first));
        format.setRightMargin(Twips::toPixelsX(second));
        m_cursor.setBlockFormat(format);
    }
    void newLine() { m_cursor.insertBlock(m_cursor.blockFormat()); }
    void write(const QString &text, bool bold = false)
    {
        QTextCharFormat format;
        format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
        m_cursor.insertText(text, format);
    }
    void heading(const QString &label)
    {
        measures(10, 100);
        newLine();
        write("【" + label + "】", true);
    }
    void inlineField(const QString &label, const QString &value)
    {
        heading(label);
        write(value);
        newLine();
    }
    void blockField(const QString &label, const QString &value)
    {
        heading(label);
        newLine();
        measures(150, 100);
        newLine();
        write("    " + value);
        newLine();
    }
    void picture(const QImage &image)
    {
        measures(10, 500);
        newLine();
        write("【结构或分子式】", true);
        newLine();
        write(QString(69, u' '));
        newLine();
        write(QString(71, u' '));
        const QUrl name(QStringLiteral("velmora-picture:1"));
        m_cursor.document()->addResource(QTextDocument::ImageResource, name, image);
        QTextImageFormat format;
        format.setName(name.toString());
        format.setWidth(image.width() / 2.0);
        format.setHeight(image.height() / 2.0);
        m_cursor.insertImage(format);
        newLine();
        write(QString(43, u' '));
    }

private:
    QTextCursor m_cursor;
};

QImage structurePicture()
{
    QImage image(600, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int x = 100; x < 500; ++x)
        image.setPixel(x, 200, qRgb(0, 0, 0));
    image.setPixel(0, 0, qRgb(255, 0, 0));
    return image;
}

void buildRecord(QTextDocument &doc)
{
    RecordBuilder b(doc);
    b.inlineField("中文名称", "甲酸；蚁酸");
    b.inlineField("英文名称", "formic acid {HCOOH} C:\\temp");
    b.picture(structurePicture());
    b.inlineField("熔点（℃）", "8.4");
    b.blockField("用途", "用于塑料\t填料；𠀀");
    // The find marking: the first 塑料 in blue.
    QTextCursor mark = doc.find("塑料");
    QTextCharFormat blue;
    blue.setForeground(QColor(0, 0, 255));
    mark.mergeCharFormat(blue);
}

// Runs the reader in a folder of its own: it writes the pictures it finds
// there.
QString unrtf(const QByteArray &rtf, const QString &mode)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("record.rtf"));
    if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size())
        return {};
    file.close();
    QProcess reader;
    reader.setWorkingDirectory(dir.path());
    reader.start(QStringLiteral("unrtf"), {mode, file.fileName()});
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0)
        return {};
    return QString::fromUtf8(reader.readAllStandardOutput());
}

// The reader's text output turns every character outside ASCII into "?", so
// Chinese text is read back from its HTML output, which spells each one as
// a character reference.
QString unrtfText(const QByteArray &rtf)
{
    QString html = unrtf(rtf, "--html");
    html.remove(QRegularExpression("^.*<body>", QRegularExpression::DotMatchesEverythingOption));
    html.remove(QRegularExpression("[\\r\\n]"));
    html.replace(QRegularExpression("<br>"), "\n");
    html.remove(QRegularExpression("<[^>]*>"));
    QString text;
    const QRegularExpression entity("&(#(\\d+)|nbsp|amp|lt|gt|quot);");
    qsizetype done = 0;
    for (const QRegularExpressionMatch &m : entity.globalMatch(html)) {
        text += html.mid(done, m.capturedStart() - done);
        const QString name = m.captured(1);
        if (!m.captured(2).isEmpty()) {
            const uint code = m.captured(2).toUInt();
            text += code > 0xffff ? QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1)
                                  : QString(QChar(char16_t(code)));
        } else {
            text += name == "nbsp" ? " " : name == "amp" ? "&" : name == "lt" ? "<" : name == "gt" ? ">" : "\"";
        }
        done = m.capturedEnd();
    }
    return text + html.mid(done);
}

// Paragraph marks in an RTF text (not counting \pard).
qsizetype paragraphMarks(const QByteArray &rtf)
{
    const QString text = QString::fromLatin1(rtf);
    qsizetype n = 0;
    for (auto it = QRegularExpression("\\\\par(?![a-z])").globalMatch(text); it.hasNext(); it.next())
        ++n;
    return n;
}

// A text as the writer spells it, to find runs in its output.
QByteArray escaped(const QString &text)
{
    QByteArray out;
    for (QChar c : text)
        out += "\\u" + QByteArray::number(qint16(c.unicode())) + '?';
    return out;
}

} // namespace

class TestRtfWriter : public QObject {
    Q_OBJECT
private slots:
    void init() { Twips::setDpiOverride(96); }
    void cleanup() { Twips::setDpiOverride(0); }

    void recordReadsBackAsText()
    {
        if (QStandardPaths::findExecutable("unrtf").isEmpty())
            QSKIP("unrtf is not installed");
        QTextDocument doc;
        buildRecord(doc);
        const QByteArray rtf = RtfWriter::toRtf(doc);
        const QString text = unrtfText(rtf);
        QVERIFY2(!text.isEmpty(), "unrtf could not read the file");
        QVERIFY2(text.contains("【中文名称】甲酸；蚁酸"), qPrintable(text));
        QVERIFY(text.contains("【英文名称】formic acid {HCOOH} C:\\temp"));
        QVERIFY(text.contains("【结构或分子式】"));
        QVERIFY(text.contains("【熔点（℃）】8.4"));
        QVERIFY(text.contains("【用途】"));
        QVERIFY(text.contains("用于塑料"));
        QVERIFY(text.contains("填料；𠀀"));
        // Paragraphs stay paragraphs: heading, empty line, indented value.
        QVERIFY(QRegularExpression("【用途】\\n\\n\\s+用于").match(text).hasMatch());
        // The plain text reader agrees on the ASCII parts.
        QVERIFY(unrtf(rtf, "--text").contains("formic acid {HCOOH} C:\\temp\n"));
    }

    void boldAndBlueReadBack()
    {
        if (QStandardPaths::findExecutable("unrtf").isEmpty())
            QSKIP("unrtf is not installed");
        QTextDocument doc;
        buildRecord(doc);
        const QString html = unrtf(RtfWriter::toRtf(doc), "--html");
        QVERIFY(!html.isEmpty());
        // 【熔点（℃）】 in bold, 8.4 not; 塑料 in blue, 填料 not.
        QVERIFY2(html.contains("<b>&#12304;&#29076;&#28857;&#65288;&#8451;&#65289;&#12305;</b>8.4<br>"),
                 qPrintable(html));
        QVERIFY(html.contains("<font color=\"#0000ff\">&#22609;&#26009;</font>"));
        QVERIFY(!QRegularExpression("#0000ff\">[^<]*&#22635;").match(html).hasMatch());
    }

    void indentsInTwips_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right");
        QTest::addColumn<QString>("expected");
        QTest::newRow("block value at 96 dpi") << 96.0 << 10 << 7 << "\\pard\\li150\\ri105";
        QTest::newRow("structure block at 96 dpi") << 96.0 << 1 << 33 << "\\pard\\li15\\ri495";
        QTest::newRow("follows the screen at 120 dpi") << 120.0 << 10 << 7 << "\\pard\\li120\\ri84";
        QTest::newRow("no indent, no control word") << 96.0 << 0 << 0 << "\\pard ";
    }
    void indentsInTwips()
    {
        QFETCH(double, dpi);
        QFETCH(int, left);
        QFETCH(int, right);
        QFETCH(QString, expected);
        Twips::setDpiOverride(dpi);
        QTextDocument doc;
        QTextCursor c(&doc);
        QTextBlockFormat format;
        format.setLeftMargin(left);
        format.setRightMargin(right);
        c.setBlockFormat(format);
        c.insertText("x");
        const QByteArray rtf = RtfWriter::toRtf(doc);
        QVERIFY2(rtf.contains(expected.toLatin1() + (left || right ? "" : "x")), rtf.constData());
    }

    void recordIndents()
    {
        QTextDocument doc;
        buildRecord(doc);
        const QByteArray rtf = RtfWriter::toRtf(doc);
        // 【用途】 is a heading at 10/100 twips; its value is indented 150.
        QVERIFY(rtf.contains("\\pard\\li15\\ri105\\b" + escaped("【用途】") + "\\par"));
        QVERIFY(rtf.contains("\\pard\\li150\\ri105\\b0     " + escaped("用于")));
    }

    void pictureIsEmbeddedPng()
    {
        QTextDocument doc;
        buildRecord(doc);
        const QString rtf = QString::fromLatin1(RtfWriter::toRtf(doc));
        const QRegularExpression pict(
            "\\{\\\\pict\\\\pngblip\\\\picw(\\d+)\\\\pich(\\d+)\\\\picwgoal(\\d+)\\\\pichgoal(\\d+)\\s([0-9a-f\\s]+)\\}");
        const QRegularExpressionMatch m = pict.match(rtf);
        QVERIFY2(m.hasMatch(), qPrintable(rtf.left(2000)));
        QCOMPARE(m.captured(1), QString("600"));
        QCOMPARE(m.captured(2), QString("400"));
        QCOMPARE(m.captured(3), QString("4500")); // 300 px shown = 4500 twips
        QCOMPARE(m.captured(4), QString("3000"));
        QString hex = m.captured(5);
        hex.remove(QRegularExpression("\\s"));
        const QImage back = QImage::fromData(QByteArray::fromHex(hex.toLatin1()), "PNG");
        QCOMPARE(back.size(), QSize(600, 400));
        QCOMPARE(back.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(back.pixel(300, 200), qRgb(0, 0, 0));
        QCOMPARE(rtf.count("\\pict"), 1);
    }

    void missingPictureIsLeftOut()
    {
        QTextDocument doc;
        QTextCursor c(&doc);
        c.insertText("a");
        QTextImageFormat format;
        format.setName("velmora-picture:gone");
        c.insertImage(format);
        c.insertText("b");
        const QByteArray rtf = RtfWriter::toRtf(doc);
        QVERIFY(!rtf.contains("\\pict"));
        QVERIFY(rtf.contains(" ab}"));
    }

    void textIsEscaped()
    {
        QTextDocument doc;
        QTextCursor(&doc).insertText(QString::fromUtf8("{a}\\b\tc 9甲𠀀") + QChar(QChar::LineSeparator) + "d");
        const QByteArray rtf = RtfWriter::toRtf(doc);
        const QByteArray body = rtf.mid(rtf.indexOf("\\pard"));
        QCOMPARE(body, QByteArray("\\pard\\{a\\}\\\\b\\tab c 9\\u30002?\\u-10176?\\u-9216?\\line d}"));
        // Nothing but ASCII in the file, and the braces balance.
        for (char ch : rtf)
            QVERIFY(static_cast<unsigned char>(ch) < 0x80);
        QCOMPARE(rtf.count('{') - rtf.count("\\{"), rtf.count('}') - rtf.count("\\}"));
    }

    void fontAndColourTables()
    {
        QTextDocument doc;
        RecordBuilder b(doc);
        b.write("甲");
        QTextCursor c(&doc);
        c.movePosition(QTextCursor::End);
        QTextCharFormat other;
        other.setFontFamilies({"DejaVu Sans"});
        other.setFontPointSize(9);
        other.setForeground(QColor(255, 0, 0));
        c.insertText("x", other);
        c.insertText("y", QTextCharFormat());
        const QByteArray rtf = RtfWriter::toRtf(doc);
        QVERIFY2(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936\\deff0"), rtf.constData());
        // 宋体 in code page 936.
        QVERIFY(rtf.contains("{\\f0\\froman\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"));
        QVERIFY(rtf.contains("{\\f1\\fswiss\\fcharset0 DejaVu Sans;}"));
        QVERIFY(rtf.contains("{\\colortbl ;\\red0\\green0\\blue0;\\red0\\green0\\blue255;\\red255\\green0\\blue0;}"));
        QVERIFY(rtf.contains("\\plain\\f0\\fs24"));
        QVERIFY(rtf.contains("\\f1\\fs18\\cf3 x\\f0\\fs24\\cf0 y"));
    }

    void selectionHasOnlySelectedText()
    {
        QTextDocument doc;
        buildRecord(doc);
        QTextCursor selection = doc.find("甲酸；蚁酸");
        QVERIFY(selection.hasSelection());
        QByteArray rtf = RtfWriter::toRtf(selection);
        QVERIFY(rtf.endsWith("\\pard\\li15\\ri105" + escaped("甲酸；蚁酸") + "}"));
        QVERIFY(!rtf.contains(escaped("【")));
        QCOMPARE(paragraphMarks(rtf), 0);
        QVERIFY(!rtf.contains("\\pict"));

        // From inside the block value to its end: the paragraph keeps its indent.
        selection = doc.find("塑料");
        selection.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        rtf = RtfWriter::toRtf(selection);
        QVERIFY(rtf.contains("\\pard\\li150\\ri105\\cf2" + escaped("塑料") + "\\cf0\\tab"));
        QVERIFY(!rtf.contains(escaped("用")));

        // Across the picture: two paragraph marks, the picture once.
        selection = doc.find("【结构或分子式】");
        selection.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, 2);
        selection.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        rtf = RtfWriter::toRtf(selection);
        QCOMPARE(paragraphMarks(rtf), 2);
        QCOMPARE(rtf.count("\\pict"), 1);

        // Nothing selected: a valid document without text.
        QTextCursor none(&doc);
        none.setPosition(5);
        rtf = RtfWriter::toRtf(none);
        QVERIFY(rtf.endsWith("\\plain\\f0\\fs24}"));
        QVERIFY(RtfWriter::toRtf(QTextCursor()).startsWith("{\\rtf1"));
    }
};

QTEST_MAIN(TestRtfWriter)
#include "test_rtfwriter.moc"
