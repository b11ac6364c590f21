#pragma once

#include <QByteArray>
#include <QString>

namespace velmora::db {
class DataSource;
}

namespace velmora::record {

class RichTextBox;

// Writes a chemical's record into the record pane: every non-empty field
// under a bracketed heading (units in the heading of the physical
// properties), short values on the heading's line and long texts as an
// indented paragraph, the structure picture before the fifth field; then the
// searched words are marked blue.
class RecordComposer {
public:
    // Composes the first record of the data source's result. picture holds
    // the bytes of its structure picture (empty when it has none).
    static void find_Click(RichTextBox &box, const db::DataSource &source, const QByteArray &picture,
                           const QString &route, const QString &searchText);
    // Colours the first occurrence of the search text (of each "；"-separated
    // keyword on the use route) blue.
    static void findd_findd(RichTextBox &box, const QString &route, const QString &searchText);
    // The one-paragraph message of a search that found nothing.
    static void writeNotFound(RichTextBox &box, const QString &message);

    // The heading label of a field ("熔点" -> "熔点（℃）").
    static QString headingLabel(const QString &field);
    // Labels whose value stands on the heading's line.
    static bool isInlineLabel(const QString &label);

    // The block after the fields: the chemical's SMILES and InChIKey, as
    // text a reader can copy.
    static void writeStructure(RichTextBox &box, const db::DataSource &source);

    static const QString GoneText;
    static const QString StructureLabel;
};

} // namespace velmora::record
