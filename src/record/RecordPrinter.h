#pragma once

#include <QPointF>
#include <memory>

class QPrinter;
class QTextCursor;
class QTextDocument;

namespace velmora::record {

// Prints the record text so that the paper looks like the screen. The
// document's indents and picture sizes are screen pixels and its fonts are
// measured at the screen's resolution; laid out at the printer's resolution
// instead, a 10-pixel indent would shrink to a sliver. So a copy of the text
// is laid out in screen pixels on pages of the printer's size, and each page
// is drawn scaled by printer resolution over screen resolution. Nothing is
// shown to the user: errors come back as false.
class RecordPrinter {
public:
    // The whole document.
    static bool print(const QTextDocument &doc, QPrinter &printer);
    // The selected part of the cursor's document; without a selection one
    // blank page.
    static bool print(const QTextCursor &selection, QPrinter &printer);

private:
    // A copy of the characters from..to, with their paragraph settings,
    // pictures and fonts that exist on this system.
    static std::unique_ptr<QTextDocument> copyOf(const QTextDocument &doc, int from, int to);
    static bool printCopy(QTextDocument &copy, QPrinter &printer);
    // The resolution that text layout measures with when it has no paint
    // device of its own, as in the record pane.
    static QPointF screenDpi();
};

} // namespace velmora::record
