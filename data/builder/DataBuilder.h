#pragma once

#include <QString>
#include <QStringList>

namespace velmora::data {

// Builds the three database files from the text sources:
//   <sources>/chemicals/*.txt   chemical blocks     -> <out>/sj1.data   (table sj)
//   <sources>/index/*.tsv       category paths      -> <out>/index.data (table index)
//   <sources>/periodic.tsv      periodic table grid -> <out>/periodic.data
// Pictures are read from <pictures>; atomic weights from <elements>.
struct BuildOptions {
    QString sources;
    QString pictures;
    QString elements;
    QString out;
    QString password = QStringLiteral("5817402");
};

struct BuildReport {
    int chemicals = 0;
    int indexRows = 0;
    int pictures = 0;
    QStringList warnings;
};

// Throws std::runtime_error with a readable message when a source cannot be
// read or a file cannot be written. Files are replaced only when complete.
BuildReport build(const BuildOptions &options);

// The stored field order of table sj.
QStringList sjFields();

} // namespace velmora::data
