#include "record/RecordPrinter.h"

#include "app/Fonts.h"
#include "record/PdfTextLayer.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QUrl>

namespace velmora::record {

bool RecordPrinter::print(const QTextDocument &doc, QPrinter &printer)
{
    const auto copy = copyOf(doc, 0, doc.characterCount() - 1);
    return printCopy(*copy, printer);
}

bool RecordPrinter::print(const QTextCursor &selection, QPrinter &printer)
{
    if (selection.isNull() || !selection.document()) {
        QTextDocument empty;
        return printCopy(empty, printer);
    }
    const auto copy = copyOf(*selection.document(), selection.selectionStart(), selection.selectionEnd());
    return printCopy(*copy, printer);
}

std::unique_ptr<QTextDocument> RecordPrinter::copyOf(const QTextDocument &doc, int from, int to)
{
    std::unique_ptr<QTextDocument> copy(doc.clone());
    copy->setUndoRedoEnabled(false);
    QTextCursor cut(copy.get());
    const int last = copy->characterCount() - 1;
    if (to < last) {
        cut.setPosition(to);
        cut.setPosition(last, QTextCursor::KeepAnchor);
        cut.removeSelectedText();
    }
    if (from > 0) {
        cut.setPosition(0);
        cut.setPosition(qMin(from, to), QTextCursor::KeepAnchor);
        cut.removeSelectedText();
    }

    // Joining paragraphs by the cut keeps the settings of one of them, not
    // necessarily the one the selection starts in; take them all over anew.
    QTextBlock source = doc.findBlock(from);
    for (QTextBlock block = copy->begin(); block.isValid() && source.isValid();
         block = block.next(), source = source.next())
        QTextCursor(block).setBlockFormat(source.blockFormat());

    // Pictures the original found outside its own resources (loaded on
    // demand) are handed over as well.
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QUrl name(format.toImageFormat().name());
            const QVariant picture = doc.resource(QTextDocument::ImageResource, name);
            if (picture.isValid())
                copy->addResource(QTextDocument::ImageResource, name, picture);
        }
    }

    // A font this system lacks (宋体 on Linux) prints in its stand-in.
    QFont font = copy->defaultFont();
    const QString family = app::Fonts::family(font.family());
    if (family != font.family())
        font.setFamily(family);
    // Glyphs straight from the font's character map: shaping gives the CJK
    // fonts' digits other glyphs (of their contextual forms), which the PDF
    // writer cannot map back to characters, so the digits would be missing
    // from the file's text. Chinese and Latin text need no shaping.
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    copy->setDefaultFont(font);
    QTextCharFormat noShaping;
    noShaping.setFontStyleStrategy(font.styleStrategy());
    QTextCursor all(copy.get());
    all.select(QTextCursor::Document);
    all.mergeCharFormat(noShaping);
    return copy;
}

bool RecordPrinter::printCopy(QTextDocument &copy, QPrinter &printer)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;

    const QPointF screen = screenDpi();
    const qreal scaleX = printer.logicalDpiX() / screen.x();
    const qreal scaleY = printer.logicalDpiY() / screen.y();
    // The printable area of a page, in screen pixels.
    const QSizeF page(printer.width() / scaleX, printer.height() / scaleY);
    copy.setPageSize(page);

    int first = 1;
    int last = copy.pageCount();
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = printer.fromPage();
        if (printer.toPage() > 0)
            last = qMin(last, printer.toPage());
    }

    QAbstractTextDocumentLayout::PaintContext context;
    // Black on paper, whatever the colour scheme of the screen.
    context.palette.setColor(QPalette::Text, Qt::black);
    for (int number = first; number <= last; ++number) {
        if (number > first && !printer.newPage())
            return false;
        const QRectF view(0, (number - 1) * page.height(), page.width(), page.height());
        painter.save();
        painter.scale(scaleX, scaleY);
        painter.translate(0, -view.top());
        painter.setClipRect(view);
        context.clip = view;
        copy.documentLayout()->draw(&painter, context);
        painter.restore();
    }
    if (!painter.end())
        return false;
    if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
        return false;
    // A PDF file's text is to give back the characters shown.
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return PdfTextLayer::repair(printer.outputFileName());
    return true;
}

QPointF RecordPrinter::screenDpi()
{
    // The same rule text layout follows for a document without a device.
    if (QCoreApplication::testAttribute(Qt::AA_Use96Dpi))
        return {96, 96};
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        return {qreal(qRound(screen->logicalDotsPerInchX())), qreal(qRound(screen->logicalDotsPerInchY()))};
    return {100, 100};
}

} // namespace velmora::record
