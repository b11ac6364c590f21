// Printing the record text to PDF, read back with poppler's tools: the text
// of all and of a selection, and indents, fonts and pictures at their screen
// size on paper.
#include "app/Twips.h"
#include "record/PdfTextLayer.h"
#include "record/RecordPrinter.h"

#include <QFile>
#include <QImage>
#include <QPrinter>
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
using velmora::record::PdfTextLayer;
using velmora::record::RecordPrinter;

namespace {

// A document filled like the record pane: paragraphs with the left and
// right measures in twips, bold headings, a picture shown at half its size.
class Record {
public:
    Record() : m_cursor(&doc)
    {
        QFont base(QStringLiteral("宋体"));
        base.setPointSize(12);
        doc.setDefaultFont(base);
    }
    void paragraph(int first, int second, const QString &text, bool bold = false)
    {
        if (m_started)
            m_cursor.insertBlock();
        m_started = true;
        QTextBlockFormat format;
        format.setLeftMargin(Twips::toPixelsX(first));
        format.setRightMargin(Twips::toPixelsX(second));
        m_cursor.setBlockFormat(format);
        QTextCharFormat chars;
        chars.setFontWeight(bold ? QFont::Bold : QFont::Normal);
        m_cursor.insertText(text, chars);
    }
    void picture()
    {
        QImage image(600, 400, QImage::Format_RGB32);
        image.fill(Qt::white);
        const QUrl name(QStringLiteral("velmora-picture:1"));
        doc.addResource(QTextDocument::ImageResource, name, image);
        QTextImageFormat format;
        format.setName(name.toString());
        format.setWidth(300);
        format.setHeight(200);
        m_cursor.insertImage(format);
    }

    QTextDocument doc;

private:
    QTextCursor m_cursor;
    bool m_started = false;
};

void buildRecord(Record &r)
{
    r.paragraph(10, 100, "");
    r.paragraph(10, 100, "【中文名称】", true);
    r.paragraph(10, 100, "");
    r.paragraph(10, 500, "【结构或分子式】", true);
    r.paragraph(10, 500, QString(71, u' '));
    r.picture();
    r.paragraph(10, 100, "【熔点（℃）】8.4", true);
    r.paragraph(10, 100, "");
    r.paragraph(10, 100, "【用途】", true);
    r.paragraph(150, 100, "");
    r.paragraph(150, 100, "    用于塑料和填料");
    // The inline value after its bold heading.
    QTextCursor c = r.doc.find("【中文名称】");
    c.movePosition(QTextCursor::EndOfBlock);
    QTextCharFormat plain;
    plain.setFontWeight(QFont::Normal);
    c.insertText("甲酸；蚁酸", plain);
}

// Every object the cross-reference table lists starts where it says: the
// file was mended without breaking its offsets (readers would quietly
// rebuild a broken table, so their output alone does not show it).
bool offsetsHold(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray pdf = file.readAll();
    const qsizetype at = pdf.lastIndexOf("startxref");
    const qsizetype xref = pdf.mid(at + 9).trimmed().split('\n').value(0).trimmed().toLongLong();
    if (!pdf.mid(xref).startsWith("xref\n0 "))
        return false;
    const QList<QByteArray> lines = pdf.mid(xref).split('\n');
    const int count = lines.value(1).split(' ').value(1).toInt();
    for (int k = 1; k < count; ++k) {
        const QByteArray entry = lines.value(2 + k);
        if (entry.size() >= 18 && entry.at(17) == 'n'
            && !pdf.mid(entry.left(10).toLongLong()).startsWith(QByteArray::number(k) + " 0 obj"))
            return false;
    }
    return count > 1;
}

QString folded(const QString &text) { return text.normalized(QString::NormalizationForm_KC); }

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A PDF printer writing into a folder of its own.
class PdfJob {
public:
    explicit PdfJob(int resolution = 1200) : printer(QPrinter::HighResolution)
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setResolution(resolution);
        printer.setOutputFileName(path());
    }
    QString path() const { return m_dir.filePath("record.pdf"); }
    // The CJK fonts share glyphs between ideographs and the Kangxi radicals
    // of the same shape, so a reader may give 文 back as ⽂; compatibility
    // forms fold both (and full-width punctuation) to one spelling.
    QString text() const { return run("pdftotext", {"-layout", path(), "-"}).normalized(QString::NormalizationForm_KC); }
    // The text exactly as a reader extracts it.
    QString rawText() const { return run("pdftotext", {path(), "-"}); }
    int pages() const
    {
        const auto m = QRegularExpression("Pages:\\s+(\\d+)").match(run("pdfinfo", {path()}));
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }
    // The box of the first word that begins with the text, in points.
    QRectF word(const QString &start) const
    {
        const QString boxes = run("pdftotext", {"-bbox", path(), "-"});
        const QRegularExpression re(QStringLiteral(
            "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">%1")
                                        .arg(QRegularExpression::escape(start)));
        const auto m = re.match(boxes);
        if (!m.hasMatch())
            return {};
        return QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                      QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
    }

    QPrinter printer;

private:
    QTemporaryDir m_dir;
};

} // namespace

class TestRecordPrinter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        for (const char *tool : {"pdftotext", "pdfinfo", "pdfimages", "pdffonts"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP("poppler-utils is not installed");
    }
    void init() { Twips::setDpiOverride(96); }
    void cleanup() { Twips::setDpiOverride(0); }

    void printsTheWholeRecord()
    {
        Record r;
        buildRecord(r);
        const QSizeF pageSize = r.doc.pageSize();
        PdfJob job;
        QVERIFY(RecordPrinter::print(r.doc, job.printer));
        const QString text = job.text();
        QVERIFY2(text.contains(folded("【中文名称】甲酸；蚁酸")), qPrintable(text));
        QVERIFY(text.contains(folded("【结构或分子式】")));
        QVERIFY(text.contains(folded("【熔点（℃）】8.4")));
        QVERIFY(text.contains(folded("【用途】")));
        QVERIFY(text.contains(folded("用于塑料和填料")));
        QCOMPARE(job.pages(), 1);
        // The view's own document keeps its layout.
        QCOMPARE(r.doc.pageSize(), pageSize);
    }

    void printsTheSelectionOnly()
    {
        Record r;
        buildRecord(r);
        QTextCursor selection = r.doc.find("【熔点（℃）】");
        selection.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        selection.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, 2);
        selection.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        PdfJob job;
        QVERIFY(RecordPrinter::print(selection, job.printer));
        const QString text = job.text();
        QVERIFY2(text.contains(folded("【熔点（℃）】8.4")), qPrintable(text));
        QVERIFY(text.contains(folded("【用途】")));
        QVERIFY(!text.contains(folded("中文名称")));
        QVERIFY(!text.contains(folded("填料")));
        QCOMPARE(job.pages(), 1);
    }

    void emptySelectionPrintsABlankPage()
    {
        Record r;
        buildRecord(r);
        QTextCursor none(&r.doc);
        none.setPosition(4);
        PdfJob job;
        QVERIFY(RecordPrinter::print(none, job.printer));
        QCOMPARE(job.pages(), 1);
        QCOMPARE(job.text().trimmed(), QString());
    }

    // At printer resolution a block's margin in screen pixels would shrink
    // to nothing; on paper the indents differ by what they differ on screen.
    void indentsAsOnScreen_data()
    {
        QTest::addColumn<int>("resolution");
        QTest::newRow("1200 dpi") << 1200;
        QTest::newRow("600 dpi") << 600;
        QTest::newRow("300 dpi") << 300;
    }
    void indentsAsOnScreen()
    {
        QFETCH(int, resolution);
        Record r;
        r.paragraph(10, 100, "heading");
        r.paragraph(150, 100, "value");
        PdfJob job(resolution);
        QVERIFY(RecordPrinter::print(r.doc, job.printer));
        const QRectF heading = job.word("heading");
        const QRectF value = job.word("value");
        QVERIFY(heading.isValid() && value.isValid());
        // 10 twips are 1 pixel on screen and 150 twips 10: 9 pixels, 6.75 pt.
        const double expected = (Twips::toPixelsX(150) - Twips::toPixelsX(10)) * 0.75;
        QVERIFY2(qAbs(value.left() - heading.left() - expected) < 0.5,
                 qPrintable(QString("%1 %2").arg(heading.left()).arg(value.left())));
    }

    void fontsAndPictureAsOnScreen()
    {
        Record r;
        buildRecord(r);
        r.paragraph(10, 100, "Latin");
        PdfJob job;
        QVERIFY(RecordPrinter::print(r.doc, job.printer));
        // A 12 pt line is about 12 pt high, not 12 pt at screen over
        // printer resolution.
        const QRectF latin = job.word("Latin");
        QVERIFY2(latin.height() > 10 && latin.height() < 20, qPrintable(QString::number(latin.height())));
        // The picture, 600 x 400 pixels shown at 300 x 200 screen pixels
        // (3.125 inches wide), is embedded whole at 192 pixels per inch.
        const QStringList rows = job.pages() == 1 ? run("pdfimages", {"-list", job.path()}).split('\n') : QStringList();
        QVERIFY(rows.size() >= 3);
        const QStringList columns = rows[2].simplified().split(' ');
        QVERIFY2(columns.size() > 13, qPrintable(rows[2]));
        QCOMPARE(columns[3], QString("600"));
        QCOMPARE(columns[4], QString("400"));
        QVERIFY2(qAbs(columns[12].toDouble() - 192) < 2, qPrintable(rows[2]));
        // 宋体 is missing here; its stand-in is embedded without a word.
        QVERIFY(run("pdffonts", {job.path()}).contains("NotoSerifCJK"));
    }

    void longTextRunsOverPages()
    {
        Record r;
        const auto name = [](int i) { return QString("line %1 end").arg(i); };
        for (int i = 0; i < 150; ++i)
            r.paragraph(10, 100, name(i));
        PdfJob job;
        QVERIFY(RecordPrinter::print(r.doc, job.printer));
        QVERIFY(job.pages() > 1);
        const QString text = job.text();
        // Every line once: none cut at a page boundary or printed twice.
        for (int i = 0; i < 150; ++i)
            QVERIFY2(text.count(name(i)) == 1, qPrintable(name(i)));
    }

    // Copying from the PDF gives the characters shown: the ideographs whose
    // glyphs the font shares with radicals, and the digits of every line.
    void pdfTextIsTheTextShown()
    {
        Record r;
        r.paragraph(10, 100, "【中文名称】文水用门马；长风");
        r.paragraph(10, 100, "【蒸气压（Pa）】1.33（20℃）", true);
        r.paragraph(10, 100, "【粘度 mPa·s（20℃）】0.89");
        r.paragraph(10, 100, "【熔点（℃）】70～73");
        r.paragraph(150, 100, "    用于水处理，见文献 2006 年第 45 页。");
        r.paragraph(10, 100, "line 12 end 0123456789");
        PdfJob job;
        QVERIFY(RecordPrinter::print(r.doc, job.printer));
        const QString text = job.rawText();
        for (const char *expected : {"【中文名称】文水用门马；长风", "【蒸气压（Pa）】1.33（20℃）",
                                     "【粘度 mPa·s（20℃）】0.89", "【熔点（℃）】70～73",
                                     "用于水处理，见文献 2006 年第 45 页。", "line 12 end 0123456789"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), qPrintable(QString::fromUtf8(expected) + "\n" + text));
        // The file is whole: its offsets, its page and its fonts.
        QVERIFY(offsetsHold(job.path()));
        QCOMPARE(job.pages(), 1);
        QVERIFY(run("pdffonts", {job.path()}).contains("NotoSerifCJK"));
    }

    void sharedGlyphsMapToTheCharacterChineseUses_data()
    {
        QTest::addColumn<uint>("from");
        QTest::addColumn<uint>("to");
        QTest::newRow("Kangxi radical 文") << 0x2F42u << 0x6587u;
        QTest::newRow("Kangxi radical 水") << 0x2F54u << 0x6C34u;
        QTest::newRow("Kangxi radical 用") << 0x2F64u << 0x7528u;
        QTest::newRow("Kangxi radical 户 (simplified form)") << 0x2F3Eu << 0x6237u;
        QTest::newRow("radical supplement 门") << 0x2ED4u << 0x95E8u;
        QTest::newRow("radical supplement 马") << 0x2EE2u << 0x9A6Cu;
        QTest::newRow("wave dash") << 0x301Cu << 0xFF5Eu;
        QTest::newRow("tab") << 0x09u << 0x20u;
        QTest::newRow("an ideograph stays") << 0x6587u << 0x6587u;
        QTest::newRow("a digit stays") << uint('7') << uint('7');
        QTest::newRow("a radical without an ideograph stays") << 0x2E81u << 0x2E81u;
    }
    void sharedGlyphsMapToTheCharacterChineseUses()
    {
        QFETCH(uint, from);
        QTEST(uint(PdfTextLayer::preferred(from)), "to");
    }

    // Anything not laid out as the writer lays it out is left alone.
    void otherFilesStayAsTheyAre()
    {
        const QByteArray notPdf = "not a pdf begincmap 1 beginbfrange <0001> <0001> <2F42> endbfrange";
        QCOMPARE(PdfTextLayer::repaired(notPdf), notPdf);
        QCOMPARE(PdfTextLayer::repaired(QByteArray()), QByteArray());
    }

    void printerErrorIsReported()
    {
        Record r;
        buildRecord(r);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName("/nonexistent-folder/record.pdf");
        QVERIFY(!RecordPrinter::print(r.doc, printer));
        QVERIFY(!RecordPrinter::print(QTextCursor(&r.doc), printer));
    }
};

QTEST_MAIN(TestRecordPrinter)
#include "test_recordprinter.moc"
