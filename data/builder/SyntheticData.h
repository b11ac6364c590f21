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
    // 0: a derivative carries its base chemical's picture. N > 0: derivatives
    // share a pool of the N smallest shipped pictures (each row still holds
    // its picture before the sort keys, as the shipped rows do), so that a
    // million chemicals fit on an ordinary disk.
    int sharedPictures = 0;
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
