#pragma once

#include <QString>

namespace velmora::data {

// Makes a large application folder for measurements from the built database
// files: <out>/data/sj1.data holds every shipped chemical followed by
// synthetic derivatives of them up to `chemicals` rows; index.data and
// periodic.data are copied unchanged.
//
// A derivative takes its base chemical's fields (long texts and structure
// picture included, so row sizes stay those of the shipped file), a new
// unique Chinese and English name built from substituents, locants or a
// grade, its own sort keys, and slightly moved physical values.
struct SyntheticOptions {
    QString shippedData; // folder holding the built sj1.data, index.data, periodic.data
    QString out;         // the application folder to make
    int chemicals = 100000;
    unsigned seed = 20240601;
};

struct SyntheticReport {
    int shipped = 0;
    int chemicals = 0;
    int pictures = 0;
};

// Throws std::runtime_error when a file cannot be read or written. The new
// sj1.data replaces an old one only when complete.
SyntheticReport makeSynthetic(const SyntheticOptions &options);

} // namespace velmora::data
